// A minimal reader of a PE file's resource directory: (type, name) → data bytes. Names
// are ids or upper-case texts. The host reads a .gau's bitmaps and click with it, on
// Linux, without loading the file; the tests check what the built module carries.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct ResourceKey {
    std::string type;  // "#2" for numeric type 2, or the type's text
    std::string name;  // "#40" for numeric id 40, or the name's text
    bool operator<(const ResourceKey& other) const {
        return type != other.type ? type < other.type : name < other.name;
    }
};

// Reads every resource of the file (first language of each). Returns false with
// error set when the file is not a PE image or its resource directory is malformed.
bool read_pe_resources(const std::string& path, std::map<ResourceKey, std::vector<uint8_t>>& out, std::string& error);

// True when the file starts like a PE image (an MZ header pointing at a PE signature),
// whatever its name.
bool is_pe_image(const std::string& path);
