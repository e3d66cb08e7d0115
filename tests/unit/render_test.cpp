// What the panel picture shows of the real gauges: placed on a host, driven by the
// simulated aircraft, drawn with the module's own bitmaps through the recording canvas.
#include <cairo.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/panel/panel_config.h"
#include "host/render/cairo_canvas.h"
#include "host/render/gauge_painter.h"
#include "host/render/module_bitmaps.h"
#include "host/render/panel_picture.h"
#include "host/render/panel_render.h"
#include "host/render/png_queue.h"
#include "host/render/png_writer.h"
#include "host/render/recording_canvas.h"
#include "tests/unit/host_fixture.h"

namespace {

// Compass direction (clockwise from twelve o'clock, 0..360) of a needle drawn at a
// canvas angle (clockwise from +x, the way needle bitmaps point).
double compass(double angle_deg) {
    double c = std::fmod(angle_deg + 90.0, 360.0);
    return c < 0 ? c + 360.0 : c;
}

// The difference between two directions, -180..180.
double turn_between(double a, double b) {
    double d = std::fmod(a - b, 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return d;
}

constexpr uint32_t TOKEN_AIRSPEED = 61;
constexpr uint32_t TOKEN_COM1 = 23;
constexpr uint32_t TOKEN_COMPASS = 83;
constexpr uint32_t EVENT_COURSE_SET = 65716;

}  // namespace

class PanelPicture : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        bitmaps = std::make_unique<ModuleBitmaps>(host.module()->instance());
    }
    void TearDown() override {
        for (const std::string& fault : host.errors()) ADD_FAILURE() << "module fault: " << fault;
    }

    // One frame of every gauge, then the picture of one placement.
    void draw(int id, PaintOptions options = {}) {
        host.frame_all();
        canvas.clear();
        GaugePainter painter(*bitmaps, canvas, options);
        painter.paint(*host.placement(id), 0, 0);
        for (const auto& problem : painter.problems()) ADD_FAILURE() << problem;
    }
    BitmapDraw only(uint32_t bitmap_id) {
        const auto found = canvas.bitmaps(bitmap_id);
        EXPECT_EQ(found.size(), 1u) << "bitmap " << bitmap_id << " in\n" << canvas.describe();
        return found.empty() ? BitmapDraw{} : found[0];
    }

    std::unique_ptr<ModuleBitmaps> bitmaps;
    RecordingCanvas canvas;
};

// The airspeed dial: each entry of the needle's table with its direction seen from the
// pivot, as the dial's scale was laid out (degrees clockwise from twelve o'clock).
TEST_F(PanelPicture, AirspeedNeedlePointsAtEachScaleMarkOfItsTable) {
    const struct {
        double knots, direction;
    } scale[] = {{0, 180.0},   {40, 205.5},  {60, 226.8}, {70, 241.8}, {80, 261.0},  {90, 276.3},
                 {100, 296.0}, {120, 335.7}, {140, 16.8}, {160, 59.5}, {180, 100.3}, {200, 141.1},
                 {220, 180.0}, {280, 282.1}, {340, 22.6}, {350, 39.3}, {400, 39.3}};
    const int id = place("Airspeed_Kts");
    for (const auto& mark : scale) {
        host.aircraft().vars().set(TOKEN_AIRSPEED, mark.knots);
        draw(id);
        const BitmapDraw needle = only(220);
        EXPECT_NEAR(turn_between(compass(needle.angle_deg), mark.direction), 0.0, 0.5) << mark.knots << " kt";
        EXPECT_EQ(needle.x, 59);
        EXPECT_EQ(needle.y, 59);
    }
}

TEST_F(PanelPicture, AirspeedNeedleGoesRoundTwiceAndStopsAt350) {
    const int id = place("Airspeed_Kts");
    auto angle_at = [&](double knots) {
        host.aircraft().vars().set(TOKEN_AIRSPEED, knots);
        draw(id);
        return only(220).angle_deg;
    };
    // 230 kt lies on the second turn: one full turn plus a little past 220.
    EXPECT_NEAR(angle_at(230) - angle_at(0), 360.0 + (282.1 - 180.0) / 6.0, 0.5);
    // Between 120 and 140 kt the needle passes twelve o'clock clockwise.
    EXPECT_NEAR(compass(angle_at(130)), 356.25, 0.5);
    EXPECT_DOUBLE_EQ(angle_at(375), angle_at(350));
    EXPECT_DOUBLE_EQ(angle_at(500), angle_at(350));
    // The overlay above the needle is drawn after it.
    const auto all = canvas.all_bitmaps();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].id, 210u);
    EXPECT_EQ(all[1].id, 220u);
    EXPECT_EQ(all[2].id, 230u);
}

// The cell of a drum strip that shows through its window (cells are 28 pixels tall).
class ComReadout : public PanelPicture {
protected:
    int cell_at(int x) {
        const uint32_t strips[] = {420, 430, 450};
        for (uint32_t strip : strips)
            for (const BitmapDraw& d : canvas.bitmaps(strip))
                if (d.x == x) {
                    EXPECT_TRUE(d.clipped);
                    EXPECT_EQ(d.clip.y, 18);
                    EXPECT_EQ(d.clip.h, 28);
                    return static_cast<int>(std::lround((18 - d.y) / 28.0));
                }
        ADD_FAILURE() << "no drum at x " << x << "\n" << canvas.describe();
        return -1;
    }
};

TEST_F(ComReadout, TunedTo121_75ShowsLeadingOneDrums217AndThe50Cell) {
    const char* const channel_cells[] = {"00", "-", "25", "-", "-", "50", "-", "75", "-", "-", "00"};
    const int id = place("Old_COM1");
    host.aircraft().vars().set_u32(TOKEN_COM1, 0x2175);
    draw(id);
    const BitmapDraw one = only(440);
    EXPECT_EQ(one.x, 106);
    EXPECT_EQ(cell_at(124), 2);  // tens of MHz
    EXPECT_EQ(cell_at(142), 1);  // units
    EXPECT_EQ(cell_at(160), 7);  // tenths
    EXPECT_STREQ(channel_cells[cell_at(178)], "50");
    host.aircraft().vars().set_u32(TOKEN_COM1, 0x2177);
    draw(id);
    EXPECT_EQ(cell_at(160), 7);
    EXPECT_STREQ(channel_cells[cell_at(178)], "75");
}

TEST_F(PanelPicture, RadioLampIsHiddenUntilThePowerComesOnAndDigitsLightAtNight) {
    const int id = place("Old_COM1");
    draw(id, {.night = true});
    EXPECT_TRUE(canvas.bitmaps(470).empty()) << "a switched-off radio shows no lamp";
    for (const BitmapDraw& digit : canvas.bitmaps(420)) EXPECT_TRUE(digit.dim);
    ASSERT_TRUE(host.click(id, 20, 105));  // ON
    draw(id, {.night = true});
    EXPECT_FALSE(only(470).dim);  // the lamp is bright
    for (const BitmapDraw& digit : canvas.bitmaps(420)) EXPECT_FALSE(digit.dim);
    EXPECT_TRUE(only(390).dim);     // the face stays dark
    EXPECT_EQ(only(461).id, 461u);  // the power switch shows its ON picture
}

// The compass strip: S, the middle one of its fifteen figures, sits in the middle of the
// 531-pixel strip, and figures 30 degrees apart lie 35 pixels apart (420 pixels of
// travel for 360 degrees), headings falling from left to right.
TEST_F(PanelPicture, CompassStripShowsTheHeadingsFigureInTheMiddleOfItsWindow) {
    auto figure_x = [](double heading) { return 531.0 / 2 + (180.0 - heading) * 35.0 / 30.0; };
    const struct {
        double heading;
        double figure;  // the figure's heading as lettered on the strip
    } cases[] = {{0, 0}, {360, 360}, {90, 90}, {180, 180}, {270, 270}, {30, 30}, {345, 345}};
    const int id = place("Magnetic_Compass");
    for (const auto& c : cases) {
        host.aircraft().vars().set(TOKEN_COMPASS, c.heading);
        draw(id);
        const BitmapDraw strip = only(250);
        const BitmapDraw window = only(251);
        const double window_middle = window.x + bitmaps->find(251)->width / 2.0;
        EXPECT_NEAR(strip.x + figure_x(c.figure), window_middle, 0.5) << "heading " << c.heading;
    }
}

TEST_F(PanelPicture, VorCardTurnsWithTheCourseAndTheKnobTurnsWithIt) {
    const int id = place("VOR1_Indicator");
    // The card's marks run clockwise from 0 at the top: the course's mark must come to
    // twelve o'clock.
    for (int course : {30, 90, 200, 359}) {
        host.host_event(EVENT_COURSE_SET, static_cast<uint32_t>(course));
        draw(id);
        const BitmapDraw card = only(1230);
        EXPECT_NEAR(turn_between(course + card.angle_deg, 0.0), 0.0, 1e-6) << "course " << course;
        EXPECT_EQ(card.x, 70);
        EXPECT_EQ(card.y, 70);
        EXPECT_TRUE(only(1231).black_transparent);
    }
    host.host_event(EVENT_COURSE_SET, 100);
    draw(id);
    const double knob_before = only(1210).angle_deg;
    const double card_before = only(1230).angle_deg;
    ASSERT_TRUE(host.click(id, 25, 120));  // course up one degree
    draw(id);
    EXPECT_NEAR(only(1230).angle_deg - card_before, -1.0, 1e-6);
    EXPECT_NEAR(std::fabs(only(1210).angle_deg - knob_before), 1.0, 1e-6);
}

TEST_F(PanelPicture, OnlyOpenWindowsAreDrawnAndARadiosToggleOpensTheStack) {
    Diagnostics messages;
    const PanelConfig panel = parse_panel_config(
        "[Window Titles]\nwindow00=Main\nwindow01=Radios\n"
        "[Window00]\nsize_mm=100,50\nident=MAIN_PANEL\n"
        "gauge00=Tarvolen_Instr!Radios_Toggle, 10, 10, 38,, tRADIO_STACK_PANEL\n"
        "[Window01]\nsize_mm=260,150\nident=RADIO_STACK_PANEL\nvisible=0\n"
        "gauge00=Tarvolen_Instr!Old_COM1, 5, 5, 250\n",
        "test.cfg", messages);
    ASSERT_TRUE(place_panel(host, panel, messages)) << messages;
    auto drawn_windows = [&] {
        host.frame_all();
        RecordingCanvas recording;
        const auto views = panel_views(host, &panel, *bitmaps);
        paint_panel(views, lay_out_panel(views, *bitmaps), *bitmaps, recording, {});
        std::string titles;
        for (const auto& d : recording.draws())
            if (d.kind == RecordedDraw::Kind::Window) titles += "[" + d.window.title + "]";
        return titles;
    };
    EXPECT_EQ(drawn_windows(), "[Main]");
    ASSERT_TRUE(host.click(host.placement("Radios_Toggle")->id, 9, 9));
    EXPECT_EQ(drawn_windows(), "[Main][Radios]");
}

TEST_F(PanelPicture, GaugesAreScaledFromTheirFaceToThePlacedWidth) {
    const int id = place("Old_COM1");
    host.placement(id)->w = 498;  // twice the face's 249 pixels
    draw(id);
    ASSERT_FALSE(canvas.draws().empty());
    EXPECT_DOUBLE_EQ(canvas.draws()[0].frame.scale_x, 2.0);
    EXPECT_DOUBLE_EQ(canvas.draws()[0].frame.scale_y, 2.0);
    host.placement(id)->h = 70;  // a height given stretches the face to it
    draw(id);
    EXPECT_DOUBLE_EQ(canvas.draws()[0].frame.scale_y, 70.0 / 141);
}

TEST_F(PanelPicture, RegistrationPlateShowsItsTextInTheColourAndTypefaceItWasGiven) {
    const int id = place("Registration", std::string("tD-EFGH r255 g0 b0 fCourier New"));
    draw(id);
    const auto texts = canvas.texts();
    ASSERT_EQ(texts.size(), 1u) << canvas.describe();
    EXPECT_EQ(texts[0].text, "D-EFGH");
    EXPECT_EQ(texts[0].colour, 0xFF0000u);
    EXPECT_EQ(texts[0].font, "Courier New");
    EXPECT_EQ(texts[0].box.w, 150);
    EXPECT_EQ(texts[0].box.h, 25);
    EXPECT_FALSE(texts[0].fill_back);  // the black plate is see-through
    // In pixels: red letters inside the plate's box on the panel behind it.
    host.placement(id)->w = 300;
    CairoCanvas pixels(320, 60, 0x404040);
    GaugePainter painter(*bitmaps, pixels);
    painter.paint(*host.placement(id), 10, 5);
    int red = 0, outside = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 320; ++x) {
            const uint32_t p = pixels.pixel(x, y);
            const bool reddish = (p >> 16) > 0xC0 && (p >> 8 & 0xFF) < 0x40;
            const bool in_box = x >= 10 && x < 310 && y >= 5 && y < 55;
            red += reddish && in_box;
            outside += reddish && !in_box;
        }
    EXPECT_GT(red, 100);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(pixels.pixel(2, 2), 0x404040u);
}

namespace {

// A picture with every channel value and, with alpha, every opacity (premultiplied, as
// cairo keeps it).
cairo_surface_t* test_picture(bool alpha) {
    cairo_surface_t* surface = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, 256, 61);
    unsigned char* data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 256; ++x) {
            const uint32_t a = alpha ? static_cast<uint32_t>((x * 7 + y * 13) % 256) : 255u;
            const auto channel = [a](uint32_t v) { return v % (a + 1); };
            reinterpret_cast<uint32_t*>(data + y * cairo_image_surface_get_stride(surface))[x] =
                a << 24 | channel(static_cast<uint32_t>(x)) << 16 | channel(static_cast<uint32_t>(y * 4)) << 8 |
                channel(static_cast<uint32_t>(x ^ y));
        }
    cairo_surface_mark_dirty(surface);
    return surface;
}

// The pixels of a PNG file as cairo reads them, row after row.
std::vector<uint32_t> read_back(const std::string& path, int& width, int& height) {
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    width = cairo_image_surface_get_width(surface);
    height = cairo_image_surface_get_height(surface);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(surface) +
                                                            y * cairo_image_surface_get_stride(surface));
        pixels.insert(pixels.end(), row, row + width);
    }
    cairo_surface_destroy(surface);
    return pixels;
}

}  // namespace

// Pictures are written by our own encoder, for speed: the bytes differ from cairo's
// writer, the pixels must not (opaque pictures, and those with an alpha channel).
TEST(PngFiles, HoldThePixelsCairosOwnWriterStores) {
    const std::string dir = ::testing::TempDir() + "png_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    for (const bool alpha : {false, true}) {
        cairo_surface_t* picture = test_picture(alpha);
        ASSERT_EQ(cairo_surface_write_to_png(picture, (dir + "/cairo.png").c_str()), CAIRO_STATUS_SUCCESS);
        std::string error;
        ASSERT_TRUE(write_png_file(picture, dir + "/ours.png", error)) << error;
        int width = 0, height = 0, our_width = 0, our_height = 0;
        const std::vector<uint32_t> expected = read_back(dir + "/cairo.png", width, height);
        EXPECT_EQ(read_back(dir + "/ours.png", our_width, our_height), expected) << (alpha ? "alpha" : "opaque");
        EXPECT_EQ(our_width, width);
        EXPECT_EQ(our_height, height);
        // A box of it, as the live page sends the part of a picture that changed.
        std::string patch;
        ASSERT_TRUE(encode_png(picture, {30, 7, 100, 20}, true, 1, patch, error)) << error;
        std::ofstream(dir + "/patch.png", std::ios::binary) << patch;
        const std::vector<uint32_t> box = read_back(dir + "/patch.png", our_width, our_height);
        ASSERT_EQ(box.size(), 2000u);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 100; ++x)
                ASSERT_EQ(box[static_cast<size_t>(y * 100 + x)],
                          expected[static_cast<size_t>((7 + y) * width + 30 + x)])
                    << x << "," << y;
        EXPECT_FALSE(encode_png(picture, {200, 0, 100, 20}, true, 1, patch, error));  // not inside
        cairo_surface_destroy(picture);
    }
    cairo_surface_t* picture = test_picture(false);
    std::string error;
    EXPECT_FALSE(write_png_file(picture, dir + "/no/such/folder.png", error));
    EXPECT_FALSE(error.empty());
    cairo_surface_destroy(picture);
    std::filesystem::remove_all(dir);
}

// A scenario's pictures are written on a thread while the next is drawn: each file must
// be what a picture written at once is, though the surface is let go as soon as it is
// queued; a folder that takes no file is refused at once, and a write that fails later
// comes out as an error of that picture, not as its note.
TEST(PngFiles, QueuedPicturesAreTheFilesWrittenAtOnceAndAFailedWriteIsAnError) {
    const std::string dir = ::testing::TempDir() + "png_queue_" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    Diagnostics outcome;
    {
        PngQueue queue;
        for (int i = 0; i < 6; ++i) {
            cairo_surface_t* picture = test_picture(i % 2 == 1);
            std::string error;
            ASSERT_TRUE(write_png_file(picture, dir + "/direct" + std::to_string(i) + ".png", error)) << error;
            EXPECT_TRUE(queue.write(picture, dir + "/queued" + std::to_string(i) + ".png",
                                    "picture " + std::to_string(i), outcome));
            cairo_surface_destroy(picture);  // the queue holds its own reference
        }
        cairo_surface_t* picture = test_picture(false);
        EXPECT_FALSE(queue.write(picture, dir + "/no/such/folder.png", "never", outcome));
        ASSERT_EQ(outcome.errors().size(), 1u);
        EXPECT_EQ(outcome.errors()[0].rfind(dir + "/no/such/folder.png: cannot write the picture (", 0), 0u);
        EXPECT_TRUE(queue.write(picture, "/dev/full", "a full disk", outcome));  // opens, then fails to write
        cairo_surface_destroy(picture);
        queue.finish(outcome);
    }
    for (int i = 0; i < 6; ++i) {
        std::ifstream direct(dir + "/direct" + std::to_string(i) + ".png", std::ios::binary);
        std::ifstream queued(dir + "/queued" + std::to_string(i) + ".png", std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(queued), {}),
                  std::string(std::istreambuf_iterator<char>(direct), {}))
            << i;
    }
    ASSERT_EQ(outcome.notes().size(), 6u);
    EXPECT_EQ(outcome.notes()[0], dir + "/queued0.png: note: picture 0");
    EXPECT_EQ(outcome.notes()[5], dir + "/queued5.png: note: picture 5");
    ASSERT_EQ(outcome.errors().size(), 2u);
    EXPECT_EQ(outcome.errors()[1].rfind("/dev/full: cannot write the picture (", 0), 0u) << outcome.errors()[1];
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));  // a device is not removed as a picture cut short
    std::filesystem::remove_all(dir);
}
