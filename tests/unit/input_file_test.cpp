// Files the user names: special files refused by their kind before anything reads them
// (a FIFO or a terminal would be waited on forever), sizes bounded, in every reader.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/base/input_file.h"
#include "host/bridge/open_host.h"
#include "host/panel/panel_config.h"
#include "host/render/panel_bitmaps.h"
#include "host/serve/live_panel.h"

namespace fs = std::filesystem;

namespace {

constexpr InputFile kSmall{"scenario", 16};

class SpecialFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("input_file_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
               std::to_string(getpid()));
        fs::create_directories(dir / "folder");
        fifo = (dir / "fifo").string();
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        socket_path = (dir / "socket").string();
        socket_fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(socket_path.size(), sizeof address.sun_path);
        socket_path.copy(address.sun_path, socket_path.size());
        ASSERT_EQ(bind(socket_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    void TearDown() override {
        close(socket_fd);
        fs::remove_all(dir);
    }
    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    // Each special path with the kind its refusal names.
    std::vector<std::pair<std::string, std::string>> special() const {
        return {{fifo, "is a FIFO (named pipe)"},
                {(dir / "folder").string(), "is a folder"},
                {"/dev/null", "is a character device"},
                {socket_path, "is a socket"}};
    }

    fs::path dir;
    std::string fifo, socket_path;
    int socket_fd = -1;
};

}  // namespace

TEST_F(SpecialFiles, EveryKindIsRefusedByNameWithoutWaiting) {
    const auto start = std::chrono::steady_clock::now();
    for (const auto& [path, kind] : special()) {
        std::string text, error;
        EXPECT_FALSE(read_input_file(path, SCENARIO_FILE, text, error)) << path;
        EXPECT_EQ(error, kind + ", not a scenario file") << path;
        std::vector<uint8_t> head;
        EXPECT_FALSE(read_input_head(path, MODULE_FILE, 64, head, error)) << path;
        EXPECT_EQ(error, kind + ", not a gauge module file") << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    std::string text, error;
    EXPECT_FALSE(read_input_file((dir / "none").string(), SCENARIO_FILE, text, error));
    EXPECT_EQ(error, "cannot open scenario: no such file");
    EXPECT_EQ(file_kind(fifo), FileKind::fifo);
    EXPECT_EQ(file_kind((dir / "none").string()), FileKind::missing);
}

TEST_F(SpecialFiles, SizesAreBoundedBeforeReadingAndHeadsReadOnlyTheirBytes) {
    std::string text, error;
    EXPECT_TRUE(read_input_file(write("full.scn", std::string(16, 'a')), kSmall, text, error)) << error;
    EXPECT_EQ(text, std::string(16, 'a'));
    EXPECT_FALSE(read_input_file(write("over.scn", std::string(17, 'a')), kSmall, text, error));
    EXPECT_EQ(error, "larger than 16 bytes: too large for a scenario");
    std::vector<uint8_t> head;
    EXPECT_TRUE(read_input_head(write("long.bin", std::string(100, 'b')), MODULE_FILE, 8, head, error)) << error;
    EXPECT_EQ(head, std::vector<uint8_t>(8, 'b'));
    EXPECT_TRUE(read_input_head(write("short.bin", "MZ"), MODULE_FILE, 8, head, error)) << error;
    EXPECT_EQ(head.size(), 2u);
}

TEST_F(SpecialFiles, ModuleOver64MbIsRefusedBeforeItIsRead) {
    const fs::path huge = dir / "huge.gau";
    std::ofstream(huge) << "MZ";
    fs::resize_file(huge, (64u << 20) + 1);  // sparse: nothing is written
    Diagnostics diagnostics;
    EXPECT_EQ(OpenedHost::open(huge.string(), {}, diagnostics), nullptr);
    EXPECT_EQ(diagnostics.errors(),
              std::vector<std::string>{huge.string() + ": larger than 64 MB: too large for a gauge module"});
}

TEST_F(SpecialFiles, ModuleFifoIsRefusedInsteadOfWaitedOn) {
    for (const auto& [path, kind] : special()) {
        Diagnostics diagnostics;
        EXPECT_EQ(OpenedHost::open(path, {}, diagnostics), nullptr);
        EXPECT_EQ(diagnostics.errors(), std::vector<std::string>{path + ": " + kind + ", not a gauge module file"});
        PanelHost host;
        Diagnostics loading;
        EXPECT_FALSE(host.load_module(path, loading));
        EXPECT_EQ(loading.errors(), diagnostics.errors());
    }
}

TEST_F(SpecialFiles, MzFileWithItsPeHeaderCutShortIsNamedSoNotCalledAnElfFile) {
    std::string mz(64, '\0');
    mz[0] = 'M', mz[1] = 'Z', mz[0x3C] = 0x40;  // the PE header would be at 64: the file ends there
    const std::string cut = write("cut.gau", mz);
    Diagnostics diagnostics;
    EXPECT_EQ(OpenedHost::open(cut, {}, diagnostics), nullptr);
    EXPECT_EQ(
        diagnostics.errors(),
        std::vector<std::string>{cut + ": a Windows (MZ) file whose PE header is cut short: not a whole gauge module"});
    const std::string dos = write("dos.exe", mz + std::string(64, 'x'));
    Diagnostics other;
    EXPECT_EQ(OpenedHost::open(dos, {}, other), nullptr);
    EXPECT_EQ(other.errors(),
              std::vector<std::string>{
                  dos + ": a Windows (MZ) file without a PE header (a DOS program?): not a gauge module"});
}

TEST_F(SpecialFiles, PanelConfigBitmapAndServedScenarioAreRefusedByKind) {
    for (const auto& [path, kind] : special()) {
        Diagnostics diagnostics;
        read_panel_config(path, diagnostics);
        EXPECT_EQ(diagnostics.errors(),
                  std::vector<std::string>{path + ": " + kind + ", not a panel configuration file"});
        Bitmap bitmap;
        std::string error;
        EXPECT_FALSE(read_bmp_file(path, bitmap, error));
        EXPECT_EQ(error, kind + ", not a bitmap file");
    }
}

TEST_F(SpecialFiles, BackgroundBitmapFifoIsNamedByItsKindNotAsMissing) {
    Diagnostics diagnostics;
    const PanelConfig panel =
        parse_panel_config("[Window00]\nfile=FIFO\nsize_mm=100,100\n", (dir / "panel.cfg").string(), diagnostics);
    const PanelBackgrounds backgrounds(panel, 1024, diagnostics);
    EXPECT_EQ(backgrounds.find(0), nullptr);
    ASSERT_EQ(diagnostics.notes().size(), 1u) << diagnostics;
    EXPECT_NE(diagnostics.notes()[0].find("background bitmap " + fifo + ": is a FIFO (named pipe), not a bitmap file"),
              std::string::npos)
        << diagnostics;
}

TEST_F(SpecialFiles, ServeScenarioFifoOrFolderIsRefusedAsRunRefusesIt) {
    for (const auto& [path, kind] : special()) {
        LiveOptions options;
        options.module_path = TARVOLEN_MODULE_PATH;
        options.panel_path = TARVOLEN_SOURCE_DIR "/examples/panel.cfg";
        options.scenario_path = path;
        LivePanel panel;
        Diagnostics diagnostics;
        EXPECT_FALSE(panel.open(options, diagnostics)) << path;
        EXPECT_EQ(diagnostics.errors(), std::vector<std::string>{path + ": " + kind + ", not a scenario file"});
    }
}
