// The findings list of a served panel: the designer's notes, each item tied to its
// window and gauge, and the checker's findings read back from its own process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
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

TEST_F(Findings, EachToggleNamesTheWindowsItsClickWorks) {
    const std::string text =
        "[Window Titles]\nWindow00=Main\nWindow01=Radios\nWindow02=Spare radios\n\n"
        "[Window00]\nsize_mm=640,480\nident=MAIN_PANEL\n"
        "gauge00=Tarvolen_Instr!Radios_Toggle, 0, 0, 19, 19, tRADIO_STACK_PANEL\n"  // line 9
        "gauge01=Tarvolen_Instr!Compass_Toggle, 20, 0\n"
        "gauge02=Tarvolen_Instr!GPS_Toggle, 40, 0, 19, 19, c0 o50 // t50\n"
        "gauge03=Tarvolen_Instr!Throttle_Toggle, 60, 0, 19, 19, t75\n"
        "gauge04=Tarvolen_Instr!Invisible_Toggle, 80, 0, 19, 19, hTOGGLE_GPS_WINDOW\n"
        "gauge05=Tarvolen_Instr!Old_COM1, 100, 0\n"
        "gauge06=Tarvolen_Instr!Map_Toggle, 300, 0\n\n"
        "[Window01]\nsize_mm=200,100\nident=50\n"
        "gauge00=Tarvolen_Instr!Close_Subpanel, 0, 0\n\n"  // line 20
        "[Window02]\nsize_mm=200,100\nident=RADIO_STACK_PANEL\n";
    Diagnostics read;
    const PanelConfig panel = parse_panel_config(text, "panel.cfg", read);
    Diagnostics notes;
    designer_notes(panel, notes);
    std::map<int, std::string> at_line;
    for (const Diagnostic& item : notes.items())
        if (item.what.find("click") != std::string::npos) at_line[item.line] += item.what;
    // Both windows of ident 50 are named.
    EXPECT_EQ(at_line[9],
              "Radios_Toggle (gauge00): a click toggles [Window01] Radios and [Window02] Spare radios (ident 50)");
    // Without parameters the click closes its own window: here the main panel.
    EXPECT_EQ(at_line[10],
              "Compass_Toggle (gauge01) has no parameters: a click closes the window it is on, [Window00] Main "
              "(the main panel)");
    // Every o before every c, as the module sends them; the t behind the mark is not read.
    EXPECT_EQ(at_line[11],
              "GPS_Toggle (gauge02): a click opens [Window01] Radios and [Window02] Spare radios (ident 50), then "
              "closes [Window00] Main (ident 0)");
    EXPECT_EQ(at_line.count(12), 0u);  // ident 75: no window has it, which the checker says
    EXPECT_NE(at_line[13].find("a click changes no window"), std::string::npos);
    EXPECT_EQ(at_line.count(14), 0u);  // a radio
    EXPECT_EQ(at_line.count(15), 0u);  // the map toggle sends the simulator's own event
    EXPECT_NE(at_line[20].find("closes the window it is on, [Window01] Radios"), std::string::npos);
    EXPECT_EQ(at_line[20].find("main panel"), std::string::npos);
}

TEST_F(Findings, AnXmlGaugesClickNamesTheWindowsItsPanelEventsWorkAndAnIdentNoWindowHas) {
    // The numbers pushed right before the events, in the script's order; a computed one
    // and another event are passed over.
    const std::vector<ToggleClick::Command> sent = xml_window_commands(
        "50 (>K:PANEL_ID_TOGGLE) 75.0 (>K:panel_id_open) (L:Win, number) (>K:PANEL_ID_CLOSE) 9 (>K:PANEL_ID_CLOSE) "
        "1 (>K:TOGGLE_MASTER_BATTERY)");
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].letter, 't');
    EXPECT_EQ(sent[0].ident, 50);
    EXPECT_EQ(sent[1].letter, 'o');
    EXPECT_EQ(sent[1].ident, 75);
    EXPECT_EQ(sent[2].letter, 'c');
    EXPECT_EQ(sent[2].ident, 9);
    const std::string text =
        "[Window Titles]\nWindow00=Main\nWindow01=Radios\n\n"
        "[Window00]\nsize_mm=640,480\n"
        "gauge00=172Things!Radios, 0, 0, 19, 19\n\n"  // line 7
        "[Window01]\nsize_mm=200,100\nident=50\n";
    Diagnostics read;
    const PanelConfig panel = parse_panel_config(text, "panel.cfg", read);
    Diagnostics notes;
    xml_toggle_note(panel, 0, 0, sent, notes);
    ASSERT_EQ(notes.items().size(), 3u) << notes;
    EXPECT_EQ(notes.items()[0].line, 7);
    EXPECT_EQ(notes.items()[0].what, "172Things!Radios (gauge00): a click toggles [Window01] Radios (ident 50)");
    EXPECT_NE(notes.items()[1].what.find("names window 75, which no window of this file has"), std::string::npos);
    EXPECT_NE(notes.items()[2].what.find("names window 9,"), std::string::npos);
}

// A pipe of one page, filled to the brim: a writer to it blocks until its reader reads.
struct FullPipe {
    int fds[2] = {-1, -1};
    FullPipe() {
        EXPECT_EQ(::pipe(fds), 0);
        ::fcntl(fds[1], F_SETPIPE_SZ, 4096);
        ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
        const std::string filler(4096, '.');
        while (::write(fds[1], filler.data(), filler.size()) > 0) {
        }
        ::fcntl(fds[1], F_SETFL, 0);  // the printer meets a blocking descriptor, as stdout is
    }
    ~FullPipe() {
        ::close(fds[0]);
        ::close(fds[1]);
    }
    // Everything the pipe holds, once its writer has stopped.
    std::string drain() {
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        std::string all;
        char buffer[4096];
        for (ssize_t n; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) all.append(buffer, static_cast<size_t>(n));
        return all;
    }
};

TEST(ReportPrinter, AFullPipeDropsTheOldestReportsAndNeverBlocksPrintOrStop) {
    FullPipe pipe;
    ReportPrinter printer(pipe.fds[1]);
    for (int i = 0; i < 20; ++i) printer.print("report " + std::to_string(i) + "\n");
    // The writer holds the first it took, waiting for room; eight more wait; the rest
    // were dropped, oldest first.
    while (printer.dropped() < 11) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_LE(printer.dropped(), 12u);
    printer.stop();  // with the pipe still full: it returns, what waits is dropped
    printer.print("after the stop\n");
    const std::string out = pipe.drain();
    EXPECT_EQ(out.find("report 19"), std::string::npos);
    EXPECT_EQ(out.find("after the stop"), std::string::npos);
}

TEST(ReportPrinter, AReaderThatReadsAgainGetsTheNewestReportsAndHowManyWereDropped) {
    FullPipe pipe;
    ReportPrinter printer(pipe.fds[1]);
    for (int i = 0; i < 20; ++i) printer.print("report " + std::to_string(i) + "\n");
    while (printer.dropped() < 11) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::string out;
    char buffer[4096];
    while (out.find("report 19\n") == std::string::npos) {
        const ssize_t n = ::read(pipe.fds[0], buffer, sizeof buffer);
        ASSERT_GT(n, 0);
        out.append(buffer, static_cast<size_t>(n));
    }
    const size_t dropped = printer.dropped();
    EXPECT_NE(out.find("panelhost: " + std::to_string(dropped) + " findings reports were not printed"),
              std::string::npos)
        << out;
    for (int i = 12; i < 20; ++i) EXPECT_NE(out.find("report " + std::to_string(i) + "\n"), std::string::npos) << i;
    EXPECT_EQ(out.find("report 5\n"), std::string::npos);
}

TEST(ReportPrinter, AStreamGetsEveryReportInOrder) {
    std::ostringstream out;
    {
        ReportPrinter printer(out);
        printer.print("one\n");
        printer.print("two\n");
    }  // the destructor prints what waits before it ends
    EXPECT_EQ(out.str(), "one\ntwo\n");
}

}  // namespace
