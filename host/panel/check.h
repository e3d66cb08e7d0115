// The checker for panel authors: what the simulator and the module pass over in
// silence, said as findings "FILE:LINE: what".
//
// It finds:
//   - everything the reader names (lines it cannot read, a gaugeNN given twice in one
//     window, a break in the window numbering that hides the windows behind it, ...),
//     and a file without any 2D window;
//   - a gauge name this module does not have, with "did you mean" for a near miss;
//   - parameter commands the module ignores or reads otherwise than meant: a b the
//     module rejects (and the h it then skips), a window name outside the module's
//     table that reads as window 0, a window id no window of this file has, a command
//     behind a comment mark, an h number below 40960, a plate colour outside 0-255,
//     parameters given to a gauge that reads none;
//   - a gauge of this module that reaches outside its window, and click areas of two
//     gauges of one window that overlap.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/core/gauge_host.h"
#include "host/panel/geometry.h"
#include "host/panel/panel_config.h"

// Sizes the checker needs from the pictures: a gauge's face (its root bitmap) and a
// window's background bitmap, each 0 x 0 when unknown.
struct CheckSizes {
    std::function<Size(const Placement&)> face;
    std::function<Size(const PanelWindow&)> background;
};

// Places the panel's gauges on host (a host with the module loaded and nothing placed)
// and returns the findings of reading (read: what reading the file said) and
// placing, each an error, ordered by line.
Diagnostics check_panel(GaugeHost& host, const PanelConfig& panel, const Diagnostics& read, const CheckSizes& sizes);

// The module's gauge name nearest to name (ignoring case, at most two letters off), or
// empty.
std::string nearest_gauge_name(GaugeHost& host, const std::string& name);

// What a click on one of the module's toggle gauges does to the panel's windows, read
// from its parameters as the module reads them.
struct ToggleClick {
    struct Command {
        char letter;    // 'o' opens, 'c' closes, 't' toggles
        int32_t ident;  // the window
    };
    bool toggle = false;          // the gauge runs window commands when clicked
    bool closes_own = false;      // no parameters: the click closes the window the gauge is on
    std::vector<Command> sent;    // in the order the module sends them: every o, then c, then t
    bool other_commands = false;  // a p command (seat and view events) besides
};
ToggleClick toggle_click(const std::string& gauge_name, const std::optional<std::string>& parameters);
