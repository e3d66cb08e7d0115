// Any platform call of a panel's life failing, one at a time: the radios go on working
// without sound, the module stays silent for good, and nothing is left behind.
#include <set>

#include "tests/sound/sound_fixture.h"

namespace {

// A panel's life with two radio gauges: both install, both click, a tour of the buffer
// operations, then both are killed.
void panel_life(RadioClick& com, RadioClick& nav) {
    radio_click_open(com, MODULE);
    radio_click_open(nav, MODULE);
    radio_click_play(com);
    radio_click_play(nav);
    PlatformSoundBuffer** click = &nav.sound.click;
    sound_set_volume(click, -600);
    sound_volume(click);
    sound_set_pan(click, -200);
    sound_pan(click);
    sound_set_frequency(click, 44100);
    sound_frequency(click);
    sound_is_playing(click);
    sound_stop(click);
    sound_set_position(click, 2);
    sound_position(click);
    radio_click_close(com);
    radio_click_close(nav);
}

// Calls a silent layer may still make: finding the window, opening a device, and the
// failing loader closing its file.
const std::set<PlatformOp> STILL_CALLED_WHEN_SILENT = {PlatformOp::program_file_name, PlatformOp::find_window,
                                                       PlatformOp::sound_create, PlatformOp::sound_cooperate,
                                                       PlatformOp::riff_close};

class PanelWithFaults : public SoundTest {
protected:
    void SetUp() override {
        SoundTest::SetUp();
        // A program whose only window is "MSCFSMAIN": losing its name loses the window.
        backend_reset();
        backend_set_program_name("D:\\CFS2\\CFS2.exe");
        main_window = backend_add_window("MSCFSMAIN");
    }

    std::vector<PlatformOp> life_without_faults() {
        RadioClick com{};
        RadioClick nav{};
        panel_life(com, nav);
        std::vector<PlatformOp> calls = backend_calls();
        EXPECT_EQ(sound_enabled, 1u);
        EXPECT_EQ(backend_play_log().size(), 2u);
        return calls;
    }
};

}  // namespace

TEST_F(PanelWithFaults, AnyFailingCallSilencesTheModuleForGoodAndLeavesNothingBehind) {
    const std::vector<PlatformOp> calls = life_without_faults();
    ASSERT_GE(calls.size(), 50u);
    std::set<PlatformOp> failed_ops;
    for (uint32_t k = 1; k <= calls.size(); ++k) {
        SetUp();
        backend_fail_call(k);
        RadioClick com{};
        RadioClick nav{};
        panel_life(com, nav);
        ASSERT_EQ(backend_failures().size(), 1u) << "call " << k;
        const PlatformOp failed = backend_failures()[0];
        failed_ops.insert(failed);
        SCOPED_TRACE("call " + std::to_string(k) + " (" + platform_op_name(failed) + ") failed");
        EXPECT_EQ(failed, calls[k - 1]);
        EXPECT_EQ(sound_enabled, 0u);
        // After the failure only window lookups and device opens reach the platform.
        const std::vector<PlatformOp>& made = backend_calls();
        for (size_t i = k; i < made.size(); ++i)
            EXPECT_TRUE(STILL_CALLED_WHEN_SILENT.count(made[i]) != 0) << platform_op_name(made[i]) << " after silence";
        EXPECT_TRUE(backend_live_objects().none()) << to_string(backend_live_objects());
        EXPECT_TRUE(backend_misuse().empty());
        // A later gauge installs and clicks without a sound and without touching a buffer.
        RadioClick later{};
        radio_click_open(later, MODULE);
        EXPECT_EQ(later.sound.click, nullptr);
        radio_click_play(later);
        radio_click_close(later);
        EXPECT_EQ(sound_enabled, 0u);
        EXPECT_EQ(calls_of(PlatformOp::find_resource),
                  static_cast<size_t>(std::count(made.begin(), made.begin() + k, PlatformOp::find_resource)))
            << "the later install's loader returned at once";
    }
    // Every kind of operation the life uses was made to fail at least once.
    EXPECT_EQ(failed_ops, std::set<PlatformOp>(calls.begin(), calls.end()));
}

TEST_F(PanelWithFaults, FailingTheSecondCallOfAnOperationSilencesTheSecondGauge) {
    backend_fail(PlatformOp::sound_create_buffer, 2);
    RadioClick com{};
    RadioClick nav{};
    radio_click_open(com, MODULE);
    radio_click_open(nav, MODULE);
    EXPECT_NE(com.sound.click, nullptr);
    EXPECT_EQ(nav.sound.click, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    radio_click_play(com);
    EXPECT_TRUE(backend_play_log().empty()) << "the first gauge is silenced too";
    radio_click_close(com);
    radio_click_close(nav);
}

// A host that runs for hours clicks thousands of times: the platform's logs keep only
// their latest entries, and a fault injected by overall call count still lands on the
// call it names after the log has dropped its older half.
TEST_F(SoundTest, LogsStayBoundedAndCallFaultsStillLandAfterManyPlays) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    ASSERT_NE(radio.sound.click, nullptr);
    for (size_t i = 0; i <= LOG_LIMIT; ++i) sound_play(&radio.sound.click, 0);
    EXPECT_LE(backend_calls().size(), LOG_LIMIT);
    EXPECT_LE(backend_play_log().size(), LOG_LIMIT);
    EXPECT_GE(backend_play_log().size(), LOG_LIMIT / 2);
    EXPECT_EQ(backend_calls().back(), PlatformOp::buffer_play);

    backend_fail_call(2);
    EXPECT_EQ(sound_play(&radio.sound.click, 0), 1u);
    EXPECT_EQ(sound_play(&radio.sound.click, 0), 0u) << "the second call from now on fails";
    EXPECT_EQ(backend_failures().back(), PlatformOp::buffer_play);
    sound_enabled = 1;
    radio_click_close(radio);
}
