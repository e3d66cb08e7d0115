// JSON text for the trace and the dump.
#include "host/trace/json_writer.h"

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

// Quote, backslash, newline and tab escaped by name, other bytes below 0x20 (and 0x7F)
// as \u00XX; bytes from 0x80 up kept (UTF-8) or escaped one by one (bytes as Latin-1).
// Runs of bytes that need no escape are copied at once.
void append_quoted(std::string& out, std::string_view text, bool keep_high_bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += '"';
    size_t plain = 0;  // the start of the bytes not yet copied, which need no escape
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != 0x7F && c != '"' && c != '\\' && (c < 0x80 || keep_high_bytes)) continue;
        out.append(text.data() + plain, i - plain);
        plain = i + 1;
        switch (c) {
            case '"': out.append("\\\"", 2); break;
            case '\\': out.append("\\\\", 2); break;
            case '\n': out.append("\\n", 2); break;
            case '\t': out.append("\\t", 2); break;
            default: {
                const char escaped[6] = {'\\', 'u', '0', '0', kDigits[c >> 4], kDigits[c & 0xF]};
                out.append(escaped, sizeof escaped);
            }
        }
    }
    out.append(text.data() + plain, text.size() - plain);
    out += '"';
}

}  // namespace

void append_json_utf8(std::string& out, std::string_view utf8) { append_quoted(out, utf8, true); }

void append_json_quoted(std::string& out, std::string_view text) { append_quoted(out, text, false); }

std::string json_quote(std::string_view text) {
    std::string out;
    append_json_quoted(out, text);
    return out;
}

void append_integer(std::string& out, int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

void append_hex(std::string& out, uint32_t value) {
    char buffer[16] = {'"', '0', 'x'};
    const auto result = std::to_chars(buffer + 3, buffer + sizeof buffer - 1, value, 16);
    for (char* c = buffer + 3; c != result.ptr; ++c)
        if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    *result.ptr = '"';
    out.append(buffer, result.ptr + 1);
}

void append_real(std::string& out, double value) {
    if (value == 0.0) {  // no "-0": both builds agree on zero
        out += '0';
        return;
    }
    // to_chars in the general format at a precision writes what printf's %.12g writes.
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 12);
    out.append(buffer, result.ptr);
}

std::string format_real(double value) {
    std::string out;
    append_real(out, value);
    return out;
}
