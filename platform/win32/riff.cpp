// Chunked RIFF reading on Windows: the multimedia file functions over memory or a file.
#include <windows.h>

#include <mmsystem.h>  // needs windows.h first
#include <cstring>

#include "platform/platform.h"

static_assert(sizeof(MMCKINFO) == sizeof(RiffChunk));
static_assert(MMIO_FINDCHUNK == RIFF_FIND_CHUNK && MMIO_FINDRIFF == RIFF_FIND_RIFF);
static_assert(MMIO_ALLOCBUF == RIFF_OPEN_BUFFERED && MMIO_READWRITE == RIFF_OPEN_READWRITE && MMIO_READ == 0);

namespace {

HMMIO file_of(PlatformRiff* riff) { return reinterpret_cast<HMMIO>(riff); }

MMCKINFO to_mmio(const RiffChunk& chunk) {
    MMCKINFO info;
    info.ckid = chunk.id;
    info.cksize = chunk.size;
    info.fccType = chunk.form_type;
    info.dwDataOffset = chunk.data_offset;
    info.dwFlags = chunk.flags;
    return info;
}

void from_mmio(const MMCKINFO& info, RiffChunk& chunk) {
    chunk.id = info.ckid;
    chunk.size = info.cksize;
    chunk.form_type = info.fccType;
    chunk.data_offset = info.dwDataOffset;
    chunk.flags = info.dwFlags;
}

}  // namespace

PlatformRiff* platform_riff_open_memory(const void* bytes, uint32_t size, uint32_t open_flags) {
    // The built-in memory I/O over the caller's bytes; nothing is written to them.
    MMIOINFO info;
    memset(&info, 0, sizeof info);
    info.fccIOProc = FOURCC_MEM;
    info.pchBuffer = static_cast<HPSTR>(const_cast<void*>(bytes));
    info.cchBuffer = static_cast<LONG>(size);
    return reinterpret_cast<PlatformRiff*>(mmioOpenA(nullptr, &info, open_flags));
}

PlatformRiff* platform_riff_open_file(const char* file_name, uint32_t open_flags) {
    return reinterpret_cast<PlatformRiff*>(mmioOpenA(const_cast<LPSTR>(file_name), nullptr, open_flags));
}

bool platform_riff_descend(PlatformRiff* riff, RiffChunk* chunk, const RiffChunk* parent, uint32_t flags) {
    MMCKINFO info = to_mmio(*chunk);
    MMCKINFO parent_info;
    if (parent != nullptr) parent_info = to_mmio(*parent);
    if (mmioDescend(file_of(riff), &info, parent != nullptr ? &parent_info : nullptr, flags) != MMSYSERR_NOERROR)
        return false;
    from_mmio(info, *chunk);
    return true;
}

int32_t platform_riff_read(PlatformRiff* riff, void* out, int32_t bytes) {
    return mmioRead(file_of(riff), static_cast<HPSTR>(out), bytes);
}

bool platform_riff_ascend(PlatformRiff* riff, RiffChunk* chunk, uint32_t flags) {
    MMCKINFO info = to_mmio(*chunk);
    if (mmioAscend(file_of(riff), &info, flags) != MMSYSERR_NOERROR) return false;
    from_mmio(info, *chunk);
    return true;
}

bool platform_riff_close(PlatformRiff* riff) { return mmioClose(file_of(riff), 0) == MMSYSERR_NOERROR; }
