// `panelhost render` and the render lines of scenarios, as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/commands.h"
#include "host/cli/render_command.h"
#include "host/core/gauge_host.h"
#include "host/core/panel_host.h"
#include "host/scenario/scenario.h"

namespace {

namespace fs = std::filesystem;

const std::string kPanel = TARVOLEN_SOURCE_DIR "/examples/panel.cfg";

bool is_png(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    return in && std::string(signature + 1, 3) == "PNG";
}

class RenderCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("render_cli_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    // panelhost render ARGS... --module THE_BUILD, as a user types it.
    int render(std::vector<std::string> args) {
        args.insert(args.begin(), "render");
        args.insert(args.end(), {"--module", TARVOLEN_MODULE_PATH});
        printed.str("");
        err.str("");
        return run_command_line(args, printed, err);
    }

    fs::path dir;
    std::ostringstream printed, err;  // standard output, errors and notes
};

}  // namespace

TEST_F(RenderCommand, DrawsTheExamplePanelWithSetsClicksAndNight) {
    const fs::path out = dir / "panel.png";
    EXPECT_EQ(render({kPanel, "--set", "airspeed=120", "--set", "23=0x2175", "--click", "Old_COM1@20,105", "--frames",
                      "3", "--night", "-o", out.string()}),
              0);
    EXPECT_TRUE(is_png(out));
}

TEST_F(RenderCommand, WrongArgumentsAreUsageErrorsAndWriteNothing) {
    const fs::path out = dir / "panel.png";
    EXPECT_EQ(render({kPanel}), 2);                                                     // no -o
    EXPECT_EQ(render({"-o", out.string()}), 2);                                         // no panel
    EXPECT_EQ(render({kPanel, "--set", "no_such_variable=1", "-o", out.string()}), 2);  // unknown token
    EXPECT_EQ(render({kPanel, "--set", "61=fast", "-o", out.string()}), 2);
    EXPECT_EQ(render({kPanel, "--click", "Old_COM1", "-o", out.string()}), 2);
    EXPECT_EQ(render({kPanel, "--frames", "0", "-o", out.string()}), 2);
    EXPECT_EQ(render({kPanel, "--zoom", "-o", out.string()}), 2);
    EXPECT_EQ(render({kPanel, kPanel, "-o", out.string()}), 2);  // one panel only
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(RenderCommand, AWrongNumberNamesItsOption) {
    const std::string out = (dir / "panel.png").string();
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--frames", "x"}, "panelhost: --frames: \"x\" is not a number\n"},
        {{"--frames", "0"}, "panelhost: --frames: \"0\" is out of range (1 to 1000000)\n"},
        {{"--frames", "2.5"}, "panelhost: --frames: \"2.5\" is not a whole number\n"},
        {{"--frames", "010x"}, "panelhost: --frames: \"010x\" is not a number\n"},
        {{"--set", "61=fast"}, "panelhost: --set: \"fast\" is not a number\n"},
        {{"--set", "61"}, "panelhost: --set: needs TOKEN=VALUE, got \"61\"\n"},
        {{"--set", "0x1FFFFFFFF=1"}, "panelhost: --set: unknown variable \"0x1FFFFFFFF\" (a token number or name)\n"},
        {{"--click", "Old_COM1@20,y"}, "panelhost: --click: GAUGE@X,Y: \"y\" is not a number\n"},
        {{"--click", "Old_COM1@2000000,1"},
         "panelhost: --click: GAUGE@X,Y: \"2000000\" is out of range (-1000000 to 1000000)\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args{kPanel, "-o", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        EXPECT_EQ(render(args), 2) << c.args[0] << " " << c.args[1];
        EXPECT_EQ(err.str().substr(0, err.str().find('\n') + 1), c.message);
        EXPECT_EQ(printed.str(), "");
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(RenderCommand, HexadecimalAndDecimalNumbersReadAlike) {
    const fs::path out = dir / "panel.png";
    EXPECT_EQ(
        render({kPanel, "--set", "0x17=8565", "--frames", "0x2", "--click", "Old_COM1@0x14,105", "-o", out.string()}),
        0)
        << err.str();
    EXPECT_TRUE(is_png(out));
    EXPECT_NE(err.str().find(out.string() + ": note: wrote "), std::string::npos) << err.str();
}

TEST_F(RenderCommand, PanelErrorsAndClicksOnNothingFailTheRun) {
    const fs::path bad = dir / "bad.cfg";
    std::ofstream(bad) << "[Window00]\nsize_mm=100,100\ngauge00=Tarvolen_Instr!No_Such_Gauge, 0, 0, 50\n";
    const fs::path out = dir / "panel.png";
    EXPECT_EQ(render({bad.string(), "-o", out.string()}), 1);
    EXPECT_EQ(render({(dir / "missing.cfg").string(), "-o", out.string()}), 1);
    EXPECT_EQ(render({kPanel, "--click", "Old_COM1@1,1", "-o", out.string()}), 1);      // no click area there
    EXPECT_EQ(render({kPanel, "--click", "Old_Radio@20,105", "-o", out.string()}), 1);  // no such gauge placed
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(render({kPanel, "--click", "Old_Radio@20,105", "-o", out.string()}), 1);
    EXPECT_EQ(err.str(), "panelhost: --click Old_Radio@20,105: no gauge \"Old_Radio\" on the panel\n");
    EXPECT_EQ(render({bad.string(), "-o", out.string()}), 1);
    EXPECT_EQ(err.str(), bad.string() + ":3: unknown gauge \"No_Such_Gauge\" (the module has no gauge of that name)\n");
    const std::string unwritable = (dir / "no_folder" / "panel.png").string();
    EXPECT_EQ(render({kPanel, "-o", unwritable}), 1);
    EXPECT_EQ(err.str().rfind(unwritable + ": cannot write the picture", 0), 0u) << err.str();
}

TEST(ScenarioRenderLines, GoToTheOutputFolderAndArePassedOverWithoutARenderer) {
    PanelHost host;
    Diagnostics error;
    ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    const std::string text = "place Airspeed_Kts\nframe\nrender a.png\nrender b.png night\n";
    std::vector<std::string> drawn;
    ScenarioHooks hooks;
    hooks.output_dir = "/pictures";
    hooks.render = [&](GaugeHost&, const PanelConfig* panel, const std::string& path, bool night, Diagnostics&) {
        drawn.push_back(path + (night ? " night" : "") + (panel ? " panel" : ""));
    };
    Diagnostics result = run_scenario(host, text, "test.scn", hooks);
    EXPECT_TRUE(result.ok()) << result;
    EXPECT_EQ(drawn, (std::vector<std::string>{"/pictures/a.png", "/pictures/b.png night"}));
    result = run_scenario(host, "render c.png dusk\n", "test.scn", hooks);
    EXPECT_EQ(result.errors(), std::vector<std::string>{"test.scn:1: render needs FILE.png [night]"});
    EXPECT_TRUE(run_scenario(host, text, "test.scn").ok());  // no renderer: nothing drawn, no failure
}

TEST(ScenarioRenderLines, ADrawingsErrorsTakeTheScenarioLine) {
    PanelHost host;
    Diagnostics error;
    ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    ScenarioHooks hooks;
    hooks.render = [](GaugeHost&, const PanelConfig*, const std::string& path, bool, Diagnostics& diagnostics) {
        diagnostics.error(path, 0, "cannot write the picture");
        diagnostics.error("no module loaded");
    };
    const Diagnostics result = run_scenario(host, "frame\nrender a.png\n", "test.scn", hooks);
    EXPECT_EQ(result.errors(),
              (std::vector<std::string>{"a.png: cannot write the picture", "test.scn:2: no module loaded"}));
    EXPECT_EQ(result.notes(), std::vector<std::string>{"test.scn:2: note: in the picture this line draws"});
}
