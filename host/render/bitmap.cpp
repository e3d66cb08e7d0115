// BMP decoding for the renderer.
#include "host/render/bitmap.h"

#include <cstring>

namespace {

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr size_t FILE_HEADER_SIZE = 14;
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr int MAX_SIDE = 16384;

// One colour of a 32-bit pixel: the bits its mask selects, scaled to 0..255.
struct ColourMask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;  // the largest value of the selected bits
    uint32_t of(uint32_t pixel) const {
        return static_cast<uint32_t>(static_cast<uint64_t>((pixel & mask) >> shift) * 255u / max);
    }
};

// A mask of one run of bits, or false.
bool read_mask(uint32_t mask, ColourMask& out) {
    if (mask == 0) return false;
    int shift = 0;
    while (!(mask >> shift & 1u)) ++shift;
    const uint64_t run = mask >> shift;
    if ((run & (run + 1)) != 0) return false;  // not one run of ones
    out = {mask, shift, static_cast<uint32_t>(run)};
    return true;
}

struct DibLayout {
    int width = 0, height = 0;
    bool top_down = false;
    int bits = 0;
    size_t palette_at = 0;
    uint32_t palette_count = 0;
    size_t pixels_at = 0;
    size_t stride = 0;
    ColourMask red{0xFF0000u, 16, 255}, green{0xFF00u, 8, 255}, blue{0xFFu, 0, 255};  // 32 bits a pixel
};

// Reads the info header at dib (offset into data) and works out where palette and
// pixels lie. file_offset is the pixel offset a file header gave, or 0.
bool read_layout(const uint8_t* data, size_t size, size_t dib, size_t file_offset, size_t max_pixels, DibLayout& layout,
                 std::string& error) {
    if (size < dib + 40) return error = "bitmap header is cut short", false;
    const uint32_t header_size = le32(data + dib);
    if (header_size < 40 || dib + header_size > size) return error = "unsupported bitmap header", false;
    const auto width = static_cast<int32_t>(le32(data + dib + 4));
    const auto height = static_cast<int32_t>(le32(data + dib + 8));
    layout.bits = le16(data + dib + 14);
    const uint32_t compression = le32(data + dib + 16);
    const uint32_t used_colours = le32(data + dib + 32);
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && layout.bits == 32))
        return error = "compressed bitmaps are not supported", false;
    if (layout.bits != 1 && layout.bits != 4 && layout.bits != 8 && layout.bits != 24 && layout.bits != 32)
        return error = "unsupported bit depth " + std::to_string(layout.bits), false;
    if (width <= 0 || width > MAX_SIDE || height == 0 || height < -MAX_SIDE || height > MAX_SIDE)
        return error = "bitmap size out of range", false;
    if (static_cast<size_t>(width) * static_cast<size_t>(height < 0 ? -height : height) > max_pixels)
        return error = "bitmap of " + std::to_string(width) + " x " + std::to_string(height < 0 ? -height : height) +
                       " pixels is larger than " + std::to_string(max_pixels) + " pixels",
               false;
    layout.width = width;
    layout.top_down = height < 0;
    layout.height = height < 0 ? -height : height;
    size_t after_header = dib + header_size;
    if (compression == BI_BITFIELDS) {
        // Red, green and blue masks: right after a 40-byte header, inside a longer one.
        if (header_size == 40) after_header += 12;
        if (dib + 52 > size || after_header > size) return error = "bitmap colour masks are cut short", false;
        if (!read_mask(le32(data + dib + 40), layout.red) || !read_mask(le32(data + dib + 44), layout.green) ||
            !read_mask(le32(data + dib + 48), layout.blue))
            return error = "bitmap colour masks are not runs of bits", false;
    }
    layout.palette_at = after_header;
    if (layout.bits <= 8) layout.palette_count = used_colours ? used_colours : (1u << layout.bits);
    if (layout.palette_count > 256) return error = "palette too large", false;
    layout.pixels_at = file_offset ? file_offset : after_header + 4u * layout.palette_count;
    layout.stride = ((static_cast<size_t>(layout.width) * static_cast<size_t>(layout.bits) + 31) / 32) * 4;
    if (layout.palette_at + 4u * layout.palette_count > size) return error = "palette is cut short", false;
    if (layout.pixels_at > size || (size - layout.pixels_at) / layout.stride < static_cast<size_t>(layout.height))
        return error = "pixel data is cut short", false;
    return true;
}

uint32_t palette_colour(const uint8_t* data, const DibLayout& layout, uint32_t index) {
    if (index >= layout.palette_count) return 0;
    const uint8_t* entry = data + layout.palette_at + 4u * index;  // blue, green, red, reserved
    return static_cast<uint32_t>(entry[2]) << 16 | static_cast<uint32_t>(entry[1]) << 8 | entry[0];
}

uint32_t pixel(const uint8_t* data, const DibLayout& layout, const uint8_t* row, int x) {
    const auto ux = static_cast<size_t>(x);
    switch (layout.bits) {
        case 1: return palette_colour(data, layout, (row[ux / 8] >> (7 - ux % 8)) & 1u);
        case 4: return palette_colour(data, layout, (row[ux / 2] >> (ux % 2 ? 0 : 4)) & 0xFu);
        case 8: return palette_colour(data, layout, row[ux]);
        case 24: {
            const uint8_t* p = row + 3 * ux;
            return static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
        }
        default: {
            const uint32_t value = le32(row + 4 * ux);
            return layout.red.of(value) << 16 | layout.green.of(value) << 8 | layout.blue.of(value);
        }
    }
}

}  // namespace

bool decode_bmp(const uint8_t* data, size_t size, Bitmap& out, std::string& error, size_t max_pixels) {
    if (!data) return error = "no bitmap data", false;
    size_t dib = 0, file_offset = 0;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < FILE_HEADER_SIZE) return error = "bitmap file header is cut short", false;
        dib = FILE_HEADER_SIZE;
        file_offset = le32(data + 10);
    }
    DibLayout layout;
    if (!read_layout(data, size, dib, file_offset, max_pixels, layout, error)) return false;
    out.width = layout.width;
    out.height = layout.height;
    out.pixels.assign(static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height), 0);
    for (int y = 0; y < layout.height; ++y) {
        const int stored_row = layout.top_down ? y : layout.height - 1 - y;
        const uint8_t* row = data + layout.pixels_at + static_cast<size_t>(stored_row) * layout.stride;
        for (int x = 0; x < layout.width; ++x)
            out.pixels[static_cast<size_t>(y) * static_cast<size_t>(layout.width) + static_cast<size_t>(x)] =
                pixel(data, layout, row, x);
    }
    return true;
}
