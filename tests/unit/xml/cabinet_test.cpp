// Cabinets read in memory: made with gcab here, then read whole, cut short, damaged and
// bounded.
#include "host/xml/cabinet.h"

#include <gtest/gtest.h>

#include "host/xml/gauge_files.h"
#include "tests/unit/xml/xml_fixture.h"

using namespace xmltest;

namespace {

class Cabinet : public ::testing::Test {
protected:
    void SetUp() override {
        scratch.write("in/Dial.xml", std::string("<Gauge Name=\"Dial\"><Image Name=\"face.bmp\"/></Gauge>"));
        scratch.write("in/face.bmp", solid_bmp(40, 30, 0x808080));
        ASSERT_TRUE(make_cabinet(scratch.dir / "Mod.CAB", scratch.dir / "in", {"Dial.xml", "face.bmp"}))
            << "gcab is needed (scripts/setup.sh installs it)";
        bytes = read_bytes(scratch.dir / "Mod.CAB");
    }
    Scratch scratch{"cabinet_test"};
    std::vector<uint8_t> bytes;
};

}  // namespace

TEST_F(Cabinet, EveryFileComesOutWhole) {
    std::vector<CabinetFile> files;
    std::string error;
    ASSERT_TRUE(read_cabinet(bytes.data(), bytes.size(), files, error)) << error;
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "Dial.xml");
    EXPECT_EQ(files[1].bytes, solid_bmp(40, 30, 0x808080));
}

TEST_F(Cabinet, ACabinetCutShortSaysSo) {
    std::vector<CabinetFile> files;
    std::string error;
    EXPECT_FALSE(read_cabinet(bytes.data(), bytes.size() - 40, files, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(read_cabinet(bytes.data(), 20, files, error));
    EXPECT_NE(error.find("truncated"), std::string::npos) << error;
    // Bytes of the compressed data changed: the checksum of their block says so.
    std::vector<uint8_t> damaged = bytes;
    for (size_t i = damaged.size() - 30; i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    EXPECT_FALSE(read_cabinet(damaged.data(), damaged.size(), files, error));
    EXPECT_NE(error.find(".xml: damaged: a block's checksum is wrong"), std::string::npos) << error;
}

TEST_F(Cabinet, DataThatIsNoCabinetIsRefused) {
    const std::string text = "<Gauge/>";
    std::vector<CabinetFile> files;
    std::string error;
    EXPECT_FALSE(read_cabinet(reinterpret_cast<const uint8_t*>(text.data()), text.size(), files, error));
    EXPECT_EQ(error, "not a cabinet (no MSCF signature)");
}

TEST_F(Cabinet, AFileThatClaimsMoreThanTheLimitIsRefusedBeforeUnpacking) {
    // The first file's size field (CFFILE.cbFile) says 2 GB: the cabinet lies.
    const size_t files_at = static_cast<size_t>(bytes[16]) | static_cast<size_t>(bytes[17]) << 8 |
                            static_cast<size_t>(bytes[18]) << 16 | static_cast<size_t>(bytes[19]) << 24;
    std::vector<uint8_t> lying = bytes;
    lying[files_at + 3] = 0x7F;
    std::vector<CabinetFile> files;
    std::string error;
    EXPECT_FALSE(read_cabinet(lying.data(), lying.size(), files, error));
    EXPECT_NE(error.find("would unpack to more than"), std::string::npos) << error;
    CabinetLimits small;
    small.max_total_bytes = 1000;
    EXPECT_FALSE(read_cabinet(bytes.data(), bytes.size(), files, error, small));
    EXPECT_NE(error.find("face.bmp claims"), std::string::npos) << error;
}

TEST_F(Cabinet, FilesAreFoundWithoutRegardToCaseAndNoNameClimbsOut) {
    std::string error;
    auto module = GaugeModule::open_cabinet((scratch.dir / "Mod.CAB").string(), error);
    ASSERT_TRUE(module) << error;
    EXPECT_NE(module->file("DIAL.XML", error), nullptr) << error;
    EXPECT_EQ(module->file("..\\..\\face.bmp", error), nullptr);
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
    EXPECT_EQ(module->where("dial.xml"), (scratch.dir / "Mod.CAB").string() + "/Dial.xml");
}

TEST_F(Cabinet, AModuleIsLookedForAsAFolderThenACabinetThenAGauInEachFolderInTurn) {
    scratch.write("second/mod/Dial.xml", std::string("<Gauge/>"));
    scratch.write("third/OTHER.gau", std::string("MZ"));
    const std::vector<std::string> folders{(scratch.dir / "empty").string(), scratch.dir.string(),
                                           (scratch.dir / "second").string()};
    ModuleSearch found = find_gauge_module("MOD", folders);
    ASSERT_TRUE(found.module);
    EXPECT_TRUE(found.module->cabinet());  // the first folder holding it wins
    ModuleSearch gau = find_gauge_module("other", {(scratch.dir / "third").string()});
    EXPECT_FALSE(gau.module);
    EXPECT_EQ(gau.gau, (scratch.dir / "third" / "OTHER.gau").string());
    ModuleSearch none = find_gauge_module("nothing", folders);
    EXPECT_FALSE(none.module);
    EXPECT_EQ(none.looked, folders);
}
