// The scenario language: one row per command, and what each command does.
//
// To add a command:
//   1. Write its function below, a member of ScenarioRunner (declare it in runner.h):
//      it reads line.args (line.text for words taken verbatim), checks every word with
//      read_whole, read_number or read_token and reports a wrong line with fail_usage or
//      fail, naming the command.
//   2. Add its row to kCommands: the name, its words and a line of help, the function,
//      and whether the live page runs it (a command that draws, reads files, waits or
//      places or removes gauges is passed over there: the page shows the panel it
//      serves, and only that panel's gauges).
//   3. Add a case to tests/unit (scenario lines that run and lines that are refused),
//      and a line to an example under tests/e2e/scenarios when its trace matters.
#include <algorithm>
#include <chrono>
#include <climits>
#include <thread>

#include "host/core/gauge_host.h"
#include "host/panel/panel_config.h"
#include "host/scenario/runner.h"
#include "host/trace/json_writer.h"

namespace {

constexpr long long kMaxSleepMs = 60000;
constexpr long long kMaxCoordinate = 1000000;  // a point of a gauge's face, either way

// clang-format off
constexpr ScenarioCommand kCommands[] = {
    {"place",  "place GAUGE [window IDENT] [params TEXT...]", "install a gauge (TEXT: the rest of the line)",           &ScenarioRunner::place,  false},
    {"set",    "set TOKEN VALUE",                            "set a simulated variable",                               &ScenarioRunner::set,    true},
    {"event",  "event ID [VALUE]",                           "the host sends an event itself",                         &ScenarioRunner::event,  true},
    {"frame",  "frame [N]",                                  "N frames of every placed gauge (default 1)",             &ScenarioRunner::frame,  true},
    {"click",  "click GAUGE X Y",                            "click at a point of the gauge's face (MODULE!NAME: an XML gauge)", &ScenarioRunner::click, true},
    {"remove", "remove GAUGE",                               "kill and remove the gauge",                              &ScenarioRunner::remove, false},
    {"expect", "expect var TOKEN VALUE | expect window IDENT open|closed", "a variable holds VALUE; a window's state",  &ScenarioRunner::expect, true},
    {"sleep",  "sleep MS",                                   "wait MS milliseconds of real time (lets a played click sound out)", &ScenarioRunner::sleep, false},
    {"panel",  "panel FILE",                                 "place every gauge of a panel.cfg (found beside the scenario)", &ScenarioRunner::panel, false},
    {"render", "render FILE.png [night]",                    "draw the open windows (without a panel, every gauge) as they stand", &ScenarioRunner::render, false},
};
// clang-format on

}  // namespace

const ScenarioCommand* find_scenario_command(std::string_view name) {
    for (const ScenarioCommand& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

std::string scenario_commands_help() {
    std::string help;
    for (const ScenarioCommand& command : kCommands) {
        std::string words = command.usage;
        words.resize(std::max<size_t>(words.size() + 2, 30), ' ');
        help += "  " + words + command.help + "\n";
    }
    return help;
}

void ScenarioRunner::place(const ScenarioLine& line) {
    const auto& args = line.args;
    if (args.empty()) return fail("place needs a gauge name");
    std::optional<std::string> parameters;
    int window = 0;
    size_t i = 1;
    if (args.size() > 2 && args[1] == "window") {
        if (!read_whole(args[2], INT32_MIN, INT32_MAX, window)) return fail("window ident " + problem_);
        i = 3;
    }
    if (i < args.size()) {
        if (args[i] != "params") return fail("expected \"params\" or \"window\", found \"" + args[i] + "\"");
        // The parameter text is the rest of the line after "params " verbatim.
        const auto at = line.text.find("params");
        std::string rest = line.text.substr(at + 6);
        parameters = rest.empty() ? rest : rest.substr(1);
    }
    Diagnostics placing;
    host_.place(args[0], parameters, placing, window);
    result.merge(placing, source_, number_);
}

void ScenarioRunner::set(const ScenarioLine& line) {
    const auto& args = line.args;
    uint32_t token = 0;
    double value = 0;
    if (args.size() != 2 || !read_token(args[0], token) || !read_number(args[1], value))
        return fail_usage("set needs TOKEN VALUE");
    const TokenInfo* info = find_token(token);
    if (!info) return fail("unknown variable token " + args[0]);
    if (std::string problem = check_setting(*info, value); !problem.empty()) return fail(problem);
    host_.set_var(token, value);
}

void ScenarioRunner::event(const ScenarioLine& line) {
    const auto& args = line.args;
    uint32_t id = 0, value = 0;
    if (args.empty() || args.size() > 2 || !read_token(args[0], id) ||
        (args.size() == 2 && !read_token(args[1], value)))
        return fail_usage("event needs ID [VALUE]");
    if (!host_.host_event(id, value)) fail("unknown event " + args[0] + " (no simulated system takes it)");
}

void ScenarioRunner::frame(const ScenarioLine& line) {
    const auto& args = line.args;
    long long count = 1;
    if (args.size() == 1) {
        const Parsed<long long> parsed = parse_frame_count(args[0]);
        if (!parsed.ok()) problem_ = parsed.problem;
        count = parsed.value;
    }
    if (args.size() > 1 || !problem_.empty()) return fail_usage("frame takes an optional count");
    if (frames_run_ + count > MAX_SCENARIO_FRAMES)
        return fail("frame " + std::to_string(count) + ": the scenario would run more than " +
                    std::to_string(MAX_SCENARIO_FRAMES) + " frames in all");
    frames_run_ += count;
    frames_due_ = count;
}

void ScenarioRunner::click(const ScenarioLine& line) {
    const auto& args = line.args;
    int x = 0, y = 0;
    if (args.size() != 3 || !read_whole(args[1], -kMaxCoordinate, kMaxCoordinate, x) ||
        !read_whole(args[2], -kMaxCoordinate, kMaxCoordinate, y))
        return fail_usage("click needs GAUGE X Y");
    if (args[0].find('!') != std::string::npos) {
        std::string problem = "no placed gauge \"" + args[0] + "\"";
        if (!hooks_.others || !hooks_.others->click(host_, args[0], x, y, problem)) fail(problem);
        return;
    }
    Placement* p = find_placement(host_, args[0]);
    if (!p) return fail("no placed gauge \"" + args[0] + "\"");
    if (hidden(host_, *p)) return fail(args[0] + " is in window " + std::to_string(p->window) + ", which is closed");
    if (!host_.click(p->id, x, y)) fail("click at " + args[1] + "," + args[2] + " hits nothing on " + args[0]);
}

void ScenarioRunner::remove(const ScenarioLine& line) {
    const auto& args = line.args;
    if (args.size() != 1) return fail("remove needs GAUGE");
    Placement* p = find_placement(host_, args[0]);
    if (!p) return fail("no placed gauge \"" + args[0] + "\"");
    host_.remove(p->id);
}

void ScenarioRunner::sleep(const ScenarioLine& line) {
    const auto& args = line.args;
    int ms = 0;
    if (args.size() != 1 || !read_whole(args[0], 0, kMaxSleepMs, ms))
        return fail_usage("sleep needs a time in milliseconds (0 to 60000)");
    if (hooks_.sleep)
        hooks_.sleep(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void ScenarioRunner::expect(const ScenarioLine& line) {
    const auto& args = line.args;
    if (args.size() == 3 && args[0] == "var") {
        uint32_t token = 0;
        double want = 0;
        if (!read_token(args[1], token) || !read_number(args[2], want))
            return fail_usage("expect var needs TOKEN VALUE");
        if (!find_token(token)) return fail("unknown variable token " + args[1]);
        const double got = host_.var_number(token);
        if (got != want) fail("variable " + args[1] + " is " + format_real(got) + ", expected " + args[2]);
    } else if (args.size() == 3 && args[0] == "window") {
        int ident = 0;
        if (!read_whole(args[1], INT32_MIN, INT32_MAX, ident) || (args[2] != "open" && args[2] != "closed"))
            return fail_usage("expect window needs IDENT open|closed");
        const bool open = host_.window_open(ident);
        if (open != (args[2] == "open"))
            fail("window " + args[1] + " is " + (open ? "open" : "closed") + ", expected " + args[2]);
    } else {
        fail("expect needs \"var TOKEN VALUE\" or \"window IDENT open|closed\"");
    }
}

void ScenarioRunner::panel(const ScenarioLine& line) {
    const auto& args = line.args;
    if (args.size() != 1) return fail("panel needs FILE.cfg");
    const std::string path = beside_scenario(args[0]);
    Diagnostics reading;
    PanelConfig config = read_panel_config(path, reading);
    if (reading.ok()) place_panel(host_, config, reading);
    if (reading.ok() && hooks_.others) hooks_.others->place(host_, config, path, reading);
    result.merge(reading, source_, number_);
    if (!reading.ok()) result.note(source_, number_, "in the panel this line places");
    // Pictures show the windows of every panel placed so far, with the backgrounds
    // found beside the first.
    if (!panel_) {
        panel_ = std::make_unique<PanelConfig>();
        panel_->source = config.source;
    }
    for (auto& window : config.windows) panel_->windows.push_back(std::move(window));
}

void ScenarioRunner::render(const ScenarioLine& line) {
    const auto& args = line.args;
    if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "night"))
        return fail("render needs FILE.png [night]");
    if (!hooks_.render) return;  // no renderer in this host
    const std::string path = hooks_.output_dir.empty() ? args[0] : hooks_.output_dir + "/" + args[0];
    Diagnostics drawing;
    hooks_.render(host_, panel_.get(), path, args.size() == 2, drawing);
    result.merge(drawing, source_, number_);
    if (!drawing.ok()) result.note(source_, number_, "in the picture this line draws");
}
