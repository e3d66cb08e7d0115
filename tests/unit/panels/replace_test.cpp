// Placing an edited panel over the one placed: gauges that stay keep their placements
// (and the module's state behind them), moved ones take their new place, removed ones
// go, new ones come, and the windows stay open or closed as the pilot left them.
#include <memory>
#include <string>

#include "host/bridge/open_host.h"
#include "host/panel/panel_config.h"
#include "tests/unit/panels/panel_files.h"

namespace {

const std::string kBefore =
    "[Window Titles]\nWindow00=Main\nWindow01=Radios\n"
    "[Window00]\nsize_mm=600,300\nident=MAIN_PANEL\n"
    "gauge00=Tarvolen_Instr!Airspeed_Kts, 10, 10, 200\n"
    "gauge01=Tarvolen_Instr!Radios_Toggle, 10, 250, 38,, tRADIO_STACK_PANEL\n"
    "gauge02=Tarvolen_Instr!VOR1_Indicator, 300, 10, 200\n"
    "[Window01]\nsize_mm=300,300\nident=RADIO_STACK_PANEL\nvisible=0\n"
    "gauge00=Tarvolen_Instr!Old_COM1, 10, 10, 250\n";

PanelConfig parse(const std::string& text) {
    Diagnostics diagnostics;
    PanelConfig panel = parse_panel_config(text, "panel.cfg", diagnostics);
    EXPECT_TRUE(diagnostics.ok()) << diagnostics;
    return panel;
}

Placement* named(GaugeHost& host, const std::string& name) {
    for (const auto& p : host.placements())
        if (p->name == name) return p.get();
    return nullptr;
}

TEST(ReplacePanel, StayingGaugesKeepTheirPlacementsMovedOnesTakeTheNewPlace) {
    Diagnostics diagnostics;
    const auto opened = OpenedHost::open(TARVOLEN_MODULE_PATH, HostOptions{.trace = false}, diagnostics);
    ASSERT_TRUE(opened) << diagnostics;
    GaugeHost& host = opened->host();
    const PanelConfig before = parse(kBefore);
    ASSERT_TRUE(place_panel(host, before, diagnostics)) << diagnostics;
    host.frame_all();
    const int airspeed = named(host, "Airspeed_Kts")->id, com1 = named(host, "Old_COM1")->id;
    const int vor = named(host, "VOR1_Indicator")->id;
    host.declare_window(50, true);  // the pilot opened the radio stack
    ASSERT_TRUE(host.window_open(50));

    // The airspeed dial moved, the VOR indicator gone, an ADF indicator added, and a
    // compass window new to the panel.
    std::string edited = kBefore;
    edited.replace(edited.find("Airspeed_Kts, 10, 10"), 20, "Airspeed_Kts, 40, 12");
    edited.replace(edited.find("VOR1_Indicator"), 14, "ADF_Indicator");
    edited += "[Window02]\nsize_mm=100,100\nident=COMPASS_PANEL\nvisible=1\n";
    edited.replace(edited.find("Window01=Radios\n"), 16, "Window01=Radios\nWindow02=Compass\n");
    const PanelConfig next = parse(edited);
    Diagnostics replacing;
    ASSERT_TRUE(replace_panel(host, before, next, replacing)) << replacing;

    EXPECT_EQ(named(host, "Airspeed_Kts")->id, airspeed);
    EXPECT_EQ(named(host, "Airspeed_Kts")->x, 40);
    EXPECT_EQ(named(host, "Airspeed_Kts")->y, 12);
    EXPECT_EQ(named(host, "Old_COM1")->id, com1);
    EXPECT_EQ(host.placement(vor), nullptr);
    ASSERT_NE(named(host, "ADF_Indicator"), nullptr);
    EXPECT_EQ(named(host, "ADF_Indicator")->panel_window, 0);
    EXPECT_EQ(host.placements().size(), 4u);
    EXPECT_TRUE(host.window_open(50)) << "the radio stack stays open, though the file says visible=0";
    EXPECT_TRUE(host.window_open(75)) << "the new compass window is declared open";
}

TEST(ReplacePanel, OtherParametersMakeANewPlacement) {
    Diagnostics diagnostics;
    const auto opened = OpenedHost::open(TARVOLEN_MODULE_PATH, HostOptions{.trace = false}, diagnostics);
    ASSERT_TRUE(opened) << diagnostics;
    GaugeHost& host = opened->host();
    const PanelConfig before = parse(kBefore);
    ASSERT_TRUE(place_panel(host, before, diagnostics));
    const int toggle = named(host, "Radios_Toggle")->id;
    std::string edited = kBefore;
    edited.replace(edited.find("tRADIO_STACK_PANEL"), 18, "tCOMPASS_PANEL");
    Diagnostics replacing;
    ASSERT_TRUE(replace_panel(host, before, parse(edited), replacing));
    ASSERT_NE(named(host, "Radios_Toggle"), nullptr);
    EXPECT_NE(named(host, "Radios_Toggle")->id, toggle);
    EXPECT_EQ(host.placements().size(), 4u);
}

}  // namespace
