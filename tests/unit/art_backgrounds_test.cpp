// Checks of the example panel's window backgrounds (examples/*.bmp) against the panel
// file that uses them: each is a palettised picture of its window's size, opaque
// everywhere (pure black would show the simulator through the panel), and every gauge
// of the main panel sits over the dark of a recess rather than over bare paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/panel/panel_config.h"
#include "host/render/bitmap.h"

namespace {

const std::string kExamples = std::string(TARVOLEN_SOURCE_DIR) + "/examples/";

// Which background belongs to which [WindowNN] of examples/panel.cfg.
struct Background {
    int window;
    const char* file;
};
const Background kBackgrounds[] = {
    {0, "tarvolen_main.bmp"},
    {1, "tarvolen_radios.bmp"},
    {2, "tarvolen_compass.bmp"},
};

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

int luma(uint32_t rgb) {
    return static_cast<int>((299 * (rgb >> 16 & 0xFF) + 587 * (rgb >> 8 & 0xFF) + 114 * (rgb & 0xFF)) / 1000);
}

class ArtBackgrounds : public ::testing::Test {
protected:
    void SetUp() override {
        Diagnostics messages;
        panel_ = read_panel_config(kExamples + "panel.cfg", messages);
        ASSERT_TRUE(messages.ok()) << messages.errors().front();
    }

    const PanelWindow* window(int index) const {
        for (const PanelWindow& w : panel_.windows)
            if (w.index == index) return &w;
        return nullptr;
    }

    static Bitmap decode(const std::vector<uint8_t>& bytes) {
        Bitmap bitmap;
        std::string error;
        EXPECT_TRUE(decode_bmp(bytes.data(), bytes.size(), bitmap, error)) << error;
        return bitmap;
    }

    PanelConfig panel_;
};

TEST_F(ArtBackgrounds, EachWindowHasAnOpaquePalettisedPictureOfItsSize) {
    for (const Background& bg : kBackgrounds) {
        SCOPED_TRACE(bg.file);
        const PanelWindow* win = window(bg.window);
        ASSERT_NE(win, nullptr);
        const std::vector<uint8_t> bytes = read_bytes(kExamples + bg.file);
        ASSERT_GE(bytes.size(), 54u) << "missing or cut short";
        const Bitmap bitmap = decode(bytes);
        EXPECT_EQ(bitmap.width, win->size_mm_w);
        EXPECT_EQ(bitmap.height, win->size_mm_h);
        EXPECT_EQ(bytes[28] | bytes[29] << 8, 8) << "8 bits a pixel";
        EXPECT_EQ(u32(bytes, 30), 0u) << "uncompressed";
        // One byte a pixel (rows padded to 4 bytes) after the headers and a palette of
        // at most 256 entries: nothing else in the file.
        const uint32_t colours = u32(bytes, 46);
        EXPECT_LE(colours, 256u);
        const size_t stride = (static_cast<size_t>(bitmap.width) + 3) / 4 * 4;
        EXPECT_EQ(bytes.size(), 14 + 40 + 4 * size_t{colours} + stride * static_cast<size_t>(bitmap.height));
        const auto see_through = std::count(bitmap.pixels.begin(), bitmap.pixels.end(), 0u);
        EXPECT_EQ(see_through, 0) << "pure black pixels show the simulator through the panel";
        const auto below_floor = std::count_if(bitmap.pixels.begin(), bitmap.pixels.end(), [](uint32_t p) {
            return p != 0 && ((p >> 16 & 0xFF) < 8 || (p >> 8 & 0xFF) < 8 || (p & 0xFF) < 8);
        });
        EXPECT_EQ(below_floor, 0) << "opaque black is (8,8,8) or lighter";
    }
}

// Moving a gauge in panel.cfg without redrawing the background (by 5 pixels or more)
// leaves paint under the gauge's box on one side: the outermost pixels of the box round
// the middle of each edge (inside the circle of a round case too) must be as dark as
// a recess.
TEST_F(ArtBackgrounds, MainPanelGaugesSitOverTheirRecesses) {
    const Bitmap bitmap = decode(read_bytes(kExamples + "tarvolen_main.bmp"));
    const PanelWindow* win = window(0);
    ASSERT_NE(win, nullptr);
    ASSERT_EQ(bitmap.width, win->size_mm_w);
    ASSERT_EQ(bitmap.height, win->size_mm_h);
    struct Box {
        int x, y, w, h;
        bool holds(int px, int py) const { return px >= x && px < x + w && py >= y && py < y + h; }
    };
    std::vector<Box> boxes;
    for (const PanelGauge& g : win->gauges) {
        // The registration plate and the click spot over it sit on a framed placard.
        if (g.name == "Registration" || g.name == "Invisible_Toggle") continue;
        boxes.push_back(Box{g.x, g.y, g.w, g.h > 0 ? g.h : g.w});  // the other faces are square
    }
    ASSERT_EQ(boxes.size(), 3u + 9u) << "three instruments and nine toggles";

    // The picture round the gauges is paint, lighter than the recesses.
    std::vector<int> panel;
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x)
            if (std::none_of(boxes.begin(), boxes.end(), [&](const Box& b) { return b.holds(x, y); }))
                panel.push_back(luma(bitmap.at(x, y)));
    std::nth_element(panel.begin(), panel.begin() + static_cast<std::ptrdiff_t>(panel.size() / 2), panel.end());
    ASSERT_GT(panel[panel.size() / 2], 36) << "the panel round the gauges must be lighter than its recesses";

    for (const Box& b : boxes) {
        SCOPED_TRACE(testing::Message() << "gauge at " << b.x << "," << b.y);
        ASSERT_TRUE(b.x >= 0 && b.y >= 0 && b.x + b.w <= bitmap.width && b.y + b.h <= bitmap.height) << "off the panel";
        const int span = std::max(2, b.w / 12);
        struct Edge {
            int x, y, dx, dy;  // middle of the strip, direction along it
        };
        const Edge edges[] = {{b.x + b.w / 2, b.y, 1, 0},
                              {b.x + b.w / 2, b.y + b.h - 1, 1, 0},
                              {b.x, b.y + b.h / 2, 0, 1},
                              {b.x + b.w - 1, b.y + b.h / 2, 0, 1}};
        for (const Edge& e : edges) {
            int sum = 0, n = 0;
            for (int t = -span; t <= span; ++t, ++n) sum += luma(bitmap.at(e.x + t * e.dx, e.y + t * e.dy));
            EXPECT_LE(sum / n, 24) << "edge strip at " << e.x << "," << e.y << " is not in the recess";
        }
    }
}

}  // namespace
