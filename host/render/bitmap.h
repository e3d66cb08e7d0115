// Decoded bitmaps and the source the renderer takes them from. The module's bitmaps are
// Windows BMP data (a whole .bmp file, or a resource's DIB without the file header).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The largest picture decode_bmp takes unless told otherwise: 16384 x 16384.
inline constexpr size_t BMP_MAX_PIXELS = size_t{16384} * 16384;

// A decoded picture: rows top to bottom, each pixel 0x00RRGGBB.
struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Decodes uncompressed BMP data: 1, 4 and 8 bits per pixel with a palette, 24 and 32
// bits per pixel; bottom-up or top-down rows. The data may start with the 14-byte file
// header ("BM") or directly with the info header, as a bitmap resource does. On
// failure returns false and says what was wrong in error. A picture of more than
// max_pixels pixels is refused before anything is allocated.
bool decode_bmp(const uint8_t* data, size_t size, Bitmap& out, std::string& error, size_t max_pixels = BMP_MAX_PIXELS);

// Where the renderer finds a bitmap by its resource id.
class BitmapSource {
public:
    virtual ~BitmapSource() = default;
    // The bitmap with this id, or null when there is none (or it cannot be decoded).
    virtual const Bitmap* find(uint32_t id) = 0;
};

// Bitmaps built in memory, for tests and for sources that decode on their own.
class MemoryBitmapSource : public BitmapSource {
public:
    void add(uint32_t id, Bitmap bitmap) { bitmaps_[id] = std::move(bitmap); }
    const Bitmap* find(uint32_t id) override {
        auto it = bitmaps_.find(id);
        return it == bitmaps_.end() ? nullptr : &it->second;
    }

private:
    std::map<uint32_t, Bitmap> bitmaps_;
};
