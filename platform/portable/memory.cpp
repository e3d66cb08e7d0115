// Memory blocks on the portable build: movable blocks behind a handle, and fixed blocks
// whose handle is their address.
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

// Blocks by handle: a movable block's handle is its record, a fixed block's its bytes.
std::unordered_map<PlatformMemory*, std::unique_ptr<PlatformMemory>>& blocks() {
    static std::unordered_map<PlatformMemory*, std::unique_ptr<PlatformMemory>> all;
    return all;
}

PlatformMemory* block_of(PlatformMemory* handle, const char* call) {
    const auto it = blocks().find(handle);
    if (it != blocks().end()) return it->second.get();
    backend_report_misuse(std::string(call) + " on a memory block that is not allocated");
    return nullptr;
}

}  // namespace

void memory_backend_count(LiveObjects& live) {
    live.memory_blocks += static_cast<uint32_t>(blocks().size());
    for (const auto& entry : blocks())
        if (entry.second->locks != 0) ++live.locked_memory_blocks;
}

PlatformMemory* platform_memory_alloc(uint32_t flags, uint32_t bytes) {
    if (!backend_enter(PlatformOp::memory_alloc)) return nullptr;
    auto block = std::make_unique<PlatformMemory>();
    block->movable = (flags & MEMORY_MOVABLE) != 0;
    block->size = bytes;
    if (bytes != 0) block->bytes = std::make_unique<uint8_t[]>(bytes);
    if (!block->movable && bytes == 0) return nullptr;
    PlatformMemory* handle = block->movable ? block.get() : reinterpret_cast<PlatformMemory*>(block->bytes.get());
    blocks().emplace(handle, std::move(block));
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
    if (block_of(handle, "memory_free") != nullptr) blocks().erase(handle);
}
