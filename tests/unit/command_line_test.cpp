// The command line as a user types it: help, version, usage errors and exit codes, the
// module given before or after the command.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/cli/commands.h"

namespace {

struct Outcome {
    int code = -1;
    std::string out, err;
};

Outcome panelhost(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Outcome run;
    run.code = run_command_line(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(CommandLine, HelpListsEveryCommandAndEachCommandHasItsOwn) {
    const Outcome help = panelhost({"--help"});
    EXPECT_EQ(help.code, 0);
    for (const char* command : {"gauges", "dump", "run", "render", "--module", "--version"})
        EXPECT_TRUE(has(help.out, command)) << command << "\n" << help.out;
    const Outcome render = panelhost({"render", "--help"});
    EXPECT_EQ(render.code, 0);
    for (const char* option : {"panelhost render", "--set", "--click", "--frames", "--night", "-o,--output", "0x2175"})
        EXPECT_TRUE(has(render.out, option)) << option << "\n" << render.out;
    const Outcome run = panelhost({"run", "--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(has(run.out, "SCENARIO") && has(run.out, "--out")) << run.out;
}

TEST(CommandLine, VersionIsTheProjects) {
    const Outcome run = panelhost({"--version"});
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "panelhost " TARVOLEN_VERSION_TEXT "\n");
}

TEST(CommandLine, UsageErrorsExitTwoAndSayWhatIsWrong) {
    const struct {
        std::vector<std::string> args;
        std::string first_line;
    } cases[] = {
        {{}, "panelhost: no command given"},
        {{"fly"}, "panelhost: unknown command \"fly\""},
        {{"render", TARVOLEN_SOURCE_DIR "/examples/panel.cfg", "--frames", "x", "-o", "a.png"},
         "panelhost: --frames: \"x\" is not a number"},
        {{"render", TARVOLEN_SOURCE_DIR "/examples/panel.cfg"}, "panelhost: --output is required"},
        {{"run"}, "panelhost: SCENARIO is required"},
        {{"gauges", "extra"}, "panelhost: The following argument was not expected: extra"},
        {{"dump", "--module"}, "panelhost: --module: 1 required PATH missing"},
    };
    for (const auto& c : cases) {
        const Outcome run = panelhost(c.args);
        EXPECT_EQ(run.code, 2) << c.first_line;
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.first_line);
        EXPECT_TRUE(has(run.err, "--help lists")) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST(CommandLine, TheModuleMayBeNamedBeforeOrAfterTheCommandOrAsDumpsArgument) {
    const Outcome before = panelhost({"--module", TARVOLEN_MODULE_PATH, "gauges"});
    ASSERT_EQ(before.code, 0) << before.err;
    EXPECT_TRUE(has(before.out, "Old_COM1\n"));
    const Outcome after = panelhost({"gauges", "--module", TARVOLEN_MODULE_PATH});
    EXPECT_EQ(after.out, before.out);
    const Outcome dump = panelhost({"dump", TARVOLEN_MODULE_PATH});
    ASSERT_EQ(dump.code, 0) << dump.err;
    EXPECT_EQ(dump.out.rfind("{\"gauges\":[", 0), 0u);
    EXPECT_EQ(panelhost({"dump", "--module", TARVOLEN_MODULE_PATH}).out, dump.out);
}

TEST(CommandLine, FailuresExitOneWithFileAndLine) {
    const Outcome missing_module = panelhost({"gauges", "--module", "/nonexistent/module.so"});
    EXPECT_EQ(missing_module.code, 1);
    EXPECT_EQ(missing_module.err, "/nonexistent/module.so: cannot open gauge module: no such file\n");
    const Outcome missing_scenario = panelhost({"run", "/nonexistent/flight.scn", "--module", TARVOLEN_MODULE_PATH});
    EXPECT_EQ(missing_scenario.code, 1);
    EXPECT_EQ(missing_scenario.err, "/nonexistent/flight.scn: cannot open scenario: no such file\n");

    const std::filesystem::path scenario = std::filesystem::path(testing::TempDir()) / "command_line_test.scn";
    std::ofstream(scenario) << "place Airspeed_Kts\nframe 1.5\nset 0x10000000000 1\nframe 0x2\n";
    const Outcome run = panelhost({"run", scenario.string(), "--module", TARVOLEN_MODULE_PATH});
    std::filesystem::remove(scenario);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, scenario.string() + ":2: frame takes an optional count: \"1.5\" is not a whole number\n" +
                           scenario.string() +
                           ":3: set needs TOKEN VALUE: \"0x10000000000\" is out of range (0 to 4294967295)\n");
    EXPECT_TRUE(has(run.out, "{\"op\":\"install\"")) << run.out;  // the trace is printed all the same
}

TEST(CommandLine, ExpectOfAnUnknownVariableIsRefusedAsSetIs) {
    // Before: `expect var 99999 0` passed (an unknown token reads as 0).
    const std::filesystem::path scenario =
        std::filesystem::path(testing::TempDir()) / ("expect_unknown_var_" + std::to_string(getpid()) + ".scn");
    std::ofstream(scenario) << "place Airspeed_Kts\nframe\nexpect var 99999 0\nset 99999 0\n";
    const Outcome run = panelhost({"run", scenario.string(), "--module", TARVOLEN_MODULE_PATH});
    std::filesystem::remove(scenario);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.err, scenario.string() + ":3: unknown variable token 99999\n" + scenario.string() +
                           ":4: unknown variable token 99999\n");
}

TEST(CommandLine, ModuleNamedWithoutAFolderIsTheCurrentFoldersFile) {
    // Before: dlopen looked for a bare name on the library path ("cannot open shared object file").
    const std::filesystem::path folder =
        std::filesystem::path(testing::TempDir()) / ("bare_module_name_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(TARVOLEN_MODULE_PATH, folder / "copy.so",
                               std::filesystem::copy_options::overwrite_existing);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const Outcome gauges = panelhost({"gauges", "--module", "copy.so"});
    std::filesystem::current_path(before);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(gauges.code, 0) << gauges.err;
    EXPECT_TRUE(has(gauges.out, "Old_COM1\n")) << gauges.out;
}
