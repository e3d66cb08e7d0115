// The module promises no heap: its update, evaluation and click paths allocate nothing.
// The whole example panel runs frames and takes a click on every click area while the
// heap probe watches who asks for memory. The host's own frame allocates nothing either
// once its trace is off.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/panel/panel_config.h"
#include "platform/platform.h"
#include "tests/click_spots.h"
#include "tests/heap/heap_probe.h"
#include "tests/unit/host_fixture.h"

namespace {}  // namespace

// The example panel placed on a host, the probe told who is who.
void place_example_panel(PanelHost& host) {
    Diagnostics messages;
    const PanelConfig panel = read_panel_config(TARVOLEN_SOURCE_DIR "/examples/panel.cfg", messages);
    ASSERT_TRUE(place_panel(host, panel, messages)) << messages;
    host.frame_all();
    heap_probe::set_owners(host.module()->linkage(), reinterpret_cast<const void*>(&platform_find_resource),
                           reinterpret_cast<const void*>(&heap_probe::start));
}

void run_frames(PanelHost& host, int count) {
    for (int i = 0; i < count; ++i) {
        host.aircraft().advance(1.0 / 18);
        host.frame_all();
    }
}

class ModuleHeap : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        place_example_panel(host);
    }
    // Where the module first asked for memory, for the failure message.
    static std::string where(const heap_probe::Counts& counts) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%#lx", static_cast<unsigned long>(counts.first_module_offset));
        return std::string("first at libtarvolen_instr.so+") + offset + " (" +
               (counts.first_module_function ? counts.first_module_function : "a hidden function") +
               "; addr2line -f -e libtarvolen_instr.so " + offset + ")";
    }

    void TearDown() override {
        heap_probe::stop();
        for (const std::string& fault : host.errors()) ADD_FAILURE() << "module fault: " << fault;
    }
};

TEST_F(ModuleHeap, FramesOfTheWholeExamplePanelAllocateNothingInTheModule) {
    heap_probe::start();
    run_frames(host, 50);
    heap_probe::stop();
    const heap_probe::Counts counts = heap_probe::counts();
    EXPECT_EQ(counts.module, 0) << where(counts);
    EXPECT_GT(counts.host, 0) << "the probe saw none of the host's own allocations (its trace)";
}

TEST_F(ModuleHeap, ClickingEveryClickAreaOfThePanelAllocatesNothingInTheModule) {
    int clicks = 0;
    heap_probe::start();
    for (const auto& p : host.placements())
        for (const Spot& spot : click_spots(p->gauge)) {
            clicks += host.click(p->id, spot.x, spot.y) ? 1 : 0;
            host.frame(p->id);
        }
    heap_probe::stop();
    const heap_probe::Counts counts = heap_probe::counts();
    EXPECT_GT(clicks, 60);
    EXPECT_EQ(counts.module, 0) << where(counts);
    EXPECT_GT(counts.host, 0) << "the probe saw none of the host's own allocations (its trace)";
}

// A host whose trace is off: after the first frame (which the panel's placing runs), a
// frame of the whole panel asks nobody for memory, the radios switched on or off.
TEST(HostHeap, FramesOfTheWholeExamplePanelWithTheTraceOffAllocateNothing) {
    PanelHost host(HostOptions{.trace = false});
    Diagnostics error;
    ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    place_example_panel(host);
    for (const int round : {0, 1}) {
        heap_probe::start();
        run_frames(host, 50);
        heap_probe::stop();
        const heap_probe::Counts counts = heap_probe::counts();
        EXPECT_EQ(counts.host, 0) << "round " << round;
        EXPECT_EQ(counts.module, 0) << "round " << round;
        EXPECT_EQ(counts.platform, 0) << "round " << round;
        EXPECT_EQ(counts.unknown, 0) << "round " << round;
        // Then every radio head switched on, and the frames again.
        for (const char* radio : {"Old_COM1", "Old_COM2", "Old_NAV1", "Old_NAV2"})
            host.click(host.placement(radio)->id, 20, 105);
        for (const char* radio : {"Old_ADF", "Old_XPDR"}) host.click(host.placement(radio)->id, 20, 100);
        host.frame_all();
    }
    EXPECT_EQ(host.trace().size(), 0u);
    EXPECT_TRUE(host.errors().empty());
}
