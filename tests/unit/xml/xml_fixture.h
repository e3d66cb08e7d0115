// Helpers for the XML gauge tests: a scratch folder of the test's own, small BMP files,
// and cabinets made with gcab at test time.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace xmltest {

namespace fs = std::filesystem;

// A folder removed when the test ends.
struct Scratch {
    fs::path dir;
    explicit Scratch(const std::string& name) {
        dir = fs::temp_directory_path() / (name + "_" + std::to_string(getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    fs::path write(const std::string& relative, const std::string& text) const {
        return write(relative, std::vector<uint8_t>(text.begin(), text.end()));
    }
    fs::path write(const std::string& relative, const std::vector<uint8_t>& bytes) const {
        const fs::path path = dir / relative;
        fs::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

// A 24-bit BMP whose pixel (x, y), top row first, is colour(x, y) (0xRRGGBB).
template <class Colour>
std::vector<uint8_t> bmp(int width, int height, Colour colour) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> b(54 + stride * static_cast<size_t>(height), 0);
    auto put32 = [&b](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, height - 1 - y);  // rows are stored bottom up
            const size_t at = 54 + stride * static_cast<size_t>(y) + 3 * static_cast<size_t>(x);
            b[at] = static_cast<uint8_t>(c);
            b[at + 1] = static_cast<uint8_t>(c >> 8);
            b[at + 2] = static_cast<uint8_t>(c >> 16);
        }
    return b;
}

// A 24-bit BMP of one colour (0xRRGGBB).
inline std::vector<uint8_t> solid_bmp(int width, int height, uint32_t colour) {
    return bmp(width, height, [colour](int, int) { return colour; });
}

// Packs the files of folder (names relative to it) into cabinet with gcab, MSZIP
// compressed; false when gcab fails.
inline bool make_cabinet(const fs::path& cabinet, const fs::path& folder, const std::vector<std::string>& files) {
    std::string command = "cd '" + folder.string() + "' && gcab -c -z '" + cabinet.string() + "'";
    for (const std::string& f : files) command += " '" + f + "'";
    command += " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

inline std::vector<uint8_t> read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace xmltest
