// Scenarios: small line-based scripts that place gauges, set variables, click, run
// frames and check the outcome. One command per line; '#' starts a comment line.
//
//   place GAUGE [window IDENT] [params TEXT...]   install a gauge (TEXT: rest of line)
//   set TOKEN VALUE                              set a simulated variable
//   event ID [VALUE]                             the host sends an event itself
//   frame [N]                                    N frames of every placed gauge
//   click GAUGE X Y                              click at a point of the gauge's face
//                                                (MODULE!NAME: another author's XML gauge)
//   remove GAUGE                                 kill and remove the gauge
//   expect var TOKEN VALUE                       a variable holds VALUE
//   expect window IDENT open|closed              a panel window's state
//   sleep MS                                     wait MS milliseconds of real time (lets
//                                                a played click sound out before the next)
//   panel FILE                                   place every gauge of a panel.cfg (a
//                                                relative FILE is beside the scenario)
//   render FILE.png [night]                      draw the open windows (or, without a
//                                                panel, every gauge) as they stand now
//
// GAUGE is a gauge name (its first placement) or NAME#K (its K-th placement). A panel
// file is found beside the scenario; pictures go to the output folder the host names
// (the current folder unless told otherwise). A host without a renderer (the Windows
// build) passes over render lines.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"

class GaugeHost;
class PanelHost;
struct Placement;
struct PanelConfig;

// Other authors' gauges that panel lines place (XML gauges), where the host reads them.
class OtherGauges {
public:
    virtual ~OtherGauges() = default;
    virtual void place(GaugeHost& host, const PanelConfig& panel, const std::string& path,
                       Diagnostics& diagnostics) = 0;
    virtual void frame() = 0;
    // A click on MODULE!NAME at (x, y) of its face; false with the problem in words.
    virtual bool click(GaugeHost& host, const std::string& gauge, int x, int y, std::string& problem) = 0;
};

// What the host running a scenario offers besides the gauges.
struct ScenarioHooks {
    std::shared_ptr<OtherGauges> others;  // null: other modules' gauges stay placeholders
    // Draws the panel as it stands into a PNG file; adds an error when that fails, and
    // notes (what was written).
    std::function<void(GaugeHost& host, const PanelConfig* panel, const std::string& path, bool night,
                       Diagnostics& diagnostics)>
        render;
    std::string output_dir;  // where render lines write; empty: the current folder
    // Around every frame: before it moves the clock on, and after every gauge has run it
    // (a recording draws the panel there and stamps sounds with the clock).
    std::function<void(GaugeHost& host)> before_frame;
    std::function<void(GaugeHost& host, const PanelConfig* panel)> after_frame;
    // Called after every frame and every line: a caller that streams the trace writes
    // and clears it here, so a long scenario does not hold it all.
    std::function<void(GaugeHost& host)> flush;
    // Waits for a sleep line's milliseconds; unset: this thread sleeps them. A host that
    // must not block (the live page's clock) or a test that must not wait sets its own.
    std::function<void(int ms)> sleep;
};

// The placement a GAUGE argument names (NAME or NAME#K), or null.
Placement* find_placement(GaugeHost& host, const std::string& arg);
Placement* find_placement(PanelHost& host, const std::string& arg);

// Runs the scenario text on the host: the errors (a line that cannot be run, an
// expectation not met, a module fault, at the line where it happened) and notes, each
// "SOURCE:LINE: what" where the scenario is the place. A scenario runs at most
// MAX_SCENARIO_FRAMES frames in all. Numbers are read with the host's one number grammar.
Diagnostics run_scenario(GaugeHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks = {});
Diagnostics run_scenario(PanelHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks = {});

// The frames the scenario's frame lines run, counted without running it (0 for lines
// that are not well formed: running them reports those).
int64_t count_scenario_frames(const std::string& text);
inline constexpr long long MAX_SCENARIO_FRAMES = 1000000;  // 15 hours at 18 a second

// Seconds of scenario time one frame stands for.
inline constexpr double FRAME_SECONDS = 1.0 / 18.0;
