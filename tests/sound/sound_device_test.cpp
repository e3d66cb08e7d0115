// The sound device layer as the radio gauges use it: the host's window, the device, the
// click player and the rule that the first failure silences the module for good.
#include "host/core/panel_host.h"
#include "host/core/services.h"
#include "tests/sound/sound_fixture.h"
#include "tests/unit/trace_json.h"

using HostWindow = SoundTest;
using SoundDeviceLayer = SoundTest;
using ClickPlayer = SoundTest;
using HostFolderPath = SoundTest;
using HostSoundTrace = SoundTest;

// Which window the module looks for, by the program that runs it.
struct ProgramCase {
    const char* program;
    const char* window_class;
};

constexpr ProgramCase PROGRAM_CASES[] = {
    // program's full file name                 class expected
    {"C:\\FS2002\\FS2002.exe", "FS98MAIN"},      // 3rd character '2'
    {"D:\\Games\\CFS2\\CFS2.exe", "MSCFSMAIN"},  // 4th character '2'
    {"C:\\Sim\\ABC2.exe", "MSCFSMAIN"},          // 4th '2' without a leading 'C'
    {"C:\\Sim\\Combat.exe", "MSCFSMAIN"},        // 1st character 'C'
    {"C:\\Sim\\combat.exe", "FS98MAIN"},         // lower-case 'c' counts as nothing
    {"C:\\Sim\\FS.exe", "FS98MAIN"},             // two characters, not starting with 'C'
    {"C:\\Sim\\C.exe", "MSCFSMAIN"},             // one character, 'C'
    {"C:\\Cfs2\\fs98.exe", "FS98MAIN"},          // the folder does not count
    {"C:\\Sim\\fly.C2xx.exe", "FS98MAIN"},       // nor do dots before the extension: "fly.C2xx"
    {"C:CFS.EXE", "MSCFSMAIN"},                  // a drive without a folder
    {"/opt/fs/xy2", "FS98MAIN"},                 // slashes and no extension
    {"", "FS98MAIN"},                            // no name at all
};

TEST_F(HostWindow, ClassFollowsTheProgramsBareName) {
    const WindowHandle fs98 = main_window;
    const WindowHandle mscfs = backend_add_window("MSCFSMAIN");
    for (const ProgramCase& c : PROGRAM_CASES) {
        backend_set_program_name(c.program);
        EXPECT_EQ(find_host_window(), std::string(c.window_class) == "FS98MAIN" ? fs98 : mscfs)
            << c.program << " should look for " << c.window_class;
    }
}

TEST_F(HostWindow, IsNoneWhenTheProgramHasNoWindowOfItsClass) {
    backend_set_program_name("C:\\CFS2\\CFS2.exe");
    EXPECT_EQ(find_host_window(), nullptr);
}

TEST_F(SoundDeviceLayer, OpensOnTheHostWindowWithNormalCooperation) {
    PlatformSoundDevice* device = nullptr;
    EXPECT_EQ(sound_open(find_host_window(), &device), 1u);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(backend_device_window(device), main_window);
    EXPECT_EQ(sound_enabled, 1u);
    sound_release_device(&device);
    EXPECT_EQ(device, nullptr);
}

TEST_F(SoundDeviceLayer, WithoutADeviceTheModuleFallsSilent) {
    backend_fail(PlatformOp::sound_create);
    PlatformSoundDevice* device = nullptr;
    EXPECT_EQ(sound_open(main_window, &device), 0u);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
}

TEST_F(SoundDeviceLayer, RefusedCooperationSilencesGivesTheDeviceBackAndLaterOpensStillWork) {
    // Given a program whose window class does not exist: no window is found.
    backend_set_program_name("C:\\CFS2\\CFS2.exe");
    RadioClick first{};
    radio_click_open(first, MODULE);
    EXPECT_EQ(first.window, nullptr);
    EXPECT_EQ(first.sound.device, nullptr);
    EXPECT_EQ(first.sound.click, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    EXPECT_EQ(backend_live_objects().devices, 0u) << "the refused device is given back";
    // A later install still creates its device, but loads nothing and plays nothing.
    PlatformSoundDevice* later = nullptr;
    EXPECT_EQ(sound_open(main_window, &later), 1u);
    EXPECT_NE(later, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    PlatformSoundBuffer* click = nullptr;
    EXPECT_EQ(load_click_resource(main_window, later, &click, CLICK_RESOURCE_ID, MODULE), 0u);
    EXPECT_EQ(calls_of(PlatformOp::find_resource), 0u);
    sound_release_device(&later);
    radio_click_close(first);
}

TEST_F(ClickPlayer, ThrowingASwitchPlaysTheGaugesClickOnce) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    radio_click_play(radio);
    ASSERT_EQ(backend_play_log().size(), 1u);
    const PlayRecord& played = backend_play_log()[0];
    EXPECT_EQ(played.buffer, view_of(radio.sound.click).id);
    EXPECT_EQ(played.device, backend_device_id(radio.sound.device));
    EXPECT_EQ(played.flags, 0u) << "once, not looping";
    EXPECT_EQ(played.position, 0u);
    radio_click_close(radio);
    EXPECT_EQ(radio.sound.click, nullptr);
    EXPECT_EQ(radio.sound.device, nullptr);
}

TEST_F(ClickPlayer, AFailedPlayOnOneGaugeSilencesEveryOther) {
    RadioClick com{};
    RadioClick nav{};
    radio_click_open(com, MODULE);
    radio_click_open(nav, MODULE);
    backend_fail(PlatformOp::buffer_play);
    EXPECT_EQ(sound_play(&com.sound.click, 0), 0u);
    EXPECT_EQ(com.sound.click, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    EXPECT_EQ(sound_play(&nav.sound.click, 0), 0u);
    EXPECT_NE(nav.sound.click, nullptr) << "a silent layer does not touch the reference";
    EXPECT_EQ(calls_of(PlatformOp::buffer_play), 1u) << "only the failed play reached the platform";
    EXPECT_TRUE(backend_play_log().empty());
    // Killing both gauges while silent still gives their devices and buffer back.
    radio_click_close(com);
    radio_click_close(nav);
    EXPECT_EQ(sound_enabled, 0u) << "releasing never brings the sound back";
}

TEST_F(ClickPlayer, ReleasingNoneDoesNothingAndReleasingTwiceReleasesOnce) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    PlatformSoundBuffer* none = nullptr;
    sound_release_buffer(&none);
    EXPECT_EQ(backend_live_objects().buffers, 1u);
    sound_release_buffer(&radio.sound.click);
    sound_release_buffer(&radio.sound.click);
    EXPECT_EQ(backend_live_objects().buffers, 0u);
    radio_click_close(radio);
    radio_click_close(radio);
    EXPECT_EQ(sound_enabled, 1u);
}

TEST_F(ClickPlayer, PlayingAClickThatNeverLoadedIsRefusedQuietly) {
    RadioClick radio{};
    radio.sound.device = nullptr;
    EXPECT_EQ(sound_play(&radio.sound.click, 0), 0u);
    EXPECT_EQ(sound_enabled, 1u);
    EXPECT_EQ(calls_of(PlatformOp::buffer_play), 0u);
}

TEST_F(ClickPlayer, VolumePanFrequencyAndPositionPassThroughInThePlatformsUnits) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    PlatformSoundBuffer** click = &radio.sound.click;
    EXPECT_EQ(sound_frequency(click), 22050u) << "the click's own rate until set";
    EXPECT_EQ(sound_set_volume(click, -1500), 1u);
    EXPECT_EQ(sound_set_pan(click, 2500), 1u);
    EXPECT_EQ(sound_set_frequency(click, 11025), 1u);
    EXPECT_EQ(sound_set_position(click, 1000), 1u);
    EXPECT_EQ(sound_volume(click), -1500);
    EXPECT_EQ(sound_pan(click), 2500);
    EXPECT_EQ(sound_frequency(click), 11025u);
    EXPECT_EQ(sound_position(click), 1000u);
    const BufferView view = view_of(*click);
    EXPECT_EQ(view.volume, -1500);
    EXPECT_EQ(view.pan, 2500);
    EXPECT_EQ(sound_enabled, 1u);
    radio_click_close(radio);
}

TEST_F(ClickPlayer, IsPlayingIsOneWhilePlayingAndZeroAfterStopWhateverElseTheStatusSays) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(sound_is_playing(&radio.sound.click), 0u);
    radio_click_play(radio);
    EXPECT_EQ(sound_is_playing(&radio.sound.click), 1u);
    EXPECT_EQ(sound_stop(&radio.sound.click), 1u);
    EXPECT_EQ(sound_is_playing(&radio.sound.click), 0u);
    radio_click_close(radio);
}

TEST_F(ClickPlayer, AValueThePlatformRefusesSilencesTheModuleAndDropsTheBuffer) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(sound_set_volume(&radio.sound.click, 100), 0u) << "volume above 0 dB";
    EXPECT_EQ(radio.sound.click, nullptr);
    EXPECT_EQ(backend_live_objects().buffers, 0u);
    EXPECT_EQ(sound_enabled, 0u);
    radio_click_close(radio);
}

TEST_F(ClickPlayer, AFailedReaderReadsZeroAndSilences) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(sound_set_frequency(&radio.sound.click, 30000), 1u);
    backend_fail(PlatformOp::buffer_frequency);
    EXPECT_EQ(sound_frequency(&radio.sound.click), 0u);
    EXPECT_EQ(radio.sound.click, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    radio_click_close(radio);
}

TEST_F(ClickPlayer, ASilentLayerAnswersZeroWithoutTouchingThePlatform) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    sound_enabled = 0;
    const size_t calls = backend_calls().size();
    PlatformSoundBuffer** click = &radio.sound.click;
    EXPECT_EQ(sound_play(click, 0), 0u);
    EXPECT_EQ(sound_stop(click), 0u);
    EXPECT_EQ(sound_is_playing(click), 0u);
    EXPECT_EQ(sound_position(click), 0u);
    EXPECT_EQ(sound_set_position(click, 0), 0u);
    EXPECT_EQ(sound_volume(click), 0);
    EXPECT_EQ(sound_set_volume(click, 0), 0u);
    EXPECT_EQ(sound_pan(click), 0);
    EXPECT_EQ(sound_set_pan(click, 0), 0u);
    EXPECT_EQ(sound_frequency(click), 0u);
    EXPECT_EQ(sound_set_frequency(click, 0), 0u);
    EXPECT_EQ(backend_calls().size(), calls);
    EXPECT_NE(*click, nullptr);
    radio_click_close(radio);
}

TEST_F(HostFolderPath, PutsTheFileNameInTheProgramsFolder) {
    char* path = host_folder_path("Gauges\\click.wav");
    ASSERT_NE(path, nullptr);
    EXPECT_STREQ(path, "C:\\Program Files\\Microsoft Games\\FS2002\\Gauges\\click.wav");
    host_folder_path_free(path);
}

TEST_F(HostFolderPath, ANameThatWouldNotFitIn259CharactersGivesNoneInsteadOfOverrunningItsBlock) {
    const std::string folder = "C:\\" + std::string(196, 'f') + "\\";  // 200 characters
    backend_set_program_name(folder + "FS2002.exe");
    const std::string fits(59, 'n');
    char* path = host_folder_path(fits.c_str());
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(std::string(path), folder + fits);
    host_folder_path_free(path);
    EXPECT_EQ(host_folder_path((fits + "n").c_str()), nullptr);
}

TEST_F(HostFolderPath, GivesNoneWhenNoBlockCanBeHad) {
    backend_fail(PlatformOp::memory_alloc);
    EXPECT_EQ(host_folder_path("x.wav"), nullptr);
    EXPECT_EQ(sound_enabled, 1u) << "not a sound operation";
}

TEST_F(HostSoundTrace, SoundOperationsInACallbackShowInThatHostsTrace) {
    PanelHost host;
    RadioClick radio{};
    {
        ActiveHost active(&host);
        radio_click_open(radio, MODULE);
        radio_click_play(radio);
        radio_click_close(radio);
    }
    const Records calls = trace_records(host.trace(), "sound");
    ASSERT_EQ(calls.size(), 9u) << host.trace().joined();
    EXPECT_EQ(calls[0]["call"], "create");
    EXPECT_EQ(calls[1]["call"], "cooperate");
    EXPECT_EQ(calls[1]["ok"], 1);
    EXPECT_EQ(calls[2]["call"], "create_buffer");
    EXPECT_EQ(calls[2]["value"], 3828);
    EXPECT_EQ(calls[6]["call"], "play");
    EXPECT_EQ(calls[8]["call"], "release_device");
}

TEST_F(HostSoundTrace, TheHostProvidesTheMainWindowItsProgramNameAsksFor) {
    backend_reset();
    backend_set_program_name("/usr/local/bin/panelhost");
    EXPECT_EQ(find_host_window(), nullptr);
    PanelHost host;
    EXPECT_NE(find_host_window(), nullptr);
}
