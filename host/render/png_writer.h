// PNG files and bytes from cairo image surfaces, written fast: rows without filters,
// compressed in one go by libdeflate at its fastest level, which on panel pictures (flat
// colours and dithered textures) takes half the time of zlib's fastest level for a
// slightly smaller file. The pixels are those cairo's own writer would store: an opaque
// picture (RGB24) as 8-bit RGB, one with an alpha channel as straight (not
// premultiplied) RGBA.
#pragma once

#include <cstdio>
#include <string>

typedef struct _cairo_surface cairo_surface_t;

struct PngBox {
    int x = 0, y = 0, w = 0, h = 0;
};

// Appends the box of the surface (an image surface, flushed) as a PNG to out; alpha:
// RGBA even where the surface is opaque. level: libdeflate's, 1 (fastest) to 12
// (smallest). False with error when encoding fails or the box is not inside the picture.
bool encode_png(cairo_surface_t* surface, PngBox box, bool alpha, int level, std::string& out, std::string& error);

// Writes the whole surface to a file; false with error (without the path) when that fails.
bool write_png_file(cairo_surface_t* surface, const std::string& path, std::string& error);
// The same into a file already open for writing, which is closed.
bool write_png_to(cairo_surface_t* surface, FILE* file, std::string& error);
