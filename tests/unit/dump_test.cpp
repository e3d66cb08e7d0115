// `panelhost dump`: the declarations as JSON, parsed back and compared with what the
// gauges declare.
#include <string>

#include "host/cli/dump.h"
#include "tests/unit/host_fixture.h"

class Dump : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        text = dump_declarations(host);
        doc = Json::parse(text, nullptr, false);
        ASSERT_FALSE(doc.is_discarded()) << "not JSON:\n" << text.substr(0, 400);
    }
    const Json& gauge(const std::string& name) {
        for (const Json& g : doc["gauges"])
            if (g["name"] == name) return g;
        ADD_FAILURE() << "no gauge " << name;
        static const Json none = Json::object();
        return none;
    }

    std::string text;
    Json doc;
};

TEST_F(Dump, ListsEveryGaugeOfTheTableInOrderWithItsSizeAndTrees) {
    const Json& gauges = doc["gauges"];
    ASSERT_EQ(gauges.size(), host.gauges().size());
    for (size_t i = 0; i < gauges.size(); ++i) {
        const GaugeHeader* declared = host.gauges()[i];
        EXPECT_EQ(gauges[i]["name"], declared->name);
        EXPECT_EQ(gauges[i]["width_mm"], declared->width_mm);
        ASSERT_FALSE(gauges[i]["elements"].empty()) << declared->name;
        EXPECT_EQ(gauges[i]["elements"][0]["kind"], "static_image") << declared->name;
        EXPECT_EQ(gauges[i]["elements"][0]["bitmap_id"], (*declared->elements)->bitmap_id);
    }
}

TEST_F(Dump, AirspeedNeedleCarriesItsSeventeenPointTable) {
    const Json& needle = gauge("Airspeed_Kts")["elements"][1];
    EXPECT_EQ(needle["kind"], "needle");
    EXPECT_EQ(needle["source"], 61);
    EXPECT_EQ(needle["pivot_x"], 21);
    const auto& points = needle["points"];
    ASSERT_EQ(points.size(), 17u);
    EXPECT_EQ(points[0]["x"], 59);
    EXPECT_EQ(points[0]["y"], 106);
    EXPECT_EQ(points[16]["value"], 400);
    EXPECT_EQ(needle["failures"].size(), 2u);
    EXPECT_EQ(needle["image_flags"], "0x83");
}

TEST_F(Dump, CompassStripRangesAndMouseListsAreShownAsDeclared) {
    const Json& card = gauge("Magnetic_Compass")["elements"][1];
    EXPECT_EQ(card["kind"], "moving_image");
    EXPECT_EQ(card["min_x"], 360);
    EXPECT_EQ(card["max_x"], 0);
    EXPECT_EQ(card["source_x"], 83);
    const auto& rects = gauge("Old_COM1")["mouse_rects"];
    ASSERT_EQ(rects.size(), 14u);  // the end marker is not listed
    EXPECT_EQ(rects[4]["kind"], "child");
    EXPECT_EQ(rects[4]["mouse_flags"], "0x20200000");
    EXPECT_EQ(rects[4]["handler"], true);
    EXPECT_EQ(rects[3]["box"][0], 83);
}
