// The seam between the module and the operating system. Each operation is declared
// once here with its contract and implemented twice: platform/win32/ for the real
// Windows build, platform/portable/ for the Linux build and its tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque handles of the operating system's objects, as the module holds them.
struct PlatformWindow;
struct PlatformSoundDevice;
struct PlatformSoundBuffer;
using WindowHandle = PlatformWindow*;
// The module's instance handle, as the host's install call hands it over.
using ModuleInstance = uintptr_t;

// Formats one text argument with a printf-style pattern holding a single "%s" into out,
// writing at most out_size bytes including the terminating zero (longer results are
// cut). Returns the number of characters written, without the zero.
int platform_format_text(char* out, size_t out_size, const char* pattern, const char* arg);
