// Old_XPDR: the transponder's control head. The drums and knobs re-read the squawk
// code from the host, the knob halves send the host's digit events while the set is
// powered, and the IDENT switch only clicks.
//
// To change this gauge, touch in this file: the callbacks, the element records (declared
// top-most first, root last), xpdr_mouse_rects (keep its static_assert), the header; and
// old_xpdr_gauge in module/linkage.cpp. Its token and events are named in sdk/ids.h; a
// new one is named there once and carried out by the host's SimTransponder
// (host/sim/adf_xpdr.cpp).
#include "radios/adf_xpdr.h"
#include "radios/radio_common.h"
#include "radios/radio_state.h"
#include "sdk/host_services.h"
#include "sdk/ids.h"

namespace {

using namespace adf_xpdr_records;

constinit RadioClick radio_click = {};

// The code as the decimal number whose digits are the code's four nibbles; the top
// nibble is not masked.
double xpdr_read_code() {
    double v = static_cast<double>(read_host_var(TOKEN_XPDR_CODE_BCD).value.u32);
    const double a = std::floor(v / 4096.0);
    v -= 4096.0 * a;
    const double b = std::floor(v / 256.0);
    v -= 256.0 * b;
    const double c = std::floor(v / 16.0);
    const double d = v - 16.0 * c;
    return 1000.0 * a + 100.0 * b + 10.0 * c + d;
}

// ---- value callbacks ------------------------------------------------------------

// A drum: refresh the code, light the digit by the power switch.
double drum_digit(ElementHeader* element, double (*digit)(double)) {
    xpdr_code = xpdr_read_code();
    light_digit(element, xpdr_power_on);
    return digit(xpdr_code);
}

double TARVOLEN_CALLBACK units_drum(ElementHeader* element) { return drum_digit(element, digit_units); }
double TARVOLEN_CALLBACK tens_drum(ElementHeader* element) { return drum_digit(element, digit_tens); }
double TARVOLEN_CALLBACK hundreds_drum(ElementHeader* element) { return drum_digit(element, digit_hundreds); }
double TARVOLEN_CALLBACK thousands_drum(ElementHeader* element) { return drum_digit(element, digit_thousands); }

// A knob: refresh the code and point at the digit; knobs are never lit.
double knob_digit(double (*digit)(double)) {
    xpdr_code = xpdr_read_code();
    return digit(xpdr_code);
}

double TARVOLEN_CALLBACK units_knob(ElementHeader*) { return knob_digit(digit_units); }
double TARVOLEN_CALLBACK tens_knob(ElementHeader*) { return knob_digit(digit_tens); }
double TARVOLEN_CALLBACK hundreds_knob(ElementHeader*) { return knob_digit(digit_hundreds); }
double TARVOLEN_CALLBACK thousands_knob(ElementHeader*) { return knob_digit(digit_thousands); }

// The IDENT switch always points at OFF (picture 1040).
double TARVOLEN_CALLBACK ident_switch(ElementHeader*) { return 0.0; }
// The one-picture lamp is shown while powered and hidden (negative) otherwise.
double TARVOLEN_CALLBACK lamp(ElementHeader*) { return xpdr_power_on != 0 ? 0.0 : -1.0; }
double TARVOLEN_CALLBACK power_switch(ElementHeader*) { return xpdr_power_on != 0 ? 1.0 : 0.0; }

// ---- mouse handlers -------------------------------------------------------------

int32_t TARVOLEN_CALLBACK power_off(ClickRecord*, uint32_t) {
    throw_switch(radio_click, xpdr_power_on, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK power_on(ClickRecord*, uint32_t) {
    throw_switch(radio_click, xpdr_power_on, 1);
    return 0;
}

// The IDENT switch is spring-loaded and does nothing but click, powered or not.
int32_t TARVOLEN_CALLBACK ident(ClickRecord*, uint32_t) {
    radio_click_play(radio_click);
    return 0;
}

// A digit area sends its event while powered; the digits' range and wrap are the host's.
template <uint32_t EVENT_ID>
int32_t TARVOLEN_CALLBACK digit_area(ClickRecord*, uint32_t) {
    if (xpdr_power_on != 0) send_event(EVENT_ID, 0);
    return 0;
}

// ---- gauge callback -------------------------------------------------------------

void TARVOLEN_CALLBACK xpdr_gauge_callback(GaugeHeader*, uint32_t service, uintptr_t extra) {
    switch (service) {
        case SERVICE_INSTALL:
            xpdr_power_on = 0;  // the set always starts switched off
            radio_click_open(radio_click, extra);
            break;
        case SERVICE_UPDATE: xpdr_code = xpdr_read_code(); break;
        case SERVICE_KILL: radio_click_close(radio_click); break;
        default: break;
    }
}

// ---- declaration ----------------------------------------------------------------

// Every element but the face and the knobs: key 20 and 21 action 3, key 17 action 0.
constinit FailureEntry xpdr_failures[] = {{20, 3, 0}, {21, 3, 0}, {17, 0, 0}, {0, 0, 0}};
static_assert(sizeof xpdr_failures / sizeof xpdr_failures[0] == 4);

// One calibration for the four knobs: 0 straight above the thousands knob's pivot
// (88, 75), 8 straight below it. The other knobs use the same two points.
//                                            x    y   value
constinit NonlinearityPoint knob_points[] = {{88, 60, 0.0, {}}, {88, 90, 8.0, {}}};
constexpr uint32_t KNOB_POINTS = sizeof knob_points / sizeof knob_points[0];
static_assert(KNOB_POINTS == 2);

constexpr GaugeHeader* g = &old_xpdr_gauge;

// The element chain, top-most first; the row number is the drawing order.
// clang-format off
constinit Icon power_switch_icon = icon(1020, 30, 105, 0x3, 0, 2, power_switch, g, nullptr, xpdr_failures);  // 12
constinit ElementHeader* lamp_children[] = {&power_switch_icon.header, nullptr};
constinit Icon lamp_icon = icon(1030, 119, 123, 0x7, 0, 1, lamp, g, lamp_children, xpdr_failures);             // 11
constinit ElementHeader* ident_children[] = {&lamp_icon.header, nullptr};
constinit Icon ident_icon = icon(1040, 190, 105, 0x3, 0, 2, ident_switch, g, ident_children, xpdr_failures);   // 10
constinit ElementHeader* thousands_drum_children[] = {&ident_icon.header, nullptr};
constinit MovingImage thousands_image = drum(1010, 114, 21, TOKEN_XPDR_CODE_BCD, thousands_drum, g,
                                             thousands_drum_children, xpdr_failures);                         // 9
constinit ElementHeader* hundreds_drum_children[] = {&thousands_image.header, nullptr};
constinit MovingImage hundreds_image = drum(1010, 132, 21, TOKEN_XPDR_CODE_BCD, hundreds_drum, g,
                                            hundreds_drum_children, xpdr_failures);                           // 8
constinit ElementHeader* tens_drum_children[] = {&hundreds_image.header, nullptr};
constinit MovingImage tens_image = drum(1010, 150, 21, 0, tens_drum, g, tens_drum_children, xpdr_failures);    // 7
constinit ElementHeader* units_drum_children[] = {&tens_image.header, nullptr};
constinit MovingImage units_image = drum(1010, 168, 21, TOKEN_XPDR_CODE_BCD, units_drum, g, units_drum_children,
                                         xpdr_failures);                                                      // 6
constinit ElementHeader* thousands_knob_children[] = {&units_image.header, nullptr};
constinit Needle thousands_needle = knob(1050, 88, 75, 0, knob_points, KNOB_POINTS, thousands_knob, g,
                                         thousands_knob_children);                                            // 5
constinit ElementHeader* hundreds_knob_children[] = {&thousands_needle.header, nullptr};
constinit Needle hundreds_needle = knob(1050, 129, 75, 0, knob_points, KNOB_POINTS, hundreds_knob, g,
                                        hundreds_knob_children);                                              // 4
constinit ElementHeader* tens_knob_children[] = {&hundreds_needle.header, nullptr};
constinit Needle tens_needle = knob(1050, 170, 75, 0, knob_points, KNOB_POINTS, tens_knob, g,
                                    tens_knob_children);                                                      // 3
constinit ElementHeader* units_knob_children[] = {&tens_needle.header, nullptr};
constinit Needle units_needle = knob(1050, 211, 75, 0, knob_points, KNOB_POINTS, units_knob, g,
                                     units_knob_children);                                                    // 2
constinit ElementHeader* face_children[] = {&units_needle.header, nullptr};
constinit StaticImage face_image = static_image(1000, g, face_children);                                       // 1
constinit ElementHeader* root_element = &face_image.header;
// clang-format on

constexpr uint32_t SWITCH = MOUSE_LEFT_CLICK;
constexpr uint32_t KNOB = MOUSE_LEFT_CLICK | MOUSE_REPEAT;

// The knob halves follow the closed help parent over the drums, so their boxes are in
// gauge pixels; the IDENT switch sits inside a parent of its own.
// clang-format off
constinit MouseRect xpdr_mouse_rects[] = {
    //             x    y   w   h  help / cursor    flags   event  handler
    mouse_parent(  0,   0,  0,  0, 0xA70A),                                                                 // 0 whole gauge
    mouse_child(  10, 126, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     power_off),                              // 1 OFF
    mouse_child(  10,  95, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     power_on),                               // 2 ON
    mouse_parent(114,  21, 72, 28, 0xAA62),                                                                 // 3 drums help
    mouse_parent_end(),                                                                                     // 4
    mouse_child(  73,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     digit_area<EVENT_XPDR_THOUSANDS_DOWN>),  // 5
    mouse_child(  88,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     digit_area<EVENT_XPDR_THOUSANDS_UP>),    // 6
    mouse_child( 114,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     digit_area<EVENT_XPDR_HUNDREDS_DOWN>),   // 7
    mouse_child( 129,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     digit_area<EVENT_XPDR_HUNDREDS_UP>),     // 8
    mouse_child( 155,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     digit_area<EVENT_XPDR_TENS_DOWN>),       // 9
    mouse_child( 170,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     digit_area<EVENT_XPDR_TENS_UP>),         // 10
    mouse_child( 196,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     digit_area<EVENT_XPDR_UNITS_DOWN>),      // 11
    mouse_child( 211,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     digit_area<EVENT_XPDR_UNITS_UP>),        // 12
    mouse_parent(190, 105, 20, 10, 0),                                                                      // 13 IDENT
    mouse_child(   0,   0, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     ident),                                  // 14
    mouse_parent_end(),                                                                                     // 15
    mouse_parent_end(),                                                                                     // 16
    mouse_end(),                                                                                            // 17
};
// clang-format on
static_assert(sizeof xpdr_mouse_rects / sizeof xpdr_mouse_rects[0] == 18);

}  // namespace

constinit GaugeHeader old_xpdr_gauge =
    declare::gauge_header("Old_XPDR", &root_element, 100, xpdr_mouse_rects, xpdr_gauge_callback);
