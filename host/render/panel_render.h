// Drawing what a panel shows at this moment into one PNG file: the chosen windows of
// the panel configuration in the sheet or the screen layout, with their backgrounds,
// the gauges placed on them and other modules' gauges as placeholders; or, for gauges
// placed without a panel, each gauge in a window of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/panel/panel_config.h"
#include "host/render/panel_bitmaps.h"
#include "host/render/panel_picture.h"

class CairoCanvas;
class GaugeHost;
class PanelHost;

// Which windows a picture shows: those open now (as the panel loads, or as clicks left
// them), all of them, or those a list names (by ident number, window name, ident name,
// title or WindowNN, without regard to case).
struct WindowChoice {
    enum class Kind { visible, all, list };
    Kind kind = Kind::visible;
    std::vector<std::string> names;
};

struct PictureOptions {
    PaintOptions paint;
    bool screen_layout = false;  // false: the sheet
    Size screen{1024, 768};      // the screen's pixels (and which background bitmaps)
    WindowChoice windows;
    double scale = 1.0;             // the sheet's pixels per window pixel
    const XmlPanel* xml = nullptr;  // other authors' XML gauges placed on the panel, or null
};

// The panel's windows the choice takes, in the panel's order; false with error for a
// name of the list that no window has.
bool choose_windows(GaugeHost& host, const PanelConfig& panel, const WindowChoice& choice,
                    std::vector<const PanelWindow*>& chosen, std::string& error);
bool choose_windows(PanelHost& host, const PanelConfig& panel, const WindowChoice& choice,
                    std::vector<const PanelWindow*>& chosen, std::string& error);

// The views of the chosen windows (without a panel: every placement in a window of its
// own). faces gives the gauges' face sizes; backgrounds may be null.
std::vector<PanelWindowView> panel_views(GaugeHost& host, const PanelConfig* panel, BitmapSource& faces,
                                         const PanelBackgrounds* backgrounds = nullptr,
                                         const std::vector<const PanelWindow*>* chosen = nullptr,
                                         const PictureOptions& options = {});
std::vector<PanelWindowView> panel_views(PanelHost& host, const PanelConfig* panel, BitmapSource& faces,
                                         const PanelBackgrounds* backgrounds = nullptr,
                                         const std::vector<const PanelWindow*>* chosen = nullptr,
                                         const PictureOptions& options = {});

// The largest picture drawn, on either side.
inline constexpr int MAX_PICTURE_SIDE = 20000;

struct RenderOutcome {
    bool written = false;     // the picture file is there (perhaps with pictures missing)
    Diagnostics diagnostics;  // why it was not written, what could not be drawn (missing
                              // bitmaps: errors, which fail the drawing), what is worth knowing
                              // (missing backgrounds, nothing open: notes)
    int width = 0, height = 0;
    int windows = 0;
};

// Draws the host's current state (its last frame) with the module's own bitmaps into a
// picture, which is not written (null, with the outcome's errors saying why, when there
// is nothing to draw it on); path names the picture in messages.
std::unique_ptr<CairoCanvas> render_panel_picture(GaugeHost& host, const PanelConfig* panel, const std::string& path,
                                                  const PictureOptions& options, RenderOutcome& outcome);
// The same, written to the PNG file path.
RenderOutcome render_panel_png(GaugeHost& host, const PanelConfig* panel, const std::string& path,
                               const PictureOptions& options);
RenderOutcome render_panel_png(PanelHost& host, const PanelConfig* panel, const std::string& path,
                               const PictureOptions& options);
