// Memory blocks on the portable build: movable blocks behind a handle, and fixed blocks
// whose handle is their address. Kept by disguised address (see Registry), so that a
// block the module loses is a leak LeakSanitizer reports.
#include <memory>
#include <unordered_map>

#include "platform/portable/backend_internal.h"

struct PlatformMemory {
    std::unique_ptr<uint8_t[]> bytes;
    uint32_t size = 0;
    bool movable = false;
    uint32_t locks = 0;
};

namespace {

uintptr_t hide(const void* p) { return ~reinterpret_cast<uintptr_t>(p); }
PlatformMemory* reveal(uintptr_t key) { return reinterpret_cast<PlatformMemory*>(~key); }

// Disguised handle -> disguised block record. A movable block's handle is its record,
// a fixed block's handle its bytes.
std::unordered_map<uintptr_t, uintptr_t>& blocks() {
    static std::unordered_map<uintptr_t, uintptr_t> all;
    return all;
}

PlatformMemory* block_of(const PlatformMemory* handle, const char* call) {
    const auto it = blocks().find(hide(handle));
    if (it != blocks().end()) return reveal(it->second);
    backend_report_misuse(std::string(call) + " on a memory block that is not allocated");
    return nullptr;
}

}  // namespace

void memory_backend_count(LiveObjects& live) {
    live.memory_blocks += static_cast<uint32_t>(blocks().size());
    for (const auto& entry : blocks())
        if (reveal(entry.second)->locks != 0) ++live.locked_memory_blocks;
}

PlatformMemory* platform_memory_alloc(uint32_t flags, uint32_t bytes) {
    if (!backend_enter(PlatformOp::memory_alloc)) return nullptr;
    const bool movable = (flags & MEMORY_MOVABLE) != 0;
    if (!movable && bytes == 0) return nullptr;
    auto block = std::make_unique<PlatformMemory>();
    block->movable = movable;
    block->size = bytes;
    if (bytes != 0) block->bytes = std::make_unique<uint8_t[]>(bytes);
    PlatformMemory* record = block.release();
    PlatformMemory* handle = movable ? record : reinterpret_cast<PlatformMemory*>(record->bytes.get());
    blocks().emplace(hide(handle), hide(record));
    return handle;
}

void* platform_memory_lock(PlatformMemory* handle) {
    if (!backend_enter(PlatformOp::memory_lock)) return nullptr;
    PlatformMemory* block = block_of(handle, "memory_lock");
    // An empty movable block has no memory to give, as on Windows.
    if (block == nullptr || block->size == 0) return nullptr;
    if (block->movable) ++block->locks;
    return block->bytes.get();
}

void platform_memory_unlock(PlatformMemory* handle) {
    PlatformMemory* block = block_of(handle, "memory_unlock");
    if (block != nullptr && block->locks != 0) --block->locks;
}

void platform_memory_free(PlatformMemory* handle) {
    PlatformMemory* block = block_of(handle, "memory_free");
    if (block == nullptr) return;
    blocks().erase(hide(handle));
    delete block;
}
