// Movable memory blocks on Windows: global memory.
#include <windows.h>

#include "platform/platform.h"

static_assert(GMEM_MOVEABLE == MEMORY_MOVABLE);

namespace {

HGLOBAL global_of(PlatformMemory* block) { return reinterpret_cast<HGLOBAL>(block); }

}  // namespace

PlatformMemory* platform_memory_alloc(uint32_t flags, uint32_t bytes) {
    return reinterpret_cast<PlatformMemory*>(GlobalAlloc(flags, bytes));
}

void* platform_memory_lock(PlatformMemory* block) { return GlobalLock(global_of(block)); }

void platform_memory_unlock(PlatformMemory* block) { GlobalUnlock(global_of(block)); }

void platform_memory_free(PlatformMemory* block) { GlobalFree(global_of(block)); }
