// One picture of a panel: every open panel window with the gauges placed on it, laid
// out side by side (in the order given, wrapping into rows), each with its title above.
#pragma once

#include <string>
#include <vector>

#include "host/render/gauge_painter.h"

// A panel window as the picture shows it.
struct PanelWindowView {
    int32_t ident = 0;
    std::string title;
    int width = 0, height = 0;  // panel pixels; 0 = as large as its gauges need
    uint32_t background = 0x4A4A46;
    std::vector<const Placement*> gauges;  // in drawing order
};

struct PanelLayout {
    int width = 0, height = 0;
    std::vector<Rect> areas;  // one per window: where its content lies in the picture
};

// Where each window goes in the picture and how large the picture is.
PanelLayout lay_out_panel(const std::vector<PanelWindowView>& windows, BitmapSource& bitmaps);

// Draws the windows at their places. Returns the problems met (missing bitmaps).
std::vector<std::string> paint_panel(const std::vector<PanelWindowView>& windows, const PanelLayout& layout,
                                     BitmapSource& bitmaps, Canvas& canvas, const PaintOptions& options);
