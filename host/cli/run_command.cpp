// `panelhost run`: a scenario, its trace on standard output.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "host/cli/commands.h"
#include "host/cli/scenario.h"
#include "host/core/panel_host.h"
#ifdef TARVOLEN_HAVE_RENDERER
#include "host/cli/render_command.h"
#endif

namespace {

struct RunOptions {
    std::string scenario;
    std::string out_dir;  // where render lines write; empty: the current folder
};

constexpr std::uintmax_t kMaxScenarioBytes = 4u << 20;

// The scenario's text; false with the error when the path is not a readable scenario
// file (missing, a folder, a device, larger than any scenario).
bool read_scenario(const std::string& path, std::string& text, Diagnostics& diagnostics) {
    std::error_code code;
    const auto status = std::filesystem::status(path, code);
    if (code || !std::filesystem::exists(status))
        return diagnostics.error(path, 0, "cannot open scenario: no such file"), false;
    if (!std::filesystem::is_regular_file(status))
        return diagnostics.error(path, 0, "is not a file (a scenario is a text file of lines)"), false;
    if (std::filesystem::file_size(path, code) > kMaxScenarioBytes)
        return diagnostics.error(path, 0, "larger than 4 MB: not a scenario"), false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    if (!in) return diagnostics.error(path, 0, "cannot read scenario"), false;
    text = read.str();
    return true;
}

void run(const RunOptions& options, CommandContext& context) {
    std::string text;
    if (!read_scenario(options.scenario, text, context.diagnostics)) {
        context.exit_code = EXIT_FAILED;
        return;
    }
    PanelHost host;
    if (!load_module(host, context)) return;
#ifdef TARVOLEN_HAVE_RENDERER
    ScenarioHooks hooks = renderer_hooks(options.out_dir);
#else
    ScenarioHooks hooks;  // this build draws nothing: render lines are passed over
    hooks.output_dir = options.out_dir;
#endif
    // The trace goes out as it grows, so a long flight holds no more than a frame of it.
    std::string lines;
    hooks.flush = [&context, &lines](PanelHost& running) {
        Trace& trace = running.trace();
        for (size_t i = 0; i < trace.size(); ++i) {
            trace.write_line(i, lines);
            lines += '\n';
        }
        context.out << lines;
        lines.clear();
        trace.clear();
    };
    const Diagnostics result = run_scenario(host, text, options.scenario, hooks);
    hooks.flush(host);
    context.diagnostics.merge(result);
    if (!result.ok()) context.exit_code = EXIT_FAILED;
}

}  // namespace

void add_run_command(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* command = app.add_subcommand(
        "run", "Run a scenario (its language: host/cli/scenario.h) and print the trace as JSON lines");
    command->add_option("SCENARIO", options->scenario, "the scenario file")->required();
    command->add_option("--out", options->out_dir, "the folder render lines write their pictures to")->type_name("DIR");
    command->callback([options, &context] { run(*options, context); });
}
