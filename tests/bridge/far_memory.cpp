// The bridge's far side keeps no memory per frame: runs the example panel for many
// frames with the trace on, taking the trace each frame as serve and run do, and
// compares the far process's resident memory after the early and the late count.
//   far_memory wine WIN32_BUILD EARLY LATE        the .gau in panelhost.exe under Wine (77: no win32 build)
//   far_memory native PANELHOST MODULE EARLY LATE the Linux far side, `panelhost bridge`
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/bridge/open_host.h"
#include "host/panel/panel_config.h"

namespace {

constexpr int kSkipped = 77;
// A far side that keeps something per frame grows by megabytes over thousands of
// frames; the heap's own slack stays well under this.
constexpr long kAllowedGrowthKb = 4096;

// The resident set of a process in kB, or -1.
long resident_kb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

int usage() {
    std::fprintf(stderr,
                 "usage: far_memory wine WIN32_BUILD EARLY LATE\n"
                 "       far_memory native PANELHOST MODULE EARLY LATE\n");
    return 2;
}

std::unique_ptr<OpenedHost> open_far_side(bool wine, char** argv, Diagnostics& diagnostics) {
    if (wine) return OpenedHost::open(std::string(argv[2]) + "/Tarvolen_Instr.gau", {}, diagnostics);
    RemoteOptions options;
    options.command.argv = {argv[2], "bridge"};
    options.command.description = "the far side";
    options.module_path = argv[3];
    return OpenedHost::start_remote(std::move(options), diagnostics);
}

}  // namespace

int main(int argc, char** argv) {
    const bool wine = argc == 5 && std::string(argv[1]) == "wine";
    if (!wine && !(argc == 6 && std::string(argv[1]) == "native")) return usage();
    if (wine && !std::filesystem::exists(std::string(argv[2]) + "/Tarvolen_Instr.gau")) {
        std::printf("skipped: no win32 build in %s\n", argv[2]);
        return kSkipped;
    }
    const long early = std::atol(argv[argc - 2]), late = std::atol(argv[argc - 1]);
    Diagnostics diagnostics;
    const std::unique_ptr<OpenedHost> opened = open_far_side(wine, argv, diagnostics);
    if (!opened || !opened->remote()) {
        std::fprintf(stderr, "far_memory: the far side did not start\n");
        for (const std::string& error : diagnostics.errors()) std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    GaugeHost& host = opened->host();
    const PanelConfig panel = read_panel_config(TARVOLEN_SOURCE_DIR "/examples/panel.cfg", diagnostics);
    if (!place_panel(host, panel, diagnostics)) {
        std::fprintf(stderr, "far_memory: the example panel was not placed\n");
        return 1;
    }
    TraceBatch batch;
    long early_kb = 0;
    for (long frame = 1; frame <= late; ++frame) {
        host.advance(1.0 / 18.0);
        host.frame_all();
        host.take_trace(batch);
        if (!opened->remote()->broken().empty()) {
            std::fprintf(stderr, "far_memory: the far side stopped at frame %ld: %s\n", frame,
                         opened->remote()->broken().c_str());
            return 1;
        }
        if (frame == early) early_kb = resident_kb(opened->remote()->far_pid());
    }
    const long late_kb = resident_kb(opened->remote()->far_pid());
    std::printf("far side (pid %d) resident: %ld kB after %ld frames, %ld kB after %ld frames (%+ld kB)\n",
                static_cast<int>(opened->remote()->far_pid()), early_kb, early, late_kb, late, late_kb - early_kb);
    if (early_kb <= 0 || late_kb <= 0) {
        std::fprintf(stderr, "far_memory: cannot read the far side's memory\n");
        return 1;
    }
    if (late_kb - early_kb > kAllowedGrowthKb) {
        std::fprintf(stderr, "far_memory: the far side grew by %ld kB (%.1f kB a frame)\n", late_kb - early_kb,
                     static_cast<double>(late_kb - early_kb) / static_cast<double>(late - early));
        return 1;
    }
    return 0;
}
