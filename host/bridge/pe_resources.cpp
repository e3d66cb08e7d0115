// PE resource directory walker: DOS header → PE header → section table → resource
// directory (type → name → language → data entry).
#include "host/bridge/pe_resources.h"

#include "host/base/input_file.h"

namespace {

struct Image {
    std::vector<uint8_t> bytes;
    struct Section {
        uint32_t rva, size, file_offset;
    };
    std::vector<Section> sections;

    bool has(size_t offset, size_t count) const { return offset <= bytes.size() && count <= bytes.size() - offset; }
    uint32_t u16(size_t offset) const {
        return has(offset, 2) ? static_cast<uint32_t>(bytes[offset] | bytes[offset + 1] << 8) : 0u;
    }
    uint32_t u32(size_t offset) const {
        if (!has(offset, 4)) return 0;
        return static_cast<uint32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16) |
               static_cast<uint32_t>(bytes[offset + 3]) << 24;
    }
    // File offset of an RVA, or 0 when no section holds it.
    size_t file_offset(uint32_t rva) const {
        for (const Section& s : sections)
            if (rva >= s.rva && rva < s.rva + s.size) return s.file_offset + (rva - s.rva);
        return 0;
    }
};

std::string entry_name(const Image& image, size_t root, uint32_t name_word) {
    if (!(name_word & 0x80000000u)) return "#" + std::to_string(name_word);
    const size_t at = root + (name_word & 0x7FFFFFFFu);
    const uint32_t length = image.u16(at);
    std::string text;
    for (uint32_t i = 0; i < length; ++i) text += static_cast<char>(image.u16(at + 2 + 2 * i));
    return text;
}

}  // namespace

ImageStart image_start(const std::vector<uint8_t>& head) {
    Image image;
    image.bytes = head;
    if (image.u16(0) != 0x5A4D) return ImageStart::other;
    const size_t pe = image.u32(0x3C);
    // The PE signature and the file header after it (20 bytes).
    if (!image.has(0x3C, 4) || !image.has(pe, 24)) return ImageStart::mz_cut_short;
    return image.u32(pe) == 0x4550 ? ImageStart::pe : ImageStart::mz_without_pe;
}

bool read_pe_resources(const std::string& path, std::map<ResourceKey, std::vector<uint8_t>>& out, std::string& error) {
    Image image;
    if (!read_input_file(path, MODULE_FILE, image.bytes, error)) return error = path + ": " + error, false;
    if (image.u16(0) != 0x5A4D) return error = path + ": not an MZ image", false;
    const size_t pe = image.u32(0x3C);
    if (image.u32(pe) != 0x4550) return error = path + ": no PE header", false;
    const uint32_t section_count = image.u16(pe + 6);
    const uint32_t optional_size = image.u16(pe + 20);
    const size_t optional = pe + 24;
    if (image.u16(optional) != 0x10B) return error = path + ": not a 32-bit image", false;
    const uint32_t resource_rva = image.u32(optional + 96 + 2 * 8);
    for (uint32_t i = 0; i < section_count; ++i) {
        const size_t at = optional + optional_size + 40 * i;
        image.sections.push_back({image.u32(at + 12), image.u32(at + 8), image.u32(at + 20)});
    }
    const size_t root = image.file_offset(resource_rva);
    if (!root) return error = path + ": no resource directory", false;

    auto entries = [&](size_t dir) {
        std::vector<std::pair<uint32_t, uint32_t>> list;
        const uint32_t count = image.u16(dir + 12) + image.u16(dir + 14);
        for (uint32_t i = 0; i < count && image.has(dir + 16 + 8 * i, 8); ++i)
            list.emplace_back(image.u32(dir + 16 + 8 * i), image.u32(dir + 20 + 8 * i));
        return list;
    };
    for (auto [type_word, type_dir] : entries(root)) {
        if (!(type_dir & 0x80000000u)) return error = path + ": type entry is not a directory", false;
        for (auto [name_word, name_dir] : entries(root + (type_dir & 0x7FFFFFFFu))) {
            if (!(name_dir & 0x80000000u)) return error = path + ": name entry is not a directory", false;
            const auto languages = entries(root + (name_dir & 0x7FFFFFFFu));
            if (languages.empty() || (languages[0].second & 0x80000000u))
                return error = path + ": malformed language entry", false;
            const size_t data_entry = root + languages[0].second;
            const size_t data = image.file_offset(image.u32(data_entry));
            const uint32_t size = image.u32(data_entry + 4);
            if (!data || !image.has(data, size)) return error = path + ": resource data outside the file", false;
            ResourceKey key{entry_name(image, root, type_word), entry_name(image, root, name_word)};
            out[key] = std::vector<uint8_t>(image.bytes.begin() + static_cast<long>(data),
                                            image.bytes.begin() + static_cast<long>(data + size));
        }
    }
    return true;
}
