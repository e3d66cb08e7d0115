// What other authors' XML gauges cost on the real c172ii panel, where this machine has it:
// opening it (panel, cabinets read and unpacked, bitmaps decoded, every script compiled)
// and one frame without drawing (the aircraft moved on, every module gauge and every XML
// gauge evaluated), with the allocations a frame makes counted. Figures are for notes.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "host/core/gauge_host.h"
#include "host/panel/panel_config.h"
#include "host/scenario/scenario.h"
#include "host/xml/xml_panel.h"

namespace {

std::atomic<long> allocations{0};

const char* c172_panel() {
    const char* dir = std::getenv("TARVOLEN_REAL_AIRCRAFT");
    static const std::string path = std::string(dir ? dir : "/work/shared/realaircraft") + "/c172ii/panel.cfg";
    return path.c_str();
}

struct C172 {
    PanelHost host{HostOptions{.trace = false}};
    LocalGaugeHost local{host};
    XmlPanel xml{local};
    PanelConfig panel;
    bool ok = false;

    C172() {
        Diagnostics messages;
        if (!host.load_module(TARVOLEN_MODULE_PATH, messages)) return;
        panel = read_panel_config(c172_panel(), messages);
        place_panel(host, panel, messages);
        xml.place(panel, c172_panel(), {}, messages);
        ok = !xml.placements().empty();
    }
    void frame() {
        host.aircraft().advance(FRAME_SECONDS);
        host.frame_all();
        xml.frame();
    }
};

void OpenC172(benchmark::State& state) {
    if (!std::filesystem::exists(c172_panel())) return state.SkipWithError("no c172ii here");
    size_t gauges = 0;
    for (auto _ : state) {
        C172 c172;
        gauges = c172.xml.placements().size();
    }
    state.counters["xml_gauges"] = static_cast<double>(gauges);
}
BENCHMARK(OpenC172)->Unit(benchmark::kMillisecond);

void FrameC172(benchmark::State& state) {
    if (!std::filesystem::exists(c172_panel())) return state.SkipWithError("no c172ii here");
    C172 c172;
    if (!c172.ok) return state.SkipWithError("the c172ii did not open");
    c172.frame();
    long frames = 0;
    const long before = allocations.load();
    for (auto _ : state) {
        c172.frame();
        ++frames;
    }
    state.counters["allocations_per_frame"] =
        static_cast<double>(allocations.load() - before) / static_cast<double>(frames);
    state.counters["problems"] = static_cast<double>(c172.xml.problems().size());
}
BENCHMARK(FrameC172)->Unit(benchmark::kMicrosecond);

}  // namespace

// Every allocation of the program is counted. GCC takes the free of a replaced operator
// new's pointer for a mismatch; here both sides are ours.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

BENCHMARK_MAIN();
