// Turning cairo surfaces into opaque-or-transparent pixels, the palette quantiser,
// and the BMP and PNG encoders.
#include "picture.hpp"

#include <algorithm>
#include <map>

namespace artgen {
namespace {

std::uint8_t lift(unsigned v) {
    return static_cast<std::uint8_t>(std::max<unsigned>(std::min<unsigned>(v, 255), kOpaqueFloor));
}

Rgb opaque(unsigned r, unsigned g, unsigned b) { return Rgb{lift(r), lift(g), lift(b)}; }

std::uint32_t pack(Rgb c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | std::uint32_t{c.b}; }

Rgb unpack(std::uint32_t v) {
    return Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)};
}

std::uint8_t channel(std::uint32_t v, int ch) { return static_cast<std::uint8_t>(v >> (16 - 8 * ch)); }

void put_u16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// BITMAPFILEHEADER + BITMAPINFOHEADER for an uncompressed bottom-up bitmap.
std::vector<std::uint8_t> bmp_headers(int w, int h, unsigned bits, std::uint32_t colours, std::uint32_t image_bytes) {
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put_u32(out, offset + image_bytes);
    put_u32(out, 0);
    put_u32(out, offset);
    put_u32(out, 40);
    put_u32(out, static_cast<std::uint32_t>(w));
    put_u32(out, static_cast<std::uint32_t>(h));
    put_u16(out, 1);
    put_u16(out, bits);
    put_u32(out, 0);  // BI_RGB
    put_u32(out, image_bytes);
    put_u32(out, 2835);  // 72 dpi
    put_u32(out, 2835);
    put_u32(out, colours);
    put_u32(out, 0);
    return out;
}

std::uint32_t row_stride(int w, unsigned bits) { return ((static_cast<std::uint32_t>(w) * bits + 31) / 32) * 4; }

// --- median cut -------------------------------------------------------------

struct Entry {
    std::uint32_t colour;
    std::uint64_t count;
};

struct Box {
    std::vector<Entry> entries;
    std::uint64_t count() const {
        std::uint64_t n = 0;
        for (const Entry& e : entries) n += e.count;
        return n;
    }
    // Widest channel and its range.
    std::pair<int, int> widest() const {
        int best_ch = 0, best_range = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (const Entry& e : entries) {
                lo = std::min<int>(lo, channel(e.colour, ch));
                hi = std::max<int>(hi, channel(e.colour, ch));
            }
            if (hi - lo > best_range) best_ch = ch, best_range = hi - lo;
        }
        return {best_ch, best_range};
    }
    Rgb mean() const {
        std::uint64_t sum[3] = {0, 0, 0}, n = count();
        for (const Entry& e : entries)
            for (int ch = 0; ch < 3; ++ch) sum[ch] += e.count * channel(e.colour, ch);
        return opaque(static_cast<unsigned>((sum[0] + n / 2) / n), static_cast<unsigned>((sum[1] + n / 2) / n),
                      static_cast<unsigned>((sum[2] + n / 2) / n));
    }
};

// Splits the box at the weighted median of its widest channel.
std::pair<Box, Box> split(const Box& box) {
    const int ch = box.widest().first;
    std::vector<Entry> v = box.entries;
    std::sort(v.begin(), v.end(), [ch](const Entry& a, const Entry& b) {
        if (channel(a.colour, ch) != channel(b.colour, ch)) return channel(a.colour, ch) < channel(b.colour, ch);
        return a.colour < b.colour;
    });
    const std::uint64_t half = box.count() / 2;
    std::uint64_t acc = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < v.size(); ++i) {
        acc += v[i].count;
        cut = i + 1;
        if (acc >= half) break;
    }
    const auto middle = v.begin() + static_cast<std::ptrdiff_t>(cut);
    return {Box{std::vector<Entry>(v.begin(), middle)}, Box{std::vector<Entry>(middle, v.end())}};
}

std::vector<Rgb> median_cut(const std::vector<Entry>& colours, std::size_t wanted) {
    std::vector<Box> boxes{Box{colours}};
    while (boxes.size() < wanted) {
        std::size_t pick = boxes.size();
        std::uint64_t best = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].entries.size() < 2) continue;
            const std::uint64_t score = static_cast<std::uint64_t>(boxes[i].widest().second) * boxes[i].count();
            if (pick == boxes.size() || score > best) pick = i, best = score;
        }
        if (pick == boxes.size()) break;
        auto halves = split(boxes[pick]);
        boxes[pick] = std::move(halves.first);
        boxes.push_back(std::move(halves.second));
    }
    std::vector<Rgb> out;
    for (const Box& b : boxes) out.push_back(b.mean());
    return out;
}

std::uint8_t nearest(const std::vector<Rgb>& palette, Rgb c) {
    std::size_t best = 1;
    int best_d = -1;
    for (std::size_t i = 1; i < palette.size(); ++i) {
        const int dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const int d = dr * dr + dg * dg + db * db;
        if (best_d < 0 || d < best_d) best = i, best_d = d;
    }
    return static_cast<std::uint8_t>(best);
}

}  // namespace

Picture picture_from_surface(cairo_surface_t* surface, std::uint32_t matte) {
    cairo_surface_flush(surface);
    Picture pic;
    pic.w = cairo_image_surface_get_width(surface);
    pic.h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const unsigned mr = (matte >> 16) & 0xFF, mg = (matte >> 8) & 0xFF, mb = matte & 0xFF;
    for (int y = 0; y < pic.h; ++y) {
        for (int x = 0; x < pic.w; ++x) {
            std::uint32_t v = 0;
            for (int i = 0; i < 4; ++i) v |= std::uint32_t{data[y * stride + 4 * x + i]} << (8 * i);
            const unsigned a = v >> 24, r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            const unsigned threshold = matte != 0 ? 64 : 128;
            if (a < threshold) {
                pic.px.push_back(Rgb{0, 0, 0});
            } else if (matte != 0) {  // premultiplied colour over the matte
                pic.px.push_back(opaque(r + (mr * (255 - a) + 127) / 255, g + (mg * (255 - a) + 127) / 255,
                                        b + (mb * (255 - a) + 127) / 255));
            } else {
                pic.px.push_back(opaque((r * 255 + a / 2) / a, (g * 255 + a / 2) / a, (b * 255 + a / 2) / a));
            }
        }
    }
    return pic;
}

Indexed quantise(const Picture& pic) {
    std::map<std::uint32_t, std::uint64_t> histogram;
    for (Rgb c : pic.px)
        if (!is_transparent(c)) ++histogram[pack(c)];
    std::vector<Entry> colours;
    for (const auto& kv : histogram) colours.push_back(Entry{kv.first, kv.second});

    Indexed ix;
    ix.palette.push_back(Rgb{0, 0, 0});
    if (colours.size() <= 255) {
        for (const Entry& e : colours) ix.palette.push_back(unpack(e.colour));
    } else {
        for (Rgb c : median_cut(colours, 255)) ix.palette.push_back(c);
    }
    std::map<std::uint32_t, std::uint8_t> lookup;
    for (const Entry& e : colours) lookup[e.colour] = nearest(ix.palette, unpack(e.colour));
    for (Rgb c : pic.px) ix.index.push_back(is_transparent(c) ? std::uint8_t{0} : lookup[pack(c)]);
    return ix;
}

Picture expand(const Indexed& ix, int w, int h) {
    Picture pic;
    pic.w = w;
    pic.h = h;
    for (std::uint8_t i : ix.index) pic.px.push_back(ix.palette[i]);
    return pic;
}

std::vector<std::uint8_t> encode_bmp8(const Indexed& ix, int w, int h) {
    const std::uint32_t stride = row_stride(w, 8);
    const auto colours = static_cast<std::uint32_t>(ix.palette.size());
    std::vector<std::uint8_t> out = bmp_headers(w, h, 8, colours, stride * static_cast<std::uint32_t>(h));
    for (Rgb c : ix.palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        const std::size_t row = static_cast<std::size_t>(y * w);
        out.insert(out.end(), ix.index.begin() + static_cast<std::ptrdiff_t>(row),
                   ix.index.begin() + static_cast<std::ptrdiff_t>(row + static_cast<std::size_t>(w)));
        out.resize(out.size() + stride - static_cast<std::uint32_t>(w), 0);
    }
    return out;
}

std::vector<std::uint8_t> encode_bmp24(const Picture& pic) {
    const std::uint32_t stride = row_stride(pic.w, 24);
    std::vector<std::uint8_t> out = bmp_headers(pic.w, pic.h, 24, 0, stride * static_cast<std::uint32_t>(pic.h));
    for (int y = pic.h - 1; y >= 0; --y) {
        for (int x = 0; x < pic.w; ++x) {
            const Rgb c = pic.at(x, y);
            out.push_back(c.b);
            out.push_back(c.g);
            out.push_back(c.r);
        }
        out.resize(out.size() + stride - 3 * static_cast<std::uint32_t>(pic.w), 0);
    }
    return out;
}

cairo_surface_t* surface_from_picture(const Picture& pic) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pic.w, pic.h);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < pic.h; ++y) {
        for (int x = 0; x < pic.w; ++x) {
            const Rgb c = pic.at(x, y);
            const std::uint32_t v = is_transparent(c) ? 0u : (0xFF000000u | pack(c));
            for (int i = 0; i < 4; ++i) data[y * stride + 4 * x + i] = static_cast<unsigned char>(v >> (8 * i));
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

bool write_png(const Picture& pic, int scale, const std::string& path) {
    cairo_surface_t* src = surface_from_picture(pic);
    cairo_surface_t* big = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pic.w * scale, pic.h * scale);
    cairo_t* cr = cairo_create(big);
    cairo_set_source_rgb(cr, 0.35, 0.1, 0.35);  // transparent pixels show magenta-grey
    cairo_paint(cr);
    cairo_scale(cr, scale, scale);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_destroy(cr);
    const bool ok = cairo_surface_write_to_png(big, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(big);
    cairo_surface_destroy(src);
    return ok;
}

}  // namespace artgen
