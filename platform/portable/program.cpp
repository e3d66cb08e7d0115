// The program file name and top-level windows, as the host set them.
#include <cstring>

#include "platform/portable/backend_internal.h"

uint32_t platform_program_file_name(char* out, uint32_t out_size) {
    if (out_size == 0) return 0;
    out[0] = '\0';
    if (!backend_enter(PlatformOp::program_file_name)) return 0;
    const std::string name = backend_program_name();
    if (name.empty() || name.size() >= out_size) return 0;
    std::memcpy(out, name.c_str(), name.size() + 1);
    return static_cast<uint32_t>(name.size());
}

WindowHandle platform_find_window(const char* class_name) {
    if (!backend_enter(PlatformOp::find_window)) return nullptr;
    return backend_find_window(class_name);
}
