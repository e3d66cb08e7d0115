// What the portable platform's pieces share behind the host-facing API of backend.h.
#pragma once

#include <string>

#include "platform/portable/backend.h"

// Counts and logs one call of op. false when a fault is injected into it.
bool backend_enter(PlatformOp op);
// Records a misuse of the back end.
void backend_report_misuse(const std::string& what);
// Tells the sound observer about one sound call.
void backend_notify_sound(const char* call, uint32_t object, int64_t value, bool ok);
// A new id for a device or buffer.
uint32_t backend_next_id();
bool backend_window_exists(WindowHandle window);

// Each piece's part of reset and of the live count.
void sound_backend_reset();
void sound_backend_count(LiveObjects& live);
void resource_backend_reset();
void resource_backend_count(LiveObjects& live);
void riff_backend_count(LiveObjects& live);
void memory_backend_count(LiveObjects& live);
