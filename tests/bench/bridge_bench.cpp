// What the bridge costs, beside the host in this process, in one run: the time to the
// first picture of the example panel (opening the module, Wine's start included for the
// .gau, placing the panel, one frame, drawing the PNG) and one served frame of the
// example panel (what `serve` asks of the host each frame: advance, frame, which windows
// are open and the clock), with the trace off as `render` runs it and on as `run` does.
// Figures are for notes, never for pass or fail.
//   bridge_bench [GAU] [FRAMES]    (GAU: build/win32/Tarvolen_Instr.gau by default)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "host/bridge/open_host.h"
#include "host/panel/panel_config.h"
#include "host/render/panel_render.h"
#include "host/scenario/scenario.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

[[noreturn]] void fail(const Diagnostics& diagnostics) {
    for (const std::string& error : diagnostics.errors()) std::fprintf(stderr, "bridge_bench: %s\n", error.c_str());
    std::exit(1);
}

// The Linux build driven through the bridge: `panelhost bridge` as the far side.
constexpr const char* kLinuxFarSide = "linux-far-side";

std::unique_ptr<OpenedHost> open_module(const std::string& module, HostOptions options, Diagnostics& diagnostics) {
    if (module != kLinuxFarSide) return OpenedHost::open(module, options, diagnostics);
    RemoteOptions remote;
    remote.command.argv = {TARVOLEN_PANELHOST_PATH, "bridge"};
    remote.command.description = "panelhost bridge";
    remote.module_path = TARVOLEN_MODULE_PATH;
    remote.trace = options.trace;
    return OpenedHost::start_remote(std::move(remote), diagnostics);
}

// Opens the module and places the example panel.
std::unique_ptr<OpenedHost> example_panel(const std::string& module, HostOptions options, PanelConfig& panel) {
    Diagnostics diagnostics;
    std::unique_ptr<OpenedHost> opened = open_module(module, options, diagnostics);
    if (!opened) fail(diagnostics);
    panel = read_panel_config(TARVOLEN_SOURCE_DIR "/examples/panel.cfg", diagnostics);
    if (!diagnostics.ok() || !place_panel(opened->host(), panel, diagnostics)) fail(diagnostics);
    return opened;
}

struct FirstPicture {
    double written_ms;  // from nothing running to the picture written
    double closed_ms;   // then until the host is gone (for the .gau: Wine has ended)
};

FirstPicture first_picture(const std::string& module, const std::string& png) {
    const auto start = Clock::now();
    FirstPicture times{};
    {
        PanelConfig panel;
        const std::unique_ptr<OpenedHost> opened = example_panel(module, HostOptions{.trace = false}, panel);
        opened->host().frame_all();
        const RenderOutcome outcome = render_panel_png(opened->host(), &panel, png, {});
        if (!outcome.written || !outcome.diagnostics.ok()) fail(outcome.diagnostics);
        times.written_ms = ms_since(start);
    }
    times.closed_ms = ms_since(start) - times.written_ms;
    return times;
}

// Microseconds a served frame takes, the mean of frames after one to warm up.
double frame_us(const std::string& module, HostOptions options, int frames) {
    PanelConfig panel;
    const std::unique_ptr<OpenedHost> opened = example_panel(module, options, panel);
    GaugeHost& host = opened->host();
    std::vector<int32_t> idents;
    for (const PanelWindow& window : panel.windows) idents.push_back(window_ident(window));
    double clock_s = 0.0;
    const auto served_frame = [&] {
        host.advance(FRAME_SECONDS);
        host.frame_all();
        clock_s += host.time_s() * static_cast<double>(host.windows_open(idents).size());
    };
    served_frame();
    const auto start = Clock::now();
    for (int i = 0; i < frames; ++i) served_frame();
    const double us = ms_since(start) * 1000.0 / frames;
    if (!host.errors().empty()) std::fprintf(stderr, "bridge_bench: %s\n", host.errors().front().c_str());
    if (clock_s <= 0.0) std::fprintf(stderr, "bridge_bench: the clock did not run\n");
    return us;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void default_env(const char* name, const std::string& value) {
    if (!std::getenv(name)) setenv(name, value.c_str(), 0);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string build = TARVOLEN_BUILD_DIR;  // build/native
    const std::string gau = argc > 1 ? argv[1] : build + "/../win32/Tarvolen_Instr.gau";
    const int frames = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;
    default_env("TARVOLEN_WINE_DIR", build + "/../wine");
    default_env("TARVOLEN_PANELHOST_EXE", build + "/../win32/host/panelhost.exe");
    const std::string png = (std::filesystem::temp_directory_path() / "bridge_bench.png").string();
    struct Module {
        const char* label;
        std::string path;
    };
    const Module modules[] = {{"Linux build (in this process)", TARVOLEN_MODULE_PATH},
                              {"Linux build (panelhost bridge)", kLinuxFarSide},
                              {".gau (panelhost.exe under Wine)", gau}};
    std::printf("%-32s %17s %10s %15s %15s\n", "module", "first picture ms", "closed ms", "frame us, trace",
                "frame us, off");
    for (const Module& module : modules) {
        std::vector<double> written, closed;
        for (int i = 0; i < 3 && module.path != kLinuxFarSide; ++i) {
            const FirstPicture times = first_picture(module.path, png);
            written.push_back(times.written_ms);
            closed.push_back(times.closed_ms);
        }
        const double traced = frame_us(module.path, HostOptions{}, frames);
        const double untraced = frame_us(module.path, HostOptions{.trace = false}, frames);
        if (written.empty()) written = closed = {0.0};  // the far side without its module's resources draws nothing
        std::printf("%-32s %17.1f %10.1f %15.1f %15.1f\n", module.label, median(written), median(closed), traced,
                    untraced);
    }
    std::printf(
        "first picture: open, place, frame, draw the PNG (median of 3, each from nothing running);\n"
        "closed: then until the host is gone; frame: mean of %d served frames of the example panel\n",
        frames);
    std::filesystem::remove(png);
    return 0;
}
