// `panelhost render` and the render lines of scenarios, as a user runs them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/cli/render_command.h"
#include "host/cli/scenario.h"
#include "host/core/gauge_host.h"
#include "host/core/panel_host.h"

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
    int render(std::vector<std::string> args) { return render_command(args, TARVOLEN_MODULE_PATH); }

    fs::path dir;
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
    EXPECT_FALSE(fs::exists(out));
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
    EXPECT_EQ(render({kPanel, "-o", (dir / "no_folder" / "panel.png").string()}), 1);
}

TEST(ScenarioRenderLines, GoToTheOutputFolderAndArePassedOverWithoutARenderer) {
    PanelHost host;
    std::string error;
    ASSERT_TRUE(host.load_module(TARVOLEN_MODULE_PATH, error)) << error;
    const std::string text = "place Airspeed_Kts\nframe\nrender a.png\nrender b.png night\n";
    std::vector<std::string> drawn;
    ScenarioHooks hooks;
    hooks.output_dir = "/pictures";
    hooks.render = [&](GaugeHost&, const PanelConfig* panel, const std::string& path, bool night, std::string&) {
        drawn.push_back(path + (night ? " night" : "") + (panel ? " panel" : ""));
        return true;
    };
    ScenarioResult result = run_scenario(host, text, "test.scn", hooks);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(drawn, (std::vector<std::string>{"/pictures/a.png", "/pictures/b.png night"}));
    result = run_scenario(host, "render c.png dusk\n", "test.scn", hooks);
    ASSERT_FALSE(result.ok);
    EXPECT_EQ(result.messages[0], "test.scn:1: render needs FILE.png [night]");
    EXPECT_TRUE(run_scenario(host, text, "test.scn").ok);  // no renderer: nothing drawn, no failure
}
