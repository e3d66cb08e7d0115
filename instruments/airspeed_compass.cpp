// Airspeed_Kts and Magnetic_Compass: two instruments made of declarations only. The
// host draws their needle and card straight from the variables the records name.
#include "instruments/instruments.h"
#include "sdk/declare.h"
#include "sdk/ids.h"

// The calibration tables name only the words they set; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using namespace declare;

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

constexpr GaugeHeader* airspeed = &airspeed_kts_gauge;
constexpr GaugeHeader* compass = &magnetic_compass_gauge;

// The element words: kind, bitmap, x, y, image flags, gauge, the element drawn over
// it, failures.
constinit StaticImage airspeed_overlay = static_image(230, airspeed);
constinit ElementHeader* airspeed_needle_children[] = {&airspeed_overlay.header, nullptr};

constinit Needle airspeed_needle =
    needle(element(ELEMENT_NEEDLE, 220, 59, 59, 0x83, airspeed, airspeed_needle_children, airspeed_needle_failures), 21,
           5, TOKEN_AIRSPEED_KNOTS, airspeed_points, sizeof(airspeed_points) / sizeof(airspeed_points[0]), nullptr);
constinit ElementHeader* airspeed_dial_children[] = {&airspeed_needle.header, nullptr};

constinit StaticImage airspeed_dial = static_image(210, airspeed, airspeed_dial_children);
constinit ElementHeader* airspeed_root = &airspeed_dial.header;

// The card strip slides in x only: headings fall from left to right on the strip,
// so the range runs from 360 down to 0. The y range is the single value 360.
constinit MovingImage compass_card =
    moving_image(element(ELEMENT_MOVING_IMAGE, 250, 0, 0, 0x83, compass, nullptr, compass_card_failures),
                 TOKEN_COMPASS_DEG, 360.0, 0.0, 0, 360.0, 360.0, nullptr);
constinit ElementHeader* compass_background_children[] = {&compass_card.header, nullptr};

constinit StaticImage compass_background = static_image(240, compass, compass_background_children);
constinit ElementHeader* compass_root = &compass_background.header;

// clang-format off
// A tooltip over the whole gauge and no click area.
constinit MouseRect airspeed_mouse_rects[] = {
    //           x  y  w  h  help
    mouse_parent(0, 0, 0, 0, 43778),
    mouse_parent_end(),
    mouse_end(),
};
static_assert(sizeof(airspeed_mouse_rects) / sizeof(airspeed_mouse_rects[0]) == 3);

constinit MouseRect compass_mouse_rects[] = {
    //           x  y  w  h  help
    mouse_parent(0, 0, 0, 0, 43895),
    mouse_parent_end(),
    mouse_end(),
};
static_assert(sizeof(compass_mouse_rects) / sizeof(compass_mouse_rects[0]) == 3);
// clang-format on

}  // namespace

constinit GaugeHeader airspeed_kts_gauge =
    declare::gauge_header("Airspeed_Kts", &airspeed_root, 100, airspeed_mouse_rects, nullptr);
constinit GaugeHeader magnetic_compass_gauge =
    declare::gauge_header("Magnetic_Compass", &compass_root, 100, compass_mouse_rects, nullptr);
