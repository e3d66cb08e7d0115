// Drawing what a panel shows at this moment into one PNG file: every open window of the
// panel configuration with the gauges placed on it, or, for gauges placed without a
// panel, each gauge in a window of its own.
#pragma once

#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/panel/panel_config.h"
#include "host/render/panel_picture.h"

class PanelHost;

// The windows to draw, in the panel's window order; only those the aircraft has open.
std::vector<PanelWindowView> panel_views(PanelHost& host, const PanelConfig* panel);

struct RenderOutcome {
    bool written = false;     // the picture file is there (perhaps with pictures missing)
    Diagnostics diagnostics;  // about the file: why it was not written, what could not be
                              // drawn (missing bitmaps); any error fails the drawing
    int width = 0, height = 0;
    int windows = 0;
};

// Draws the host's current state (its last frame) with the module's own bitmaps.
RenderOutcome render_panel_png(PanelHost& host, const PanelConfig* panel, const std::string& path,
                               const PaintOptions& options);
