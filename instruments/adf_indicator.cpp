// ADF_Indicator: the ADF bearing indicator. The bearing needle follows the host's
// bearing while the ADF set is on and parks at three o'clock (90) while it is off;
// the card and its knob follow the host's card rotation, and the knob's two halves
// make the host send its card events by themselves.
#include "instruments/instruments.h"
#include "radios/radio_state.h"
#include "sdk/declare.h"
#include "sdk/ids.h"

// The calibration tables name only the words they set; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace declare;

constexpr double NEEDLE_PARKED = 90.0;  // three o'clock

double TARVOLEN_CALLBACK adf_bearing_value(ElementHeader* element) {
    if (adf_power_on == 0) return NEEDLE_PARKED;
    return reinterpret_cast<Needle*>(element)->source.value.f64;
}

// Installing the indicator switches the ADF set off; only the ADF radio's power
// switch turns it on again.
void TARVOLEN_CALLBACK adf_indicator_callback(GaugeHeader*, uint32_t service, uintptr_t) {
    if (service == SERVICE_INSTALL) adf_power_on = 0;
}

// clang-format off
constinit FailureEntry adf_face_failures[] = {
    // key action
    {5,  0, 0},
    {0,  0, 0},  // end
};
constinit FailureEntry adf_needle_failures[] = {
    {21, 2, 0},
    {20, 1, 0},
    {0,  0, 0},  // end
};

// Straight above and below the dial centre: one unit per degree, 0 at twelve o'clock.
constinit NonlinearityPoint adf_bearing_points[] = {
    // x   y   value
    {73, 63,   0.0},
    {73, 83, 180.0},
};
static_assert(sizeof(adf_bearing_points) / sizeof(adf_bearing_points[0]) == 2);
// clang-format on

constexpr GaugeHeader* g = &adf_indicator_gauge;

// Elements, top-most (5, the knob) first, down to the face (1). The element words:
// kind, bitmap, x, y, image flags, gauge, the element drawn over it, failures.
constinit Needle adf_knob = needle(element(ELEMENT_NEEDLE, 1310, 18, 126, 0x83, g, nullptr, nullptr), 14, 14,
                                   TOKEN_ADF_CARD_RAD, nullptr, 0, nullptr);
constinit ElementHeader* adf_bezel_children[] = {&adf_knob.header, nullptr};

constinit StaticImage adf_bezel = static_image(1320, g, adf_bezel_children);
constinit ElementHeader* adf_needle_children[] = {&adf_bezel.header, nullptr};

constinit Needle adf_bearing_needle =
    needle(element(ELEMENT_NEEDLE, 1330, 73, 73, 0x83, g, adf_needle_children, adf_needle_failures), 45, 5,
           TOKEN_ADF_BEARING_DEG, adf_bearing_points, 2, adf_bearing_value);
constinit ElementHeader* adf_card_children[] = {&adf_bearing_needle.header, nullptr};

constinit Sprite adf_card =
    sprite(element(ELEMENT_SPRITE, 1340, 0, 0, 0x83, g, adf_card_children, nullptr), 73, 73, TOKEN_ADF_CARD_RAD);
constinit ElementHeader* adf_face_children[] = {&adf_card.header, nullptr};

constinit StaticImage adf_face = static_image(1300, g, adf_face_children, adf_face_failures);
constinit ElementHeader* adf_root = &adf_face.header;

// clang-format off
constinit MouseRect adf_mouse_rects[] = {
    //            x    y   w   h  help / cursor    flags                            event                handler
    mouse_parent( 0,   0,  0,  0, 43776),
    mouse_parent( 4, 112, 28, 28, 43777),  // the knob
    mouse_child(  0,   0, 14, 28, CURSOR_DECREASE, MOUSE_LEFT_CLICK | MOUSE_REPEAT, EVENT_ADF_CARD_DOWN, nullptr),
    mouse_child( 14,   0, 14, 28, CURSOR_INCREASE, MOUSE_LEFT_CLICK | MOUSE_REPEAT, EVENT_ADF_CARD_UP,   nullptr),
    mouse_parent_end(),
    mouse_parent_end(),
    mouse_end(),
};
static_assert(sizeof(adf_mouse_rects) / sizeof(adf_mouse_rects[0]) == 7);
// clang-format on

}  // namespace

constinit GaugeHeader adf_indicator_gauge =
    declare::gauge_header("ADF_Indicator", &adf_root, 100, adf_mouse_rects, adf_indicator_callback);
