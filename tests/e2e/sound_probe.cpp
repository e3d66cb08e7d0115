// Runs the sound layer and the click loader on real Windows sound (DirectSound under
// Wine in the tests): a main window of class "FS98MAIN", a device on it, resource 10 of
// this program loaded into a buffer, played and given back. Prints what it saw, one
// "name=value" per line, and exits 1 when something is not as expected.
//   sound_probe            the click loads, plays and is given back; the layer stays on
//   sound_probe missing    resource 11 does not exist: the layer falls silent
//   sound_probe nowindow   only reports what opening a device without a window gives
#include <windows.h>

#include <mmsystem.h>  // needs windows.h first

#include <dsound.h>  // needs mmsystem.h first
#include <cstdio>
#include <cstring>

#include "sound/sound.h"

namespace {

int failures = 0;

void expect(const char* what, long long seen, long long wanted) {
    std::printf("%s=%lld\n", what, seen);
    if (seen != wanted) {
        std::printf("  expected %lld\n", wanted);
        ++failures;
    }
}

HWND make_main_window() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "FS98MAIN";
    RegisterClassA(&window_class);
    return CreateWindowA("FS98MAIN", "sound probe", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                         window_class.hInstance, nullptr);
}

// The buffer as DirectSound describes it, against the click's own samples.
void check_buffer(PlatformSoundBuffer* buffer, ModuleInstance instance) {
    auto* ds_buffer = reinterpret_cast<IDirectSoundBuffer*>(buffer);
    DSBCAPS caps{};
    caps.dwSize = sizeof caps;
    expect("caps_ok", SUCCEEDED(ds_buffer->GetCaps(&caps)), 1);
    expect("buffer_bytes", caps.dwBufferBytes, 3828);
    expect("buffer_flags_asked", (caps.dwFlags & 0x80E0u) == 0x80E0u, 1);
    WAVEFORMATEX format{};
    DWORD written = 0;
    expect("format_ok", SUCCEEDED(ds_buffer->GetFormat(&format, sizeof format, &written)), 1);
    expect("format_tag", format.wFormatTag, 1);
    expect("channels", format.nChannels, 1);
    expect("samples_per_second", format.nSamplesPerSec, 22050);
    expect("bits_per_sample", format.wBitsPerSample, 16);
    HRSRC found = FindResourceA(reinterpret_cast<HMODULE>(instance), MAKEINTRESOURCEA(10), "WAVE");
    const auto* file =
        static_cast<const uint8_t*>(LockResource(LoadResource(reinterpret_cast<HMODULE>(instance), found)));
    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    if (SUCCEEDED(ds_buffer->Lock(0, 3828, &part1, &bytes1, &part2, &bytes2, 0))) {
        expect("samples_match", file != nullptr && bytes1 == 3828 && std::memcmp(part1, file + 44, 3828) == 0, 1);
        ds_buffer->Unlock(part1, bytes1, part2, bytes2);
    } else {
        expect("lock_ok", 0, 1);
    }
}

int run_click(WindowHandle window, ModuleInstance instance) {
    SoundDevice sound{};
    expect("open", sound_open(window, &sound.device), 1);
    expect("loaded", load_click_resource(window, sound.device, &sound.click, 10, instance), 3828);
    if (sound.click == nullptr) return 1;
    check_buffer(sound.click, instance);
    expect("position", sound_position(&sound.click), 0);
    expect("play", sound_play(&sound.click, 0), 1);
    expect("playing", sound_is_playing(&sound.click), 1);
    Sleep(300);
    expect("set_volume", sound_set_volume(&sound.click, -600), 1);
    expect("volume", sound_volume(&sound.click), -600);
    expect("set_pan", sound_set_pan(&sound.click, 1000), 1);
    expect("pan", sound_pan(&sound.click), 1000);
    expect("set_frequency", sound_set_frequency(&sound.click, 11025), 1);
    expect("frequency", sound_frequency(&sound.click), 11025);
    expect("stop", sound_stop(&sound.click), 1);
    sound_release_buffer(&sound.click);
    sound_release_device(&sound.device);
    expect("released", sound.click == nullptr && sound.device == nullptr, 1);
    expect("sound_enabled", sound_enabled, 1);
    return failures == 0 ? 0 : 1;
}

int run_missing(WindowHandle window, ModuleInstance instance) {
    SoundDevice sound{};
    expect("open", sound_open(window, &sound.device), 1);
    expect("loaded", load_click_resource(window, sound.device, &sound.click, 11, instance), 0);
    expect("click_none", sound.click == nullptr, 1);
    expect("sound_enabled", sound_enabled, 0);
    expect("play", sound_play(&sound.click, 0), 0);
    sound_release_device(&sound.device);
    return failures == 0 ? 0 : 1;
}

// What the platform answers to a cooperation call without a window (reported, not judged).
int run_without_window() {
    PlatformSoundDevice* device = nullptr;
    std::printf("open_without_window=%u\n", sound_open(nullptr, &device));
    std::printf("sound_enabled=%u\n", sound_enabled);
    sound_release_device(&device);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const HWND main_window = make_main_window();
    expect("main_window", main_window != nullptr, 1);
    const WindowHandle window = find_host_window();
    expect("host_window_found", reinterpret_cast<HWND>(window) == main_window, 1);
    const ModuleInstance instance = reinterpret_cast<ModuleInstance>(GetModuleHandleA(nullptr));
    const char* mode = argc > 1 ? argv[1] : "";
    const int status = std::strcmp(mode, "missing") == 0    ? run_missing(window, instance)
                       : std::strcmp(mode, "nowindow") == 0 ? run_without_window()
                                                            : run_click(window, instance);
    std::printf("%s\n", status == 0 ? "probe passed" : "probe FAILED");
    DestroyWindow(main_window);
    return status;
}
