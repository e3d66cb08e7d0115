// The ADF receiver and the transponder: their gauge headers, the four-place digit
// extraction both readouts use, their switch throw, and the element shapes both
// declarations use.
#pragma once

#include <cmath>
#include <cstdint>

#include "radios/radio_common.h"
#include "sdk/declare.h"
#include "sdk/records.h"

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

// The two gauges' own element shapes, built from the module's record builders.
namespace adf_xpdr_records {

using namespace declare;

// A knob: a 30x30 needle bitmap turning about its centre (15, 15) at (x, y).
constexpr Needle knob(uint32_t bitmap_id, int32_t x, int32_t y, uint32_t token, NonlinearityPoint* points,
                      uint32_t point_count, ValueCallback callback, GaugeHeader* gauge, ElementHeader** children) {
    return needle(element(ELEMENT_NEEDLE, bitmap_id, x, y, 0x83, gauge, children, nullptr), 15, 15, token, points,
                  point_count, callback);
}

// A digit drum: an eleven-cell strip (0 to 9 and 0 again) travelling in y over 0..10.
constexpr MovingImage drum(uint32_t bitmap_id, int32_t x, int32_t y, uint32_t token_y, ValueCallback callback_y,
                           GaugeHeader* gauge, ElementHeader** children, FailureEntry* failures) {
    return moving_image(element(ELEMENT_MOVING_IMAGE, bitmap_id, x, y, 0x83, gauge, children, failures), 0, 0.0, 0.0,
                        token_y, 0.0, 10.0, callback_y);
}

// An icon of 1 or 2 pictures at scale 1.0.
constexpr Icon icon(uint32_t bitmap_id, int32_t x, int32_t y, uint32_t image_flags, uint32_t token, uint32_t pictures,
                    ValueCallback callback, GaugeHeader* gauge, ElementHeader** children, FailureEntry* failures) {
    return declare::icon(element(ELEMENT_ICON, bitmap_id, x, y, image_flags, gauge, children, failures), token, 1.0,
                         pictures, callback);
}

}  // namespace adf_xpdr_records
