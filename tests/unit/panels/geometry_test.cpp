// Window sizes in size_mm units and pixels, and places on the screen; the background
// bitmaps found beside a panel.cfg and what a bad one does.
#include <string>

#include "host/panel/geometry.h"
#include "host/render/panel_bitmaps.h"
#include "tests/unit/panels/panel_files.h"

namespace {

PanelWindow window_from(const std::string& keys) {
    Diagnostics diagnostics;
    const PanelConfig panel = parse_panel_config("[Window00]\n" + keys, "panel.cfg", diagnostics);
    EXPECT_TRUE(diagnostics.items().empty()) << diagnostics.items().front().str();
    return panel.windows.at(0);
}

constexpr Size kNoBitmap{};
constexpr Size kScreen{1024, 768};

}  // namespace

TEST(WindowGeometry, AMissingHeightComesFromTheBitmapsAspect) {
    const WindowGeometry g = window_geometry(window_from("size_mm=1280\n"), {1280, 960}, {300, 40});
    EXPECT_DOUBLE_EQ(g.units_w, 1280);
    EXPECT_DOUBLE_EQ(g.units_h, 960);  // not the strip the gauges would make
    EXPECT_EQ((std::array{g.pixel_w, g.pixel_h}), (std::array{1280, 960}));
    // A bitmap of another scale: the window is the bitmap's pixels, the units stay.
    const WindowGeometry half = window_geometry(window_from("size_mm=1600\n"), {800, 300}, {});
    EXPECT_DOUBLE_EQ(half.units_h, 600);
    EXPECT_EQ((std::array{half.pixel_w, half.pixel_h}), (std::array{800, 300}));
}

TEST(WindowGeometry, WithoutABitmapTheHeightComesFromTheGaugesElseThreeQuartersOfTheWidth) {
    EXPECT_DOUBLE_EQ(window_geometry(window_from("size_mm=400\n"), kNoBitmap, {390, 120}).units_h, 120);
    EXPECT_DOUBLE_EQ(window_geometry(window_from("size_mm=400\n"), kNoBitmap, {}).units_h, 300);
    const WindowGeometry bare = window_geometry(window_from("visible=1\n"), kNoBitmap, {250, 90});
    EXPECT_EQ((std::array{bare.pixel_w, bare.pixel_h}), (std::array{250, 90}));
    const WindowGeometry full = window_geometry(window_from("size_mm=300,200\n"), kNoBitmap, {900, 900});
    EXPECT_EQ((std::array{full.pixel_w, full.pixel_h}), (std::array{300, 200}));
}

TEST(ScreenPlace, WindowSizeAndPosAreFractionsOfTheScreen) {
    const PanelWindow w = window_from("size_mm=500,520\nwindow_size= 0.320, 0.444\nwindow_pos= 0.020, 0.505\n");
    const ScreenRect r = screen_rect(w, window_geometry(w, kNoBitmap, {}), kScreen);
    EXPECT_NEAR(r.x, 20.48, 1e-9);
    EXPECT_NEAR(r.y, 387.84, 1e-9);
    EXPECT_NEAR(r.w, 327.68, 1e-9);
    EXPECT_NEAR(r.h, 340.992, 1e-9);
}

TEST(ScreenPlace, AWindowSizeOfOneValueKeepsTheWindowsAspect) {
    const PanelWindow w = window_from("size_mm=400,200\nwindow_size=0.5\n");
    const ScreenRect r = screen_rect(w, window_geometry(w, kNoBitmap, {}), kScreen);
    EXPECT_DOUBLE_EQ(r.w, 512);
    EXPECT_DOUBLE_EQ(r.h, 256);
}

TEST(ScreenPlace, WithoutWindowSizeTheBitmapFitsTheScreenAtItsPosition) {
    // A 1280 x 960 main panel at the bottom centre fills a 1024 x 768 screen.
    const PanelWindow main = window_from("size_mm=1280\nposition=7\n");
    const ScreenRect r = screen_rect(main, window_geometry(main, {1280, 960}, {}), kScreen);
    EXPECT_DOUBLE_EQ(r.w, 1024);
    EXPECT_DOUBLE_EQ(r.h, 768);
    EXPECT_DOUBLE_EQ(r.y, 0);
    // A small popup keeps its pixels on a 1024-wide screen and goes where position puts it.
    const double expected[9][2] = {{0, 0},     {412, 0}, {824, 0},   {0, 284},  {412, 284},
                                   {824, 284}, {0, 568}, {412, 568}, {824, 568}};
    for (int p = 0; p <= 8; ++p) {
        const PanelWindow w = window_from("position=" + std::to_string(p) + "\n");
        const ScreenRect s = screen_rect(w, window_geometry(w, {200, 200}, {}), kScreen);
        EXPECT_DOUBLE_EQ(s.w, 200) << p;
        EXPECT_DOUBLE_EQ(s.x, expected[p][0]) << p;
        EXPECT_DOUBLE_EQ(s.y, expected[p][1]) << p;
    }
    // Twice the screen: twice the pixels.
    const PanelWindow w = window_from("visible=1\n");
    EXPECT_DOUBLE_EQ(screen_rect(w, window_geometry(w, {200, 100}, {}), {2048, 1536}).w, 400);
}

TEST(ScreenPlace, File1024IsTakenOnScreens1024WideOrMore) {
    const PanelWindow both = window_from("file=small.bmp\nfile_1024=large.bmp\n");
    EXPECT_EQ(background_name(both, 1024)->name, "large.bmp");
    EXPECT_EQ(background_name(both, 800)->name, "small.bmp");
    EXPECT_EQ(background_name(window_from("file_1024=large.bmp\n"), 640)->name, "large.bmp");
    EXPECT_EQ(background_name(window_from("visible=1\n"), 1024), nullptr);
}

class Backgrounds : public PanelFolder {
protected:
    PanelConfig panel_with(const std::string& keys) {
        Diagnostics diagnostics;
        PanelConfig panel = parse_panel_config("[Window00]\n" + keys, (dir / "panel.cfg").string(), diagnostics);
        EXPECT_TRUE(diagnostics.ok());
        return panel;
    }
};

TEST_F(Backgrounds, FoundBesideThePanelWithoutRegardToCase) {
    write("Main_Panel.BMP", bmp_file(4, 2, 8, [](int x, int) { return x < 2 ? 0x102030u : 0u; }));
    fs::create_directories(dir / "Panel");
    write("Panel/Radio.bmp", bmp_file(3, 3, 24, [](int x, int y) { return static_cast<uint32_t>(x * 16 + y); }));
    EXPECT_EQ(find_beside((dir / "panel.cfg").string(), "main_panel.bmp"), (dir / "Main_Panel.BMP").string());
    EXPECT_EQ(find_beside((dir / "panel.cfg").string(), "panel\\RADIO.bmp"), (dir / "Panel" / "Radio.bmp").string());
    EXPECT_EQ(find_beside((dir / "panel.cfg").string(), "nothing.bmp"), "");
    EXPECT_EQ(find_beside((dir / "panel.cfg").string(), "panel"), "");  // a folder is no bitmap

    Diagnostics diagnostics;
    const PanelConfig panel = panel_with("file=MAIN_PANEL.bmp\n[Window01]\nfile = panel/radio.bmp\n");
    const PanelBackgrounds backgrounds(panel, 1024, diagnostics);
    EXPECT_TRUE(diagnostics.items().empty());
    const Bitmap* main = backgrounds.find(0);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ((std::array{main->width, main->height}), (std::array{4, 2}));
    EXPECT_EQ(main->at(0, 1), 0x102030u);
    EXPECT_EQ(main->at(3, 0), 0u);
    const Bitmap* radio = backgrounds.find(1);
    ASSERT_NE(radio, nullptr);
    EXPECT_EQ(radio->at(2, 1), 0x21u);  // 24 bits, rows bottom-up
}

TEST_F(Backgrounds, AMissingOrBrokenBitmapIsANoteNamingTheFileAndLine) {
    std::string lying = bmp_file(8, 8, 8, [](int, int) { return 0x808080u; });
    lying[18] = '\xFF';  // width 255 + ..., with the pixels of 8 x 8
    lying[19] = '\x3F';
    write("lying.bmp", lying);
    write("short.bmp", bmp_file(8, 8, 24, [](int, int) { return 0x808080u; }).substr(0, 100));
    std::string huge = bmp_file(1, 1, 24, [](int, int) { return 0u; });
    huge.replace(18, 8, std::string("\x00\x20\x00\x00\x00\x20\x00\x00", 8));  // 8192 x 8192
    write("huge.bmp", huge);
    fs::create_directories(dir / "folder.bmp");
    const PanelConfig panel = panel_with(
        "file=missing.bmp\n[Window01]\nfile=lying.bmp\n[Window02]\nfile=short.bmp\n[Window03]\nfile=huge.bmp\n"
        "[Window04]\nfile=folder.bmp\n");
    Diagnostics diagnostics;
    const PanelBackgrounds backgrounds(panel, 1024, diagnostics);
    EXPECT_TRUE(diagnostics.ok());
    const auto notes = diagnostics.notes();
    ASSERT_EQ(notes.size(), 5u);
    const std::string cfg = (dir / "panel.cfg").string();
    EXPECT_EQ(notes[0], cfg +
                            ":2: note: background bitmap \"missing.bmp\" not found beside the panel.cfg; Window0 "
                            "is drawn without it");
    EXPECT_EQ(notes[1], cfg + ":4: note: background bitmap " + (dir / "lying.bmp").string() +
                            ": pixel data is cut short; Window1 is drawn without it");
    EXPECT_NE(notes[2].find(":6: note: background bitmap " + (dir / "short.bmp").string() + ": "), std::string::npos);
    EXPECT_NE(notes[3].find("huge.bmp: bitmap of 8192 x 8192 pixels is larger than"), std::string::npos) << notes[3];
    EXPECT_NE(notes[4].find(":10: note: background bitmap \"folder.bmp\" not found"), std::string::npos);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(backgrounds.find(i), nullptr);
}
