// ADF_Indicator: the ADF bearing indicator. The bearing needle follows the host's
// bearing while the ADF set is on and parks at three o'clock (90) while it is off;
// the card and its knob follow the host's card rotation, and the knob's two halves
// make the host send its card events by themselves.
#include "instruments/instruments.h"
#include "radios/radio_state.h"

// The records name only the fields they set; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

constexpr uint32_t TOKEN_ADF_BEARING = 39;        // bearing needle, degrees from the top
constexpr uint32_t TOKEN_ADF_CARD_ROTATION = 22;  // card and knob picture

constexpr uint32_t EVENT_ADF_CARD_DOWN = 65882;
constexpr uint32_t EVENT_ADF_CARD_UP = 65881;

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

// Elements, top-most (5, the knob) first, down to the face (1).
constinit Needle adf_knob = {
    .header = {.kind = ELEMENT_NEEDLE,
               .bitmap_id = 1310,
               .x = 18,
               .y = 126,
               .pivot_x = 14,
               .pivot_y = 14,
               .gauge = &adf_indicator_gauge,
               .image_flags = 0x83},
    .source = {.token = TOKEN_ADF_CARD_ROTATION},
};
constinit ElementHeader* adf_bezel_children[] = {&adf_knob.header, nullptr};

constinit StaticImage adf_bezel = {
    .header = {.kind = ELEMENT_STATIC_IMAGE,
               .bitmap_id = 1320,
               .gauge = &adf_indicator_gauge,
               .children = adf_bezel_children,
               .image_flags = 0x3},
};
constinit ElementHeader* adf_needle_children[] = {&adf_bezel.header, nullptr};

constinit Needle adf_bearing_needle = {
    .header = {.kind = ELEMENT_NEEDLE,
               .bitmap_id = 1330,
               .x = 73,
               .y = 73,
               .pivot_x = 45,
               .pivot_y = 5,
               .gauge = &adf_indicator_gauge,
               .children = adf_needle_children,
               .failures = adf_needle_failures,
               .image_flags = 0x83},
    .source = {.token = TOKEN_ADF_BEARING},
    .points = adf_bearing_points,
    .point_count = 2,
    .callback = adf_bearing_value,
};
constinit ElementHeader* adf_card_children[] = {&adf_bearing_needle.header, nullptr};

constinit Sprite adf_card = {
    .header = {.kind = ELEMENT_SPRITE,
               .bitmap_id = 1340,
               .pivot_x = 73,
               .pivot_y = 73,
               .gauge = &adf_indicator_gauge,
               .children = adf_card_children,
               .image_flags = 0x83},
    .source_angle = {.token = TOKEN_ADF_CARD_ROTATION},
    .scale_angle = 1.0,
    .texture_scale_x = 1.0f,
    .texture_scale_y = 1.0f,
};
constinit ElementHeader* adf_face_children[] = {&adf_card.header, nullptr};

constinit StaticImage adf_face = {
    .header = {.kind = ELEMENT_STATIC_IMAGE,
               .bitmap_id = 1300,
               .gauge = &adf_indicator_gauge,
               .children = adf_face_children,
               .failures = adf_face_failures,
               .image_flags = 0x3},
};
constinit ElementHeader* adf_root = &adf_face.header;

// clang-format off
constinit MouseRect adf_mouse_rects[] = {
    // kind             x    y    w   h  cursor           help    flags                            event                handler
    {MOUSE_PARENT,      0,   0,   0,  0, CURSOR_NONE,     43776,  0,                               0,                   nullptr, 0},
    {MOUSE_PARENT,      4, 112,  28, 28, CURSOR_NONE,     43777,  0,                               0,                   nullptr, 0},  // the knob
    {MOUSE_CHILD,       0,   0,  14, 28, CURSOR_DECREASE, 0,      MOUSE_LEFT_CLICK | MOUSE_REPEAT, EVENT_ADF_CARD_DOWN, nullptr, 0},
    {MOUSE_CHILD,      14,   0,  14, 28, CURSOR_INCREASE, 0,      MOUSE_LEFT_CLICK | MOUSE_REPEAT, EVENT_ADF_CARD_UP,   nullptr, 0},
    {MOUSE_PARENT_END,  0,   0,   0,  0, CURSOR_NONE,     0,      0,                               0,                   nullptr, 0},
    {MOUSE_PARENT_END,  0,   0,   0,  0, CURSOR_NONE,     0,      0,                               0,                   nullptr, 0},
    {MOUSE_END,         0,   0,   0,  0, CURSOR_NONE,     0,      0,                               0,                   nullptr, 0},
};
static_assert(sizeof(adf_mouse_rects) / sizeof(adf_mouse_rects[0]) == 7);
// clang-format on

}  // namespace

constinit GaugeHeader adf_indicator_gauge = {
    .version = GAUGE_VERSION,
    .name = "ADF_Indicator",
    .elements = &adf_root,
    .width_mm = 100,
    .mouse_rects = adf_mouse_rects,
    .gauge_callback = adf_indicator_callback,
};
