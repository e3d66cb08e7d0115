// Other authors' XML gauges on the live page: placed from a cabinet in a --gauges folder,
// listed and drawn as gauges (not placeholders) with their spots, cursors and tooltips,
// clicked, dragged and let go through the page's requests, placed again on a reload with
// their L: variables kept; and `run --gauges` with a recording.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "host/scenario/scenario.h"
#include "host/serve/findings.h"
#include "host/serve/live_panel.h"
#include "host/serve/routes.h"
#include "host/serve/xml_spots.h"
#include "host/sim/named_vars.h"
#include "sdk/ids.h"
#include "tests/unit/xml/xml_fixture.h"

using namespace xmltest;
using nlohmann::json;

namespace {

// Elements: 0 a bar shifted by L:Lever, 1 a lamp lit by a release, 2 a lamp lit by a
// right click. Areas: the MHz knob (repeats while held), the lever (follows a drag), a
// button that acts when let go, one that takes the right button only.
const char* kRadioXml = R"(<Gauge Name="radio">
  <Image Name="face.bmp"/>
  <Element>
    <Image Name="lamp.bmp"/>
    <Shift><Value>(L:Lever,number)</Value><Scale Y="1"/></Shift>
  </Element>
  <Element><Visible>(L:Released,number) 0 &gt;</Visible><Image Name="lamp.bmp"/></Element>
  <Element><Visible>(L:Right,number) 0 &gt;</Visible><Image Name="lamp.bmp"/></Element>
  <Mouse>
    <Tooltip ID="TOOLTIPTEXT_COMM1_FREQ"/>
    <Area Left="0" Top="0" Width="20" Height="20">
      <Cursor Type="UpArrow"/>
      <Tooltip>COM whole MHz up</Tooltip>
      <Click Event="COM_RADIO_WHOLE_INC" Kind="LeftSingle+LeftRepeat"/>
    </Area>
    <Area Left="0" Top="40" Width="100" Height="60">
      <Cursor Type="Hand"/>
      <Click Kind="LeftSingle+LeftDrag">(M:Y) (&gt;L:Lever,number)</Click>
    </Area>
    <Area Left="20" Top="0" Width="20" Height="20">
      <Click Kind="LeftRelease">(L:Released,number) 1 + (&gt;L:Released,number)</Click>
    </Area>
    <Area Left="40" Top="0" Width="20" Height="20">
      <Click Kind="RightSingle">(L:Right,number) 1 + (&gt;L:Right,number)</Click>
    </Area>
  </Mouse>
</Gauge>
)";

std::string panel_text(int radio_x) {
    return "[Window Titles]\nWindow00=Main\n\n[Window00]\nsize_mm=400,200\nvisible=1\n"
           "gauge00=Tarvolen_Instr!Old_COM1, 0, 0, 200\n"
           "gauge01=Radios!radio, " +
           std::to_string(radio_x) + ", 0, 100\ngauge02=Missing!thing, 300, 100, 50, 50\n";
}

class LiveXmlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Scratch cab_files(scratch.dir.filename().string() + "_cab");
        cab_files.write("radio.xml", std::string(kRadioXml));
        cab_files.write("face.bmp", solid_bmp(100, 100, 0x404040));
        cab_files.write("lamp.bmp", solid_bmp(10, 10, 0xFF0000));
        fs::create_directories(scratch.dir / "gauges");
        ASSERT_TRUE(
            make_cabinet(scratch.dir / "gauges" / "Radios.cab", cab_files.dir, {"radio.xml", "face.bmp", "lamp.bmp"}));
        panel_path = scratch.write("panel.cfg", panel_text(200)).string();
        options.panel_path = panel_path;
        options.module_path = TARVOLEN_MODULE_PATH;
        options.gauge_folders = {(scratch.dir / "gauges").string()};
        Diagnostics diagnostics;
        ASSERT_TRUE(panel.open(options, diagnostics)) << diagnostics;
        ASSERT_EQ(panel.xml().placements().size(), 1u) << diagnostics;
        std::vector<PageMessage> first;
        panel.collect(first);  // as the server does before it listens
        routes = std::make_unique<PageRoutes>(
            panel,
            [](const std::function<void()>& job) {
                job();
                return true;
            },
            [] {});
    }

    std::vector<json> of_type(const std::vector<PageMessage>& messages, const std::string& type) {
        std::vector<json> found;
        for (const PageMessage& m : messages)
            if (json::parse(m.json)["type"] == type) found.push_back(json::parse(m.json));
        return found;
    }
    json layout() {
        std::vector<PageMessage> messages;
        panel.snapshot(messages);
        return of_type(messages, "layout").at(0);
    }
    const XmlPlacement& radio() { return *panel.xml().placements().at(0); }
    int click(int x, int y, const std::string& kind = "press") {
        const std::string query = "gauge=" + std::to_string(radio().id) + "&x=" + std::to_string(x) +
                                  "&y=" + std::to_string(y) + "&kind=" + kind;
        return routes->answer({"POST", "/api/click", query, "", -1}).status;
    }
    double com1_mhz() {
        return named_value(*find_named_var("COM1 ACTIVE FREQUENCY"), panel.host().var_number(TOKEN_COM1_FREQUENCY_BCD),
                           0);
    }

    std::string printed() {
        const std::vector<uint8_t> out = read_bytes(scratch.dir / "out.txt");
        return {out.begin(), out.end()};
    }

    Scratch scratch{"live_xml_test"};
    std::string panel_path;
    LiveOptions options;
    LivePanel panel;
    std::unique_ptr<PageRoutes> routes;
};

}  // namespace

TEST_F(LiveXmlTest, TheXmlGaugeIsAGaugeOfThePageWithItsSpotsCursorsAndTooltips) {
    std::vector<PageMessage> first;
    panel.snapshot(first);
    const json page = of_type(first, "layout").at(0);
    const json* xml = nullptr;
    for (const json& g : page["gauges"])
        if (g.value("xml", false)) xml = &g;
    ASSERT_NE(xml, nullptr) << page.dump();
    EXPECT_EQ((*xml)["id"], radio().id);
    EXPECT_EQ((*xml)["module"], "Radios");
    EXPECT_EQ((*xml)["key"], "gauge01");
    EXPECT_EQ((*xml)["fw"], 100);
    // Spots: the MHz knob repeats while held, the lever drags, the release button acts
    // when let go; the right-button area is no spot of the left button.
    const json spots = (*xml)["spots"];
    ASSERT_EQ(spots.size(), 3u) << spots.dump();
    EXPECT_EQ(spots[0],
              json::parse(R"([0,0,20,20,-1,)" + std::to_string(MOUSE_LEFT_CLICK | MOUSE_REPEAT) + R"(,"n-resize",3])"));
    EXPECT_EQ(spots[1][6], "pointer");
    EXPECT_EQ(spots[1][7], XML_CLICK_PRESS | XML_CLICK_DRAG);
    EXPECT_EQ(spots[2][7], XML_CLICK_RELEASE);
    const json helps = (*xml)["helps"];
    ASSERT_EQ(helps.size(), 2u) << helps.dump();
    EXPECT_EQ(helps[0][5], "COM whole MHz up");
    EXPECT_EQ(helps[1], json::parse(R"([0,0,0,0,0,"Comm1 freq"])"));
    // Only the module that is not found is a placeholder; the XML gauge's picture is sent.
    ASSERT_EQ(page["others"].size(), 1u);
    EXPECT_EQ(page["others"][0]["name"], "thing");
    bool picture = false;
    for (const json& g : of_type(first, "gauge")) picture = picture || g["id"] == radio().id;
    EXPECT_TRUE(picture);
    // The designer's findings say so too.
    Diagnostics notes;
    designer_notes(panel.panel(), notes, [this](int w, int g) { return panel.xml().placed(w, g); });
    const std::string all = ::testing::PrintToString(notes.notes());
    EXPECT_EQ(all.find("Radios!radio is drawn as a placeholder"), std::string::npos) << all;
    EXPECT_NE(all.find("Missing!thing is drawn as a placeholder"), std::string::npos) << all;
}

TEST_F(LiveXmlTest, ClickingTheXmlKnobOnThePageTunesTheModulesCom1) {
    const int old_com1 = find_placement(panel.host(), "Old_COM1")->id;
    const double mhz = com1_mhz();
    ASSERT_EQ(click(5, 5), 200);
    EXPECT_DOUBLE_EQ(com1_mhz(), mhz + 1);
    std::vector<PageMessage> after;
    panel.collect(after);
    bool redrawn = false;
    for (const json& g : of_type(after, "gauge")) redrawn = redrawn || g["id"] == old_com1;
    EXPECT_TRUE(redrawn) << "Old_COM1's drums show the new MHz";
    // Outside its face, on no area, or on an area of the right button: refused.
    EXPECT_EQ(click(100, 5), 422);
    EXPECT_EQ(click(70, 5), 422);
    EXPECT_EQ(click(45, 5), 422);
    EXPECT_EQ(radio().nodes[2].shown, false);
    EXPECT_EQ(click(5, 5, "wiggle"), 400);
}

TEST_F(LiveXmlTest, ADragFollowsThePointerInItsAreaAndAReleaseActsWhenLetGo) {
    ASSERT_EQ(click(50, 50), 200);  // the press runs the lever's click: M:Y 10
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 10);
    ASSERT_EQ(click(50, 95, "drag"), 200);
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 55);
    ASSERT_EQ(click(50, 500, "drag"), 200);  // beyond the face: kept to the area's box
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 60);
    ASSERT_EQ(click(50, -30, "drag"), 200);
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 0);
    ASSERT_EQ(click(50, 60, "release"), 200);
    ASSERT_EQ(click(50, 60, "drag"), 200);  // let go: a move no longer drags
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 0);
    // The release button: pressed, nothing yet; let go, its click runs.
    ASSERT_EQ(click(25, 5), 200);
    EXPECT_FALSE(radio().nodes[1].shown);
    ASSERT_EQ(click(25, 5, "release"), 200);
    EXPECT_TRUE(radio().nodes[1].shown);
}

TEST_F(LiveXmlTest, AReloadPlacesTheXmlGaugesAgainAndKeepsTheirLocalVariables) {
    ASSERT_EQ(click(50, 70), 200);
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 30);
    const int old_id = radio().id;
    scratch.write("panel.cfg", panel_text(250));
    Diagnostics reading;
    ASSERT_TRUE(panel.reload(reading)) << reading;
    ASSERT_EQ(panel.xml().placements().size(), 1u);
    EXPECT_NE(radio().id, old_id);
    EXPECT_EQ(radio().x, 250);
    EXPECT_DOUBLE_EQ(radio().nodes[0].number, 30) << "L:Lever kept across the reload";
    const json page = layout();
    int listed = 0;
    for (const json& g : page["gauges"]) listed += g["id"] == radio().id ? 1 : 0;
    EXPECT_EQ(listed, 1);
    EXPECT_EQ(click(50, 70), 200);  // the new id takes clicks
}

TEST_F(LiveXmlTest, AScenarioPlayedOnThePageClicksTheXmlKnob) {
    options.scenario_path = scratch.write("tune.scn", std::string("click Radios!radio 5 5\nframe\n")).string();
    LivePanel played;
    Diagnostics diagnostics;
    ASSERT_TRUE(played.open(options, diagnostics)) << diagnostics;
    const uint32_t before = static_cast<uint32_t>(played.host().var_number(TOKEN_COM1_FREQUENCY_BCD));
    ASSERT_TRUE(played.flight("step", 0).ok());
    EXPECT_EQ(static_cast<uint32_t>(played.host().var_number(TOKEN_COM1_FREQUENCY_BCD)), before + 0x100);
}

TEST(XmlSpots, TooltipsReadTheSimulatorsIdsAsWordsAndCursorsMapToCss) {
    EXPECT_EQ(xml_tooltip_text("TOOLTIPTEXT_AIRSPEED_KNOTS"), "Airspeed knots");
    EXPECT_EQ(xml_tooltip_text("Master switch"), "Master switch");
    EXPECT_EQ(xml_tooltip_text("Fuel %((A:FUEL LEFT QUANTITY,gallons))%!d! gal"), "Fuel \xE2\x80\xA6 gal");
    EXPECT_EQ(xml_tooltip_text("cut %((A:X,number)"), "cut \xE2\x80\xA6");
    EXPECT_STREQ(xml_cursor_css("DownArrow"), "s-resize");
    EXPECT_STREQ(xml_cursor_css("HAND"), "pointer");
    EXPECT_STREQ(xml_cursor_css("Nonsense"), "default");
}

// `run --gauges DIR`: a scenario's panel finds its XML gauges there, clicks them, and
// the recording draws them; without the folder the click finds no gauge.
TEST_F(LiveXmlTest, RunFindsXmlGaugesInGaugesFoldersAndRecordsThem) {
    const std::string scenario = scratch
                                     .write("tune.scn", std::string("panel panel.cfg\nframe\nexpect var 23 0x1830\n"
                                                                    "click Radios!radio 5 5\nframe 3\n"
                                                                    "expect var 23 0x1930\n"))
                                     .string();
    const std::string gif = (scratch.dir / "tune.gif").string();
    const std::string run = std::string("'") + TARVOLEN_PANELHOST_PATH + "' --module '" + TARVOLEN_MODULE_PATH +
                            "' run '" + scenario + "' ";
    const std::string quiet = " >'" + (scratch.dir / "out.txt").string() + "' 2>&1";
    EXPECT_EQ(
        std::system(
            (run + "--gauges '" + (scratch.dir / "gauges").string() + "' --record '" + gif + "'" + quiet).c_str()),
        0)
        << printed();
    EXPECT_GT(fs::file_size(gif), 0u);
    EXPECT_NE(std::system((run + quiet).c_str()), 0);
    EXPECT_NE(printed().find("no placed gauge \"Radios!radio\""), std::string::npos) << printed();
}
