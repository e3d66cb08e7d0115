// Laying out and drawing the panel windows in one picture.
#include "host/render/panel_picture.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMargin = 12;
constexpr int kMinRowWidth = 1000;

// The panel pixels a window needs: its declared size, or the extent of its gauges.
void window_size(const PanelWindowView& window, BitmapSource& bitmaps, int& width, int& height) {
    width = window.width;
    height = window.height;
    if (width > 0 && height > 0) return;
    int need_w = 0, need_h = 0;
    for (const Placement* p : window.gauges) {
        int face_w = 0, face_h = 0;
        const Bitmap* face = p->elements.empty() ? nullptr : bitmaps.find(p->elements.front().element->bitmap_id);
        if (face) face_w = face->width, face_h = face->height;
        const double scale = p->w > 0 && face_w > 0 ? static_cast<double>(p->w) / face_w : 1.0;
        const int w = p->w > 0 ? p->w : face_w;
        const int h = p->h > 0 ? p->h : static_cast<int>(std::ceil(face_h * scale));
        need_w = std::max(need_w, p->x + w);
        need_h = std::max(need_h, p->y + h);
    }
    if (width <= 0) width = std::max(need_w, 1);
    if (height <= 0) height = std::max(need_h, 1);
}

}  // namespace

PanelLayout lay_out_panel(const std::vector<PanelWindowView>& windows, BitmapSource& bitmaps) {
    PanelLayout layout;
    std::vector<std::pair<int, int>> sizes;
    int row_limit = kMinRowWidth;
    for (const auto& window : windows) {
        int w = 0, h = 0;
        window_size(window, bitmaps, w, h);
        sizes.emplace_back(w, h);
        row_limit = std::max(row_limit, w + 2 * kMargin);
    }
    const int band = static_cast<int>(WINDOW_TITLE_BAND);
    int x = kMargin, y = kMargin, row_height = 0;
    for (const auto& [w, h] : sizes) {
        if (x > kMargin && x + w + kMargin > row_limit) {  // next row
            x = kMargin;
            y += row_height + kMargin;
            row_height = 0;
        }
        layout.areas.push_back(
            {static_cast<double>(x), static_cast<double>(y + band), static_cast<double>(w), static_cast<double>(h)});
        layout.width = std::max(layout.width, x + w + kMargin);
        row_height = std::max(row_height, band + h);
        x += w + kMargin;
    }
    layout.height = y + row_height + kMargin;
    if (windows.empty()) layout.width = layout.height = 2 * kMargin;
    return layout;
}

std::vector<std::string> paint_panel(const std::vector<PanelWindowView>& windows, const PanelLayout& layout,
                                     BitmapSource& bitmaps, Canvas& canvas, const PaintOptions& options) {
    GaugePainter painter(bitmaps, canvas, options);
    for (size_t i = 0; i < windows.size() && i < layout.areas.size(); ++i) {
        const PanelWindowView& window = windows[i];
        WindowFrame frame;
        frame.title = window.title;
        frame.ident = window.ident;
        frame.area = layout.areas[i];
        frame.background = window.background;
        frame.dim = options.night;
        canvas.begin_window(frame);
        for (const Placement* p : window.gauges) painter.paint(*p, frame.area.x + p->x, frame.area.y + p->y);
        canvas.end_window();
    }
    return painter.problems();
}
