// The scenario interpreter.
#include "host/cli/scenario.h"

#include <chrono>
#include <climits>
#include <memory>
#include <sstream>
#include <thread>

#include "host/base/numbers.h"
#include "host/core/gauge_host.h"
#include "host/panel/panel_config.h"
#include "host/trace/json_writer.h"

namespace {

// The ranges of what scenario lines count.
constexpr long long kMaxFrames = 1000000;
constexpr long long kMaxSleepMs = 60000;
constexpr long long kMaxCoordinate = 1000000;  // a point of a gauge's face, either way

class Runner {
public:
    Runner(GaugeHost& host, std::string source, const ScenarioHooks& hooks)
        : host_(host), source_(std::move(source)), hooks_(hooks) {}

    void line(const std::string& text, int number) {
        number_ = number;
        problem_.clear();
        std::istringstream in(text);
        std::string command;
        if (!(in >> command) || command[0] == '#') return;
        std::vector<std::string> args;
        for (std::string word; in >> word;) args.push_back(word);
        if (command == "place")
            place(text, args);
        else if (command == "set")
            set(args);
        else if (command == "event")
            event(args);
        else if (command == "frame")
            frame(args);
        else if (command == "click")
            click(args);
        else if (command == "remove")
            remove(args);
        else if (command == "expect")
            expect(args);
        else if (command == "sleep")
            sleep(args);
        else if (command == "panel")
            panel(args);
        else if (command == "render")
            render(args);
        else
            fail("unknown command \"" + command + "\"");
        report_faults();
        if (hooks_.flush) hooks_.flush(host_);
    }

    // Module faults since the last report, at the line that caused them.
    void report_faults() {
        const auto& faults = host_.errors();
        for (; faults_reported_ < faults.size(); ++faults_reported_) fail("module fault: " + faults[faults_reported_]);
    }

    Diagnostics result;

private:
    void fail(const std::string& what) { result.error(source_, number_, what); }
    // A line's usage, with the reason when a number of it was wrong.
    void fail_usage(const std::string& usage) { fail(problem_.empty() ? usage : usage + ": " + problem_); }

    // The number grammar, keeping the reason a word is not a number for fail_usage.
    bool read_number(const std::string& text, double& out) {
        const Parsed<double> parsed = parse_number(text);
        if (!parsed.ok()) return problem_ = parsed.problem, false;
        out = parsed.value;
        return true;
    }
    template <class T>
    bool read_whole(const std::string& text, long long min, long long max, T& out) {
        const Parsed<long long> parsed = parse_whole(text, min, max);
        if (!parsed.ok()) return problem_ = parsed.problem, false;
        out = static_cast<T>(parsed.value);
        return true;
    }
    bool read_token(const std::string& text, uint32_t& out) { return read_whole(text, 0, UINT32_MAX, out); }

    void place(const std::string& text, const std::vector<std::string>& args) {
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
            const auto at = text.find("params");
            std::string rest = text.substr(at + 6);
            parameters = rest.empty() ? rest : rest.substr(1);
        }
        Diagnostics placing;
        host_.place(args[0], parameters, placing, window);
        result.merge(placing, source_, number_);
    }

    void set(const std::vector<std::string>& args) {
        uint32_t token = 0;
        double value = 0;
        if (args.size() != 2 || !read_token(args[0], token) || !read_number(args[1], value))
            return fail_usage("set needs TOKEN VALUE");
        const TokenInfo* info = find_token(token);
        if (!info) return fail("unknown variable token " + args[0]);
        if (std::string problem = check_setting(*info, value); !problem.empty()) return fail(problem);
        host_.set_var(token, value);
    }

    void event(const std::vector<std::string>& args) {
        uint32_t id = 0, value = 0;
        if (args.empty() || args.size() > 2 || !read_token(args[0], id) ||
            (args.size() == 2 && !read_token(args[1], value)))
            return fail_usage("event needs ID [VALUE]");
        if (!host_.host_event(id, value)) fail("unknown event " + args[0] + " (no simulated system takes it)");
    }

    void frame(const std::vector<std::string>& args) {
        int count = 1;
        if (args.size() > 1 || (args.size() == 1 && !read_whole(args[0], 0, kMaxFrames, count)))
            return fail_usage("frame takes an optional count");
        if (frames_run_ + count > MAX_SCENARIO_FRAMES)
            return fail("frame " + std::to_string(count) + ": the scenario would run more than " +
                        std::to_string(MAX_SCENARIO_FRAMES) + " frames in all");
        frames_run_ += count;
        for (int i = 0; i < count; ++i) {
            if (hooks_.before_frame) hooks_.before_frame(host_);
            host_.advance(FRAME_SECONDS);
            host_.frame_all();
            if (hooks_.after_frame) hooks_.after_frame(host_, panel_.get());
            if (hooks_.flush) hooks_.flush(host_);
        }
    }

    void click(const std::vector<std::string>& args) {
        int x = 0, y = 0;
        if (args.size() != 3 || !read_whole(args[1], -kMaxCoordinate, kMaxCoordinate, x) ||
            !read_whole(args[2], -kMaxCoordinate, kMaxCoordinate, y))
            return fail_usage("click needs GAUGE X Y");
        Placement* p = find_placement(host_, args[0]);
        if (!p) return fail("no placed gauge \"" + args[0] + "\"");
        if (hidden(host_, *p))
            return fail(args[0] + " is in window " + std::to_string(p->window) + ", which is closed");
        if (!host_.click(p->id, x, y)) fail("click at " + args[1] + "," + args[2] + " hits nothing on " + args[0]);
    }

    void remove(const std::vector<std::string>& args) {
        if (args.size() != 1) return fail("remove needs GAUGE");
        Placement* p = find_placement(host_, args[0]);
        if (!p) return fail("no placed gauge \"" + args[0] + "\"");
        host_.remove(p->id);
    }

    void sleep(const std::vector<std::string>& args) {
        int ms = 0;
        if (args.size() != 1 || !read_whole(args[0], 0, kMaxSleepMs, ms))
            return fail_usage("sleep needs a time in milliseconds (0 to 60000)");
        if (hooks_.sleep)
            hooks_.sleep(ms);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }

    void expect(const std::vector<std::string>& args) {
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

    void panel(const std::vector<std::string>& args) {
        if (args.size() != 1) return fail("panel needs FILE.cfg");
        const std::string path = beside_scenario(args[0]);
        Diagnostics reading;
        PanelConfig config = read_panel_config(path, reading);
        if (reading.ok()) place_panel(host_, config, reading);
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

    void render(const std::vector<std::string>& args) {
        if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "night"))
            return fail("render needs FILE.png [night]");
        if (!hooks_.render) return;  // no renderer in this host
        const std::string path = hooks_.output_dir.empty() ? args[0] : hooks_.output_dir + "/" + args[0];
        Diagnostics drawing;
        hooks_.render(host_, panel_.get(), path, args.size() == 2, drawing);
        result.merge(drawing, source_, number_);
        if (!drawing.ok()) result.note(source_, number_, "in the picture this line draws");
    }

    // A file named by the scenario: relative names are taken from the scenario's folder
    // (Windows paths too, for the Windows host under Wine).
    std::string beside_scenario(const std::string& name) const {
        const bool absolute = name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':');
        const auto slash = source_.find_last_of("/\\");
        return absolute || slash == std::string::npos ? name : source_.substr(0, slash + 1) + name;
    }

    GaugeHost& host_;
    std::string source_;
    const ScenarioHooks& hooks_;
    std::unique_ptr<PanelConfig> panel_;
    int number_ = 0;
    std::string problem_;  // why the last number read was not one
    size_t faults_reported_ = 0;
    long long frames_run_ = 0;
};

}  // namespace

Placement* find_placement(GaugeHost& host, const std::string& arg) {
    std::string name = arg;
    int wanted = 1;
    const auto hash = arg.find('#');
    if (hash != std::string::npos) {
        name = arg.substr(0, hash);
        const Parsed<long long> k = parse_whole(arg.substr(hash + 1), 1, INT_MAX);
        if (!k.ok()) return nullptr;
        wanted = static_cast<int>(k.value);
    }
    int seen = 0;
    for (const auto& p : host.placements())
        if (p->name == name && ++seen == wanted) return p.get();
    return nullptr;
}

int64_t count_scenario_frames(const std::string& text) {
    std::istringstream in(text);
    int64_t frames = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string command, count, extra;
        if (!(words >> command) || command != "frame") continue;
        long long n = 1;
        if (words >> count) {
            const Parsed<long long> parsed = parse_whole(count, 0, kMaxFrames);
            if (!parsed.ok()) continue;
            n = parsed.value;
        }
        if (!(words >> extra)) frames += n;
    }
    return frames;
}

Diagnostics run_scenario(GaugeHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks) {
    Runner runner(host, source, hooks);
    std::istringstream in(text);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        runner.line(line, ++number);
    }
    return runner.result;
}

Placement* find_placement(PanelHost& host, const std::string& arg) {
    LocalGaugeHost local(host);
    return find_placement(local, arg);
}

Diagnostics run_scenario(PanelHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks) {
    LocalGaugeHost local(host);
    return run_scenario(local, text, source, hooks);
}
