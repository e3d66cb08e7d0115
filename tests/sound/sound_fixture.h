// The sound layer as the radio gauges use it, over the portable platform. Every test
// starts with the layer working, "FS2002.exe" running the module with its main window
// of class "FS98MAIN", and ends with nothing left alive and no misuse of the platform.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/portable/backend.h"
#include "radios/radio_common.h"
#include "sound/sound.h"

inline constexpr ModuleInstance MODULE = 0x10000000;
inline constexpr uint32_t CLICK_BYTES = 3828;

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_reset();
        sound_enabled = 1;
        backend_set_program_name("C:\\Program Files\\Microsoft Games\\FS2002\\FS2002.exe");
        main_window = backend_add_window("FS98MAIN");
        live_at_start = to_string(backend_live_objects());
    }

    void TearDown() override {
        for (const std::string& misuse : backend_misuse()) ADD_FAILURE() << "platform misuse: " << misuse;
        EXPECT_EQ(to_string(backend_live_objects()), live_at_start) << "objects left alive";
    }

    // How often op was called since the last reset.
    static size_t calls_of(PlatformOp op) {
        size_t n = 0;
        for (const PlatformOp called : backend_calls()) n += called == op ? 1 : 0;
        return n;
    }

    static BufferView view_of(const PlatformSoundBuffer* buffer) {
        BufferView view;
        EXPECT_TRUE(backend_buffer_view(buffer, view)) << "no such buffer";
        return view;
    }

    WindowHandle main_window = nullptr;
    std::string live_at_start;
};

inline std::vector<uint8_t> read_file(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* in = std::fopen(path.c_str(), "rb");
    if (in == nullptr) return bytes;
    uint8_t chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) != 0) bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(in);
    return bytes;
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), out), bytes.size());
    std::fclose(out);
}

// The committed click file, read from the source tree.
inline std::vector<uint8_t> click_file() { return read_file(TARVOLEN_RESOURCE_DIR "/click.wav"); }

// Its samples: the bytes after the 44-byte header.
inline std::vector<uint8_t> click_samples() {
    const std::vector<uint8_t> file = click_file();
    return file.size() > 44 ? std::vector<uint8_t>(file.begin() + 44, file.end()) : std::vector<uint8_t>();
}
