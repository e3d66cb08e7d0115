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
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out_.append(buffer, result.ptr);
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
    char buffer[16] = {'"', '0', 'x'};
    const auto result = std::to_chars(buffer + 3, buffer + sizeof buffer - 1, value, 16);
    for (char* c = buffer + 3; c != result.ptr; ++c)
        if (*c >= 'a' && *c <= 'f') *c = static_cast<char>(*c - 'a' + 'A');
    *result.ptr = '"';
    out_.append(buffer, result.ptr + 1);
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

void append_json_utf8(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20 || c == 0x7F) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04X", c);
            out += buffer;
        } else {
            out += ch;
        }
    }
    out += '"';
}

void append_json_quoted(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20 || c >= 0x7F) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04X", c);
                    out += buffer;
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

std::string json_quote(std::string_view text) {
    std::string out;
    append_json_quoted(out, text);
    return out;
}

void append_real(std::string& out, double value) {
    if (value == 0.0) {  // no "-0": both builds agree on zero
        out += '0';
        return;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    out += buffer;
}

std::string format_real(double value) {
    std::string out;
    append_real(out, value);
    return out;
}
