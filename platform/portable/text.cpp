// Text formatting on the portable build.
#include <cstdio>

#include "platform/platform.h"

int platform_format_text(char* out, size_t out_size, const char* pattern, const char* arg) {
    if (out_size == 0) return 0;
#if defined(__clang__) || defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#endif
    int n = std::snprintf(out, out_size, pattern, arg);
#if defined(__clang__) || defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (n < 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(n) < out_size ? n : static_cast<int>(out_size - 1);
}
