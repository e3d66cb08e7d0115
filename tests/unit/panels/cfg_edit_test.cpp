// The panel.cfg editor: a move rewrites only the numbers that changed on one line and
// keeps every other byte; adding and removing gauges; the file's version, backup,
// atomic write and undo. The results are read back with the panel reader, which parses
// the file its own way.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/panel/cfg_edit.h"
#include "host/panel/panel_config.h"
#include "host/panel/text.h"
#include "tests/unit/panels/panel_files.h"

namespace {

PanelConfig parse(const std::string& text) {
    Diagnostics diagnostics;
    return parse_panel_config(text, "panel.cfg", diagnostics);
}

const PanelGauge* gauge_of(const PanelConfig& panel, int window, int index) {
    for (const PanelWindow& w : panel.windows)
        if (w.index == window)
            for (const PanelGauge& g : w.gauges)
                if (g.index == index) return &g;
    return nullptr;
}

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A file as authors write them: byte-order mark, CRLF, cp1252 in a comment, tabs, odd
// case, a gauge without size, parameters with commas and comment marks.
const std::string kAuthored =
    "\xEF\xBB\xBF[Window Titles]\r\nWindow00=Main Panel\r\n\r\n"
    "// Caf\xE9 panel \xA9 someone\r\n"
    "[WINDOW00]\r\nsize_mm=640,480\r\nWindow_Pos= 0.250 ,0.1\r\n"
    "Gauge00 = Tarvolen_Instr!Old_COM1 ,\t10,  20 , 100,50 // comm radio\r\n"
    "gauge01=Tarvolen_Instr!Toggle_Window, 300, 40, 20, 20, w1,b10 // keep, this\r\n"
    "gauge02=Other!Thing,5,6\r\n"
    "; last\r\n";

TEST(CfgEdit, MoveChangesOnlyTheNumbersOfThatLine) {
    std::string out;
    const CfgEditResult result = edit_cfg_text(kAuthored, "Window00", "gauge00", {12.0, 20.0, {}, {}}, out);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(result.line, 8);
    EXPECT_EQ(result.line_text, "Gauge00 = Tarvolen_Instr!Old_COM1 ,\t12,  20 , 100,50 // comm radio");
    std::string expected = kAuthored;
    expected.replace(expected.find("\t10"), 3, "\t12");
    EXPECT_EQ(out, expected);
    EXPECT_EQ(gauge_of(parse(out), 0, 0)->x, 12);
}

TEST(CfgEdit, ResizeKeepsTheParameterStringAndItsCommentMarks) {
    std::string out;
    ASSERT_TRUE(edit_cfg_text(kAuthored, "window00", "GAUGE01", {{}, {}, 24.0, 26.0}, out).ok());
    std::string expected = kAuthored;
    expected.replace(expected.find("20, 20, w1"), 10, "24, 26, w1");
    EXPECT_EQ(out, expected);
    const PanelConfig panel = parse(out);
    const PanelGauge* g = gauge_of(panel, 0, 1);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->w, 24);
    EXPECT_EQ(*g->parameters, "w1,b10 // keep, this");
}

TEST(CfgEdit, SizeAddedToALineThatHasNone) {
    std::string out;
    const CfgEditResult result = edit_cfg_text(kAuthored, "Window00", "gauge02", {{}, {}, 30.0, 40.0}, out);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(result.line_text, "gauge02=Other!Thing,5,6,30,40");
    const PanelConfig panel = parse(out);
    const PanelGauge* g = gauge_of(panel, 0, 2);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->w, 30);
    EXPECT_EQ(g->h, 40);
}

TEST(CfgEdit, WindowPositionKeepsItsDecimalsAndSizeIsAddedAsALine) {
    std::string out;
    const CfgEditResult result = edit_cfg_text(kAuthored, "Window00", "window", {0.3, {}, 0.5, 0.4}, out);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_NE(out.find("Window_Pos= 0.300 ,0.1\r\n"), std::string::npos);
    EXPECT_NE(out.find("gauge02=Other!Thing,5,6\r\nwindow_size=0.5,0.4\r\n; last"), std::string::npos);
    const PanelConfig panel = parse(out);
    const PanelWindow& window = panel.windows.at(0);
    EXPECT_DOUBLE_EQ(window.window_pos->x, 0.3);
    EXPECT_DOUBLE_EQ(window.window_size->x, 0.5);
    EXPECT_DOUBLE_EQ(window.window_size->y, 0.4);
    std::string back;
    ASSERT_TRUE(edit_cfg_text(out, "Window00", "window", {0.25, {}, {}, {}}, back).ok());
    EXPECT_NE(back.find("Window_Pos= 0.250 ,0.1\r\n"), std::string::npos);
}

TEST(CfgEdit, AddedGaugeIsTheNextNumberInTheFilesCaseAndLineEnding) {
    std::string out;
    const CfgEditResult result =
        add_cfg_gauge(kAuthored, "Window00", "Tarvolen_Instr!ADF_Radio", {50.0, 60.0, 80.0, {}}, out);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(result.key, "gauge03");
    EXPECT_EQ(result.line_text, "gauge03=Tarvolen_Instr!ADF_Radio, 50, 60, 80");
    EXPECT_NE(out.find("gauge02=Other!Thing,5,6\r\ngauge03=Tarvolen_Instr!ADF_Radio, 50, 60, 80\r\n; last"),
              std::string::npos);
    const PanelConfig panel = parse(out);
    const PanelGauge* g = gauge_of(panel, 0, 3);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->name, "ADF_Radio");
    EXPECT_EQ(g->line, result.line);

    std::string removed;
    ASSERT_TRUE(remove_cfg_line(out, "Window00", "gauge03", removed).ok());
    EXPECT_EQ(removed, kAuthored);
}

TEST(CfgEdit, AddedToAFileWithoutAFinalLineEnding) {
    const std::string text = "[Window00]\nsize_mm=100\ngauge07=A!B,1,2";
    std::string out;
    ASSERT_TRUE(add_cfg_gauge(text, "Window00", "A!C", {3.0, 4.0, {}, {}}, out).ok());
    EXPECT_EQ(out, "[Window00]\nsize_mm=100\ngauge07=A!B,1,2\ngauge08=A!C, 3, 4");
}

TEST(CfgEdit, WindowsAndGaugesAreFoundByTheirNumbersAsTheReaderFindsThem) {
    const std::string text = "[window1]\nGauge3=A!B, 1, 2\n";
    std::string out;
    const CfgEditResult result = edit_cfg_text(text, "Window01", "gauge03", {5.0, {}, {}, {}}, out);
    ASSERT_TRUE(result.ok()) << result.message;
    EXPECT_EQ(out, "[window1]\nGauge3=A!B, 5, 2\n");
}

TEST(CfgEdit, RefusesWhatItCannotWrite) {
    std::string out;
    EXPECT_EQ(edit_cfg_text(kAuthored, "Window09", "gauge00", {1.0, {}, {}, {}}, out).status, 404);
    EXPECT_EQ(edit_cfg_text(kAuthored, "Window00", "gauge09", {1.0, {}, {}, {}}, out).status, 404);
    EXPECT_EQ(edit_cfg_text(kAuthored, "Window00", "size_mm", {1.0, {}, {}, {}}, out).status, 404);
    EXPECT_EQ(edit_cfg_text(kAuthored, "Window00", "gauge00", {{}, {}, -1.0, {}}, out).status, 422);
    EXPECT_EQ(edit_cfg_text(kAuthored, "Window00", "gauge00", {1e9, {}, {}, {}}, out).status, 422);
    EXPECT_EQ(add_cfg_gauge(kAuthored, "Window00", "A!B, 1, 2\r\ngauge99=X!Y", {1.0, 2.0, {}, {}}, out).status, 422);
    EXPECT_EQ(add_cfg_gauge(kAuthored, "Window00", "NoBang", {1.0, 2.0, {}, {}}, out).status, 422);
    EXPECT_EQ(edit_cfg_text("[Window00]\ngauge00=A!B,x1,2\n", "Window00", "gauge00", {5.0, {}, {}, {}}, out).status,
              422);
}

// Every panel file of the project and of the real panels beside it: each gauge moved
// and moved back gives the file byte for byte; the move itself is seen by the reader.
void round_trip(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    const std::string text = bytes.str();
    const PanelConfig panel = parse(text);
    int moved = 0;
    for (const PanelWindow& window : panel.windows) {
        char section[16];
        std::snprintf(section, sizeof section, "Window%02d", window.index);
        for (const PanelGauge& gauge : window.gauges) {
            char key[16];
            std::snprintf(key, sizeof key, "gauge%02d", gauge.index);
            std::string there, back;
            const CfgEditResult go = edit_cfg_text(text, section, key, {gauge.x + 7.0, gauge.y - 3.0, {}, {}}, there);
            ASSERT_TRUE(go.ok()) << path << ":" << gauge.line << ": " << go.message;
            const PanelConfig moved_panel = parse(there);
            const PanelGauge* seen = gauge_of(moved_panel, window.index, gauge.index);
            ASSERT_NE(seen, nullptr) << path << ":" << gauge.line;
            EXPECT_EQ(seen->x, gauge.x + 7) << path << ":" << gauge.line;
            EXPECT_EQ(seen->y, gauge.y - 3) << path << ":" << gauge.line;
            ASSERT_TRUE(edit_cfg_text(there, section, key, {double(gauge.x), double(gauge.y), {}, {}}, back).ok());
            ASSERT_EQ(back, text) << path << ":" << gauge.line;
            ++moved;
        }
    }
    // A file without windows (only views or colours) has nothing to move.
    EXPECT_TRUE(moved > 0 || panel.windows.empty()) << path;
}

TEST(CfgEdit, EveryGaugeOfTheProjectsPanelsMovesAndBackByteForByte) {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(TARVOLEN_SOURCE_DIR)) {
        const std::string path = entry.path().string();
        if (entry.path().extension() != ".cfg" || path.find("/build/") != std::string::npos ||
            path.find("/.git/") != std::string::npos)
            continue;
        SCOPED_TRACE(path);
        round_trip(path);
        ++files;
    }
    EXPECT_GE(files, 2);
}

TEST(CfgEdit, EveryGaugeOfTheRealPanelsMovesAndBackByteForByte) {
    const fs::path cases = fs::path(TARVOLEN_SOURCE_DIR).parent_path() / "shared/realpanels/cases";
    const fs::path aircraft = fs::path(TARVOLEN_SOURCE_DIR).parent_path() / "shared/realaircraft";
    int files = 0;
    for (const fs::path& root : {cases, aircraft}) {
        if (!fs::is_directory(root)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            if (lower(entry.path().filename().string()) != "panel.cfg") continue;
            SCOPED_TRACE(entry.path().string());
            round_trip(entry.path().string());
            ++files;
        }
    }
    if (files == 0) GTEST_SKIP() << "no real panels beside the project";
}

using CfgFile = PanelFolder;

TEST_F(CfgFile, EditWritesAtomicallyKeepsABackupAndUndoRestoresByteForByte) {
    const std::string path = write("panel.cfg", kAuthored);
    ::chmod(path.c_str(), 0640);
    PanelCfgFile file;
    std::string error;
    ASSERT_TRUE(file.open(path, error)) << error;
    const std::string v0 = file.version();
    const CfgEditResult moved = file.edit("Window00", "gauge00", {40.0, 20.0, {}, {}}, v0);
    ASSERT_TRUE(moved.ok()) << moved.message;
    EXPECT_NE(moved.version, v0);
    EXPECT_EQ(moved.version, cfg_text_version(read_bytes(path)));
    EXPECT_EQ(gauge_of(parse(read_bytes(path)), 0, 0)->x, 40);
    EXPECT_EQ(read_bytes(file.backup_path()), kAuthored);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);

    ASSERT_TRUE(file.edit("Window00", "gauge00", {41.0, {}, {}, {}}, moved.version).ok());
    // The backup stays the file as first opened.
    EXPECT_EQ(read_bytes(file.backup_path()), kAuthored);
    ASSERT_TRUE(file.undo("").ok());
    const CfgEditResult undone = file.undo("");
    ASSERT_TRUE(undone.ok()) << undone.message;
    EXPECT_EQ(read_bytes(path), kAuthored);
    EXPECT_EQ(undone.version, v0);
    EXPECT_EQ(file.undo("").status, 409);
    ASSERT_TRUE(file.redo("").ok());
    EXPECT_EQ(gauge_of(parse(read_bytes(path)), 0, 0)->x, 40);
    // No temporary file left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 2);
}

TEST_F(CfgFile, FileChangedOnDiskIsNeverOverwritten) {
    const std::string path = write("panel.cfg", kAuthored);
    PanelCfgFile file;
    std::string error;
    ASSERT_TRUE(file.open(path, error));
    const std::string seen = file.version();
    const std::string outside = kAuthored + "gauge05=Other!Late,1,1\r\n";
    write("panel.cfg", outside);
    const CfgEditResult refused = file.edit("Window00", "gauge00", {99.0, {}, {}, {}}, seen);
    EXPECT_EQ(refused.status, 409);
    EXPECT_EQ(read_bytes(path), outside);
    EXPECT_EQ(refused.version, cfg_text_version(outside));
    EXPECT_FALSE(fs::exists(file.backup_path()));
    // The old version stays refused; the new one is taken.
    EXPECT_EQ(file.edit("Window00", "gauge00", {99.0, {}, {}, {}}, seen).status, 409);
    ASSERT_TRUE(file.edit("Window00", "gauge00", {99.0, {}, {}, {}}, refused.version).ok());
    EXPECT_NE(read_bytes(path).find("gauge05=Other!Late"), std::string::npos);
}

TEST_F(CfgFile, LinkedPanelFileStaysALink) {
    const std::string target = write("real.cfg", kAuthored);
    const fs::path link = dir / "panel.cfg";
    fs::create_symlink(target, link);
    PanelCfgFile file;
    std::string error;
    ASSERT_TRUE(file.open(link.string(), error));
    ASSERT_TRUE(file.edit("Window00", "gauge00", {11.0, {}, {}, {}}, "").ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(gauge_of(parse(read_bytes(target)), 0, 0)->x, 11);
}

}  // namespace
