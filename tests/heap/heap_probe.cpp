// The malloc replacement behind heap_probe.h, over glibc's own allocator entries.
#include "tests/heap/heap_probe.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {

const void* module_base = nullptr;
const void* platform_base = nullptr;
const void* host_base = nullptr;
bool watching = false;
bool inside = false;  // the probe's own work must not be probed
heap_probe::Counts tally;

const void* base_of(const void* address) {
    Dl_info info{};
    return address && dladdr(address, &info) ? info.dli_fbase : nullptr;
}

// Frames 0 and 1 are this function and the malloc replacement that called it.
__attribute__((noinline)) void note_allocation() {
    if (!watching || inside) return;
    inside = true;
    void* frames[64];
    const int depth = backtrace(frames, 64);
    bool owned = false;
    for (int i = 2; i < depth && !owned; ++i) {
        Dl_info info{};
        if (!dladdr(frames[i], &info)) continue;
        owned = true;
        if (info.dli_fbase == module_base) {
            if (!tally.module++) {
                tally.first_module_function = info.dli_sname;
                tally.first_module_offset =
                    reinterpret_cast<uintptr_t>(frames[i]) - reinterpret_cast<uintptr_t>(info.dli_fbase);
            }
        } else if (info.dli_fbase == platform_base) {
            ++tally.platform;
        } else if (info.dli_fbase == host_base) {
            ++tally.host;
        } else {
            owned = false;  // the C or C++ runtime: look further out
        }
    }
    if (!owned) ++tally.unknown;
    inside = false;
}

}  // namespace

namespace heap_probe {

void set_owners(const void* in_module, const void* in_platform, const void* in_host) {
    module_base = base_of(in_module);
    platform_base = base_of(in_platform);
    host_base = base_of(in_host);
    void* warm[4];
    backtrace(warm, 4);  // the first backtrace loads the unwinder, which allocates
}

void start() {
    tally = {};
    watching = true;
}
void stop() { watching = false; }
Counts counts() { return tally; }

}  // namespace heap_probe

extern "C" {

void* malloc(size_t size) {
    note_allocation();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    note_allocation();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
    note_allocation();
    return __libc_realloc(pointer, size);
}

void* memalign(size_t alignment, size_t size) {
    note_allocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    note_allocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    note_allocation();
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer) return ENOMEM;
    *out = pointer;
    return 0;
}

void free(void* pointer) { __libc_free(pointer); }

}  // extern "C"
