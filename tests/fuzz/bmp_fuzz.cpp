// Fuzzes the BMP decoder the renderer uses for the module's bitmaps and for panel
// backgrounds: any bytes either decode into a picture whose pixels fill exactly its
// width and height, or are refused with a reason.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/render/bitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bitmap bitmap;
    std::string error;
    if (!decode_bmp(data, size, bitmap, error)) {
        if (error.empty()) {
            std::fprintf(stderr, "bmp_fuzz: refused without a reason\n");
            std::abort();
        }
        return 0;
    }
    if (bitmap.width <= 0 || bitmap.height <= 0 ||
        bitmap.pixels.size() != static_cast<size_t>(bitmap.width) * static_cast<size_t>(bitmap.height)) {
        std::fprintf(stderr, "bmp_fuzz: %d x %d picture with %zu pixels\n", bitmap.width, bitmap.height,
                     bitmap.pixels.size());
        std::abort();
    }
    uint32_t any = 0;
    for (const uint32_t pixel : bitmap.pixels) any |= pixel;
    if (any > 0xFFFFFFu) {
        std::fprintf(stderr, "bmp_fuzz: a pixel beyond 0x00RRGGBB\n");
        std::abort();
    }
    return 0;
}
