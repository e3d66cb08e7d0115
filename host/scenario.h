// Scenarios: small line-based scripts that place gauges, set variables, click, run
// frames and check the outcome. One command per line; '#' starts a comment line.
//
//   place GAUGE [window IDENT] [params TEXT...]   install a gauge (TEXT: rest of line)
//   set TOKEN VALUE                              set a simulated variable
//   event ID [VALUE]                             the host sends an event itself
//   frame [N]                                    N frames of every placed gauge
//   click GAUGE X Y                              click at a point of the gauge's face
//   remove GAUGE                                 kill and remove the gauge
//   expect var TOKEN VALUE                       a variable holds VALUE
//   expect window IDENT open|closed              a panel window's state
//   sleep MS                                     wait MS milliseconds of real time (lets
//                                                a played click sound out before the next)
//   panel FILE                                   place every gauge of a panel.cfg (a
//                                                relative FILE is beside the scenario)
//
// GAUGE is a gauge name (its first placement) or NAME#K (its K-th placement).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

class PanelHost;

struct ScenarioResult {
    bool ok = true;
    std::vector<std::string> messages;  // "FILE:LINE: what was wrong"
};

// Runs the scenario text on the host; source names the file in messages.
ScenarioResult run_scenario(PanelHost& host, const std::string& text, const std::string& source);

// Seconds of scenario time one frame stands for.
inline constexpr double FRAME_SECONDS = 1.0 / 18.0;
