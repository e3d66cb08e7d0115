// Fuzzes the scenario reader with any text, on the module's gauges: whatever the lines,
// every message names the scenario (or the panel a line places) and a line of it, and
// once the scenario's gauges are removed the host holds nothing. The module is loaded
// once; each input gets a host of its own without a trace, so that it runs as it would
// alone. Sleep lines do not wait, and an input whose frame lines add up to more than
// kMostFrames is passed over: both only cost time.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "host/core/panel_host.h"
#include "host/scenario/scenario.h"

namespace {

constexpr int64_t kMostFrames = 64;
// The scenario's name, in a folder of its own that holds panel.cfg for its panel lines.
std::string source;
std::string panel_path;

// A small panel of the module's gauges, in two windows, one of them closed (the radios,
// whose install loads a sound, come from place lines: a panel line runs often).
const char* const kPanelText =
    "[Window Titles]\nWindow00=Main\nWindow01=Radios\n\n"
    "[Window00]\nsize_mm=400,200\nvisible=1\nident=7\n"
    "gauge00=Tarvolen_Instr!Radios_Toggle, 10,10,20,20\n"
    "gauge01=Tarvolen_Instr!Magnetic_Compass, 40,10,80,80\n"
    "gauge02=Tarvolen_Instr!Registration, 130,10,100,20,N1234\n\n"
    "[Window01]\nsize_mm=200,100\nvisible=0\nident=8\n"
    "gauge00=Tarvolen_Instr!ADF_Indicator, 0,0,100,100\n"
    "gauge01=Tarvolen_Instr!Close_Subpanel, 180,0,20,20\n";

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "scenario_fuzz: %s\n", what.c_str());
    std::abort();
}

std::string module_path() {
    const char* path = std::getenv("TARVOLEN_MODULE");
    return path ? path : TARVOLEN_MODULE_PATH;
}

size_t line_count(const std::string& text) {
    size_t lines = 1;
    for (const char c : text) lines += c == '\n' ? 1 : 0;
    return lines;
}

size_t panel_lines = 0;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The module stays loaded for the run: its coverage must stay where libFuzzer found it.
    if (!dlopen(module_path().c_str(), RTLD_NOW | RTLD_LOCAL)) fail(dlerror());
    char folder[] = "/tmp/scenario_fuzz.XXXXXX";
    if (!mkdtemp(folder)) fail("cannot make a working folder");
    source = std::string(folder) + "/fuzz.scn";
    panel_path = std::string(folder) + "/panel.cfg";
    std::ofstream(panel_path) << kPanelText;
    panel_lines = line_count(kPanelText);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (count_scenario_frames(text) > kMostFrames) return -1;
    PanelHost host(HostOptions{.trace = false});
    Diagnostics loading;
    if (!host.load_module(module_path(), loading)) fail("the module does not load");
    ScenarioHooks hooks;
    hooks.sleep = [](int) {};
    const Diagnostics result = run_scenario(host, text, source, hooks);

    const size_t lines = line_count(text);
    for (const Diagnostic& item : result.items()) {
        if (item.file.empty()) fail("a message that names no file: " + item.str());
        const size_t most = item.file == source ? lines : item.file == panel_path ? panel_lines : SIZE_MAX;
        if (item.line < 0 || static_cast<size_t>(item.line) > most || (item.file == source && item.line == 0))
            fail("a message on no line: " + item.str());
    }
    while (!host.placements().empty()) host.remove(host.placements().back()->id);
    return 0;
}
