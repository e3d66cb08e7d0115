// The scenario interpreter's two ways of running: all at once (run) and a frame at a
// time (the live page), which must run the same lines and frames in the same order.
#include "host/scenario/scenario.h"

#include <gtest/gtest.h>

#include "host/core/gauge_host.h"
#include "host/sim/variables.h"
#include "sdk/ids.h"
#include "tests/unit/host_fixture.h"

namespace {

class ScenarioSteps : public HostTest {
protected:
    LocalGaugeHost gauges{host};
};

TEST_F(ScenarioSteps, EachStepRunsTheLinesBeforeTheNextFrameThenThatFrame) {
    Scenario scenario(gauges,
                      "place Airspeed_Kts\r\nset 23 0x1910\nframe 2\n# a comment\nframe 0\nset 23 0x1830\nframe\n"
                      "set 23 0x2000\n",
                      "steps.scn");
    EXPECT_EQ(scenario.line_count(), 8u);
    EXPECT_EQ(scenario.lines_read(), 0u);
    ASSERT_TRUE(scenario.step());  // place, set, then the first of frame 2's frames
    EXPECT_EQ(scenario.lines_read(), 3u);
    EXPECT_DOUBLE_EQ(gauges.time_s(), FRAME_SECONDS);
    EXPECT_EQ(gauges.var_number(23), 0x1910);
    ASSERT_TRUE(scenario.step());  // the second, no line read
    EXPECT_EQ(scenario.lines_read(), 3u);
    ASSERT_TRUE(scenario.step());  // the comment, frame 0, the set, then frame
    EXPECT_EQ(scenario.lines_read(), 7u);
    EXPECT_EQ(gauges.var_number(23), 0x1830);
    EXPECT_FALSE(scenario.done());
    EXPECT_FALSE(scenario.step());  // the last set, and no frame left
    EXPECT_EQ(gauges.var_number(23), 0x2000);
    EXPECT_TRUE(scenario.done());
    EXPECT_FALSE(scenario.step());
    EXPECT_DOUBLE_EQ(gauges.time_s(), 3 * FRAME_SECONDS);
    EXPECT_TRUE(scenario.result().ok()) << scenario.result();
}

TEST_F(ScenarioSteps, AWrongLineAmongFrameLinesIsReportedAtItsLineAndTheFramesRun) {
    const Diagnostics result = run_scenario(gauges, "frame 2\nbogus\nframe 1\nframe x\n", "faults.scn");
    EXPECT_EQ(result.errors(), (std::vector<std::string>{"faults.scn:2: unknown command \"bogus\"",
                                                         "faults.scn:4: frame takes an optional count: \"x\" is not a "
                                                         "number"}));
    EXPECT_DOUBLE_EQ(gauges.time_s(), 3 * FRAME_SECONDS);
}

TEST_F(ScenarioSteps, OnTheLivePageLinesThatDrawWaitOrPlaceArePassedOverWithANote) {
    ASSERT_GE(place("Airspeed_Kts"), 0);
    ScenarioHooks hooks;
    hooks.live_page = true;
    hooks.sleep = [](int) { ADD_FAILURE() << "the page's clock must not wait"; };
    Scenario scenario(gauges, "sleep 10\nrender a.png\npanel p.cfg\nplace Old_ADF\nremove Airspeed_Kts\nframe\n",
                      "live.scn", hooks);
    EXPECT_TRUE(scenario.step());
    EXPECT_TRUE(scenario.result().ok());
    EXPECT_EQ(
        scenario.result().notes(),
        (std::vector<std::string>{"live.scn:1: note: sleep passed over (the page shows the served panel, live)",
                                  "live.scn:2: note: render passed over (the page shows the served panel, live)",
                                  "live.scn:3: note: panel passed over (the page shows the served panel, live)",
                                  "live.scn:4: note: place passed over (the page shows the served panel, live)",
                                  "live.scn:5: note: remove passed over (the page shows the served panel, live)"}));
    EXPECT_EQ(host.placements().size(), 1u);
}

TEST(FrameCounts, OneGrammarAndOneLimitForFrameLinesAndTheirCount) {
    EXPECT_EQ(parse_frame_count("0").value, 0);
    EXPECT_EQ(parse_frame_count("1e6").value, MAX_SCENARIO_FRAMES);
    EXPECT_FALSE(parse_frame_count("1000001").ok());
    EXPECT_FALSE(parse_frame_count("-1").ok());
    EXPECT_EQ(count_scenario_frames("frame\nframe 0x10\nframe 1e7\nframe 2 3\n  frame 4\n"), 1 + 16 + 4);
}

}  // namespace
