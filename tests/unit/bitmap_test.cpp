// Decoding the BMP data the module's resources carry.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "host/render/bitmap.h"

namespace {

void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// A BMP file written byte by byte as a paint program would: file header, info header,
// palette, rows bottom-up padded to four bytes.
std::vector<uint8_t> bmp_file(int width, int height, int bits, const std::vector<uint32_t>& palette,
                              const std::vector<std::vector<uint8_t>>& rows_top_down) {
    const size_t stride = ((static_cast<size_t>(width) * static_cast<size_t>(bits) + 31) / 32) * 4;
    const size_t offset = 14 + 40 + 4 * palette.size();
    std::vector<uint8_t> b(offset + stride * static_cast<size_t>(height), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, static_cast<uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(height));
    put16(b, 26, 1);
    put16(b, 28, static_cast<uint16_t>(bits));
    put32(b, 46, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i) put32(b, 54 + 4 * i, palette[i]);  // stored as blue, green, red, 0
    for (int y = 0; y < height; ++y) {
        const auto& row = rows_top_down[static_cast<size_t>(y)];
        const size_t at = offset + stride * static_cast<size_t>(height - 1 - y);
        for (size_t i = 0; i < row.size(); ++i) b[at + i] = row[i];
    }
    return b;
}

}  // namespace

TEST(BmpDecoding, PalettisedRowsComeOutTopDownInTheirPaletteColours) {
    // Palette entries are written 0x00RRGGBB little-endian, i.e. blue, green, red, 0.
    const auto file = bmp_file(3, 2, 8, {0x000000, 0xFF0000, 0x0000FF}, {{1, 0, 2}, {2, 2, 1}});
    Bitmap out;
    std::string error;
    ASSERT_TRUE(decode_bmp(file.data(), file.size(), out, error)) << error;
    ASSERT_EQ(out.width, 3);
    ASSERT_EQ(out.height, 2);
    EXPECT_EQ(out.at(0, 0), 0xFF0000u);
    EXPECT_EQ(out.at(1, 0), 0x000000u);
    EXPECT_EQ(out.at(2, 0), 0x0000FFu);
    EXPECT_EQ(out.at(2, 1), 0xFF0000u);
}

TEST(BmpDecoding, TrueColourRowsSkipTheirPadding) {
    // Two pixels of three bytes (blue, green, red) and two bytes of padding per row.
    const auto file = bmp_file(2, 2, 24, {}, {{0x10, 0x20, 0x30, 0x40, 0x50, 0x60}, {1, 2, 3, 4, 5, 6}});
    Bitmap out;
    std::string error;
    ASSERT_TRUE(decode_bmp(file.data(), file.size(), out, error)) << error;
    EXPECT_EQ(out.at(0, 0), 0x302010u);
    EXPECT_EQ(out.at(1, 0), 0x605040u);
    EXPECT_EQ(out.at(0, 1), 0x030201u);
    EXPECT_EQ(out.at(1, 1), 0x060504u);
}

TEST(BmpDecoding, ResourceDataWithoutFileHeaderDecodesTheSame) {
    const auto file = bmp_file(3, 2, 8, {0x000000, 0xFF0000, 0x0000FF}, {{1, 0, 2}, {2, 2, 1}});
    const std::vector<uint8_t> dib(file.begin() + 14, file.end());
    Bitmap from_file, from_dib;
    std::string error;
    ASSERT_TRUE(decode_bmp(file.data(), file.size(), from_file, error)) << error;
    ASSERT_TRUE(decode_bmp(dib.data(), dib.size(), from_dib, error)) << error;
    EXPECT_EQ(from_file.pixels, from_dib.pixels);
}

TEST(BmpDecoding, CutShortOrCompressedDataIsRefusedWithAReason) {
    auto file = bmp_file(4, 4, 8, {0, 0xFFFFFF}, {{0, 1, 0, 1}, {1, 0, 1, 0}, {0, 0, 0, 0}, {1, 1, 1, 1}});
    Bitmap out;
    std::string error;
    EXPECT_FALSE(decode_bmp(file.data(), file.size() - 3, out, error));
    EXPECT_NE(error.find("cut short"), std::string::npos) << error;
    auto rle = file;
    put32(rle, 30, 1);  // BI_RLE8
    EXPECT_FALSE(decode_bmp(rle.data(), rle.size(), out, error));
    EXPECT_NE(error.find("compressed"), std::string::npos) << error;
    EXPECT_FALSE(decode_bmp(file.data(), 20, out, error));
}

namespace {

// A 32-bit BMP with BI_BITFIELDS: the red, green and blue masks after a 40-byte header
// (or inside a V4 header of 108 bytes), then one row of pixels.
std::vector<uint8_t> bitfields_file(uint32_t red, uint32_t green, uint32_t blue, const std::vector<uint32_t>& row,
                                    uint32_t header_size = 40) {
    const size_t masks_end = 14 + (header_size == 40 ? 52 : header_size);
    std::vector<uint8_t> b(masks_end + 4 * row.size(), 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, static_cast<uint32_t>(b.size()));
    put32(b, 10, static_cast<uint32_t>(masks_end));
    put32(b, 14, header_size);
    put32(b, 18, static_cast<uint32_t>(row.size()));
    put32(b, 22, 1);
    put16(b, 26, 1);
    put16(b, 28, 32);
    put32(b, 30, 3);  // BI_BITFIELDS
    put32(b, 54, red);
    put32(b, 58, green);
    put32(b, 62, blue);
    for (size_t i = 0; i < row.size(); ++i) put32(b, masks_end + 4 * i, row[i]);
    return b;
}

}  // namespace

TEST(BmpDecoding, BitfieldsMasksChooseTheChannelsNotTheByteOrder) {
    // Red in the low byte, blue in the third (as some converters write RGBA): pure red,
    // pure blue, and one of each level.
    for (const uint32_t header : {40u, 108u}) {
        const auto file =
            bitfields_file(0x000000FF, 0x0000FF00, 0x00FF0000, {0x000000FF, 0x00FF0000, 0x00302010}, header);
        Bitmap out;
        std::string error;
        ASSERT_TRUE(decode_bmp(file.data(), file.size(), out, error)) << error;
        EXPECT_EQ(out.at(0, 0), 0xFF0000u) << header;
        EXPECT_EQ(out.at(1, 0), 0x0000FFu) << header;
        EXPECT_EQ(out.at(2, 0), 0x102030u) << header;
    }
}

TEST(BmpDecoding, BitfieldsOfOtherWidthsAreScaledToEightBits) {
    // Ten bits a colour (2:10:10:10): the full value is 255, about half of it 127.
    const auto file = bitfields_file(0x3FF00000, 0x000FFC00, 0x000003FF, {0x3FF00000, 0x000003FF, 0x1FF7FDFF});
    Bitmap out;
    std::string error;
    ASSERT_TRUE(decode_bmp(file.data(), file.size(), out, error)) << error;
    EXPECT_EQ(out.at(0, 0), 0xFF0000u);
    EXPECT_EQ(out.at(1, 0), 0x0000FFu);
    EXPECT_EQ(out.at(2, 0), 0x7F7F7Fu);  // 511 of 1023 in each colour
}

TEST(BmpDecoding, BitfieldsMasksThatAreNoRunOfBitsAreRefusedWithANote) {
    Bitmap out;
    std::string error;
    const auto gaps = bitfields_file(0x00F0F000, 0x0000FF00, 0x000000FF, {0});
    EXPECT_FALSE(decode_bmp(gaps.data(), gaps.size(), out, error));
    EXPECT_EQ(error, "bitmap colour masks are not runs of bits");
    const auto none = bitfields_file(0, 0x0000FF00, 0x000000FF, {0});
    EXPECT_FALSE(decode_bmp(none.data(), none.size(), out, error));
    EXPECT_EQ(error, "bitmap colour masks are not runs of bits");
}
