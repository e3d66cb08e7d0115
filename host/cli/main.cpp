// panelhost: the substitute panel host's command line, one function per command.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/dump.h"
#include "host/cli/scenario.h"
#include "host/core/panel_host.h"
#ifdef TARVOLEN_HAVE_RENDERER
#include <unistd.h>

#include "host/cli/render_command.h"
#include "host/record/recording.h"
#endif

namespace {

const char* const kUsage =
    "usage: panelhost gauges [--module PATH]\n"
    "       panelhost dump [MODULE]                      the gauges' declarations as JSON\n"
    "       panelhost run SCENARIO [--out DIR] [--record OUT [--fps N]] [--module PATH]\n"
    "         (OUT: .webm or .mp4 with the clicks' sound, .apng or .gif; N pictures a second, 18)\n"
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

struct RunArgs {
    std::string scenario, out_dir, module_path;
    std::string record;  // empty: no recording
    int fps = 18;
};

#ifdef TARVOLEN_HAVE_RENDERER
// The progress of a recording on one line of the terminal, redrawn in place.
void show_progress(const RecordProgress& progress) {
    if (progress.frames % 9 != 0 && progress.frames != progress.expected) return;
    if (progress.expected > 0)
        std::fprintf(stderr, "\rrecording: frame %lld of %lld (%lld%%)", static_cast<long long>(progress.frames),
                     static_cast<long long>(progress.expected),
                     static_cast<long long>(progress.frames * 100 / progress.expected));
    else
        std::fprintf(stderr, "\rrecording: frame %lld", static_cast<long long>(progress.frames));
}

// A recording of the run, checked before any work; null when there is none to make,
// with exit_code set when the options are wrong.
std::unique_ptr<Recording> open_recording(const RunArgs& args, const std::string& text, int& exit_code) {
    if (args.record.empty()) return nullptr;
    RecordOptions options;
    options.output = args.record;
    options.fps = args.fps;
    options.frame_s = FRAME_SECONDS;
    options.expected_frames = count_scenario_frames(text);
    if (isatty(STDERR_FILENO)) options.progress = show_progress;
    Diagnostics diagnostics;
    bool usage = false;
    std::unique_ptr<Recording> recording = Recording::open(options, diagnostics, usage);
    for (const auto& error : diagnostics.errors()) std::fprintf(stderr, "panelhost: %s\n", error.c_str());
    if (!recording) exit_code = usage ? 2 : 1;
    return recording;
}
#endif

int run(const RunArgs& args) {
#ifndef TARVOLEN_HAVE_RENDERER
    if (!args.record.empty()) {
        std::fprintf(stderr, "panelhost: this build cannot record (use the Linux panelhost)\n");
        return 2;
    }
#endif
    const std::string& path = args.scenario;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "panelhost: %s: cannot open scenario\n", path.c_str());
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
#ifdef TARVOLEN_HAVE_RENDERER
    int exit_code = 0;
    std::unique_ptr<Recording> recording = open_recording(args, text.str(), exit_code);
    if (exit_code != 0) return exit_code;
#endif
    PanelHost host;
    if (!load(host, args.module_path)) return 1;
    const std::string& out_dir = args.out_dir;
#ifdef TARVOLEN_HAVE_RENDERER
    ScenarioHooks hooks = renderer_hooks(out_dir);
    if (recording) {
        hooks.before_frame = [&](PanelHost& h) { recording->before_frame(h); };
        hooks.after_frame = [&](PanelHost& h, const PanelConfig* panel) { recording->after_frame(h, panel); };
    }
#else
    ScenarioHooks hooks;  // this build draws nothing: render lines are passed over
    hooks.output_dir = out_dir;
#endif
    const ScenarioResult result = run_scenario(host, text.str(), path, hooks);
    std::fputs(host.trace().joined().c_str(), stdout);
    for (const auto& message : result.messages) std::fprintf(stderr, "%s\n", message.c_str());
#ifdef TARVOLEN_HAVE_RENDERER
    if (recording) {
        if (isatty(STDERR_FILENO)) std::fputc('\n', stderr);
        const Diagnostics finished = recording->finish(host);
        for (const auto& error : finished.errors()) std::fprintf(stderr, "panelhost: %s\n", error.c_str());
        if (!finished.ok()) return 1;
        std::fprintf(stderr, "panelhost: recorded %s (%lld pictures at %d a second, %zu click%s)\n",
                     args.record.c_str(), static_cast<long long>(recording->pictures()), args.fps, recording->plays(),
                     recording->plays() == 1 ? "" : "s");
    }
#endif
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
        RunArgs run_args;
        run_args.module_path = module_path;
        std::string fps;
        if (!take_option(args, "--out", run_args.out_dir)) return usage_error("--out needs a folder");
        if (!take_option(args, "--record", run_args.record)) return usage_error("--record needs a file name");
        if (!take_option(args, "--fps", fps)) return usage_error("--fps needs a number");
        if (!fps.empty()) {
            char* end = nullptr;
            const long value = std::strtol(fps.c_str(), &end, 10);
            if (run_args.record.empty()) return usage_error("--fps goes with --record");
            if (*end != '\0' || value < 1 || value > 120) return usage_error("--fps needs a whole number, 1 to 120");
            run_args.fps = static_cast<int>(value);
        }
        if (args.size() == 1) {
            run_args.scenario = args[0];
            return run(run_args);
        }
    }
    return usage_error("unknown command or wrong arguments: \"" + command + "\"");
}
