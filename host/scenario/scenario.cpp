// The scenario interpreter: lines read one by one, frames run one at a time.
#include "host/scenario/scenario.h"

#include <climits>
#include <sstream>

#include "host/core/gauge_host.h"
#include "host/panel/panel_config.h"
#include "host/scenario/runner.h"

void ScenarioRunner::line(const std::string& text, int number) {
    number_ = number;
    problem_.clear();
    std::istringstream in(text);
    std::string name;
    if (!(in >> name) || name[0] == '#') return;
    std::vector<std::string> args;
    for (std::string word; in >> word;) args.push_back(word);
    const ScenarioCommand* command = find_scenario_command(name);
    if (!command)
        fail("unknown command \"" + name + "\"");
    else if (hooks_.live_page && !command->live)
        result.note(source_, number_, name + " passed over (the page shows the served panel, live)");
    else
        (this->*command->run)({text, args});
    if (!frame_due()) end_line();
}

void ScenarioRunner::run_frame() {
    --frames_due_;
    if (hooks_.before_frame) hooks_.before_frame(host_);
    host_.advance(FRAME_SECONDS);
    host_.frame_all();
    if (hooks_.others) hooks_.others->frame();
    if (hooks_.after_frame) hooks_.after_frame(host_, panel_.get());
    if (hooks_.flush) hooks_.flush(host_);
    if (!frame_due()) end_line();
}

void ScenarioRunner::end_line() {
    if (!hooks_.live_page)
        report_module_faults(host_, faults_reported_, [this](const std::string& fault) { fail(fault); });
    if (hooks_.flush) hooks_.flush(host_);
}

bool ScenarioRunner::read_number(const std::string& text, double& out) {
    const Parsed<double> parsed = parse_number(text);
    if (!parsed.ok()) return problem_ = parsed.problem, false;
    out = parsed.value;
    return true;
}

bool ScenarioRunner::read_whole(const std::string& text, long long min, long long max, long long& out) {
    const Parsed<long long> parsed = parse_whole(text, min, max);
    if (!parsed.ok()) return problem_ = parsed.problem, false;
    out = parsed.value;
    return true;
}

bool ScenarioRunner::read_token(const std::string& text, uint32_t& out) { return read_whole(text, 0, UINT32_MAX, out); }

// Windows paths count as absolute too, for the Windows host under Wine.
std::string ScenarioRunner::beside_scenario(const std::string& name) const {
    const bool absolute = name.empty() || name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':');
    const auto slash = source_.find_last_of("/\\");
    return absolute || slash == std::string::npos ? name : source_.substr(0, slash + 1) + name;
}

Scenario::Scenario(GaugeHost& host, const std::string& text, std::string source, ScenarioHooks hooks)
    : runner_(std::make_unique<ScenarioRunner>(host, std::move(source), std::move(hooks))) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(std::move(line));
    }
}

Scenario::~Scenario() = default;

bool Scenario::step() {
    while (!runner_->frame_due() && next_ < lines_.size()) {
        ++next_;
        runner_->line(lines_[next_ - 1], static_cast<int>(next_));
    }
    if (!runner_->frame_due()) return false;
    runner_->run_frame();
    return true;
}

bool Scenario::done() const { return next_ >= lines_.size() && !runner_->frame_due(); }

const Diagnostics& Scenario::result() const { return runner_->result; }

Diagnostics run_scenario(GaugeHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks) {
    Scenario scenario(host, text, source, hooks);
    while (!scenario.done()) scenario.step();
    Diagnostics result = scenario.result();
    if (hooks.finish) hooks.finish(result);
    return result;
}

Diagnostics run_scenario(PanelHost& host, const std::string& text, const std::string& source,
                         const ScenarioHooks& hooks) {
    LocalGaugeHost local(host);
    return run_scenario(local, text, source, hooks);
}

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

Placement* find_placement(PanelHost& host, const std::string& arg) {
    LocalGaugeHost local(host);
    return find_placement(local, arg);
}

Parsed<long long> parse_frame_count(std::string_view text) { return parse_whole(text, 0, MAX_SCENARIO_FRAMES); }

int64_t count_scenario_frames(const std::string& text) {
    std::istringstream in(text);
    int64_t frames = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string command, count, extra;
        if (!(words >> command) || command != "frame") continue;
        long long n = 1;
        if (words >> count) {
            const Parsed<long long> parsed = parse_frame_count(count);
            if (!parsed.ok()) continue;
            n = parsed.value;
        }
        if (!(words >> extra)) frames += n;
    }
    return frames;
}
