// The live page's model: what it sends a new tab, that only changed pictures travel,
// the inputs and their refusals, the flight clock and a scenario played line by line;
// each with the module in this process and over the bridge (the Linux panelhost's own
// `bridge` command as the far side, the loop panelhost.exe runs under Wine), and a far
// side that is killed or hangs mid-serve.
#include "host/serve/live_panel.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>

#include "host/cli/render_command.h"
#include "host/scenario/scenario.h"
#include "host/serve/gauge_pictures.h"
#include "host/serve/server.h"
#include "sdk/ids.h"

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

enum class HostKind { here, far_side };

class LivePanelFixture : public ::testing::Test {
protected:
    LiveOptions options_for(HostKind kind, const std::string& scenario = {}) {
        LiveOptions options;
        options.panel_path = panel_path;
        options.module_path = TARVOLEN_MODULE_PATH;
        options.scenario_path = scenario;
        if (kind == HostKind::far_side)
            options.open_host = [this](Diagnostics& diagnostics) {
                return OpenedHost::start_remote(far_side(), diagnostics);
            };
        return options;
    }
    // The native far side, its resources read from this process's copy of the module.
    RemoteOptions far_side() {
        if (!resources.module()) {
            Diagnostics loading;
            EXPECT_TRUE(resources.load_module(TARVOLEN_MODULE_PATH, loading)) << loading;
        }
        RemoteOptions options;
        options.command.argv = far_argv;
        options.command.set_env = far_env;
        options.command.description = "the far side";
        options.module_path = TARVOLEN_MODULE_PATH;
        options.request_timeout_ms = request_timeout_ms;
        options.resources = [this](uint16_t id, const char* type, std::vector<uint8_t>& bytes) {
            return resources.module()->resource(id, type, bytes);
        };
        return options;
    }
    void open_on(HostKind kind, const std::string& scenario = {}) {
        Diagnostics diagnostics;
        ASSERT_TRUE(panel.open(options_for(kind, scenario), diagnostics)) << diagnostics;
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
    std::string panel_path = kPanel;
    PanelHost resources;  // the module's resources, for a far side
    std::vector<std::string> far_argv = {TARVOLEN_PANELHOST_PATH, "bridge"};
    std::vector<std::string> far_env;
    int request_timeout_ms = 5000;
    LivePanel panel;
};

// Every behaviour of the page's model, with either host.
class LivePanelTest : public LivePanelFixture, public ::testing::WithParamInterface<HostKind> {
protected:
    void open(const std::string& scenario = {}) { open_on(GetParam(), scenario); }
};
std::string host_kind_name(const ::testing::TestParamInfo<HostKind>& kind) {
    return kind.param == HostKind::here ? "InThisProcess" : "FarSide";
}
INSTANTIATE_TEST_SUITE_P(Hosts, LivePanelTest, ::testing::Values(HostKind::here, HostKind::far_side), host_kind_name);

TEST_P(LivePanelTest, NewTabGetsTheLayoutAndEveryShownPicture) {
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
    EXPECT_EQ(toggle["helps"][0][5], "Radio stack window");  // the tooltip's text, not its id
    // The pictures are PNGs (base64 of the signature).
    EXPECT_EQ(first.of_type("gauge")[0]["png"].get<std::string>().substr(0, 8), "iVBORw0K");
    // A second tab gets the same pictures, not newer versions.
    const Batch second = snapshot();
    EXPECT_EQ(version_of(second, kToggle), version_of(first, kToggle));
}

TEST_P(LivePanelTest, OnlyTheChangedGaugeTravels) {
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
    // What travels is the box round the drum that turned, as raw pixels (four bytes
    // each, in base64); a new tab gets the whole face as a PNG.
    const json patch = turned.of_type("gauge")[0];
    EXPECT_EQ(patch["whole"], false);
    EXPECT_GT(patch["x"].get<int>() + patch["y"].get<int>(), 0);
    const int w = patch["w"], h = patch["h"];
    EXPECT_EQ(patch["rgba"].get<std::string>().size(), static_cast<size_t>((w * h * 4 + 2) / 3 * 4));
    const Batch all = snapshot();
    json whole, com1;
    for (const json& g : all.of_type("gauge"))
        if (g["id"] == kCom1) whole = g;
    const std::vector<json> layouts = all.of_type("layout");
    ASSERT_EQ(layouts.size(), 1u);
    for (const json& g : layouts[0]["gauges"])
        if (g["id"] == kCom1) com1 = g;
    EXPECT_EQ(whole["whole"], true);
    EXPECT_EQ(whole["v"], patch["v"]);
    EXPECT_EQ(whole["png"].get<std::string>().substr(0, 8), "iVBORw0K");
    ASSERT_FALSE(com1.is_null());
    EXPECT_LE(patch["x"].get<int>() + w, com1["w"].get<int>());
    EXPECT_LT(w * h * 2, com1["w"].get<int>() * com1["h"].get<int>());
}

TEST(GaugePictures, RawPatchIsTheBoxInStraightRgba) {
    CairoCanvas canvas(4, 3, CairoCanvas::Transparent{});
    cairo_t* cr = cairo_create(canvas.surface());
    cairo_set_source_rgba(cr, 1.0, 0.0, 0.0, 0.5);  // half-transparent red at (2, 1)
    cairo_rectangle(cr, 2, 1, 1, 1);
    cairo_fill(cr);
    cairo_set_source_rgba(cr, 0.0, 0.2, 1.0, 1.0);  // opaque at (3, 2)
    cairo_rectangle(cr, 3, 2, 1, 1);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_mark_dirty(canvas.surface());
    const std::string rgba = straight_rgba(canvas, {2, 1, 2, 2});
    const std::vector<int> bytes(rgba.begin(), rgba.end());
    const auto u = [](int b) { return b & 0xFF; };
    ASSERT_EQ(bytes.size(), 16u);
    // Row 1: the red, its colour straight (not halved by the alpha), then see-through.
    EXPECT_EQ(u(bytes[0]), 255);
    EXPECT_EQ(u(bytes[1]), 0);
    EXPECT_EQ(u(bytes[2]), 0);
    EXPECT_NEAR(u(bytes[3]), 128, 1);
    EXPECT_EQ(std::vector<int>(bytes.begin() + 4, bytes.begin() + 8), std::vector<int>(4, 0));
    // Row 2: see-through, then the opaque blue as drawn.
    EXPECT_EQ(std::vector<int>(bytes.begin() + 8, bytes.begin() + 12), std::vector<int>(4, 0));
    EXPECT_EQ(u(bytes[12]), 0);
    EXPECT_EQ(u(bytes[13]), 51);
    EXPECT_EQ(u(bytes[14]), 255);
    EXPECT_EQ(u(bytes[15]), 255);
}

TEST_P(LivePanelTest, WindowsOpenFromTheToggleAndTheList) {
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

TEST_P(LivePanelTest, RefusesWhatThePanelCannotTake) {
    open();
    collect();
    EXPECT_EQ(panel.click(999, 1, 1).status, 404);
    EXPECT_EQ(panel.click(kToggle, 19, 0).status, 422);  // outside the 19 x 19 face
    EXPECT_EQ(panel.click(kToggle, -1, 5).status, 422);
    EXPECT_EQ(panel.click(kToggle, 0, 0).status, 422);  // beside the button
    EXPECT_EQ(panel.click_at(1, 1).status, 422);        // the margin round the windows
    EXPECT_EQ(panel.set_variable("warp_factor", "9").status, 404);
    EXPECT_EQ(panel.set_variable("com1_frequency", "lots").status, 400);
    EXPECT_EQ(panel.set_variable("com1_frequency", "0x10000").status, 422);
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

TEST_P(LivePanelTest, RefusesWhatSetRefusesInTheSameWords) {
    open();
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"airspeed", "1e9"}, {"airspeed", "fast"}, {"warp_factor", "9"}, {"23", "0x10000"}}) {
        RenderOptions::Setting unused;
        const std::string set_refusal = read_setting(name + "=" + value, unused);
        ASSERT_FALSE(set_refusal.empty()) << name << "=" << value;
        const Reply page = panel.set_variable(name, value);
        EXPECT_GE(page.status, 400);
        EXPECT_EQ(page.reason, set_refusal);
    }
    EXPECT_EQ(panel.set_variable("airspeed", "1e9").reason, "1000000000 is out of range for airspeed (-1000 to 5000)");
    EXPECT_TRUE(panel.set_variable("airspeed", "120").ok());
    EXPECT_EQ(panel.host().var_number(TOKEN_AIRSPEED_KNOTS), 120);
}

TEST_P(LivePanelTest, ACp1252WindowTitleShowsRightOnThePage) {
    std::ifstream in(kPanel);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string cp1252_title = "Radios \x80 Bo\xEEte";  // the euro sign and i circumflex
    text.replace(text.find("window01=Radios"), 15, "window01=" + cp1252_title);
    const fs::path file = fs::temp_directory_path() / ("live_title_" + std::to_string(getpid()) + ".cfg");
    std::ofstream(file, std::ios::binary) << text;
    panel_path = file.string();
    open();
    const json layout = snapshot().of_type("layout").at(0);
    EXPECT_EQ(layout["windows"][1]["title"], "Radios \u20AC Bo\u00EEte");
    fs::remove(file);
}

TEST_P(LivePanelTest, ClicksAtThePanelPointReachTheTopmostGauge) {
    open();
    const json layout = snapshot().of_type("layout")[0];
    const json& toggle = layout["gauges"][2];
    // The toggle's face pixel (9, 9) at its scale of 2.
    const int x = toggle["x"].get<int>() + 18, y = toggle["y"].get<int>() + 18;
    ASSERT_TRUE(panel.click_at(x, y).ok());
    EXPECT_EQ(collect().of_type("layout")[0]["open"].size(), 2u);
}

TEST_P(LivePanelTest, VariablesAndNightRedrawWhatTheyChange) {
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

TEST_P(LivePanelTest, TheClickSoundReachesThePage) {
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

TEST_P(LivePanelTest, TheFlightPlaysPausesStepsAndKeepsItsSpeed) {
    open();
    EXPECT_TRUE(panel.playing());  // without a scenario the aircraft flies at once
    EXPECT_EQ(panel.tick(), 1);
    ASSERT_TRUE(panel.flight("", 4).ok());
    EXPECT_EQ(panel.tick(), 4);
    ASSERT_TRUE(panel.flight("", 0.5).ok());
    EXPECT_EQ(panel.tick() + panel.tick(), 1);
    ASSERT_TRUE(panel.flight("pause", 0).ok());
    EXPECT_EQ(panel.tick(), 0);
    const double before = panel.host().time_s();
    ASSERT_TRUE(panel.flight("step", 0).ok());
    EXPECT_DOUBLE_EQ(panel.host().time_s() - before, LIVE_FRAME_SECONDS);
    EXPECT_FALSE(panel.playing());
}

TEST_P(LivePanelTest, ScenarioPlaysLineByLineWithItsMessages) {
    // One file per process: ctest runs the in-process and far-side cases side by side.
    const fs::path scenario = fs::temp_directory_path() / ("live_panel_test_" + std::to_string(getpid()) + ".scn");
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
    EXPECT_EQ(panel.host().var_number(23), 0x1910);
    const json state = collect().of_type("state")[0];
    EXPECT_EQ(state["scenario"]["line"], 3);
    EXPECT_EQ(state["scenario"]["done"], false);
    panel.tick();
    const json done = collect().of_type("state")[0];
    EXPECT_EQ(done["scenario"]["done"], true);
    ASSERT_EQ(done["notes"].size(), 2u);
    EXPECT_NE(done["notes"][0].get<std::string>().find(":4: note: render passed over"), std::string::npos);
    EXPECT_NE(done["notes"][1].get<std::string>().find(":5:"), std::string::npos) << done["notes"][1];
    fs::remove(scenario);
}

// A scenario's remove line freed a gauge the page went on drawing (and a place line
// added one it never showed): the page passes both over, with a note.
TEST_P(LivePanelTest, AScenariosRemoveLineLeavesThePagesGaugesInPlace) {
    const fs::path scenario = fs::temp_directory_path() / ("live_remove_" + std::to_string(getpid()) + ".scn");
    std::ofstream(scenario) << "remove Airspeed_Kts\nplace Old_ADF\nframe 2\n";
    open(scenario.string());
    ASSERT_TRUE(panel.flight("play", 1).ok());
    EXPECT_EQ(panel.tick(), 1);
    EXPECT_EQ(panel.tick(), 1);
    const json state = collect().of_type("state").at(0);
    EXPECT_EQ(state["scenario"]["done"], true);
    ASSERT_EQ(state["notes"].size(), 2u);
    EXPECT_NE(state["notes"][0].get<std::string>().find(":1: note: remove passed over"), std::string::npos);
    EXPECT_NE(state["notes"][1].get<std::string>().find(":2: note: place passed over"), std::string::npos);
    EXPECT_EQ(panel.host().placements().size(), 5u);
    EXPECT_EQ(panel.close(), 5);
    fs::remove(scenario);
}

TEST_P(LivePanelTest, TraceIsKeptByGaugeAndEveryGaugeIsKilledOnClose) {
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

// A far side whose process id the test knows: a shell that writes its id and becomes
// `panelhost bridge`.
class LivePanelFarSide : public LivePanelFixture {
protected:
    void SetUp() override {
        pid_file =
            fs::temp_directory_path() / ("live_far_" + std::to_string(getpid()) + "_" +
                                         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        far_argv = {"/bin/sh", "-c", "echo $$ > '" + pid_file.string() + "'; exec \"$0\" bridge",
                    TARVOLEN_PANELHOST_PATH};
    }
    void TearDown() override { fs::remove(pid_file); }
    pid_t far_pid() {
        std::ifstream in(pid_file);
        pid_t pid = 0;
        in >> pid;
        return pid;
    }
    static bool gone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }
    // Opens the panel over the far side, with the flight paused and COM1 on.
    void open_with_com1_on() {
        LiveOptions options = options_for(HostKind::far_side);
        options.on_host_stopped = [this](const std::string& reason) { stops.push_back(reason); };
        Diagnostics diagnostics;
        ASSERT_TRUE(panel.open(options, diagnostics)) << diagnostics;
        panel.flight("pause", 0);
        open_radio_stack();
        ASSERT_TRUE(panel.click(kCom1, 20, 105).ok());
        collect();
        ASSERT_GT(far_pid(), 0);
    }
    // After the far side was stopped: the page's notes, the inputs, the clock and close;
    // a new tab still gets the last pictures, windows and values (before: a snapshot
    // taken while it served).
    void expect_reported(const std::string& why, const Batch& before) {
        const json state = collect().of_type("state").at(0);
        ASSERT_FALSE(state["notes"].empty());
        EXPECT_NE(state["notes"].back().get<std::string>().find("module fault: "), std::string::npos);
        EXPECT_NE(state["notes"].back().get<std::string>().find(why), std::string::npos) << state["notes"].back();
        ASSERT_EQ(stops.size(), 1u);
        EXPECT_NE(stops[0].find(why), std::string::npos) << stops[0];
        const Reply click = panel.click(kCom1, 105, 75);
        EXPECT_EQ(click.status, 503);
        EXPECT_NE(click.reason.find(why), std::string::npos) << click.reason;
        EXPECT_EQ(panel.set_variable("com1_frequency", "0x2250").status, 503);
        EXPECT_EQ(panel.flight("play", 0).status, 503);
        EXPECT_EQ(panel.tick(), 0);
        const Batch after = snapshot();
        EXPECT_EQ(after.of_type("layout").at(0)["open"], before.of_type("layout").at(0)["open"]);
        EXPECT_EQ(after.gauges(), before.gauges());
        EXPECT_EQ(after.of_type("vars").at(0), before.of_type("vars").at(0));
        EXPECT_EQ(after.of_type("state").at(0)["time"], before.of_type("state").at(0)["time"]);
        EXPECT_EQ(stops.size(), 1u);  // said once
        EXPECT_EQ(panel.close(), 0);  // the gauges went with the process
    }
    fs::path pid_file;
    std::vector<std::string> stops;
};

TEST_F(LivePanelFarSide, DrawsAndTracesAClickAsTheHostInThisProcessDoes) {
    LivePanel here;
    Diagnostics diagnostics;
    ASSERT_TRUE(here.open(options_for(HostKind::here), diagnostics)) << diagnostics;
    ASSERT_TRUE(panel.open(options_for(HostKind::far_side), diagnostics)) << diagnostics;
    std::map<int, std::string> pictures[2];
    std::vector<std::string> ops[2];
    LivePanel* panels[2] = {&here, &panel};
    for (int side = 0; side < 2; ++side) {
        LivePanel& live = *panels[side];
        live.flight("pause", 0);
        ASSERT_TRUE(live.window(kRadioStack, "open").ok());
        std::vector<PageMessage> out;
        live.collect(out);
        ASSERT_TRUE(live.click(kCom1, 20, 105).ok());
        live.collect(out);
        const uint64_t before = live.last_trace_seq();
        ASSERT_TRUE(live.click(kCom1, 105, 75).ok());
        out.clear();
        live.collect(out);
        for (const PageMessage& m : out)
            if (m.key == "g:" + std::to_string(kCom1)) pictures[side][kCom1] = json::parse(m.json)["rgba"];
        for (const TraceLine& line : live.trace_after(before, "Old_COM1", 1000)) {
            const std::string op = json::parse(line.json)["op"];
            if (op != "sound") ops[side].push_back(op);  // a far side reports plays only
        }
    }
    ASSERT_FALSE(pictures[0][kCom1].empty());
    EXPECT_EQ(pictures[1][kCom1], pictures[0][kCom1]);  // the knob's new pixels, the same bytes
    EXPECT_NE(std::find(ops[1].begin(), ops[1].end(), "click"), ops[1].end());
    EXPECT_EQ(ops[1], ops[0]);
}

TEST_F(LivePanelFarSide, CrashingWhileThePanelOpensFailsTheOpenWithTheReason) {
    far_env = {"TARVOLEN_BRIDGE_FAULT=crash"};  // at its first frame
    Diagnostics diagnostics;
    EXPECT_FALSE(panel.open(options_for(HostKind::far_side), diagnostics));
    ASSERT_EQ(diagnostics.errors().size(), 1u) << diagnostics;
    EXPECT_NE(diagnostics.errors()[0].find("the module crashed the far side during frame (signal 11)"),
              std::string::npos)
        << diagnostics;
    EXPECT_TRUE(gone(far_pid()));
    EXPECT_EQ(panel.close(), 0);
}

TEST_F(LivePanelFarSide, KilledMidServeIsReportedAndNothingIsLeftRunning) {
    open_with_com1_on();
    const Batch before = snapshot();
    const pid_t pid = far_pid();
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    ASSERT_TRUE(panel.flight("play", 0).ok());
    panel.tick();  // the next frame finds it gone
    EXPECT_TRUE(gone(pid));
    expect_reported("signal 9", before);
}

TEST_F(LivePanelFarSide, NightAfterTheHostStoppedIsRefusedAs503LikeEveryInput) {
    // Before: night answered 200 and the page kept its last pictures in the old light.
    open_with_com1_on();
    ASSERT_TRUE(panel.set_night(true).ok());
    ASSERT_EQ(kill(far_pid(), SIGKILL), 0);
    ASSERT_TRUE(panel.flight("play", 0).ok());
    panel.tick();
    const Reply night = panel.set_night(false);
    EXPECT_EQ(night.status, 503);
    EXPECT_NE(night.reason.find("signal 9"), std::string::npos) << night.reason;
}

TEST_F(LivePanelFarSide, HangingMidServeIsStoppedAfterTheWait) {
    request_timeout_ms = 500;
    open_with_com1_on();
    const Batch before = snapshot();
    const pid_t pid = far_pid();
    ASSERT_EQ(kill(pid, SIGSTOP), 0);
    const auto start = std::chrono::steady_clock::now();
    const Reply click = panel.click(kCom1, 105, 75);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_EQ(click.status, 503);
    EXPECT_TRUE(gone(pid));
    expect_reported("did not answer within", before);
}

TEST_F(LivePanelFarSide, ServeEndsWithAnErrorWhenItsHostStoppedWhileServing) {
    ServeOptions options;
    options.live = options_for(HostKind::far_side);
    options.port = 0;
    std::atomic<bool> stop{false};
    std::thread killer;
    Diagnostics diagnostics;
    const int code = serve_panel(
        options, stop,
        [&](const std::string&) {
            killer = std::thread([&] {
                kill(far_pid(), SIGKILL);
                // The clock's frames find it gone; a second of them is plenty.
                std::this_thread::sleep_for(std::chrono::seconds(1));
                stop.store(true);
            });
        },
        diagnostics);
    killer.join();
    EXPECT_EQ(code, 1);
    ASSERT_EQ(diagnostics.errors().size(), 1u) << diagnostics;
    EXPECT_NE(diagnostics.errors()[0].find("the module's host stopped while serving"), std::string::npos)
        << diagnostics;
    EXPECT_NE(diagnostics.errors()[0].find("signal 9"), std::string::npos) << diagnostics;
}

}  // namespace
