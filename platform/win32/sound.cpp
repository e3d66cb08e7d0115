// Sound output on Windows: DirectSound devices and secondary buffers.
#include <windows.h>

#include <mmsystem.h>  // needs windows.h first

#include <dsound.h>  // needs mmsystem.h first
#include <cstring>

#include "platform/platform.h"

static_assert(sizeof(DSBUFFERDESC) == sizeof(SoundBufferDescription));
static_assert(sizeof(WAVEFORMATEX) == sizeof(WaveFormat));
static_assert(DSBCAPS_GLOBALFOCUS == SOUND_GLOBAL_FOCUS && DSBCAPS_CTRLVOLUME == SOUND_CONTROL_VOLUME &&
              DSBCAPS_CTRLPAN == SOUND_CONTROL_PAN && DSBCAPS_CTRLFREQUENCY == SOUND_CONTROL_FREQUENCY);
static_assert(DSSCL_NORMAL == SOUND_COOPERATION_NORMAL && DSBSTATUS_PLAYING == SOUND_STATUS_PLAYING);

namespace {

IDirectSound* device_of(PlatformSoundDevice* device) { return reinterpret_cast<IDirectSound*>(device); }
IDirectSoundBuffer* buffer_of(PlatformSoundBuffer* buffer) { return reinterpret_cast<IDirectSoundBuffer*>(buffer); }

// Reads one DWORD-sized value through a DirectSound getter into a 32-bit word.
template <typename Word, typename Getter>
bool read_word(Getter get, Word* out) {
    DWORD value = 0;
    if (FAILED(get(&value))) return false;
    *out = static_cast<Word>(value);
    return true;
}

}  // namespace

bool platform_sound_create(PlatformSoundDevice** device) {
    IDirectSound* created = nullptr;
    if (FAILED(DirectSoundCreate(nullptr, &created, nullptr)) || created == nullptr) {
        *device = nullptr;
        return false;
    }
    *device = reinterpret_cast<PlatformSoundDevice*>(created);
    return true;
}

bool platform_sound_cooperate(PlatformSoundDevice* device, WindowHandle window, uint32_t level) {
    return SUCCEEDED(device_of(device)->SetCooperativeLevel(reinterpret_cast<HWND>(window), level));
}

void platform_sound_release_device(PlatformSoundDevice* device) { device_of(device)->Release(); }

bool platform_sound_create_buffer(PlatformSoundDevice* device, const SoundBufferDescription* description,
                                  PlatformSoundBuffer** buffer) {
    DSBUFFERDESC desc;
    desc.dwSize = description->size;
    desc.dwFlags = description->flags;
    desc.dwBufferBytes = description->buffer_bytes;
    desc.dwReserved = description->reserved;
    desc.lpwfxFormat = reinterpret_cast<LPWAVEFORMATEX>(description->format);
    memcpy(&desc.guid3DAlgorithm, description->algorithm_3d, sizeof desc.guid3DAlgorithm);
    IDirectSoundBuffer* created = nullptr;
    if (FAILED(device_of(device)->CreateSoundBuffer(&desc, &created, nullptr)) || created == nullptr) {
        *buffer = nullptr;
        return false;
    }
    *buffer = reinterpret_cast<PlatformSoundBuffer*>(created);
    return true;
}

bool platform_buffer_lock(PlatformSoundBuffer* buffer, uint32_t offset, uint32_t bytes, void** part1,
                          uint32_t* part1_bytes, void** part2, uint32_t* part2_bytes, uint32_t flags) {
    DWORD bytes1 = 0;
    DWORD bytes2 = 0;
    *part1 = nullptr;
    *part2 = nullptr;
    if (FAILED(buffer_of(buffer)->Lock(offset, bytes, part1, &bytes1, part2, &bytes2, flags))) return false;
    *part1_bytes = bytes1;
    *part2_bytes = bytes2;
    return true;
}

bool platform_buffer_unlock(PlatformSoundBuffer* buffer, void* part1, uint32_t part1_bytes, void* part2,
                            uint32_t part2_bytes) {
    return SUCCEEDED(buffer_of(buffer)->Unlock(part1, part1_bytes, part2, part2_bytes));
}

bool platform_buffer_play(PlatformSoundBuffer* buffer, uint32_t flags) {
    return SUCCEEDED(buffer_of(buffer)->Play(0, 0, flags));
}

bool platform_buffer_stop(PlatformSoundBuffer* buffer) { return SUCCEEDED(buffer_of(buffer)->Stop()); }

bool platform_buffer_status(PlatformSoundBuffer* buffer, uint32_t* status) {
    return read_word([&](DWORD* value) { return buffer_of(buffer)->GetStatus(value); }, status);
}

bool platform_buffer_position(PlatformSoundBuffer* buffer, uint32_t* play_position) {
    return read_word([&](DWORD* value) { return buffer_of(buffer)->GetCurrentPosition(value, nullptr); },
                     play_position);
}

bool platform_buffer_set_position(PlatformSoundBuffer* buffer, uint32_t position) {
    return SUCCEEDED(buffer_of(buffer)->SetCurrentPosition(position));
}

bool platform_buffer_volume(PlatformSoundBuffer* buffer, int32_t* volume) {
    LONG value = 0;
    if (FAILED(buffer_of(buffer)->GetVolume(&value))) return false;
    *volume = value;
    return true;
}

bool platform_buffer_set_volume(PlatformSoundBuffer* buffer, int32_t volume) {
    return SUCCEEDED(buffer_of(buffer)->SetVolume(volume));
}

bool platform_buffer_pan(PlatformSoundBuffer* buffer, int32_t* pan) {
    LONG value = 0;
    if (FAILED(buffer_of(buffer)->GetPan(&value))) return false;
    *pan = value;
    return true;
}

bool platform_buffer_set_pan(PlatformSoundBuffer* buffer, int32_t pan) {
    return SUCCEEDED(buffer_of(buffer)->SetPan(pan));
}

bool platform_buffer_frequency(PlatformSoundBuffer* buffer, uint32_t* frequency) {
    return read_word([&](DWORD* value) { return buffer_of(buffer)->GetFrequency(value); }, frequency);
}

bool platform_buffer_set_frequency(PlatformSoundBuffer* buffer, uint32_t frequency) {
    return SUCCEEDED(buffer_of(buffer)->SetFrequency(frequency));
}

void platform_buffer_release(PlatformSoundBuffer* buffer) { buffer_of(buffer)->Release(); }
