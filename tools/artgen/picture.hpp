// Finished pixels of one bitmap, and how they become Windows BMP bytes.
// Pure black (0,0,0) means "see-through" to the host; every other pixel is kept at
// (8,8,8) or lighter in each channel so that no opaque pixel turns transparent.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

struct Rgb {
    std::uint8_t r, g, b;
};

inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
inline bool is_transparent(Rgb c) { return c.r == 0 && c.g == 0 && c.b == 0; }

// The darkest value any channel of an opaque pixel may take.
constexpr std::uint8_t kOpaqueFloor = 8;

struct Picture {
    int w = 0, h = 0;
    std::vector<Rgb> px;  // row-major, top row first
    Rgb at(int x, int y) const { return px[static_cast<std::size_t>(y * w + x)]; }
};

// Edge handling for pixels that the drawing covered only partly.
// matte == 0: alpha >= 50 % keeps the unblended colour, less is transparent.
// matte != 0 (0xRRGGBB): alpha >= 25 % is blended over that colour (the colour the
// picture will usually sit on), less is transparent.
Picture picture_from_surface(cairo_surface_t* surface, std::uint32_t matte);

// Palettised form: palette entry 0 is always pure black, opaque pixels never use it.
struct Indexed {
    std::vector<Rgb> palette;         // 1..256 entries
    std::vector<std::uint8_t> index;  // one per pixel, row-major, top row first
};

// Exact palette when the picture has at most 255 opaque colours, otherwise a
// median cut with every tie broken by colour value, so the result never varies.
Indexed quantise(const Picture& pic);
Picture expand(const Indexed& ix, int w, int h);

std::vector<std::uint8_t> encode_bmp8(const Indexed& ix, int w, int h);
std::vector<std::uint8_t> encode_bmp24(const Picture& pic);

// A nearest-neighbour enlargement as PNG, to look at the artwork.
bool write_png(const Picture& pic, int scale, const std::string& path);
cairo_surface_t* surface_from_picture(const Picture& pic);  // black becomes alpha 0

}  // namespace artgen
