// The seam between the module and the operating system. Each operation is declared
// once here with its contract and implemented twice: platform/win32/ for the real
// Windows build, platform/portable/ for the Linux build and its tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Opaque handles of the operating system's objects, as the module holds them.
struct PlatformWindow;
struct PlatformSoundDevice;
struct PlatformSoundBuffer;
using WindowHandle = PlatformWindow*;
// The module's instance handle, as the host's install call hands it over.
using ModuleInstance = uintptr_t;

// Formats one text argument with a printf-style pattern holding a single "%s" into out,
// writing at most out_size bytes including the terminating zero (longer results are
// cut). Returns the number of characters written, without the zero.
int platform_format_text(char* out, size_t out_size, const char* pattern, const char* arg);

// ---------------------------------------------------------------------------------------
// The program that runs the module, and its windows.

// Writes the full file name of the program that runs the module (the host's executable,
// not the module) into out, zero-terminated. Returns its length, or 0 when the name
// could not be had or does not fit into out_size bytes with its zero.
uint32_t platform_program_file_name(char* out, uint32_t out_size);
// The first top-level window of the given class (any title), or null.
WindowHandle platform_find_window(const char* class_name);

// ---------------------------------------------------------------------------------------
// Sound output: a device opened for a window, and buffers of PCM samples on it.

// A PCM wave format as a "fmt " chunk holds it, followed by the extra-size word: the
// platform's 18-byte extended wave format record.
#pragma pack(push, 1)
struct WaveFormat {
    uint16_t format_tag;
    uint16_t channels;
    uint32_t samples_per_second;
    uint32_t bytes_per_second;
    uint16_t block_align;
    uint16_t bits_per_sample;
    uint16_t extra_size;
};
#pragma pack(pop)
static_assert(sizeof(WaveFormat) == 18, "the extended wave format record is 18 bytes");

inline constexpr uint16_t WAVE_FORMAT_TAG_PCM = 1;

// What a new sound buffer is to be: record size, flags, size in bytes, the samples'
// format and the 3D algorithm (all zero: the default). 36 bytes on 32-bit builds.
struct SoundBufferDescription {
    uint32_t size;
    uint32_t flags;
    uint32_t buffer_bytes;
    uint32_t reserved;
    WaveFormat* format;
    uint8_t algorithm_3d[16];
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SoundBufferDescription) == 36, "the buffer description is 36 bytes on 32-bit builds");
#endif

// Buffer description flags.
inline constexpr uint32_t SOUND_CONTROL_FREQUENCY = 0x20;
inline constexpr uint32_t SOUND_CONTROL_PAN = 0x40;
inline constexpr uint32_t SOUND_CONTROL_VOLUME = 0x80;
inline constexpr uint32_t SOUND_GLOBAL_FOCUS = 0x8000;  // audible while another application has the focus
// Cooperation levels; status word bits.
inline constexpr uint32_t SOUND_COOPERATION_NORMAL = 1;
inline constexpr uint32_t SOUND_STATUS_PLAYING = 0x1;

// Opens the default sound device into *device (null on failure). true on success.
bool platform_sound_create(PlatformSoundDevice** device);
// Sets the device's cooperation level for window (which may be null). true on success.
bool platform_sound_cooperate(PlatformSoundDevice* device, WindowHandle window, uint32_t level);
// Gives up the caller's reference to the device.
void platform_sound_release_device(PlatformSoundDevice* device);
// Creates a buffer on the device as described into *buffer (null on failure).
bool platform_sound_create_buffer(PlatformSoundDevice* device, const SoundBufferDescription* description,
                                  PlatformSoundBuffer** buffer);
// Locks bytes of the buffer from offset for writing: the first part, and a second part
// when the range wraps round the buffer's end (null, 0 otherwise). true on success.
bool platform_buffer_lock(PlatformSoundBuffer* buffer, uint32_t offset, uint32_t bytes, void** part1,
                          uint32_t* part1_bytes, void** part2, uint32_t* part2_bytes, uint32_t flags);
// Unlocks the parts exactly as the lock gave them. true on success.
bool platform_buffer_unlock(PlatformSoundBuffer* buffer, void* part1, uint32_t part1_bytes, void* part2,
                            uint32_t part2_bytes);
// Plays the buffer from its play position (flags 0: once). true on success.
bool platform_buffer_play(PlatformSoundBuffer* buffer, uint32_t flags);
// Stops playing. true on success.
bool platform_buffer_stop(PlatformSoundBuffer* buffer);
// Reads the status word (bit 0: playing). true on success.
bool platform_buffer_status(PlatformSoundBuffer* buffer, uint32_t* status);
// Reads the play position in bytes. true on success.
bool platform_buffer_position(PlatformSoundBuffer* buffer, uint32_t* play_position);
// Moves the play position to a byte offset. true on success.
bool platform_buffer_set_position(PlatformSoundBuffer* buffer, uint32_t position);
// Reads / sets the volume, in the platform's units (hundredths of a decibel, 0 loudest).
bool platform_buffer_volume(PlatformSoundBuffer* buffer, int32_t* volume);
bool platform_buffer_set_volume(PlatformSoundBuffer* buffer, int32_t volume);
// Reads / sets the pan, in the platform's units (-10000 left .. 10000 right).
bool platform_buffer_pan(PlatformSoundBuffer* buffer, int32_t* pan);
bool platform_buffer_set_pan(PlatformSoundBuffer* buffer, int32_t pan);
// Reads / sets the playing frequency in samples per second.
bool platform_buffer_frequency(PlatformSoundBuffer* buffer, uint32_t* frequency);
bool platform_buffer_set_frequency(PlatformSoundBuffer* buffer, uint32_t frequency);
// Gives up the caller's reference to the buffer.
void platform_buffer_release(PlatformSoundBuffer* buffer);

// ---------------------------------------------------------------------------------------
// The module's own resources.

struct PlatformResource;      // a resource found in a module
struct PlatformResourceData;  // a loaded resource

// The resource of the named type with a numeric id in the module, or null.
PlatformResource* platform_find_resource(ModuleInstance module, uint16_t id, const char* type);
// Loads a found resource, or null.
PlatformResourceData* platform_load_resource(ModuleInstance module, PlatformResource* resource);
// The bytes of a loaded resource, or null.
const void* platform_lock_resource(PlatformResourceData* data);
// The size of a found resource in bytes; 0 on failure.
uint32_t platform_resource_size(ModuleInstance module, PlatformResource* resource);
// Gives up a loaded resource; its bytes are not used afterwards.
void platform_free_resource(PlatformResourceData* data);

// ---------------------------------------------------------------------------------------
// Chunked RIFF reading, from memory or from a file.

struct PlatformRiff;

// A chunk as descending finds it: id, size of its data, form type (RIFF and LIST
// chunks), the file offset of its data (for RIFF and LIST: of the form type), flags.
struct RiffChunk {
    uint32_t id;
    uint32_t size;
    uint32_t form_type;
    uint32_t data_offset;
    uint32_t flags;
};

inline constexpr uint32_t fourcc(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}

// Open flags and descend flags.
inline constexpr uint32_t RIFF_OPEN_READ = 0x0;
inline constexpr uint32_t RIFF_OPEN_READWRITE = 0x2;
inline constexpr uint32_t RIFF_OPEN_BUFFERED = 0x10000;
inline constexpr uint32_t RIFF_FIND_CHUNK = 0x10;  // a chunk whose id is the chunk's id
inline constexpr uint32_t RIFF_FIND_RIFF = 0x20;   // a RIFF chunk whose form type is the chunk's form type

// Opens size bytes of memory as a RIFF file (the platform's memory I/O), or null.
PlatformRiff* platform_riff_open_memory(const void* bytes, uint32_t size, uint32_t open_flags);
// Opens a file on disk, or null.
PlatformRiff* platform_riff_open_file(const char* file_name, uint32_t open_flags);
// Descends into the chunk the flags ask for, searching forward from the current
// position (inside parent, when given), and fills chunk; the position is then at the
// chunk's data (after the form type for RIFF and LIST chunks). false if not found.
bool platform_riff_descend(PlatformRiff* riff, RiffChunk* chunk, const RiffChunk* parent, uint32_t flags);
// Reads up to bytes bytes from the current position: the count read (short at the
// file's end), or -1 on failure.
int32_t platform_riff_read(PlatformRiff* riff, void* out, int32_t bytes);
// Moves to the end of a chunk descended into (past its pad byte). true on success.
bool platform_riff_ascend(PlatformRiff* riff, RiffChunk* chunk, uint32_t flags);
// Closes the file; the handle is gone afterwards even when this reports failure.
bool platform_riff_close(PlatformRiff* riff);

// ---------------------------------------------------------------------------------------
// Memory blocks.

struct PlatformMemory;

inline constexpr uint32_t MEMORY_MOVABLE = 2;

// Allocates a block of bytes (flags: MEMORY_MOVABLE, or 0 for a fixed block, whose handle
// is its address), or null.
PlatformMemory* platform_memory_alloc(uint32_t flags, uint32_t bytes);
// Locks the block and gives its address, or null.
void* platform_memory_lock(PlatformMemory* block);
// Unlocks a locked block.
void platform_memory_unlock(PlatformMemory* block);
// Frees the block.
void platform_memory_free(PlatformMemory* block);
