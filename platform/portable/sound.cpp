// The portable sound back end: devices and buffers in memory, checked the way
// DirectSound checks its callers, with every play logged. Nothing is heard.
#include <cstring>
#include <memory>

#include "platform/portable/backend_internal.h"

// A device lives while the module holds it or any buffer made on it lives.
struct PlatformSoundDevice {
    uint32_t id = 0;
    WindowHandle window = nullptr;
    uint32_t level = 0;  // 0 until the cooperation level is set
    bool held = true;    // the module has not released it yet
    uint32_t buffers = 0;
};

// The two parts a lock handed out: separate blocks of exactly their size, copied into
// the samples at unlock, so that a write past a part is a write past a block.
struct BufferLock {
    uint32_t offset = 0;
    std::unique_ptr<uint8_t[]> part1;
    uint32_t part1_bytes = 0;
    std::unique_ptr<uint8_t[]> part2;
    uint32_t part2_bytes = 0;
};

struct PlatformSoundBuffer {
    uint32_t id = 0;
    PlatformSoundDevice* device = nullptr;
    SoundBufferDescription description{};
    WaveFormat format{};
    std::vector<uint8_t> bytes;
    uint32_t position = 0;
    bool playing = false;
    bool looping = false;
    int32_t volume = 0;
    int32_t pan = 0;
    uint32_t frequency = 0;  // 0: the format's own
    std::unique_ptr<BufferLock> lock;
};

namespace {

inline constexpr uint32_t STATUS_LOOPING = 0x4;
inline constexpr uint32_t STATUS_IN_SOFTWARE = 0x8;  // always set: a reader must mask bit 0
inline constexpr uint32_t LOCK_ENTIRE_BUFFER = 0x2;
inline constexpr uint32_t PLAY_LOOPING = 0x1;
inline constexpr uint32_t MIN_BUFFER_BYTES = 4;
inline constexpr uint32_t MAX_BUFFER_BYTES = 0x0FFFFFFF;
inline constexpr uint32_t MIN_FREQUENCY = 100;
inline constexpr uint32_t MAX_FREQUENCY = 200000;

struct SoundState {
    Registry<PlatformSoundDevice> devices;
    Registry<PlatformSoundBuffer> buffers;
    std::vector<PlayRecord> plays;
    uint32_t lock_split = 0;
};

SoundState& sound() {
    static SoundState s;
    return s;
}

// The live device the module holds, or null after reporting the misuse.
PlatformSoundDevice* held_device(PlatformSoundDevice* device, const char* call) {
    if (sound().devices.contains(device) && device->held) return device;
    backend_report_misuse(std::string(call) + " on a device that is not held");
    return nullptr;
}

PlatformSoundBuffer* live_buffer(PlatformSoundBuffer* buffer, const char* call) {
    if (sound().buffers.contains(buffer)) return buffer;
    backend_report_misuse(std::string(call) + " on a buffer that is not alive");
    return nullptr;
}

void drop_device_if_unused(PlatformSoundDevice* device) {
    if (!device->held && device->buffers == 0) sound().devices.remove(device);
}

bool valid_pcm(const WaveFormat& f) {
    const uint32_t block = static_cast<uint32_t>(f.channels) * f.bits_per_sample / 8;
    return f.format_tag == WAVE_FORMAT_TAG_PCM && (f.channels == 1 || f.channels == 2) &&
           (f.bits_per_sample == 8 || f.bits_per_sample == 16) && f.block_align == block &&
           f.samples_per_second >= MIN_FREQUENCY && f.samples_per_second <= MAX_FREQUENCY &&
           f.bytes_per_second == f.samples_per_second * block;
}

bool valid_description(const SoundBufferDescription* d) {
    return d != nullptr && d->size == sizeof(SoundBufferDescription) && d->format != nullptr && valid_pcm(*d->format) &&
           d->buffer_bytes >= MIN_BUFFER_BYTES && d->buffer_bytes <= MAX_BUFFER_BYTES;
}

// A buffer operation: checks the handle and the injected faults, tells the observer.
template <typename Body>
bool buffer_op(PlatformOp op, const char* call, PlatformSoundBuffer* buffer, int64_t value, Body body) {
    PlatformSoundBuffer* b = live_buffer(buffer, call);
    bool ok = b != nullptr && backend_enter(op);
    if (ok) ok = body(*b);
    backend_notify_sound(call, b != nullptr ? b->id : 0, value, ok);
    return ok;
}

// Reads a value through a buffer operation and tells the observer what was read.
template <typename Word, typename Read>
bool buffer_read(PlatformOp op, const char* call, PlatformSoundBuffer* buffer, Word* out, Read read) {
    PlatformSoundBuffer* b = live_buffer(buffer, call);
    const bool ok = b != nullptr && backend_enter(op);
    if (ok) *out = read(*b);
    backend_notify_sound(call, b != nullptr ? b->id : 0, ok ? static_cast<int64_t>(*out) : 0, ok);
    return ok;
}

bool needs(const PlatformSoundBuffer& b, uint32_t control) { return (b.description.flags & control) != 0; }

void fill_part(const PlatformSoundBuffer& b, uint32_t from, uint8_t* part, uint32_t part_bytes) {
    for (uint32_t i = 0; i < part_bytes; ++i) part[i] = b.bytes[(from + i) % b.bytes.size()];
}

void store_part(PlatformSoundBuffer& b, uint32_t from, const uint8_t* part, uint32_t part_bytes) {
    for (uint32_t i = 0; i < part_bytes; ++i) b.bytes[(from + i) % b.bytes.size()] = part[i];
}

}  // namespace

void sound_backend_reset() {
    sound().plays.clear();
    sound().lock_split = 0;
}

void sound_backend_count(LiveObjects& live) {
    live.devices += static_cast<uint32_t>(sound().devices.size());
    live.buffers += static_cast<uint32_t>(sound().buffers.size());
    sound().buffers.each([&](const PlatformSoundBuffer& b) {
        if (b.lock) ++live.locked_buffers;
    });
}

void backend_set_lock_split(uint32_t first_part_bytes) { sound().lock_split = first_part_bytes; }
const std::vector<PlayRecord>& backend_play_log() { return sound().plays; }

bool backend_buffer_view(const PlatformSoundBuffer* buffer, BufferView& out) {
    const PlatformSoundBuffer* found = sound().buffers.find(buffer);
    if (found == nullptr) return false;
    const PlatformSoundBuffer& b = *found;
    out.id = b.id;
    out.device = b.device->id;
    out.description = b.description;
    out.description.format = nullptr;
    out.format = b.format;
    out.bytes = b.bytes;
    out.position = b.position;
    out.playing = b.playing;
    out.volume = b.volume;
    out.pan = b.pan;
    out.frequency = b.frequency != 0 ? b.frequency : b.format.samples_per_second;
    return true;
}

uint32_t backend_device_id(const PlatformSoundDevice* device) {
    const PlatformSoundDevice* found = sound().devices.find(device);
    return found != nullptr ? found->id : 0;
}

WindowHandle backend_device_window(const PlatformSoundDevice* device) {
    const PlatformSoundDevice* found = sound().devices.find(device);
    return found != nullptr ? found->window : nullptr;
}

bool platform_sound_create(PlatformSoundDevice** device) {
    *device = nullptr;
    if (!backend_enter(PlatformOp::sound_create)) {
        backend_notify_sound("create", 0, 0, false);
        return false;
    }
    auto created = std::make_unique<PlatformSoundDevice>();
    created->id = backend_next_id();
    *device = sound().devices.add(std::move(created));
    backend_notify_sound("create", (*device)->id, 0, true);
    return true;
}

bool platform_sound_cooperate(PlatformSoundDevice* device, WindowHandle window, uint32_t level) {
    PlatformSoundDevice* d = held_device(device, "cooperate");
    // Like the real device, it refuses a window that does not exist.
    bool ok = d != nullptr && backend_enter(PlatformOp::sound_cooperate) && backend_window_exists(window) &&
              level == SOUND_COOPERATION_NORMAL;
    if (ok) {
        d->window = window;
        d->level = level;
    }
    backend_notify_sound("cooperate", d != nullptr ? d->id : 0, level, ok);
    return ok;
}

void platform_sound_release_device(PlatformSoundDevice* device) {
    PlatformSoundDevice* d = held_device(device, "release_device");
    backend_notify_sound("release_device", d != nullptr ? d->id : 0, 0, d != nullptr);
    if (d == nullptr) return;
    d->held = false;
    drop_device_if_unused(d);
}

bool platform_sound_create_buffer(PlatformSoundDevice* device, const SoundBufferDescription* description,
                                  PlatformSoundBuffer** buffer) {
    *buffer = nullptr;
    PlatformSoundDevice* d = held_device(device, "create_buffer");
    const bool ok = d != nullptr && backend_enter(PlatformOp::sound_create_buffer) && d->level != 0 &&
                    valid_description(description);
    if (!ok) {
        backend_notify_sound("create_buffer", d != nullptr ? d->id : 0, 0, false);
        return false;
    }
    auto b = std::make_unique<PlatformSoundBuffer>();
    b->id = backend_next_id();
    b->device = d;
    b->description = *description;
    b->format = *description->format;
    b->description.format = &b->format;
    b->bytes.assign(description->buffer_bytes, 0);
    ++d->buffers;
    *buffer = sound().buffers.add(std::move(b));
    backend_notify_sound("create_buffer", (*buffer)->id, description->buffer_bytes, true);
    return true;
}

bool platform_buffer_lock(PlatformSoundBuffer* buffer, uint32_t offset, uint32_t bytes, void** part1,
                          uint32_t* part1_bytes, void** part2, uint32_t* part2_bytes, uint32_t flags) {
    *part1 = nullptr;
    *part2 = nullptr;
    *part1_bytes = 0;
    *part2_bytes = 0;
    return buffer_op(PlatformOp::buffer_lock, "lock", buffer, bytes, [&](PlatformSoundBuffer& b) {
        const uint32_t size = static_cast<uint32_t>(b.bytes.size());
        const uint32_t wanted = (flags & LOCK_ENTIRE_BUFFER) != 0 ? size : bytes;
        if (b.lock || offset >= size || wanted == 0 || wanted > size) return false;
        auto lock = std::make_unique<BufferLock>();
        lock->offset = offset;
        lock->part1_bytes = size - offset < wanted ? size - offset : wanted;
        if (sound().lock_split != 0 && sound().lock_split < lock->part1_bytes) lock->part1_bytes = sound().lock_split;
        lock->part2_bytes = wanted - lock->part1_bytes;
        lock->part1 = std::make_unique<uint8_t[]>(lock->part1_bytes);
        fill_part(b, offset, lock->part1.get(), lock->part1_bytes);
        if (lock->part2_bytes != 0) {
            lock->part2 = std::make_unique<uint8_t[]>(lock->part2_bytes);
            fill_part(b, offset + lock->part1_bytes, lock->part2.get(), lock->part2_bytes);
        }
        *part1 = lock->part1.get();
        *part1_bytes = lock->part1_bytes;
        *part2 = lock->part2.get();
        *part2_bytes = lock->part2_bytes;
        b.lock = std::move(lock);
        return true;
    });
}

bool platform_buffer_unlock(PlatformSoundBuffer* buffer, void* part1, uint32_t part1_bytes, void* part2,
                            uint32_t part2_bytes) {
    return buffer_op(PlatformOp::buffer_unlock, "unlock", buffer, part1_bytes + part2_bytes,
                     [&](PlatformSoundBuffer& b) {
                         BufferLock* lock = b.lock.get();
                         if (lock == nullptr || part1 != lock->part1.get() || part2 != lock->part2.get() ||
                             part1_bytes > lock->part1_bytes || part2_bytes > lock->part2_bytes) {
                             backend_report_misuse("unlock does not match the buffer's lock");
                             return false;
                         }
                         store_part(b, lock->offset, lock->part1.get(), part1_bytes);
                         store_part(b, lock->offset + lock->part1_bytes, lock->part2.get(), part2_bytes);
                         b.lock.reset();
                         return true;
                     });
}

bool platform_buffer_play(PlatformSoundBuffer* buffer, uint32_t flags) {
    return buffer_op(PlatformOp::buffer_play, "play", buffer, flags, [&](PlatformSoundBuffer& b) {
        b.playing = true;
        b.looping = (flags & PLAY_LOOPING) != 0;
        keep_bounded(sound().plays, PlayRecord{b.id, b.device->id, flags, b.position});
        return true;
    });
}

bool platform_buffer_stop(PlatformSoundBuffer* buffer) {
    return buffer_op(PlatformOp::buffer_stop, "stop", buffer, 0, [](PlatformSoundBuffer& b) {
        b.playing = false;
        b.looping = false;
        return true;
    });
}

bool platform_buffer_status(PlatformSoundBuffer* buffer, uint32_t* status) {
    return buffer_read(PlatformOp::buffer_status, "status", buffer, status, [](const PlatformSoundBuffer& b) {
        return STATUS_IN_SOFTWARE | (b.playing ? SOUND_STATUS_PLAYING : 0u) | (b.looping ? STATUS_LOOPING : 0u);
    });
}

bool platform_buffer_position(PlatformSoundBuffer* buffer, uint32_t* play_position) {
    return buffer_read(PlatformOp::buffer_position, "position", buffer, play_position,
                       [](const PlatformSoundBuffer& b) { return b.position; });
}

bool platform_buffer_set_position(PlatformSoundBuffer* buffer, uint32_t position) {
    return buffer_op(PlatformOp::buffer_set_position, "set_position", buffer, position, [&](PlatformSoundBuffer& b) {
        if (position >= b.bytes.size()) return false;
        b.position = position;
        return true;
    });
}

bool platform_buffer_volume(PlatformSoundBuffer* buffer, int32_t* volume) {
    return buffer_op(PlatformOp::buffer_volume, "volume", buffer, 0, [&](PlatformSoundBuffer& b) {
        if (!needs(b, SOUND_CONTROL_VOLUME)) return false;
        *volume = b.volume;
        return true;
    });
}

bool platform_buffer_set_volume(PlatformSoundBuffer* buffer, int32_t volume) {
    return buffer_op(PlatformOp::buffer_set_volume, "set_volume", buffer, volume, [&](PlatformSoundBuffer& b) {
        if (!needs(b, SOUND_CONTROL_VOLUME) || volume < -10000 || volume > 0) return false;
        b.volume = volume;
        return true;
    });
}

bool platform_buffer_pan(PlatformSoundBuffer* buffer, int32_t* pan) {
    return buffer_op(PlatformOp::buffer_pan, "pan", buffer, 0, [&](PlatformSoundBuffer& b) {
        if (!needs(b, SOUND_CONTROL_PAN)) return false;
        *pan = b.pan;
        return true;
    });
}

bool platform_buffer_set_pan(PlatformSoundBuffer* buffer, int32_t pan) {
    return buffer_op(PlatformOp::buffer_set_pan, "set_pan", buffer, pan, [&](PlatformSoundBuffer& b) {
        if (!needs(b, SOUND_CONTROL_PAN) || pan < -10000 || pan > 10000) return false;
        b.pan = pan;
        return true;
    });
}

bool platform_buffer_frequency(PlatformSoundBuffer* buffer, uint32_t* frequency) {
    return buffer_op(PlatformOp::buffer_frequency, "frequency", buffer, 0, [&](PlatformSoundBuffer& b) {
        if (!needs(b, SOUND_CONTROL_FREQUENCY)) return false;
        *frequency = b.frequency != 0 ? b.frequency : b.format.samples_per_second;
        return true;
    });
}

bool platform_buffer_set_frequency(PlatformSoundBuffer* buffer, uint32_t frequency) {
    return buffer_op(PlatformOp::buffer_set_frequency, "set_frequency", buffer, frequency, [&](PlatformSoundBuffer& b) {
        const bool in_range = frequency == 0 || (frequency >= MIN_FREQUENCY && frequency <= MAX_FREQUENCY);
        if (!needs(b, SOUND_CONTROL_FREQUENCY) || !in_range) return false;
        b.frequency = frequency;
        return true;
    });
}

void platform_buffer_release(PlatformSoundBuffer* buffer) {
    PlatformSoundBuffer* b = live_buffer(buffer, "release_buffer");
    backend_notify_sound("release_buffer", b != nullptr ? b->id : 0, 0, b != nullptr);
    if (b == nullptr) return;
    PlatformSoundDevice* device = b->device;
    sound().buffers.remove(b);
    --device->buffers;
    drop_device_if_unused(device);
}
