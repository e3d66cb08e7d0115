// The transponder head as a pilot uses it: reading and dialling the squawk code,
// switching the set on and off, pressing IDENT.
#include "tests/unit/radio_head_fixture.h"

namespace {

enum XpdrElement {
    UNITS_KNOB = 2,
    TENS_KNOB,
    HUNDREDS_KNOB,
    THOUSANDS_KNOB,
    UNITS_DRUM,
    TENS_DRUM,
    HUNDREDS_DRUM,
    THOUSANDS_DRUM,
    IDENT,
    LAMP,
    POWER
};

constexpr Spot POWER_OFF{15, 130}, POWER_ON{15, 100}, IDENT_SWITCH{200, 110};

// A knob's two halves and the events the host expects from them.
struct Knob {
    const char* name;
    Spot down, up;
    uint32_t down_event, up_event;
    unsigned shift;  // the knob's digit in the code word
};
constexpr Knob KNOBS[] = {
    {"thousands", {80, 75}, {95, 75}, 66455, 65651, 12},
    {"hundreds", {120, 75}, {135, 75}, 66456, 65652, 8},
    {"tens", {160, 75}, {177, 75}, 66457, 65653, 4},
    {"units", {200, 75}, {218, 75}, 66458, 65654, 0},
};

class Transponder : public RadioHeadTest {
protected:
    void SetUp() override {
        RadioHeadTest::SetUp();
        place_head("Old_XPDR");
    }

    void squawk(uint32_t code) { vars().set_u32(38, code); }
    uint32_t code() { return vars().u32(38); }
};

TEST_F(Transponder, DrumsAndKnobsShow1200) {
    squawk(0x1200);
    press(POWER_ON);
    frame();
    EXPECT_EQ(value(THOUSANDS_DRUM), 1.0);
    EXPECT_EQ(value(HUNDREDS_DRUM), 2.0);
    EXPECT_EQ(value(TENS_DRUM), 0.0);
    EXPECT_EQ(value(UNITS_DRUM), 0.0);
    EXPECT_EQ(value(THOUSANDS_KNOB), 1.0);
    EXPECT_EQ(value(HUNDREDS_KNOB), 2.0);
    EXPECT_EQ(value(TENS_KNOB), 0.0);
    EXPECT_EQ(value(UNITS_KNOB), 0.0);
}

TEST_F(Transponder, Code7777PutsEveryKnobAtSeven) {
    squawk(0x7777);
    frame();
    for (int k = UNITS_KNOB; k <= THOUSANDS_DRUM; ++k) EXPECT_EQ(value(k), 7.0) << "element " << k;
}

TEST_F(Transponder, EveryKnobCallbackReadsTheCodeAfresh) {
    squawk(0x1234);
    host.trace().clear();
    frame();
    // The update, four knobs and four drums.
    EXPECT_EQ(tokens_read(), std::vector<uint32_t>(9, 38u));
}

TEST_F(Transponder, KnobHalvesDialTheirDigitWithWrapWithinZeroToSeven) {
    press(POWER_ON);
    for (const Knob& knob : KNOBS) {
        squawk(0x0000);
        EXPECT_EQ(sent_by(knob.up), Events{knob.up_event}) << knob.name;
        EXPECT_EQ(code(), 1u << knob.shift) << knob.name;
        squawk(0x0000);
        EXPECT_EQ(sent_by(knob.down), Events{knob.down_event}) << knob.name;
        EXPECT_EQ(code(), 7u << knob.shift) << knob.name;
        squawk(0x7777);
        press(knob.up);
        EXPECT_EQ(code(), 0x7777u & ~(0xFu << knob.shift)) << knob.name;
    }
}

TEST_F(Transponder, PoweredOffTheKnobsSendNothingTheDrumsGoDarkAndTheLampHides) {
    squawk(0x2345);
    press(POWER_ON);
    frame();
    for (int k = UNITS_DRUM; k <= THOUSANDS_DRUM; ++k) EXPECT_TRUE(lit(k)) << k;
    EXPECT_EQ(value(LAMP), 0.0);
    EXPECT_EQ(value(POWER), 1.0);

    press(POWER_OFF);
    for (const Knob& knob : KNOBS) {
        EXPECT_EQ(sent_by(knob.up), Events{}) << knob.name;
        EXPECT_EQ(sent_by(knob.down), Events{}) << knob.name;
    }
    EXPECT_EQ(code(), 0x2345u);
    frame();
    for (int k = UNITS_DRUM; k <= THOUSANDS_DRUM; ++k) EXPECT_FALSE(lit(k)) << k;
    for (int k = UNITS_KNOB; k <= THOUSANDS_KNOB; ++k) EXPECT_EQ(flags(k) & ~IMAGE_ON_SCREEN, 0x83u) << k;
    EXPECT_EQ(value(LAMP), -1.0);
    EXPECT_EQ(value(POWER), 0.0);
    EXPECT_EQ(value(THOUSANDS_DRUM), 2.0);  // still readable, only unlit
}

TEST_F(Transponder, IdentClicksWhateverThePowerAndChangesNothing) {
    for (Spot power : {POWER_OFF, POWER_ON}) {
        press(power);
        frame();
        host.trace().clear();
        press(IDENT_SWITCH);
        EXPECT_EQ(clicks_played(), 1);
        EXPECT_EQ(sent(), Events{});
        frame();
        EXPECT_EQ(value(IDENT), 0.0);
        EXPECT_EQ(value(POWER), power.y == POWER_ON.y ? 1.0 : 0.0);
    }
}

TEST_F(Transponder, PowerSwitchClicksOnlyWhenItMoves) {
    host.trace().clear();
    press(POWER_OFF);  // off since install
    EXPECT_EQ(clicks_played(), 0);
    press(POWER_ON);
    press(POWER_ON);
    EXPECT_EQ(clicks_played(), 1);
    press(POWER_OFF);
    EXPECT_EQ(clicks_played(), 2);
}

TEST_F(Transponder, NoPictureSendsAnEvent) {
    squawk(0x7000);
    press(POWER_ON);
    EXPECT_EQ(sent_in_a_frame(), Events{});
}

TEST_F(Transponder, ReinstalledAfterAKillStartsOffAndSendsNothing) {
    press(POWER_ON);
    frame();
    host.remove(head);
    host.trace().clear();
    place_head("Old_XPDR");
    EXPECT_EQ(sent(), Events{});
    frame();
    EXPECT_EQ(value(POWER), 0.0);
    EXPECT_EQ(value(LAMP), -1.0);
}

}  // namespace
