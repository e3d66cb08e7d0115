// VOR1_Indicator: the NAV1 course indicator. Card, knob and needles follow host
// variables; while the NAV1 set is switched off the needles centre, the flags show
// their striped picture and the amber lamp is dark. The knob sends the course event.
#include <cmath>

#include "instruments/instruments.h"
#include "module/host_services.h"
#include "radios/radio_state.h"

// The records name only the fields they set; every other word is zero.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

constexpr uint32_t TOKEN_COURSE_DEG = 45;       // read by the knob handlers
constexpr uint32_t TOKEN_BLINK_TIME = 604;      // read by the lamp callback
constexpr uint32_t TOKEN_DEVIATION = 849;       // deviation needle
constexpr uint32_t TOKEN_GLIDESLOPE = 850;      // glideslope needle
constexpr uint32_t TOKEN_TO_FROM = 43;          // to/from flag, integer 0 / 1 / 2
constexpr uint32_t TOKEN_GLIDESLOPE_FLAG = 44;  // glideslope flag
constexpr uint32_t TOKEN_CARD_ROTATION = 854;   // course card and knob picture
constexpr uint32_t TOKEN_LAMP = 354;            // the lamp lights only while positive

constexpr uint32_t EVENT_COURSE_SET = 65716;  // value: the new course in whole degrees

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
    const double time_base = read_host_var(TOKEN_BLINK_TIME).value.f64;
    const bool blink_lit = std::fmod(time_base, BLINK_PERIOD) > BLINK_LIT_AFTER;
    const bool source_on = reinterpret_cast<Icon*>(element)->source.value.f64 > 0.0;
    return blink_lit && source_on && nav1_powered() ? ICON_FIRST_PICTURE : ICON_HIDDEN;
}

// The course the host holds, truncated toward zero to whole degrees. A reading no
// course can have (not a number, or beyond the 32-bit range) counts as 0.
int32_t whole_course_deg() {
    const double course = read_host_var(TOKEN_COURSE_DEG).value.f64;
    if (!(course > -2147483648.0 && course < 2147483648.0)) return 0;
    return static_cast<int32_t>(course);
}

int32_t TARVOLEN_CALLBACK vor_course_up(ClickRecord*, uint32_t) {
    const int32_t course = whole_course_deg();
    send_event(EVENT_COURSE_SET, static_cast<uint32_t>(course < 360 ? course + 1 : 1));
    return 0;
}

int32_t TARVOLEN_CALLBACK vor_course_down(ClickRecord*, uint32_t) {
    const int32_t course = whole_course_deg();
    send_event(EVENT_COURSE_SET, static_cast<uint32_t>(course > 0 ? course - 1 : 359));
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

// Elements, top-most (9, the lamp) first, down to the face (1).
constinit Icon vor_lamp = {
    .header = {.kind = ELEMENT_ICON,
               .bitmap_id = 1280,
               .x = 121,
               .y = 2,
               .gauge = &vor1_indicator_gauge,
               .failures = vor_signal_failures,
               .image_flags = 0x87},
    .source = {.token = TOKEN_LAMP},
    .scale = 1.0,
    .pictures = 1,
    .callback = vor_lamp_value,
};
constinit ElementHeader* vor_knob_children[] = {&vor_lamp.header, nullptr};

constinit Needle vor_knob = {
    .header = {.kind = ELEMENT_NEEDLE,
               .bitmap_id = 1210,
               .x = 19,
               .y = 123,
               .pivot_x = 15,
               .pivot_y = 15,
               .gauge = &vor1_indicator_gauge,
               .children = vor_knob_children,
               .image_flags = 0x83},
    .source = {.token = TOKEN_CARD_ROTATION},
};
constinit ElementHeader* vor_bezel_children[] = {&vor_knob.header, nullptr};

constinit StaticImage vor_bezel = {
    .header = {.kind = ELEMENT_STATIC_IMAGE,
               .bitmap_id = 1270,
               .gauge = &vor1_indicator_gauge,
               .children = vor_bezel_children,
               .image_flags = 0x3},
};
constinit ElementHeader* vor_glideslope_children[] = {&vor_bezel.header, nullptr};

constinit Needle vor_glideslope_needle = {
    .header = {.kind = ELEMENT_NEEDLE,
               .bitmap_id = 1250,
               .x = 37,
               .y = 70,
               .pivot_x = 0,
               .pivot_y = 2,
               .gauge = &vor1_indicator_gauge,
               .children = vor_glideslope_children,
               .failures = vor_signal_failures,
               .image_flags = 0x83},
    .source = {.token = TOKEN_GLIDESLOPE},
    .points = vor_glideslope_points,
    .point_count = 2,
    .callback = vor_needle_value,
};
constinit ElementHeader* vor_deviation_children[] = {&vor_glideslope_needle.header, nullptr};

constinit Needle vor_deviation_needle = {
    .header = {.kind = ELEMENT_NEEDLE,
               .bitmap_id = 1220,
               .x = 70,
               .y = 33,
               .pivot_x = -7,
               .pivot_y = 2,
               .gauge = &vor1_indicator_gauge,
               .children = vor_deviation_children,
               .failures = vor_signal_failures,
               .image_flags = 0x83},
    .source = {.token = TOKEN_DEVIATION},
    .points = vor_deviation_points,
    .point_count = 2,
    .callback = vor_needle_value,
};
constinit ElementHeader* vor_to_from_children[] = {&vor_deviation_needle.header, nullptr};

constinit Icon vor_to_from_flag = {
    .header = {.kind = ELEMENT_ICON,
               .bitmap_id = 1260,
               .x = 64,
               .y = 98,
               .gauge = &vor1_indicator_gauge,
               .children = vor_to_from_children,
               .failures = vor_signal_failures,
               .image_flags = 0x83},
    .source = {.token = TOKEN_TO_FROM},
    .scale = 1.0,
    .pictures = 3,
    .callback = vor_to_from_value,
};
constinit ElementHeader* vor_glideslope_flag_children[] = {&vor_to_from_flag.header, nullptr};

constinit Icon vor_glideslope_flag = {
    .header = {.kind = ELEMENT_ICON,
               .bitmap_id = 1240,
               .x = 87,
               .y = 63,
               .gauge = &vor1_indicator_gauge,
               .children = vor_glideslope_flag_children,
               .failures = vor_signal_failures,
               .image_flags = 0x83},
    .source = {.token = TOKEN_GLIDESLOPE_FLAG},
    .scale = 1.0,
    .pictures = 2,
    .callback = vor_glideslope_flag_value,
};
constinit ElementHeader* vor_card_children[] = {&vor_glideslope_flag.header, nullptr};

constinit Sprite vor_card = {
    .header = {.kind = ELEMENT_SPRITE,
               .bitmap_id = 1230,
               .pivot_x = 70,
               .pivot_y = 70,
               .gauge = &vor1_indicator_gauge,
               .children = vor_card_children,
               .image_flags = 0x83},
    .source_angle = {.token = TOKEN_CARD_ROTATION},
    .scale_angle = 1.0,
    .texture_scale_x = 1.0f,
    .texture_scale_y = 1.0f,
};
constinit ElementHeader* vor_face_children[] = {&vor_card.header, nullptr};

constinit StaticImage vor_face = {
    .header = {.kind = ELEMENT_STATIC_IMAGE,
               .bitmap_id = 1200,
               .gauge = &vor1_indicator_gauge,
               .children = vor_face_children,
               .failures = vor_face_failures,
               .image_flags = 0x3},
};
constinit ElementHeader* vor_root = &vor_face.header;

// clang-format off
constinit MouseRect vor_mouse_rects[] = {
    // kind             x    y    w   h  cursor           help    flags                          event handler
    {MOUSE_PARENT,      0,   0,   0,  0, CURSOR_NONE,     43890,  0,                             0, nullptr,         0},
    {MOUSE_PARENT,      4, 108,  29, 29, CURSOR_NONE,     43891,  0,                             0, nullptr,         0},  // the knob
    {MOUSE_CHILD,       0,   0,  14, 29, CURSOR_DECREASE, 0,      MOUSE_LEFT_CLICK | MOUSE_REPEAT, 0, vor_course_down, 0},
    {MOUSE_CHILD,      14,   0,  14, 29, CURSOR_INCREASE, 0,      MOUSE_LEFT_CLICK | MOUSE_REPEAT, 0, vor_course_up,   0},
    {MOUSE_PARENT_END,  0,   0,   0,  0, CURSOR_NONE,     0,      0,                             0, nullptr,         0},
    {MOUSE_PARENT,    121,   2,  16, 16, CURSOR_NONE,     43856,  0,                             0, nullptr,         0},  // the lamp
    {MOUSE_PARENT_END,  0,   0,   0,  0, CURSOR_NONE,     0,      0,                             0, nullptr,         0},
    {MOUSE_PARENT_END,  0,   0,   0,  0, CURSOR_NONE,     0,      0,                             0, nullptr,         0},
    {MOUSE_END,         0,   0,   0,  0, CURSOR_NONE,     0,      0,                             0, nullptr,         0},
};
static_assert(sizeof(vor_mouse_rects) / sizeof(vor_mouse_rects[0]) == 9);
// clang-format on

}  // namespace

constinit GaugeHeader vor1_indicator_gauge = {
    .version = GAUGE_VERSION,
    .name = "VOR1_Indicator",
    .elements = &vor_root,
    .width_mm = 100,
    .mouse_rects = vor_mouse_rects,
    .gauge_callback = vor_gauge_callback,
};
