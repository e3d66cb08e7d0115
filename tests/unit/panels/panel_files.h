// Panel files and bitmaps written by the tests into a folder of their own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// A fresh folder per test, removed after it.
class PanelFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() /
              ("tarvolen_panels_" + std::to_string(getpid()) + "_" + info->test_suite_name() + "_" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const std::string& bytes) const {
        const fs::path path = dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    fs::path dir;
};

inline void put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8 & 0xFF);
}
inline void put32(std::string& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A bottom-up BMP file, 8 bits (a palette of the colours used, at most 256) or 24 bits,
// each pixel 0xRRGGBB from colour(x, y).
inline std::string bmp_file(int width, int height, int bits, const std::function<uint32_t(int, int)>& colour) {
    std::vector<uint32_t> palette;
    std::string pixels;
    const size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bits) / 8 + 3) / 4 * 4;
    for (int y = height - 1; y >= 0; --y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const uint32_t rgb = colour(x, y);
            if (bits == 24) {
                row += static_cast<char>(rgb & 0xFF);
                row += static_cast<char>(rgb >> 8 & 0xFF);
                row += static_cast<char>(rgb >> 16 & 0xFF);
                continue;
            }
            size_t index = 0;
            while (index < palette.size() && palette[index] != rgb) ++index;
            if (index == palette.size()) palette.push_back(rgb);
            row += static_cast<char>(index);
        }
        row.resize(stride, '\0');
        pixels += row;
    }
    if (bits == 8) palette.resize(256, 0);
    const uint32_t offset = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
    std::string out = "BM";
    put32(out, offset + static_cast<uint32_t>(pixels.size()));
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<uint32_t>(bits));
    put32(out, 0);
    put32(out, static_cast<uint32_t>(pixels.size()));
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (const uint32_t rgb : palette) {
        out += static_cast<char>(rgb & 0xFF);
        out += static_cast<char>(rgb >> 8 & 0xFF);
        out += static_cast<char>(rgb >> 16 & 0xFF);
        out += '\0';
    }
    return out + pixels;
}
