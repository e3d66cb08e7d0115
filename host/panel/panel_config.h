// The simulator's panel configuration (panel.cfg): its 2D panel windows and the gauges
// each window shows, read into a plain model, and placing a whole panel on a host.
//
// The format, as panel files write it:
//   [Window Titles]           Window00=Main Panel   (one title per window)
//   [WindowNN]                one section per 2D panel window, with the keys
//     file=NAME.bmp             background bitmap, found beside the panel.cfg
//     file_1024=NAME.bmp        the same for screens 1024 pixels wide or more
//     size_mm=W[,H]             the window's design size; gauge positions use its units
//     position=N                preset screen position 0..8 (0 top left .. 8 bottom right)
//     window_pos=X,Y            screen position as fractions of the screen (0.0-1.0)
//     window_size=W[,H]         screen size as fractions of the screen (W alone: H from
//                               the window's own aspect)
//     visible=0|1               shown when the panel loads (1 when not given)
//     ident=N|NAME              the ident commands and events use: a number, a window
//                               name of sdk/ids.h (MAIN_PANEL = 0, ...), or any
//                               other name (a window of its own no command can name)
//     zorder=N                  stacking on the screen: higher is drawn over lower
//     background_color=R,G,B    the colour of a window without a bitmap
//     nomenu=0|1, type=NAME, pixel_size=W,H   read and kept
//     gaugeNN=MODULE!GAUGE, X, Y[, W[, H[, PARAMETERS]]]
//   [VcockpitNN], [Color], [Default View], [VIEWS] and others are read and not drawn.
//
// Text: LF or CRLF lines, with or without a final newline, an optional UTF-8 byte-order
// mark, any 8-bit bytes (cp1252 in comments). Blanks and tabs around '=', around fields
// and after values do not count. Section names and keys are matched without regard to
// case. Whole lines starting with "//" or ';' are comments, and "//" ends a value, except
// in the parameters of a gauge of this module: they are everything behind the fifth
// comma (commas, blanks, '/' and '#' included), since the module's parameter language
// reads its own comment marks there. W and H of a gauge may be left out or empty: 0 then
// stands for "the gauge's own size" and "the width's aspect".
//
// Which sections are windows: with a [Window Titles] section, the simulator creates the
// windows numbered from Window00 on, one per title, until the first number without a
// title; a [WindowNN] section behind that break, or without a title, is not a window,
// and a title without its section makes no window either (each with a note). Without a
// [Window Titles] section every [WindowNN] section is a window.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/base/input_file.h"

class GaugeHost;
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

// A background bitmap a window names, with the line that names it.
struct BitmapName {
    std::string name;
    int line = 0;
};

struct PanelWindow {
    int index = 0;                     // NN of [WindowNN] / windowNN
    std::string title;                 // from [Window Titles]; empty when none
    int size_mm_w = 0, size_mm_h = 0;  // 0 = not given
    std::optional<int> position;       // 0..8
    std::optional<ScreenFraction> window_pos;
    std::optional<ScreenFraction> window_size;  // y 0: only the width was given
    bool visible = true;
    std::optional<int32_t> ident;  // a number or a known window name
    std::string ident_name;        // a name outside the module's table: no number
    int zorder = 0;
    std::optional<uint32_t> background_color;  // 0xRRGGBB
    std::optional<BitmapName> file, file_1024;
    bool nomenu = false;
    std::string type;
    int pixel_w = 0, pixel_h = 0;
    std::vector<PanelGauge> gauges;  // in the order of the file
    int line = 0;                    // line of the section header
};

struct PanelConfig {
    std::string source;                // the file name messages use
    std::vector<PanelWindow> windows;  // the 2D windows the simulator creates, by number
    int virtual_cockpits = 0;          // [VcockpitNN] sections (read, not drawn)
};

// Reads panel.cfg text; source names the file in messages. Lines that cannot be read
// are errors, what the simulator passes over is a note; the model holds every line that
// could be read, also when there are errors. Text that is not a panel file (bytes no
// text holds, a line longer than MAX_LINE) stops the reading with one error.
PanelConfig parse_panel_config(const std::string& text, const std::string& source, Diagnostics& diagnostics);
// Reads the file at path (a regular file of at most MAX_FILE bytes).
PanelConfig read_panel_config(const std::string& path, Diagnostics& diagnostics);

inline constexpr size_t MAX_LINE = 4096;
// The largest size_mm side and gauge position or size, in window units: far beyond any
// panel, and small enough that no layout sum overflows.
inline constexpr int MAX_UNITS = 100000;
inline constexpr size_t MAX_FILE = PANEL_CONFIG_FILE.max_bytes;

// The ident a window is known by: its ident, or, for a window without one (or with a
// name outside the module's table), a negative number of its own (-1 - index) that no
// command can name.
int32_t window_ident(const PanelWindow& window);
// The title to show: the window's title, or "WindowNN".
std::string window_label(const PanelWindow& window);

// The module name gauge lines give for this module's gauges (matched without case).
inline constexpr const char* MODULE_NAME = "Tarvolen_Instr";
bool is_module_gauge(const PanelGauge& gauge);

// The window ident a name of the module's window table stands for (without regard to
// case), or none.
std::optional<int32_t> known_window_ident(const std::string& name);
// The module's reading of a window argument: the first name of its table that text
// begins with (case counts), or none.
std::optional<int32_t> window_name_at(const std::string& text);

// Declares every window open or closed by its visible flag, then places every gauge of
// this module that the panel lists, window by window, with its window's ident, number,
// position, size and parameters. Gauges of other modules are left to the picture (see
// note_other_modules); a gauge name the module does not have is an error. Returns
// diagnostics.ok().
bool place_panel(GaugeHost& host, const PanelConfig& panel, Diagnostics& diagnostics);
bool place_panel(PanelHost& host, const PanelConfig& panel, Diagnostics& diagnostics);

// One note for the gauges of other modules in the panel's windows ("45 gauges of 7
// other modules drawn as placeholders"), and with verbose one more for each of them.
// drawn: the (window number, gauge number) pairs of other modules' gauges that are drawn
// after all (XML gauges found), left out of the count.
void note_other_modules(const PanelConfig& panel, bool verbose, Diagnostics& diagnostics,
                        const std::set<std::pair<int, int>>& drawn = {});
