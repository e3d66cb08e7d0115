#include "host/base/utf8.h"

#include <cstdint>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Code page 1252's bytes 0x80..0x9F; 0 where the page defines none.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

void append(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool control(char32_t c) { return (c < 0x20 && c != '\t') || c == 0x7F || (c >= 0x80 && c < 0xA0); }

// The code point starting at bytes[at] and its length, or length 0 when the bytes there
// are not well-formed UTF-8 (overlong forms, surrogates and values past U+10FFFF included).
std::pair<char32_t, size_t> decode(std::string_view bytes, size_t at) {
    const auto b0 = static_cast<unsigned char>(bytes[at]);
    if (b0 < 0x80) return {b0, 1};
    size_t length = 0;
    char32_t c = 0, least = 0;
    if ((b0 & 0xE0) == 0xC0)
        length = 2, c = b0 & 0x1Fu, least = 0x80;
    else if ((b0 & 0xF0) == 0xE0)
        length = 3, c = b0 & 0x0Fu, least = 0x800;
    else if ((b0 & 0xF8) == 0xF0)
        length = 4, c = b0 & 0x07u, least = 0x10000;
    else
        return {0, 0};
    if (at + length > bytes.size()) return {0, 0};
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(bytes[at + i]);
        if ((b & 0xC0) != 0x80) return {0, 0};
        c = c << 6 | (b & 0x3Fu);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
    return {c, length};
}

}  // namespace

bool valid_utf8(std::string_view bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = decode(bytes, at).second;
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string utf8_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    if (valid_utf8(bytes)) {
        for (size_t at = 0; at < bytes.size();) {
            const auto [c, length] = decode(bytes, at);
            append(out, control(c) ? kReplacement : c);
            at += length;
        }
        return out;
    }
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        char32_t c = b;
        if (b >= 0x80 && b < 0xA0) c = kHighControls[b - 0x80] ? kHighControls[b - 0x80] : kReplacement;
        append(out, control(c) ? kReplacement : c);
    }
    return out;
}
