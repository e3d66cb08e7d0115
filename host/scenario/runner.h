// Inside the scenario interpreter: the state a scenario's lines share, and the commands
// (defined in commands.cpp, one row each in its table).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/scenario/scenario.h"

class ScenarioRunner;

// One line of a scenario, split at blanks: its command's words after the command.
struct ScenarioLine {
    const std::string& text;  // the whole line, for words taken verbatim
    const std::vector<std::string>& args;
};

// One command of the language.
struct ScenarioCommand {
    const char* name;
    const char* usage;  // its words, for help
    const char* help;   // what it does
    void (ScenarioRunner::*run)(const ScenarioLine& line);
    bool live;  // run on the live page too; false: passed over there with a note
};

// The command of that name, or null.
const ScenarioCommand* find_scenario_command(std::string_view name);

class ScenarioRunner {
public:
    ScenarioRunner(GaugeHost& host, std::string source, ScenarioHooks hooks)
        : host_(host), source_(std::move(source)), hooks_(std::move(hooks)) {}

    // Runs one line (number: its line in the file). A frame line leaves its frames due.
    void line(const std::string& text, int number);
    bool frame_due() const { return frames_due_ > 0; }
    // Runs one frame of those due.
    void run_frame();

    Diagnostics result;

    // The commands.
    void place(const ScenarioLine& line);
    void set(const ScenarioLine& line);
    void event(const ScenarioLine& line);
    void frame(const ScenarioLine& line);
    void click(const ScenarioLine& line);
    void remove(const ScenarioLine& line);
    void expect(const ScenarioLine& line);
    void sleep(const ScenarioLine& line);
    void panel(const ScenarioLine& line);
    void render(const ScenarioLine& line);

private:
    // After a line has run (a frame line: after its last frame): the module faults it
    // caused, and the trace handed on.
    void end_line();
    void fail(const std::string& what) { result.error(source_, number_, what); }
    // A line's usage, with the reason when a number of it was wrong.
    void fail_usage(const std::string& usage) { fail(problem_.empty() ? usage : usage + ": " + problem_); }
    // The number grammar, keeping the reason a word is not a number for fail_usage.
    bool read_number(const std::string& text, double& out);
    bool read_whole(const std::string& text, long long min, long long max, long long& out);
    template <class T>
    bool read_whole(const std::string& text, long long min, long long max, T& out) {
        long long value = 0;
        if (!read_whole(text, min, max, value)) return false;
        out = static_cast<T>(value);
        return true;
    }
    bool read_token(const std::string& text, uint32_t& out);
    // A file named by the scenario: relative names are taken from the scenario's folder.
    std::string beside_scenario(const std::string& name) const;

    GaugeHost& host_;
    std::string source_;
    ScenarioHooks hooks_;
    std::unique_ptr<PanelConfig> panel_;
    int number_ = 0;
    std::string problem_;  // why the last number read was not one
    size_t faults_reported_ = 0;
    long long frames_run_ = 0;
    long long frames_due_ = 0;
};
