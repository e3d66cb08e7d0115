// The click loader: walks a RIFF WAVE image (the module's WAVE resource, or a file) and
// copies its samples into a new sound buffer in the sound's own format. The first
// failure silences the sound layer; nothing it opened or allocated is left behind.
#include <cstring>

#include "sound/sound.h"

namespace {

inline constexpr uint32_t RESOURCE_OPEN_FLAGS = RIFF_OPEN_BUFFERED | RIFF_OPEN_READWRITE;
inline constexpr uint32_t FILE_OPEN_FLAGS = RIFF_OPEN_BUFFERED | RIFF_OPEN_READ;
static_assert(RESOURCE_OPEN_FLAGS == 0x10002 && FILE_OPEN_FLAGS == 0x10000);

// Audible also while another application has the focus; volume, pan and frequency can be set.
inline constexpr uint32_t CLICK_BUFFER_FLAGS =
    SOUND_GLOBAL_FOCUS | SOUND_CONTROL_VOLUME | SOUND_CONTROL_PAN | SOUND_CONTROL_FREQUENCY;
static_assert(CLICK_BUFFER_FLAGS == 0x80E0);

// The sound as the RIFF image gives it: its format and its samples in a locked block.
struct WaveSamples {
    WaveFormat format;
    PlatformMemory* block;
    uint8_t* bytes;
    uint32_t size;
};

uint32_t silence() {
    sound_enabled = 0;
    return 0;
}

void free_samples(WaveSamples& samples) {
    if (samples.block == nullptr) return;
    if (samples.bytes != nullptr) platform_memory_unlock(samples.block);
    platform_memory_free(samples.block);
    samples.block = nullptr;
    samples.bytes = nullptr;
}

// The format from the "fmt " chunk of the RIFF "WAVE" chunk, then the samples of the
// first "data" chunk after it.
bool read_wave(PlatformRiff* riff, WaveSamples& out) {
    RiffChunk wave{};
    wave.form_type = fourcc('W', 'A', 'V', 'E');
    if (!platform_riff_descend(riff, &wave, nullptr, RIFF_FIND_RIFF)) return false;
    RiffChunk chunk{};
    chunk.id = fourcc('f', 'm', 't', ' ');
    if (!platform_riff_descend(riff, &chunk, &wave, RIFF_FIND_CHUNK)) return false;
    // 18 bytes whatever the chunk's size: after a 16-byte PCM chunk the last two are the
    // next chunk's first bytes and land in extra_size, which PCM does not use.
    if (platform_riff_read(riff, &out.format, static_cast<int32_t>(sizeof out.format)) == -1) return false;
    if (!platform_riff_ascend(riff, &chunk, 0)) return false;
    chunk = RiffChunk{};
    chunk.id = fourcc('d', 'a', 't', 'a');
    if (!platform_riff_descend(riff, &chunk, &wave, RIFF_FIND_CHUNK)) return false;
    out.size = chunk.size;
    out.block = platform_memory_alloc(MEMORY_MOVABLE, out.size);
    if (out.block == nullptr) return false;
    out.bytes = static_cast<uint8_t*>(platform_memory_lock(out.block));
    if (out.bytes == nullptr) return false;
    const int32_t read = platform_riff_read(riff, out.bytes, static_cast<int32_t>(out.size));
    if (read == -1) return false;
    // A chunk cut short by the image's end: the missing samples are silence.
    const uint32_t got = static_cast<uint32_t>(read);
    if (got < out.size) memset(out.bytes + got, 0, out.size - got);
    return true;
}

// Copies samples into the one or two parts a buffer lock gave, never past either.
void copy_into_parts(const WaveSamples& samples, void* part1, uint32_t part1_bytes, void* part2, uint32_t part2_bytes) {
    const uint32_t first = samples.size < part1_bytes ? samples.size : part1_bytes;
    if (part1 != nullptr) memcpy(part1, samples.bytes, first);
    const uint32_t left = samples.size - first;
    const uint32_t second = left < part2_bytes ? left : part2_bytes;
    if (part2 != nullptr && second != 0) memcpy(part2, samples.bytes + first, second);
}

// A new buffer on the device in the samples' format, filled and positioned at 0.
bool fill_buffer(PlatformSoundDevice* device, WaveSamples& samples, PlatformSoundBuffer** buffer) {
    if (device == nullptr) return false;
    SoundBufferDescription description{};
    description.size = sizeof description;
    description.flags = CLICK_BUFFER_FLAGS;
    description.buffer_bytes = samples.size;
    description.format = &samples.format;
    if (!platform_sound_create_buffer(device, &description, buffer)) {
        *buffer = nullptr;
        return false;
    }
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t part1_bytes = 0;
    uint32_t part2_bytes = 0;
    if (!platform_buffer_lock(*buffer, 0, samples.size, &part1, &part1_bytes, &part2, &part2_bytes, 0)) return false;
    copy_into_parts(samples, part1, part1_bytes, part2, part2_bytes);
    if (!platform_buffer_unlock(*buffer, part1, part1_bytes, part2, part2_bytes)) return false;
    return platform_buffer_set_position(*buffer, 0);
}

// Reads the open RIFF image, closes it and fills a new buffer from it.
uint32_t load_from_riff(PlatformRiff* riff, PlatformSoundDevice* device, PlatformSoundBuffer** buffer) {
    WaveSamples samples{};
    const bool read = read_wave(riff, samples);
    const bool closed = platform_riff_close(riff);
    bool loaded = false;
    if (read && closed) {
        loaded = fill_buffer(device, samples, buffer);
        if (!loaded) sound_release_buffer(buffer);
    }
    const uint32_t size = samples.size;
    free_samples(samples);
    return loaded ? size : silence();
}

}  // namespace

uint32_t load_click_resource(WindowHandle window, PlatformSoundDevice* device, PlatformSoundBuffer** buffer,
                             uint32_t resource_id, ModuleInstance instance) {
    (void)window;
    if (sound_enabled == 0) return 0;
    sound_release_buffer(buffer);
    PlatformResource* resource = platform_find_resource(instance, static_cast<uint16_t>(resource_id), "WAVE");
    if (resource == nullptr) return silence();
    PlatformResourceData* data = platform_load_resource(instance, resource);
    if (data == nullptr) return silence();
    const void* bytes = platform_lock_resource(data);
    const uint32_t size = bytes != nullptr ? platform_resource_size(instance, resource) : 0;
    PlatformRiff* riff = size != 0 ? platform_riff_open_memory(bytes, size, RESOURCE_OPEN_FLAGS) : nullptr;
    const uint32_t loaded = riff != nullptr ? load_from_riff(riff, device, buffer) : silence();
    platform_free_resource(data);
    return loaded;
}

uint32_t load_click_file(WindowHandle window, PlatformSoundDevice* device, PlatformSoundBuffer** buffer,
                         const char* file_name) {
    (void)window;
    if (sound_enabled == 0) return 0;
    sound_release_buffer(buffer);
    PlatformRiff* riff = platform_riff_open_file(file_name, FILE_OPEN_FLAGS);
    if (riff == nullptr) return silence();
    return load_from_riff(riff, device, buffer);
}
