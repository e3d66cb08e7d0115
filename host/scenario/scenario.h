// Scenarios: small line-based scripts that place gauges, set variables, click, run
// frames and check the outcome. One command per line; '#' starts a comment line. The
// commands, their words and what each does are the rows of the table in commands.cpp.
//
// GAUGE is a gauge name (its first placement) or NAME#K (its K-th placement). A panel
// file is found beside the scenario; pictures go to the output folder the host names
// (the current folder unless told otherwise). A host without a renderer (the Windows
// build) passes over render lines.
//
// One interpreter serves `run` (every line and frame at once) and the live page (a
// frame at a time, as its clock asks): a Scenario starts at its first line, and each
// step() runs lines up to the next frame one asks for, then that frame.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/base/numbers.h"

class GaugeHost;
class PanelHost;
class ScenarioRunner;
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
    // After the last line of a whole run: waits for what render lines left going (their
    // pictures written while the scenario went on) and adds what came of it.
    std::function<void(Diagnostics& result)> finish;
    // Around every frame: before it moves the clock on, and after every gauge has run it
    // (a recording draws the panel there and stamps sounds with the clock).
    std::function<void(GaugeHost& host)> before_frame;
    std::function<void(GaugeHost& host, const PanelConfig* panel)> after_frame;
    // Called after every frame and every line: a caller that streams the trace writes
    // and clears it here, so a long scenario does not hold it all.
    std::function<void(GaugeHost& host)> flush;
    // Waits for a sleep line's milliseconds; unset: this thread sleeps them. A test that
    // must not wait sets its own.
    std::function<void(int ms)> sleep;
    // The live page plays the scenario on the panel it serves: the commands that draw,
    // place a panel or wait are passed over with a note, and module faults are left to
    // the page, which reports them whatever caused them.
    bool live_page = false;
};

// A scenario being run, from its first line to its last.
class Scenario {
public:
    // Takes the scenario's text (LF or CRLF lines); source names it in messages and is
    // where relative file names are found. Runs nothing yet.
    Scenario(GaugeHost& host, const std::string& text, std::string source, ScenarioHooks hooks = {});
    ~Scenario();
    Scenario(const Scenario&) = delete;
    Scenario& operator=(const Scenario&) = delete;

    // Runs lines up to the next frame one of them asks for, then that frame (one of a
    // `frame N` line's N). False when the lines ran out before a frame was due.
    bool step();
    // Whether every line and frame has run.
    bool done() const;
    // How many lines have been read, of how many.
    size_t lines_read() const { return next_; }
    size_t line_count() const { return lines_.size(); }
    // The errors (a line that cannot be run, an expectation not met, a module fault, at
    // the line where it happened) and notes so far, each "SOURCE:LINE: what".
    const Diagnostics& result() const;

private:
    std::unique_ptr<ScenarioRunner> runner_;
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

// Runs the whole scenario text on the host and returns its result. A scenario runs at
// most MAX_SCENARIO_FRAMES frames in all. Numbers are read with the host's one number
// grammar.
Diagnostics run_scenario(GaugeHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks = {});
Diagnostics run_scenario(PanelHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks = {});

// The placement a GAUGE argument names (NAME or NAME#K), or null.
Placement* find_placement(GaugeHost& host, const std::string& arg);
Placement* find_placement(PanelHost& host, const std::string& arg);

// The most frames a scenario runs in all, and one frame count may ask for (a frame
// line's or render's --frames): 15 hours at 18 a second.
inline constexpr long long MAX_SCENARIO_FRAMES = 1000000;
// A count of frames as a user writes it: a whole number from 0 to MAX_SCENARIO_FRAMES.
Parsed<long long> parse_frame_count(std::string_view text);

// The frames the scenario's frame lines run, counted without running it (0 for lines
// that are not well formed: running them reports those).
int64_t count_scenario_frames(const std::string& text);

// The language, a command a line (its words, then what it does), for `run --help`.
std::string scenario_commands_help();

// Seconds of scenario time one frame stands for.
inline constexpr double FRAME_SECONDS = 1.0 / 18.0;
