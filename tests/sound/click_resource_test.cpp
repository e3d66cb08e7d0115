// The click the radios play, as committed in resources/ and as the module carries it.
#include <cstdlib>

#include "tests/sound/sound_fixture.h"

namespace {

uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | static_cast<uint32_t>(b[at + 1]) << 8; }
uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return le16(b, at) | le16(b, at + 2) << 16; }
std::string id_at(const std::vector<uint8_t>& b, size_t at) {
    return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
}

std::vector<int> samples_of(const std::vector<uint8_t>& file) {
    std::vector<int> samples;
    for (size_t at = 44; at + 1 < file.size(); at += 2) samples.push_back(static_cast<int16_t>(le16(file, at)));
    return samples;
}

// The largest |sample| between two times in milliseconds (22.05 samples each).
int loudest(const std::vector<int>& samples, double from_ms, double to_ms) {
    int peak = 0;
    const size_t end = std::min(samples.size(), static_cast<size_t>(to_ms * 22.05));
    for (size_t n = static_cast<size_t>(from_ms * 22.05); n < end; ++n) peak = std::max(peak, std::abs(samples[n]));
    return peak;
}

}  // namespace

TEST(ClickResource, IsA3872ByteMonoPcmWaveOf1914SixteenBitSamples) {
    const std::vector<uint8_t> file = click_file();
    ASSERT_EQ(file.size(), 3872u);
    EXPECT_EQ(id_at(file, 0), "RIFF");
    EXPECT_EQ(le32(file, 4), 3864u);
    EXPECT_EQ(id_at(file, 8), "WAVE");
    EXPECT_EQ(id_at(file, 12), "fmt ");
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(le16(file, 20), 1u) << "PCM";
    EXPECT_EQ(le16(file, 22), 1u) << "mono";
    EXPECT_EQ(le32(file, 24), 22050u);
    EXPECT_EQ(le32(file, 28), 44100u);
    EXPECT_EQ(le16(file, 32), 2u);
    EXPECT_EQ(le16(file, 34), 16u);
    EXPECT_EQ(id_at(file, 36), "data");
    EXPECT_EQ(le32(file, 40), 3828u);
    EXPECT_EQ(samples_of(file).size(), 1914u);
}

TEST(ClickResource, SnapReachesFullScaleBetween35And45MillisecondsAfterALighterFirstTransient) {
    const std::vector<int> samples = samples_of(click_file());
    ASSERT_EQ(samples.size(), 1914u);
    const auto top = std::max_element(samples.begin(), samples.end());
    const auto bottom = std::min_element(samples.begin(), samples.end());
    EXPECT_EQ(*top, 32482);
    EXPECT_EQ(*bottom, -32546);
    const double top_ms = static_cast<double>(top - samples.begin()) / 22.05;
    const double bottom_ms = static_cast<double>(bottom - samples.begin()) / 22.05;
    EXPECT_GE(top_ms, 35.0);
    EXPECT_LE(top_ms, 45.0);
    EXPECT_GE(bottom_ms, 35.0);
    EXPECT_LE(bottom_ms, 45.0);
    // Silence, a first transient clearly below the snap, a quiet gap, the snap, its decay.
    EXPECT_EQ(loudest(samples, 0, 5), 0);
    EXPECT_GT(loudest(samples, 5, 30), 2000);
    EXPECT_LT(loudest(samples, 5, 30), 16000);
    EXPECT_LT(loudest(samples, 32, 35), 500);
    EXPECT_LT(loudest(samples, 60, 65), loudest(samples, 40, 45) / 2);
    EXPECT_LT(loudest(samples, 82, 87), 1000);
}

TEST(ClickResource, RegeneratingGivesTheSameBytes) {
    const std::string out = testing::TempDir() + "click_regenerated.wav";
    ASSERT_EQ(std::system((std::string(CLICKGEN_PATH) + " " + out).c_str()), 0);
    const std::vector<uint8_t> regenerated = read_file(out);
    std::remove(out.c_str());
    ASSERT_EQ(regenerated.size(), 3872u);
    EXPECT_TRUE(regenerated == click_file()) << "resources/click.wav is not what tools/clickgen writes";
}

TEST(ClickResource, ModuleCarriesTheFileAsWaveResource10) {
    int found = 0;
    for (const ResourceView& r : backend_resources()) {
        if (r.type != "WAVE") continue;
        ++found;
        EXPECT_EQ(r.id, 10u);
        EXPECT_TRUE(std::vector<uint8_t>(r.bytes, r.bytes + r.size) == click_file());
    }
    EXPECT_EQ(found, 1);
}
