// Window sizes and screen places (rules in geometry.h).
#include "host/panel/geometry.h"

#include <algorithm>
#include <cmath>

WindowGeometry window_geometry(const PanelWindow& window, Size bitmap, Size extent) {
    WindowGeometry g;
    const bool has_bitmap = bitmap.w > 0 && bitmap.h > 0;
    if (window.size_mm_w > 0)
        g.units_w = window.size_mm_w;
    else
        g.units_w = has_bitmap ? bitmap.w : std::max(extent.w, 1);
    if (window.size_mm_h > 0)
        g.units_h = window.size_mm_h;
    else if (has_bitmap)
        g.units_h = window.size_mm_w > 0 ? g.units_w * bitmap.h / bitmap.w : bitmap.h;
    else if (extent.h > 0)
        g.units_h = extent.h;
    else
        g.units_h = window.size_mm_w > 0 ? std::max(1.0, std::round(g.units_w * 0.75)) : 1.0;
    if (has_bitmap) {
        g.pixel_w = bitmap.w;
        g.pixel_h = bitmap.h;
    } else {
        g.pixel_w = std::max(1, static_cast<int>(std::ceil(g.units_w)));
        g.pixel_h = std::max(1, static_cast<int>(std::ceil(g.units_h)));
    }
    return g;
}

ScreenRect screen_rect(const PanelWindow& window, const WindowGeometry& geometry, Size screen) {
    ScreenRect r;
    const double sw = screen.w, sh = screen.h;
    const double aspect = static_cast<double>(geometry.pixel_h) / geometry.pixel_w;
    if (window.window_size && window.window_size->x > 0) {
        r.w = window.window_size->x * sw;
        r.h = window.window_size->y > 0 ? window.window_size->y * sh : r.w * aspect;
    } else {
        const double scale = sw / DESIGN_SCREEN_WIDTH;
        r.w = geometry.pixel_w * scale;
        r.h = geometry.pixel_h * scale;
        const double fit = std::min({1.0, sw / r.w, sh / r.h});
        r.w *= fit;
        r.h *= fit;
    }
    if (window.window_pos) {
        r.x = window.window_pos->x * sw;
        r.y = window.window_pos->y * sh;
        return r;
    }
    const int position = window.position.value_or(0);
    const int column = position % 3, row = position / 3;
    r.x = column == 0 ? 0.0 : column == 1 ? (sw - r.w) / 2 : sw - r.w;
    r.y = row == 0 ? 0.0 : row == 1 ? (sh - r.h) / 2 : sh - r.h;
    return r;
}

const BitmapName* background_name(const PanelWindow& window, int screen_width) {
    if (window.file_1024 && (screen_width >= DESIGN_SCREEN_WIDTH || !window.file)) return &*window.file_1024;
    return window.file ? &*window.file : nullptr;
}

Size gauge_box(int w, int h, Size face) {
    Size box{w > 0 ? w : face.w, h};
    if (h <= 0)
        box.h = w > 0 && face.w > 0 ? static_cast<int>(std::ceil(static_cast<double>(face.h) * w / face.w)) : face.h;
    return box;
}

void extend(Size& extent, int x, int y, Size box) {
    extent.w = std::max(extent.w, x + box.w);
    extent.h = std::max(extent.h, y + box.h);
}
