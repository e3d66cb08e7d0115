// Constexpr builders for the declaration records (bindings, element headers and the
// element kinds, mouse rectangles, gauge headers), shared so every gauge family sets
// the same words the same way; a word a builder does not take is 0.
#pragma once

#include "sdk/records.h"

namespace declare {

// Every static image of the module is drawn with these flags.
inline constexpr uint32_t STATIC_IMAGE_FLAGS = 0x3;

// A variable binding: the token the host fills in before each evaluation.
constexpr ModuleVar bind(uint32_t token) {
    ModuleVar var{};
    var.token = token;
    return var;
}

constexpr ElementHeader element(uint32_t kind, uint32_t bitmap_id, int32_t x, int32_t y, uint32_t image_flags,
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

// A picture at (0, 0): a face, a bezel or an overlay.
constexpr StaticImage static_image(uint32_t bitmap_id, GaugeHeader* gauge, ElementHeader** children = nullptr,
                                   FailureEntry* failures = nullptr) {
    StaticImage s{};
    s.header = element(ELEMENT_STATIC_IMAGE, bitmap_id, 0, 0, STATIC_IMAGE_FLAGS, gauge, children, failures);
    return s;
}

// A needle turning its bitmap about (pivot_x, pivot_y) of the bitmap.
constexpr Needle needle(ElementHeader header, int32_t pivot_x, int32_t pivot_y, uint32_t token,
                        NonlinearityPoint* points, uint32_t point_count, ValueCallback callback) {
    Needle n{};
    n.header = header;
    n.header.pivot_x = pivot_x;
    n.header.pivot_y = pivot_y;
    n.source = bind(token);
    n.points = points;
    n.point_count = point_count;
    n.callback = callback;
    return n;
}

// An icon showing one of its pictures (switch mode 0, offset 0).
constexpr Icon icon(ElementHeader header, uint32_t token, double scale, uint32_t pictures, ValueCallback callback) {
    Icon i{};
    i.header = header;
    i.source = bind(token);
    i.switch_mode = 0;
    i.scale = scale;
    i.offset = 0;
    i.pictures = pictures;
    i.callback = callback;
    return i;
}

// A strip sliding over its window, in x over min_x..max_x and in y over min_y..max_y.
constexpr MovingImage moving_image(ElementHeader header, uint32_t token_x, double min_x, double max_x, uint32_t token_y,
                                   double min_y, double max_y, ValueCallback callback_y) {
    MovingImage m{};
    m.header = header;
    m.source_x = bind(token_x);
    m.min_x = min_x;
    m.max_x = max_x;
    m.source_y = bind(token_y);
    m.min_y = min_y;
    m.max_y = max_y;
    m.callback_y = callback_y;
    return m;
}

// A card turning about (pivot_x, pivot_y), one degree per unit of its angle variable,
// drawn at its bitmap's size.
constexpr Sprite sprite(ElementHeader header, int32_t pivot_x, int32_t pivot_y, uint32_t token_angle) {
    Sprite s{};
    s.header = header;
    s.header.pivot_x = pivot_x;
    s.header.pivot_y = pivot_y;
    s.source_angle = bind(token_angle);
    s.scale_angle = 1.0;
    s.texture_scale_x = 1.0f;
    s.texture_scale_y = 1.0f;
    return s;
}

// A parent rectangle: a tooltip over its box (all zero: the whole gauge).
constexpr MouseRect mouse_parent(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t help_id) {
    return {MOUSE_PARENT, x, y, w, h, CURSOR_NONE, help_id, 0, 0, nullptr, 0};
}

// A click area: an event the host sends itself, or a handler.
constexpr MouseRect mouse_child(int32_t x, int32_t y, int32_t w, int32_t h, int32_t cursor, uint32_t mouse_flags,
                                uint32_t event_id, MouseHandler handler) {
    return {MOUSE_CHILD, x, y, w, h, cursor, 0, mouse_flags, event_id, handler, 0};
}

constexpr MouseRect mouse_parent_end() { return {MOUSE_PARENT_END, 0, 0, 0, 0, CURSOR_NONE, 0, 0, 0, nullptr, 0}; }
constexpr MouseRect mouse_end() { return {MOUSE_END, 0, 0, 0, 0, CURSOR_NONE, 0, 0, 0, nullptr, 0}; }

// A gauge header of this module's version: its default width, the height word 0.
constexpr GaugeHeader gauge_header(const char* name, ElementHeader** elements, uint32_t width_mm,
                                   MouseRect* mouse_rects, GaugeCallback callback) {
    GaugeHeader h{};
    h.version = GAUGE_VERSION;
    h.name = name;
    h.elements = elements;
    h.width_mm = width_mm;
    h.height_mm = 0;
    h.mouse_rects = mouse_rects;
    h.gauge_callback = callback;
    return h;
}

}  // namespace declare
