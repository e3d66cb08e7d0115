// The VOR and ADF indicators, the airspeed dial and the compass as a panel uses them,
// and the simulated flight that feeds them.
#include <cmath>
#include <cstdio>
#include <vector>

#include "tests/unit/host_fixture.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// Points on the gauge faces where a click lands in the knob halves.
constexpr int VOR_KNOB_LEFT_X = 10, VOR_KNOB_RIGHT_X = 25, VOR_KNOB_Y = 120;
constexpr int ADF_KNOB_LEFT_X = 10, ADF_KNOB_RIGHT_X = 25, ADF_KNOB_Y = 125;
// The power switch areas of the NAV1 radio (Old_NAV1).
constexpr int NAV_POWER_X = 20, NAV_POWER_ON_Y = 105, NAV_POWER_OFF_Y = 135;
// The power switch area of the ADF radio (Old_ADF).
constexpr int ADF_POWER_X = 15, ADF_POWER_ON_Y = 100;

class Instruments : public HostTest {
protected:
    // The value the host drew for element `index` (1 = the face) at the last frame.
    double value(int id, int index) { return host.placement(id)->elements.at(static_cast<size_t>(index - 1)).value; }
    double angle(int id, int index) { return host.placement(id)->elements.at(static_cast<size_t>(index - 1)).angle; }
    void set(uint32_t token, double v) { ASSERT_TRUE(host.aircraft().vars().set(token, v)) << token; }
    double var(uint32_t token) { return host.aircraft().vars().number(token); }

    // The values of every send_event of this id in the trace, in order.
    std::vector<uint32_t> sent(uint32_t event_id) {
        std::vector<uint32_t> values;
        for (const Json& record : ops("send_event"))
            if (record["id"] == event_id) values.push_back(record["value"].get<uint32_t>());
        return values;
    }

    // Places the NAV1 radio and switches its set on.
    int switch_nav1_on() {
        const int nav1 = place("Old_NAV1");
        EXPECT_TRUE(host.click(nav1, NAV_POWER_X, NAV_POWER_ON_Y));
        return nav1;
    }

    void TearDown() override { EXPECT_TRUE(host.errors().empty()) << host.errors().front(); }
};

using VorIndicator = Instruments;
using AdfIndicator = Instruments;
using AirspeedAndCompass = Instruments;
using SimulatedFlight = Instruments;

enum VorElement {
    VOR_FACE = 1,
    VOR_CARD,
    VOR_GS_FLAG,
    VOR_TO_FROM,
    VOR_DEVIATION,
    VOR_GLIDESLOPE,
    VOR_BEZEL,
    VOR_KNOB,
    VOR_LAMP
};
enum AdfElement { ADF_FACE = 1, ADF_CARD, ADF_NEEDLE, ADF_BEZEL, ADF_KNOB };

// ---- VOR1_Indicator ----

TEST_F(VorIndicator, WithoutANav1RadioTheNeedlesCentreTheFlagsShowStripesAndTheLampIsDark) {
    // Given a panel with the indicator and no NAV1 radio, and a strong signal
    const int vor = place("VOR1_Indicator");
    set(849, 0.8);
    set(850, -0.6);
    set(43, 2);
    set(44, 1.0);
    set(354, 1.0);
    set(604, 0.3);
    // When the panel draws
    host.frame(vor);
    // Then nothing moves but the card and the knob picture
    EXPECT_EQ(value(vor, VOR_DEVIATION), 0.0);
    EXPECT_EQ(value(vor, VOR_GLIDESLOPE), 0.0);
    EXPECT_EQ(value(vor, VOR_GS_FLAG), 0.0);
    EXPECT_EQ(value(vor, VOR_TO_FROM), 0.0);
    EXPECT_EQ(value(vor, VOR_LAMP), -1.0);
}

TEST_F(VorIndicator, WithNav1OnTheNeedlesAndGlideslopeFlagShowTheSignal) {
    const int vor = place("VOR1_Indicator");
    switch_nav1_on();
    set(849, 0.8);
    set(850, -0.6);
    set(44, 1.0);
    host.frame(vor);
    EXPECT_EQ(value(vor, VOR_DEVIATION), 0.8);
    EXPECT_EQ(value(vor, VOR_GLIDESLOPE), -0.6);
    EXPECT_EQ(value(vor, VOR_GS_FLAG), 1.0);
}

TEST_F(VorIndicator, ToFromFlagShowsThePictureItsIntegerVariableNames) {
    const int vor = place("VOR1_Indicator");
    switch_nav1_on();
    for (uint32_t picture : {0u, 1u, 2u}) {  // off, TO, FROM
        set(43, picture);
        host.frame(vor);
        EXPECT_EQ(value(vor, VOR_TO_FROM), static_cast<double>(picture));
    }
}

TEST_F(VorIndicator, LampIsLitInTheUpperHalfOfEachBlinkPeriodWhileItsSourceIsPositive) {
    struct Case {
        double blink_time, source;
        bool lit;
    };
    const Case cases[] = {
        {0.3, 1.0, true},     // past the middle of the first 0.51 period
        {0.255, 1.0, false},  // exactly the middle: still dark
        {0.2, 1.0, false},    // lower half
        {0.81, 1.0, true},    // 0.3 into the second period
        {0.52, 1.0, false},   // just into the second period
        {0.3, 0.0, false},    // the source is off
        {0.3, -1.0, false},   // negative counts as off
    };
    const int vor = place("VOR1_Indicator");
    switch_nav1_on();
    for (const Case& c : cases) {
        set(604, c.blink_time);
        set(354, c.source);
        host.frame(vor);
        EXPECT_EQ(value(vor, VOR_LAMP), c.lit ? 0.0 : -1.0) << "time " << c.blink_time << ", source " << c.source;
    }
}

TEST_F(VorIndicator, SwitchingNav1OffOrInstallingTheIndicatorAgainCentresTheNeedles) {
    const int vor = place("VOR1_Indicator");
    const int nav1 = switch_nav1_on();
    set(849, 0.5);
    host.frame(vor);
    ASSERT_EQ(value(vor, VOR_DEVIATION), 0.5);
    // The radio's off switch
    host.click(nav1, NAV_POWER_X, NAV_POWER_OFF_Y);
    host.frame(vor);
    EXPECT_EQ(value(vor, VOR_DEVIATION), 0.0);
    // A second indicator placed while the set is on switches it off for both
    host.click(nav1, NAV_POWER_X, NAV_POWER_ON_Y);
    const int second = place("VOR1_Indicator");
    host.frame(vor);
    host.frame(second);
    EXPECT_EQ(value(vor, VOR_DEVIATION), 0.0);
    EXPECT_EQ(value(second, VOR_DEVIATION), 0.0);
}

TEST_F(VorIndicator, CardAndKnobFollowTheCourseCardRotationWithPowerOff) {
    const int vor = place("VOR1_Indicator");
    set(854, -1.25);
    host.frame(vor);
    EXPECT_EQ(angle(vor, VOR_CARD), -1.25);
    EXPECT_EQ(value(vor, VOR_KNOB), -1.25);
}

TEST_F(VorIndicator, CourseKnobTruncatesTheCourseAndWrapsAt360And0) {
    struct Case {
        double course_deg;
        uint32_t up, down;
    };
    const Case cases[] = {{359.7, 360, 358}, {0.0, 1, 359}, {360.0, 1, 359}, {90.9, 91, 89}};
    const int vor = place("VOR1_Indicator");
    for (const Case& c : cases) {
        set(45, c.course_deg);
        host.trace().clear();
        ASSERT_TRUE(host.click(vor, VOR_KNOB_RIGHT_X, VOR_KNOB_Y));
        set(45, c.course_deg);
        ASSERT_TRUE(host.click(vor, VOR_KNOB_LEFT_X, VOR_KNOB_Y));
        EXPECT_EQ(sent(65716), (std::vector<uint32_t>{c.up, c.down})) << "course " << c.course_deg;
    }
}

TEST_F(VorIndicator, RepeatedClicksRunThroughTheWrapAsTheHostKeepsTheCourse) {
    // Given the course at 358, when the right half is clicked four times
    const int vor = place("VOR1_Indicator");
    set(45, 358.0);
    for (int i = 0; i < 4; ++i) host.click(vor, VOR_KNOB_RIGHT_X, VOR_KNOB_Y);
    // then the course runs 359, 360, 1, 2 and the host keeps it
    EXPECT_EQ(sent(65716), (std::vector<uint32_t>{359, 360, 1, 2}));
    EXPECT_EQ(var(45), 2.0);
    // and four clicks on the left half run back through 0 to 358
    host.trace().clear();
    for (int i = 0; i < 4; ++i) host.click(vor, VOR_KNOB_LEFT_X, VOR_KNOB_Y);
    EXPECT_EQ(sent(65716), (std::vector<uint32_t>{1, 0, 359, 358}));
    EXPECT_NEAR(var(854), -358.0 * PI / 180.0, 1e-12);  // the card turns with the course
}

TEST_F(VorIndicator, KnobIsTheOnlyClickAreaAndClickingTheLampDoesNothing) {
    const int vor = place("VOR1_Indicator");
    EXPECT_FALSE(host.click(vor, 128, 9));  // the lamp: a tooltip area only
    EXPECT_FALSE(host.click(vor, 70, 70));  // the dial
    EXPECT_FALSE(host.click(vor, 3, 120));  // just left of the knob
    EXPECT_TRUE(host.click(vor, 4, 108));   // the knob's top-left corner
    EXPECT_TRUE(host.click(vor, 31, 136));  // its right half, near the bottom
}

// ---- ADF_Indicator ----

TEST_F(AdfIndicator, WithoutAnAdfRadioTheNeedleParksAtThreeOClock) {
    const int adf = place("ADF_Indicator");
    for (double bearing : {0.0, 270.0, 45.5}) {
        set(39, bearing);
        host.frame(adf);
        EXPECT_EQ(value(adf, ADF_NEEDLE), 90.0) << "bearing " << bearing;
    }
}

TEST_F(AdfIndicator, WithTheAdfOnTheNeedleShowsTheBearingUnchanged) {
    const int adf = place("ADF_Indicator");
    ASSERT_TRUE(host.click(place("Old_ADF"), ADF_POWER_X, ADF_POWER_ON_Y));
    for (double bearing : {0.0, 270.0, 359.5}) {
        set(39, bearing);
        host.frame(adf);
        EXPECT_EQ(value(adf, ADF_NEEDLE), bearing);
    }
}

TEST_F(AdfIndicator, InstallingItAfterTheAdfWasSwitchedOnParksTheNeedleAgain) {
    const int adf = place("ADF_Indicator");
    ASSERT_TRUE(host.click(place("Old_ADF"), ADF_POWER_X, ADF_POWER_ON_Y));
    set(39, 45.0);
    const int second = place("ADF_Indicator");
    host.frame(adf);
    host.frame(second);
    EXPECT_EQ(value(adf, ADF_NEEDLE), 90.0);
    EXPECT_EQ(value(second, ADF_NEEDLE), 90.0);
}

TEST_F(AdfIndicator, KnobHalvesMakeTheHostTurnTheCardOneDegreeAClick) {
    // Given the card at 0, when the right half is clicked twice and the panel draws
    const int adf = place("ADF_Indicator");
    ASSERT_TRUE(host.click(adf, ADF_KNOB_RIGHT_X, ADF_KNOB_Y));
    ASSERT_TRUE(host.click(adf, ADF_KNOB_RIGHT_X, ADF_KNOB_Y));
    host.frame(adf);
    // then the host sent its card-up event itself, no module code ran, and the card
    // and the knob picture show 2 degrees
    EXPECT_EQ(ops("host_event").size(), 2u);
    EXPECT_TRUE(ops("handler").empty());
    EXPECT_NEAR(angle(adf, ADF_CARD), -2.0 * PI / 180.0, 1e-12);
    EXPECT_NEAR(value(adf, ADF_KNOB), -2.0 * PI / 180.0, 1e-12);
    // and three clicks on the left half go back through 0 to 359
    for (int i = 0; i < 3; ++i) host.click(adf, ADF_KNOB_LEFT_X, ADF_KNOB_Y);
    EXPECT_NEAR(var(22), -359.0 * PI / 180.0, 1e-12);
    EXPECT_EQ(value(adf, ADF_NEEDLE), 90.0);  // the needle stayed parked
}

// ---- Declarations walked through the host ----

struct Link {
    uint32_t kind, bitmap;
};

void expect_chain(GaugeHeader* gauge, const std::vector<Link>& links) {
    ASSERT_NE(gauge, nullptr);
    ElementHeader* element = *gauge->elements;
    for (const Link& link : links) {
        ASSERT_NE(element, nullptr) << gauge->name << " chain ends early";
        EXPECT_EQ(element->kind, link.kind) << gauge->name << " bitmap " << link.bitmap;
        EXPECT_EQ(element->bitmap_id, link.bitmap) << gauge->name;
        EXPECT_EQ(element->gauge, gauge) << gauge->name << " bitmap " << link.bitmap;
        element = element->children ? element->children[0] : nullptr;
    }
    EXPECT_EQ(element, nullptr) << gauge->name << " chain is longer";
}

TEST_F(Instruments, ElementChainsRunFromTheFaceUpInDrawingOrder) {
    expect_chain(host.find_gauge("VOR1_Indicator"), {{ELEMENT_STATIC_IMAGE, 1200},
                                                     {ELEMENT_SPRITE, 1230},
                                                     {ELEMENT_ICON, 1240},
                                                     {ELEMENT_ICON, 1260},
                                                     {ELEMENT_NEEDLE, 1220},
                                                     {ELEMENT_NEEDLE, 1250},
                                                     {ELEMENT_STATIC_IMAGE, 1270},
                                                     {ELEMENT_NEEDLE, 1210},
                                                     {ELEMENT_ICON, 1280}});
    expect_chain(host.find_gauge("ADF_Indicator"), {{ELEMENT_STATIC_IMAGE, 1300},
                                                    {ELEMENT_SPRITE, 1340},
                                                    {ELEMENT_NEEDLE, 1330},
                                                    {ELEMENT_STATIC_IMAGE, 1320},
                                                    {ELEMENT_NEEDLE, 1310}});
    expect_chain(host.find_gauge("Airspeed_Kts"),
                 {{ELEMENT_STATIC_IMAGE, 210}, {ELEMENT_NEEDLE, 220}, {ELEMENT_STATIC_IMAGE, 230}});
    expect_chain(host.find_gauge("Magnetic_Compass"), {{ELEMENT_STATIC_IMAGE, 240}, {ELEMENT_MOVING_IMAGE, 250}});
}

TEST_F(Instruments, GaugeTableKeepsTheInstrumentsInTheirOrder) {
    const std::vector<std::string> wanted = {"Registration", "Airspeed_Kts", "VOR1_Indicator", "ADF_Indicator",
                                             "Magnetic_Compass"};
    std::vector<std::string> found;
    for (GaugeHeader* gauge : host.gauges())
        if (std::find(wanted.begin(), wanted.end(), gauge->name) != wanted.end()) found.push_back(gauge->name);
    EXPECT_EQ(found, wanted);
}

TEST_F(AirspeedAndCompass, AirspeedTableGoesRoundTwiceInSeventeenPointsAsTheDialIsPrinted) {
    // Directions from the pivot (59, 59), degrees clockwise from twelve o'clock, as the
    // dial's artwork prints the knots.
    struct Mark {
        double knots, direction_deg;
    };
    const Mark marks[] = {{0, 180.0},   {40, 205.5},  {60, 226.8}, {70, 241.8}, {80, 261.0},  {90, 276.3},
                          {100, 296.0}, {120, 335.7}, {140, 16.8}, {160, 59.5}, {180, 100.3}, {200, 141.1},
                          {220, 180.0}, {280, 282.1}, {340, 22.6}, {350, 39.3}, {400, 39.3}};
    auto* needle = reinterpret_cast<Needle*>((*host.find_gauge("Airspeed_Kts")->elements)->children[0]);
    ASSERT_EQ(needle->point_count, 17u);
    EXPECT_EQ(needle->callback, nullptr);
    EXPECT_EQ(needle->source.token, 61u);
    for (uint32_t i = 0; i < needle->point_count; ++i) {
        const NonlinearityPoint& p = needle->points[i];
        const double dx = p.x - needle->header.x, dy = p.y - needle->header.y;
        double direction = std::atan2(dx, -dy) * 180.0 / PI;
        if (direction < 0) direction += 360.0;
        EXPECT_EQ(p.value, marks[i].knots) << "point " << i + 1;
        EXPECT_NEAR(direction, marks[i].direction_deg, 0.06) << "point " << i + 1 << " at " << p.value << " kt";
    }
    // 350 and 400 knots share a point: the needle stands still between them
    EXPECT_EQ(needle->points[15].x, needle->points[16].x);
    EXPECT_EQ(needle->points[15].y, needle->points[16].y);
}

TEST_F(AirspeedAndCompass, CompassStripRunsFrom360Down0AndHasNoYTravel) {
    auto* card = reinterpret_cast<MovingImage*>((*host.find_gauge("Magnetic_Compass")->elements)->children[0]);
    EXPECT_EQ(card->source_x.token, 83u);
    EXPECT_EQ(card->min_x, 360.0);
    EXPECT_EQ(card->max_x, 0.0);
    EXPECT_EQ(card->source_y.token, 0u);
    EXPECT_EQ(card->min_y, 360.0);
    EXPECT_EQ(card->max_y, 360.0);
    EXPECT_EQ(card->callback_y, nullptr);
}

// ---- The simulated flight ----

TEST_F(SimulatedFlight, StartsSouthOfTheVorInboundOnCourseBelowTheGlidePath) {
    EXPECT_EQ(var(43), 1.0);  // TO
    EXPECT_EQ(var(849), 0.0);
    EXPECT_EQ(var(44), 1.0);
    EXPECT_LT(var(850), 0.0);  // 2000 ft at 8 NM is below a 3-degree path (about 2550 ft)
    EXPECT_EQ(var(354), 0.0);
}

TEST_F(SimulatedFlight, DeviationIsTheAngleOffTheCourseLineSeenFromTheStation) {
    // Given the flight 8 NM south of the station on course 360, when it flies 1 NM east
    set(83, 90.0);
    set(61, 360.0);
    host.aircraft().advance(10.0);
    // then the course lies to the left by atan(1/8), 10 degrees to full scale
    const double expected = -std::atan(1.0 / 8.0) * 180.0 / PI / 10.0;
    EXPECT_NEAR(var(849), expected, 1e-9);
    EXPECT_EQ(var(43), 1.0);
}

TEST_F(SimulatedFlight, PassingOverTheStationLightsTheLampSourceAndTurnsToFrom) {
    // 8 NM at 100 kt take 288 s
    host.aircraft().advance(288.0);
    EXPECT_EQ(var(354), 1.0);
    host.aircraft().advance(60.0);
    EXPECT_EQ(var(354), 0.0);
    EXPECT_EQ(var(43), 2.0);  // FROM
    EXPECT_EQ(var(44), 0.0);  // no glideslope behind the station
    EXPECT_EQ(var(604), 348.0);
}

TEST_F(SimulatedFlight, AdfBearingIsTheNdbRelativeToTheNose) {
    // The NDB lies 6 NM east and 12 NM north of the start
    const double to_ndb = std::atan2(6.0, 12.0) * 180.0 / PI;
    EXPECT_NEAR(var(39), to_ndb, 1e-9);
    set(83, 90.0);
    host.aircraft().advance(0.0);
    EXPECT_NEAR(var(39), to_ndb + 270.0, 1e-9);
}

TEST_F(SimulatedFlight, AVariableSetFromOutsideStaysWhereItWasPut) {
    set(849, 0.5);
    set(604, 0.3);
    host.aircraft().advance(1.0);
    host.host_event(65716, 10);
    EXPECT_EQ(var(849), 0.5);
    EXPECT_EQ(var(604), 0.3);
    EXPECT_EQ(var(45), 10.0);
    EXPECT_NE(var(43), 0.0);  // what was not set still follows the flight
}

}  // namespace
