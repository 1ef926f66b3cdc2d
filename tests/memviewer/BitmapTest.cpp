// The selection image and its BMP file, checked against a reader written from the file
// format's own description.
#include "BitmapExport.h"

#include <gtest/gtest.h>

namespace {

constexpr PixelWord K = 0x0000, B = 0x001F, G = 0x07E0, R = 0xF800, W = 0xFFFF;

uint32_t Field(const std::vector<uint8_t>& file, size_t offset, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | file.at(offset + i);
    return value;
}

// The pixel at (x, y) counted from the top, read the way a BMP viewer reads it.
PixelWord PixelAt(const std::vector<uint8_t>& file, int x, int y) {
    const int width = static_cast<int>(Field(file, 18, 4));
    const int height = static_cast<int>(Field(file, 22, 4));
    const size_t stride = (static_cast<size_t>(width) * 16 + 31) / 32 * 4;
    const size_t row = height > 0 ? static_cast<size_t>(height - 1 - y) : static_cast<size_t>(y);
    return static_cast<PixelWord>(Field(file, Field(file, 10, 4) + row * stride + 2 * x, 2));
}

std::vector<uint8_t> Memory() {
    std::vector<uint8_t> ram(0x10000);
    for (int i = 0; i < 0x10000; ++i)
        ram[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
    return ram;
}

const CPixelTables tables;

} // namespace

// A whole screen, and the same dragged over the picture at scale 2, give the same file.
TEST(SelectionImage, HeaderAndRowOrderOfAWholeScreen) {
    const auto ram = Memory();
    const auto image = ComposeSelection(ram.data(), {0x4000, 64, 256, 64}, true, tables);
    ASSERT_TRUE(image);
    const auto file = EncodeBmp(*image);
    ASSERT_EQ(file.size(), 524342u);
    // offset, size, value: "BM", file size, reserved, pixel offset, header size, width,
    // height (bottom-up), planes, bits, BI_RGB, image size, resolution and colour counts.
    const uint32_t header[][3] = {{0, 2, 0x4D42}, {2, 4, 524342}, {6, 4, 0},       {10, 4, 54},
                                  {14, 4, 40},    {18, 4, 512},   {22, 4, 512},    {26, 2, 1},
                                  {28, 2, 16},    {30, 4, 0},     {34, 4, 524288}, {38, 4, 0},
                                  {42, 4, 0},     {46, 4, 0},     {50, 4, 0}};
    for (const auto& [offset, size, value] : header)
        EXPECT_EQ(Field(file, offset, static_cast<int>(size)), value) << "offset " << offset;
    for (int y = 0; y < 512; y += 37)
        for (int x = 0; x < 512; x += 13)
            ASSERT_EQ(PixelAt(file, x, y),
                      tables.ExpandByte(ram[0x4000 + y / 2 * 64 + x / 8], true)[x % 8]);
    const ViewLayout two = MakeLayout(1024, 512, 2, kAutoRowBytes);
    const MemorySelection dragged = SelectionBetween(
        CornerAt(0x4000, {0, 0}, two), CornerAt(0x4000, {1040, 513}, two), two.rowBytes);
    EXPECT_EQ(
        EncodeBmp(*ComposeSelection(ram.data(), *VisiblePart(dragged, 0x4000, two), true, tables)),
        file);
}

TEST(SelectionImage, ReverseDragColourPixelsAndTheWrapInMono) {
    std::vector<uint8_t> ram(0x10000);
    ram[0x100 + 8 * 64 + 2] = 0x1B; // the first byte of the selection
    const auto image = ComposeSelection(ram.data(), {0x100 + 8 * 64 + 2, 8, 32, 64}, true, tables);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 64);
    EXPECT_EQ(image->height, 64);
    const auto file = EncodeBmp(*image);
    const PixelWord expected[9] = {R, R, G, G, B, B, K, K, K};
    for (int x = 0; x < 9; ++x)
        EXPECT_TRUE(PixelAt(file, x, 0) == expected[x] && PixelAt(file, x, 1) == expected[x]) << x;

    ram[0xFFFF] = 0x01;
    ram[0x0000] = 0x80;
    const auto wrapped =
        EncodeBmp(*ComposeSelection(ram.data(), {0xFFFF, 2, 1, 64}, false, tables));
    EXPECT_EQ(PixelAt(wrapped, 0, 0), W);
    EXPECT_EQ(PixelAt(wrapped, 1, 0), K);
    EXPECT_EQ(PixelAt(wrapped, 15, 1), W);
}

TEST(SelectionImage, NothingWithoutMemoryOrArea) {
    const auto ram = Memory();
    EXPECT_FALSE(ComposeSelection(nullptr, {0, 8, 8, 64}, true, tables));
    EXPECT_FALSE(ComposeSelection(ram.data(), {0, 0, 8, 64}, true, tables)); // a click
    EXPECT_FALSE(ComposeSelection(ram.data(), {0, 8, 0, 64}, true, tables));
    // The clipboard's copy: the file's pixels as 8-bit channels.
    const auto image = ComposeSelection(ram.data(), {0x100, 1, 1, 64}, true, tables);
    const auto rgb = SelectionRgb(*image);
    ASSERT_EQ(rgb.size(), 3u * 8 * 2);
    const PixelWord first = image->pixels[0];
    EXPECT_EQ(rgb[0], (first >> 10 & 31) * 255 / 31);
    EXPECT_EQ(rgb[2], (first & 31) * 255 / 31);
}
