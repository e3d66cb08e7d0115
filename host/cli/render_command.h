// The renderer's part of the command line: `panelhost render` and the drawing behind a
// scenario's render lines.
#pragma once

#include <string>
#include <vector>

#include "host/cli/scenario.h"

// panelhost render PANEL.cfg [--set TOKEN=VALUE]... [--click GAUGE@X,Y]... [--frames N]
//                  [--night] [--layout sheet|screen] [--screen WxH] [--scale F]
//                  [--windows visible|all|LIST] [--verbose] -o OUT.png
//
// Loads the module, places the panel (every gauge installed), sets the variables
// (TOKEN: a number or the token's name in the host's table), runs one frame, makes each
// click followed by a frame (as a hand clicks between frames), runs N more frames
// (default 1; each frame is 1/18 s of scenario time, so the simulated flight moves a
// little), and draws one picture of the chosen windows (--windows: visible, the windows
// open at that moment (visible=1, or opened by a click), the default; all; or a list of
// idents and titles): --layout sheet (the default) side by side in the panel's window
// order, wrapping into rows, each titled, each at its pixel size times --scale;
// --layout screen each where the panel puts it on a screen of --screen pixels (default
// 1024x768), as the pilot sees it. Gauges of other modules are drawn as placeholders,
// with one note (--verbose: one per gauge).
// GAUGE is a gauge name (its first placement) or NAME#K; X,Y are pixels of the gauge's
// face bitmap, the units its click areas are given in, whatever size the panel draws
// it at. --night dims everything that is not lit (image flags 0x4 and 0x4000).
// Exit code 0; 1 when the panel has errors or no 2D window, the module faults, a click hits nothing, a
// picture is missing or the file cannot be written; 2 for wrong arguments.
// args: the words after "render".
int render_command(const std::vector<std::string>& args, const std::string& module_path);

// Scenario hooks whose render lines draw PNG files into out_dir.
ScenarioHooks renderer_hooks(const std::string& out_dir);
