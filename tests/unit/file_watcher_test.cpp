// The watch on a served panel's files: saves in place and by rename are seen, other
// files of the folder are not, and a waiting thread can be woken.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "host/serve/file_watcher.h"
#include "tests/unit/panels/panel_files.h"

namespace {

using FileWatch = PanelFolder;

TEST_F(FileWatch, SaveInPlaceAndSaveByRenameAreSeen) {
    const std::string panel = write("panel.cfg", "[Window00]\n");
    const std::string bitmap = write("Main.BMP", "BM");
    FileWatcher watcher;
    ASSERT_TRUE(watcher.ok()) << watcher.error();
    watcher.watch({panel, (dir / "main.bmp").string()});

    write("panel.cfg", "[Window00]\nsize_mm=10\n");
    EXPECT_EQ(watcher.wait(2000), std::vector<std::string>{panel});

    // An editor's save: a new file renamed over the old one.
    write("panel.cfg.swp", "[Window00]\nsize_mm=20\n");
    std::filesystem::rename(dir / "panel.cfg.swp", panel);
    EXPECT_EQ(watcher.wait(2000), std::vector<std::string>{panel});
    // And again: the watch did not stay on the file that was replaced.
    write("panel.cfg.swp", "[Window00]\nsize_mm=30\n");
    std::filesystem::rename(dir / "panel.cfg.swp", panel);
    EXPECT_EQ(watcher.wait(2000), std::vector<std::string>{panel});

    // A bitmap named in another case, as Windows finds it.
    write("Main.BMP", "BM2");
    EXPECT_EQ(watcher.wait(2000), std::vector<std::string>{(dir / "main.bmp").string()});
}

TEST_F(FileWatch, OtherFilesOfTheFolderAreNotChanges) {
    const std::string panel = write("panel.cfg", "[Window00]\n");
    FileWatcher watcher;
    watcher.watch({panel});
    write("notes.txt", "x");
    EXPECT_TRUE(watcher.wait(150).empty());
}

TEST_F(FileWatch, WakeEndsAWaitAtOnce) {
    const std::string panel = write("panel.cfg", "[Window00]\n");
    FileWatcher watcher;
    watcher.watch({panel});
    const auto start = std::chrono::steady_clock::now();
    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        watcher.wake();
    });
    EXPECT_TRUE(watcher.wait(10000).empty());
    waker.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
