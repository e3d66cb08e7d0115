// A heap probe for the test binary: it replaces malloc and its kin, and while switched
// on, asks of every allocation who wanted it: the first frame on the stack that lies in
// the gauge module, the portable platform library or this executable (the host) decides;
// frames of the C and C++ runtimes in between are passed over. The module's .so calls
// the same malloc, since the executable's definition comes first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace heap_probe {

// Names the three owners by an address inside each.
void set_owners(const void* in_module, const void* in_platform, const void* in_host);
void start();
void stop();

struct Counts {
    int module = 0;                               // asked for by the module's own code
    int platform = 0;                             // by the portable platform library (its logs are the test double's)
    int host = 0;                                 // by the host
    int unknown = 0;                              // no owner found on the stack
    const char* first_module_function = nullptr;  // where the module first allocated (if exported)
    uintptr_t first_module_offset = 0;            // and at which offset of the library
};
Counts counts();

}  // namespace heap_probe
