// The one writer of JSON text in the host, used by the trace and the declarations dump:
// fields come out in the order they are written, commas are placed by the writer, and
// numbers look as the trace has always shown them (integers in decimal, reals with 12
// significant digits and "0" for zero, hexadecimal words as "0x..." strings), so that
// the Windows and Linux hosts write the same text for the same values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class JsonWriter {
public:
    explicit JsonWriter(std::string& out) : out_(out) {}

    // Containers. An array's items are parted by separator ("," or ",\n").
    JsonWriter& begin_object();
    JsonWriter& end_object();
    JsonWriter& begin_array(const char* separator = ",");
    JsonWriter& end_array();

    // A key inside an object; the next value written is its value.
    JsonWriter& key(std::string_view name);

    // Values: as items of an array, or after key().
    JsonWriter& num(int64_t value);
    JsonWriter& real(double value);
    JsonWriter& text(std::string_view value);
    JsonWriter& hex(uint32_t value);
    JsonWriter& flag(bool value);
    // Text for a reader that takes UTF-8 (the live page): made UTF-8 by utf8_text (a
    // cp1252 window title reads right) and written as such, not escaped byte by byte.
    JsonWriter& utf8(std::string_view value);
    // A real, or null where it is not finite (JSON has no infinity).
    JsonWriter& finite(double value);
    // Text already made JSON (a trace line): written as it is.
    JsonWriter& raw(std::string_view json);

    // Key and value in one.
    JsonWriter& num(std::string_view name, int64_t value) { return key(name).num(value); }
    JsonWriter& real(std::string_view name, double value) { return key(name).real(value); }
    JsonWriter& text(std::string_view name, std::string_view value) { return key(name).text(value); }
    JsonWriter& hex(std::string_view name, uint32_t value) { return key(name).hex(value); }
    JsonWriter& flag(std::string_view name, bool value) { return key(name).flag(value); }
    JsonWriter& utf8(std::string_view name, std::string_view value) { return key(name).utf8(value); }
    JsonWriter& finite(std::string_view name, double value) { return key(name).finite(value); }

private:
    static constexpr int kMaxDepth = 16;
    void item();  // the comma before an item, unless it is the first or follows a key
    void open(char bracket, const char* separator);
    void close(char bracket);

    std::string& out_;
    int depth_ = 0;
    bool after_key_ = false;
    bool first_[kMaxDepth] = {};
    const char* separator_[kMaxDepth] = {};
};

// Appends text as a JSON string literal, quotes included: quote, backslash, newline and
// tab escaped by name, every other byte below 0x20 or from 0x7F up as \u00XX.
void append_json_quoted(std::string& out, std::string_view text);
// The same for UTF-8 text, but for the bytes from 0x80 up: those are kept as they are.
void append_json_utf8(std::string& out, std::string_view utf8);
std::string json_quote(std::string_view text);
// Numbers the way the trace shows them: an integer in decimal; a hexadecimal word as a
// "0x..." string (capital digits); a real with 12 significant digits (as %.12g writes
// it), "0" for zero (no "-0").
void append_integer(std::string& out, int64_t value);
void append_hex(std::string& out, uint32_t value);
void append_real(std::string& out, double value);
std::string format_real(double value);

// The same, written at out, which has room enough (kMostQuotedBytes(n) for a text of n
// bytes, kMostNumberBytes for a number); each returns the end of what it wrote.
inline constexpr size_t kMostNumberBytes = 32;
constexpr size_t kMostQuotedBytes(size_t n) { return 2 + 6 * n; }
char* put_json_quoted(char* out, std::string_view text);
// Copies bytes to out: for the short texts of a line (an op, a key, a gauge's name) in
// a few moves, without the start-up cost a copy of unknown length has.
inline char* put_bytes(char* out, std::string_view bytes) {
    const char* from = bytes.data();
    const size_t n = bytes.size();
    char* const end = out + n;
    if (n < 8) {
        for (size_t i = 0; i < n; ++i) out[i] = from[i];
        return end;
    }
    // Moves of 8 that stay inside the text, the last ones ending where it ends (they may
    // overlap the ones before).
    for (size_t i = 0; i + 16 < n; i += 16) {
        std::memcpy(out + i, from + i, 8);
        std::memcpy(out + i + 8, from + i + 8, 8);
    }
    std::memcpy(out + (n > 16 ? n - 16 : 0), from + (n > 16 ? n - 16 : 0), 8);
    std::memcpy(end - 8, from + n - 8, 8);
    return end;
}
char* put_integer(char* out, int64_t value);
char* put_hex(char* out, uint32_t value);
char* put_real(char* out, double value);
