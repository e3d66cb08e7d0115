// The panel.cfg reader on the format as panel files write it: line ends, byte-order
// marks, 8-bit comments, blanks, case, comments, the keys of a window, the window
// numbering of [Window Titles], the sections that are read and not drawn, and input
// that is no panel file at all.
#include <string>

#include "host/panel/panel_config.h"
#include "tests/unit/panels/panel_files.h"

namespace {

PanelConfig parse(const std::string& text, Diagnostics& diagnostics) {
    return parse_panel_config(text, "panel.cfg", diagnostics);
}

PanelConfig parse_clean(const std::string& text) {
    Diagnostics diagnostics;
    PanelConfig panel = parse(text, diagnostics);
    EXPECT_TRUE(diagnostics.items().empty()) << diagnostics.items().front().str();
    return panel;
}

// The one window of a text that must read without a word.
PanelWindow one_window(const std::string& text) {
    const PanelConfig panel = parse_clean(text);
    EXPECT_EQ(panel.windows.size(), 1u) << text;
    return panel.windows.empty() ? PanelWindow{} : panel.windows[0];
}

std::string notes_of(const std::string& text) {
    Diagnostics diagnostics;
    parse(text, diagnostics);
    EXPECT_TRUE(diagnostics.ok()) << diagnostics.errors().front();
    std::string all;
    for (const std::string& note : diagnostics.notes()) all += note + "\n";
    return all;
}

const char* const kSmall =
    "[Window Titles]\nWindow00=Main\n\n[Window00]\nsize_mm=640,480\nvisible=1\n"
    "gauge00=Tarvolen_Instr!Radios_Toggle, 10, 20, 19\n";

// The text with every line ended by a lone CR, as old Mac editors save it.
std::string cr_only(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\n') c = '\r';
    return out;
}

}  // namespace

TEST(PanelFileText, CrOnlyLinesReadAsLinesNotAsOneLine) {
    // Before: the whole file was one line, read as "no 2D panel window".
    const PanelWindow w = one_window(cr_only(kSmall));
    EXPECT_EQ(w.title, "Main");
    ASSERT_EQ(w.gauges.size(), 1u);
    EXPECT_EQ(w.gauges[0].line, 7);
    // A blank line between CRLF lines and a CR before LF are still one line end each.
    const PanelConfig mixed = parse_clean("[Window00]\r\n\rsize_mm=640,480\r\nvisible=1\n");
    ASSERT_EQ(mixed.windows.size(), 1u);
    EXPECT_EQ(mixed.windows[0].size_mm_h, 480);
}

TEST(PanelFileText, CrlfLfAndNoFinalNewlineReadAlike) {
    std::string crlf;
    for (const char c : std::string(kSmall)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::string unterminated = kSmall;
    unterminated.pop_back();
    for (const std::string& text : {std::string(kSmall), crlf, unterminated, cr_only(kSmall)}) {
        const PanelWindow w = one_window(text);
        EXPECT_EQ(w.title, "Main");
        EXPECT_EQ(w.size_mm_h, 480);
        ASSERT_EQ(w.gauges.size(), 1u);
        EXPECT_EQ(w.gauges[0].name, "Radios_Toggle");
        EXPECT_EQ(w.gauges[0].w, 19);
        EXPECT_EQ(w.gauges[0].line, 7);
    }
}

TEST(PanelFileText, ByteOrderMarkAndCp1252CommentsAreNoObstacle) {
    const PanelWindow w = one_window(
        "\xEF\xBB\xBF[Window Titles]\nWindow00=Main\n// Cr\xE9\xE9 par l'auteur \x96 \xA9 2009\n"
        "[Window00]\n; Tableau de bord \xE0 gauche\nsize_mm=100,50\n");
    EXPECT_EQ(w.title, "Main");
    EXPECT_EQ(w.size_mm_w, 100);
}

TEST(PanelFileText, BlanksTabsAndCaseDoNotCount) {
    const PanelWindow w = one_window(
        "[WINDOW TITLES]\n  window00 \t=  Main Panel  \t\n[window00] \nSize_MM\t=\t555, 555 \t\n"
        "VISIBLE = 0 \nIdent=\tgps_panel\t\nGauge13= Tarvolen_Instr!GPS_Toggle,\t\t20, 10 ,\t19\t\n");
    EXPECT_EQ(w.title, "Main Panel");
    EXPECT_EQ((std::array{w.size_mm_w, w.size_mm_h}), (std::array{555, 555}));
    EXPECT_FALSE(w.visible);
    EXPECT_EQ(w.ident, 225);
    ASSERT_EQ(w.gauges.size(), 1u);
    EXPECT_EQ(w.gauges[0].index, 13);
    EXPECT_EQ((std::array{w.gauges[0].x, w.gauges[0].y, w.gauges[0].w}), (std::array{20, 10, 19}));
}

TEST(PanelFileText, CommentsWholeLinesAndBehindValues) {
    const PanelWindow w = one_window(
        "// a comment\n;/ another\n[Window00]\n   // indented\n  ; indented too\nsize_mm=300,200 // the size\n"
        "position=7// no blank\nidents_are=not // keys\n"
        "gauge00=Other!Clock, 1, 2, 30, 30 // its comment, with commas, 5, 6\n"
        "gauge01=Tarvolen_Instr!GPS_Toggle, 1, 2, 19, 19, tGPS_PANEL // kept for the module\n"
        "gauge02=Tarvolen_Instr!Radios_Toggle, 1, 2 // 19, 19, t50\n");
    EXPECT_EQ(w.size_mm_w, 300);
    EXPECT_EQ(w.position, 7);
    ASSERT_EQ(w.gauges.size(), 3u);
    EXPECT_EQ(w.gauges[0].h, 30);
    EXPECT_EQ(w.gauges[0].parameters, std::nullopt);
    EXPECT_EQ(w.gauges[1].parameters, "tGPS_PANEL // kept for the module");
    EXPECT_EQ(w.gauges[2].w, 0);
    EXPECT_EQ(w.gauges[2].parameters, std::nullopt);
}

TEST(PanelFileText, OtherModulesParametersEndAtAComment) {
    const PanelWindow w = one_window("[Window00]\ngauge00=Snd!Sound, 2, 2, 2, 2, \\panel\\snd.ini // sound\n");
    ASSERT_EQ(w.gauges.size(), 1u);
    EXPECT_EQ(w.gauges[0].parameters, "\\panel\\snd.ini");
}

TEST(PanelWindowKeys, EveryKeyIsRead) {
    const PanelWindow w = one_window(
        "[Window00]\nfile=Main.bmp\nfile_1024=main_1024.BMP\nsize_mm=1280\nposition=8\nwindow_pos=0.25, 0.5\n"
        "window_size=0.32\nvisible=0\nident=794\nzorder=5\nbackground_color=49,50,51\nnomenu=1\ntype=SPECIAL\n"
        "pixel_size=512,256\n");
    ASSERT_TRUE(w.file && w.file_1024);
    EXPECT_EQ(w.file->name, "Main.bmp");
    EXPECT_EQ(w.file->line, 2);
    EXPECT_EQ(w.file_1024->name, "main_1024.BMP");
    EXPECT_EQ((std::array{w.size_mm_w, w.size_mm_h}), (std::array{1280, 0}));
    EXPECT_EQ(w.position, 8);
    ASSERT_TRUE(w.window_pos && w.window_size);
    EXPECT_DOUBLE_EQ(w.window_pos->y, 0.5);
    EXPECT_DOUBLE_EQ(w.window_size->x, 0.32);
    EXPECT_DOUBLE_EQ(w.window_size->y, 0.0);  // only the width was given
    EXPECT_FALSE(w.visible);
    EXPECT_EQ(w.ident, 794);
    EXPECT_EQ(w.zorder, 5);
    EXPECT_EQ(w.background_color, 0x313233u);
    EXPECT_TRUE(w.nomenu);
    EXPECT_EQ(w.type, "SPECIAL");
    EXPECT_EQ((std::array{w.pixel_w, w.pixel_h}), (std::array{512, 256}));
}

TEST(PanelWindowKeys, WindowSizeTakesOneValueOrTwo) {
    EXPECT_DOUBLE_EQ(one_window("[Window00]\nwindow_size= 0.500\n").window_size->x, 0.5);
    const PanelWindow two = one_window("[Window00]\nwindow_size= 0.320, 0.444\n");
    EXPECT_DOUBLE_EQ(two.window_size->y, 0.444);
}

TEST(PanelWindowKeys, IdentByNumberByModuleNameOrAnyOtherName) {
    EXPECT_EQ(one_window("[Window00]\nident=10005\n").ident, 10005);
    EXPECT_EQ(one_window("[Window00]\nident=Compass_Panel\n").ident, 75);
    Diagnostics diagnostics;
    const PanelConfig panel = parse("[Window03]\nident=MINIPANEL\n", diagnostics);
    ASSERT_TRUE(diagnostics.ok());
    ASSERT_EQ(panel.windows.size(), 1u);
    EXPECT_FALSE(panel.windows[0].ident.has_value());
    EXPECT_EQ(panel.windows[0].ident_name, "MINIPANEL");
    EXPECT_EQ(window_ident(panel.windows[0]), -4);  // a window of its own
    ASSERT_EQ(diagnostics.notes().size(), 1u);
    EXPECT_EQ(diagnostics.notes()[0].rfind("panel.cfg:2: note: ident MINIPANEL is not a window name", 0), 0u);
}

TEST(PanelWindowKeys, WhatTheSimulatorPassesOverIsANote) {
    const std::string notes = notes_of(
        "[Window00]\njust some words\nbackground_color=red\n[Window00]\nsize_mm=1,1\n[Window01]\n"
        "gauge01=A!B, 1, 2\ngauge01=A!C, 3, 4\ngauge02=Other!Gauge, x, 1\n");
    EXPECT_NE(notes.find("panel.cfg:2: note: not KEY=VALUE, passed over: \"just some words\""), std::string::npos);
    EXPECT_NE(notes.find("panel.cfg:3: note: background_color \"red\" is not R,G,B"), std::string::npos);
    EXPECT_NE(notes.find("panel.cfg:4: note: [Window00] given again (first at line 1)"), std::string::npos);
    EXPECT_NE(notes.find("panel.cfg:8: note: gauge01: given twice in this window (first at line 7)"),
              std::string::npos);
    EXPECT_NE(notes.find("panel.cfg:9: note: gauge02: x \"x\" is not a whole number, passed over"), std::string::npos);
}

TEST(PanelWindowKeys, TheFirstOfTwoGaugeLinesWithOneNumberIsKept) {
    Diagnostics diagnostics;
    const PanelConfig panel = parse("[Window00]\ngauge01=A!B, 1, 2\ngauge01=A!C, 3, 4\n", diagnostics);
    ASSERT_EQ(panel.windows[0].gauges.size(), 1u);
    EXPECT_EQ(panel.windows[0].gauges[0].name, "B");
    // The second window of a given number is passed over, not merged into the first.
    const PanelConfig twice = parse("[Window00]\nsize_mm=10,10\n[Window00]\nsize_mm=20,20\n", diagnostics);
    ASSERT_EQ(twice.windows.size(), 1u);
    EXPECT_EQ(twice.windows[0].size_mm_w, 10);
}

TEST(WindowTitles, WindowsAreCreatedFromWindow00OnUntilABreak) {
    Diagnostics diagnostics;
    const PanelConfig panel =
        parse("[Window Titles]\nWindow00=Main\nWindow01=Radios\nWindow03=Hidden\n[Window00]\n[Window01]\n[Window03]\n",
              diagnostics);
    ASSERT_EQ(panel.windows.size(), 2u);
    EXPECT_EQ(panel.windows[1].title, "Radios");
    ASSERT_EQ(diagnostics.notes().size(), 1u);
    EXPECT_EQ(diagnostics.notes()[0].rfind("panel.cfg:7: note: [Window03] is not created: the numbering in [Window "
                                           "Titles] breaks at Window02",
                                           0),
              0u)
        << diagnostics.notes()[0];
}

TEST(WindowTitles, ATitleWithoutItsSectionMakesNoWindowAndASectionWithoutTitleIsNotCreated) {
    Diagnostics diagnostics;
    const PanelConfig panel =
        parse("[Window Titles]\nWindow00=Main\nWindow01=Nothing here\n[Window00]\n[Window05]\nident=50\n", diagnostics);
    ASSERT_EQ(panel.windows.size(), 1u);  // no empty window for the lone title
    const auto notes = diagnostics.notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].rfind("panel.cfg:3: note: Window01 has a title but no [Window01] section", 0), 0u) << notes[0];
    EXPECT_EQ(notes[1].rfind("panel.cfg:5: note: [Window05] has no title", 0), 0u) << notes[1];
}

TEST(WindowTitles, WithoutTitlesEverySectionIsAWindow) {
    const PanelConfig panel = parse_clean("[Window02]\nident=75\n[Window07]\nident=50\n");
    ASSERT_EQ(panel.windows.size(), 2u);
    EXPECT_EQ(panel.windows[1].index, 7);
}

TEST(OtherSections, VirtualCockpitColourAndViewsAreReadAndNotDrawn) {
    const PanelConfig panel = parse_clean(
        "[VIEWS]\nVIEW_FORWARD_WINDOWS=MAIN_PANEL,GPS_PANEL,20\n[Color]\nDay=255,255,255\n[Default View]\nX=0\n"
        "[Vcockpit01]\nsize_mm=512,512\ntexture=$panel\ngauge00=Tarvolen_Instr!Old_COM1, 0, 0, 100\n"
        "[VCockpit02]\nrubbish without equals\n");
    EXPECT_TRUE(panel.windows.empty());
    EXPECT_EQ(panel.virtual_cockpits, 2);
}

TEST(BadInput, BytesNoTextHoldsStopTheReadingWithOneError) {
    Diagnostics diagnostics;
    const std::string text = "[Window00]\nsize_mm=1,1\n" + std::string(
                                                               "\x7F"
                                                               "ELF\x02\x01\x01\0\0\0",
                                                               10);
    const PanelConfig panel = parse(text, diagnostics);
    ASSERT_EQ(diagnostics.errors().size(), 1u);
    EXPECT_EQ(diagnostics.errors()[0], "panel.cfg:3: holds the byte 0x02: not a panel.cfg text");
    EXPECT_EQ(panel.windows.size(), 1u);  // what was read before stays
}

TEST(BadInput, AMegabyteLineIsRefusedAtItsLine) {
    Diagnostics diagnostics;
    parse("[Window00]\ngauge00=Tarvolen_Instr!Old_COM1, 1, 2, 100, 100, " + std::string(1 << 20, 'x') + "\nident=0\n",
          diagnostics);
    ASSERT_EQ(diagnostics.errors().size(), 1u);
    EXPECT_EQ(diagnostics.errors()[0], "panel.cfg:2: line longer than 4096 characters: not a panel.cfg text");
}

class BadFiles : public PanelFolder {};

TEST_F(BadFiles, ADirectoryAMissingFileAndAHugeFileAreNamed) {
    Diagnostics diagnostics;
    read_panel_config(dir.string(), diagnostics);
    read_panel_config((dir / "none.cfg").string(), diagnostics);
    read_panel_config(write("huge.cfg", std::string(MAX_FILE + 10, '\n')), diagnostics);
    const auto errors = diagnostics.errors();
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0], dir.string() + ": is a folder, not a panel configuration file");
    EXPECT_EQ(errors[1], (dir / "none.cfg").string() + ": cannot open panel configuration: no such file");
    EXPECT_EQ(errors[2], (dir / "huge.cfg").string() + ": larger than 4 MB: too large for a panel configuration");
}

TEST_F(BadFiles, ABinaryFileIsNamedWithItsLine) {
    std::string bytes = "MZ";
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>(i * 7 % 256);
    Diagnostics diagnostics;
    const std::string path = write("Gauge.gau", bytes);
    read_panel_config(path, diagnostics);
    ASSERT_EQ(diagnostics.errors().size(), 1u);
    EXPECT_EQ(diagnostics.errors()[0].rfind(path + ":1: holds the byte 0x00", 0), 0u) << diagnostics.errors()[0];
}
