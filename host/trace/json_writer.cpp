// JSON text for the trace and the dump.
#include "host/trace/json_writer.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "host/base/utf8.h"

void JsonWriter::item() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (depth_ == 0) return;
    if (first_[depth_ - 1])
        first_[depth_ - 1] = false;
    else
        out_ += separator_[depth_ - 1];
}

void JsonWriter::open(char bracket, const char* separator) {
    item();
    if (depth_ == kMaxDepth) std::abort();  // deeper than anything the host writes
    out_ += bracket;
    first_[depth_] = true;
    separator_[depth_] = separator;
    ++depth_;
}

void JsonWriter::close(char bracket) {
    if (depth_ > 0) --depth_;
    out_ += bracket;
}

JsonWriter& JsonWriter::begin_object() {
    open('{', ",");
    return *this;
}

JsonWriter& JsonWriter::end_object() {
    close('}');
    return *this;
}

JsonWriter& JsonWriter::begin_array(const char* separator) {
    open('[', separator);
    return *this;
}

JsonWriter& JsonWriter::end_array() {
    close(']');
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    item();
    append_json_quoted(out_, name);
    out_ += ':';
    after_key_ = true;
    return *this;
}

JsonWriter& JsonWriter::num(int64_t value) {
    item();
    append_integer(out_, value);
    return *this;
}

JsonWriter& JsonWriter::real(double value) {
    item();
    append_real(out_, value);
    return *this;
}

JsonWriter& JsonWriter::text(std::string_view value) {
    item();
    append_json_quoted(out_, value);
    return *this;
}

JsonWriter& JsonWriter::hex(uint32_t value) {
    item();
    append_hex(out_, value);
    return *this;
}

JsonWriter& JsonWriter::flag(bool value) {
    item();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::utf8(std::string_view value) {
    item();
    append_json_utf8(out_, utf8_text(value));
    return *this;
}

JsonWriter& JsonWriter::finite(double value) {
    if (std::isfinite(value)) return real(value);
    item();
    out_ += "null";
    return *this;
}

JsonWriter& JsonWriter::raw(std::string_view json) {
    item();
    out_ += json;
    return *this;
}

namespace {

// Per byte: 0 plain, 1 escaped, 2 escaped unless bytes from 0x80 up are kept.
constexpr auto kEscapes = [] {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 0x20; ++c) table[static_cast<size_t>(c)] = 1;
    table['"'] = table['\\'] = table[0x7F] = 1;
    for (int c = 0x80; c < 0x100; ++c) table[static_cast<size_t>(c)] = 2;
    return table;
}();

// Quote, backslash, newline and tab escaped by name, other bytes below 0x20 (and 0x7F)
// as \u00XX; bytes from 0x80 up kept (UTF-8) or escaped one by one (bytes as Latin-1).
// Runs of bytes that need no escape are copied at once.
char* put_quoted(char* out, std::string_view text, bool keep_high_bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const uint8_t escaped = keep_high_bytes ? 1 : 2;  // the highest table entry that escapes
    *out++ = '"';
    size_t plain = 0;  // the start of the bytes not yet copied, which need no escape
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (kEscapes[c] == 0 || kEscapes[c] > escaped) continue;
        out = put_bytes(out, text.substr(plain, i - plain));
        plain = i + 1;
        *out++ = '\\';
        switch (c) {
            case '"': *out++ = '"'; break;
            case '\\': *out++ = '\\'; break;
            case '\n': *out++ = 'n'; break;
            case '\t': *out++ = 't'; break;
            default:
                *out++ = 'u';
                *out++ = '0';
                *out++ = '0';
                *out++ = kDigits[c >> 4];
                *out++ = kDigits[c & 0xF];
        }
    }
    out = put_bytes(out, text.substr(plain));
    *out++ = '"';
    return out;
}

void append_quoted(std::string& out, std::string_view text, bool keep_high_bytes) {
    const size_t at = out.size();
    out.resize(at + kMostQuotedBytes(text.size()));
    char* end = put_quoted(out.data() + at, text, keep_high_bytes);
    out.resize(static_cast<size_t>(end - out.data()));
}

template <class Put, class Value>
void append_number(std::string& out, Put put, Value value) {
    char buffer[kMostNumberBytes];
    out.append(buffer, put(buffer, value));
}

// Integers of up to 12 digits are what %.12g writes of them: no exponent, no point.
constexpr double kLargestPlainWhole = 1e12;

}  // namespace

char* put_json_quoted(char* out, std::string_view text) { return put_quoted(out, text, false); }

void append_json_utf8(std::string& out, std::string_view utf8) { append_quoted(out, utf8, true); }

void append_json_quoted(std::string& out, std::string_view text) { append_quoted(out, text, false); }

std::string json_quote(std::string_view text) {
    std::string out;
    append_json_quoted(out, text);
    return out;
}

char* put_integer(char* out, int64_t value) { return std::to_chars(out, out + kMostNumberBytes, value).ptr; }

char* put_hex(char* out, uint32_t value) {
    out[0] = '"';
    out[1] = '0';
    out[2] = 'x';
    char* end = std::to_chars(out + 3, out + kMostNumberBytes - 1, value, 16).ptr;
    for (char* c = out + 3; c != end; ++c)
        if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    *end++ = '"';
    return end;
}

char* put_real(char* out, double value) {
    if (value == 0.0) {  // no "-0": both builds agree on zero
        *out = '0';
        return out + 1;
    }
    // Most values a gauge gives are whole (a frequency in kHz, a code, a flag): those
    // are written as integers, which is what %.12g makes of them and far quicker.
    if (value > -kLargestPlainWhole && value < kLargestPlainWhole) {
        const auto whole = static_cast<int64_t>(value);
        if (static_cast<double>(whole) == value) return put_integer(out, whole);
    }
    // to_chars in the general format at a precision writes what printf's %.12g writes.
    return std::to_chars(out, out + kMostNumberBytes, value, std::chars_format::general, 12).ptr;
}

void append_integer(std::string& out, int64_t value) { append_number(out, put_integer, value); }

void append_hex(std::string& out, uint32_t value) { append_number(out, put_hex, value); }

void append_real(std::string& out, double value) { append_number(out, put_real, value); }

std::string format_real(double value) {
    std::string out;
    append_real(out, value);
    return out;
}
