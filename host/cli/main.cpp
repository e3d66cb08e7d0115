// panelhost: the substitute panel host's command line, one function per command.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/dump.h"
#include "host/cli/scenario.h"
#include "host/core/panel_host.h"
#ifdef TARVOLEN_HAVE_RENDERER
#include "host/cli/render_command.h"
#endif

namespace {

const char* const kUsage =
    "usage: panelhost gauges [--module PATH]\n"
    "       panelhost dump [MODULE]                      the gauges' declarations as JSON\n"
    "       panelhost run SCENARIO [--out DIR] [--module PATH]\n"
    "       panelhost render PANEL.cfg [--set TOKEN=VALUE]... [--click GAUGE@X,Y]...\n"
    "                        [--frames N] [--night] -o OUT.png [--module PATH]\n"
    "         (X,Y: pixels of the gauge's face; one picture of every open window)\n";

int usage_error(const std::string& what) {
    std::fprintf(stderr, "panelhost: %s\n%s", what.c_str(), kUsage);
    return 2;
}

bool load(PanelHost& host, const std::string& module_path) {
    std::string error;
    if (host.load_module(module_path, error)) return true;
    std::fprintf(stderr, "panelhost: %s\n", error.c_str());
    return false;
}

int list_gauges(const std::string& module_path) {
    PanelHost host(HostOptions{.trace = false});
    if (!load(host, module_path)) return 1;
    for (GaugeHeader* gauge : host.gauges()) std::printf("%s\n", gauge->name);
    return 0;
}

int dump(const std::string& module_path) {
    PanelHost host(HostOptions{.trace = false});
    if (!load(host, module_path)) return 1;
    std::fputs(dump_declarations(host).c_str(), stdout);
    return 0;
}

int run(const std::string& path, const std::string& out_dir, const std::string& module_path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "panelhost: %s: cannot open scenario\n", path.c_str());
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    PanelHost host;
    if (!load(host, module_path)) return 1;
#ifdef TARVOLEN_HAVE_RENDERER
    const ScenarioHooks hooks = renderer_hooks(out_dir);
#else
    ScenarioHooks hooks;  // this build draws nothing: render lines are passed over
    hooks.output_dir = out_dir;
#endif
    const ScenarioResult result = run_scenario(host, text.str(), path, hooks);
    std::fputs(host.trace().joined().c_str(), stdout);
    for (const auto& message : result.messages) std::fprintf(stderr, "%s\n", message.c_str());
    return result.ok ? 0 : 1;
}

int render(const std::vector<std::string>& args, const std::string& module_path) {
#ifdef TARVOLEN_HAVE_RENDERER
    return render_command(args, module_path);
#else
    (void)args;
    (void)module_path;
    std::fprintf(stderr, "panelhost: this build has no renderer (use the Linux panelhost)\n");
    return 2;
#endif
}

// Takes "--NAME VALUE" out of args; false when the value is missing.
bool take_option(std::vector<std::string>& args, const std::string& name, std::string& value) {
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 1 >= args.size()) return false;
        value = args[i + 1];
        args.erase(args.begin() + static_cast<std::ptrdiff_t>(i), args.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        return true;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string module_path = default_module_path();
    if (!take_option(args, "--module", module_path)) return usage_error("--module needs a path");
    if (args.empty()) return usage_error("no command");
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "render") return render(args, module_path);
    if (command == "gauges" && args.empty()) return list_gauges(module_path);
    if (command == "dump" && args.size() <= 1) return dump(args.empty() ? module_path : args[0]);
    if (command == "run") {
        std::string out_dir;
        if (!take_option(args, "--out", out_dir)) return usage_error("--out needs a folder");
        if (args.size() == 1) return run(args[0], out_dir, module_path);
    }
    return usage_error("unknown command or wrong arguments: \"" + command + "\"");
}
