// The table of built-in resources that CMake generates from the resource script.
#pragma once

#include <cstddef>
#include <cstdint>

struct EmbeddedResource {
    const char* type;  // as the script writes it: "WAVE", "BITMAP"...
    uint32_t id;       // numeric id, or 0 when named
    const char* name;  // "" when numeric
    const uint8_t* bytes;
    uint32_t size;
};

extern const EmbeddedResource EMBEDDED_RESOURCES[];
extern const size_t EMBEDDED_RESOURCE_COUNT;
