// `panelhost gauges` and `panelhost dump`: what the module's gauge table declares.
#include <CLI/CLI.hpp>
#include <ostream>

#include "host/cli/commands.h"
#include "host/cli/dump.h"
#include "host/core/panel_host.h"

void add_gauges_command(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand("gauges", "List the module's gauges by name, one a line");
    command->callback([&context] {
        PanelHost host(HostOptions{.trace = false});
        if (!load_module(host, context)) return;
        for (GaugeHeader* gauge : host.gauges()) context.out << gauge->name << '\n';
    });
}

void add_dump_command(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand(
        "dump", "Print every gauge's declarations (element tree, calibration, mouse rectangles) as JSON");
    command->add_option("MODULE", context.module_path, "the module to read (the same as --module)");
    command->callback([&context] {
        PanelHost host(HostOptions{.trace = false});
        if (!load_module(host, context)) return;
        context.out << dump_declarations(host);
    });
}
