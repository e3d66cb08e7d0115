// panelhost: the substitute panel host's command line.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "host/panel_host.h"
#include "host/scenario.h"

namespace {

const char* const kUsage =
    "usage: panelhost gauges [--module PATH]\n"
    "       panelhost run SCENARIO [--module PATH]\n";

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

int list_gauges(PanelHost& host) {
    for (GaugeHeader* gauge : host.gauges()) std::printf("%s\n", gauge->name);
    return 0;
}

int run(PanelHost& host, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "panelhost: %s: cannot open scenario\n", path.c_str());
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const ScenarioResult result = run_scenario(host, text.str(), path);
    std::fputs(host.trace().joined().c_str(), stdout);
    for (const auto& message : result.messages) std::fprintf(stderr, "%s\n", message.c_str());
    return result.ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string module_path = default_module_path();
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--module") {
            if (i + 1 >= args.size()) return usage_error("--module needs a path");
            module_path = args[++i];
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.empty()) return usage_error("no command");
    PanelHost host;
    if (positional[0] == "gauges" && positional.size() == 1) return load(host, module_path) ? list_gauges(host) : 1;
    if (positional[0] == "run" && positional.size() == 2) return load(host, module_path) ? run(host, positional[1]) : 1;
    return usage_error("unknown command \"" + positional[0] + "\"");
}
