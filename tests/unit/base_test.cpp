// The host's base: the one number grammar and errors and notes in one shape.
#include <gtest/gtest.h>

#include <cstdint>

#include <sstream>

#include "host/base/diagnostics.h"
#include "host/base/numbers.h"
#include "host/base/utf8.h"

TEST(NumberGrammar, DecimalAndHexadecimalWithASign) {
    const struct {
        const char* text;
        double value;
    } good[] = {
        {"12", 12.0},   {"-3.5", -3.5},     {"+7", 7.0},     {".5", 0.5},      {"5.", 5.0},   {"2.5e3", 2500.0},
        {"1E-2", 0.01}, {"0x2175", 8565.0}, {"0XfF", 255.0}, {"-0x10", -16.0}, {"010", 10.0},  // decimal, not octal
    };
    for (const auto& g : good) {
        const Parsed<double> n = parse_number(g.text);
        EXPECT_TRUE(n.ok()) << g.text << ": " << n.problem;
        EXPECT_EQ(n.value, g.value) << g.text;
    }
    for (const char* bad :
         {"", "x", "-", ".", "1e", "0x", "0x1p3", " 1", "1 ", "inf", "nan", "1,5", "0x12g", "--1", "1e999"}) {
        const Parsed<double> n = parse_number(bad);
        EXPECT_FALSE(n.ok()) << "\"" << bad << "\" read as " << n.value;
    }
    EXPECT_EQ(parse_number("x").problem, "\"x\" is not a number");
    EXPECT_EQ(parse_number("1e999").problem, "\"1e999\" is too large");
}

TEST(NumberGrammar, WholeNumbersAreRangeChecked) {
    EXPECT_EQ(parse_whole("0xFFFFFFFF", 0, 4294967295).value, 4294967295);
    EXPECT_EQ(parse_whole("1e3", 0, 1000).value, 1000);
    EXPECT_EQ(parse_whole("-5", -5, 5).value, -5);
    EXPECT_EQ(parse_whole("1.5", 0, 9).problem, "\"1.5\" is not a whole number");
    EXPECT_EQ(parse_whole("0x100000000", 0, 4294967295).problem, "\"0x100000000\" is out of range (0 to 4294967295)");
    EXPECT_EQ(parse_whole("-6", -5, 5).problem, "\"-6\" is out of range (-5 to 5)");
    EXPECT_EQ(parse_whole("0xFFFFFFFFFFFFFFFFF", 0, 9).problem, "\"0xFFFFFFFFFFFFFFFFF\" is too large");
}

TEST(NumberGrammar, WholeAtTheTopOfLongLongIsOutOfRangeNotOverflowed) {
    // Found by fuzzing the page's trace request (after=09223372036854775807): the text
    // reads as 2^63, which passed a max of INT64_MAX and then overflowed the conversion.
    for (const char* text : {"9223372036854775807", "09223372036854775807", "0x8000000000000000", "1e19"})
        EXPECT_FALSE(parse_whole(text, 0, INT64_MAX).ok()) << text;
    EXPECT_EQ(parse_whole("9223372036854774784", 0, INT64_MAX).value, 9223372036854774784);  // 2^63 - 1024
    EXPECT_EQ(parse_whole("-9223372036854775808", INT64_MIN, 0).value, INT64_MIN);
}

TEST(Diagnostics, OneShapeWithOrWithoutAPlace) {
    Diagnostics d;
    d.error("panel.cfg", 7, "unknown gauge");
    d.note("panel.cfg", 0, "read");
    d.error("no module loaded");
    EXPECT_FALSE(d.ok());
    EXPECT_EQ(d.error_count(), 2);
    EXPECT_EQ(d.errors(), (std::vector<std::string>{"panel.cfg:7: unknown gauge", "no module loaded"}));
    EXPECT_EQ(d.notes(), (std::vector<std::string>{"panel.cfg: note: read"}));
    std::ostringstream printed;
    printed << d;
    EXPECT_EQ(printed.str(), "panel.cfg:7: unknown gauge\npanel.cfg: note: read\nno module loaded\n");
}

TEST(Diagnostics, MergingGivesPlacelessItemsTheCallersPlace) {
    Diagnostics placing;
    placing.error("unknown gauge \"X\"");
    placing.note("a.png", 0, "wrote");
    Diagnostics all;
    all.merge(placing, "flight.scn", 4);
    EXPECT_EQ(all.errors(), std::vector<std::string>{"flight.scn:4: unknown gauge \"X\""});
    EXPECT_EQ(all.notes(), std::vector<std::string>{"a.png: note: wrote"});
    EXPECT_EQ(all.error_count(), 1);
    Diagnostics notes_only;
    notes_only.note("only a note");
    all.merge(notes_only);
    EXPECT_EQ(all.error_count(), 1);
    EXPECT_EQ(all.items().back().str(), "note: only a note");
}

// Text of files others wrote, before cairo or JSON sees it: UTF-8 stays, anything else
// is read as code page 1252, and control characters never pass.
TEST(Utf8Text, Utf8StaysCodePage1252IsConvertedControlsAreReplaced) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"Main Panel", "Main Panel"},
        {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"},  // valid UTF-8
        {"Caf\xE9 \x80", "Caf\xC3\xA9 \xE2\x82\xAC"},              // cp1252 e-acute, euro
        {"a\x81"
         "b",
         "a\xEF\xBF\xBD"
         "b"},  // a byte cp1252 leaves undefined
        {"tab\tand\x01"
         "bell\x7F",
         "tab\tand\xEF\xBF\xBD"
         "bell\xEF\xBF\xBD"},                              // controls in either reading
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                  // overlong '/': not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},  // a surrogate: not UTF-8
        {"\xF0\x9F\x9B\xA9", "\xF0\x9F\x9B\xA9"},          // four bytes, valid
        {"\xE2\x82", "\xC3\xA2\xE2\x80\x9A"},              // cut short: cp1252
    };
    for (const auto& c : cases) EXPECT_EQ(utf8_text(c.in), c.out) << c.in;
}
