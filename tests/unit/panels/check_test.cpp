// `panelhost check`: each kind of finding, on a panel written for it, and a clean panel
// without any.
#include <string>

#include "host/cli/check_command.h"
#include "tests/unit/panels/panel_files.h"

namespace {

class PanelCheck : public PanelFolder {
protected:
    // The findings for a panel.cfg of this text, each "LINE: what" (the file name cut).
    std::vector<std::string> check(const std::string& text) {
        const std::string path = write("panel.cfg", text);
        const Diagnostics findings = check_command({path, TARVOLEN_MODULE_PATH, {}});
        std::vector<std::string> out;
        for (const Diagnostic& item : findings.items()) {
            EXPECT_EQ(item.level, Diagnostic::Level::error);
            EXPECT_EQ(item.file, path);
            out.push_back(std::to_string(item.line) + ": " + item.what);
        }
        return out;
    }

    // The one finding of a main window with these gauge lines.
    std::string only(const std::string& gauges) {
        const auto found = check(std::string(kMain) + gauges);
        EXPECT_EQ(found.size(), 1u) << gauges << "\n"
                                    << (found.empty() ? "" : found[0] + (found.size() > 1 ? "\n" + found[1] : ""));
        return found.empty() ? "" : found[0];
    }

    // A main panel and a radio stack, with gauge lines from line 9 on.
    static constexpr const char* kMain =
        "[Window Titles]\nWindow00=Main\nWindow01=Radios\n[Window01]\nident=RADIO_STACK_PANEL\nsize_mm=300,300\n"
        "[Window00]\nsize_mm=600,200\n";
};

}  // namespace

TEST_F(PanelCheck, ACleanPanelHasNoFindings) {
    fs::create_directories(dir / "Other");
    write("Other/Clock.xml", "<Gauge Name=\"Clock\"/>");  // another author's XML gauge, found
    EXPECT_TRUE(check(std::string(kMain) +
                      "gauge00=Tarvolen_Instr!Radios_Toggle, 10, 10, 19,, tRADIO_STACK_PANEL hTOGGLE_RADIO_WINDOW\n"
                      "gauge01=Tarvolen_Instr!Registration, 40, 10, 150,, tD-EFGH r255 g0 b10 fCourier New\n"
                      "gauge02=Tarvolen_Instr!Invisible_Toggle, 40, 10, 19,, b140 h43924\n"
                      "gauge03=Tarvolen_Instr!Old_COM1, 300, 10, 250\ngauge04=Other!Clock, 590, 190, 50, 50\n")
                    .empty());
}

TEST_F(PanelCheck, AnotherModuleNotFoundIsAFindingThatSaysWhereItWasLookedFor) {
    const std::vector<std::string> findings = check(std::string(kMain) + "gauge00=Missing!Clock, 590, 190, 50, 50\n");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].rfind(
                  "0: module Missing not found: looked for a folder Missing, Missing.cab and Missing.gau in ", 0),
              0u)
        << findings[0];
}

TEST_F(PanelCheck, WhatTheReaderSaysIsAFindingWithItsLine) {
    const auto found = check(
        "[Window Titles]\nWindow00=Main\nWindow02=Behind\n[Window00]\nposition=9\n"
        "gauge01=Tarvolen_Instr!GPS_Toggle, 1, 2\ngauge01=Tarvolen_Instr!ATC_Toggle, 30, 2\n[Window02]\n");
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0], "5: position \"9\" is not a number 0 to 8");
    EXPECT_EQ(found[1].rfind("7: gauge01: given twice in this window (first at line 6)", 0), 0u) << found[1];
    EXPECT_EQ(found[2].rfind("8: [Window02] is not created: the numbering in [Window Titles] breaks at Window01", 0),
              0u)
        << found[2];
}

TEST_F(PanelCheck, AFileWithoutA2dWindowSaysSo) {
    const auto found = check("[Vcockpit01]\nsize_mm=512,512\ngauge00=Tarvolen_Instr!Old_COM1, 0, 0, 100\n");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0],
              "0: no 2D panel window (only virtual cockpit sections): nothing of this panel shows on the screen");
}

TEST_F(PanelCheck, AGaugeNameTheModuleLacksWithDidYouMeanForANearMiss) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Old_Com1, 10, 10, 100\n"),
              "9: no gauge \"Old_Com1\" in Tarvolen_Instr; did you mean Old_COM1?");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radio_Toggle, 10, 10\n"),
              "9: no gauge \"Radio_Toggle\" in Tarvolen_Instr; did you mean Radios_Toggle?");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Altimeter, 10, 10\n"), "9: no gauge \"Altimeter\" in Tarvolen_Instr");
}

TEST_F(PanelCheck, ARejectedPictureAndTheTooltipItSkips) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Invisible_Toggle, 1, 1, 19,, b145 hTOGGLE_GPS_WINDOW\n"),
              "9: b145: the module takes only the pictures 90, 100, ... 190; the picture stays, and the h command is "
              "then skipped");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Invisible_Toggle, 1, 1, 19,, b200\n"),
              "9: b200: the module takes only the pictures 90, 100, ... 190; the picture stays");
}

TEST_F(PanelCheck, AWindowNameOutsideTheTableReadsAsWindow0) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 19,, tRADIO_STACK\n"),
              "9: tRADIO_STACK reads as window 0 (MAIN_PANEL): \"RADIO_STACK\" is not a window name of the module");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 19,, t RADIO_STACK_PANEL\n"),
              "9: t RADIO_STACK_PANEL reads as window 0 (MAIN_PANEL): the name must follow the letter directly");
}

TEST_F(PanelCheck, AWindowIdThatNoWindowOfThisFileHas) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!GPS_Toggle, 1, 1, 19,, tGPS_PANEL\n"),
              "9: tGPS_PANEL names window 225, which no window of this file has");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!GPS_Toggle, 1, 1, 19,, o50 c51\n"),
              "9: c51 names window 51, which no window of this file has");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Close_Subpanel, 1, 1, 19,, aOVERHEAD_PANEL\n"),
              "9: aOVERHEAD_PANEL names window 250, which no window of this file has");
}

TEST_F(PanelCheck, ACommandBehindACommentMarkIsNotRead) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 19,, t50 // t0\n"),
              "9: command t0 stands behind the comment mark '/' and is not read");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 19,, # tRADIO_STACK_PANEL\n"),
              "9: command tRADIO_STACK_PANEL stands behind the comment mark '#' and is not read");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Registration, 1, 1, 150,, tD-EFGH # r0\n"),
              "9: command r0 stands behind the comment mark '#' and is not read");
    // Words of a comment are no commands.
    EXPECT_TRUE(check(std::string(kMain) + "gauge00=Tarvolen_Instr!Seat_Up_Toggle, 1, 1, 19,, p2 // two steps, "
                                           "no window closes\n")
                    .empty());
}

TEST_F(PanelCheck, AHelpNumberBelow40960ClearsTheTooltip) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 19,, h100\n"),
              "9: h100 clears the tooltip: help ids below 40960 read as 0");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Radios_Toggle, 1, 1, 19,, hRADIO\n"),
              "9: hRADIO clears the tooltip: \"RADIO\" is not a help name of the module");
}

TEST_F(PanelCheck, APlateColourOutside0To255) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Registration, 1, 1, 150,, tD-EFGH g999\n"),
              "9: g999: plate colours are 0 to 255; the module reads 255");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Registration, 1, 1, 150,, tD-EFGH b-1\n"),
              "9: b-1: plate colours are 0 to 255; the module reads 255");
}

TEST_F(PanelCheck, ParametersForAGaugeThatReadsNone) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Map_Toggle, 1, 1, 19,, tGPS_PANEL\n"),
              "9: Map_Toggle reads no parameters: \"tGPS_PANEL\" does nothing");
}

TEST_F(PanelCheck, AGaugeOutsideItsWindow) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Close_Subpanel, 590, 10, 19\n"),
              "9: Close_Subpanel at 590,10 (19 x 19) reaches outside Main (600 x 200)");
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!Close_Subpanel, -2, 10, 19\n"),
              "9: Close_Subpanel at -2,10 (19 x 19) reaches outside Main (600 x 200)");
}

TEST_F(PanelCheck, ClickAreasOfTwoGaugesThatOverlap) {
    EXPECT_EQ(only("gauge00=Tarvolen_Instr!GPS_Toggle, 10, 10, 19\ngauge01=Tarvolen_Instr!ATC_Toggle, 20, 20, 19\n"),
              "10: click area of ATC_Toggle overlaps that of GPS_Toggle (line 9)");
    // Boxes that overlap without their click areas meeting are fine.
    EXPECT_TRUE(check(std::string(kMain) + "gauge00=Tarvolen_Instr!GPS_Toggle, 10, 10, 19\n"
                                           "gauge01=Tarvolen_Instr!ATC_Toggle, 24, 10, 19\n")
                    .empty());
}
