// Laying out and drawing the panel windows in one picture.
#include "host/render/panel_picture.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "host/render/xml_painter.h"

namespace {

constexpr int kMargin = 12;
constexpr int kMinRowWidth = 1000;

// The panel pixels a window needs: its declared size, or the extent of its gauges.
void window_size(const PanelWindowView& window, BitmapSource& bitmaps, int& width, int& height) {
    width = window.width;
    height = window.height;
    if (width > 0 && height > 0) return;
    Size need;
    for (const Placement* p : window.gauges) {
        Size face;
        const Bitmap* bitmap = p->elements.empty() ? nullptr : bitmaps.find(p->elements.front().element->bitmap_id);
        if (bitmap) face = {bitmap->width, bitmap->height};
        extend(need, p->x, p->y, gauge_box(p->w, p->h, face));
    }
    if (width <= 0) width = std::max(need.w, 1);
    if (height <= 0) height = std::max(need.h, 1);
}

void paint_background(const PanelWindowView& window, const Rect& area, Canvas& canvas, const PaintOptions& options) {
    GaugeFrame frame;
    frame.name = "background";
    frame.x = area.x;
    frame.y = area.y;
    frame.scale_x = area.w / window.bitmap->width;
    frame.scale_y = area.h / window.bitmap->height;
    canvas.begin_gauge(frame);
    BitmapDraw draw;
    draw.bitmap = window.bitmap;
    draw.black_transparent = true;
    draw.dim = options.night;
    canvas.bitmap(draw);
    canvas.end_gauge();
}

}  // namespace

PanelLayout lay_out_panel(const std::vector<PanelWindowView>& windows, BitmapSource& bitmaps, double scale) {
    PanelLayout layout;
    std::vector<std::pair<int, int>> sizes;
    int row_limit = kMinRowWidth;
    for (const auto& window : windows) {
        int w = 0, h = 0;
        window_size(window, bitmaps, w, h);
        if (scale != 1.0) {
            w = std::max(1, static_cast<int>(std::lround(w * scale)));
            h = std::max(1, static_cast<int>(std::lround(h * scale)));
        }
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
    layout.order.resize(windows.size());
    std::iota(layout.order.begin(), layout.order.end(), size_t{0});
    return layout;
}

PanelLayout lay_out_screen(const std::vector<PanelWindowView>& windows, Size screen) {
    PanelLayout layout;
    layout.screen = true;
    layout.width = screen.w;
    layout.height = screen.h;
    for (const auto& window : windows)
        layout.areas.push_back({window.screen.x, window.screen.y, window.screen.w, window.screen.h});
    layout.order.resize(windows.size());
    std::iota(layout.order.begin(), layout.order.end(), size_t{0});
    std::stable_sort(layout.order.begin(), layout.order.end(),
                     [&](size_t a, size_t b) { return windows[a].zorder < windows[b].zorder; });
    return layout;
}

std::vector<std::string> paint_panel(const std::vector<PanelWindowView>& windows, const PanelLayout& layout,
                                     BitmapSource& bitmaps, Canvas& canvas, const PaintOptions& options) {
    GaugePainter painter(bitmaps, canvas, options);
    for (const size_t i : layout.order) {
        if (i >= windows.size() || i >= layout.areas.size()) continue;
        const PanelWindowView& window = windows[i];
        WindowFrame frame;
        frame.title = window.title;
        frame.ident = window.ident;
        frame.area = layout.areas[i];
        frame.background = window.bitmap ? OUTSIDE_COLOUR : window.background;
        frame.dim = options.night;
        frame.titled = !layout.screen;
        frame.fill = !(layout.screen && window.bitmap);
        canvas.begin_window(frame);
        if (window.bitmap) paint_background(window, frame.area, canvas, options);
        const double sx = window.units_w > 0 ? frame.area.w / window.units_w : 1.0;
        const double sy = window.units_h > 0 ? frame.area.h / window.units_h : 1.0;
        for (const PanelPlaceholder& other : window.placeholders) {
            PlaceholderDraw draw;
            draw.label = other.label;
            draw.marker = other.w <= 0;
            draw.box = {frame.area.x + other.x * sx, frame.area.y + other.y * sy, draw.marker ? 0.0 : other.w * sx,
                        draw.marker ? 0.0 : (other.h > 0 ? other.h : other.w) * sy};
            canvas.placeholder(draw);
        }
        for (const Placement* p : window.gauges)
            painter.paint(*p, frame.area.x + p->x * sx, frame.area.y + p->y * sy, sx, sy);
        for (const XmlPlacement* p : window.xml_gauges)
            paint_xml_gauge(*p, canvas, frame.area.x + p->x * sx, frame.area.y + p->y * sy, sx, sy, options.night);
        canvas.end_window();
    }
    return painter.problems();
}
