// VOR1_Indicator: the NAV1 course indicator. Card, knob and needles follow host
// variables; while the NAV1 set is switched off the needles centre, the flags show
// their striped picture and the amber lamp is dark. The knob sends the course event.
#include <cmath>

#include "instruments/instruments.h"
#include "radios/radio_state.h"
#include "sdk/declare.h"
#include "sdk/host_services.h"
#include "sdk/ids.h"

// The calibration tables name only the words they set; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace declare;

// The lamp is lit during the upper half of every period of the blink time base.
constexpr double BLINK_PERIOD = 0.51;
constexpr double BLINK_LIT_AFTER = 0.255;

constexpr double ICON_HIDDEN = -1.0;
constexpr double ICON_FIRST_PICTURE = 0.0;

bool nav1_powered() { return nav1_unit.power_on != 0; }

// Needles and the glideslope flag: the source value while powered, centred (0.0)
// otherwise.
double TARVOLEN_CALLBACK vor_needle_value(ElementHeader* element) {
    if (!nav1_powered()) return 0.0;
    return reinterpret_cast<Needle*>(element)->source.value.f64;
}

double TARVOLEN_CALLBACK vor_glideslope_flag_value(ElementHeader* element) {
    if (!nav1_powered()) return ICON_FIRST_PICTURE;
    return reinterpret_cast<Icon*>(element)->source.value.f64;
}

// The to/from flag's source is an integer word: 0 off, 1 TO, 2 FROM.
double TARVOLEN_CALLBACK vor_to_from_value(ElementHeader* element) {
    if (!nav1_powered()) return ICON_FIRST_PICTURE;
    return static_cast<double>(reinterpret_cast<Icon*>(element)->source.value.u32);
}

double TARVOLEN_CALLBACK vor_lamp_value(ElementHeader* element) {
    const double time_base = read_host_var(TOKEN_CLOCK_SECONDS).value.f64;
    const bool blink_lit = std::fmod(time_base, BLINK_PERIOD) > BLINK_LIT_AFTER;
    const bool source_on = reinterpret_cast<Icon*>(element)->source.value.f64 > 0.0;
    return blink_lit && source_on && nav1_powered() ? ICON_FIRST_PICTURE : ICON_HIDDEN;
}

// The course the host holds, truncated toward zero to whole degrees. A reading no
// course can have (not a number, or beyond the 32-bit range) counts as 0.
int32_t whole_course_deg() {
    const double course = read_host_var(TOKEN_NAV1_COURSE_DEG).value.f64;
    if (!(course > -2147483648.0 && course < 2147483648.0)) return 0;
    return static_cast<int32_t>(course);
}

int32_t TARVOLEN_CALLBACK vor_course_up(ClickRecord*, uint32_t) {
    const int32_t course = whole_course_deg();
    send_event(EVENT_NAV1_COURSE_SET, static_cast<uint32_t>(course < 360 ? course + 1 : 1));
    return 0;
}

int32_t TARVOLEN_CALLBACK vor_course_down(ClickRecord*, uint32_t) {
    const int32_t course = whole_course_deg();
    send_event(EVENT_NAV1_COURSE_SET, static_cast<uint32_t>(course > 0 ? course - 1 : 359));
    return 0;
}

// Installing the indicator switches the NAV1 set off; only a NAV1 radio's power
// switch turns it on again.
void TARVOLEN_CALLBACK vor_gauge_callback(GaugeHeader*, uint32_t service, uintptr_t) {
    if (service == SERVICE_INSTALL) nav1_unit.power_on = 0;
}

// clang-format off
constinit FailureEntry vor_face_failures[] = {
    // key action
    {14, 0, 0},
    {0,  0, 0},  // end
};
constinit FailureEntry vor_signal_failures[] = {
    {14, 2, 0},
    {21, 2, 0},
    {20, 1, 0},
    {0,  0, 0},  // end
};

constinit NonlinearityPoint vor_deviation_points[] = {
    //  x   y   value
    {100, 71,  1.0},  // full right
    { 41, 71, -1.0},  // full left
};
static_assert(sizeof(vor_deviation_points) / sizeof(vor_deviation_points[0]) == 2);

constinit NonlinearityPoint vor_glideslope_points[] = {
    { 99, 46, -1.0},  // full up
    { 99, 95,  1.0},  // full down
};
static_assert(sizeof(vor_glideslope_points) / sizeof(vor_glideslope_points[0]) == 2);
// clang-format on

constexpr GaugeHeader* g = &vor1_indicator_gauge;

// Elements, top-most (9, the lamp) first, down to the face (1). The element words:
// kind, bitmap, x, y, image flags, gauge, the element drawn over it, failures.
constinit Icon vor_lamp = icon(element(ELEMENT_ICON, 1280, 121, 2, 0x87, g, nullptr, vor_signal_failures),
                               TOKEN_NAV1_MARKER_FLAG, 1.0, 1, vor_lamp_value);
constinit ElementHeader* vor_knob_children[] = {&vor_lamp.header, nullptr};

constinit Needle vor_knob = needle(element(ELEMENT_NEEDLE, 1210, 19, 123, 0x83, g, vor_knob_children, nullptr), 15, 15,
                                   TOKEN_NAV1_COURSE_CARD_RAD, nullptr, 0, nullptr);
constinit ElementHeader* vor_bezel_children[] = {&vor_knob.header, nullptr};

constinit StaticImage vor_bezel = static_image(1270, g, vor_bezel_children);
constinit ElementHeader* vor_glideslope_children[] = {&vor_bezel.header, nullptr};

constinit Needle vor_glideslope_needle =
    needle(element(ELEMENT_NEEDLE, 1250, 37, 70, 0x83, g, vor_glideslope_children, vor_signal_failures), 0, 2,
           TOKEN_NAV1_GLIDESLOPE_FULL_SCALE, vor_glideslope_points, 2, vor_needle_value);
constinit ElementHeader* vor_deviation_children[] = {&vor_glideslope_needle.header, nullptr};

constinit Needle vor_deviation_needle =
    needle(element(ELEMENT_NEEDLE, 1220, 70, 33, 0x83, g, vor_deviation_children, vor_signal_failures), -7, 2,
           TOKEN_NAV1_DEVIATION_FULL_SCALE, vor_deviation_points, 2, vor_needle_value);
constinit ElementHeader* vor_to_from_children[] = {&vor_deviation_needle.header, nullptr};

constinit Icon vor_to_from_flag =
    icon(element(ELEMENT_ICON, 1260, 64, 98, 0x83, g, vor_to_from_children, vor_signal_failures),
         TOKEN_NAV1_TO_FROM_FLAG, 1.0, 3, vor_to_from_value);
constinit ElementHeader* vor_glideslope_flag_children[] = {&vor_to_from_flag.header, nullptr};

constinit Icon vor_glideslope_flag =
    icon(element(ELEMENT_ICON, 1240, 87, 63, 0x83, g, vor_glideslope_flag_children, vor_signal_failures),
         TOKEN_NAV1_GLIDESLOPE_FLAG, 1.0, 2, vor_glideslope_flag_value);
constinit ElementHeader* vor_card_children[] = {&vor_glideslope_flag.header, nullptr};

constinit Sprite vor_card = sprite(element(ELEMENT_SPRITE, 1230, 0, 0, 0x83, g, vor_card_children, nullptr), 70, 70,
                                   TOKEN_NAV1_COURSE_CARD_RAD);
constinit ElementHeader* vor_face_children[] = {&vor_card.header, nullptr};

constinit StaticImage vor_face = static_image(1200, g, vor_face_children, vor_face_failures);
constinit ElementHeader* vor_root = &vor_face.header;

// clang-format off
constinit MouseRect vor_mouse_rects[] = {
    //             x    y   w   h  help / cursor    flags                            event  handler
    mouse_parent(  0,   0,  0,  0, 43890),
    mouse_parent(  4, 108, 29, 29, 43891),  // the knob
    mouse_child(   0,   0, 14, 29, CURSOR_DECREASE, MOUSE_LEFT_CLICK | MOUSE_REPEAT, 0,     vor_course_down),
    mouse_child(  14,   0, 14, 29, CURSOR_INCREASE, MOUSE_LEFT_CLICK | MOUSE_REPEAT, 0,     vor_course_up),
    mouse_parent_end(),
    mouse_parent(121,   2, 16, 16, 43856),  // the lamp
    mouse_parent_end(),
    mouse_parent_end(),
    mouse_end(),
};
static_assert(sizeof(vor_mouse_rects) / sizeof(vor_mouse_rects[0]) == 9);
// clang-format on

}  // namespace

constinit GaugeHeader vor1_indicator_gauge =
    declare::gauge_header("VOR1_Indicator", &vor_root, 100, vor_mouse_rects, vor_gauge_callback);
