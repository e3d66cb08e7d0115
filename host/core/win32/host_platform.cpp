// The host's main window on Windows: a hidden top-level window of class "FS98MAIN",
// made once, on which the module's sound devices set their cooperation level; and the
// watch on sound plays.
#include <windows.h>

#include <mmsystem.h>  // needs windows.h first

#include <dsound.h>  // needs mmsystem.h first
#include <map>

#include "host/core/host_platform.h"

namespace {

constexpr const char* MAIN_WINDOW_CLASS = "FS98MAIN";

HWND main_window = nullptr;

HWND make_main_window() {
    WNDCLASSA window_class{};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = MAIN_WINDOW_CLASS;
    RegisterClassA(&window_class);
    return CreateWindowA(MAIN_WINDOW_CLASS, "panelhost", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64, nullptr, nullptr,
                         window_class.hInstance, nullptr);
}

// Plays are watched in DirectSound's own table of a secondary buffer's methods, which
// every secondary buffer of the process shares (the module's among them): its Play
// entry is pointed at watched_play, which plays and then reports.
using PlayMethod = HRESULT(WINAPI*)(IDirectSoundBuffer* buffer, DWORD reserved, DWORD priority, DWORD flags);
constexpr int kPlaySlot = 12;  // IUnknown (3), GetCaps ... Lock (9), then Play

PlayMethod original_play = nullptr;
SoundPlayWatcher play_watcher = nullptr;
std::map<IDirectSoundBuffer*, uint32_t> played_buffers;

HRESULT WINAPI watched_play(IDirectSoundBuffer* buffer, DWORD reserved, DWORD priority, DWORD flags) {
    const HRESULT result = original_play(buffer, reserved, priority, flags);
    if (play_watcher) {
        const auto at = played_buffers.try_emplace(buffer, static_cast<uint32_t>(played_buffers.size() + 1)).first;
        play_watcher({at->second, static_cast<uint32_t>(flags), SUCCEEDED(result)});
    }
    return result;
}

// Points the Play entry of the secondary buffers' method table at watched_play, through
// a buffer made for that on a device of the main window. False when there is no device.
bool hook_play() {
    IDirectSound* device = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &device, nullptr)) || device == nullptr) return false;
    bool hooked = false;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = 22050;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = 44100;
    DSBUFFERDESC description{};
    description.dwSize = sizeof description;
    description.dwFlags = DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPAN | DSBCAPS_CTRLFREQUENCY | DSBCAPS_GLOBALFOCUS;
    description.dwBufferBytes = 256;
    description.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (SUCCEEDED(device->SetCooperativeLevel(main_window, DSSCL_NORMAL)) &&
        SUCCEEDED(device->CreateSoundBuffer(&description, &buffer, nullptr)) && buffer != nullptr) {
        void** methods = *reinterpret_cast<void***>(buffer);
        DWORD was = 0;
        if (VirtualProtect(&methods[kPlaySlot], sizeof(void*), PAGE_READWRITE, &was)) {
            original_play = reinterpret_cast<PlayMethod>(methods[kPlaySlot]);
            methods[kPlaySlot] = reinterpret_cast<void*>(&watched_play);
            VirtualProtect(&methods[kPlaySlot], sizeof(void*), was, &was);
            hooked = true;
        }
        buffer->Release();
    }
    device->Release();
    return hooked;
}

}  // namespace

void prepare_host_platform() {
    if (main_window == nullptr || !IsWindow(main_window)) main_window = make_main_window();
}

bool watch_sound_plays(SoundPlayWatcher watcher) {
    prepare_host_platform();
    if (!original_play && !hook_play()) return false;
    play_watcher = watcher;
    return true;
}
