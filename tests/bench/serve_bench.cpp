// What the live page costs the server on the example panel: a clock frame in which
// nothing changed (every gauge updated, its elements compared, nothing drawn), a
// played flight frame, and a click on a radio knob up to the bytes of what changed
// (the gauge drawn, its PNG encoded, the message made); the flight frame and the click
// again over the bridge, with the Linux panelhost's own `bridge` as the far side (what
// the pipe and the copies of the placements add, without Wine's own cost). Figures are
// for notes, never for pass or fail.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "host/scenario/scenario.h"
#include "host/serve/live_panel.h"

namespace {

struct ServedExample {
    PanelHost resources;  // the module's resources, for a far side
    LivePanel panel;
    int com1 = 0;
    std::vector<PageMessage> out;

    explicit ServedExample(bool far_side = false) {
        LiveOptions options;
        options.panel_path = TARVOLEN_SOURCE_DIR "/examples/panel.cfg";
        options.module_path = TARVOLEN_MODULE_PATH;
        if (far_side) options.open_host = [this](Diagnostics& diagnostics) { return open_far_side(diagnostics); };
        Diagnostics diagnostics;
        if (!panel.open(options, diagnostics)) {
            std::fprintf(stderr, "serve_bench: %s\n", diagnostics.errors().front().c_str());
            std::exit(1);
        }
        com1 = find_placement(panel.host(), "Old_COM1")->id;
        panel.flight("pause", 0);
        drain();                                 // lays the panel out: its gauges are shown
        if (!panel.click(com1, 20, 105).ok()) {  // COM1 on
            std::fprintf(stderr, "serve_bench: COM1 cannot be switched on\n");
            std::exit(1);
        }
        drain();
    }
    std::unique_ptr<OpenedHost> open_far_side(Diagnostics& diagnostics) {
        if (!resources.load_module(TARVOLEN_MODULE_PATH, diagnostics)) return nullptr;
        RemoteOptions remote;
        remote.command.argv = {TARVOLEN_PANELHOST_PATH, "bridge"};
        remote.command.description = "the far side";
        remote.module_path = TARVOLEN_MODULE_PATH;
        remote.resources = [this](uint16_t id, const char* type, std::vector<uint8_t>& bytes) {
            return resources.module()->resource(id, type, bytes);
        };
        return OpenedHost::start_remote(std::move(remote), diagnostics);
    }
    size_t drain() {
        out.clear();
        panel.collect(out);
        size_t bytes = 0;
        for (const auto& m : out) bytes += m.json.size();
        return bytes;
    }
};

// The host runs a frame (every gauge updated) and the page's model finds nothing to send.
void BM_ServeFrameNothingChanged(benchmark::State& state) {
    ServedExample served;
    for (auto _ : state) {
        served.panel.host().frame_all();
        benchmark::DoNotOptimize(served.drain());
    }
}
BENCHMARK(BM_ServeFrameNothingChanged)->Unit(benchmark::kMicrosecond);

// One real frame of the flight at speed 1: the aircraft moves, the gauges that show it
// are drawn again.
void BM_ServeFlightFrame(benchmark::State& state) {
    ServedExample served(state.range(0) != 0);
    served.panel.flight("play", 1);
    size_t bytes = 0;
    for (auto _ : state) {
        served.panel.tick();
        bytes += served.drain();
    }
    state.counters["bytes/frame"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ServeFlightFrame)->ArgName("far_side")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A click on COM1's kHz knob (alternately up and down), from the input to the bytes of
// the changed gauge's picture.
void BM_ServeKnobClick(benchmark::State& state) {
    ServedExample served(state.range(0) != 0);
    bool up = true;
    size_t bytes = 0;
    for (auto _ : state) {
        if (!served.panel.click(served.com1, up ? 205 : 194, 75).ok()) state.SkipWithError("the knob is not there");
        up = !up;
        bytes += served.drain();
    }
    state.counters["bytes/click"] = benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ServeKnobClick)->ArgName("far_side")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// From nothing running to every picture of the panel drawn (the far side started, the
// module loaded, the panel placed, one frame, every gauge and window drawn).
void BM_ServeFirstPictures(benchmark::State& state) {
    for (auto _ : state) {
        ServedExample served(state.range(0) != 0);
        benchmark::DoNotOptimize(served.drain());
    }
}
BENCHMARK(BM_ServeFirstPictures)->ArgName("far_side")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
