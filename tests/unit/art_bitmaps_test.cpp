// Checks of the committed bitmap files under resources/bitmaps: every resource the
// module carries is there at its size and depth, and the pixels keep the rules the
// host draws by (pure black is see-through, opaque parts never are).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string kBitmapDir = std::string(TARVOLEN_RESOURCE_DIR) + "/bitmaps/";

struct Rgb {
    std::uint8_t r, g, b;
    bool black() const { return r == 0 && g == 0 && b == 0; }
    int luma() const { return (299 * r + 587 * g + 114 * b) / 1000; }
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

struct Bmp {
    bool ok = false;
    std::string error;
    int w = 0, h = 0, bits = 0;
    std::uint32_t colours = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> index;  // 8-bit files, top row first
    std::vector<Rgb> px;              // every file, top row first
    Rgb at(int x, int y) const { return px[static_cast<std::size_t>(y * w + x)]; }
};

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 | std::uint32_t{b[at + 2]} << 16 |
           std::uint32_t{b[at + 3]} << 24;
}

std::uint16_t u16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::vector<std::uint8_t> read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Reads an uncompressed bottom-up BMP with a BITMAPINFOHEADER, 8 or 24 bits.
Bmp load(const std::string& name) {
    Bmp bmp;
    bmp.bytes = read_bytes(kBitmapDir + name + ".bmp");
    const auto& b = bmp.bytes;
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return bmp.error = "not a BMP file", bmp;
    if (u32(b, 2) != b.size()) return bmp.error = "file size field wrong", bmp;
    if (u32(b, 14) != 40) return bmp.error = "not a BITMAPINFOHEADER", bmp;
    bmp.w = static_cast<int>(u32(b, 18));
    const auto height = static_cast<std::int32_t>(u32(b, 22));
    if (height <= 0) return bmp.error = "not bottom-up", bmp;
    bmp.h = height;
    bmp.bits = u16(b, 28);
    if (u16(b, 26) != 1 || u32(b, 30) != 0) return bmp.error = "planes or compression wrong", bmp;
    const std::uint32_t offset = u32(b, 10);
    const std::size_t stride = ((static_cast<std::size_t>(bmp.w) * static_cast<std::size_t>(bmp.bits) + 31) / 32) * 4;
    if (offset + stride * static_cast<std::size_t>(bmp.h) > b.size()) return bmp.error = "pixels cut short", bmp;
    if (bmp.bits == 8) {
        bmp.colours = u32(b, 46) == 0 ? 256 : u32(b, 46);
        if (bmp.colours > 256 || 54 + 4 * bmp.colours > offset) return bmp.error = "palette wrong", bmp;
        for (std::uint32_t i = 0; i < bmp.colours; ++i)
            bmp.palette.push_back(Rgb{b[54 + 4 * i + 2], b[54 + 4 * i + 1], b[54 + 4 * i]});
    } else if (bmp.bits != 24) {
        return bmp.error = "neither 8 nor 24 bits", bmp;
    }
    for (int y = 0; y < bmp.h; ++y) {
        const std::size_t row = offset + stride * static_cast<std::size_t>(bmp.h - 1 - y);
        for (int x = 0; x < bmp.w; ++x) {
            if (bmp.bits == 8) {
                const std::uint8_t i = b[row + static_cast<std::size_t>(x)];
                if (i >= bmp.colours) return bmp.error = "index beyond the palette", bmp;
                bmp.index.push_back(i);
                bmp.px.push_back(bmp.palette[i]);
            } else {
                const std::size_t p = row + 3 * static_cast<std::size_t>(x);
                bmp.px.push_back(Rgb{b[p + 2], b[p + 1], b[p]});
            }
        }
    }
    bmp.ok = true;
    return bmp;
}

struct Expected {
    const char* name;
    int w, h, bits;
};

// The module's bitmap resources: 97 by number, 6 by name.
const Expected kResources[] = {
    // name   w    h  bits
    {"40", 150, 25, 8},
    {"50", 19, 19, 24},
    {"60", 12, 12, 8},
    {"70", 19, 19, 8},
    {"90", 19, 19, 8},
    {"100", 19, 19, 8},
    {"110", 19, 19, 8},
    {"120", 19, 19, 8},
    {"130", 19, 19, 8},
    {"140", 19, 19, 8},
    {"150", 19, 19, 8},
    {"160", 19, 19, 8},
    {"170", 19, 19, 8},
    {"180", 19, 19, 8},
    {"190", 19, 19, 8},
    {"210", 117, 117, 8},
    {"220", 62, 10, 8},
    {"230", 117, 117, 8},
    {"240", 111, 111, 8},
    {"250", 531, 82, 8},
    {"251", 111, 111, 8},
    {"280", 249, 141, 8},
    {"290", 30, 30, 8},
    {"300", 30, 30, 8},
    {"310", 30, 30, 8},
    {"320", 18, 308, 8},
    {"321", 18, 28, 8},
    {"330", 30, 30, 8},
    {"331", 30, 30, 8},
    {"340", 10, 10, 8},
    {"341", 10, 10, 8},
    {"350", 30, 30, 8},
    {"351", 30, 30, 8},
    {"360", 18, 28, 8},
    {"361", 18, 28, 8},
    {"370", 249, 141, 8},
    {"380", 249, 141, 8},
    {"390", 249, 141, 8},
    {"400", 30, 30, 8},
    {"410", 30, 30, 8},
    {"420", 18, 308, 8},
    {"421", 18, 28, 8},
    {"430", 18, 112, 8},
    {"431", 18, 28, 8},
    {"440", 18, 28, 8},
    {"441", 18, 28, 8},
    {"450", 18, 308, 8},
    {"451", 18, 28, 8},
    {"460", 30, 30, 8},
    {"461", 30, 30, 8},
    {"470", 10, 10, 8},
    {"480", 249, 141, 8},
    {"490", 30, 30, 8},
    {"1000", 249, 141, 8},
    {"1010", 18, 308, 8},
    {"1011", 18, 28, 8},
    {"1020", 30, 30, 8},
    {"1021", 30, 30, 8},
    {"1030", 10, 10, 8},
    {"1040", 30, 30, 8},
    {"1041", 30, 30, 8},
    {"1050", 30, 30, 8},
    {"1060", 249, 141, 8},
    {"1070", 249, 141, 8},
    {"1080", 30, 30, 8},
    {"1090", 30, 30, 8},
    {"1100", 18, 308, 8},
    {"1101", 18, 28, 8},
    {"1110", 18, 56, 8},
    {"1111", 18, 28, 8},
    {"1120", 18, 28, 8},
    {"1121", 18, 28, 8},
    {"1130", 30, 30, 8},
    {"1131", 30, 30, 8},
    {"1140", 30, 30, 8},
    {"1141", 30, 30, 8},
    {"1150", 10, 10, 8},
    {"1160", 249, 141, 8},
    {"1200", 140, 140, 8},
    {"1210", 29, 29, 8},
    {"1220", 54, 4, 8},
    {"1230", 145, 145, 8},
    {"1231", 140, 140, 8},
    {"1240", 13, 4, 8},
    {"1241", 13, 4, 8},
    {"1250", 64, 4, 8},
    {"1260", 13, 4, 8},
    {"1261", 13, 4, 8},
    {"1262", 13, 4, 8},
    {"1270", 140, 140, 24},
    {"1280", 16, 16, 8},
    {"1300", 145, 145, 8},
    {"1310", 28, 28, 8},
    {"1320", 145, 145, 8},
    {"1330", 89, 10, 8},
    {"1340", 145, 145, 8},
    {"1341", 145, 145, 8},
    {"BMP_ELEC_TOGGLE", 19, 19, 8},
    {"BMP_FUEL_TOGGLE", 19, 19, 8},
    {"BMP_OVERHEAD_TOGGLE", 19, 19, 8},
    {"BMP_TARVOLEN_VOR1_TF_FROM", 13, 4, 8},
    {"BMP_UP_DOWN_TOGGLE", 19, 19, 8},
    {"BMP_YOKE_TOGGLE", 19, 19, 8},
};
static_assert(sizeof(kResources) / sizeof(kResources[0]) == 97 + 6, "97 numbered and 6 named bitmaps");

// Pictures the host must draw solid: radio faces, buttons, digit drums, fixed
// figures and flags.
const char* const kOpaque[] = {
    "280",
    "370",
    "380",
    "390",
    "480",
    "1000",
    "1060",
    "1070",
    "1160",  // radio faces
    "50",
    "70",
    "90",
    "100",
    "110",
    "120",
    "130",
    "140",
    "150",
    "160",
    "170",
    "180",  // buttons
    "BMP_ELEC_TOGGLE",
    "BMP_FUEL_TOGGLE",
    "BMP_OVERHEAD_TOGGLE",
    "BMP_UP_DOWN_TOGGLE",
    "BMP_YOKE_TOGGLE",
    "320",
    "420",
    "430",
    "450",
    "1010",
    "1100",
    "1110",  // drums
    "360",
    "361",
    "440",
    "1120",  // fixed figures
    "1240",
    "1241",
    "1260",  // flags
};

// Moving-image windows: an opaque frame round a see-through opening at `hole`.
struct Window {
    const char* name;
    int hole_x, hole_y;
};
const Window kWindows[] = {
    {"321", 9, 14},   {"421", 9, 14},   {"431", 9, 14},   {"441", 9, 14},   {"451", 9, 14},
    {"1011", 9, 14},  {"1101", 9, 14},  {"1111", 9, 14},  {"1121", 9, 14},  {"251", 30, 45},
    {"1231", 70, 70}, {"1341", 73, 73}, {"1270", 70, 70}, {"1320", 73, 73},  // instrument bezels drawn over the needles
};

// Digit drums: strips of 28-pixel cells behind the window with the next id.
struct Drum {
    const char* strip;
    const char* window;
    int cells;
    bool wraps;  // last cell repeats the first, so that 9 rolls on to 0
};
const Drum kDrums[] = {
    {"320", "321", 11, true},   {"420", "421", 11, true}, {"450", "451", 11, true},   {"1010", "1011", 11, true},
    {"1100", "1101", 11, true}, {"430", "431", 4, false}, {"1110", "1111", 2, false},
};

// Needles and knobs, with the pivot their element records give.
struct Needle {
    const char* name;
    int pivot_x, pivot_y;
};
const Needle kKnobs[] = {
    {"290", 15, 15},  {"300", 15, 15},  {"310", 15, 15},  {"400", 15, 15},  {"410", 15, 15},
    {"1050", 15, 15}, {"1080", 15, 15}, {"1090", 15, 15}, {"1210", 15, 15}, {"1310", 14, 14},
};
const Needle kPointers[] = {
    {"220", 21, 5},
    {"1220", -7, 2},
    {"1250", 0, 2},
    {"1330", 45, 5},
};

TEST(ArtBitmaps, EveryResourceIsPresentWithItsSizeAndDepth) {
    for (const Expected& e : kResources) {
        SCOPED_TRACE(e.name);
        const Bmp bmp = load(e.name);
        ASSERT_TRUE(bmp.ok) << bmp.error;
        EXPECT_EQ(bmp.w, e.w);
        EXPECT_EQ(bmp.h, e.h);
        EXPECT_EQ(bmp.bits, e.bits);
    }
}

TEST(ArtBitmaps, FolderHoldsOnlyTheResources) {
    std::set<std::string> expected, found;
    for (const Expected& e : kResources) expected.insert(std::string(e.name) + ".bmp");
    for (const auto& entry : std::filesystem::directory_iterator(kBitmapDir))
        found.insert(entry.path().filename().string());
    EXPECT_EQ(found, expected);
}

TEST(ArtBitmaps, PalettisedFilesHaveAtMost256Colours) {
    for (const Expected& e : kResources) {
        if (e.bits != 8) continue;
        SCOPED_TRACE(e.name);
        const Bmp bmp = load(e.name);
        ASSERT_TRUE(bmp.ok) << bmp.error;
        EXPECT_GE(bmp.colours, 1u);
        EXPECT_LE(bmp.colours, 256u);
    }
}

TEST(ArtBitmaps, NoOpaquePixelIsDarkerThanTheOpaqueFloor) {
    for (const Expected& e : kResources) {
        SCOPED_TRACE(e.name);
        const Bmp bmp = load(e.name);
        ASSERT_TRUE(bmp.ok) << bmp.error;
        const auto near_black = std::count_if(bmp.px.begin(), bmp.px.end(),
                                              [](Rgb c) { return !c.black() && (c.r < 8 || c.g < 8 || c.b < 8); });
        EXPECT_EQ(near_black, 0) << "pixels that are neither see-through black nor (8,8,8) or lighter";
    }
}

TEST(ArtBitmaps, FromArrowByNameIsTheSameFileAs1262) {
    EXPECT_EQ(read_bytes(kBitmapDir + "BMP_TARVOLEN_VOR1_TF_FROM.bmp"), read_bytes(kBitmapDir + "1262.bmp"));
    EXPECT_FALSE(read_bytes(kBitmapDir + "1262.bmp").empty());
}

TEST(ArtBitmaps, InvisibleToggleAndRegistrationPlateAreAllBlack) {
    for (const char* name : {"190", "40"}) {
        SCOPED_TRACE(name);
        const Bmp bmp = load(name);
        ASSERT_TRUE(bmp.ok) << bmp.error;
        EXPECT_TRUE(std::all_of(bmp.px.begin(), bmp.px.end(), [](Rgb c) { return c.black(); }));
    }
}

TEST(ArtBitmaps, SolidPicturesHaveNoSeeThroughPixel) {
    for (const char* name : kOpaque) {
        SCOPED_TRACE(name);
        const Bmp bmp = load(name);
        ASSERT_TRUE(bmp.ok) << bmp.error;
        EXPECT_EQ(std::count_if(bmp.px.begin(), bmp.px.end(), [](Rgb c) { return c.black(); }), 0);
    }
}

TEST(ArtBitmaps, WindowsAreOpaqueFramesRoundAnOpening) {
    for (const Window& win : kWindows) {
        SCOPED_TRACE(win.name);
        const Bmp bmp = load(win.name);
        ASSERT_TRUE(bmp.ok) << bmp.error;
        EXPECT_TRUE(bmp.at(win.hole_x, win.hole_y).black()) << "the opening must be see-through";
        EXPECT_FALSE(bmp.at(bmp.w / 2, 0).black()) << "the frame above the opening must be opaque";
        EXPECT_FALSE(bmp.at(bmp.w / 2, bmp.h - 1).black()) << "the frame below the opening must be opaque";
    }
}

TEST(ArtBitmaps, AirspeedCoverShowsTheScaleAndCapsThePivot) {
    const Bmp cover = load("230");
    ASSERT_TRUE(cover.ok) << cover.error;
    EXPECT_FALSE(cover.at(59, 59).black()) << "hub cap over the needle pivot";
    for (const auto& p : {std::pair{59, 12}, std::pair{12, 59}, std::pair{100, 59}, std::pair{59, 100}})
        EXPECT_TRUE(cover.at(p.first, p.second).black()) << "scale hidden at " << p.first << "," << p.second;
}

TEST(ArtBitmaps, DrumStripsHoldWholeCellsAndWrapRound) {
    for (const Drum& d : kDrums) {
        SCOPED_TRACE(d.strip);
        const Bmp strip = load(d.strip), window = load(d.window);
        ASSERT_TRUE(strip.ok && window.ok);
        EXPECT_EQ(window.h, 28);
        EXPECT_EQ(strip.w, window.w);
        EXPECT_EQ(strip.h, 28 * d.cells);
        if (!d.wraps || strip.h != 28 * d.cells) continue;
        const auto cell = static_cast<std::ptrdiff_t>(28 * strip.w);
        EXPECT_TRUE(std::equal(strip.px.begin(), strip.px.begin() + cell, strip.px.end() - cell))
            << "the last cell must show what the first shows";
        EXPECT_FALSE(std::equal(strip.px.begin(), strip.px.begin() + cell, strip.px.begin() + cell))
            << "neighbouring cells must differ";
    }
}

TEST(ArtBitmaps, FixedFiguresLookLikeTheDrumsBesideThem) {
    // The fixed leading 1 and the ADF thousands figures show the drum cell seen
    // through its window: same frame, same figure as the strip's cell.
    struct Case {
        const char* figure;
        const char* strip;
        const char* window;
        int cell;
    };
    const Case cases[] = {
        {"440", "420", "421", 1}, {"1120", "1100", "1101", 1}, {"360", "320", "321", 0}, {"361", "320", "321", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.figure);
        const Bmp fig = load(c.figure), strip = load(c.strip), win = load(c.window);
        ASSERT_TRUE(fig.ok && strip.ok && win.ok);
        int differing = 0;
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 18; ++x) {
                const Rgb expect = win.at(x, y).black() ? strip.at(x, 28 * c.cell + y) : win.at(x, y);
                const Rgb got = fig.at(x, y);
                const int diff =
                    std::max({std::abs(got.r - expect.r), std::abs(got.g - expect.g), std::abs(got.b - expect.b)});
                differing += diff > 24 ? 1 : 0;
            }
        EXPECT_LE(differing, 4) << "the figure differs from the drum cell beyond palette rounding";
    }
}

// The generator draws needles and knob marks pointing to +x from the pivot; the
// renderer turns them by the same rule.
TEST(ArtBitmaps, KnobIndexMarksPointRightFromThePivot) {
    for (const Needle& k : kKnobs) {
        SCOPED_TRACE(k.name);
        const Bmp bmp = load(k.name);
        ASSERT_TRUE(bmp.ok);
        double sx = 0, sy = 0;
        int n = 0;
        for (int y = 0; y < bmp.h; ++y)
            for (int x = 0; x < bmp.w; ++x)
                if (bmp.at(x, y).luma() > 200) sx += x + 0.5, sy += y + 0.5, ++n;
        ASSERT_GT(n, 4) << "no light index mark";
        EXPECT_GT(sx / n, k.pivot_x + 4.0);
        EXPECT_NEAR(sy / n, k.pivot_y, 1.5);
        EXPECT_FALSE(bmp.at(k.pivot_x, k.pivot_y).black()) << "the knob covers its pivot";
        EXPECT_TRUE(bmp.at(0, 0).black()) << "corners outside the round knob are see-through";
    }
}

TEST(ArtBitmaps, NeedlesCarryMoreInkRightOfThePivotThanLeft) {
    for (const Needle& nd : kPointers) {
        SCOPED_TRACE(nd.name);
        const Bmp bmp = load(nd.name);
        ASSERT_TRUE(bmp.ok);
        ASSERT_GE(nd.pivot_y, 0);
        int right_edge = -1, ink_left = 0, ink_right = 0;
        for (int y = 0; y < bmp.h; ++y)
            for (int x = 0; x < bmp.w; ++x) {
                if (bmp.at(x, y).black()) continue;
                if (y == nd.pivot_y) right_edge = std::max(right_edge, x);
                if (x > nd.pivot_x + 6) ++ink_right;  // beyond the hub
                if (x < nd.pivot_x - 6) ++ink_left;
            }
        EXPECT_GE(right_edge, bmp.w - 4) << "the tip reaches the right edge";
        EXPECT_GT(ink_right, ink_left) << "the pointing half is on the right";
        EXPECT_TRUE(bmp.at(0, 0).black()) << "see-through round the needle";
    }
}

}  // namespace
