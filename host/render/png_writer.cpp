// PNG encoding: the file's chunks written here, the image data compressed by libdeflate.
#include "host/render/png_writer.h"

#include <cairo.h>
#include <libdeflate.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct CompressorFree {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// A compressor at the level, made once a thread (making one costs more than a small
// patch's compression); null when out of memory.
libdeflate_compressor* compressor_at(int level) {
    constexpr int kLevels = 13;  // libdeflate's 0 to 12
    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> made[kLevels];
    const int at = std::clamp(level, 1, kLevels - 1);
    if (!made[at]) made[at].reset(libdeflate_alloc_compressor(at));
    return made[at].get();
}

// cairo's unpremultiplying, so that the straight colours are the ones its writer stores.
inline uint8_t straight(uint32_t channel, uint32_t alpha) {
    return static_cast<uint8_t>(alpha == 0 ? 0 : (channel * 255 + alpha / 2) / alpha);
}

// The box's pixels as PNG image data before compression: each row a filter byte (0: no
// filter) and its pixels, RGB or straight RGBA.
std::unique_ptr<uint8_t[]> png_rows(cairo_surface_t* surface, PngBox box, bool alpha, size_t& size) {
    const size_t channels = alpha ? 4 : 3;
    const bool has_alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const ptrdiff_t stride = cairo_image_surface_get_stride(surface);
    size = (1 + static_cast<size_t>(box.w) * channels) * static_cast<size_t>(box.h);
    auto rows = std::make_unique_for_overwrite<uint8_t[]>(size);
    uint8_t* to = rows.get();
    for (int y = 0; y < box.h; ++y) {
        *to++ = 0;
        const auto* pixels = reinterpret_cast<const uint32_t*>(data + (box.y + y) * stride) + box.x;
        for (int x = 0; x < box.w; ++x) {
            const uint32_t argb = pixels[x];
            const uint32_t a = has_alpha ? argb >> 24 : 0xFF;
            if (a == 0xFF) {
                to[0] = static_cast<uint8_t>(argb >> 16);
                to[1] = static_cast<uint8_t>(argb >> 8);
                to[2] = static_cast<uint8_t>(argb);
            } else {
                to[0] = straight(argb >> 16 & 0xFF, a);
                to[1] = straight(argb >> 8 & 0xFF, a);
                to[2] = straight(argb & 0xFF, a);
            }
            if (alpha) to[3] = static_cast<uint8_t>(a);
            to += channels;
        }
    }
    return rows;
}

void put_u32(std::string& out, uint32_t value) {
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    out.append(bytes, 4);
}

// A chunk: its length, type, data and the CRC of type and data.
void put_chunk(std::string& out, const char type[4], const uint8_t* data, size_t size) {
    put_u32(out, static_cast<uint32_t>(size));
    const size_t at = out.size();
    out.append(type, 4);
    out.append(reinterpret_cast<const char*>(data), size);
    put_u32(out, libdeflate_crc32(0, out.data() + at, size + 4));
}

bool write_and_close(FILE* file, const std::string& bytes, std::string& error) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_errno = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    error = std::strerror(written ? errno : write_errno);
    return false;
}

}  // namespace

bool encode_png(cairo_surface_t* surface, PngBox box, bool alpha, int level, std::string& out, std::string& error) {
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    if (box.x < 0 || box.y < 0 || box.w <= 0 || box.h <= 0 || box.x + box.w > width || box.y + box.h > height)
        return error = "the box is not inside the picture", false;
    const bool with_alpha = alpha || cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    libdeflate_compressor* compressor = compressor_at(level);
    if (!compressor) return error = "out of memory", false;
    size_t raw_size = 0;
    const std::unique_ptr<uint8_t[]> raw = png_rows(surface, box, with_alpha, raw_size);
    const size_t bound = libdeflate_zlib_compress_bound(compressor, raw_size);
    const auto packed = std::make_unique_for_overwrite<uint8_t[]>(bound);
    const size_t packed_size = libdeflate_zlib_compress(compressor, raw.get(), raw_size, packed.get(), bound);
    if (packed_size == 0) return error = "the picture does not compress", false;

    static constexpr char kSignature[] = "\x89PNG\r\n\x1a\n";
    out.reserve(out.size() + packed_size + 64);
    out.append(kSignature, 8);
    uint8_t header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<uint8_t>(static_cast<uint32_t>(box.w) >> (24 - 8 * i));
        header[4 + i] = static_cast<uint8_t>(static_cast<uint32_t>(box.h) >> (24 - 8 * i));
    }
    header[8] = 8;                   // bits a channel
    header[9] = with_alpha ? 6 : 2;  // RGBA or RGB; compression, filter and interlace 0
    put_chunk(out, "IHDR", header, sizeof header);
    // A chunk's length takes 31 bits: the data in pieces of at most 1 GB.
    constexpr size_t kMostData = size_t{1} << 30;
    for (size_t at = 0; at < packed_size; at += kMostData)
        put_chunk(out, "IDAT", packed.get() + at, std::min(kMostData, packed_size - at));
    put_chunk(out, "IEND", nullptr, 0);
    return true;
}

bool write_png_file(cairo_surface_t* surface, const std::string& path, std::string& error) {
    cairo_surface_flush(surface);
    std::string bytes;
    const PngBox whole{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
    if (!encode_png(surface, whole, false, 1, bytes, error)) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return error = std::strerror(errno), false;
    return write_and_close(file, bytes, error);
}

bool write_png_to(cairo_surface_t* surface, FILE* file, std::string& error) {
    cairo_surface_flush(surface);
    std::string bytes;
    const PngBox whole{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
    if (!encode_png(surface, whole, false, 1, bytes, error)) {
        std::fclose(file);
        return false;
    }
    return write_and_close(file, bytes, error);
}
