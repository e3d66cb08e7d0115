// Loading the click into a radio gauge's buffer: from the module's WAVE resource, from
// a file, and from RIFF images that are not quite the module's click.
#include <initializer_list>

#include "tests/sound/sound_fixture.h"

using ClickLoader = SoundTest;

namespace {

inline constexpr uint16_t TEST_RESOURCE_ID = 77;

void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_id(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }

// One chunk: id, size, data and the pad byte an odd size needs.
std::vector<uint8_t> chunk(const char* id, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out;
    put_id(out, id);
    put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) out.push_back(0);
    return out;
}

std::vector<uint8_t> riff(const char* form, std::initializer_list<std::vector<uint8_t>> chunks) {
    std::vector<uint8_t> body;
    put_id(body, form);
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return chunk("RIFF", body);
}

// 16-byte PCM format: mono 16-bit at 11025 samples per second.
std::vector<uint8_t> pcm_format() { return {1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x22, 0x56, 0, 0, 2, 0, 16, 0}; }

std::vector<uint8_t> ramp(size_t bytes) {
    std::vector<uint8_t> out(bytes);
    for (size_t i = 0; i < bytes; ++i) out[i] = static_cast<uint8_t>(i * 7 + 3);
    return out;
}

}  // namespace

TEST_F(ClickLoader, LoadsTheClickIntoABufferOfItsOwnFormatPositionedAtZero) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    ASSERT_NE(radio.sound.click, nullptr);
    const BufferView view = view_of(radio.sound.click);
    EXPECT_EQ(view.description.flags, 0x8000u | 0x80u | 0x40u | 0x20u)
        << "global focus, volume, pan and frequency control";
    EXPECT_EQ(view.description.buffer_bytes, CLICK_BYTES);
    EXPECT_EQ(view.format.format_tag, 1u);
    EXPECT_EQ(view.format.channels, 1u);
    EXPECT_EQ(view.format.samples_per_second, 22050u);
    EXPECT_EQ(view.format.bytes_per_second, 44100u);
    EXPECT_EQ(view.format.block_align, 2u);
    EXPECT_EQ(view.format.bits_per_sample, 16u);
    EXPECT_EQ(view.format.extra_size, 'd' | 'a' << 8) << "the two bytes after the 16-byte chunk";
    EXPECT_EQ(view.position, 0u);
    EXPECT_TRUE(view.bytes == click_samples());
    EXPECT_EQ(sound_enabled, 1u);
    radio_click_close(radio);
}

TEST_F(ClickLoader, ReturnsTheNumberOfSampleBytes) {
    PlatformSoundDevice* device = nullptr;
    PlatformSoundBuffer* click = nullptr;
    ASSERT_EQ(sound_open(main_window, &device), 1u);
    EXPECT_EQ(load_click_resource(main_window, device, &click, CLICK_RESOURCE_ID, MODULE), CLICK_BYTES);
    sound_release_buffer(&click);
    sound_release_device(&device);
}

TEST_F(ClickLoader, EachOfEightRadiosGetsItsOwnDeviceAndItsOwnCopy) {
    RadioClick radios[8] = {};
    for (RadioClick& radio : radios) radio_click_open(radio, MODULE);
    std::vector<uint32_t> buffers;
    std::vector<uint32_t> devices;
    for (RadioClick& radio : radios) {
        const BufferView view = view_of(radio.sound.click);
        EXPECT_TRUE(view.bytes == click_samples());
        buffers.push_back(view.id);
        devices.push_back(view.device);
    }
    std::sort(buffers.begin(), buffers.end());
    std::sort(devices.begin(), devices.end());
    EXPECT_EQ(std::unique(buffers.begin(), buffers.end()), buffers.end());
    EXPECT_EQ(std::unique(devices.begin(), devices.end()), devices.end());
    for (RadioClick& radio : radios) radio_click_close(radio);
}

TEST_F(ClickLoader, AMissingResourceIdSilencesEveryGauge) {
    RadioClick com{};
    radio_click_open(com, MODULE);
    PlatformSoundBuffer* other = nullptr;
    EXPECT_EQ(load_click_resource(com.window, com.sound.device, &other, 11, MODULE), 0u);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    // A gauge installed afterwards opens its device but gets no click; nobody clicks.
    RadioClick nav{};
    radio_click_open(nav, MODULE);
    EXPECT_NE(nav.sound.device, nullptr);
    EXPECT_EQ(nav.sound.click, nullptr);
    EXPECT_EQ(calls_of(PlatformOp::find_resource), 2u) << "the later install's loader returned at once";
    radio_click_play(com);
    EXPECT_TRUE(backend_play_log().empty());
    radio_click_close(com);
    radio_click_close(nav);
}

TEST_F(ClickLoader, ASilentLoaderLeavesTheBufferReferenceAlone) {
    sound_enabled = 0;
    PlatformSoundBuffer* const held = reinterpret_cast<PlatformSoundBuffer*>(uintptr_t{0x5A5A0});
    PlatformSoundBuffer* click = held;
    EXPECT_EQ(load_click_resource(main_window, nullptr, &click, CLICK_RESOURCE_ID, MODULE), 0u);
    EXPECT_EQ(click, held);
    EXPECT_TRUE(backend_calls().empty());
}

TEST_F(ClickLoader, ADataChunkBeforeTheFormatIsNotFound) {
    backend_add_resource("WAVE", TEST_RESOURCE_ID,
                         riff("WAVE", {chunk("data", ramp(64)), chunk("fmt ", pcm_format())}));
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(load_click_resource(radio.window, radio.sound.device, &radio.sound.click, TEST_RESOURCE_ID, MODULE), 0u);
    EXPECT_EQ(radio.sound.click, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    radio_click_close(radio);
}

TEST_F(ClickLoader, ARiffOfAnotherFormIsNotAClick) {
    backend_add_resource("WAVE", TEST_RESOURCE_ID,
                         riff("AVI ", {chunk("fmt ", pcm_format()), chunk("data", ramp(64))}));
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(load_click_resource(radio.window, radio.sound.device, &radio.sound.click, TEST_RESOURCE_ID, MODULE), 0u);
    EXPECT_EQ(sound_enabled, 0u);
    radio_click_close(radio);
}

TEST_F(ClickLoader, ChunksBetweenFormatAndDataAreSkippedWithTheirPadByte) {
    const std::vector<uint8_t> samples = ramp(100);
    backend_add_resource("WAVE", TEST_RESOURCE_ID,
                         riff("WAVE", {chunk("fmt ", pcm_format()), chunk("LIST", ramp(5)), chunk("data", samples)}));
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(load_click_resource(radio.window, radio.sound.device, &radio.sound.click, TEST_RESOURCE_ID, MODULE),
              100u);
    const BufferView view = view_of(radio.sound.click);
    EXPECT_TRUE(view.bytes == samples);
    EXPECT_EQ(view.format.samples_per_second, 11025u);
    radio_click_close(radio);
}

TEST_F(ClickLoader, ADataChunkCutShortLoadsSilenceForTheMissingSamples) {
    std::vector<uint8_t> image = riff("WAVE", {chunk("fmt ", pcm_format()), chunk("data", ramp(100))});
    image.resize(image.size() - 40);
    backend_add_resource("WAVE", TEST_RESOURCE_ID, image);
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(load_click_resource(radio.window, radio.sound.device, &radio.sound.click, TEST_RESOURCE_ID, MODULE),
              100u);
    std::vector<uint8_t> expected = ramp(60);
    expected.resize(100, 0);
    EXPECT_TRUE(view_of(radio.sound.click).bytes == expected);
    radio_click_close(radio);
}

TEST_F(ClickLoader, SamplesFillBothPartsOfALockThatComesInTwo) {
    backend_set_lock_split(1000);  // the first part holds 1000 of the 3828 bytes
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    ASSERT_NE(radio.sound.click, nullptr);
    EXPECT_TRUE(view_of(radio.sound.click).bytes == click_samples());
    radio_click_close(radio);
}

TEST_F(ClickLoader, ReadsTheSameClickFromAFile) {
    const std::string path = testing::TempDir() + "click_copy.wav";
    write_file(path, click_file());
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    sound_release_buffer(&radio.sound.click);
    EXPECT_EQ(load_click_file(radio.window, radio.sound.device, &radio.sound.click, path.c_str()), CLICK_BYTES);
    EXPECT_TRUE(view_of(radio.sound.click).bytes == click_samples());
    radio_click_close(radio);
    std::remove(path.c_str());
}

TEST_F(ClickLoader, AMissingFileSilences) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    EXPECT_EQ(load_click_file(radio.window, radio.sound.device, &radio.sound.click, "/nonexistent/click.wav"), 0u);
    EXPECT_EQ(radio.sound.click, nullptr);
    EXPECT_EQ(sound_enabled, 0u);
    radio_click_close(radio);
}

TEST_F(ClickLoader, ReloadingIntoAHeldReferenceGivesTheOldBufferBack) {
    RadioClick radio{};
    radio_click_open(radio, MODULE);
    radio_click_open(radio, MODULE);  // the same gauge installed again before its kill
    EXPECT_EQ(backend_live_objects().buffers, 1u);
    EXPECT_EQ(backend_live_objects().devices, 1u);
    radio_click_close(radio);
}
