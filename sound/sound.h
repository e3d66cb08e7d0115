// The click player: a sound device per radio gauge on the host's main window, buffer
// operations that fall silent for good at the first failure, and the loader of the
// click from the module's WAVE resource.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// 1 while the sound layer works; the first failing sound operation clears it for the
// rest of the module's life.
extern uint32_t sound_enabled;

// One radio gauge's sound output: its device and the buffer holding the click.
struct SoundDevice {
    PlatformSoundDevice* device;
    PlatformSoundBuffer* click;
};

// The host's main window, found by the class its program name calls for, or null.
WindowHandle find_host_window();
// The window class find_host_window looks for, given the program's bare file name
// (no folder, no extension): "MSCFSMAIN" or "FS98MAIN".
const char* host_window_class(const char* bare_name);
// Opens the default sound device with normal cooperation on window. 1 or 0. A device
// still held in *device is released first.
uint32_t sound_open(WindowHandle window, PlatformSoundDevice** device);
// Releases the device and clears the reference (nothing when it is none).
void sound_release_device(PlatformSoundDevice** device);
// A new block of 260 bytes holding the drive and folder of the program that runs the
// module followed by file_name, or null when that does not fit in 259 characters or
// the block cannot be had. Free it with host_folder_path_free.
char* host_folder_path(const char* file_name);
void host_folder_path_free(char* path);

// Buffer operations. Each takes a reference to the caller's click field; while the layer
// is silent each returns 0 at once; the first platform failure silences the layer,
// releases the buffer and clears the reference. A reference of none returns 0.

// Plays the buffer (flags 0: once). 1 or 0.
uint32_t sound_play(PlatformSoundBuffer** buffer, uint32_t flags);
// Stops it. 1 or 0.
uint32_t sound_stop(PlatformSoundBuffer** buffer);
// 1 while it plays, else 0.
uint32_t sound_is_playing(PlatformSoundBuffer** buffer);
// The play position in bytes, or 0.
uint32_t sound_position(PlatformSoundBuffer** buffer);
// Moves the play position. 1 or 0.
uint32_t sound_set_position(PlatformSoundBuffer** buffer, uint32_t position);
// Volume, pan and frequency in the platform's units, read (0 on failure) or set (1 or 0).
int32_t sound_volume(PlatformSoundBuffer** buffer);
uint32_t sound_set_volume(PlatformSoundBuffer** buffer, int32_t volume);
int32_t sound_pan(PlatformSoundBuffer** buffer);
uint32_t sound_set_pan(PlatformSoundBuffer** buffer, int32_t pan);
uint32_t sound_frequency(PlatformSoundBuffer** buffer);
uint32_t sound_set_frequency(PlatformSoundBuffer** buffer, uint32_t frequency);
// Releases the buffer and clears the reference (nothing when it is none).
void sound_release_buffer(PlatformSoundBuffer** buffer);

// Loads WAVE resource resource_id of the module into a new buffer on device. Returns
// the number of sample bytes loaded, or 0.
uint32_t load_click_resource(WindowHandle window, PlatformSoundDevice* device, PlatformSoundBuffer** buffer,
                             uint32_t resource_id, ModuleInstance instance);
// The same, reading a RIFF WAVE file from disk.
uint32_t load_click_file(WindowHandle window, PlatformSoundDevice* device, PlatformSoundBuffer** buffer,
                         const char* file_name);
