// Airspeed_Kts and Magnetic_Compass: two instruments made of declarations only. The
// host draws their needle and card straight from the variables the records name.
#include "instruments/instruments.h"

// The records name only the fields they set; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

constexpr uint32_t TOKEN_AIRSPEED_KT = 61;
constexpr uint32_t TOKEN_COMPASS_DEG = 83;

// clang-format off
constinit FailureEntry airspeed_needle_failures[] = {
    // key action
    {6,  1, 0},
    {3,  2, 0},
    {0,  0, 0},  // end
};

// The airspeed needle's calibration: almost two clockwise turns about (59, 59), the
// first from six o'clock at 0 kt round to six o'clock again at 220 kt (on the same
// ray, nearer the pivot), the second on to 350 kt. The last two points coincide, so
// the needle stands still from 350 to 400 kt.
constinit NonlinearityPoint airspeed_points[] = {
    //  x    y  knots       direction from the pivot, degrees clockwise from 12 o'clock
    { 59, 106,   0.0},  // 180.0
    { 39, 101,  40.0},  // 205.5
    { 26,  90,  60.0},  // 226.8
    { 18,  81,  70.0},  // 241.8
    { 15,  66,  80.0},  // 261.0
    { 14,  54,  90.0},  // 276.3
    { 18,  39, 100.0},  // 296.0
    { 40,  17, 120.0},  // 335.7
    { 72,  16, 140.0},  //  16.8
    { 98,  36, 160.0},  //  59.5
    {103,  67, 180.0},  // 100.3
    { 88,  95, 200.0},  // 141.1
    { 59,  89, 220.0},  // 180.0, second turn begins
    { 31,  53, 280.0},  // 282.1
    { 69,  35, 340.0},  //  22.6
    { 77,  37, 350.0},  //  39.3
    { 77,  37, 400.0},  //  39.3, the same point: held still
};
static_assert(sizeof(airspeed_points) / sizeof(airspeed_points[0]) == 17);

constinit FailureEntry compass_card_failures[] = {
    {12, 0, 0},
    {0,  0, 0},  // end
};
// clang-format on

constinit StaticImage airspeed_overlay = {
    .header = {.kind = ELEMENT_STATIC_IMAGE, .bitmap_id = 230, .gauge = &airspeed_kts_gauge, .image_flags = 0x3},
};
constinit ElementHeader* airspeed_needle_children[] = {&airspeed_overlay.header, nullptr};

constinit Needle airspeed_needle = {
    .header = {.kind = ELEMENT_NEEDLE,
               .bitmap_id = 220,
               .x = 59,
               .y = 59,
               .pivot_x = 21,
               .pivot_y = 5,
               .gauge = &airspeed_kts_gauge,
               .children = airspeed_needle_children,
               .failures = airspeed_needle_failures,
               .image_flags = 0x83},
    .source = {.token = TOKEN_AIRSPEED_KT},
    .points = airspeed_points,
    .point_count = sizeof(airspeed_points) / sizeof(airspeed_points[0]),
};
constinit ElementHeader* airspeed_dial_children[] = {&airspeed_needle.header, nullptr};

constinit StaticImage airspeed_dial = {
    .header = {.kind = ELEMENT_STATIC_IMAGE,
               .bitmap_id = 210,
               .gauge = &airspeed_kts_gauge,
               .children = airspeed_dial_children,
               .image_flags = 0x3},
};
constinit ElementHeader* airspeed_root = &airspeed_dial.header;

// The card strip slides in x only: headings fall from left to right on the strip,
// so the range runs from 360 down to 0. The y range is the single value 360.
constinit MovingImage compass_card = {
    .header = {.kind = ELEMENT_MOVING_IMAGE,
               .bitmap_id = 250,
               .gauge = &magnetic_compass_gauge,
               .failures = compass_card_failures,
               .image_flags = 0x83},
    .source_x = {.token = TOKEN_COMPASS_DEG},
    .min_x = 360.0,
    .max_x = 0.0,
    .min_y = 360.0,
    .max_y = 360.0,
};
constinit ElementHeader* compass_background_children[] = {&compass_card.header, nullptr};

constinit StaticImage compass_background = {
    .header = {.kind = ELEMENT_STATIC_IMAGE,
               .bitmap_id = 240,
               .gauge = &magnetic_compass_gauge,
               .children = compass_background_children,
               .image_flags = 0x3},
};
constinit ElementHeader* compass_root = &compass_background.header;

// clang-format off
// A tooltip over the whole gauge and no click area.
constinit MouseRect airspeed_mouse_rects[] = {
    // kind             x  y  w  h  cursor       help   flags event handler
    {MOUSE_PARENT,      0, 0, 0, 0, CURSOR_NONE, 43778, 0,    0,    nullptr, 0},
    {MOUSE_PARENT_END,  0, 0, 0, 0, CURSOR_NONE, 0,     0,    0,    nullptr, 0},
    {MOUSE_END,         0, 0, 0, 0, CURSOR_NONE, 0,     0,    0,    nullptr, 0},
};
static_assert(sizeof(airspeed_mouse_rects) / sizeof(airspeed_mouse_rects[0]) == 3);

constinit MouseRect compass_mouse_rects[] = {
    {MOUSE_PARENT,      0, 0, 0, 0, CURSOR_NONE, 43895, 0,    0,    nullptr, 0},
    {MOUSE_PARENT_END,  0, 0, 0, 0, CURSOR_NONE, 0,     0,    0,    nullptr, 0},
    {MOUSE_END,         0, 0, 0, 0, CURSOR_NONE, 0,     0,    0,    nullptr, 0},
};
static_assert(sizeof(compass_mouse_rects) / sizeof(compass_mouse_rects[0]) == 3);
// clang-format on

}  // namespace

constinit GaugeHeader airspeed_kts_gauge = {
    .version = GAUGE_VERSION,
    .name = "Airspeed_Kts",
    .elements = &airspeed_root,
    .width_mm = 100,
    .mouse_rects = airspeed_mouse_rects,
};

constinit GaugeHeader magnetic_compass_gauge = {
    .version = GAUGE_VERSION,
    .name = "Magnetic_Compass",
    .elements = &compass_root,
    .width_mm = 100,
    .mouse_rects = compass_mouse_rects,
};
