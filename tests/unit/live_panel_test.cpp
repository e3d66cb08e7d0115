// The live page's model: what it sends a new tab, that only changed pictures travel,
// the inputs and their refusals, the flight clock and a scenario played line by line.
#include "host/serve/live_panel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "host/cli/scenario.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The test panel: 1 Airspeed_Kts, 2 VOR1_Indicator, 3 Radios_Toggle in the main window;
// 4 Old_COM1 and 5 Old_NAV1 in the radio stack (ident 50), closed at first.
const std::string kPanel = TARVOLEN_SOURCE_DIR "/tests/serve/live_panel.cfg";
constexpr int kToggle = 3, kCom1 = 4;
constexpr int32_t kRadioStack = 50;

// The messages of one batch, by key (gauges "g:ID", windows "w:IDENT") and by type.
struct Batch {
    std::vector<PageMessage> messages;
    std::vector<json> of_type(const std::string& type) const {
        std::vector<json> found;
        for (const auto& m : messages)
            if (json::parse(m.json)["type"] == type) found.push_back(json::parse(m.json));
        return found;
    }
    std::vector<int> gauges() const {
        std::vector<int> ids;
        for (const json& g : of_type("gauge")) ids.push_back(g["id"]);
        return ids;
    }
};

class LivePanelTest : public ::testing::Test {
protected:
    void open(const std::string& scenario = {}) {
        LiveOptions options;
        options.panel_path = kPanel;
        options.module_path = TARVOLEN_MODULE_PATH;
        options.scenario_path = scenario;
        options.run_scenario = [](PanelHost& host, const std::string& text, const std::string& source) {
            return run_scenario(host, text, source);
        };
        Diagnostics diagnostics;
        ASSERT_TRUE(panel.open(options, diagnostics)) << diagnostics;
    }
    Batch collect() {
        Batch batch;
        panel.collect(batch.messages);
        return batch;
    }
    Batch snapshot() {
        Batch batch;
        panel.snapshot(batch.messages);
        return batch;
    }
    int version_of(const Batch& batch, int id) {
        for (const json& g : batch.of_type("gauge"))
            if (g["id"] == id) return g["v"];
        return -1;
    }
    void open_radio_stack() {
        ASSERT_TRUE(panel.window(kRadioStack, "open").ok());
        collect();
    }
    LivePanel panel;
};

TEST_F(LivePanelTest, NewTabGetsTheLayoutAndEveryShownPicture) {
    open();
    const Batch first = snapshot();
    const auto layouts = first.of_type("layout");
    ASSERT_EQ(layouts.size(), 1u);
    const json& layout = layouts[0];
    ASSERT_EQ(layout["open"].size(), 1u);  // the radio stack starts closed
    EXPECT_EQ(layout["windows"].size(), 2u);
    ASSERT_EQ(layout["gauges"].size(), 3u);
    EXPECT_EQ(first.gauges(), (std::vector<int>{1, 2, kToggle}));
    EXPECT_EQ(first.of_type("window").size(), 1u);
    // The toggle's click area, cursor and help name, in its face's pixels.
    const json& toggle = layout["gauges"][2];
    EXPECT_EQ(toggle["name"], "Radios_Toggle");
    EXPECT_EQ(toggle["fw"], 19);
    EXPECT_EQ(toggle["w"], 38);
    ASSERT_EQ(toggle["spots"].size(), 1u);
    EXPECT_EQ(toggle["spots"][0][4], 5);
    EXPECT_EQ(toggle["helps"][0][5], "TOGGLE_RADIO_WINDOW");
    // The pictures are PNGs (base64 of the signature).
    EXPECT_EQ(first.of_type("gauge")[0]["png"].get<std::string>().substr(0, 8), "iVBORw0K");
    // A second tab gets the same pictures, not newer versions.
    const Batch second = snapshot();
    EXPECT_EQ(version_of(second, kToggle), version_of(first, kToggle));
}

TEST_F(LivePanelTest, OnlyTheChangedGaugeTravels) {
    open();
    panel.flight("pause", 0);
    open_radio_stack();
    const int before = version_of(snapshot(), kCom1);
    ASSERT_GT(before, 0);
    // Nothing happened: nothing but perhaps the clock's state goes.
    panel.host().frame_all();
    EXPECT_TRUE(collect().gauges().empty());
    // COM1's power switch, then its MHz knob: only COM1 is drawn again.
    ASSERT_TRUE(panel.click(kCom1, 20, 105).ok());
    collect();
    ASSERT_TRUE(panel.click(kCom1, 105, 75).ok());
    const Batch turned = collect();
    EXPECT_EQ(turned.gauges(), std::vector<int>{kCom1});
    EXPECT_GT(version_of(turned, kCom1), before);
    // What travels is the box round the drum that turned; a new tab gets the whole face.
    const json patch = turned.of_type("gauge")[0];
    EXPECT_EQ(patch["whole"], false);
    EXPECT_GT(patch["x"].get<int>() + patch["y"].get<int>(), 0);
    json whole;
    for (const json& g : snapshot().of_type("gauge"))
        if (g["id"] == kCom1) whole = g;
    EXPECT_EQ(whole["whole"], true);
    EXPECT_EQ(whole["v"], patch["v"]);
    EXPECT_LT(patch["png"].get<std::string>().size() * 2, whole["png"].get<std::string>().size());
}

TEST_F(LivePanelTest, WindowsOpenFromTheToggleAndTheList) {
    open();
    collect();
    ASSERT_TRUE(panel.click(kToggle, 9, 9).ok());
    const Batch opened = collect();
    const auto layouts = opened.of_type("layout");
    ASSERT_EQ(layouts.size(), 1u);
    EXPECT_EQ(layouts[0]["open"].size(), 2u);
    EXPECT_EQ(layouts[0]["gauges"].size(), 5u);
    // The radio stack's gauges come with their first pictures.
    EXPECT_NE(version_of(opened, kCom1), -1);
    ASSERT_TRUE(panel.window(kRadioStack, "close").ok());
    EXPECT_EQ(collect().of_type("layout")[0]["open"].size(), 1u);
    EXPECT_EQ(panel.click(kCom1, 20, 105).status, 409);
}

TEST_F(LivePanelTest, RefusesWhatThePanelCannotTake) {
    open();
    collect();
    EXPECT_EQ(panel.click(999, 1, 1).status, 404);
    EXPECT_EQ(panel.click(kToggle, 19, 0).status, 422);  // outside the 19 x 19 face
    EXPECT_EQ(panel.click(kToggle, -1, 5).status, 422);
    EXPECT_EQ(panel.click(kToggle, 0, 0).status, 422);  // beside the button
    EXPECT_EQ(panel.click_at(1, 1).status, 422);        // the margin round the windows
    EXPECT_EQ(panel.set_variable("warp_factor", "9").status, 404);
    EXPECT_EQ(panel.set_variable("com1_frequency", "lots").status, 400);
    EXPECT_EQ(panel.set_variable("com1_frequency", "1.5").status, 422);
    EXPECT_EQ(panel.set_variable("com1_frequency", "-1").status, 422);
    EXPECT_EQ(panel.set_variable("com1_frequency", "0x1FFFFFFFF").status, 422);
    EXPECT_EQ(panel.window(12345, "open").status, 404);
    EXPECT_EQ(panel.window(kRadioStack, "explode").status, 400);
    EXPECT_EQ(panel.flight("play", 100).status, 422);
    EXPECT_EQ(panel.flight("loop", 0).status, 400);
    // None of them changed anything a tab shows.
    EXPECT_TRUE(collect().gauges().empty());
    EXPECT_TRUE(panel.host().errors().empty());
}

TEST_F(LivePanelTest, ClicksAtThePanelPointReachTheTopmostGauge) {
    open();
    const json layout = snapshot().of_type("layout")[0];
    const json& toggle = layout["gauges"][2];
    // The toggle's face pixel (9, 9) at its scale of 2.
    const int x = toggle["x"].get<int>() + 18, y = toggle["y"].get<int>() + 18;
    ASSERT_TRUE(panel.click_at(x, y).ok());
    EXPECT_EQ(collect().of_type("layout")[0]["open"].size(), 2u);
}

TEST_F(LivePanelTest, VariablesAndNightRedrawWhatTheyChange) {
    open();
    panel.flight("pause", 0);
    open_radio_stack();
    ASSERT_TRUE(panel.click(kCom1, 20, 105).ok());
    collect();
    ASSERT_TRUE(panel.set_variable("com1_frequency", "0x2250").ok());
    const Batch tuned = collect();
    EXPECT_EQ(tuned.gauges(), std::vector<int>{kCom1});
    const json vars = tuned.of_type("vars").at(0)["vars"];
    double value = 0;
    for (const json& v : vars)
        if (v["name"] == "com1_frequency") value = v["value"];
    EXPECT_EQ(value, 0x2250);
    ASSERT_TRUE(panel.set_night(true).ok());
    const Batch night = collect();
    EXPECT_EQ(night.gauges().size(), 5u);
    EXPECT_EQ(night.of_type("window").size(), 2u);
    EXPECT_EQ(night.of_type("state")[0]["night"], true);
}

TEST_F(LivePanelTest, TheClickSoundReachesThePage) {
    open();
    collect();
    ASSERT_FALSE(panel.click_sound().empty());
    EXPECT_EQ(panel.click_sound().substr(0, 4), "RIFF");
    open_radio_stack();
    ASSERT_TRUE(panel.click(kCom1, 20, 105).ok());  // COM1's power switch clicks
    const auto clicks = collect().of_type("click");
    ASSERT_EQ(clicks.size(), 1u);
    EXPECT_EQ(clicks[0]["count"], 1);
}

TEST_F(LivePanelTest, TheFlightPlaysPausesStepsAndKeepsItsSpeed) {
    open();
    EXPECT_TRUE(panel.playing());  // without a scenario the aircraft flies at once
    EXPECT_EQ(panel.tick(), 1);
    ASSERT_TRUE(panel.flight("", 4).ok());
    EXPECT_EQ(panel.tick(), 4);
    ASSERT_TRUE(panel.flight("", 0.5).ok());
    EXPECT_EQ(panel.tick() + panel.tick(), 1);
    ASSERT_TRUE(panel.flight("pause", 0).ok());
    EXPECT_EQ(panel.tick(), 0);
    const double before = panel.host().aircraft().time_s();
    ASSERT_TRUE(panel.flight("step", 0).ok());
    EXPECT_DOUBLE_EQ(panel.host().aircraft().time_s() - before, LIVE_FRAME_SECONDS);
    EXPECT_FALSE(panel.playing());
}

TEST_F(LivePanelTest, ScenarioPlaysLineByLineWithItsMessages) {
    const fs::path scenario = fs::temp_directory_path() / "live_panel_test.scn";
    {
        std::ofstream out(scenario);
        out << "# tunes COM1, flies three frames, then a line that is wrong\n"
               "set 23 0x1910\n"
               "frame 3\n"
               "render a.png\n"
               "bogus words\n";
    }
    open(scenario.string());
    EXPECT_FALSE(panel.playing());  // a scenario waits for play
    collect();
    ASSERT_TRUE(panel.flight("play", 1).ok());
    for (int i = 0; i < 3; ++i) EXPECT_EQ(panel.tick(), 1);
    EXPECT_EQ(panel.host().aircraft().vars().number(23), 0x1910);
    const json state = collect().of_type("state")[0];
    EXPECT_EQ(state["scenario"]["line"], 3);
    EXPECT_EQ(state["scenario"]["done"], false);
    panel.tick();
    const json done = collect().of_type("state")[0];
    EXPECT_EQ(done["scenario"]["done"], true);
    ASSERT_EQ(done["notes"].size(), 2u);
    EXPECT_NE(done["notes"][0].get<std::string>().find(":4: render passed over"), std::string::npos);
    EXPECT_NE(done["notes"][1].get<std::string>().find(":5:"), std::string::npos) << done["notes"][1];
    fs::remove(scenario);
}

TEST_F(LivePanelTest, TraceIsKeptByGaugeAndEveryGaugeIsKilledOnClose) {
    open();
    panel.flight("pause", 0);
    collect();
    const uint64_t before = panel.last_trace_seq();
    ASSERT_TRUE(panel.click(kToggle, 9, 9).ok());
    collect();
    // The toggle's own records, and the calls it made (its event, the window opening).
    const auto lines = panel.trace_after(before, "Radios_Toggle", 100);
    std::vector<std::string> ops;
    for (const TraceLine& line : lines) {
        EXPECT_GT(line.seq, before);
        EXPECT_EQ(line.gauge, "Radios_Toggle");
        ops.push_back(json::parse(line.json)["op"]);
    }
    EXPECT_NE(std::find(ops.begin(), ops.end(), "send_event"), ops.end());
    EXPECT_NE(std::find(ops.begin(), ops.end(), "window"), ops.end());
    EXPECT_LE(panel.trace_after(0, "", 3).size(), 3u);
    EXPECT_EQ(panel.close(), 5);
    EXPECT_EQ(panel.close(), 0);
}

}  // namespace
