// PNG encoding with libspng.
#include "host/render/png_writer.h"

#include <cairo.h>
#include <spng.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

struct ContextFree {
    void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

// cairo's unpremultiplying, so that the straight colours are the ones its writer stores.
inline uint8_t straight(uint32_t channel, uint32_t alpha) {
    return static_cast<uint8_t>(alpha == 0 ? 0 : (channel * 255 + alpha / 2) / alpha);
}

// The box's pixels as PNG rows: RGB, or straight RGBA.
std::vector<uint8_t> png_rows(cairo_surface_t* surface, PngBox box, bool alpha) {
    const size_t channels = alpha ? 4 : 3;
    const bool has_alpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const ptrdiff_t stride = cairo_image_surface_get_stride(surface);
    std::vector<uint8_t> rows(static_cast<size_t>(box.w) * static_cast<size_t>(box.h) * channels);
    uint8_t* to = rows.data();
    for (int y = 0; y < box.h; ++y) {
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

bool write_and_close(FILE* file, const std::string& bytes, std::string& error) {
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_errno = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    error = std::strerror(written ? errno : write_errno);
    return false;
}

}  // namespace

bool encode_png(cairo_surface_t* surface, PngBox box, bool alpha, int level, bool rle, std::string& out,
                std::string& error) {
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    if (box.x < 0 || box.y < 0 || box.w <= 0 || box.h <= 0 || box.x + box.w > width || box.y + box.h > height)
        return error = "the box is not inside the picture", false;
    const bool with_alpha = alpha || cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const std::vector<uint8_t> rows = png_rows(surface, box, with_alpha);
    const std::unique_ptr<spng_ctx, ContextFree> context(spng_ctx_new(SPNG_CTX_ENCODER));
    if (!context) return error = "out of memory", false;
    spng_ctx* png = context.get();
    spng_ihdr header{};
    header.width = static_cast<uint32_t>(box.w);
    header.height = static_cast<uint32_t>(box.h);
    header.bit_depth = 8;
    header.color_type = with_alpha ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
    int status = spng_set_option(png, SPNG_ENCODE_TO_BUFFER, 1);
    if (!status) status = spng_set_option(png, SPNG_IMG_COMPRESSION_LEVEL, level);
    if (!status) status = spng_set_option(png, SPNG_IMG_COMPRESSION_STRATEGY, rle ? Z_RLE : Z_DEFAULT_STRATEGY);
    if (!status) status = spng_set_option(png, SPNG_FILTER_CHOICE, SPNG_DISABLE_FILTERING);
    if (!status) status = spng_set_ihdr(png, &header);
    if (!status) status = spng_encode_image(png, rows.data(), rows.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    size_t size = 0;
    void* bytes = status ? nullptr : spng_get_png_buffer(png, &size, &status);
    if (!bytes) return error = spng_strerror(status), false;
    out.append(static_cast<const char*>(bytes), size);
    std::free(bytes);
    return true;
}

bool write_png_file(cairo_surface_t* surface, const std::string& path, std::string& error) {
    cairo_surface_flush(surface);
    std::string bytes;
    const PngBox whole{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
    if (!encode_png(surface, whole, false, 1, false, bytes, error)) return false;
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return error = std::strerror(errno), false;
    return write_and_close(file, bytes, error);
}

bool write_png_to(cairo_surface_t* surface, FILE* file, std::string& error) {
    cairo_surface_flush(surface);
    std::string bytes;
    const PngBox whole{0, 0, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface)};
    if (!encode_png(surface, whole, false, 1, false, bytes, error)) {
        std::fclose(file);
        return false;
    }
    return write_and_close(file, bytes, error);
}
