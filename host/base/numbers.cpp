// The number grammar: the text is checked character by character first, so the
// conversions below only ever see what the grammar allows.
#include "host/base/numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_hex_digit(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Counts the characters of a run of digits from at.
size_t digits(std::string_view text, size_t at, bool (*digit)(char)) {
    size_t n = 0;
    while (at + n < text.size() && digit(text[at + n])) ++n;
    return n;
}

bool is_hex(std::string_view unsigned_text) {
    return unsigned_text.size() > 2 && unsigned_text[0] == '0' && (unsigned_text[1] == 'x' || unsigned_text[1] == 'X');
}

// DIGITS[.DIGITS][e[+-]DIGITS] or .DIGITS[e...]: at least one digit before the exponent.
bool is_decimal(std::string_view text) {
    size_t at = digits(text, 0, is_digit);
    size_t mantissa = at;
    if (at < text.size() && text[at] == '.') {
        const size_t fraction = digits(text, at + 1, is_digit);
        mantissa += fraction;
        at += 1 + fraction;
    }
    if (mantissa == 0) return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        const size_t exponent = digits(text, at, is_digit);
        if (exponent == 0) return false;
        at += exponent;
    }
    return at == text.size();
}

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

Parsed<double> parse_number(std::string_view text) {
    Parsed<double> out;
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view body = !text.empty() && (text[0] == '-' || text[0] == '+') ? text.substr(1) : text;
    const std::string copy(body);  // the C conversions want a terminated string
    if (is_hex(body) && digits(body, 2, is_hex_digit) == body.size() - 2) {
        errno = 0;
        const unsigned long long magnitude = std::strtoull(copy.c_str() + 2, nullptr, 16);
        if (errno == ERANGE) return out.problem = quoted(text) + " is too large", out;
        out.value = static_cast<double>(magnitude);
    } else if (is_decimal(body)) {
        out.value = std::strtod(copy.c_str(), nullptr);
        if (!std::isfinite(out.value)) return out.problem = quoted(text) + " is too large", out;
    } else {
        return out.problem = quoted(text) + " is not a number", out;
    }
    if (negative) out.value = -out.value;
    return out;
}

Parsed<long long> parse_whole(std::string_view text, long long min, long long max) {
    Parsed<long long> out;
    const Parsed<double> number = parse_number(text);
    if (!number.ok()) return out.problem = number.problem, out;
    if (std::floor(number.value) != number.value) return out.problem = quoted(text) + " is not a whole number", out;
    // A max near the top of long long reads as 2^63 as a double, which long long cannot
    // hold: what reads as 2^63 or more is out of range whatever max says.
    constexpr double kTwoTo63 = 9223372036854775808.0;
    if (number.value < static_cast<double>(min) || number.value > static_cast<double>(max) || number.value >= kTwoTo63)
        return out.problem =
                   quoted(text) + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")",
               out;
    out.value = static_cast<long long>(number.value);
    return out;
}
