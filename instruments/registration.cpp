// Registration: the plate that prints the aircraft's registration. The parameter
// string gives the text behind a leading `t` (up to the first space, `_` shown as a
// space) and, behind the first space, the colour (`r`, `g`, `b`) and typeface (`f`).
#include <cstring>

#include "commands/param_commands.h"
#include "instruments/instruments.h"
#include "platform/platform.h"
#include "sdk/declare.h"

// The plate's string record names only the words it sets; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace declare;

constexpr const char* DEFAULT_REGISTRATION = "N700MS";
constexpr uint32_t COLOUR_BYTE_MAX = 255;
constexpr size_t PLATE_TEXT_CAPACITY = 128;

// The plate's text is composed and cut here before the part the host lays out is
// copied into the host's buffer. Longer texts are cut; the host shows only the first
// char_count characters of any text.
char plate_composed[PLATE_TEXT_CAPACITY];

size_t bounded_length(const char* text, size_t limit) {
    size_t length = 0;
    while (length < limit && text[length] != '\0') ++length;
    return length;
}

StringElement* plate_string_of(GaugeHeader* gauge) {
    if (!gauge || !gauge->elements || !*gauge->elements) return nullptr;
    ElementHeader* root = *gauge->elements;
    if (!root->children || !root->children[0] || root->children[0]->kind != ELEMENT_STRING) return nullptr;
    return reinterpret_cast<StringElement*>(root->children[0]);
}

// Copies the typeface name, cut to what font_name holds, zero-padded.
void set_font_name(StringElement* plate, const char* name) {
    std::memset(plate->font_name, 0, sizeof(plate->font_name));
    std::memcpy(plate->font_name, name, bounded_length(name, sizeof(plate->font_name) - 1));
}

// One colour byte: the number behind the keyword (decimal, read as atoi reads it),
// 255 for anything above 255 or below 0; the current byte when the keyword is absent.
uint32_t colour_byte(const char* options, const char* keyword, uint32_t colour, int shift) {
    const char* found = find_param_keyword(options, keyword);
    if (!found) return (colour >> shift) & 0xFFu;
    const int32_t value = read_param_int(found + 1);
    if (value < 0 || value > static_cast<int32_t>(COLOUR_BYTE_MAX)) return COLOUR_BYTE_MAX;
    return static_cast<uint32_t>(value);
}

// Reads the style keywords behind the first space of the parameter string into the
// plate's record. A typeface (`f`, running to the end of the string) is taken out of
// the host's string by ending the string at the `f`, so its letters never count as
// colour keywords.
void apply_plate_style(GaugeHeader* gauge) {
    StringElement* plate = plate_string_of(gauge);
    if (!plate || !gauge->parameters || gauge->parameters[0] == '\0') return;
    const char* space = find_param_keyword(gauge->parameters, " ");
    if (!space) return;
    char* options = gauge->parameters + (space - gauge->parameters) + 1;
    if (const char* font = find_param_keyword(options, "f")) {
        set_font_name(plate, font + 1);
        options[font - options] = '\0';
    }
    const uint32_t colour = plate->text_colour;
    const uint32_t red = colour_byte(options, "r", colour, 0);
    const uint32_t green = colour_byte(options, "g", colour, 8);
    const uint32_t blue = colour_byte(options, "b", colour, 16);
    plate->text_colour = red | green << 8 | blue << 16;
}

void TARVOLEN_CALLBACK registration_callback(GaugeHeader* gauge, uint32_t service, uintptr_t) {
    if (service == SERVICE_INSTALL) apply_plate_style(gauge);
}

// Composes the plate's text into plate_composed: the string behind a leading `t`, cut
// at the first space, each `_` shown as a space; "N700MS" without a leading `t`.
void compose_plate_text(const char* parameters) {
    const bool has_registration = parameters && find_param_keyword(parameters, "t") == parameters;
    platform_format_text(plate_composed, sizeof(plate_composed), "%s",
                         has_registration ? parameters + 1 : DEFAULT_REGISTRATION);
    if (const char* space = find_param_keyword(plate_composed, " ")) plate_composed[space - plate_composed] = '\0';
    while (const char* underscore = find_param_keyword(plate_composed, "_"))
        plate_composed[underscore - plate_composed] = ' ';
}

// The string element's callback: rebuilds the text and hands the host at most the
// char_count characters it lays out, with the terminating zero.
double TARVOLEN_CALLBACK plate_text(ElementHeader* element) {
    auto* plate = reinterpret_cast<StringElement*>(element);
    compose_plate_text(element->gauge ? element->gauge->parameters : nullptr);
    if (plate->text) {
        const size_t length = bounded_length(plate_composed, plate->char_count);
        std::memcpy(plate->text, plate_composed, length);
        plate->text[length] = '\0';
    }
    return plate->sources[0].value.f64;
}

constinit StringElement plate_string = {
    .header = element(ELEMENT_STRING, 0xFFFFFFFFu, 0, 0, 0x3, &registration_gauge, nullptr, nullptr),
    .box_w = 150,
    .box_h = 25,
    .text_colour = 0xFFFFFF,
    .back_colour = 0x000000,
    .highlight_colour = 0x5C5C5C,
    .font_name = "Arial",
    .font_weight = 400,
    .font_charset = 1,
    .draw_flags = 0x25,  // centred horizontally (0x1) and vertically (0x4), single line (0x20)
    .char_count = 7,
    .callback = plate_text,
};
constinit ElementHeader* plate_background_children[] = {&plate_string.header, nullptr};

constinit StaticImage plate_background = static_image(40, &registration_gauge, plate_background_children);
constinit ElementHeader* plate_root = &plate_background.header;

// clang-format off
// No click area and no tooltip.
constinit MouseRect plate_mouse_rects[] = {
    //           x  y  w  h  help
    mouse_parent(0, 0, 0, 0, 0),
    mouse_parent_end(),
    mouse_end(),
};
static_assert(sizeof(plate_mouse_rects) / sizeof(plate_mouse_rects[0]) == 3);
// clang-format on

}  // namespace

constinit GaugeHeader registration_gauge =
    declare::gauge_header("Registration", &plate_root, 150, plate_mouse_rects, registration_callback);
