// `panelhost serve`: the panel live in the browser, until SIGINT or SIGTERM.
#include <CLI/CLI.hpp>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <ostream>

#include "host/cli/commands.h"
#include "host/cli/options.h"
#include "host/cli/render_command.h"
#include "host/serve/server.h"

namespace {

std::atomic<bool> stop_requested{false};
static_assert(std::atomic<bool>::is_always_lock_free);  // set from a signal handler

void request_stop(int) { stop_requested.store(true); }

bool is_loopback(const std::string& address) {
    return address == "127.0.0.1" || address == "::1" || address.starts_with("127.");
}

void serve(ServeOptions options, CommandContext& context) {
    options.live.module_path = context.module_path;
    options.findings_out = &context.out;
    std::error_code no_link;
    options.check_program = std::filesystem::read_symlink("/proc/self/exe", no_link).string();
    // A .gau's Wine process that crashes or hangs mid-serve is said at once, on standard
    // error; the page says it too, and refuses inputs from then on.
    options.live.on_host_stopped = [](const std::string& reason) {
        Diagnostics stopped;
        stopped.error("module fault: " + reason + " (the page keeps its last pictures)");
        print_diagnostics(stopped, std::cerr);
    };
    stop_requested.store(false);
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    struct sigaction old_int {
    }, old_term{};
    sigaction(SIGINT, &action, &old_int);
    sigaction(SIGTERM, &action, &old_term);
    context.exit_code = serve_panel(
        options, stop_requested,
        [&](const std::string& url) {
            context.out << "panelhost: serving " << options.live.panel_path << " at " << url << " (Ctrl-C stops)\n";
            if (!is_loopback(options.listen))
                context.out << "panelhost: listening on " << options.listen << ": other machines can reach it\n";
            context.out.flush();
        },
        context.diagnostics);
    sigaction(SIGINT, &old_int, nullptr);
    sigaction(SIGTERM, &old_term, nullptr);
}

}  // namespace

void add_serve_command(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App* command =
        app.add_subcommand("serve", "Serve a panel.cfg live to the browser: click it, fly it, watch its trace");
    command->footer(
        "Prints the page's address and serves until SIGINT or SIGTERM, then kills every\n"
        "gauge and exits 0 (1 if a .gau's Wine side stopped while serving). Without\n"
        "--scenario the simulated aircraft flies on its own; with it the page plays the\n"
        "scenario line by line (play, pause, step, speed).\n"
        "Prints the panel's findings (as check does, and what drawing it notes) on start and\n"
        "after every save of the panel.cfg, its bitmaps or the module: the page shows the\n"
        "new panel, the aircraft as it was. The page's edit mode writes the panel.cfg\n"
        "(only the numbers that changed; the first version kept as PANEL.bak).\n"
        "Listens on 127.0.0.1 unless --listen names another address.");
    command->add_option("PANEL", options->live.panel_path, "the panel.cfg to serve")->required();
    command->add_option("--scenario", options->live.scenario_path, "a scenario for the flight")->type_name("FILE.scn");
    add_whole_option(*command, "--port", options->port, 0, 65535, "the port (0: any free one)")->default_str("8018");
    command
        ->add_option_function<std::string>(
            "--layout", [options](const std::string& text) { options->live.screen_layout = text == "screen"; },
            "sheet: the windows side by side, each titled (the default); screen: where the panel puts them")
        ->check(CLI::IsMember({"sheet", "screen"}));
    command
        ->add_option_function<std::string>(
            "--screen", [options](const std::string& text) { read_screen(text, options->live.screen); },
            "the screen's pixels, for --layout screen and the choice of background bitmaps (default 1024x768)")
        ->check(reader_check(read_screen))
        ->type_name("WxH");
    command
        ->add_option("--gauges", options->live.gauge_folders,
                     "a folder to look for other modules' gauges in, after the panel.cfg's (many may be given)")
        ->type_name("DIR")
        ->allow_extra_args(false);
    command->add_option("--listen", options->listen, "the address to listen on")
        ->type_name("ADDR")
        ->default_str("127.0.0.1");
    command->callback([options, &context] { serve(*options, context); });
}
