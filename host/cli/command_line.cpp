// The panelhost application: its global options, the commands, and how a parse error,
// a request for help and the version are answered.
#include <CLI/CLI.hpp>
#include <ostream>

#include "host/cli/commands.h"
#include "tarvolen_version.h"

namespace {

const char* const kDescription =
    "panelhost: the substitute panel host. Loads the gauge module, drives its gauges as the\n"
    "simulator does, runs scenarios and draws panels.";

#ifndef TARVOLEN_HAVE_RENDERER
// This build draws nothing; `render` and `check` (which reads bitmaps with the renderer's
// reader) say so instead of being unknown commands.
void add_no_renderer_command(CLI::App& app, CommandContext& context, const std::string& name) {
    CLI::App* command = app.add_subcommand(name, "not in this build (use the Linux panelhost)");
    command->allow_extras()->callback([&context] {
        context.diagnostics.error("this build has no renderer (use the Linux panelhost)");
        context.exit_code = EXIT_USAGE;
    });
}
#endif

// The usage error, then where the help of the command in use is.
std::string usage_failure(const CLI::App* app, const CLI::Error& error) {
    std::string what = error.what();
    std::string help = "panelhost --help";
    for (const CLI::App* command : app->get_subcommands()) help = "panelhost " + command->get_name() + " --help";
    if (app->get_subcommands().empty() && dynamic_cast<const CLI::ExtrasError*>(&error)) {
        const std::vector<std::string> words = app->remaining();
        what = "unknown command \"" + (words.empty() ? std::string() : words.front()) + "\"";
    }
    return "panelhost: " + what + "\n(" + help + " lists the commands and options)\n";
}

}  // namespace

void print_diagnostics(const Diagnostics& diagnostics, std::ostream& err) {
    for (const Diagnostic& item : diagnostics.items())
        err << (item.file.empty() ? "panelhost: " : "") << item.str() << '\n';
}

int run_command_line(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    CommandContext context{out, default_module_path(), {}, EXIT_DONE};
    CLI::App app(kDescription, "panelhost");
    app.set_version_flag("--version", std::string("panelhost ") + TARVOLEN_VERSION_TEXT);
    app.add_option("--module", context.module_path, "the gauge module to load (default: the build beside panelhost)")
        ->type_name("PATH");
    app.require_subcommand(0, 1);
    app.fallthrough();  // --module also after the sub-command
    app.failure_message(usage_failure);
    add_gauges_command(app, context);
    add_dump_command(app, context);
    add_run_command(app, context);
    add_bridge_command(app, context);
#ifdef TARVOLEN_HAVE_RENDERER
    add_render_command(app, context);
    add_check_command(app, context);
    add_serve_command(app, context);
#else
    add_no_renderer_command(app, context, "render");
    add_no_renderer_command(app, context, "check");
#endif
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes the words last first
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        return app.exit(error, out, err) == 0 ? EXIT_DONE : EXIT_USAGE;
    }
    if (app.get_subcommands().empty()) {
        err << "panelhost: no command given\n(panelhost --help lists the commands and options)\n";
        return EXIT_USAGE;
    }
    print_diagnostics(context.diagnostics, err);
    return context.exit_code;
}
