// `panelhost run`: a scenario, its trace on standard output.
#include <CLI/CLI.hpp>
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

void run(const RunOptions& options, CommandContext& context) {
    std::ifstream in(options.scenario, std::ios::binary);
    if (!in) {
        context.diagnostics.error(options.scenario, 0, "cannot open scenario");
        context.exit_code = EXIT_FAILED;
        return;
    }
    std::ostringstream text;
    text << in.rdbuf();
    PanelHost host;
    if (!load_module(host, context)) return;
#ifdef TARVOLEN_HAVE_RENDERER
    const ScenarioHooks hooks = renderer_hooks(options.out_dir);
#else
    ScenarioHooks hooks;  // this build draws nothing: render lines are passed over
    hooks.output_dir = options.out_dir;
#endif
    const Diagnostics result = run_scenario(host, text.str(), options.scenario, hooks);
    context.out << host.trace().joined();
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
