// Panel pictures of panels with backgrounds, popups and other modules' gauges: which
// windows are drawn, where, at what scale, over what, in the sheet and the screen
// layout.
#include <string>

#include "host/core/panel_host.h"
#include "host/panel/panel_config.h"
#include "host/render/cairo_canvas.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_render.h"
#include "host/render/recording_canvas.h"
#include "tests/unit/panels/panel_files.h"

namespace {

class PanelLayouts : public PanelFolder {
protected:
    void SetUp() override {
        PanelFolder::SetUp();
        Diagnostics error;
        ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
        faces = std::make_unique<ModuleBitmaps>(host.module()->instance());
    }

    // Reads and places a panel written beside its bitmaps, and runs one frame.
    void load(const std::string& text) {
        Diagnostics diagnostics;
        panel = read_panel_config(write("panel.cfg", text), diagnostics);
        ASSERT_TRUE(place_panel(host, panel, diagnostics)) << diagnostics.errors().front();
        host.frame_all();
        backgrounds = std::make_unique<PanelBackgrounds>(panel, 1024, notes);
    }

    // The recorded picture of the chosen windows.
    void draw(const PictureOptions& options = {}) {
        std::vector<const PanelWindow*> chosen;
        std::string error;
        ASSERT_TRUE(choose_windows(host, panel, options.windows, chosen, error)) << error;
        views = panel_views(host, &panel, *faces, backgrounds.get(), &chosen, options);
        layout = options.screen_layout ? lay_out_screen(views, options.screen) : lay_out_panel(views, *faces);
        canvas.clear();
        paint_panel(views, layout, *faces, canvas, options.paint);
    }

    GaugeFrame gauge_frame(const std::string& name) const {
        for (const auto& d : canvas.draws())
            if (d.kind == RecordedDraw::Kind::Gauge && d.frame.name == name) return d.frame;
        ADD_FAILURE() << "no gauge " << name << " in\n" << canvas.describe();
        return {};
    }

    PanelHost host;
    std::unique_ptr<ModuleBitmaps> faces;
    PanelConfig panel;
    Diagnostics notes;
    std::unique_ptr<PanelBackgrounds> backgrounds;
    std::vector<PanelWindowView> views;
    PanelLayout layout;
    RecordingCanvas canvas;
};

// A main panel of 200 x 100 units on a bitmap of 400 x 200 pixels, black in its left
// quarter (the windscreen), with a toggle; a radio popup that starts hidden.
const char* const kPanel =
    "[Window Titles]\nWindow00=Main\nWindow01=Radios\n"
    "[Window00]\nfile=MAIN.bmp\nsize_mm=200\nposition=7\n"
    "gauge00=Tarvolen_Instr!Radios_Toggle, 50, 20, 19,, tRADIO_STACK_PANEL\n"
    "gauge01=Other_Module!Clock, 100, 10, 40, 30\ngauge02=Other_Module!Light, 150, 50\n"
    "[Window01]\nvisible=0\nident=RADIO_STACK_PANEL\nsize_mm=300,150\nbackground_color=10,20,30\n"
    "window_pos=0.5,0.25\nwindow_size=0.25,0.2\nzorder=3\n"
    "gauge00=Tarvolen_Instr!Close_Subpanel, 10, 10, 19\n";

std::string main_bitmap() {
    return bmp_file(400, 200, 8, [](int x, int) { return x < 100 ? 0x000000u : 0x806040u; });
}

}  // namespace

TEST_F(PanelLayouts, GaugesAreInSizeMmUnitsScaledToTheBitmapsPixels) {
    write("main.bmp", main_bitmap());
    load(kPanel);
    draw();
    ASSERT_EQ(views.size(), 1u);  // the popup starts hidden
    EXPECT_EQ((std::array{views[0].width, views[0].height}), (std::array{400, 200}));
    EXPECT_DOUBLE_EQ(views[0].units_h, 100);  // from the bitmap's aspect
    const Rect area = layout.areas[0];
    EXPECT_DOUBLE_EQ(area.w, 400);
    const GaugeFrame toggle = gauge_frame("Radios_Toggle");
    EXPECT_DOUBLE_EQ(toggle.x, area.x + 100);
    EXPECT_DOUBLE_EQ(toggle.y, area.y + 40);
    EXPECT_DOUBLE_EQ(toggle.scale_x, 2.0);  // a 19-pixel face placed 19 units wide, two pixels a unit
}

TEST_F(PanelLayouts, TheBackgroundIsDrawnWithPureBlackSeeThrough) {
    write("main.bmp", main_bitmap());
    load(kPanel);
    draw();
    const GaugeFrame background = gauge_frame("background");
    EXPECT_DOUBLE_EQ(background.scale_x, 1.0);
    ASSERT_EQ(canvas.bitmaps(0).size(), 1u);
    EXPECT_TRUE(canvas.bitmaps(0)[0].black_transparent);
    // In pixels: the sheet shows the outside through the black; the paint stays.
    CairoCanvas pixels(layout.width, layout.height);
    paint_panel(views, layout, *faces, pixels, {});
    const int x = static_cast<int>(layout.areas[0].x), y = static_cast<int>(layout.areas[0].y);
    EXPECT_EQ(pixels.pixel(x + 10, y + 150), OUTSIDE_COLOUR);
    EXPECT_EQ(pixels.pixel(x + 300, y + 150), 0x806040u);
    // On the screen the outside shows through as well, and there is no title band.
    PictureOptions screen;
    screen.screen_layout = true;
    draw(screen);
    EXPECT_FALSE(canvas.windows()[0].fill);
    EXPECT_FALSE(canvas.windows()[0].titled);
}

TEST_F(PanelLayouts, BackgroundColourWhereThereIsNoBitmapAndAMissingBitmapIsANote) {
    load(kPanel);
    ASSERT_EQ(notes.notes().size(), 1u);
    EXPECT_NE(notes.notes()[0].find(":5: note: background bitmap \"MAIN.bmp\" not found"), std::string::npos);
    PictureOptions all;
    all.windows.kind = WindowChoice::Kind::all;
    draw(all);
    ASSERT_EQ(canvas.windows().size(), 2u);
    EXPECT_EQ(canvas.windows()[0].background, WINDOW_COLOUR);
    EXPECT_EQ(canvas.windows()[1].background, 0x0A141Eu);
    EXPECT_TRUE(canvas.windows()[1].fill);
}

TEST_F(PanelLayouts, TheScreenShowsEachWindowWhereItsKeysPutItInZOrder) {
    write("main.bmp", main_bitmap());
    load(kPanel);
    PictureOptions options;
    options.screen_layout = true;
    options.windows.kind = WindowChoice::Kind::all;
    draw(options);
    EXPECT_EQ((std::array{layout.width, layout.height}), (std::array{1024, 768}));
    const auto windows = canvas.windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].title, "Main");       // zorder 0 under zorder 3
    EXPECT_DOUBLE_EQ(windows[0].area.x, 312);  // bottom centre, 400 pixels of a 1024 screen
    EXPECT_DOUBLE_EQ(windows[0].area.y, 568);
    EXPECT_EQ(windows[1].title, "Radios");
    EXPECT_DOUBLE_EQ(windows[1].area.x, 512);
    EXPECT_DOUBLE_EQ(windows[1].area.y, 192);
    EXPECT_DOUBLE_EQ(windows[1].area.w, 256);
    // The popup's 300 units across 256 pixels: its close button is scaled to match.
    EXPECT_NEAR(gauge_frame("Close_Subpanel").scale_x, 256.0 / 300.0, 1e-12);
}

TEST_F(PanelLayouts, WindowsVisibleAllOrAListOfIdentsAndTitles) {
    load(kPanel);
    auto titles = [&](const WindowChoice& choice) {
        std::vector<const PanelWindow*> chosen;
        std::string error;
        EXPECT_TRUE(choose_windows(host, panel, choice, chosen, error)) << error;
        std::string out;
        for (const PanelWindow* w : chosen) out += w->title + ";";
        return out;
    };
    EXPECT_EQ(titles({}), "Main;");
    EXPECT_EQ(titles({WindowChoice::Kind::all, {}}), "Main;Radios;");
    EXPECT_EQ(titles({WindowChoice::Kind::list, {"50"}}), "Radios;");
    EXPECT_EQ(titles({WindowChoice::Kind::list, {"radio_stack_panel", "MAIN"}}), "Main;Radios;");
    EXPECT_EQ(titles({WindowChoice::Kind::list, {"window01"}}), "Radios;");
    std::vector<const PanelWindow*> chosen;
    std::string error;
    EXPECT_FALSE(choose_windows(host, panel, {WindowChoice::Kind::list, {"Overhead"}}, chosen, error));
    EXPECT_EQ(error, "--windows: no window \"Overhead\" in " + panel.source);
    // A click opens the popup, and visible then shows it.
    ASSERT_TRUE(host.click(host.placement("Radios_Toggle")->id, 9, 9));
    EXPECT_EQ(titles({}), "Main;Radios;");
}

TEST_F(PanelLayouts, NothingOpenIsANoteThatNamesWindowsAll) {
    load("[Window00]\nvisible=0\nsize_mm=100,100\n");
    PictureOptions options;
    const RenderOutcome outcome = render_panel_png(host, &panel, (dir / "out.png").string(), options);
    ASSERT_TRUE(outcome.written && outcome.diagnostics.ok()) << outcome.diagnostics;
    ASSERT_EQ(outcome.diagnostics.notes().size(), 1u);
    EXPECT_NE(outcome.diagnostics.notes()[0].find("no window of this panel is open; --windows all draws"),
              std::string::npos);
}

TEST_F(PanelLayouts, OtherModulesGaugesAreLabelledPlaceholdersOrMarkers) {
    write("main.bmp", main_bitmap());
    load(kPanel);
    draw();
    const auto placeholders = canvas.placeholders();
    ASSERT_EQ(placeholders.size(), 2u);
    const Rect area = layout.areas[0];
    EXPECT_EQ(placeholders[0].label, "Other_Module!Clock");
    EXPECT_FALSE(placeholders[0].marker);
    EXPECT_DOUBLE_EQ(placeholders[0].box.x, area.x + 200);
    EXPECT_DOUBLE_EQ(placeholders[0].box.w, 80);
    EXPECT_DOUBLE_EQ(placeholders[0].box.h, 60);
    EXPECT_EQ(placeholders[1].label, "Other_Module!Light");
    EXPECT_TRUE(placeholders[1].marker);
    EXPECT_DOUBLE_EQ(placeholders[1].box.y, area.y + 100);
}

TEST_F(PanelLayouts, TwoWindowsWithOneIdentEachDrawOnlyTheirOwnGauges) {
    load(
        "[Window00]\nident=50\nsize_mm=100,100\ngauge00=Tarvolen_Instr!GPS_Toggle, 1, 1, 19\n"
        "[Window01]\nident=50\nsize_mm=100,100\ngauge00=Tarvolen_Instr!Compass_Toggle, 1, 1, 19\n");
    draw();
    ASSERT_EQ(views.size(), 2u);
    ASSERT_EQ(views[0].gauges.size(), 1u);
    EXPECT_EQ(views[0].gauges[0]->name, "GPS_Toggle");
    ASSERT_EQ(views[1].gauges.size(), 1u);
    EXPECT_EQ(views[1].gauges[0]->name, "Compass_Toggle");
}

TEST_F(PanelLayouts, TheSheetScaleAndAPictureTooLargeToDraw) {
    load("[Window00]\nsize_mm=400,200\n");
    PictureOptions options;
    options.scale = 0.5;
    RenderOutcome outcome = render_panel_png(host, &panel, (dir / "half.png").string(), options);
    ASSERT_TRUE(outcome.written && outcome.diagnostics.ok()) << outcome.diagnostics;
    EXPECT_EQ(outcome.width, 200 + 24);
    options.scale = 8;
    options.windows.kind = WindowChoice::Kind::all;
    Diagnostics diagnostics;
    panel = parse_panel_config("[Window00]\nsize_mm=4000,200\n", panel.source, diagnostics);
    outcome = render_panel_png(host, &panel, (dir / "large.png").string(), options);
    EXPECT_FALSE(outcome.written);
    ASSERT_EQ(outcome.diagnostics.errors().size(), 1u) << outcome.diagnostics;
    EXPECT_NE(outcome.diagnostics.errors()[0].find("pixels, more than 20000 on a side"), std::string::npos)
        << outcome.diagnostics;
    EXPECT_FALSE(fs::exists(dir / "large.png"));
}

// A panel of many windows over a few bitmaps held each bitmap once per window: 0.22 MB
// a placement at 2,800 placements.
TEST_F(PanelLayouts, WindowsOverOneBitmapFileShareOneDecodedPicture) {
    write("main.bmp", main_bitmap());
    write("other.bmp", main_bitmap());  // the same bytes in a file of its own
    load(
        "[Window00]\nfile=main.bmp\nsize_mm=200\n[Window01]\nfile=MAIN.BMP\nsize_mm=200\n"
        "[Window02]\nfile=./main.bmp\nsize_mm=200\n[Window03]\nfile=other.bmp\nsize_mm=200\n");
    ASSERT_NE(backgrounds->find(0), nullptr);
    EXPECT_EQ(backgrounds->find(1), backgrounds->find(0));
    EXPECT_EQ(backgrounds->find(2), backgrounds->find(0));
    ASSERT_NE(backgrounds->find(3), nullptr);
    EXPECT_NE(backgrounds->find(3), backgrounds->find(0));
    EXPECT_EQ(backgrounds->find(3)->pixels, backgrounds->find(0)->pixels);
}
