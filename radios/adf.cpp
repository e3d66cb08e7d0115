// Old_ADF: the ADF receiver's control head. The readout and the knobs re-read the
// frequency from the host; the power and mode switches are module state, and the
// switch pictures re-assert the station's identifier audio at every evaluation.
//
// To change this gauge, touch in this file: the callbacks, the element records (declared
// top-most first, root last), adf_mouse_rects (keep its static_assert), the header; and
// old_adf_gauge in module/linkage.cpp. Its tokens and events are named in sdk/ids.h; a
// new one is named there once and carried out by the host's SimAdf (host/sim/adf_xpdr.cpp).
#include "radios/adf_xpdr.h"
#include "radios/radio_common.h"
#include "radios/radio_state.h"
#include "sdk/host_services.h"
#include "sdk/ids.h"

namespace {

using namespace adf_xpdr_records;

constinit RadioClick radio_click = {};

// The tuned frequency in whole kHz from the two host words, the frequency word read
// first. Its top nibble is not masked: a value above 0x0999 adds as it stands.
double adf_read_frequency() {
    const ModuleVar word = read_host_var(TOKEN_ADF_FREQUENCY_BCD);
    const ModuleVar extended = read_host_var(TOKEN_ADF_EXTENDED_FREQUENCY_BCD);
    double v = static_cast<double>(word.value.u32);
    const double a = std::floor(v / 256.0);
    v -= 256.0 * a;
    const double b = std::floor(v / 16.0);
    const double c = v - 16.0 * b;
    const double t = extended.value.u32 >= 256 ? 1.0 : 0.0;
    return 1000.0 * t + 100.0 * a + 10.0 * b + c;
}

// ---- value callbacks ------------------------------------------------------------

// A readout place: refresh the frequency, light the digit by the power switch.
double readout(ElementHeader* element, double (*digit)(double)) {
    adf_frequency = adf_read_frequency();
    light_digit(element, adf_power_on);
    return digit(adf_frequency);
}

double TARVOLEN_CALLBACK units_drum(ElementHeader* element) { return readout(element, digit_units); }
double TARVOLEN_CALLBACK tens_drum(ElementHeader* element) { return readout(element, digit_tens); }
double TARVOLEN_CALLBACK hundreds_drum(ElementHeader* element) { return readout(element, digit_hundreds); }
double TARVOLEN_CALLBACK thousands_figure(ElementHeader* element) { return readout(element, digit_thousands); }

// The hundreds knob turns over 1..16: the thousands and hundreds places together.
double TARVOLEN_CALLBACK hundreds_knob(ElementHeader*) {
    adf_frequency = adf_read_frequency();
    return 10.0 * digit_thousands(adf_frequency) + digit_hundreds(adf_frequency);
}

double TARVOLEN_CALLBACK tens_knob(ElementHeader*) {
    adf_frequency = adf_read_frequency();
    return digit_tens(adf_frequency);
}

double TARVOLEN_CALLBACK units_knob(ElementHeader*) {
    adf_frequency = adf_read_frequency();
    return digit_units(adf_frequency);
}

// The switch pictures keep the identifier audio in step with the switches: on while
// the power is on and the mode is TONE, off otherwise, sent at every evaluation.
double TARVOLEN_CALLBACK mode_switch(ElementHeader*) {
    if (adf_tone_on != 0) {
        if (adf_power_on != 0) send_event(EVENT_ADF_IDENT_ON, 0);
        return 1.0;
    }
    send_event(EVENT_ADF_IDENT_OFF, 0);
    return 0.0;
}

double TARVOLEN_CALLBACK power_switch(ElementHeader*) {
    if (adf_power_on == 0) {
        send_event(EVENT_ADF_IDENT_OFF, 0);
        return 0.0;
    }
    if (adf_tone_on != 0) send_event(EVENT_ADF_IDENT_ON, 0);
    return 1.0;
}

// Picture 341 (lit) while powered, 340 (dark) otherwise.
double TARVOLEN_CALLBACK lamp(ElementHeader*) { return adf_power_on != 0 ? 1.0 : 0.0; }

// ---- mouse handlers -------------------------------------------------------------

int32_t TARVOLEN_CALLBACK power_off(ClickRecord*, uint32_t) {
    throw_switch(radio_click, adf_power_on, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK power_on(ClickRecord*, uint32_t) {
    throw_switch(radio_click, adf_power_on, 1);
    return 0;
}

int32_t TARVOLEN_CALLBACK mode_adf(ClickRecord*, uint32_t) {
    throw_switch(radio_click, adf_tone_on, 0);
    return 0;
}

int32_t TARVOLEN_CALLBACK mode_tone(ClickRecord*, uint32_t) {
    throw_switch(radio_click, adf_tone_on, 1);
    return 0;
}

// Sends a tuning event while the set is powered.
void tune(uint32_t event_id) {
    if (adf_power_on != 0) send_event(event_id, 0);
}

// The hundreds knob stops at 16xx going up and at 1xx going down, judged on the
// frequency last read (the carry from 9xx into the thousands place is the host's).
int32_t TARVOLEN_CALLBACK hundreds_up(ClickRecord*, uint32_t) {
    const double th = digit_thousands(adf_frequency), hu = digit_hundreds(adf_frequency);
    if (th == 0.0 || (th == 1.0 && hu < 6.0)) tune(EVENT_ADF_HUNDREDS_UP);
    return 0;
}

int32_t TARVOLEN_CALLBACK hundreds_down(ClickRecord*, uint32_t) {
    const double th = digit_thousands(adf_frequency), hu = digit_hundreds(adf_frequency);
    if (th == 1.0 || (th == 0.0 && hu > 1.0)) tune(EVENT_ADF_HUNDREDS_DOWN);
    return 0;
}

// The tens and units areas send unconditionally while powered: the host carries out
// the digit change and its wrap.
template <uint32_t EVENT_ID>
int32_t TARVOLEN_CALLBACK digit_area(ClickRecord*, uint32_t) {
    tune(EVENT_ID);
    return 0;
}

// ---- gauge callback -------------------------------------------------------------

void TARVOLEN_CALLBACK adf_gauge_callback(GaugeHeader*, uint32_t service, uintptr_t extra) {
    switch (service) {
        case SERVICE_INSTALL:
            // Whatever the switches were, the set starts off with the mode at ADF.
            adf_power_on = 0;
            adf_tone_on = 0;
            send_event(EVENT_ADF_IDENT_OFF, 0);
            radio_click_open(radio_click, extra);
            break;
        case SERVICE_UPDATE: adf_frequency = adf_read_frequency(); break;
        case SERVICE_KILL: radio_click_close(radio_click); break;
        default: break;
    }
}

// ---- declaration ----------------------------------------------------------------

// Readout and lamp: failure key 20 and 21 action 3, key 5 action 0.
constinit FailureEntry adf_failures[] = {{20, 3, 0}, {21, 3, 0}, {5, 0, 0}, {0, 0, 0}};
static_assert(sizeof adf_failures / sizeof adf_failures[0] == 4);

// Each knob's calibration: value 0 straight above its pivot, 5 straight below.
//                                                 x    y   value
constinit NonlinearityPoint hundreds_points[] = {{98, 60, 0.0, {}}, {98, 90, 5.0, {}}};
constinit NonlinearityPoint tens_points[] = {{150, 60, 0.0, {}}, {150, 90, 5.0, {}}};
constinit NonlinearityPoint units_points[] = {{202, 60, 0.0, {}}, {202, 90, 5.0, {}}};
static_assert(sizeof hundreds_points / sizeof hundreds_points[0] == 2);
static_assert(sizeof tens_points / sizeof tens_points[0] == 2);
static_assert(sizeof units_points / sizeof units_points[0] == 2);

constexpr GaugeHeader* g = &old_adf_gauge;

// The element chain, top-most first; the row number is the drawing order.
// clang-format off
constinit Icon power_switch_icon = icon(330, 30, 105, 0x3, 0, 2, power_switch, g, nullptr, nullptr);       // 11
constinit ElementHeader* lamp_children[] = {&power_switch_icon.header, nullptr};
constinit Icon lamp_icon = icon(340, 119, 123, 0x7, 0, 2, lamp, g, lamp_children, adf_failures);           // 10
constinit ElementHeader* mode_children[] = {&lamp_icon.header, nullptr};
constinit Icon mode_icon = icon(350, 190, 105, 0x3, TOKEN_ADF_MODE_SOURCE_WORD, 2, mode_switch, g, mode_children,
                                nullptr);                                                                  // 9
constinit ElementHeader* units_knob_children[] = {&mode_icon.header, nullptr};
constinit Needle units_needle = knob(290, 202, 75, TOKEN_ADF_FREQUENCY_BCD, units_points, 2, units_knob, g,
                                     units_knob_children);                                                 // 8
constinit ElementHeader* tens_knob_children[] = {&units_needle.header, nullptr};
constinit Needle tens_needle = knob(300, 150, 75, TOKEN_ADF_FREQUENCY_BCD, tens_points, 2, tens_knob, g,
                                    tens_knob_children);                                                   // 7
constinit ElementHeader* hundreds_knob_children[] = {&tens_needle.header, nullptr};
constinit Needle hundreds_needle = knob(310, 98, 75, TOKEN_ADF_FREQUENCY_BCD, hundreds_points, 2, hundreds_knob, g,
                                        hundreds_knob_children);                                           // 6
constinit ElementHeader* thousands_children[] = {&hundreds_needle.header, nullptr};
constinit Icon thousands_icon = icon(360, 114, 21, 0x83, 0, 2, thousands_figure, g, thousands_children,
                                     adf_failures);                                                        // 5
constinit ElementHeader* hundreds_drum_children[] = {&thousands_icon.header, nullptr};
constinit MovingImage hundreds_image = drum(320, 132, 21, TOKEN_ADF_FREQUENCY_BCD, hundreds_drum, g,
                                            hundreds_drum_children, adf_failures);                         // 4
constinit ElementHeader* tens_drum_children[] = {&hundreds_image.header, nullptr};
constinit MovingImage tens_image = drum(320, 150, 21, 0, tens_drum, g, tens_drum_children, adf_failures);  // 3
constinit ElementHeader* units_drum_children[] = {&tens_image.header, nullptr};
constinit MovingImage units_image = drum(320, 168, 21, TOKEN_ADF_FREQUENCY_BCD, units_drum, g, units_drum_children,
                                         adf_failures);                                                    // 2
constinit ElementHeader* face_children[] = {&units_image.header, nullptr};
constinit StaticImage face_image = static_image(280, g, face_children);                                    // 1
constinit ElementHeader* root_element = &face_image.header;
// clang-format on

// Switch areas answer a click, knob halves a click or a held button. The knob halves
// follow the closed help parent over the knobs, so their boxes are in gauge pixels.
constexpr uint32_t SWITCH = MOUSE_LEFT_CLICK;
constexpr uint32_t KNOB = MOUSE_LEFT_CLICK | MOUSE_REPEAT;

// clang-format off
constinit MouseRect adf_mouse_rects[] = {
    //             x    y   w   h  help / cursor    flags   event  handler
    mouse_parent(  0,   0,  0,  0, 0xA709),                                                            // 0 whole gauge
    mouse_child(  10, 126, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     power_off),                         // 1 OFF
    mouse_child(  10,  95, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     power_on),                          // 2 ON
    mouse_parent(114,  21, 72, 28, 0xAA56),                                                            // 3 readout help
    mouse_parent_end(),                                                                                // 4
    mouse_parent( 83,  60, 90, 30, 0xAA55),                                                            // 5 knobs help
    mouse_parent_end(),                                                                                // 6
    mouse_child( 187,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     digit_area<EVENT_ADF_UNITS_DOWN>),  // 7
    mouse_child( 202,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     digit_area<EVENT_ADF_UNITS_UP>),    // 8
    mouse_child( 135,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     digit_area<EVENT_ADF_TENS_DOWN>),   // 9
    mouse_child( 150,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     digit_area<EVENT_ADF_TENS_UP>),     // 10
    mouse_child(  83,  60, 15, 30, CURSOR_DECREASE, KNOB,   0,     hundreds_down),                     // 11
    mouse_child(  98,  60, 15, 30, CURSOR_INCREASE, KNOB,   0,     hundreds_up),                       // 12
    mouse_parent(190, 105, 30, 30, 0xAA57),                                                            // 13 mode help
    mouse_parent_end(),                                                                                // 14
    mouse_child( 170, 101, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     mode_adf),                          // 15 ADF/ANT
    mouse_child( 195,  95, 20, 10, CURSOR_BUTTON,   SWITCH, 0,     mode_tone),                         // 16 TONE
    mouse_parent_end(),                                                                                // 17
    mouse_end(),                                                                                       // 18
};
// clang-format on
static_assert(sizeof adf_mouse_rects / sizeof adf_mouse_rects[0] == 19);

}  // namespace

constinit GaugeHeader old_adf_gauge =
    declare::gauge_header("Old_ADF", &root_element, 100, adf_mouse_rects, adf_gauge_callback);
