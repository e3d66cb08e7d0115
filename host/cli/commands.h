// The command line: one registration function per command, each in a file of its own,
// adds its sub-command (options, help, action) to the app; run_command_line parses the
// words, runs the action and prints its errors and notes. Exit codes: 0 done, 1 failed,
// 2 wrong usage.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "host/base/diagnostics.h"
#include "host/core/panel_host.h"

namespace CLI {
class App;
}
class GaugeHost;
class RemoteGaugeHost;

inline constexpr int EXIT_DONE = 0;
inline constexpr int EXIT_FAILED = 1;
inline constexpr int EXIT_USAGE = 2;

// What every command's action shares.
struct CommandContext {
    std::ostream& out;        // standard output: traces, dumps, lists
    std::string module_path;  // --module, given before or after the sub-command
    Diagnostics diagnostics;  // what the action reports; printed after it
    int exit_code = EXIT_DONE;
};

void add_gauges_command(CLI::App& app, CommandContext& context);
void add_dump_command(CLI::App& app, CommandContext& context);
void add_run_command(CLI::App& app, CommandContext& context);
void add_render_command(CLI::App& app, CommandContext& context);
void add_bridge_command(CLI::App& app, CommandContext& context);
void add_check_command(CLI::App& app, CommandContext& context);
void add_serve_command(CLI::App& app, CommandContext& context);

// The module --module names, on the host it needs: loaded into this process, or, for a
// Windows .gau (a PE file, told by its header) on Linux, in panelhost.exe under Wine,
// started once for the command and stopped when this goes.
class OpenModule {
public:
    OpenModule();
    ~OpenModule();
    // False, with the error in the context (the file, Wine, or the far side), when the
    // module cannot be opened.
    bool open(CommandContext& context, HostOptions options);
    GaugeHost& host();
    // The host in another process (the .gau under Wine), or null for a module in this one
    // (always null in a build without the bridge).
    RemoteGaugeHost* remote();
    // Every gauge's declarations as JSON, written where the module runs.
    std::string declarations();

private:
    struct Opened;
    std::unique_ptr<Opened> opened_;
};

// Adds the module's faults (and a far side's end) to the context as errors; true when
// there are none.
bool no_faults(GaugeHost& host, CommandContext& context);

// Prints errors and notes, one a line: "FILE:LINE: what", "FILE:LINE: note: what", and
// "panelhost: what" for those without a file.
void print_diagnostics(const Diagnostics& diagnostics, std::ostream& err);

// Runs the command line args (the words after the program's name). Returns the exit code.
int run_command_line(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
