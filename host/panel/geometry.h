// Where a panel window lies: its size in its own units and pixels, and its place on
// the screen, from its keys, its background bitmap and its gauges.
//
//   units   size_mm W,H; a missing H from the bitmap's aspect, else from the extent of
//           the gauges, else three quarters of W; without size_mm the bitmap's pixels,
//           else the gauges' extent. Gauge positions and sizes are in these units.
//   pixels  the background bitmap's size; without one, one pixel per unit.
//   screen  window_size W,H as fractions of the screen (W alone: H from the window's
//           aspect); without it the window's pixels as pixels of a 1024-wide screen,
//           made smaller to fit the screen when larger. window_pos X,Y puts the top left
//           corner at fractions of the screen; without it position 0..8 puts the window
//           at a corner, the middle of an edge or the centre (0 top left, 1 top centre,
//           2 top right, 3 middle left ... 8 bottom right; 0 when not given).
#pragma once

#include "host/panel/panel_config.h"

struct Size {
    int w = 0, h = 0;
};

struct ScreenRect {
    double x = 0, y = 0, w = 0, h = 0;
};

struct WindowGeometry {
    double units_w = 1, units_h = 1;  // size_mm units across and down the window
    int pixel_w = 1, pixel_h = 1;     // the window's own pixels
};

// The screen width panel bitmaps are drawn for at one screen pixel each.
inline constexpr int DESIGN_SCREEN_WIDTH = 1024;

// bitmap: the background's pixel size (0 x 0 when none); extent: how far the gauges
// reach, in units.
WindowGeometry window_geometry(const PanelWindow& window, Size bitmap, Size extent);
// The window's place on a screen of the given size, in screen pixels.
ScreenRect screen_rect(const PanelWindow& window, const WindowGeometry& geometry, Size screen);
// The background bitmap a window uses on a screen this wide: file_1024 on screens 1024
// pixels wide or more when the window names one, else file; null when none.
const BitmapName* background_name(const PanelWindow& window, int screen_width);

// A gauge's box in its window's units: the placed width (or the face's width) and the
// placed height (or the face's height at the width's scale). face: 0 x 0 when unknown.
Size gauge_box(int w, int h, Size face);
// How far a list of boxes at (x, y) reaches: the largest x + w and y + h.
void extend(Size& extent, int x, int y, Size box);
