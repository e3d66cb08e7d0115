// How XML gauges' pictures move and show: a <Delay> needle or slide follows its value at
// its rate over simulated time, and a <MaskImage> shows its element only where the mask
// is not pure black. Drawn with cairo and read back pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <utility>

#include "host/core/gauge_host.h"
#include "host/render/cairo_canvas.h"
#include "host/render/xml_painter.h"
#include "host/scenario/scenario.h"
#include "host/xml/xml_gauge.h"
#include "host/xml/xml_motion.h"
#include "host/xml/xml_panel.h"
#include "tests/unit/host_fixture.h"
#include "tests/unit/xml/xml_fixture.h"

using namespace xmltest;

namespace {

xmlgauge::Element turning(double delay_deg_s) {
    xmlgauge::Element e;
    e.motion = xmlgauge::Motion::rotate;
    e.image = xmlgauge::Image{};
    e.delay_per_s = delay_deg_s;
    return e;
}

// A calibration point: a value and the point (X, Y) or direction (Degrees) it puts.
xmlgauge::Item item(double value, std::optional<std::pair<double, double>> xy,
                    std::optional<double> degrees = std::nullopt) {
    xmlgauge::Item i;
    i.value = value;
    i.has_xy = xy.has_value();
    if (xy) i.x = xy->first, i.y = xy->second;
    i.has_degrees = degrees.has_value();
    i.degrees = degrees.value_or(0);
    return i;
}

double radians(double degrees) { return degrees * 3.14159265358979323846 / 180.0; }

}  // namespace

TEST(XmlMotion, ADelayedNeedleStartsAtItsValueThenTurnsAtItsRate) {
    const xmlgauge::Element needle = turning(90);
    XmlMotion m;
    xml_follow(m, needle, radians(30), 10.0);  // the first frame: at the value at once
    EXPECT_DOUBLE_EQ(m.pose.angle_deg, 30);
    xml_follow(m, needle, radians(150), 10.5);
    EXPECT_NEAR(m.pose.angle_deg, 75, 1e-9);
    xml_follow(m, needle, radians(150), 11.0);
    EXPECT_NEAR(m.pose.angle_deg, 120, 1e-9);
    xml_follow(m, needle, radians(150), 12.0);  // arrives, and does not overshoot
    EXPECT_NEAR(m.pose.angle_deg, 150, 1e-9);
    xml_follow(m, needle, radians(100), 12.25);  // and comes back as fast
    EXPECT_NEAR(m.pose.angle_deg, 127.5, 1e-9);
}

TEST(XmlMotion, AFreeTurnTakesTheShortWayRoundACalibratedNeedleFollowsItsScale) {
    // A card turning by its value alone crosses north forwards, not back round the dial.
    const xmlgauge::Element card = turning(40);
    XmlMotion free_turn;
    xml_follow(free_turn, card, radians(350), 0);
    xml_follow(free_turn, card, radians(10), 0.25);
    EXPECT_NEAR(std::remainder(free_turn.pose.angle_deg, 360.0), 0, 1e-9);

    // A needle on a scale from 0 to 360 goes back along the scale from 350 to 10.
    xmlgauge::Element dial = turning(40);
    dial.items = {item(0, std::nullopt, 0), item(360, std::nullopt, 360)};
    XmlMotion scale;
    xml_follow(scale, dial, 350, 0);
    xml_follow(scale, dial, 10, 0.25);
    EXPECT_NEAR(scale.pose.angle_deg, 340, 1e-9);
}

TEST(XmlMotion, ADelayedSlideMovesStraightAtItsPixelsPerSecond) {
    xmlgauge::Element slide;
    slide.motion = xmlgauge::Motion::shift;
    slide.delay_per_s = 25;
    slide.items = {item(0, std::pair{0.0, 0.0}), item(1, std::pair{30.0, 40.0})};
    XmlMotion m;
    xml_follow(m, slide, 0, 0);
    xml_follow(m, slide, 1, 1.0);  // 25 of the 50 pixels to (30, 40)
    EXPECT_NEAR(m.pose.dx, 15, 1e-9);
    EXPECT_NEAR(m.pose.dy, 20, 1e-9);
}

TEST(XmlMotion, WithoutADelayOrWhenTheClockGoesBackThePictureIsAtItsValue) {
    const xmlgauge::Element plain = turning(0);
    XmlMotion m;
    xml_follow(m, plain, radians(10), 0);
    xml_follow(m, plain, radians(170), 0.01);
    EXPECT_NEAR(m.pose.angle_deg, 170, 1e-9);

    const xmlgauge::Element slow = turning(1);
    XmlMotion restarted;
    xml_follow(restarted, slow, radians(10), 60);
    xml_follow(restarted, slow, radians(90), 0);  // a new flight started the clock again
    EXPECT_NEAR(restarted.pose.angle_deg, 90, 1e-9);
}

namespace {

// A dial whose needle (Delay 90 degrees a second) and slide (Delay 36 pixels a second)
// follow L: variables a click sets; a needle seen through a mask whose left half is black.
const char* kDialXml = R"(<Gauge Name="dial">
  <Image Name="face.bmp"/>
  <Element>
    <Position X="50" Y="50"/>
    <Image Name="needle.bmp"><Axis X="0" Y="2"/></Image>
    <Rotate>
      <Value>(L:Target, number) dgrd</Value>
      <Delay DegreesPerSecond="90"/>
    </Rotate>
  </Element>
  <Element>
    <Position X="10" Y="85"/>
    <Image Name="dot.bmp"/>
    <Shift>
      <Value>(L:Slide, number)</Value>
      <Scale X="1" Y="0"/>
      <Delay PixelsPerSecond="36"/>
    </Shift>
  </Element>
  <Mouse>
    <Area Left="0" Top="0" Width="10" Height="10">
      <Click>180 (&gt;L:Target, number) 60 (&gt;L:Slide, number)</Click>
    </Area>
  </Mouse>
</Gauge>
)";

const char* kWindowXml = R"(<Gauge Name="window">
  <Image Name="face.bmp"/>
  <Element>
    <Position X="30" Y="30"/>
    <MaskImage Name="half.bmp"><Axis X="20" Y="20"/></MaskImage>
    <Image Name="needle.bmp"><Axis X="0" Y="2"/></Image>
    <Rotate><Value>(L:Angle, number) dgrd</Value></Rotate>
  </Element>
  <Element>
    <Position X="30" Y="30"/>
    <MaskImage Name="half.bmp"/>
    <Image Name="red.bmp"/>
  </Element>
</Gauge>
)";

class XmlMotionPanel : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        scratch.write("Mod/dial.xml", std::string(kDialXml));
        scratch.write("Mod/window.xml", std::string(kWindowXml));
        scratch.write("Mod/face.bmp", solid_bmp(100, 100, 0x404040));
        scratch.write("Mod/needle.bmp", solid_bmp(40, 4, 0xFFFFFF));
        scratch.write("Mod/dot.bmp", solid_bmp(4, 4, 0xFF0000));
        scratch.write("Mod/red.bmp", solid_bmp(60, 10, 0xFF0000));
        scratch.write("Mod/half.bmp", bmp(40, 40, [](int x, int) { return x < 20 ? 0x000000u : 0x010101u; }));
        const std::string path = scratch
                                     .write("panel.cfg", std::string("[Window Titles]\nWindow00=Main\n[Window00]\n"
                                                                     "size_mm=200,100\nvisible=1\n"
                                                                     "gauge00=Mod!dial, 0, 0, 100\n"
                                                                     "gauge01=Mod!window, 100, 0, 100\n"))
                                     .string();
        panel = read_panel_config(path, reading);
        xml.place(panel, path, {}, reading);
        ASSERT_TRUE(reading.ok()) << reading;
        ASSERT_EQ(xml.placements().size(), 2u);
        frame();
    }

    // One frame as render and serve run it: the clock moves on, then every gauge.
    void frame() {
        local.advance(FRAME_SECONDS);
        local.frame_all();
        xml.frame();
    }

    // The gauge drawn alone at its own size on black.
    CairoCanvas& draw(const std::string& name) {
        canvas.clear(0x000000);
        paint_xml_gauge(*xml.find(name), canvas, 0, 0, 1, 1, false);
        return canvas;
    }

    // Near white: a turned needle's pixels are filtered.
    bool white(int x, int y) {
        const uint32_t c = canvas.pixel(x, y);
        return (c >> 16 & 0xFF) > 0xE0 && (c >> 8 & 0xFF) > 0xE0 && (c & 0xFF) > 0xE0;
    }

    void set_local(const std::string& name, double value) {
        uint32_t ref = 0;
        std::string problem;
        ASSERT_TRUE(xml.resolve_variable('L', name, "number", true, ref, problem)) << problem;
        xml.write(ref, value);
    }

    Scratch scratch{"xml_motion_test"};
    Diagnostics reading;
    PanelConfig panel;
    LocalGaugeHost local{host};
    XmlPanel xml{local};
    CairoCanvas canvas{100, 100, 0x000000};
};

}  // namespace

TEST_F(XmlMotionPanel, ADelayNeedleIsCaughtMidSwingAfterNineFrames) {
    draw("Mod!dial");
    EXPECT_TRUE(white(85, 50));  // placed at 0: pointing east
    ASSERT_TRUE(xml.click(*xml.find("Mod!dial"), 5, 5));
    for (int i = 0; i < 9; ++i) frame();  // half a second: 45 of the 180 degrees
    draw("Mod!dial");
    const double along = 30 / std::sqrt(2.0);
    EXPECT_TRUE(white(static_cast<int>(std::lround(50 + along)), static_cast<int>(std::lround(50 + along))))
        << "the needle points south-east, on its way";
    EXPECT_FALSE(white(85, 50)) << "it has left east";
    EXPECT_FALSE(white(15, 50)) << "and is not yet west";
    // The slide went 18 of its 60 pixels in the same half second.
    EXPECT_EQ(canvas.pixel(10 + 18 + 1, 86), 0xFF0000u);
    EXPECT_NE(canvas.pixel(10 + 18 + 6, 86), 0xFF0000u);
    for (int i = 0; i < 36; ++i) frame();  // long enough to arrive
    draw("Mod!dial");
    EXPECT_TRUE(white(15, 50));
    EXPECT_EQ(canvas.pixel(10 + 60 + 1, 86), 0xFF0000u);
}

TEST_F(XmlMotionPanel, AMaskShowsItsElementOnlyWhereItIsNotBlackAndDoesNotTurnWithIt) {
    draw("Mod!window");
    // The red bar runs from 30 to 90, across the mask's box (30..70) and past it; the
    // mask's left half is black, so the face shows there, and past the box too.
    EXPECT_EQ(canvas.pixel(40, 35), 0x404040u) << "left of the mask's middle: the face";
    EXPECT_EQ(canvas.pixel(60, 35), 0xFF0000u) << "right of it: the element";
    EXPECT_EQ(canvas.pixel(75, 35), 0x404040u) << "past the mask's box: the face";
    // The needle turns about the mask's axis (50, 50); the mask stays where it lies.
    EXPECT_TRUE(white(65, 50)) << "pointing east, into the open half";
    set_local("Angle", 180);
    frame();
    draw("Mod!window");
    EXPECT_FALSE(white(35, 50)) << "pointing west, behind the black half";
    EXPECT_FALSE(white(65, 50));
    set_local("Angle", 90);
    frame();
    draw("Mod!window");
    // Pointing south the needle covers x 48..51, astride the mask's edge at 50.
    EXPECT_TRUE(white(50, 65) && white(51, 65)) << "its right half shows";
    EXPECT_FALSE(white(48, 65) || white(49, 65)) << "its left half is masked";
}

TEST(XmlGaugeReader, ADelayTakesTheRateOfItsMotionAndNotesOneItCannotFollow) {
    const std::string text = R"(<Gauge>
<Element><Rotate><Value>1</Value><Delay DegreesPerSecond="33"/></Rotate></Element>
<Element><Shift><Value>1</Value><Delay PixelsPerSecond="12.5"/></Shift></Element>
<Element><Rotate><Value>1</Value><Delay PixelsPerSecond="20"/></Rotate></Element>
<Element><Shift><Value>1</Value><Delay PixelsPerSecond="-4"/></Shift></Element>
</Gauge>
)";
    xmlgauge::Gauge gauge;
    Diagnostics diagnostics;
    ASSERT_TRUE(xmlgauge::read_gauge({text.begin(), text.end()}, "g.xml", gauge, diagnostics)) << diagnostics;
    ASSERT_EQ(gauge.elements.size(), 4u);
    EXPECT_DOUBLE_EQ(gauge.elements[0].delay_per_s, 33);
    EXPECT_DOUBLE_EQ(gauge.elements[1].delay_per_s, 12.5);
    EXPECT_DOUBLE_EQ(gauge.elements[2].delay_per_s, 0);
    EXPECT_DOUBLE_EQ(gauge.elements[3].delay_per_s, 0);
    EXPECT_EQ(diagnostics.notes(),
              (std::vector<std::string>{
                  "g.xml:4: note: <Delay> without DegreesPerSecond= (PixelsPerSecond= is for a shift): the picture "
                  "moves at once",
                  "g.xml:5: note: PixelsPerSecond=-4 is not above 0: the picture moves at once",
              }));
}
