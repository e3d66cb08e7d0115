// One picture of a panel, in one of two layouts:
//   sheet   every chosen window side by side (in the order given, wrapping into rows),
//           each at its own pixel size (times a scale) with its title above;
//   screen  every chosen window where its keys put it on a screen, in z order (lower
//           zorder first, the file's order among equals), over the outside view, as
//           the pilot sees it.
// A window shows its background bitmap (pure black see-through), or its background
// colour; then its gauges, in its size_mm units scaled to the window's area, and the
// gauges of other modules as labelled placeholders.
#pragma once

#include <string>
#include <vector>

#include "host/panel/geometry.h"
#include "host/render/gauge_painter.h"
#include "host/xml/xml_panel.h"

// What shows through a window's see-through parts and around the windows on a screen.
inline constexpr uint32_t OUTSIDE_COLOUR = 0x7D9AB8;
// A window's colour when the panel gives it none.
inline constexpr uint32_t WINDOW_COLOUR = 0x4A4A46;

// A gauge of another module, in its window's units; w 0: no size given.
struct PanelPlaceholder {
    std::string label;
    int x = 0, y = 0, w = 0, h = 0;
};

// A panel window as the picture shows it.
struct PanelWindowView {
    int32_t ident = 0;
    std::string title;
    int width = 0, height = 0;        // panel pixels; 0 = as large as its gauges need
    double units_w = 0, units_h = 0;  // the units gauge positions use; 0: one per pixel
    uint32_t background = WINDOW_COLOUR;
    const Bitmap* bitmap = nullptr;        // background picture, or null
    std::vector<const Placement*> gauges;  // in drawing order
    std::vector<PanelPlaceholder> placeholders;
    std::vector<const XmlPlacement*> xml_gauges;  // other authors' XML gauges, in the file's order
    int zorder = 0;
    ScreenRect screen;  // where the screen layout puts it
};

struct PanelLayout {
    int width = 0, height = 0;
    std::vector<Rect> areas;    // one per window: where its content lies in the picture
    std::vector<size_t> order;  // the windows in drawing order
    bool screen = false;        // the screen layout: no titles, the outside around
};

// The sheet: where each window goes in the picture and how large the picture is.
PanelLayout lay_out_panel(const std::vector<PanelWindowView>& windows, BitmapSource& bitmaps, double scale = 1.0);
// The screen: each window at its screen place on a screen of this size.
PanelLayout lay_out_screen(const std::vector<PanelWindowView>& windows, Size screen);

// Draws the windows at their places. Returns the problems met (missing bitmaps).
std::vector<std::string> paint_panel(const std::vector<PanelWindowView>& windows, const PanelLayout& layout,
                                     BitmapSource& bitmaps, Canvas& canvas, const PaintOptions& options);
