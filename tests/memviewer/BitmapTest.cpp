// The selection image and its BMP file, checked against a reader written from the file
// format's own description.
#include "BitmapExport.h"
#include "TempDir.h"

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

TEST(SelectionImage, HeaderAndRowOrderOfAWholeScreen) {
    const auto ram = Memory();
    const auto image =
        BuildSelectionImage(ram.data(), {0x4000, 1, true, 512, {0, 0, 512, 256}}, tables);
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
    // The first stored row is memory row 255 (0x7FC0..), the last is row 0 (0x4000..).
    EXPECT_EQ(Field(file, 54, 2), tables.ExpandByte(ram[0x7FC0], true)[0]);
    EXPECT_EQ(Field(file, file.size() - 2, 2), tables.ExpandByte(ram[0x403F], true)[7]);
    for (int y = 0; y < 512; y += 37)
        for (int x = 0; x < 512; x += 13)
            ASSERT_EQ(PixelAt(file, x, y),
                      tables.ExpandByte(ram[0x4000 + y / 2 * 64 + x / 8], true)[x % 8]);
}

TEST(SelectionImage, SameAreaAtScaleTwoGivesTheSameFile) {
    const auto ram = Memory();
    const auto one =
        BuildSelectionImage(ram.data(), {0x4000, 1, true, 512, {0, 0, 512, 256}}, tables);
    const auto two =
        BuildSelectionImage(ram.data(), {0x4000, 2, true, 1024, {0, 0, 1024, 512}}, tables);
    EXPECT_EQ(EncodeBmp(*one), EncodeBmp(*two));
}

TEST(SelectionImage, ReverseDragAndColourPixels) {
    std::vector<uint8_t> ram(0x10000);
    const int bytesPerRow = 64;
    ram[0x100 + 8 * bytesPerRow + 2] = 0x1B; // the first byte of the selection
    const auto image =
        BuildSelectionImage(ram.data(), {0x100, 1, true, 512, {80, 40, 16, 8}}, tables);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 64);
    EXPECT_EQ(image->height, 64);
    const auto file = EncodeBmp(*image);
    const PixelWord expected[8] = {R, R, G, G, B, B, K, K};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(PixelAt(file, x, 0), expected[x]);
        EXPECT_EQ(PixelAt(file, x, 1), expected[x]);
    }
    EXPECT_EQ(PixelAt(file, 8, 0), K);
}

TEST(SelectionImage, WrapsPastTheTopOfMemoryAndMono) {
    std::vector<uint8_t> ram(0x10000);
    ram[0xFFFF] = 0x01;
    ram[0x0000] = 0x80;
    const auto image =
        BuildSelectionImage(ram.data(), {0xFFFF, 1, false, 512, {0, 0, 16, 1}}, tables);
    ASSERT_TRUE(image);
    const auto file = EncodeBmp(*image);
    EXPECT_EQ(PixelAt(file, 0, 0), W);
    EXPECT_EQ(PixelAt(file, 15, 1), W);
    EXPECT_EQ(PixelAt(file, 1, 0), K);
}

TEST(SelectionImage, NothingWithoutSelectionMemoryOrArea) {
    const auto ram = Memory();
    EXPECT_FALSE(BuildSelectionImage(ram.data(), {0, 1, true, 512, SelRect{}}, tables));
    EXPECT_FALSE(BuildSelectionImage(nullptr, {0, 1, true, 512, {0, 0, 64, 64}}, tables));
    EXPECT_FALSE(
        BuildSelectionImage(ram.data(), {0, 1, true, 512, {8, 8, 8, 8}}, tables)); // a click
    EXPECT_FALSE(
        BuildSelectionImage(ram.data(), {0, 4, true, 512, {0, 8, 64, 11}}, tables)); // no row
    EXPECT_FALSE(
        BuildSelectionImage(ram.data(), {0, 1, true, 512, {0, 0, 7, 64}}, tables)); // no column
}
