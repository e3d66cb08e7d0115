// The ADF receiver head as a pilot uses it: reading the tuned frequency, turning the
// three knobs, throwing the power and mode switches, hearing the station's identifier.
#include "host/sim/adf_xpdr.h"
#include "tests/unit/radio_head_fixture.h"

namespace {

// Element numbers in drawing order, and where the click areas are on the face.
enum AdfElement {
    UNITS_DRUM = 2,
    TENS_DRUM,
    HUNDREDS_DRUM,
    THOUSANDS,
    HUNDREDS_KNOB,
    TENS_KNOB,
    UNITS_KNOB,
    MODE,
    LAMP,
    POWER
};

constexpr Spot POWER_OFF{15, 130}, POWER_ON{15, 100}, MODE_ADF{175, 105}, MODE_TONE{200, 100};
constexpr Spot HUNDREDS_DOWN{90, 75}, HUNDREDS_UP{105, 75}, TENS_DOWN{140, 75}, TENS_UP{157, 75};
constexpr Spot UNITS_DOWN{192, 75}, UNITS_UP{210, 75};

constexpr uint32_t IDENT_OFF = 65836, IDENT_ON = 65841;

class AdfRadio : public RadioHeadTest {
protected:
    void SetUp() override {
        RadioHeadTest::SetUp();
        place_head("Old_ADF");
    }

    void tune(uint32_t word, uint32_t extended = 0) {
        vars().set_u32(16, word);
        vars().set_u32(18, extended);
    }
    void switch_on() { press(POWER_ON); }
    uint32_t khz() { return SimAdf::frequency_khz(vars()); }
    bool ident_audio() {
        const SimAdf* adf = host.aircraft().system<SimAdf>();
        return adf && adf->ident_audio_on();
    }
};

TEST_F(AdfRadio, ReadoutAndKnobsShow345) {
    tune(0x0345);
    switch_on();
    frame();
    EXPECT_EQ(value(THOUSANDS), 0.0);  // picture 360, the figure 0
    EXPECT_EQ(value(HUNDREDS_DRUM), 3.0);
    EXPECT_EQ(value(TENS_DRUM), 4.0);
    EXPECT_EQ(value(UNITS_DRUM), 5.0);
    EXPECT_EQ(value(HUNDREDS_KNOB), 3.0);
    EXPECT_EQ(value(TENS_KNOB), 4.0);
    EXPECT_EQ(value(UNITS_KNOB), 5.0);
}

TEST_F(AdfRadio, ExtendedWordOf256OrMoreLightsTheThousandsFigure) {
    switch_on();
    for (uint32_t extended : {256u, 257u, 0x1000u}) {
        tune(0x0600, extended);
        frame();
        EXPECT_EQ(value(THOUSANDS), 1.0) << extended;
        EXPECT_EQ(value(HUNDREDS_DRUM), 6.0) << extended;
        EXPECT_EQ(value(HUNDREDS_KNOB), 16.0) << extended;
    }
    tune(0x0600, 255);
    frame();
    EXPECT_EQ(value(THOUSANDS), 0.0);
    EXPECT_EQ(value(HUNDREDS_KNOB), 6.0);
}

TEST_F(AdfRadio, EveryReadOfTheFrequencyTakesTheFrequencyWordThenTheExtendedWord) {
    tune(0x0345);
    host.trace().clear();
    frame();
    const std::vector<uint32_t> tokens = tokens_read();
    // The update and the seven readout and knob callbacks each read the pair.
    ASSERT_EQ(tokens.size(), 16u);
    for (size_t i = 0; i < tokens.size(); i += 2) {
        EXPECT_EQ(tokens[i], 16u) << i;
        EXPECT_EQ(tokens[i + 1], 18u) << i;
    }
}

TEST_F(AdfRadio, FourthNibbleOfTheFrequencyWordIsNotMasked) {
    // 0x1345: the hundreds "digit" is 0x13 = 19, so the frequency reads as 1945.
    tune(0x1345);
    frame();
    EXPECT_EQ(value(THOUSANDS), 1.0);
    EXPECT_EQ(value(HUNDREDS_DRUM), 9.0);
    EXPECT_EQ(value(TENS_DRUM), 4.0);
    EXPECT_EQ(value(UNITS_DRUM), 5.0);
    EXPECT_EQ(value(HUNDREDS_KNOB), 19.0);
}

struct HundredsBound {
    uint32_t word, extended;
    bool up_sends, down_sends;
};

TEST_F(AdfRadio, HundredsKnobStopsAt16xxGoingUpAnd1xxGoingDown) {
    const HundredsBound cases[] = {
        // word   ext  up     down        frequency
        {0x0600, 256, false, true},  // 1600
        {0x0599, 256, true, true},   // 1599
        {0x0999, 0, true, true},     // 999
        {0x0200, 0, true, true},     // 200
        {0x0199, 0, true, false},    // 199
        {0x0100, 0, true, false},    // 100
    };
    switch_on();
    for (const HundredsBound& c : cases) {
        tune(c.word, c.extended);
        frame();
        EXPECT_EQ(sent_by(HUNDREDS_UP), c.up_sends ? Events{65648} : Events{}) << std::hex << c.word;
        tune(c.word, c.extended);
        frame();
        EXPECT_EQ(sent_by(HUNDREDS_DOWN), c.down_sends ? Events{65666} : Events{}) << std::hex << c.word;
    }
}

TEST_F(AdfRadio, HundredsUpFrom999CarriesIntoTheThousands) {
    tune(0x0999);
    switch_on();
    frame();
    press(HUNDREDS_UP);
    EXPECT_EQ(khz(), 1099u);
    EXPECT_EQ(vars().u32(18), 0x100u);
    frame();
    EXPECT_EQ(value(THOUSANDS), 1.0);
    EXPECT_EQ(value(HUNDREDS_KNOB), 10.0);
}

TEST_F(AdfRadio, HundredsBoundIsJudgedOnTheFrequencyLastRead) {
    tune(0x0600, 256);
    switch_on();
    frame();
    tune(0x0500, 256);  // retuned by the host, not yet read by the gauge
    EXPECT_EQ(sent_by(HUNDREDS_UP), Events{});
}

TEST_F(AdfRadio, TensAndUnitsKnobsTurnTheirDigitWithWrapAndNoCarry) {
    tune(0x0390);
    switch_on();
    frame();
    EXPECT_EQ(sent_by(TENS_UP), Events{65649});
    EXPECT_EQ(khz(), 300u);
    EXPECT_EQ(sent_by(TENS_DOWN), Events{65667});
    EXPECT_EQ(khz(), 390u);
    EXPECT_EQ(sent_by(UNITS_DOWN), Events{65668});
    EXPECT_EQ(khz(), 399u);
    EXPECT_EQ(sent_by(UNITS_UP), Events{65650});
    EXPECT_EQ(khz(), 390u);
}

TEST_F(AdfRadio, HostWrapsTheHundredsBetween1xxAnd17xx) {
    tune(0x0150);
    host.host_event(65666, 0);
    EXPECT_EQ(khz(), 1750u);
    EXPECT_EQ(vars().u32(16), 0x0750u);
    host.host_event(65648, 0);
    EXPECT_EQ(khz(), 150u);
    EXPECT_EQ(vars().u32(18), 0u);
}

TEST_F(AdfRadio, PoweredOffTheKnobsSendNothingAndTheDigitsGoDark) {
    tune(0x0500);
    switch_on();
    frame();
    for (int k : {UNITS_DRUM, TENS_DRUM, HUNDREDS_DRUM, THOUSANDS}) EXPECT_TRUE(lit(k)) << k;
    EXPECT_EQ(value(LAMP), 1.0);
    EXPECT_EQ(value(POWER), 1.0);

    press(POWER_OFF);
    for (Spot s : {HUNDREDS_UP, HUNDREDS_DOWN, TENS_UP, TENS_DOWN, UNITS_UP, UNITS_DOWN})
        EXPECT_EQ(sent_by(s), Events{}) << s.x;
    EXPECT_EQ(khz(), 500u);
    frame();
    for (int k : {UNITS_DRUM, TENS_DRUM, HUNDREDS_DRUM, THOUSANDS}) EXPECT_FALSE(lit(k)) << k;
    for (int k : {HUNDREDS_KNOB, TENS_KNOB, UNITS_KNOB}) EXPECT_EQ(flags(k), 0x83u | IMAGE_ON_SCREEN) << k;
    EXPECT_EQ(value(LAMP), 0.0);
    EXPECT_EQ(value(POWER), 0.0);
}

TEST_F(AdfRadio, DigitCallbacksClearTheOnScreenBitTheHostSet) {
    switch_on();
    frame();
    host.trace().clear();
    frame();  // the host set 0x80000000 after the first frame; the callbacks clear it
    const Records changes = ops("flags");
    ASSERT_EQ(changes.size(), 4u);
    for (const Json& change : changes) EXPECT_EQ(change["flags"], "0x4083") << change;
}

struct IdentCase {
    bool power, tone;
    std::vector<uint32_t> per_frame;  // mode switch first, then the power switch
    bool audio;
};

TEST_F(AdfRadio, SwitchPicturesReassertTheIdentAudioAtEveryEvaluation) {
    const IdentCase cases[] = {
        {false, false, {IDENT_OFF, IDENT_OFF}, false},
        {false, true, {IDENT_OFF}, false},  // only the power switch speaks
        {true, false, {IDENT_OFF}, false},  // only the mode switch speaks
        {true, true, {IDENT_ON, IDENT_ON}, true},
    };
    for (const IdentCase& c : cases) {
        press(c.power ? POWER_ON : POWER_OFF);
        press(c.tone ? MODE_TONE : MODE_ADF);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(sent_in_a_frame(), c.per_frame) << c.power << c.tone << " frame " << i;
        EXPECT_EQ(value(MODE), c.tone ? 1.0 : 0.0);
        EXPECT_EQ(value(POWER), c.power ? 1.0 : 0.0);
        EXPECT_EQ(ident_audio(), c.audio) << c.power << c.tone;
    }
}

TEST_F(AdfRadio, SwitchesClickOnlyWhenTheyMove) {
    host.trace().clear();
    press(POWER_OFF);  // already off after install
    press(MODE_ADF);   // already at ADF
    EXPECT_EQ(clicks_played(), 0);
    press(POWER_ON);
    press(POWER_ON);
    press(MODE_TONE);
    press(MODE_TONE);
    EXPECT_EQ(clicks_played(), 2);
    EXPECT_EQ(sent(), Events{});  // the handlers send nothing; the pictures do
    press(MODE_ADF);
    press(POWER_OFF);
    EXPECT_EQ(clicks_played(), 4);
}

TEST_F(AdfRadio, ReinstalledAfterAKillStartsOffAtAdfAndSilencesTheIdent) {
    switch_on();
    press(MODE_TONE);
    frame();
    ASSERT_TRUE(ident_audio());
    host.remove(head);

    host.trace().clear();
    place_head("Old_ADF");
    EXPECT_EQ(sent(), Events{IDENT_OFF});
    EXPECT_FALSE(ident_audio());
    frame();
    EXPECT_EQ(value(POWER), 0.0);
    EXPECT_EQ(value(MODE), 0.0);
    EXPECT_EQ(value(LAMP), 0.0);
}

}  // namespace
