// The built Tarvolen_Instr.gau carries every bitmap by its id or name, exactly the
// committed pictures, and the version block.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "host/bridge/pe_resources.h"

namespace {

constexpr int kBitmapIds[] = {
    40,   50,   60,   70,   90,   100,  110,  120,  130,  140,  150,  160,  170,  180,  190,  210,  220,
    230,  240,  250,  251,  280,  290,  300,  310,  320,  321,  330,  331,  340,  341,  350,  351,  360,
    361,  370,  380,  390,  400,  410,  420,  421,  430,  431,  440,  441,  450,  451,  460,  461,  470,
    480,  490,  1000, 1010, 1011, 1020, 1021, 1030, 1040, 1041, 1050, 1060, 1070, 1080, 1090, 1100, 1101,
    1110, 1111, 1120, 1121, 1130, 1131, 1140, 1141, 1150, 1160, 1200, 1210, 1220, 1230, 1231, 1240, 1241,
    1250, 1260, 1261, 1262, 1270, 1280, 1300, 1310, 1320, 1330, 1340, 1341,
};
static_assert(std::size(kBitmapIds) == 97);

constexpr const char* kBitmapNames[] = {
    "BMP_ELEC_TOGGLE",           "BMP_FUEL_TOGGLE",    "BMP_OVERHEAD_TOGGLE",
    "BMP_TARVOLEN_VOR1_TF_FROM", "BMP_UP_DOWN_TOGGLE", "BMP_YOKE_TOGGLE",
};

std::vector<uint8_t> file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class GauResources : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(read_pe_resources(TARVOLEN_GAU_PATH, resources, error)) << error;
    }

    // A bitmap resource is the BMP file without its 14-byte file header.
    void expect_bitmap(const std::string& name, const std::string& file) {
        auto it = resources.find({"#2", name});
        ASSERT_NE(it, resources.end()) << "no bitmap " << name;
        const std::vector<uint8_t> bmp = file_bytes(std::string(TARVOLEN_RESOURCE_DIR) + "/bitmaps/" + file);
        ASSERT_GT(bmp.size(), 14u) << file;
        EXPECT_TRUE(std::equal(bmp.begin() + 14, bmp.end(), it->second.begin(), it->second.end()))
            << "bitmap " << name << " differs from " << file;
    }

    std::map<ResourceKey, std::vector<uint8_t>> resources;
};

TEST_F(GauResources, EveryNumberedBitmapIsTheCommittedPicture) {
    for (int id : kBitmapIds) expect_bitmap("#" + std::to_string(id), std::to_string(id) + ".bmp");
}

TEST_F(GauResources, EveryNamedBitmapIsTheCommittedPicture) {
    for (const char* name : kBitmapNames) expect_bitmap(name, std::string(name) + ".bmp");
}

TEST_F(GauResources, NoBitmapBeyondTheList) {
    size_t bitmaps = 0;
    for (const auto& [key, bytes] : resources) bitmaps += key.type == "#2";
    EXPECT_EQ(bitmaps, std::size(kBitmapIds) + std::size(kBitmapNames));
}

TEST_F(GauResources, WaveResource10IsTheCommittedClickFileWhole) {
    auto it = resources.find({"WAVE", "#10"});
    ASSERT_NE(it, resources.end()) << "no WAVE resource 10";
    EXPECT_EQ(it->second.size(), 3872u);
    EXPECT_TRUE(it->second == file_bytes(std::string(TARVOLEN_RESOURCE_DIR) + "/click.wav"));
    size_t waves = 0;
    for (const auto& [key, bytes] : resources) waves += key.type == "WAVE";
    EXPECT_EQ(waves, 1u);
}

TEST_F(GauResources, VersionBlockNamesTheFileAndVersion) {
    auto it = resources.find({"#16", "#1"});
    ASSERT_NE(it, resources.end()) << "no version block";
    std::string ascii;  // the block's UTF-16 texts, low bytes only
    for (size_t i = 0; i + 1 < it->second.size(); i += 2) ascii += static_cast<char>(it->second[i]);
    EXPECT_NE(ascii.find("OriginalFilename"), std::string::npos);
    EXPECT_NE(ascii.find("Tarvolen_Instr.gau"), std::string::npos);
    EXPECT_NE(ascii.find(TARVOLEN_VERSION_TEXT), std::string::npos);
}

TEST(PeResourceReader, RejectsAFileThatIsNoImage) {
    std::map<ResourceKey, std::vector<uint8_t>> resources;
    std::string error;
    EXPECT_FALSE(read_pe_resources(std::string(TARVOLEN_RESOURCE_DIR) + "/bitmaps/40.bmp", resources, error));
    EXPECT_NE(error.find("40.bmp"), std::string::npos);
}

}  // namespace
