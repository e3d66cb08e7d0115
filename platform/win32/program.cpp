// The program that runs the module and its windows, on Windows.
#include <windows.h>

#include "platform/platform.h"

uint32_t platform_program_file_name(char* out, uint32_t out_size) {
    if (out_size == 0) return 0;
    // A null module names the executable. A name that fills the buffer was cut, and
    // older systems leave it without its zero: both count as failure.
    const DWORD length = GetModuleFileNameA(nullptr, out, out_size);
    if (length == 0 || length >= out_size) {
        out[0] = '\0';
        return 0;
    }
    out[length] = '\0';
    return length;
}

WindowHandle platform_find_window(const char* class_name) {
    return reinterpret_cast<WindowHandle>(FindWindowA(class_name, nullptr));
}
