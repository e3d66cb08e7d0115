// XML gauges on a panel with the module's own: found, read, evaluated against the one
// simulated aircraft, clicked, drawn; and the files they refuse, with file and line.
#include "host/xml/xml_panel.h"

#include <gtest/gtest.h>

#include "host/cli/check_command.h"
#include "host/cli/render_command.h"
#include "host/core/gauge_host.h"
#include "host/render/recording_canvas.h"
#include "host/render/xml_painter.h"
#include "host/scenario/scenario.h"
#include "host/sim/named_vars.h"
#include "host/xml/xml_gauge.h"
#include "sdk/ids.h"
#include "tests/unit/host_fixture.h"
#include "tests/unit/xml/xml_fixture.h"

using namespace xmltest;

namespace {

const char* kRadioXml = R"(<Gauge Name="radio" Version="1.0">
  <Image Name="face.bmp"/>
  <Element>
    <Position X="50" Y="50"/>
    <Image Name="needle.bmp" PointsTo="East"><Axis X="0" Y="2"/></Image>
    <Rotate>
      <Value Minimum="0" Maximun="200">(A:Airspeed indicated, knots)</Value>
      <Nonlinearity>
        <Item Value="0" X="100" Y="50"/>
        <Item Value="100" X="50" Y="100"/>
        <Item Value="200" X="0" Y="50"/>
      </Nonlinearity>
    </Rotate>
  </Element>
  <Element>
    <Visible>(A:COM1 ACTIVE FREQUENCY, MHz) 119 &gt;=</Visible>
    <Image Name="LAMP.BMP"/>
  </Element>
  <Mouse>
    <Area Left="0" Top="0" Width="20" Height="20"><Click Event="COM_RADIO_WHOLE_INC"/></Area>
    <Area Left="20" Top="0" Right="40" Bottom="20">
      <Area Left="10"><Click>(L:Count,number) 1 + (&gt;L:Count,number) (&gt;K:NO_SUCH_EVENT)</Click></Area>
    </Area>
  </Mouse>
</Gauge>
)";

const char* kPanel = R"([Window Titles]
Window00=Main

[Window00]
size_mm=400,200
visible=1
gauge00=Tarvolen_Instr!Old_COM1, 0, 0, 200
gauge01=Radios!radio, 200, 0, 100
gauge02=Missing!thing, 300, 0, 50, 50
gauge03=Cmodule!thing, 300, 100, 50, 50
)";

class XmlPanelTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        scratch.write("Radios/radio.xml", std::string(kRadioXml));
        scratch.write("Radios/face.bmp", solid_bmp(100, 100, 0x404040));
        scratch.write("Radios/needle.bmp", solid_bmp(40, 4, 0xFFFFFF));
        scratch.write("Radios/lamp.bmp", solid_bmp(10, 10, 0xFF0000));
        scratch.write("gauges/CMODULE.GAU", std::string("MZ"));
        panel_path = scratch.write("panel.cfg", std::string(kPanel)).string();
        panel = read_panel_config(panel_path, reading);
        ASSERT_TRUE(reading.ok()) << reading;
        place_panel(host, panel, reading);
        xml.place(panel, panel_path, {(scratch.dir / "gauges").string()}, reading);
        ASSERT_TRUE(reading.ok()) << reading;
        ASSERT_EQ(xml.placements().size(), 1u);
        radio = xml.placements()[0].get();
        local.frame_all();
        xml.frame();
    }

    double com1_mhz() {
        return named_value(*find_named_var("COM1 ACTIVE FREQUENCY"),
                           host.aircraft().vars().number(TOKEN_COM1_FREQUENCY_BCD), 0);
    }

    // The needle as drawn: the picture whose axis is (0, 2).
    const BitmapDraw* drawn_needle() {
        canvas.clear();
        paint_xml_gauge(*radio, canvas, 0, 0, 1, 1, false);
        for (const RecordedDraw& d : canvas.draws())
            if (d.kind == RecordedDraw::Kind::Bitmap && d.bitmap.anchor_y == 2) return &d.bitmap;
        return nullptr;
    }

    Scratch scratch{"xml_panel_test"};
    std::string panel_path;
    Diagnostics reading;
    PanelConfig panel;
    LocalGaugeHost local{host};
    XmlPanel xml{local};
    XmlPlacement* radio = nullptr;
    RecordingCanvas canvas;
};

}  // namespace

TEST_F(XmlPanelTest, ModulesAreFoundOrTheNoteSaysWhereTheyWereLookedFor) {
    EXPECT_TRUE(xml.placed(0, 1));
    EXPECT_FALSE(xml.placed(0, 2));
    const std::vector<std::string> notes = reading.notes();
    const std::string all = ::testing::PrintToString(notes);
    EXPECT_NE(all.find("module Missing not found: looked for a folder Missing, Missing.cab and Missing.gau in " +
                       scratch.dir.string() + ", " + (scratch.dir / "gauges").string()),
              std::string::npos)
        << all;
    EXPECT_NE(all.find("CMODULE.GAU, a C module of another author"), std::string::npos) << all;
    EXPECT_NE(all.find("radio.xml:7: note: Maximun= (so spelled) read as Maximum="), std::string::npos) << all;
    EXPECT_EQ(radio->face_w, 100);
}

TEST_F(XmlPanelTest, AnXmlComKnobTunesTheComThatTheModulesRadioShows) {
    const double before = com1_mhz();
    const Placement* old_com1 = host.placement("Old_COM1");
    ASSERT_NE(old_com1, nullptr);
    EXPECT_FALSE(radio->nodes[1].shown);  // the lamp: COM1 below 119
    ASSERT_TRUE(xml.click(*radio, 5, 5));
    local.frame_all();
    xml.frame();
    EXPECT_DOUBLE_EQ(com1_mhz(), before + 1);
    EXPECT_TRUE(radio->nodes[1].shown);
    // The module's radio reads the same token: its MHz drums now show the new number.
    LocalGaugeHost same(host);
    EXPECT_EQ(same.var_number(TOKEN_COM1_FREQUENCY_BCD), host.aircraft().vars().number(TOKEN_COM1_FREQUENCY_BCD));
}

TEST_F(XmlPanelTest, TheInnermostAreaTakesTheClickAndAnUnknownEventIsRefused) {
    EXPECT_FALSE(xml.click(*radio, 25, 5));  // the outer area has no click of its own
    ASSERT_TRUE(xml.click(*radio, 35, 5));
    ASSERT_TRUE(xml.click(*radio, 35, 5));
    EXPECT_FALSE(xml.simulates("K:NO_SUCH_EVENT"));
    EXPECT_TRUE(xml.simulates("A:Airspeed indicated"));
    ASSERT_EQ(xml.problems().size(), 1u);
    EXPECT_NE(xml.problems()[0].find("event NO_SUCH_EVENT is not simulated; refused"), std::string::npos);
    // L: variables live with the panel: the count went up once a click.
    uint32_t ref = 0;
    std::string problem;
    ASSERT_TRUE(xml.resolve_variable('L', "count", "number", false, ref, problem));
    EXPECT_DOUBLE_EQ(xml.read(ref), 2);
}

TEST_F(XmlPanelTest, TheNeedlePointsWhereItsCalibrationPutsTheAirspeed) {
    const xmlgauge::Element& needle = *radio->nodes[0].element;
    EXPECT_NEAR(xml_rotation_deg(needle, 50, 50, 0), 0, 1e-9);
    EXPECT_NEAR(xml_rotation_deg(needle, 50, 50, 50), 45, 1e-9);
    EXPECT_NEAR(xml_rotation_deg(needle, 50, 50, 150), 135, 1e-9);
    EXPECT_NEAR(xml_rotation_deg(needle, 50, 50, 500), 180, 1e-9);
    host.aircraft().vars().set(TOKEN_AIRSPEED_KNOTS, 100);
    xml.frame();
    const BitmapDraw* draw = drawn_needle();
    ASSERT_NE(draw, nullptr) << canvas.describe();
    EXPECT_NEAR(draw->angle_deg, 90, 1e-9);
    EXPECT_DOUBLE_EQ(draw->x, 50);
    EXPECT_DOUBLE_EQ(draw->y, 50);
    host.aircraft().vars().set(TOKEN_AIRSPEED_KNOTS, 900);  // past Maximum: held there
    xml.frame();
    EXPECT_DOUBLE_EQ(radio->nodes[0].number, 200);
}

TEST(XmlGaugeReader, BrokenFilesAreRefusedWithFileAndLine) {
    Diagnostics diagnostics;
    xmlgauge::Gauge gauge;
    const std::string broken = "<Gauge>\n<Element>\n</Gauge>\n";
    EXPECT_FALSE(xmlgauge::read_gauge({broken.begin(), broken.end()}, "m.cab/g.xml", gauge, diagnostics));
    ASSERT_EQ(diagnostics.errors().size(), 1u);
    EXPECT_EQ(diagnostics.errors()[0].rfind("m.cab/g.xml:3: not well-formed XML", 0), 0u) << diagnostics;

    std::string deep = "<Gauge>";
    for (int i = 0; i < 10000; ++i) deep += "<Element>";
    for (int i = 0; i < 10000; ++i) deep += "</Element>";
    deep += "</Gauge>";
    Diagnostics deep_diagnostics;
    EXPECT_FALSE(xmlgauge::read_gauge({deep.begin(), deep.end()}, "g.xml", gauge, deep_diagnostics));
    EXPECT_NE(::testing::PrintToString(deep_diagnostics.errors()).find("nested more than 64 deep"), std::string::npos);

    std::string wide = "<Gauge>";
    for (int i = 0; i < 100000; ++i) wide += "<Element/>";
    wide += "</Gauge>";
    Diagnostics wide_diagnostics;
    EXPECT_FALSE(xmlgauge::read_gauge({wide.begin(), wide.end()}, "g.xml", gauge, wide_diagnostics));
    EXPECT_NE(::testing::PrintToString(wide_diagnostics.errors()).find("more than 20000 elements"), std::string::npos);

    const std::string other = "<Panel/>";
    Diagnostics other_diagnostics;
    EXPECT_FALSE(xmlgauge::read_gauge({other.begin(), other.end()}, "g.xml", gauge, other_diagnostics));
    EXPECT_EQ(other_diagnostics.errors(), std::vector<std::string>{"g.xml:1: no <Gauge> element"});
}

TEST(NamedVars, UnitsConvertAndTablesHaveOneRowPerName) {
    double factor = 0, offset = 0;
    std::string problem;
    ASSERT_TRUE(unit_conversion("knots", "mph", factor, offset, problem));
    EXPECT_NEAR(100 * factor + offset, 115.078, 1e-3);
    ASSERT_TRUE(unit_conversion("fahrenheit", "celsius", factor, offset, problem));
    EXPECT_NEAR(212 * factor + offset, 100, 1e-9);
    ASSERT_TRUE(unit_conversion("degrees per second", "rpm", factor, offset, problem));
    EXPECT_NEAR(3 * factor, 0.5, 1e-12);  // a standard-rate turn
    EXPECT_FALSE(unit_conversion("knots", "feet", factor, offset, problem));
    EXPECT_FALSE(unit_conversion("knots", "furlongs", factor, offset, problem));
    EXPECT_EQ(problem, "unknown unit \"furlongs\"");
    std::set<std::string> names;
    for (const NamedVar* row = named_var_table(); row->name; ++row) {
        EXPECT_TRUE(names.insert(row->name).second) << row->name;
        EXPECT_NE(find_token(row->token), nullptr) << row->name;
        EXPECT_TRUE(known_unit(row->unit)) << row->name;
    }
    for (const NamedEvent* row = named_event_table(); row->name; ++row)
        EXPECT_TRUE(names.insert(row->name).second) << row->name;
    EXPECT_EQ(find_named_var("airspeed  Indicated:1"), find_named_var("AIRSPEED INDICATED"));
    EXPECT_DOUBLE_EQ(named_value(*find_named_var("COM1 ACTIVE FREQUENCY"), 0x1830, 0), 118.30);
    EXPECT_DOUBLE_EQ(named_value(*find_named_var("ADF ACTIVE FREQUENCY"), 0x350, 0x100), 1350);
    EXPECT_DOUBLE_EQ(named_value(*find_named_var("TRANSPONDER CODE"), 0x1200, 0), 1200);
}

TEST_F(XmlPanelTest, AScenarioClicksTheXmlKnobAndTheModulesCom1ShowsTheNewFrequency) {
    PanelHost fresh;
    Diagnostics loading;
    ASSERT_TRUE(fresh.load_module(TARVOLEN_MODULE_PATH, loading)) << loading;
    const std::string scenario = scratch
                                     .write("tune.scn", std::string("panel panel.cfg\n"
                                                                    "frame\n"
                                                                    "expect var 23 0x1830\n"
                                                                    "click radios!RADIO 5 5\n"
                                                                    "frame\n"
                                                                    "expect var 23 0x1930\n"
                                                                    "click Radios!radio 90 90\n"
                                                                    "render tuned.png\n"))
                                     .string();
    std::ifstream in(scenario);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LocalGaugeHost running(fresh);
    const Diagnostics result = run_scenario(running, text, scenario, renderer_hooks(scratch.dir.string(), running));
    // The one error: the last click hits no area.
    EXPECT_EQ(result.errors(), std::vector<std::string>{scenario + ":7: click at 90,90 hits nothing on Radios!radio"});
    const Placement* old_com1 = fresh.placement("Old_COM1");
    ASSERT_NE(old_com1, nullptr);
    bool shows_119 = false, shows_118 = false;
    for (const ElementState& e : old_com1->elements) {
        shows_119 = shows_119 || e.value == 119;
        shows_118 = shows_118 || e.value == 118;
    }
    EXPECT_TRUE(shows_119 && !shows_118) << "Old_COM1's MHz knob reads the new frequency";
    EXPECT_TRUE(fs::exists(scratch.dir / "tuned.png"));
}

TEST(XmlCheck, EachFindingNamesTheXmlFileInsideItsCabinetAndTheLine) {
    Scratch scratch("xml_check_test");
    scratch.write("in/dial.xml",
                  std::string("<Gauge>\n"
                              "  <Image Name=\"face.bmp\"/>\n"
                              "  <Element><Image Name=\"..\\..\\secret.bmp\"/></Element>\n"
                              "  <Element><Rotate><Value>1 +</Value></Rotate><Frob/></Element>\n"
                              "  <Element><Visible>(A:Warp drive temperature, celsius) 3 &gt;</Visible>\n"
                              "    <Image Name=\"missing.bmp\"/></Element>\n"
                              "  <Mouse><Click Event=\"HYPERSPACE_TOGGLE\"/></Mouse>\n"
                              "</Gauge>\n"));
    scratch.write("in/face.bmp", solid_bmp(20, 20, 0x101010));
    ASSERT_TRUE(make_cabinet(scratch.dir / "Mod.cab", scratch.dir / "in", {"dial.xml", "face.bmp"}));
    const std::string panel = scratch
                                  .write("panel.cfg", std::string("[Window Titles]\nWindow00=Main\n[Window00]\n"
                                                                  "size_mm=100,100\ngauge00=MOD!Dial, 0, 0, 20\n"))
                                  .string();
    const Diagnostics findings = check_command({panel, TARVOLEN_MODULE_PATH, {}});
    const std::string file = (scratch.dir / "Mod.cab").string() + "/dial.xml";
    std::vector<std::string> printed;
    for (const Diagnostic& d : findings.items()) printed.push_back(d.str());
    EXPECT_EQ(printed, (std::vector<std::string>{
                           file + ":4: <Frob> is not read",
                           file + ":3: image: \"..\\..\\secret.bmp\" lies outside the gauge's module",
                           file + ":4: script: \"+\" takes 2 values, the stack holds 1 (word 2)",
                           file + ":6: image: no file \"missing.bmp\" in " + (scratch.dir / "Mod.cab").string(),
                           file + ":5: A:Warp drive temperature is not simulated by the host: it reads 0",
                           file + ":7: K:HYPERSPACE_TOGGLE is not simulated by the host: the event is refused",
                       }));
}
