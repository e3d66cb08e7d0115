// A small RIFF walker with the semantics the loader relies on: descending searches
// forward from the current position (within the parent), skipping other chunks;
// reading may come up short at the end and gives -1 only on failure; ascending moves
// past the chunk and its pad byte.
#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/portable/backend_internal.h"

struct PlatformRiff {
    std::vector<uint8_t> file_bytes;  // a file's contents; memory files use the caller's
    const uint8_t* bytes = nullptr;
    uint32_t size = 0;
    uint64_t position = 0;
};

namespace {

inline constexpr uint32_t RIFF_ID = fourcc('R', 'I', 'F', 'F');
inline constexpr uint32_t LIST_ID = fourcc('L', 'I', 'S', 'T');
inline constexpr uint32_t FIND_LIST = 0x40;

Registry<PlatformRiff>& open_files() {
    static Registry<PlatformRiff> files;
    return files;
}

PlatformRiff* open_file(PlatformRiff* riff, const char* call) {
    if (open_files().contains(riff)) return riff;
    backend_report_misuse(std::string(call) + " on a RIFF file that is not open");
    return nullptr;
}

uint32_t word_at(const PlatformRiff& r, uint64_t offset) {
    uint32_t word = 0;
    if (offset + 4 <= r.size) std::memcpy(&word, r.bytes + offset, 4);
    return word;
}

PlatformRiff* keep(std::unique_ptr<PlatformRiff> riff) { return open_files().add(std::move(riff)); }

bool has_form_type(uint32_t id) { return id == RIFF_ID || id == LIST_ID; }

}  // namespace

void riff_backend_count(LiveObjects& live) { live.riff_files += static_cast<uint32_t>(open_files().size()); }

PlatformRiff* platform_riff_open_memory(const void* bytes, uint32_t size, uint32_t open_flags) {
    (void)open_flags;
    if (!backend_enter(PlatformOp::riff_open_memory) || (bytes == nullptr && size != 0)) return nullptr;
    auto riff = std::make_unique<PlatformRiff>();
    riff->bytes = static_cast<const uint8_t*>(bytes);
    riff->size = size;
    return keep(std::move(riff));
}

PlatformRiff* platform_riff_open_file(const char* file_name, uint32_t open_flags) {
    (void)open_flags;
    if (!backend_enter(PlatformOp::riff_open_file) || file_name == nullptr) return nullptr;
    FILE* in = std::fopen(file_name, "rb");
    if (in == nullptr) return nullptr;
    auto riff = std::make_unique<PlatformRiff>();
    uint8_t chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, in)) != 0)
        riff->file_bytes.insert(riff->file_bytes.end(), chunk, chunk + got);
    std::fclose(in);
    if (riff->file_bytes.size() > UINT32_MAX) return nullptr;
    riff->bytes = riff->file_bytes.data();
    riff->size = static_cast<uint32_t>(riff->file_bytes.size());
    return keep(std::move(riff));
}

bool platform_riff_descend(PlatformRiff* riff, RiffChunk* chunk, const RiffChunk* parent, uint32_t flags) {
    PlatformRiff* r = open_file(riff, "riff_descend");
    if (r == nullptr || !backend_enter(PlatformOp::riff_descend)) return false;
    uint64_t end = r->size;
    if (parent != nullptr) {
        const uint64_t parent_end = static_cast<uint64_t>(parent->data_offset) + parent->size;
        if (r->position < parent->data_offset || r->position >= parent_end) return false;
        if (parent_end < end) end = parent_end;
    }
    const uint32_t wanted_id = (flags & RIFF_FIND_CHUNK) != 0  ? chunk->id
                               : (flags & RIFF_FIND_RIFF) != 0 ? RIFF_ID
                               : (flags & FIND_LIST) != 0      ? LIST_ID
                                                               : 0;
    const uint32_t wanted_type = (flags & (RIFF_FIND_RIFF | FIND_LIST)) != 0 ? chunk->form_type : 0;
    for (uint64_t at = r->position; at + 8 <= end;) {
        const uint32_t id = word_at(*r, at);
        const uint32_t size = word_at(*r, at + 4);
        const uint32_t form_type = has_form_type(id) ? word_at(*r, at + 8) : 0;
        const uint64_t data = at + 8;
        if ((wanted_id == 0 || id == wanted_id) && (wanted_type == 0 || form_type == wanted_type)) {
            *chunk = RiffChunk{id, size, form_type, static_cast<uint32_t>(data), 0};
            r->position = data + (has_form_type(id) ? 4 : 0);
            return true;
        }
        at = data + size + (size & 1u);
    }
    return false;
}

int32_t platform_riff_read(PlatformRiff* riff, void* out, int32_t bytes) {
    PlatformRiff* r = open_file(riff, "riff_read");
    if (r == nullptr || !backend_enter(PlatformOp::riff_read) || bytes < 0) return -1;
    const uint64_t left = r->position < r->size ? r->size - r->position : 0;
    const uint64_t count = static_cast<uint64_t>(bytes) < left ? static_cast<uint64_t>(bytes) : left;
    if (count != 0) std::memcpy(out, r->bytes + r->position, count);
    r->position += count;
    return static_cast<int32_t>(count);
}

bool platform_riff_ascend(PlatformRiff* riff, RiffChunk* chunk, uint32_t flags) {
    (void)flags;
    PlatformRiff* r = open_file(riff, "riff_ascend");
    if (r == nullptr || !backend_enter(PlatformOp::riff_ascend)) return false;
    r->position = static_cast<uint64_t>(chunk->data_offset) + chunk->size + (chunk->size & 1u);
    return true;
}

bool platform_riff_close(PlatformRiff* riff) {
    PlatformRiff* r = open_file(riff, "riff_close");
    if (r == nullptr) return false;
    const bool ok = backend_enter(PlatformOp::riff_close);
    open_files().remove(r);
    return ok;
}
