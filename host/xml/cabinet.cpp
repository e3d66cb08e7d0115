// The cabinet reader over libmspack: a mspack_system whose files are memory, one reader
// over the cabinet's bytes and one writer into the file being unpacked, bounded.
#include "host/xml/cabinet.h"

#include <mspack.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

struct MemorySystem;

struct MemoryFile {
    mspack_file base;  // first: libmspack hands this pointer back
    MemorySystem* system = nullptr;
    bool writing = false;
    size_t position = 0;
};

struct MemorySystem {
    mspack_system sys;  // first: libmspack hands this pointer back
    const uint8_t* data = nullptr;
    size_t size = 0;
    std::vector<uint8_t>* out = nullptr;  // the file being unpacked
    size_t out_limit = 0;
    bool over_limit = false;
};

MemoryFile* as_file(mspack_file* file) { return reinterpret_cast<MemoryFile*>(file); }

mspack_file* memory_open(mspack_system* self, const char*, int mode) {
    auto* system = reinterpret_cast<MemorySystem*>(self);
    if (mode != MSPACK_SYS_OPEN_READ && mode != MSPACK_SYS_OPEN_WRITE) return nullptr;
    if (mode == MSPACK_SYS_OPEN_WRITE && !system->out) return nullptr;
    auto* file = new MemoryFile();
    file->system = system;
    file->writing = mode == MSPACK_SYS_OPEN_WRITE;
    return &file->base;
}

void memory_close(mspack_file* file) { delete as_file(file); }

int memory_read(mspack_file* file, void* buffer, int bytes) {
    MemoryFile* f = as_file(file);
    if (f->writing || bytes < 0) return -1;
    const size_t left = f->system->size - std::min(f->position, f->system->size);
    const size_t n = std::min(left, static_cast<size_t>(bytes));
    if (n) std::memcpy(buffer, f->system->data + f->position, n);
    f->position += n;
    return static_cast<int>(n);
}

int memory_write(mspack_file* file, void* buffer, int bytes) {
    MemoryFile* f = as_file(file);
    if (!f->writing || bytes < 0) return -1;
    std::vector<uint8_t>& out = *f->system->out;
    if (out.size() + static_cast<size_t>(bytes) > f->system->out_limit) {
        f->system->over_limit = true;
        return -1;
    }
    const auto* from = static_cast<const uint8_t*>(buffer);
    out.insert(out.end(), from, from + bytes);
    return bytes;
}

int memory_seek(mspack_file* file, off_t offset, int mode) {
    MemoryFile* f = as_file(file);
    if (f->writing) return -1;
    const auto size = static_cast<off_t>(f->system->size);
    off_t target = offset;
    if (mode == MSPACK_SYS_SEEK_CUR) target += static_cast<off_t>(f->position);
    if (mode == MSPACK_SYS_SEEK_END) target += size;
    if (target < 0 || target > size) return -1;
    f->position = static_cast<size_t>(target);
    return 0;
}

off_t memory_tell(mspack_file* file) { return static_cast<off_t>(as_file(file)->position); }

void memory_message(mspack_file*, const char*, ...) {}
void* memory_alloc(mspack_system*, size_t bytes) { return std::malloc(bytes); }
void memory_free(void* pointer) { std::free(pointer); }
void memory_copy(void* from, void* to, size_t bytes) { std::memmove(to, from, bytes); }

std::string mspack_problem(int code) {
    switch (code) {
        case MSPACK_ERR_SIGNATURE: return "not a cabinet (no MSCF signature)";
        case MSPACK_ERR_READ:
        case MSPACK_ERR_SEEK: return "truncated: the cabinet ends before its data";
        case MSPACK_ERR_DATAFORMAT: return "damaged: its headers do not hold together";
        case MSPACK_ERR_CHECKSUM: return "damaged: a block's checksum is wrong";
        case MSPACK_ERR_DECRUNCH: return "damaged: its compressed data does not decompress";
        case MSPACK_ERR_NOMEMORY: return "out of memory";
        default: return "unreadable (libmspack error " + std::to_string(code) + ")";
    }
}

struct Decompressor {
    mscab_decompressor* cab = nullptr;
    mscabd_cabinet* opened = nullptr;
    ~Decompressor() {
        if (opened) cab->close(cab, opened);
        if (cab) mspack_destroy_cab_decompressor(cab);
    }
};

}  // namespace

bool read_cabinet(const uint8_t* data, size_t size, std::vector<CabinetFile>& files, std::string& error,
                  const CabinetLimits& limits) {
    files.clear();
    if (size < 4 || std::memcmp(data, "MSCF", 4) != 0) return error = "not a cabinet (no MSCF signature)", false;
    MemorySystem system;
    system.sys = {memory_open,    memory_close, memory_read, memory_write, memory_seek, memory_tell,
                  memory_message, memory_alloc, memory_free, memory_copy,  nullptr};
    system.data = data;
    system.size = size;
    Decompressor d;
    d.cab = mspack_create_cab_decompressor(&system.sys);
    if (!d.cab) return error = "out of memory", false;
    char name[] = "cabinet";
    d.opened = d.cab->open(d.cab, name);
    if (!d.opened) return error = mspack_problem(d.cab->last_error(d.cab)), false;
    size_t count = 0, total = 0;
    for (const mscabd_file* f = d.opened->files; f; f = f->next) {
        if (++count > limits.max_files)
            return error = "holds more than " + std::to_string(limits.max_files) + " files", false;
        if (f->length > limits.max_file_bytes || (total += f->length) > limits.max_total_bytes)
            return error = std::string("would unpack to more than ") + std::to_string(limits.max_total_bytes >> 20) +
                           " MB (" + f->filename + " claims " + std::to_string(f->length) + " bytes)",
                   false;
    }
    for (mscabd_file* f = d.opened->files; f; f = f->next) {
        CabinetFile& file = files.emplace_back();
        file.name = f->filename;
        file.bytes.reserve(f->length);
        system.out = &file.bytes;
        system.out_limit = f->length;
        const int result = d.cab->extract(d.cab, f, name);
        if (result != MSPACK_ERR_OK || file.bytes.size() != f->length) {
            error = file.name + ": " +
                    (system.over_limit ? "unpacks to more bytes than the cabinet says"
                                       : mspack_problem(result == MSPACK_ERR_OK ? MSPACK_ERR_READ : result));
            files.clear();
            return false;
        }
    }
    return true;
}
