// The drawing rules on element records built here, drawn through the recording canvas
// (and, where pixels matter, the cairo canvas): what a panel designer sees for a value.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "host/render/cairo_canvas.h"
#include "host/render/gauge_painter.h"
#include "host/render/recording_canvas.h"
#include "sdk/declare.h"

namespace {

// Compass direction (degrees clockwise from twelve o'clock) of a canvas angle measured
// clockwise from +x, folded into 0..360.
double compass(double angle_deg) {
    double c = std::fmod(angle_deg + 90.0, 360.0);
    if (c < 0) c += 360.0;
    return c;
}

Bitmap solid(int w, int h, uint32_t rgb = 0x808080) {
    Bitmap b;
    b.width = w;
    b.height = h;
    b.pixels.assign(static_cast<size_t>(w * h), rgb);
    return b;
}

ElementHeader header(uint32_t kind, uint32_t bitmap_id, int32_t x, int32_t y, uint32_t flags = 0x3) {
    return declare::element(kind, bitmap_id, x, y, flags, nullptr, nullptr, nullptr);
}

// A placed gauge made of element records declared in the test: a 100 x 100 face
// (bitmap 1) and whatever elements the test adds above it.
class DrawingRules : public ::testing::Test {
protected:
    void SetUp() override {
        face = {header(ELEMENT_STATIC_IMAGE, 1, 0, 0), {}};
        bitmaps.add(1, solid(100, 100));
        placement.name = "Test_Gauge";
        add(&face.header);
    }

    ElementState& add(ElementHeader* element, double value = 0.0) {
        ElementState state;
        state.element = element;
        state.index = static_cast<int>(placement.elements.size()) + 1;
        state.value = value;
        placement.elements.push_back(state);
        return placement.elements.back();
    }

    void draw(PaintOptions options = {}) {
        canvas.clear();
        GaugePainter painter(bitmaps, canvas, options);
        painter.paint(placement, 0, 0);
        problems = painter.problems();
    }

    StaticImage face{};
    MemoryBitmapSource bitmaps;
    Placement placement;
    RecordingCanvas canvas;
    std::vector<std::string> problems;
};

// A needle at (50, 50) whose table runs round the dial twice: 12, 3, 6, 9 o'clock, 12, 3.
NonlinearityPoint twice_round[] = {
    {50, 10, 0, {}}, {90, 50, 10, {}}, {50, 90, 20, {}}, {10, 50, 30, {}}, {50, 10, 40, {}}, {90, 50, 50, {}},
};

Needle needle_at_centre(NonlinearityPoint* points, uint32_t count) {
    Needle n{};
    n.header = header(ELEMENT_NEEDLE, 2, 50, 50, 0x83);
    n.header.pivot_x = 5;
    n.header.pivot_y = 2;
    n.points = points;
    n.point_count = count;
    return n;
}

}  // namespace

TEST_F(DrawingRules, NeedleStopsAtTheEndsOfItsTableWhicheverWayItRuns) {
    Needle round = needle_at_centre(twice_round, 6);
    EXPECT_EQ(needle_angle_deg(round, -20), needle_angle_deg(round, 0));
    EXPECT_EQ(needle_angle_deg(round, 500), needle_angle_deg(round, 50));
    EXPECT_EQ(needle_angle_deg(round, std::numeric_limits<double>::quiet_NaN()), needle_angle_deg(round, 0));
    // Like a deviation needle: +1 at the right, -1 at the left, hanging from above.
    NonlinearityPoint falling[] = {{90, 90, 1, {}}, {10, 90, -1, {}}};
    Needle n = needle_at_centre(falling, 2);
    EXPECT_NEAR(compass(needle_angle_deg(n, 0)), 180.0, 1e-9);  // straight down
    EXPECT_NEAR(compass(needle_angle_deg(n, 1)), 135.0, 1e-9);
    EXPECT_NEAR(compass(needle_angle_deg(n, 2)), 135.0, 1e-9);
    EXPECT_NEAR(compass(needle_angle_deg(n, -3)), 225.0, 1e-9);
    // Two entries on one point hold the needle still over their range.
    NonlinearityPoint held[] = {{50, 10, 0, {}}, {90, 50, 10, {}}, {90, 50, 20, {}}};
    Needle h = needle_at_centre(held, 3);
    EXPECT_NEAR(compass(needle_angle_deg(h, 15)), 90.0, 1e-9);
    EXPECT_NEAR(compass(needle_angle_deg(h, 25)), 90.0, 1e-9);
}

TEST_F(DrawingRules, NeedleWithoutTableShowsItsValueAsACompassDirection) {
    Needle n = needle_at_centre(nullptr, 0);
    EXPECT_NEAR(compass(needle_angle_deg(n, 0)), 0.0, 1e-9);
    EXPECT_NEAR(compass(needle_angle_deg(n, 90)), 90.0, 1e-9);
    EXPECT_NEAR(compass(needle_angle_deg(n, 725)), 5.0, 1e-9);
}

TEST_F(DrawingRules, IconShowsPictureNAndNothingForNegativeValues) {
    Icon icon{};
    icon.header = header(ELEMENT_ICON, 30, 10, 20, 0x83);
    icon.pictures = 3;
    bitmaps.add(30, solid(8, 8));
    bitmaps.add(31, solid(8, 8));
    bitmaps.add(32, solid(8, 8));
    ElementState& state = add(&icon.header);
    const struct {
        double value;
        int shown;  // bitmap id, 0 = nothing
    } cases[] = {{0, 30}, {1, 31}, {2, 32}, {2.7, 32}, {7, 32}, {-1, 0}, {-0.5, 0}};
    for (const auto& c : cases) {
        state.value = c.value;
        draw();
        const auto all = canvas.all_bitmaps();
        ASSERT_EQ(all.size(), c.shown ? 2u : 1u) << "value " << c.value << "\n" << canvas.describe();
        if (c.shown) {
            EXPECT_EQ(all[1].id, static_cast<uint32_t>(c.shown)) << "value " << c.value;
            EXPECT_EQ(all[1].x, 10);
            EXPECT_EQ(all[1].y, 20);
        }
    }
}

TEST_F(DrawingRules, StripWithFallingRangeRunsBackwardsAndFixedRangeStaysPut) {
    MovingImage card{};
    card.header = header(ELEMENT_MOVING_IMAGE, 50, 0, 0, 0x83);
    card.min_x = 360;
    card.max_x = 0;
    card.min_y = 360;
    card.max_y = 360;
    bitmaps.add(50, solid(531, 82));
    bitmaps.add(51, solid(111, 111));
    ElementState& state = add(&card.header);
    state.value = 123;  // y value: a fixed range does not move whatever it is
    const struct {
        double heading;
        double shift;  // how far the strip has gone left
    } cases[] = {{360, 0}, {0, 420}, {90, 315}, {180, 210}, {270, 105}};
    for (const auto& c : cases) {
        state.value_x = c.heading;
        draw();
        const auto strip = canvas.bitmaps(50);
        ASSERT_EQ(strip.size(), 1u);
        EXPECT_DOUBLE_EQ(strip[0].x, -c.shift) << "heading " << c.heading;
        EXPECT_DOUBLE_EQ(strip[0].y, 0) << "heading " << c.heading;
    }
    state.value_x = -40;  // past the range: the strip stops at its end
    draw();
    EXPECT_DOUBLE_EQ(canvas.bitmaps(50)[0].x, -420);
}

TEST_F(DrawingRules, MissingBitmapIsReportedOnceByGaugeAndId) {
    Icon icon{};
    icon.header = header(ELEMENT_ICON, 99, 0, 0);
    icon.pictures = 1;
    add(&icon.header);
    add(&icon.header);
    draw();
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0], "gauge Test_Gauge: no bitmap 99");
}

// Pixels: what the cairo canvas makes of the same primitives.
TEST(CairoCanvasPixels, BlackIsTransparentOnlyWhereTheFlagSaysSo) {
    Bitmap picture = solid(4, 4, 0x000000);
    picture.pixels[0] = 0xFF0000;
    CairoCanvas canvas(20, 10, 0x00FF00);
    canvas.begin_gauge({});
    BitmapDraw draw;
    draw.bitmap = &picture;
    draw.black_transparent = true;
    canvas.bitmap(draw);
    draw.x = 10;
    draw.black_transparent = false;
    canvas.bitmap(draw);
    canvas.end_gauge();
    EXPECT_EQ(canvas.pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(canvas.pixel(2, 2), 0x00FF00u);  // background shows through
    EXPECT_EQ(canvas.pixel(12, 2), 0x000000u);
}

TEST(CairoCanvasPixels, NeedleTurnedAQuarterPointsDown) {
    Bitmap needle = solid(10, 2, 0xFFFFFF);
    CairoCanvas canvas(30, 30, 0x000000);
    canvas.begin_gauge({});
    BitmapDraw draw;
    draw.bitmap = &needle;
    draw.x = 15;
    draw.y = 15;
    draw.anchor_x = 0;
    draw.anchor_y = 1;
    draw.angle_deg = 90;
    canvas.bitmap(draw);
    canvas.end_gauge();
    EXPECT_EQ(canvas.pixel(15, 22) & 0xFF, 0xFFu);  // below the pivot
    EXPECT_EQ(canvas.pixel(22, 15), 0u);            // not to its right
}

TEST(CairoCanvasPixels, DimmedPicturesAreDarkerAndStripsStayInsideTheirClip) {
    Bitmap white = solid(10, 10, 0xFFFFFF);
    CairoCanvas canvas(30, 10, 0x000000);
    canvas.begin_gauge({});
    BitmapDraw draw;
    draw.bitmap = &white;
    draw.dim = true;
    canvas.bitmap(draw);
    draw.dim = false;
    draw.x = 10;
    draw.clipped = true;
    draw.clip = {12, 0, 4, 10};
    canvas.bitmap(draw);
    canvas.end_gauge();
    EXPECT_LT(canvas.pixel(5, 5) >> 16, 0x80u);
    EXPECT_EQ(canvas.pixel(13, 5), 0xFFFFFFu);
    EXPECT_EQ(canvas.pixel(11, 5), 0u);
    EXPECT_EQ(canvas.pixel(17, 5), 0u);
}

// A value cairo cannot take (a needle turned by an infinite angle) spoils only its own
// drawing: the canvas says which gauge, and what follows in the same gauge and window
// is still drawn where it belongs; so does a gauge scaled to nothing.
TEST(CairoCanvasPixels, ADrawingCairoRefusesIsReportedAndTheRestStillDrawn) {
    Bitmap square = solid(4, 4, 0xFF0000);
    CairoCanvas canvas(40, 40, 0x000000);
    WindowFrame window;
    window.title = "Main";
    window.area = {10, 10, 30, 30};
    window.titled = false;
    window.background = 0x0000FF;
    canvas.begin_window(window);
    canvas.begin_gauge({.name = "Needle_Gauge", .x = 10, .y = 10});  // canvas pixels
    BitmapDraw draw;
    draw.bitmap = &square;
    draw.angle_deg = std::numeric_limits<double>::infinity();
    canvas.bitmap(draw);
    draw.angle_deg = 0;
    draw.x = 5;
    canvas.bitmap(draw);
    canvas.end_gauge();
    canvas.begin_gauge({.name = "Flat_Gauge", .x = 20, .y = 20, .scale_x = 0, .scale_y = 1});
    canvas.bitmap(draw);
    canvas.end_gauge();
    canvas.begin_gauge({.name = "Next_Gauge", .x = 30, .y = 30});
    draw.x = 0;
    canvas.bitmap(draw);
    canvas.end_gauge();
    canvas.end_window();
    ASSERT_EQ(canvas.problems().size(), 2u);
    EXPECT_NE(canvas.problems()[1].find("window \"Main\", gauge Flat_Gauge: placed at a size or position cairo"),
              std::string::npos)
        << canvas.problems()[1];
    EXPECT_EQ(canvas.pixel(31, 31), 0xFF0000u);  // the gauge after the refused one
    EXPECT_NE(canvas.problems()[0].find("window \"Main\", gauge Needle_Gauge: a bitmap at a position or angle"),
              std::string::npos)
        << canvas.problems()[0];
    EXPECT_EQ(canvas.pixel(16, 11), 0xFF0000u);  // the second square, 5 right of the gauge
    EXPECT_EQ(canvas.pixel(5, 5), 0x000000u);    // outside the window: untouched
    EXPECT_EQ(canvas.pixel(12, 30), 0x0000FFu);  // the window's own background
}
