// The sound device layer: the host's main window, opening and releasing devices, and
// the buffer operations, which all fall silent for good at the first failure.
#include <cstring>

#include "sound/sound.h"

constinit uint32_t sound_enabled = 1;

namespace {

inline constexpr uint32_t PATH_BYTES = 260;  // a full file name with its zero

// The pieces of a full file name: the drive ("X:"), the folder up to and with its last
// separator, and the bare name up to its extension (from the last dot on).
struct PathParts {
    uint32_t drive_length;
    uint32_t folder_length;
    const char* bare_name;
    uint32_t bare_name_length;
};

bool is_separator(char c) { return c == '\\' || c == '/'; }

PathParts split_path(const char* path) {
    PathParts parts{};
    if (path[0] != '\0' && path[1] == ':') parts.drive_length = 2;
    const char* folder = path + parts.drive_length;
    const char* name = folder;
    for (const char* p = folder; *p != '\0'; ++p)
        if (is_separator(*p)) name = p + 1;
    const char* dot = nullptr;
    for (const char* p = name; *p != '\0'; ++p)
        if (*p == '.') dot = p;
    parts.folder_length = static_cast<uint32_t>(name - folder);
    parts.bare_name = name;
    parts.bare_name_length = static_cast<uint32_t>(dot ? dot - name : static_cast<ptrdiff_t>(strlen(name)));
    return parts;
}

// The program's full file name into out, or an empty text when it cannot be had.
void program_file_name(char (&out)[PATH_BYTES]) {
    if (platform_program_file_name(out, PATH_BYTES) == 0) out[0] = '\0';
}

// The common path of every buffer operation: silent layer or no buffer, nothing; a
// platform failure silences the layer and drops (and gives up) the buffer.
template <typename Call>
bool buffer_call(PlatformSoundBuffer** buffer, Call call) {
    if (sound_enabled == 0 || *buffer == nullptr) return false;
    if (call(*buffer)) return true;
    sound_enabled = 0;
    sound_release_buffer(buffer);
    return false;
}

}  // namespace

// Which program runs the module decides the main window's class, by exact byte tests
// on its bare name: 4th character '2', else 1st 'C', pick "MSCFSMAIN"; else "FS98MAIN"
// (the 3rd-character '2' test also picks it).
const char* host_window_class(const char* bare_name) {
    const size_t length = strlen(bare_name);
    const auto char_at = [&](size_t index, char c) { return index < length && bare_name[index] == c; };
    enum HostKind { PLAIN = 1, COMBAT = 2, FS2 = 3, COMBAT2 = 4 };
    const HostKind kind = char_at(3, '2') ? COMBAT2 : char_at(0, 'C') ? COMBAT : char_at(2, '2') ? FS2 : PLAIN;
    return kind == COMBAT || kind == COMBAT2 ? "MSCFSMAIN" : "FS98MAIN";
}

WindowHandle find_host_window() {
    char path[PATH_BYTES];
    program_file_name(path);
    const PathParts parts = split_path(path);
    char bare_name[PATH_BYTES];
    memcpy(bare_name, parts.bare_name, parts.bare_name_length);
    bare_name[parts.bare_name_length] = '\0';
    return platform_find_window(host_window_class(bare_name));
}

char* host_folder_path(const char* file_name) {
    char path[PATH_BYTES];
    program_file_name(path);
    const PathParts parts = split_path(path);
    const size_t head = parts.drive_length + parts.folder_length;
    const size_t tail = strlen(file_name);
    if (head + tail > PATH_BYTES - 1) return nullptr;
    PlatformMemory* block = platform_memory_alloc(0, PATH_BYTES);
    if (block == nullptr) return nullptr;
    char* out = static_cast<char*>(platform_memory_lock(block));
    if (out == nullptr) {
        platform_memory_free(block);
        return nullptr;
    }
    memcpy(out, path, head);
    memcpy(out + head, file_name, tail);
    out[head + tail] = '\0';
    return out;
}

void host_folder_path_free(char* path) {
    if (path != nullptr) platform_memory_free(reinterpret_cast<PlatformMemory*>(path));
}

uint32_t sound_open(WindowHandle window, PlatformSoundDevice** device) {
    sound_release_device(device);
    if (!platform_sound_create(device)) {
        *device = nullptr;
        sound_enabled = 0;
        return 0;
    }
    // Made even without a window: the platform decides whether it accepts none.
    if (!platform_sound_cooperate(*device, window, SOUND_COOPERATION_NORMAL)) {
        sound_release_device(device);
        sound_enabled = 0;
        return 0;
    }
    return 1;
}

void sound_release_device(PlatformSoundDevice** device) {
    if (*device == nullptr) return;
    platform_sound_release_device(*device);
    *device = nullptr;
}

void sound_release_buffer(PlatformSoundBuffer** buffer) {
    if (*buffer == nullptr) return;
    platform_buffer_release(*buffer);
    *buffer = nullptr;
}

uint32_t sound_play(PlatformSoundBuffer** buffer, uint32_t flags) {
    return buffer_call(buffer, [flags](PlatformSoundBuffer* b) { return platform_buffer_play(b, flags); });
}

uint32_t sound_stop(PlatformSoundBuffer** buffer) { return buffer_call(buffer, platform_buffer_stop); }

uint32_t sound_is_playing(PlatformSoundBuffer** buffer) {
    uint32_t status = 0;
    if (!buffer_call(buffer, [&](PlatformSoundBuffer* b) { return platform_buffer_status(b, &status); })) return 0;
    return status & SOUND_STATUS_PLAYING;
}

uint32_t sound_position(PlatformSoundBuffer** buffer) {
    uint32_t position = 0;
    return buffer_call(buffer, [&](PlatformSoundBuffer* b) { return platform_buffer_position(b, &position); })
               ? position
               : 0;
}

uint32_t sound_set_position(PlatformSoundBuffer** buffer, uint32_t position) {
    return buffer_call(buffer,
                       [position](PlatformSoundBuffer* b) { return platform_buffer_set_position(b, position); });
}

int32_t sound_volume(PlatformSoundBuffer** buffer) {
    int32_t volume = 0;
    return buffer_call(buffer, [&](PlatformSoundBuffer* b) { return platform_buffer_volume(b, &volume); }) ? volume : 0;
}

uint32_t sound_set_volume(PlatformSoundBuffer** buffer, int32_t volume) {
    return buffer_call(buffer, [volume](PlatformSoundBuffer* b) { return platform_buffer_set_volume(b, volume); });
}

int32_t sound_pan(PlatformSoundBuffer** buffer) {
    int32_t pan = 0;
    return buffer_call(buffer, [&](PlatformSoundBuffer* b) { return platform_buffer_pan(b, &pan); }) ? pan : 0;
}

uint32_t sound_set_pan(PlatformSoundBuffer** buffer, int32_t pan) {
    return buffer_call(buffer, [pan](PlatformSoundBuffer* b) { return platform_buffer_set_pan(b, pan); });
}

uint32_t sound_frequency(PlatformSoundBuffer** buffer) {
    uint32_t frequency = 0;
    return buffer_call(buffer, [&](PlatformSoundBuffer* b) { return platform_buffer_frequency(b, &frequency); })
               ? frequency
               : 0;
}

uint32_t sound_set_frequency(PlatformSoundBuffer** buffer, uint32_t frequency) {
    return buffer_call(buffer,
                       [frequency](PlatformSoundBuffer* b) { return platform_buffer_set_frequency(b, frequency); });
}
