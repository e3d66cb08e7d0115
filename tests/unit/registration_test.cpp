// The registration plate as a panel author uses it: the text, colour and typeface come
// from the parameter string the panel configuration gives the gauge.
#include <algorithm>
#include <cstring>
#include <string>

#include "tests/unit/host_fixture.h"

namespace {

class RegistrationPlate : public HostTest {
protected:
    StringElement* plate() {
        GaugeHeader* gauge = host.find_gauge("Registration");
        return reinterpret_cast<StringElement*>((*gauge->elements)->children[0]);
    }

    // Places the plate with these parameters, draws it once and returns the text shown.
    std::string shown(const std::optional<std::string>& parameters) {
        const int id = place("Registration", parameters);
        host.frame(id);
        return host.placement(id)->elements.at(1).text;
    }

    static uint32_t rgb(uint32_t red, uint32_t green, uint32_t blue) { return red | green << 8 | blue << 16; }
    static uint32_t red_of(uint32_t colour) { return colour & 0xFF; }
    static uint32_t green_of(uint32_t colour) { return colour >> 8 & 0xFF; }
    static uint32_t blue_of(uint32_t colour) { return colour >> 16 & 0xFF; }

    void TearDown() override { EXPECT_TRUE(host.errors().empty()) << host.errors().front(); }
};

TEST_F(RegistrationPlate, WithoutParametersItShowsN700MSInTheDeclaredWhiteArial) {
    EXPECT_EQ(shown(std::nullopt), "N700MS");
    EXPECT_EQ(plate()->text_colour, 0xFFFFFFu);
    EXPECT_STREQ(plate()->font_name, "Arial");
}

TEST_F(RegistrationPlate, TextIsWhatFollowsALeadingTUpToTheFirstSpace) {
    struct Case {
        const char* parameters;
        const char* text;
    };
    const Case cases[] = {
        {"tG-ABCD", "G-ABCD"},
        {"tG_ABCD", "G ABCD"},             // '_' shows as a space
        {"tA_B_C", "A B C"},               // every one of them
        {"t", ""},                         // an empty plate
        {"xtG-ABCD", "N700MS"},            // the t must come first
        {"TG-ABCD", "N700MS"},             // lower case only
        {"", "N700MS"},                    // an empty string
        {"tD-EFGH r255 g0 b0", "D-EFGH"},  // options behind the space are not shown
        {"tA/_B", "A/_B"},                 // a '_' behind a comment mark stays
        {"tG/ABCD r0", "G/ABCD "},         // the space stands behind a comment mark: not cut
        {"tABCDEFGHIJ", "ABCDEFG"},        // the host lays out 7 characters
    };
    for (const Case& c : cases) EXPECT_EQ(shown(c.parameters), c.text) << "parameters \"" << c.parameters << "\"";
}

TEST_F(RegistrationPlate, TextNeverOverrunsTheHostsBufferOfCharCountCharacters) {
    // The whole rest of a long string would not fit the host's 8 bytes
    const std::string text = shown("t" + std::string(300, 'Q') + " r1");
    EXPECT_EQ(text, std::string(plate()->char_count, 'Q'));
    const Placement* placed = host.placement("Registration");
    const auto string = std::find_if(placed->elements.begin(), placed->elements.end(),
                                     [](const ElementState& s) { return s.element->kind == ELEMENT_STRING; });
    ASSERT_NE(string, placed->elements.end());
    EXPECT_EQ(string->text_buffer.size(), plate()->char_count + 1);
}

TEST_F(RegistrationPlate, ColourKeywordsBehindTheFirstSpaceSetTheirBytes) {
    shown("tD-EFGH r255 g0 b0");
    EXPECT_EQ(plate()->text_colour, 0x0000FFu);  // red
    shown("tD-EFGH b12 r34 g56");
    EXPECT_EQ(plate()->text_colour, rgb(34, 56, 12));
    // Out of range is 255, no digits is 0
    shown("tD-EFGH g999 b-1 rX");
    EXPECT_EQ(plate()->text_colour, rgb(0, 255, 255));
    shown("tD-EFGH r99999999999999999999");
    EXPECT_EQ(red_of(plate()->text_colour), 255u);
}

TEST_F(RegistrationPlate, AnAbsentColourKeywordKeepsThatByteOfTheRecord) {
    shown("tD-EFGH r10 g20 b30");
    shown("tD-EFGH r0");
    EXPECT_EQ(plate()->text_colour, rgb(0, 20, 30));
}

TEST_F(RegistrationPlate, OptionsBehindACommentMarkOrWithoutASpaceAreIgnored) {
    shown("tD-EFGH r1 g2 b3");
    const uint32_t before = plate()->text_colour;
    shown("tD-EFGH # r0");
    shown("tG/ABCD r0");
    shown("tD-EFGHr0");  // no space: no options
    EXPECT_EQ(plate()->text_colour, before);
}

TEST_F(RegistrationPlate, TypefaceRunsToTheEndAndIsCutOutOfTheParameterString) {
    // Given a colour, when the plate is placed with a typeface whose name holds an r
    // and a space
    shown("tD-EFGH r1 g2 b3");
    const std::string text = shown("tD-EFGH fCourier New");
    // then the typeface is set, the colour is left alone, the text is unchanged and
    // the host's parameter string now ends where the f stood
    EXPECT_STREQ(plate()->font_name, "Courier New");
    EXPECT_EQ(plate()->text_colour, rgb(1, 2, 3));
    EXPECT_EQ(text, "D-EFGH");
    EXPECT_STREQ(host.placements().back()->parameters->data(), "tD-EFGH ");
}

TEST_F(RegistrationPlate, TypefaceAndColourTogether) {
    shown("tD-EFGH g7 r5 b9 fTimes New Roman");
    EXPECT_STREQ(plate()->font_name, "Times New Roman");
    EXPECT_EQ(plate()->text_colour, rgb(5, 7, 9));
}

TEST_F(RegistrationPlate, ALongTypefaceNameIsCutTo31CharactersAndTheRecordAroundItIsKept) {
    const std::string name = "Extraordinarily Long Typeface Name Beyond Any Font";
    shown("tD-EFGH f" + name);
    EXPECT_EQ(std::string(plate()->font_name), name.substr(0, 31));
    EXPECT_EQ(plate()->font_weight, 400u);
    EXPECT_EQ(plate()->font_charset, 1u);
    EXPECT_EQ(plate()->draw_flags, 0x25u);
    EXPECT_EQ(plate()->char_count, 7u);
}

}  // namespace
