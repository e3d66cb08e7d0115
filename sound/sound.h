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
// Opens the default sound device with normal cooperation on window. 1 or 0.
uint32_t sound_open(WindowHandle window, PlatformSoundDevice** device);
// Releases the device and clears the reference (nothing while the layer is silent).
void sound_release_device(PlatformSoundDevice** device);

// Plays the buffer (flags 0: once). 1 or 0; a failure clears the reference.
uint32_t sound_play(PlatformSoundBuffer** buffer, uint32_t flags);
// Releases the buffer and clears the reference (nothing while the layer is silent).
void sound_release_buffer(PlatformSoundBuffer** buffer);

// Loads WAVE resource resource_id of the module into a new buffer on device. Returns
// the number of sample bytes loaded, or 0.
uint32_t load_click_resource(WindowHandle window, PlatformSoundDevice* device, PlatformSoundBuffer** buffer,
                             uint32_t resource_id, ModuleInstance instance);
