// The COM and NAV radio heads as a panel uses them: readouts from the aircraft's
// frequency words, knobs within their bands, power and ident switches, shared sets,
// and a walk over their declarations.
#include <cstdlib>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "host/sim/radios.h"
#include "platform/portable/backend.h"
#include "tests/unit/radio_head_fixture.h"

namespace {

// Points of the face (249x141) inside each click area.
constexpr Spot MHZ_DOWN{90, 75}, MHZ_UP{105, 75}, KHZ_DOWN{194, 75}, KHZ_UP{209, 75};
constexpr Spot POWER_ON{20, 105}, POWER_OFF{20, 135}, IDENT_OFF{180, 118}, IDENT_ON{205, 100};

// Elements by row, 1 = face.
constexpr int HUNDREDTHS = 2, TENTHS = 3, UNITS = 4, TENS = 5, LEADING_ONE = 6, KHZ_KNOB = 7, MHZ_KNOB = 8,
              IDENT_SWITCH = 9, POWER_SWITCH = 10, LAMP = 11;
constexpr int DIGITS[] = {HUNDREDTHS, TENTHS, UNITS, TENS, LEADING_ONE};

}  // namespace

// Every COM/NAV fixture: the radio fixture, with the frequency words and the readout.
class ComNavTest : public RadioTest {
protected:
    void set_word(uint32_t token, uint32_t word) { vars().set_u32(token, word); }
    uint32_t word(uint32_t token) { return vars().u32(token); }

    void click_all(int id, std::initializer_list<Spot> spots) {
        for (Spot s : spots) click(id, s);
    }

    int lit_digits(int id) {
        int n = 0;
        for (int e : DIGITS) n += lit(id, e) ? 1 : 0;
        return n;
    }

    // The readout as a person reads it: the fixed 1, then the four drums.
    std::string readout(int id) {
        auto digit = [&](int element) { return std::to_string(static_cast<int>(value(id, element))); };
        return "1" + digit(TENS) + digit(UNITS) + "." + digit(TENTHS) + digit(HUNDREDTHS);
    }
};

// ---------------------------------------------------------------------------------
// COM version: Old_COM1 and Old_COM2 (Old_COM is Old_COM1 with other lettering).

using ComRadio = ComNavTest;

TEST_F(ComRadio, ReadoutShowsTheFrequencyWordWithFloorNotRounding) {
    const int com1 = place("Old_COM1");
    for (auto [word, shown] :
         {std::pair{0x1830u, "118.30"}, {0x1802u, "118.02"}, {0x3697u, "136.97"}, {0x2345u, "123.45"}}) {
        set_word(23, word);
        host.frame(com1);
        EXPECT_EQ(readout(com1), shown);
        EXPECT_EQ(value(com1, MHZ_KNOB), std::atoi(shown));
        EXPECT_EQ(value(com1, KHZ_KNOB), std::atoi(shown + 4));
        EXPECT_EQ(value(com1, LEADING_ONE), 0.0);
    }
}

TEST_F(ComRadio, KhzKnobStepsThroughThe25KhzChannelsAndWrapsWithoutCarry) {
    const int com1 = place("Old_COM1");
    click(com1, POWER_ON);
    set_word(23, 0x1800);
    for (const char* shown : {"118.02", "118.05", "118.07", "118.10", "118.12"}) {
        EXPECT_EQ(sent_by_click(com1, KHZ_UP), Events{65639});
        host.frame(com1);
        EXPECT_EQ(readout(com1), shown);
    }
    set_word(23, 0x1897);  // 118.975, the last channel
    click(com1, KHZ_UP);
    host.frame(com1);
    EXPECT_EQ(readout(com1), "118.00");
    click(com1, KHZ_DOWN);
    host.frame(com1);
    EXPECT_EQ(readout(com1), "118.97");
}

TEST_F(ComRadio, MhzUpStopsAt135) {
    const int com1 = place("Old_COM1");
    click(com1, POWER_ON);
    set_word(23, 0x3450);
    EXPECT_EQ(sent_by_click(com1, MHZ_UP), Events{65637});
    EXPECT_EQ(word(23), 0x3550u);
    EXPECT_EQ(sent_by_click(com1, MHZ_UP), Events{});
    EXPECT_EQ(word(23), 0x3550u);
    // A set the host has put at 136 can be lowered but not raised.
    set_word(23, 0x3697);
    EXPECT_EQ(sent_by_click(com1, MHZ_UP), Events{});
    EXPECT_EQ(sent_by_click(com1, MHZ_DOWN), Events{65636});
}

TEST_F(ComRadio, MhzDownStopsAt118) {
    const int com1 = place("Old_COM1");
    click(com1, POWER_ON);
    set_word(23, 0x1925);
    EXPECT_EQ(sent_by_click(com1, MHZ_DOWN), Events{65636});
    EXPECT_EQ(word(23), 0x1825u);
    EXPECT_EQ(sent_by_click(com1, MHZ_DOWN), Events{});
    EXPECT_EQ(word(23), 0x1825u);
}

TEST_F(ComRadio, PowerOffSilencesTheKnobsDarkensTheDigitsAndHidesTheLamp) {
    const int com1 = place("Old_COM1");
    click(com1, POWER_ON);
    host.frame(com1);
    EXPECT_EQ(lit_digits(com1), 5);
    EXPECT_EQ(value(com1, LAMP), 0.0);
    EXPECT_EQ(value(com1, POWER_SWITCH), 1.0);

    click(com1, POWER_OFF);
    set_word(23, 0x2500);
    for (Spot knob : {MHZ_DOWN, MHZ_UP, KHZ_DOWN, KHZ_UP}) {
        EXPECT_EQ(sent_by_click(com1, knob), Events{});
        EXPECT_EQ(reads_of(23), 1) << "the knob still refreshes the readout";
    }
    EXPECT_EQ(word(23), 0x2500u);
    host.frame(com1);
    EXPECT_EQ(lit_digits(com1), 0);
    EXPECT_EQ(value(com1, LAMP), -1.0);
    EXPECT_EQ(value(com1, POWER_SWITCH), 0.0);
}

TEST_F(ComRadio, InstallSendsNothingAndOnlyCom1PowerOffSendsTheNav1IdentOff) {
    for (auto [name, expected] :
         {std::pair{"Old_COM", Events{}}, {"Old_COM1", Events{65832}}, {"Old_COM2", Events{}}}) {
        host.trace().clear();
        const int id = place(name);
        EXPECT_EQ(sent(), Events{}) << name;
        EXPECT_EQ(sent_by_click(id, POWER_OFF), Events{}) << name << " is off from its install";
        click(id, POWER_ON);
        EXPECT_EQ(sent_by_click(id, POWER_OFF), expected) << name;
        EXPECT_EQ(sent_by_click(id, POWER_OFF), Events{}) << name;
    }
}

TEST_F(ComRadio, Com2TunesItsOwnSetWithItsOwnEvents) {
    const int com2 = place("Old_COM2");
    click(com2, POWER_ON);
    set_word(870, 0x2850);
    host.frame(com2);
    EXPECT_EQ(readout(com2), "128.50");
    EXPECT_EQ(sent_by_click(com2, MHZ_UP), Events{66437});
    EXPECT_EQ(sent_by_click(com2, KHZ_UP), Events{66440});
    host.frame(com2);
    EXPECT_EQ(readout(com2), "129.52");
    EXPECT_EQ(sent_by_click(com2, MHZ_DOWN), Events{66436});
    EXPECT_EQ(sent_by_click(com2, KHZ_DOWN), Events{66438});
    host.frame(com2);
    EXPECT_EQ(readout(com2), "128.50");
    EXPECT_EQ(word(23), 0x1830u) << "COM1 untouched";
}

// ---------------------------------------------------------------------------------
// NAV version: Old_NAV1 and Old_NAV2, with the VOR ident switch.

using NavRadio = ComNavTest;

TEST_F(NavRadio, ReadoutCoversTheBandFrom108To117) {
    const int nav1 = place("Old_NAV1");
    for (auto [word, shown] :
         {std::pair{0x0800u, "108.00"}, {0x0995u, "109.95"}, {0x1050u, "110.50"}, {0x1795u, "117.95"}}) {
        set_word(24, word);
        host.frame(nav1);
        EXPECT_EQ(readout(nav1), shown);
        EXPECT_EQ(value(nav1, MHZ_KNOB), std::atoi(shown));
    }
}

TEST_F(NavRadio, MhzKnobTunesWithin108And117) {
    const int nav1 = place("Old_NAV1");
    click(nav1, POWER_ON);
    set_word(24, 0x0800);
    EXPECT_EQ(sent_by_click(nav1, MHZ_DOWN), Events{});
    EXPECT_EQ(sent_by_click(nav1, MHZ_UP), Events{65641});
    EXPECT_EQ(word(24), 0x0900u);
    set_word(24, 0x1695);
    EXPECT_EQ(sent_by_click(nav1, MHZ_UP), Events{65641});
    EXPECT_EQ(word(24), 0x1795u);
    EXPECT_EQ(sent_by_click(nav1, MHZ_UP), Events{});
    EXPECT_EQ(sent_by_click(nav1, MHZ_DOWN), Events{65640});
}

TEST_F(NavRadio, KhzKnobStepsBy50KhzWithoutCarry) {
    const int nav2 = place("Old_NAV2");
    click(nav2, POWER_ON);
    set_word(27, 0x1795);
    EXPECT_EQ(sent_by_click(nav2, KHZ_UP), Events{65647});
    EXPECT_EQ(word(27), 0x1700u);
    EXPECT_EQ(sent_by_click(nav2, KHZ_DOWN), Events{65646});
    EXPECT_EQ(sent_by_click(nav2, KHZ_DOWN), Events{65646});
    EXPECT_EQ(word(27), 0x1790u);
}

// Each evaluation of the ident switch (row 9) and then the power switch (row 10) sends
// the ident state again.
TEST_F(NavRadio, IdentEventsOnEveryEvaluationForEverySwitchCombination) {
    struct Case {
        Spot power, ident;
        double power_shown, ident_shown;
        Events nav1, nav2;
    };
    const Case cases[] = {
        {POWER_OFF, IDENT_OFF, 0, 0, {65832, 65832}, {65833, 65833}},
        {POWER_ON, IDENT_OFF, 1, 0, {65832}, {65833}},
        {POWER_OFF, IDENT_ON, 0, 1, {65832}, {65833}},
        {POWER_ON, IDENT_ON, 1, 1, {65837, 65837}, {65838, 65838}},
    };
    for (const char* name : {"Old_NAV1", "Old_NAV2"}) {
        const int nav = place(name);
        for (const Case& c : cases) {
            click_all(nav, {c.power, c.ident});
            const Events& expected = std::string(name) == "Old_NAV1" ? c.nav1 : c.nav2;
            EXPECT_EQ(sent_in_a_frame(nav), expected) << name;
            EXPECT_EQ(sent_in_a_frame(nav), expected) << name << ", second evaluation";
            EXPECT_EQ(value(nav, POWER_SWITCH), c.power_shown);
            EXPECT_EQ(value(nav, IDENT_SWITCH), c.ident_shown);
        }
    }
}

// Ident on, power off, power on: NAV1's ident switch stays on, NAV2's goes off.
TEST_F(NavRadio, PowerCycleKeepsTheNav1IdentButPutsTheNav2IdentOff) {
    for (auto [name, off, after] :
         {std::tuple{"Old_NAV1", 65832u, Events{65837, 65837}}, {"Old_NAV2", 65833u, Events{65833}}}) {
        const int nav = place(name);
        click_all(nav, {POWER_ON, IDENT_ON});
        EXPECT_EQ(sent_by_click(nav, POWER_OFF), Events{off}) << name;
        click(nav, POWER_ON);
        EXPECT_EQ(sent_in_a_frame(nav), after) << name;
        EXPECT_EQ(value(nav, IDENT_SWITCH), after.size() == 2 ? 1.0 : 0.0) << name;
    }
}

TEST_F(NavRadio, SimulatedIdentAudioFollowsTheSwitches) {
    const SimRadios* radios = host.aircraft().system<SimRadios>();
    ASSERT_NE(radios, nullptr);
    const int nav1 = place("Old_NAV1");
    const int nav2 = place("Old_NAV2");
    click_all(nav1, {POWER_ON, IDENT_ON});
    host.frame_all();
    EXPECT_TRUE(radios->nav1_ident_audio_on());
    EXPECT_FALSE(radios->nav2_ident_audio_on());
    click_all(nav2, {POWER_ON, IDENT_ON});
    click(nav1, IDENT_OFF);
    host.frame_all();
    EXPECT_FALSE(radios->nav1_ident_audio_on());
    EXPECT_TRUE(radios->nav2_ident_audio_on());
}

// ---------------------------------------------------------------------------------
// Two gauges on one set.

using SharedRadioSet = ComNavTest;

TEST_F(SharedRadioSet, ComAndCom1ShowOnePowerSwitchAndEitherInstallSwitchesItOff) {
    const int com = place("Old_COM");
    const int com1 = place("Old_COM1");
    click(com, POWER_ON);
    host.frame_all();
    EXPECT_EQ(lit_digits(com1), 5);
    EXPECT_EQ(value(com1, LAMP), 0.0);
    EXPECT_EQ(value(com, LAMP), 0.0);

    place("Old_COM");
    host.frame_all();
    EXPECT_EQ(value(com1, POWER_SWITCH), 0.0);
    EXPECT_EQ(lit_digits(com), 0);

    click(com1, POWER_ON);
    place("Old_COM1");
    host.frame_all();
    EXPECT_EQ(value(com, POWER_SWITCH), 0.0);
}

TEST_F(SharedRadioSet, NavAndNav1ShareBothSwitchesButNotNav2) {
    const int nav = place("Old_NAV");
    const int nav1 = place("Old_NAV1");
    const int nav2 = place("Old_NAV2");
    click_all(nav1, {POWER_ON, IDENT_ON});
    host.frame_all();
    EXPECT_EQ(value(nav, IDENT_SWITCH), 1.0);
    EXPECT_EQ(value(nav, POWER_SWITCH), 1.0);
    EXPECT_EQ(value(nav2, POWER_SWITCH), 0.0);
    EXPECT_EQ(sent_in_a_frame(nav), (Events{65837, 65837}));

    place("Old_NAV");
    host.frame_all();
    EXPECT_EQ(value(nav1, POWER_SWITCH), 0.0);
    EXPECT_EQ(value(nav1, IDENT_SWITCH), 0.0);
}

// ---------------------------------------------------------------------------------
// The click: each gauge plays on its own device, once per real change of a switch.

namespace {

// The sound device and click buffer a gauge's install opened, by the back end's ids.
struct SoundIds {
    int64_t device = -1, buffer = -1;
};

}  // namespace

class RadioSound : public ComNavTest {
protected:
    int place_with_sound(const std::string& name, SoundIds& ids) {
        host.trace().clear();
        const int id = place(name);
        for (const Json& call : ops("sound")) {
            if (call["call"] == "create") ids.device = call["object"];
            if (call["call"] == "create_buffer") ids.buffer = call["object"];
        }
        EXPECT_GE(ids.device, 1) << name << " opened no sound device";
        EXPECT_GE(ids.buffer, 1) << name << " loaded no click";
        return id;
    }

    // Devices the click was played on since the last call.
    std::vector<int64_t> plays() {
        std::vector<int64_t> devices;
        const auto& log = backend_play_log();
        for (size_t i = seen_; i < log.size(); ++i) {
            devices.push_back(log[i].device);
            EXPECT_EQ(log[i].flags, 0u) << "played once, not looping";
        }
        seen_ = log.size();
        return devices;
    }

    // Position in the trace of the first sound call of this name, or of the first event sent; -1 for none.
    int call_at(const char* call) {
        return first_record(trace_records(host.trace()),
                            [call](const Json& r) { return r["op"] == "sound" && r["call"] == call; });
    }
    int first_event_sent() {
        return first_record(trace_records(host.trace()), [](const Json& r) { return r["op"] == "send_event"; });
    }

    size_t seen_ = backend_play_log().size();
};

TEST_F(RadioSound, ClickPlaysOncePerRealChangeOnTheClickedGaugesOwnDevice) {
    SoundIds com_sound, com1_sound, nav1_sound;
    const int com = place_with_sound("Old_COM", com_sound);
    const int com1 = place_with_sound("Old_COM1", com1_sound);
    const int nav1 = place_with_sound("Old_NAV1", nav1_sound);
    EXPECT_NE(com_sound.device, com1_sound.device) << "two gauges of one set, two devices";
    plays();

    click_all(com1, {POWER_ON, POWER_ON, MHZ_UP, KHZ_DOWN});
    EXPECT_EQ(plays(), std::vector<int64_t>{com1_sound.device});
    click_all(com, {POWER_OFF, POWER_OFF, POWER_ON});
    EXPECT_EQ(plays(), (std::vector<int64_t>{com_sound.device, com_sound.device}));
    click_all(nav1, {IDENT_ON, IDENT_ON, POWER_ON, IDENT_OFF, IDENT_OFF, POWER_OFF});
    EXPECT_EQ(plays(), std::vector<int64_t>(4, nav1_sound.device));
}

TEST_F(RadioSound, PowerOffClicksBeforeItSendsTheIdentOff) {
    for (const char* name : {"Old_COM1", "Old_NAV1", "Old_NAV2"}) {
        SoundIds ids;
        const int id = place_with_sound(name, ids);
        click(id, POWER_ON);
        host.trace().clear();
        click(id, POWER_OFF);
        const int played = call_at("play");
        const int sending = first_event_sent();
        ASSERT_GE(played, 0) << name;
        EXPECT_LT(played, sending) << name;
        EXPECT_EQ(sent(), Events{std::string(name) == "Old_NAV2" ? 65833u : 65832u}) << name;
    }
}

TEST_F(RadioSound, NavInstallSendsOneIdentOffBeforeOpeningItsDevice) {
    for (auto [name, off] : {std::pair{"Old_NAV1", 65832u}, {"Old_NAV2", 65833u}}) {
        host.trace().clear();
        place(name);
        EXPECT_EQ(sent(), Events{off}) << name;
        EXPECT_LT(first_event_sent(), call_at("create")) << name;
    }
}

TEST_F(RadioSound, KillReleasesTheBufferThenTheDeviceAndASecondInstallOpensAfresh) {
    const LiveObjects before = backend_live_objects();
    SoundIds first;
    int nav2 = place_with_sound("Old_NAV2", first);
    click(nav2, POWER_ON);
    host.trace().clear();
    host.remove(nav2);
    EXPECT_EQ(
        ops("sound"),
        (Records{{{"op", "sound"}, {"call", "release_buffer"}, {"object", first.buffer}, {"value", 0}, {"ok", 1}},
                 {{"op", "sound"}, {"call", "release_device"}, {"object", first.device}, {"value", 0}, {"ok", 1}}}));
    EXPECT_EQ(backend_live_objects().devices, before.devices);
    EXPECT_EQ(backend_live_objects().buffers, before.buffers);

    SoundIds second;
    nav2 = place_with_sound("Old_NAV2", second);
    host.frame(nav2);
    EXPECT_EQ(value(nav2, POWER_SWITCH), 0.0) << "off again after the reinstall";
    plays();
    click(nav2, POWER_ON);
    EXPECT_EQ(plays(), std::vector<int64_t>{second.device});
}

// ---------------------------------------------------------------------------------
// The simulated radios on their own.

using SimulatedRadios = ComNavTest;

TEST_F(SimulatedRadios, StartOnTheirDocumentedFrequencies) {
    EXPECT_EQ(word(23), 0x1830u);
    EXPECT_EQ(word(870), 0x2850u);
    EXPECT_EQ(word(24), 0x1050u);
    EXPECT_EQ(word(27), 0x1390u);
}

TEST_F(SimulatedRadios, WholeMegahertzWrapsOverEachBand) {
    set_word(27, 0x0890);
    set_word(23, 0x3600);
    host.host_event(65637, 0);
    EXPECT_EQ(word(23), 0x1800u);
    host.host_event(65636, 0);
    EXPECT_EQ(word(23), 0x3600u);
    set_word(870, 0x1850);
    host.host_event(66436, 0);
    EXPECT_EQ(word(870), 0x3650u);
    set_word(24, 0x1700);
    host.host_event(65641, 0);
    EXPECT_EQ(word(24), 0x0800u);
    host.host_event(65644, 0);
    EXPECT_EQ(word(27), 0x1790u) << "NAV2 from 108.90 down to 117.90";
}

// ---------------------------------------------------------------------------------
// The declarations of all six gauges, walked as the host reads them.

namespace {

struct GaugeFacts {
    const char* name;
    uint32_t face;
    bool nav;
    uint32_t help_gauge, help_readout, help_knob, failure_key;
};

// clang-format off
constexpr GaugeFacts kRadioGauges[] = {
    // name        face  nav    gauge   readout knobs   failure key
    {"Old_COM",    380,  false, 0xA701, 0xA711, 0xA710, 9},
    {"Old_COM1",   390,  false, 0xA701, 0xA711, 0xA710, 9},
    {"Old_COM2",   480,  false, 0xA701, 0xA711, 0xA710, 9},
    {"Old_NAV",    1060, true,  0xA700, 0xA715, 0xA714, 14},
    {"Old_NAV1",   1070, true,  0xA700, 0xA715, 0xA714, 14},
    {"Old_NAV2",   1160, true,  0xA702, 0xA717, 0xA716, 15},
};

struct ElementFacts {
    uint32_t kind, com_bitmap, nav_bitmap;
    int x, y;
    uint32_t flags;
    bool failures;  // the gauge's failure list (NAV row 9 has it, COM row 9 not)
};

constexpr ElementFacts kElements[] = {
    // kind                  COM  NAV   x    y    flags  failures
    {ELEMENT_STATIC_IMAGE,   0,   0,    0,   0,   0x3,   false},  // face (bitmap per gauge)
    {ELEMENT_MOVING_IMAGE,   450, 1100, 178, 18,  0x83,  true},   // hundredths
    {ELEMENT_MOVING_IMAGE,   420, 1100, 160, 18,  0x83,  true},   // tenths
    {ELEMENT_MOVING_IMAGE,   420, 1100, 142, 18,  0x83,  true},   // units
    {ELEMENT_MOVING_IMAGE,   430, 1110, 124, 18,  0x83,  true},   // tens
    {ELEMENT_ICON,           440, 1120, 106, 18,  0x83,  true},   // leading 1
    {ELEMENT_NEEDLE,         410, 1090, 202, 76,  0x83,  false},  // kHz knob
    {ELEMENT_NEEDLE,         400, 1080, 98,  76,  0x83,  false},  // MHz knob
    {ELEMENT_ICON,           490, 1140, 190, 105, 0x3,   false},  // VOL / VOR ident
    {ELEMENT_ICON,           460, 1130, 30,  105, 0x3,   false},  // power switch
    {ELEMENT_ICON,           470, 1150, 119, 123, 0x7,   true},   // lamp
};
// clang-format on

std::vector<ElementHeader*> chain(const GaugeHeader* gauge) {
    std::vector<ElementHeader*> out;
    for (ElementHeader* e = *gauge->elements; e; e = e->children ? e->children[0] : nullptr) {
        out.push_back(e);
        if (e->children) {
            EXPECT_EQ(e->children[1], nullptr) << "one child per element";
        }
    }
    return out;
}

}  // namespace

using RadioDeclarations = HostTest;

TEST_F(RadioDeclarations, GaugesSitAtTheirPlaceInTheTableOrder) {
    std::vector<std::string> names;
    for (GaugeHeader* g : host.gauges()) names.push_back(g->name);
    std::vector<std::string> radios;
    for (const std::string& n : names)
        if (n.rfind("Old_COM", 0) == 0 || n.rfind("Old_NAV", 0) == 0) radios.push_back(n);
    EXPECT_EQ(radios, (std::vector<std::string>{"Old_COM", "Old_COM1", "Old_COM2", "Old_NAV", "Old_NAV1", "Old_NAV2"}));
}

TEST_F(RadioDeclarations, ElementChainsMatchTheFaceLayout) {
    for (const GaugeFacts& facts : kRadioGauges) {
        SCOPED_TRACE(facts.name);
        const GaugeHeader* gauge = host.find_gauge(facts.name);
        ASSERT_NE(gauge, nullptr);
        EXPECT_EQ(gauge->version, 800u);
        EXPECT_EQ(gauge->width_mm, 100u);
        EXPECT_NE(gauge->gauge_callback, nullptr);
        const std::vector<ElementHeader*> elements = chain(gauge);
        ASSERT_EQ(elements.size(), std::size(kElements));
        for (size_t i = 0; i < elements.size(); ++i) {
            SCOPED_TRACE("row " + std::to_string(i + 1));
            const ElementHeader* e = elements[i];
            const ElementFacts& want = kElements[i];
            EXPECT_EQ(e->gauge, gauge);
            EXPECT_EQ(e->kind, want.kind);
            EXPECT_EQ(e->bitmap_id, i == 0 ? facts.face : facts.nav ? want.nav_bitmap : want.com_bitmap);
            EXPECT_EQ(e->x, want.x);
            EXPECT_EQ(e->y, want.y);
            EXPECT_EQ(e->image_flags & ~(IMAGE_LUMINOUS | IMAGE_ON_SCREEN), want.flags);
            const bool has_failures = want.failures || (facts.nav && i + 1 == IDENT_SWITCH);
            if (!has_failures) {
                EXPECT_EQ(e->failures, nullptr);
                continue;
            }
            ASSERT_NE(e->failures, nullptr);
            EXPECT_EQ(e->failures[0].key, 21u);
            EXPECT_EQ(e->failures[0].action, 3u);
            EXPECT_EQ(e->failures[1].key, facts.failure_key);
            EXPECT_EQ(e->failures[1].action, 0u);
            EXPECT_EQ(e->failures[2].key, 0u);
        }
    }
}

TEST_F(RadioDeclarations, DrumsKnobsAndIconsCarryTheirRangesAndCalibration) {
    for (const GaugeFacts& facts : kRadioGauges) {
        SCOPED_TRACE(facts.name);
        const std::vector<ElementHeader*> e = chain(host.find_gauge(facts.name));
        ASSERT_EQ(e.size(), 11u);
        for (int row : {HUNDREDTHS, TENTHS, UNITS, TENS}) {
            const auto* drum = reinterpret_cast<const MovingImage*>(e[static_cast<size_t>(row - 1)]);
            EXPECT_EQ(drum->min_x, 0.0);
            EXPECT_EQ(drum->max_x, 0.0);
            EXPECT_EQ(drum->min_y, 0.0);
            EXPECT_EQ(drum->max_y, row != TENS ? 10.0 : facts.nav ? 1.0 : 3.0) << "row " << row;
            EXPECT_NE(drum->callback_y, nullptr);
            EXPECT_EQ(drum->source_y.token, 0u);
        }
        const double mhz_top = facts.nav ? 108 : 118;
        for (auto [row, top, bottom] : {std::tuple{KHZ_KNOB, 0.0, 50.0}, {MHZ_KNOB, mhz_top, mhz_top + 4}}) {
            const auto* knob = reinterpret_cast<const Needle*>(e[static_cast<size_t>(row - 1)]);
            EXPECT_EQ(knob->header.pivot_x, 15);
            EXPECT_EQ(knob->header.pivot_y, 15);
            ASSERT_EQ(knob->point_count, 2u);
            EXPECT_EQ(knob->points[0].x, 98);
            EXPECT_EQ(knob->points[0].y, 46);
            EXPECT_EQ(knob->points[0].value, top);
            EXPECT_EQ(knob->points[1].x, 98);
            EXPECT_EQ(knob->points[1].y, 106);
            EXPECT_EQ(knob->points[1].value, bottom);
            EXPECT_NE(knob->callback, nullptr);
        }
        const struct {
            int row;
            double scale;
            uint32_t pictures;
            bool callback;
        } icons[] = {{LEADING_ONE, 0.0, 1, true},
                     {IDENT_SWITCH, 1.0, 2, facts.nav},
                     {POWER_SWITCH, 1.0, 2, true},
                     {LAMP, 1.0, 1, true}};
        for (const auto& want : icons) {
            const auto* icon = reinterpret_cast<const Icon*>(e[static_cast<size_t>(want.row - 1)]);
            EXPECT_EQ(icon->scale, want.scale) << "row " << want.row;
            EXPECT_EQ(icon->pictures, want.pictures) << "row " << want.row;
            EXPECT_EQ(icon->switch_mode, 0u);
            EXPECT_EQ(icon->offset, 0);
            EXPECT_EQ(icon->callback != nullptr, want.callback) << "row " << want.row;
        }
    }
}

// Child boxes are placed in face coordinates through their open parents. Every click
// area lies on the 249x141 face, except that the OFF area reaches 5 pixels below it.
TEST_F(RadioDeclarations, MouseListsNestAndTheirClickAreasLieOnTheFace) {
    for (const GaugeFacts& facts : kRadioGauges) {
        SCOPED_TRACE(facts.name);
        const MouseRect* rects = host.find_gauge(facts.name)->mouse_rects;
        std::vector<std::pair<int, int>> open;
        std::vector<uint32_t> parent_helps;
        std::vector<std::string> areas;
        int entries = 0;
        for (const MouseRect* r = rects; r->kind != MOUSE_END; ++r, ++entries) {
            ASSERT_LT(entries, 40) << "no end entry";
            const auto [ox, oy] = open.empty() ? std::pair{0, 0} : open.back();
            EXPECT_EQ(r->event_id, 0u);
            EXPECT_EQ(r->data, 0u);
            if (r->kind == MOUSE_PARENT) {
                open.push_back({ox + r->box_x, oy + r->box_y});
                parent_helps.push_back(r->help_id);
                EXPECT_EQ(r->cursor, -1);
            } else if (r->kind == MOUSE_PARENT_END) {
                ASSERT_FALSE(open.empty());
                open.pop_back();
            } else {
                ASSERT_EQ(r->kind, MOUSE_CHILD);
                EXPECT_NE(r->handler, nullptr);
                const bool knob = r->cursor == 1 || r->cursor == 2;
                EXPECT_EQ(r->mouse_flags, knob ? 0x20200000u : 0x20000000u);
                EXPECT_TRUE(knob || r->cursor == 5) << "cursor " << r->cursor;
                const int x = ox + r->box_x, y = oy + r->box_y;
                EXPECT_GE(x, 0);
                EXPECT_GE(y, 0);
                EXPECT_LE(x + r->box_w, 249);
                if (y + r->box_h > 141) areas.push_back(std::to_string(x) + "," + std::to_string(y + r->box_h - 141));
            }
        }
        EXPECT_TRUE(open.empty()) << "unclosed parent";
        EXPECT_EQ(entries + 1, facts.nav ? 17 : 15);
        EXPECT_EQ(parent_helps,
                  (std::vector<uint32_t>{facts.help_gauge, facts.help_readout, facts.help_knob, facts.help_knob}));
        EXPECT_EQ(areas, std::vector<std::string>{"10,5"}) << "only the OFF area overhangs, by 5 pixels";
        EXPECT_EQ(rects[0].box_w, 0);
        EXPECT_EQ(rects[0].box_h, 0);
    }
}
