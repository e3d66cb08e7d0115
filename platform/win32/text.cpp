// Text formatting on Windows, with USER32's formatter (no C runtime needed).
#include <windows.h>

#include "platform/platform.h"

int platform_format_text(char* out, size_t out_size, const char* pattern, const char* arg) {
    // The formatter writes at most 1024 bytes; format there first, then copy what fits.
    char wide[1025];
    int n = wsprintfA(wide, pattern, arg);
    if (out_size == 0) return 0;
    if (n < 0) n = 0;
    size_t count = static_cast<size_t>(n) < out_size ? static_cast<size_t>(n) : out_size - 1;
    for (size_t i = 0; i < count; ++i) out[i] = wide[i];
    out[count] = '\0';
    return static_cast<int>(count);
}
