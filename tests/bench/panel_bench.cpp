// What one frame of the example panel costs: the host updating and evaluating every
// gauge (module callbacks, variable reads), with the trace kept in memory (not written)
// or switched off, and the same with the picture drawn. Figures are for notes, never
// for pass or fail.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "host/core/panel_host.h"
#include "host/panel/panel_config.h"
#include "host/render/cairo_canvas.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_render.h"
#include "host/scenario/scenario.h"

namespace {

// The example panel placed on a host, its radios switched on.
struct ExamplePanel {
    PanelHost host;
    PanelConfig panel;

    explicit ExamplePanel(HostOptions options = {}) : host(options) {
        Diagnostics error;
        if (!host.load_module(TARVOLEN_MODULE_PATH, error)) fail(error.errors().front());
        Diagnostics messages;
        panel = read_panel_config(TARVOLEN_SOURCE_DIR "/examples/panel.cfg", messages);
        if (!place_panel(host, panel, messages)) fail(messages.errors().front());
        for (const char* radio : {"Old_COM1", "Old_COM2", "Old_NAV1", "Old_NAV2"})
            host.click(host.placement(radio)->id, 20, 105);
        for (const char* radio : {"Old_ADF", "Old_XPDR"}) host.click(host.placement(radio)->id, 20, 100);
        host.frame_all();
    }
    static void fail(const std::string& what) {
        std::fprintf(stderr, "panel_bench: %s\n", what.c_str());
        std::exit(1);
    }
    void frame() {
        host.aircraft().advance(FRAME_SECONDS);
        host.frame_all();
    }
    size_t gauges() const { return host.placements().size(); }
};

// The trace keeps every record of a frame; it is emptied after each frame (which keeps
// its memory), inside the timing.
void FrameWithTraceKept(benchmark::State& state) {
    ExamplePanel example;
    size_t records = 0;
    for (auto _ : state) {
        example.frame();
        records = example.host.trace().size();
        example.host.trace().clear();
    }
    state.counters["gauges"] = static_cast<double>(example.gauges());
    state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(FrameWithTraceKept)->Unit(benchmark::kMicrosecond);

void FrameWithTraceOff(benchmark::State& state) {
    ExamplePanel example(HostOptions{.trace = false});
    for (auto _ : state) example.frame();
    state.counters["gauges"] = static_cast<double>(example.gauges());
}
BENCHMARK(FrameWithTraceOff)->Unit(benchmark::kMicrosecond);

void FrameWithDrawing(benchmark::State& state) {
    ExamplePanel example;
    ModuleBitmaps bitmaps(example.host.module()->instance());
    const auto views = panel_views(example.host, &example.panel, bitmaps);
    const PanelLayout layout = lay_out_panel(views, bitmaps);
    CairoCanvas canvas(layout.width, layout.height);
    for (auto _ : state) {
        example.frame();
        paint_panel(panel_views(example.host, &example.panel, bitmaps), layout, bitmaps, canvas, {});
        example.host.trace().clear();
    }
    state.counters["pixels"] = static_cast<double>(layout.width) * layout.height;
}
BENCHMARK(FrameWithDrawing)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
