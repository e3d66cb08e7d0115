// The renderer's part of the command line: `panelhost render` and the drawing behind a
// scenario's render lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/render/panel_render.h"
#include "host/scenario/scenario.h"

namespace CLI {
class App;
class Option;
}  // namespace CLI

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
struct RenderOptions {
    struct Setting {
        uint32_t token = 0;
        double value = 0.0;
    };
    struct Click {
        std::string text;  // as given, for messages
        std::string gauge;
        int x = 0, y = 0;
    };
    std::string panel;
    std::vector<Setting> sets;
    std::vector<Click> clicks;
    int frames = 1;
    bool verbose = false;                    // a note for every gauge of another module, not one for all
    std::vector<std::string> gauge_folders;  // --gauges: where other modules are looked for
    PictureOptions picture;
    std::string out;
};

// The readers of --set and --click: empty, with out filled, or what is wrong.
std::string read_setting(const std::string& text, RenderOptions::Setting& out);
std::string read_click(const std::string& text, RenderOptions::Click& out);
std::string read_screen(const std::string& text, Size& out);
std::string read_windows(const std::string& text, WindowChoice& out);

// Runs the render command with the module at module_path. Returns the exit code: 0, or
// 1 when the panel has errors or no 2D window, the module faults, a click hits nothing, a picture is
// missing or the file cannot be written; what went wrong and what was written are in
// diagnostics.
int render_panel(const RenderOptions& options, const std::string& module_path, Diagnostics& diagnostics);

// The options of a picture (--night, --layout, --screen, --windows, --scale) on a
// command, read into picture; the options added.
std::vector<CLI::Option*> add_picture_options(CLI::App& command, PictureOptions& picture);

// Scenario hooks whose render lines draw PNG files into out_dir, and whose panel lines
// place other authors' XML gauges on host, looked for beside the panel and then in
// gauge_folders (xml_gauges gives them, for a recording).
ScenarioHooks renderer_hooks(const std::string& out_dir, GaugeHost& host,
                             const std::vector<std::string>& gauge_folders = {});
const XmlPanel* xml_gauges(const ScenarioHooks& hooks);
