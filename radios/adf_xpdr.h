// The ADF receiver and the transponder: their gauge headers, the four-place digit
// extraction both readouts use, their switch throw, and the record builders both
// declarations use.
#pragma once

#include <cmath>
#include <cstdint>

#include "module/records.h"
#include "radios/radio_common.h"

extern GaugeHeader old_adf_gauge;   // "Old_ADF"
extern GaugeHeader old_xpdr_gauge;  // "Old_XPDR"

// The places of a four-digit number (a frequency in kHz, a squawk code), taken apart
// with floor, never by rounding.
inline double digit_thousands(double n) { return std::floor(n / 1000.0); }
inline double digit_hundreds(double n) { return std::floor((n - 1000.0 * std::floor(n / 1000.0)) / 100.0); }
inline double digit_tens(double n) { return std::floor((n - 100.0 * std::floor(n / 100.0)) / 10.0); }
inline double digit_units(double n) { return n - 10.0 * std::floor(n / 10.0); }

// Throws a two-position switch to position and plays the click, only if it was elsewhere.
inline void throw_switch(RadioClick& click, int32_t& state, int32_t position) {
    if (state == position) return;
    state = position;
    radio_click_play(click);
}

// Builders for constant-initialised element records: only the words these two gauges
// declare are set, every other word is 0.
namespace adf_xpdr_records {

constexpr ModuleVar bind(uint32_t token) {
    ModuleVar var{};
    var.token = token;
    return var;
}

constexpr ElementHeader header(uint32_t kind, uint32_t bitmap_id, int32_t x, int32_t y, uint32_t image_flags,
                               GaugeHeader* gauge, ElementHeader** children, FailureEntry* failures) {
    ElementHeader h{};
    h.kind = kind;
    h.bitmap_id = bitmap_id;
    h.x = x;
    h.y = y;
    h.gauge = gauge;
    h.children = children;
    h.failures = failures;
    h.image_flags = image_flags;
    return h;
}

constexpr StaticImage face(uint32_t bitmap_id, GaugeHeader* gauge, ElementHeader** children) {
    StaticImage s{};
    s.header = header(ELEMENT_STATIC_IMAGE, bitmap_id, 0, 0, 0x3, gauge, children, nullptr);
    return s;
}

// A knob: a 30x30 needle bitmap turning about its centre (15, 15) at (x, y).
constexpr Needle knob(uint32_t bitmap_id, int32_t x, int32_t y, uint32_t token, NonlinearityPoint* points,
                      uint32_t point_count, ValueCallback callback, GaugeHeader* gauge, ElementHeader** children) {
    Needle n{};
    n.header = header(ELEMENT_NEEDLE, bitmap_id, x, y, 0x83, gauge, children, nullptr);
    n.header.pivot_x = 15;
    n.header.pivot_y = 15;
    n.source = bind(token);
    n.points = points;
    n.point_count = point_count;
    n.callback = callback;
    return n;
}

// A digit drum: an eleven-cell strip (0 to 9 and 0 again) travelling in y over 0..10.
constexpr MovingImage drum(uint32_t bitmap_id, int32_t x, int32_t y, uint32_t token_y, ValueCallback callback_y,
                           GaugeHeader* gauge, ElementHeader** children, FailureEntry* failures) {
    MovingImage m{};
    m.header = header(ELEMENT_MOVING_IMAGE, bitmap_id, x, y, 0x83, gauge, children, failures);
    m.min_x = 0.0;
    m.max_x = 0.0;
    m.source_y = bind(token_y);
    m.min_y = 0.0;
    m.max_y = 10.0;
    m.callback_y = callback_y;
    return m;
}

// An icon of 1 or 2 pictures, scale 1.0, switch mode 0, offset 0.
constexpr Icon icon(uint32_t bitmap_id, int32_t x, int32_t y, uint32_t image_flags, uint32_t token, uint32_t pictures,
                    ValueCallback callback, GaugeHeader* gauge, ElementHeader** children, FailureEntry* failures) {
    Icon i{};
    i.header = header(ELEMENT_ICON, bitmap_id, x, y, image_flags, gauge, children, failures);
    i.source = bind(token);
    i.switch_mode = 0;
    i.scale = 1.0;
    i.offset = 0;
    i.pictures = pictures;
    i.callback = callback;
    return i;
}

}  // namespace adf_xpdr_records
