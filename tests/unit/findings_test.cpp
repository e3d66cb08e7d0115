// The findings list of a served panel: the designer's notes, each item tied to its
// window and gauge, and the checker's findings read back from its own process.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <nlohmann/json.hpp>

#include "host/serve/findings.h"
#include "tests/unit/panels/panel_files.h"

namespace {

const char* const kPanel =
    "[Window Titles]\nWindow00=Main\nWindow01=GPS\nWindow02=Radios\n\n"
    "[Window00]\nsize_mm=640,480\nident=MAIN_PANEL\n"
    "gauge00=Tarvolen_Instr!Old_COM1, 10, 10\n"
    "gauge01=Tarvolen_Instr!Old_COMM1, 10, 200\n"
    "gauge02=FarAway!Dial, 300, 10, 50, 50\n\n"
    "[Window01]\nsize_mm=200,100\nvisible=0\nident=10010\n\n"
    "[Window02]\nsize_mm=200,100\nident=10010\n";

using Findings = PanelFolder;

TEST_F(Findings, HiddenWindowsSharedIdentsAndPlaceholdersAreNotedAtTheirLines) {
    const std::string path = write("panel.cfg", kPanel);
    write("faraway.GAU", "MZ");
    Diagnostics read;
    const PanelConfig panel = parse_panel_config(kPanel, path, read);
    Diagnostics notes;
    designer_notes(panel, notes);
    const std::vector<Finding> findings = gather_findings(panel, {&read, &notes});
    ASSERT_EQ(findings.size(), 3u) << notes;
    EXPECT_EQ(findings[0].item.line, 11);  // the placeholder
    EXPECT_EQ(findings[0].window, 0);
    EXPECT_EQ(findings[0].gauge, 2);
    EXPECT_NE(findings[0].item.what.find((dir / "faraway.GAU").string()), std::string::npos);
    EXPECT_EQ(findings[1].item.line, 13);  // hidden
    EXPECT_EQ(findings[1].window, 1);
    EXPECT_EQ(findings[1].gauge, -1);
    EXPECT_EQ(findings[2].item.line, 18);  // the second window of ident 10010
    EXPECT_NE(findings[2].item.what.find("as [Window01] (line 13)"), std::string::npos);

    const auto json = nlohmann::json::parse(findings_json(findings));
    EXPECT_EQ(json["findings"][0]["text"], path + ":11: note: " + findings[0].item.what);
    EXPECT_EQ(json["findings"][1]["window"], 1);
}

TEST_F(Findings, CheckersFindingsComeBackFromItsProcessWithTheirLines) {
    const std::string path = write("panel.cfg", kPanel);
    Diagnostics found;
    std::string error;
    ASSERT_TRUE(run_check_process(TARVOLEN_PANELHOST_PATH, "", path, found, error)) << error;
    Diagnostics read;
    const PanelConfig panel = parse_panel_config(kPanel, path, read);
    const std::vector<Finding> findings = gather_findings(panel, {&found});
    const auto misspelt = std::find_if(findings.begin(), findings.end(), [](const Finding& f) {
        return f.item.what.find("did you mean Old_COM1") != std::string::npos;
    });
    ASSERT_NE(misspelt, findings.end()) << found;
    EXPECT_EQ(misspelt->item.line, 10);
    EXPECT_EQ(misspelt->gauge, 1);

    Diagnostics none;
    EXPECT_FALSE(run_check_process((dir / "no-such-program").string(), "", path, none, error));
}

// serve stopping while its first check ran (with a .gau, a check that starts Wine) waited
// seconds for it: the running check's process is known, and ending it ends the wait.
TEST_F(Findings, ACheckStillRunningCanBeEndedByItsProcessId) {
    const std::string path = write("panel.cfg", kPanel);
    const std::string slow = write("slow-check.sh", "#!/bin/sh\nexec sleep 30\n");
    std::filesystem::permissions(slow, std::filesystem::perms::owner_all);
    std::atomic<int> running{0};
    Diagnostics found;
    std::string error;
    std::thread stopper([&] {
        while (running.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ::kill(running.load(), SIGTERM);
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(run_check_process(slow, "", path, found, error, &running));
    stopper.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
    EXPECT_EQ(running.load(), 0);
    EXPECT_NE(error.find("the check stopped without its findings"), std::string::npos) << error;
}

}  // namespace
