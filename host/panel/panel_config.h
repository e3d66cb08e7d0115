// The simulator's panel configuration (panel.cfg): its panel windows and the gauges
// each window shows, read into a plain model, and placing a whole panel on a host.
//
// The format read:
//   [Window Titles]           window00=Main Panel   (one title per window)
//   [WindowNN]                one section per panel window, with the keys
//     size_mm=W[,H]             the window's design size; gauge positions use its units
//     position=N                preset screen position 0..8
//     window_pos=X,Y            screen position as fractions of the screen (0.0-1.0)
//     window_size=W,H           screen size as fractions of the screen
//     visible=0|1               shown when the panel loads (1 when not given)
//     ident=N|NAME              the ident commands and events use: a number or a window
//                               name of sdk/ids.h (MAIN_PANEL = 0, RADIO_STACK_PANEL = 50, ...)
//     gaugeNN=MODULE!GAUGE, X, Y[, W[, H[, PARAMETERS]]]
//   // starts a comment anywhere on a line, except inside a gauge's parameters.
//
// Section names and keys are matched without regard to case. Other keys and other
// sections ([Views], [VcockpitNN], ...) are ignored, as the simulator ignores what it
// does not use. A gauge's PARAMETERS are everything behind the fifth comma (commas,
// spaces, '/' and '#' included, since the parameter language uses them), without the
// blanks around it. W and H may be left out or empty: 0 then stands for "the gauge's
// own size" and "the width's aspect".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"

class PanelHost;

struct PanelGauge {
    int index = 0;                          // NN of gaugeNN
    std::string module;                     // before the '!'
    std::string name;                       // after the '!'
    int x = 0, y = 0;                       // top-left corner, in the window's size_mm units
    int w = 0, h = 0;                       // placed size; 0 = not given
    std::optional<std::string> parameters;  // absent when the line has no sixth field
    int line = 0;                           // line of the file
};

// A point or size on the screen, each coordinate a fraction of the screen.
struct ScreenFraction {
    double x = 0.0, y = 0.0;
};

struct PanelWindow {
    int index = 0;                     // NN of [WindowNN] / windowNN
    std::string title;                 // from [Window Titles]; empty when none
    int size_mm_w = 0, size_mm_h = 0;  // 0 = not given
    std::optional<int> position;       // 0..8
    std::optional<ScreenFraction> window_pos;
    std::optional<ScreenFraction> window_size;
    bool visible = true;
    std::optional<int32_t> ident;
    std::vector<PanelGauge> gauges;  // in the order of the file
    int line = 0;                    // line of the section header (0: title only)
};

struct PanelConfig {
    std::string source;                // the file name messages use
    std::vector<PanelWindow> windows;  // by window number
};

// Reads panel.cfg text; source names the file in the errors and notes (what went wrong,
// and what is worth knowing without being wrong). The model holds every line that could
// be read, also when there are errors.
PanelConfig parse_panel_config(const std::string& text, const std::string& source, Diagnostics& diagnostics);
// Reads the file at path.
PanelConfig read_panel_config(const std::string& path, Diagnostics& diagnostics);

// The ident a window is known by: its ident, or, for a window without one, a negative
// number of its own (-1 - index) that no command can name.
int32_t window_ident(const PanelWindow& window);

// The module name gauge lines give for this module's gauges (matched without case).
inline constexpr const char* MODULE_NAME = "Tarvolen_Instr";

// Declares every window open or closed by its visible flag, then places every gauge of
// this module that the panel lists, window by window, with its window's ident, position,
// size and parameters. Gauges of other modules are skipped with a note; a gauge
// name the module does not have is an error. Returns diagnostics.ok().
bool place_panel(PanelHost& host, const PanelConfig& panel, Diagnostics& diagnostics);
