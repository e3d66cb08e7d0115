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

// What a file's first bytes say, whatever its name: a PE image (an MZ header pointing at
// a PE signature), an MZ file whose PE header is cut short or missing, or neither.
enum class ImageStart { other, pe, mz_cut_short, mz_without_pe };
ImageStart image_start(const std::vector<uint8_t>& head);
// The bytes image_start needs: every real PE header starts well within them.
inline constexpr size_t IMAGE_HEAD_BYTES = 64u << 10;
