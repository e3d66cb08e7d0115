// The one grammar for the numbers a user types, on the command line and in scenarios:
// decimal (12, -3.5, 2.5e3) or hexadecimal behind 0x (0x2175), with an optional sign
// before either; no blanks, no "inf" or "nan". Each reader says what is wrong in words
// a message can quote ("\"x\" is not a number").
#pragma once

#include <string>
#include <string_view>

template <class T>
struct Parsed {
    T value{};
    std::string problem;  // empty: value holds the number
    bool ok() const { return problem.empty(); }
};

// Any finite number of the grammar.
Parsed<double> parse_number(std::string_view text);
// A whole number from min to max ("12", "0x1F", "1e3"; not "1.5"). Exact for min and
// max within +-2^53, where every whole number is exact as a double; beyond, a number is
// taken as the double it reads as, and one that reads as 2^63 or more is out of range.
Parsed<long long> parse_whole(std::string_view text, long long min, long long max);
