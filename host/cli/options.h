// CLI11 options read with the host's number grammar (host/base/numbers.h), so every
// number on the command line is written the same way as in scenarios; CLI11's own
// conversions (which take "010" as octal) are not used. A wrong value names its option:
// `--frames: "x" is not a number`.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "host/base/numbers.h"

// A check that the text is a whole number from min to max.
inline CLI::Validator whole_number_check(long long min, long long max) {
    return CLI::Validator([min, max](std::string& text) { return parse_whole(text, min, max).problem; }, "");
}

// A check that one of the readers `std::string reader(const std::string&, T&)` (empty
// when the text reads) takes the text.
template <class T>
CLI::Validator reader_check(std::string (*reader)(const std::string&, T&)) {
    return CLI::Validator(
        [reader](std::string& text) {
            T unused{};
            return reader(text, unused);
        },
        "");
}

// An option holding a whole number from min to max.
template <class Int>
CLI::Option* add_whole_option(CLI::App& app, const std::string& name, Int& target, long long min, long long max,
                              const std::string& description) {
    return app
        .add_option_function<std::string>(
            name,
            [&target, min, max](const std::string& text) {
                target = static_cast<Int>(parse_whole(text, min, max).value);
            },
            description)
        ->check(whole_number_check(min, max))
        ->type_name("N");
}

// A repeatable option (each occurrence one value) read into a list by reader.
template <class T>
CLI::Option* add_repeated_option(CLI::App& app, const std::string& name, std::vector<T>& target,
                                 std::string (*reader)(const std::string&, T&), const std::string& description) {
    return app
        .add_option_function<std::vector<std::string>>(
            name,
            [&target, reader](const std::vector<std::string>& words) {
                for (const std::string& word : words) reader(word, target.emplace_back());
            },
            description)
        ->check(reader_check(reader))
        ->allow_extra_args(false);
}
