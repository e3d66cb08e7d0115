// `panelhost bridge`: the far side of the bridge, which the Linux host starts (under Wine
// as panelhost.exe beside the real .gau) and speaks to on standard input and output.
#include <CLI/CLI.hpp>

#include "host/bridge/bridge_server.h"
#include "host/cli/commands.h"
#include "host/cli/dump.h"

void add_bridge_command(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand(
        "bridge", "Serve the Linux host's bridge on standard input and output (the Linux host starts this)");
    command->callback([&context] {
        const int replies = take_reply_channel();
        if (replies < 0) {
            context.diagnostics.error("bridge: cannot set up the reply channel");
            context.exit_code = EXIT_FAILED;
            return;
        }
        context.exit_code = serve_bridge(0, replies, dump_declarations) == 0 ? EXIT_DONE : EXIT_FAILED;
    });
}
