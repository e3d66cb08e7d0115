// Reading panel.cfg files and placing a whole panel: what a panel designer writes and
// what the host makes of it, including the mistakes it must name.
#include <cstdio>
#include <fstream>

#include "host/panel/panel_config.h"
#include "host/scenario/scenario.h"
#include "tests/unit/toggle_fixture.h"

namespace {

const char* const kPanel = R"(// A small panel for the tests
[Window Titles]
window00=Main Panel
Window01=Radio Stack   // shown with Shift+2
window02=Compass

[Window00]
file=panel.bmp
size_mm=640,480
position=7
visible=1
ident=MAIN_PANEL
window_size_ratio=1.00
gauge00=Tarvolen_Instr!Radios_Toggle, 10, 20, 19
gauge01=Tarvolen_Instr!GPS_Toggle,  40,20,19,19 , tGPS_PANEL p2, EXTRA // comment mark
gauge02=Other_Module!Clock, 100, 20, 60, 60

[Window01]
size_mm=300,200
window_pos= 0.030, 0.522
window_size=0.30,0.25
visible=0
ident=RADIO_STACK_PANEL
gauge00=Tarvolen_Instr!Close_Subpanel, 280, 2, 19, 19

[Window02]
size_mm=200
visible=1
ident=75
gauge00=Tarvolen_Instr!Close_Subpanel, 0, 0 // no size: the gauge's own

[Views]
VIEW_FORWARD_DIR=0.0, 0.0, 0.0

[Vcockpit01]
gauge00=Tarvolen_Instr!Map_Toggle, 1, 2, 3, 4
)";

PanelConfig parse(const std::string& text, Diagnostics& messages) {
    return parse_panel_config(text, "panel.cfg", messages);
}

// The messages of a text that should hold exactly one error.
std::string only_error(const std::string& text) {
    Diagnostics messages;
    parse(text, messages);
    EXPECT_EQ(messages.errors().size(), 1u) << text;
    return messages.errors().empty() ? "" : messages.errors().front();
}

PanelGauge only_gauge(const std::string& gauge_line) {
    Diagnostics messages;
    const PanelConfig panel = parse("[Window00]\n" + gauge_line + "\n", messages);
    EXPECT_TRUE(messages.ok()) << gauge_line << ": " << (messages.errors().empty() ? "" : messages.errors()[0]);
    if (panel.windows.size() != 1 || panel.windows[0].gauges.size() != 1) {
        ADD_FAILURE() << "no single gauge read from " << gauge_line;
        return {};
    }
    return panel.windows[0].gauges[0];
}

}  // namespace

TEST(PanelConfigReader, ReadsWindowsWithTheirPlacesAndGauges) {
    Diagnostics messages;
    const PanelConfig panel = parse(kPanel, messages);
    ASSERT_TRUE(messages.ok()) << messages;
    ASSERT_EQ(panel.windows.size(), 3u);

    const PanelWindow& main = panel.windows[0];
    EXPECT_EQ(main.title, "Main Panel");
    EXPECT_EQ(main.size_mm_w, 640);
    EXPECT_EQ(main.size_mm_h, 480);
    EXPECT_EQ(main.position, 7);
    EXPECT_TRUE(main.visible);
    EXPECT_EQ(main.ident, 0);
    ASSERT_EQ(main.gauges.size(), 3u);
    const PanelGauge& gps = main.gauges[1];
    EXPECT_EQ(gps.index, 1);
    EXPECT_EQ(gps.module, "Tarvolen_Instr");
    EXPECT_EQ(gps.name, "GPS_Toggle");
    EXPECT_EQ((std::array{gps.x, gps.y, gps.w, gps.h}), (std::array{40, 20, 19, 19}));
    EXPECT_EQ(gps.parameters, "tGPS_PANEL p2, EXTRA // comment mark");
    EXPECT_EQ(gps.line, 15);
    EXPECT_EQ(main.gauges[0].parameters, std::nullopt);
    EXPECT_EQ(main.gauges[0].h, 0);
    EXPECT_EQ(main.gauges[2].module, "Other_Module");

    const PanelWindow& radios = panel.windows[1];
    EXPECT_EQ(radios.title, "Radio Stack");
    EXPECT_FALSE(radios.visible);
    EXPECT_EQ(radios.ident, 50);
    ASSERT_TRUE(radios.window_pos.has_value());
    EXPECT_DOUBLE_EQ(radios.window_pos->x, 0.03);
    EXPECT_DOUBLE_EQ(radios.window_pos->y, 0.522);
    EXPECT_DOUBLE_EQ(radios.window_size->x, 0.3);
    EXPECT_FALSE(radios.position.has_value());

    const PanelWindow& compass = panel.windows[2];
    EXPECT_EQ(compass.size_mm_w, 200);
    EXPECT_EQ(compass.size_mm_h, 0);
    EXPECT_EQ(compass.ident, 75);
    ASSERT_EQ(compass.gauges.size(), 1u);
    EXPECT_EQ((std::array{compass.gauges[0].x, compass.gauges[0].w}), (std::array{0, 0}));
}

TEST(PanelConfigReader, ParametersAreEverythingBehindTheFifthComma) {
    EXPECT_EQ(only_gauge("gauge00=Tarvolen_Instr!Radios_Toggle,1,2,19,19,t50, o75,c10").parameters, "t50, o75,c10");
    EXPECT_EQ(only_gauge("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 2, 19, 19,   t50 # x  ").parameters, "t50 # x");
    EXPECT_EQ(only_gauge("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 2, 19, 19, t50 // t75").parameters, "t50 // t75");
    EXPECT_EQ(only_gauge("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 2, 19, 19,").parameters, "");
    EXPECT_EQ(only_gauge("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 2, 19, 19").parameters, std::nullopt);
    // A comment before the fifth comma ends the line: its commas are no fields.
    const PanelGauge commented = only_gauge("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 2 // 19, 19, t50");
    EXPECT_EQ(commented.parameters, std::nullopt);
    EXPECT_EQ(commented.w, 0);
}

TEST(PanelConfigReader, WidthAndHeightMayBeLeftOutOrEmpty) {
    const PanelGauge g = only_gauge("gauge07=Tarvolen_Instr!Registration, -8, 1, , , tG-ABCD r255");
    EXPECT_EQ(g.index, 7);
    EXPECT_EQ((std::array{g.x, g.y, g.w, g.h}), (std::array{-8, 1, 0, 0}));
    EXPECT_EQ(g.parameters, "tG-ABCD r255");
}

TEST(PanelConfigReader, SectionsAndKeysIgnoreCaseAndUnknownOnesAreSkipped) {
    Diagnostics messages;
    const PanelConfig panel = parse(
        "stray=line before any section\n[WINDOW03]\nIDENT=gps_panel\nVisible=0\nbackground_color=0,0,0\n"
        "zoom=1.0\nGAUGE00=tarvolen_instr!GPS_Toggle, 1, 2\n[Color]\nDay=255,255,255\n",
        messages);
    ASSERT_TRUE(messages.ok()) << messages;
    ASSERT_EQ(panel.windows.size(), 1u);
    EXPECT_EQ(panel.windows[0].index, 3);
    EXPECT_EQ(panel.windows[0].ident, 225);
    EXPECT_FALSE(panel.windows[0].visible);
    EXPECT_EQ(panel.windows[0].gauges.size(), 1u);
}

TEST(PanelConfigReader, MistakesNameTheFileTheLineAndWhatWasWrong) {
    const std::pair<std::string, std::string> cases[] = {
        {"[Window00]\n\ngauge00=Tarvolen_Instr!GPS_Toggle, 1a, 2\n", "panel.cfg:3: gauge00: x \"1a\" is not a whole"},
        {"[Window00]\ngauge00=Tarvolen_Instr!GPS_Toggle, 1, 2, 19.5\n", "panel.cfg:2: gauge00: width \"19.5\""},
        {"[Window00]\ngauge00=Tarvolen_Instr!GPS_Toggle, 1, 2, 19, -4\n", "panel.cfg:2: gauge00: height -4 is neg"},
        {"[Window00]\ngauge00=Tarvolen_Instr!GPS_Toggle 1 2\n", "panel.cfg:2: gauge00: missing comma"},
        {"[Window00]\ngauge00=Tarvolen_Instr!GPS_Toggle, 1\n", "panel.cfg:2: gauge00: missing comma"},
        {"[Window00]\ngauge00=GPS_Toggle, 1, 2\n", "panel.cfg:2: gauge00: expected MODULE!GAUGE"},
        {"[Window00]\ngauge00=Tarvolen_Instr!, 1, 2\n", "panel.cfg:2: gauge00: expected MODULE!GAUGE"},
        {"[Window00]\ngauge00=, 1, 2\n", "panel.cfg:2: gauge00: expected MODULE!GAUGE"},
        {"[Window00]\nposition=9\n", "panel.cfg:2: position \"9\""},
        {"[Window00]\nvisible=yes\n", "panel.cfg:2: visible \"yes\""},
        {"[Window00]\nsize_mm=640x480\n", "panel.cfg:2: size_mm \"640x480\""},
        {"[Window00]\nwindow_pos=0.5\n", "panel.cfg:2: window_pos \"0.5\""},
        {"[Window00\nident=0\n", "panel.cfg:1: section header \"[Window00\" lacks"},
        {"[Window00]\nzorder=high\n", "panel.cfg:2: zorder \"high\" is not a whole number"},
        {"[Window00]\nwindow_size=0.3,0.2,0.1\n", "panel.cfg:2: window_size \"0.3,0.2,0.1\" is not W[,H]"},
        {"[Window00]\npixel_size=512\n", "panel.cfg:2: pixel_size \"512\" is not WIDTH,HEIGHT"},
        {"[Window00]\nnomenu=2\n", "panel.cfg:2: nomenu \"2\" is not 0 or 1"},
    };
    for (const auto& [text, start] : cases) EXPECT_EQ(only_error(text).rfind(start, 0), 0u) << only_error(text);
}

TEST(PanelConfigReader, EveryMistakeIsReportedAndTheRestIsStillRead) {
    Diagnostics messages;
    const PanelConfig panel = parse(
        "[Window00]\nident=\ngauge00=Tarvolen_Instr!A, x, 1\ngauge01=Tarvolen_Instr!GPS_Toggle, 1, 2\nvisible=2\n",
        messages);
    EXPECT_EQ(messages.errors().size(), 3u);
    ASSERT_EQ(panel.windows.size(), 1u);
    EXPECT_EQ(panel.windows[0].gauges.size(), 1u);
}

TEST(PanelConfigReader, WindowWithoutTitleIsNoted) {
    Diagnostics messages;
    parse("[Window Titles]\nwindow00=Main\n[Window00]\n[Window01]\nident=50\n", messages);
    EXPECT_TRUE(messages.ok());
    ASSERT_EQ(messages.notes().size(), 1u);
    EXPECT_EQ(messages.notes()[0].rfind("panel.cfg:4: note: [Window01] has no title", 0), 0u) << messages.notes()[0];
}

TEST(PanelConfigReader, MissingFileIsNamed) {
    Diagnostics messages;
    read_panel_config("/nonexistent/panel.cfg", messages);
    ASSERT_EQ(messages.errors().size(), 1u);
    EXPECT_NE(messages.errors()[0].find("/nonexistent/panel.cfg"), std::string::npos);
}

using PanelPlacing = ToggleTest;

TEST_F(PanelPlacing, WholePanelIsPlacedAndShowsWhichWindowsAreOpen) {
    const std::string path = testing::TempDir() + "tarvolen_panel_test.cfg";
    std::ofstream(path) << kPanel;
    Diagnostics messages;
    const PanelConfig panel = read_panel_config(path, messages);
    ASSERT_TRUE(messages.ok()) << messages;
    EXPECT_TRUE(place_panel(host, panel, messages)) << messages;
    std::remove(path.c_str());

    // Three windows declared by their visible flags; four gauges of this module placed.
    EXPECT_TRUE(host.aircraft().window_open(0));
    EXPECT_FALSE(host.aircraft().window_open(50));
    EXPECT_TRUE(host.aircraft().window_open(75));
    ASSERT_EQ(host.placements().size(), 4u);
    EXPECT_TRUE(messages.items().empty());
    note_other_modules(panel, true, messages);
    ASSERT_EQ(messages.notes().size(), 2u);
    EXPECT_NE(messages.notes()[0].find(":16: note: gauge Other_Module!Clock belongs to another module; drawn as a "
                                       "placeholder"),
              std::string::npos)
        << messages.notes()[0];
    EXPECT_NE(messages.notes()[1].find(": note: 1 gauge of 1 other module drawn as placeholders"), std::string::npos);

    const Placement* gps = host.placement("GPS_Toggle");
    ASSERT_NE(gps, nullptr);
    EXPECT_EQ(gps->window, 0);
    EXPECT_EQ((std::array{gps->x, gps->y, gps->w, gps->h}), (std::array{40, 20, 19, 19}));
    ASSERT_TRUE(gps->parameters.has_value());
    EXPECT_STREQ(gps->parameters->data(), "tGPS_PANEL p2, EXTRA // comment mark");

    // The radio stack's close button sits in window 50; the compass's in window 75.
    const auto& placed = host.placements();
    EXPECT_EQ(placed[2]->name, "Close_Subpanel");
    EXPECT_EQ(placed[2]->window, 50);
    EXPECT_EQ(placed[3]->window, 75);

    // Opening the radio stack from the main panel and closing it from its own button.
    click(host.placement("Radios_Toggle")->id);
    EXPECT_EQ(ops("close_panel_window"), (Records{{{"op", "close_panel_window"}, {"window", 0}}}));
    EXPECT_FALSE(host.aircraft().window_open(0));  // no string: it closed the main panel
    host.aircraft().declare_window(0, true);
    click(gps->id);
    EXPECT_EQ(ops("send_event"), (Records{sent(66506, 225), sent(65734), sent(65734)}));
    EXPECT_TRUE(host.aircraft().window_open(225));
    click(placed[3]->id);
    EXPECT_FALSE(host.aircraft().window_open(75));
    EXPECT_TRUE(host.aircraft().window_open(0));
}

TEST_F(PanelPlacing, UnknownGaugeOfThisModuleIsAnErrorWithItsLine) {
    Diagnostics messages;
    const PanelConfig panel = parse(
        "[Window00]\ngauge00=Tarvolen_Instr!Radio_Toggle, 1, 2\ngauge01=Tarvolen_Instr!GPS_Toggle, 1, 2\n", messages);
    ASSERT_TRUE(messages.ok());
    EXPECT_FALSE(place_panel(host, panel, messages));
    ASSERT_EQ(messages.errors().size(), 1u);
    EXPECT_EQ(messages.errors()[0].rfind("panel.cfg:2: unknown gauge \"Radio_Toggle\"", 0), 0u) << messages;
    EXPECT_EQ(host.placements().size(), 1u);
}

TEST_F(PanelPlacing, WindowWithoutIdentGetsOneNoCommandCanName) {
    Diagnostics messages;
    const PanelConfig panel = parse("[Window04]\nvisible=1\ngauge00=Tarvolen_Instr!Close_Subpanel, 1, 2\n", messages);
    ASSERT_TRUE(place_panel(host, panel, messages));
    const int32_t ident = window_ident(panel.windows[0]);
    EXPECT_LT(ident, 0);
    EXPECT_TRUE(host.aircraft().window_open(ident));
    click(host.placements()[0]->id);
    EXPECT_FALSE(host.aircraft().window_open(ident));
}

TEST_F(PanelPlacing, StartCommandMayCloseAWindowThatALaterSectionDeclares) {
    Diagnostics messages;
    const PanelConfig panel = parse(
        "[Window00]\nident=0\ngauge00=Tarvolen_Instr!GPS_Toggle, 1, 2, 19, 19, aGPS_PANEL\n"
        "[Window01]\nident=GPS_PANEL\nvisible=1\n",
        messages);
    ASSERT_TRUE(place_panel(host, panel, messages));
    EXPECT_FALSE(host.aircraft().window_open(225));
}

TEST_F(PanelPlacing, ScenarioPlacesAPanelFileBesideIt) {
    const std::string dir = testing::TempDir();
    std::ofstream(dir + "tarvolen_scenario_panel.cfg")
        << "[Window00]\nident=RADIO_STACK_PANEL\ngauge00=Tarvolen_Instr!Close_Subpanel, 1, 2\n";
    const Diagnostics result =
        run_scenario(host,
                     "panel tarvolen_scenario_panel.cfg\nexpect window 50 open\nclick Close_Subpanel 9 9\n"
                     "expect window 50 closed\npanel no_such_panel.cfg\n",
                     dir + "panel.scn");
    std::remove((dir + "tarvolen_scenario_panel.cfg").c_str());
    // The panel file's error, then where the scenario placed it.
    ASSERT_EQ(result.items().size(), 2u) << result;
    EXPECT_EQ(result.errors(),
              (std::vector<std::string>{dir + "no_such_panel.cfg: cannot open panel configuration: no such file"}));
    EXPECT_EQ(result.notes(), (std::vector<std::string>{dir + "panel.scn:5: note: in the panel this line places"}));
}
