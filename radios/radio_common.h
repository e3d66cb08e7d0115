// Pieces every radio gauge shares: the lit-digit step of the digit callbacks and the
// gauge's own click player.
#pragma once

#include <cstdint>

#include "sdk/records.h"
#include "sound/sound.h"

// A radio gauge's private click player: its sound device with the loaded click, the
// host window it was opened on and the module instance handle the install brought.
struct RadioClick {
    SoundDevice sound;
    WindowHandle window;
    ModuleInstance instance;
};

inline constexpr uint32_t CLICK_RESOURCE_ID = 10;

// Lights the element's digits (bit 0x4000) while power_on is set, darkens them
// otherwise, and always clears the on-screen bit 0x80000000.
void light_digit(ElementHeader* element, int32_t power_on);

// Install: keeps the instance handle, finds the host window, opens the device on it
// and loads the click. Results are not acted on: a failure silences the sound layer.
void radio_click_open(RadioClick& click, uintptr_t instance);
// Plays the click once.
void radio_click_play(RadioClick& click);
// Kill: releases the click buffer, then the device.
void radio_click_close(RadioClick& click);
