// The host's hold on the portable platform: it says which program runs the module and
// which top-level windows exist, injects faults into any platform operation, and reads
// back what the module did with sound (the play log, the buffers' contents, the objects
// still alive). The module never includes this; the host and the tests do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

// Every platform operation that can fail, for the call log and for fault injection.
enum class PlatformOp : uint8_t {
    program_file_name,
    find_window,
    sound_create,
    sound_cooperate,
    sound_create_buffer,
    buffer_lock,
    buffer_unlock,
    buffer_play,
    buffer_stop,
    buffer_status,
    buffer_position,
    buffer_set_position,
    buffer_volume,
    buffer_set_volume,
    buffer_pan,
    buffer_set_pan,
    buffer_frequency,
    buffer_set_frequency,
    find_resource,
    load_resource,
    lock_resource,
    resource_size,
    riff_open_memory,
    riff_open_file,
    riff_descend,
    riff_read,
    riff_ascend,
    riff_close,
    memory_alloc,
    memory_lock,
    count
};
inline constexpr size_t PLATFORM_OP_COUNT = static_cast<size_t>(PlatformOp::count);
const char* platform_op_name(PlatformOp op);

// Forgets faults, the call and play logs, windows, added resources, the lock split and
// the program name. Objects the module still holds stay alive and usable.
void backend_reset();

// The program that runs the module: its full file name (default: the real executable).
void backend_set_program_name(const std::string& full_name);
// A top-level window of a class; the handle lives until the next reset.
WindowHandle backend_add_window(const std::string& class_name);
// Whether a window of the class exists (not a platform call: not logged, never fails).
bool backend_has_window(const std::string& class_name);

// Fault injection. A failing operation does nothing and reports failure as the platform
// would (null handle, false, -1 for reads).
void backend_fail(PlatformOp op, uint32_t nth = 1);  // the nth call of op from now on fails, once
void backend_fail_always(PlatformOp op);             // every call of op from now on fails
void backend_fail_call(uint32_t nth);                // the nth call of any operation from now on fails
void backend_clear_faults();
// The logs below keep the latest LOG_LIMIT entries since the last reset (older ones are
// dropped in halves), so that a long run holds a bounded log.
inline constexpr size_t LOG_LIMIT = 8192;
// The operations called since the last reset, in order, and those made to fail.
const std::vector<PlatformOp>& backend_calls();
const std::vector<PlatformOp>& backend_failures();

// Locks of sound buffers hand out two parts, the first of at most this many bytes (0:
// only as a range that wraps round the buffer's end needs).
void backend_set_lock_split(uint32_t first_part_bytes);

// One play call that succeeded.
struct PlayRecord {
    uint32_t buffer;    // the buffer's id
    uint32_t device;    // its device's id
    uint32_t flags;     // as given (1: looping)
    uint32_t position;  // the play position it started from
};
const std::vector<PlayRecord>& backend_play_log();

// A live sound buffer as the back end holds it.
struct BufferView {
    uint32_t id = 0;
    uint32_t device = 0;
    SoundBufferDescription description{};  // format pointer cleared
    WaveFormat format{};
    std::vector<uint8_t> bytes;
    uint32_t position = 0;
    bool playing = false;
    int32_t volume = 0;
    int32_t pan = 0;
    uint32_t frequency = 0;
};
bool backend_buffer_view(const PlatformSoundBuffer* buffer, BufferView& out);
// A live device's id and the window its cooperation level was set for (0 / null if unknown).
uint32_t backend_device_id(const PlatformSoundDevice* device);
WindowHandle backend_device_window(const PlatformSoundDevice* device);

// Objects alive in the back end; all zero once the module has given everything up.
struct LiveObjects {
    uint32_t devices = 0;
    uint32_t buffers = 0;
    uint32_t locked_buffers = 0;
    uint32_t loaded_resources = 0;
    uint32_t riff_files = 0;
    uint32_t memory_blocks = 0;
    uint32_t locked_memory_blocks = 0;
    bool none() const {
        return devices + buffers + locked_buffers + loaded_resources + riff_files + memory_blocks +
                   locked_memory_blocks ==
               0;
    }
};
LiveObjects backend_live_objects();
std::string to_string(const LiveObjects& live);

// Misuses the back end saw: handles unknown or already given up, unlocks that do not
// match their lock. Each is also a failure of the call. Cleared by reset.
const std::vector<std::string>& backend_misuse();

// Every sound operation, as it happens: the call's name, the device's or buffer's id,
// the value given (flags, level, bytes, position, volume...; the status and position
// readers give what they read, the other readers 0), and whether it succeeded.
struct SoundCall {
    const char* call;
    uint32_t object;
    int64_t value;
    bool ok;
};
using SoundObserver = void (*)(const SoundCall& call);
void backend_set_sound_observer(SoundObserver observer);

// A resource of the module as the back end holds it.
struct ResourceView {
    std::string type;  // "WAVE", "BITMAP"...
    uint32_t id;       // numeric id, or 0 when named
    std::string name;  // the name when not numeric
    const uint8_t* bytes;
    uint32_t size;
};
// The built-in resources: the files the resource script names, in script order (bitmap
// files keep their 14-byte file header, which the Windows build strips).
std::vector<ResourceView> backend_resources();
// A resource that find_resource finds before any built-in one of that type and id.
void backend_add_resource(const std::string& type, uint16_t id, std::vector<uint8_t> bytes);
