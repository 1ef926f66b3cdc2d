// Expansion of bytes into pixel words and the raster geometry.
#include "Renderer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr PixelWord K = 0x0000, B = 0x001F, G = 0x07E0, R = 0xF800, W = 0xFFFF;

struct Picture {
    int width;
    int height;
    std::vector<PixelWord> pixels;
    PixelWord At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * StrideWords(width) + x];
    }
};

Picture Compose(const std::vector<uint8_t>& ram, uint16_t address, int width, int height, int scale,
                bool color) {
    static const CPixelTables tables;
    Picture p{width, height,
              std::vector<PixelWord>(static_cast<size_t>(StrideWords(width)) * height, 0x1234)};
    ComposePicture(ram.data(), address, {width, height, scale, color}, tables, p.pixels.data());
    return p;
}

std::vector<uint8_t> Ram(std::initializer_list<std::pair<int, uint8_t>> bytes) {
    std::vector<uint8_t> ram(0x10000);
    for (auto [address, value] : bytes)
        ram[address] = value;
    return ram;
}

} // namespace

TEST(PixelTables, MonoAndColourBytes) {
    const CPixelTables tables;
    EXPECT_EQ(tables.ExpandByte(0x01, false), (PixelOctet{W, K, K, K, K, K, K, K}));
    EXPECT_EQ(tables.ExpandByte(0x80, false), (PixelOctet{K, K, K, K, K, K, K, W}));
    EXPECT_EQ(tables.ExpandByte(0x1B, true), (PixelOctet{R, R, G, G, B, B, K, K}));
    EXPECT_EQ(tables.ExpandByte(0xFF, true), (PixelOctet{R, R, R, R, R, R, R, R}));
}

TEST(Geometry, BytesPerRowPageAndStride) {
    EXPECT_EQ(BytesPerRow(512, 1), 64);
    EXPECT_EQ(BytesPerRow(1024, 2), 64);
    EXPECT_EQ(BytesPerRow(500, 1), 63);
    EXPECT_EQ(BytesPerRow(100, 4), 4);
    EXPECT_EQ(BytesPerRow(0, 1), 0);
    EXPECT_EQ(BytesPerPage(512, 301, 2), 4816);
    EXPECT_EQ(StrideWords(3), 4);
    EXPECT_EQ(StrideWords(4), 4);
    EXPECT_EQ(StrideWords(5), 6);
}

TEST(Compose, RowsFollowEachOtherAndTheLastByteIsCut) {
    // Width 500: 63 bytes a row, of the 63rd only its 4 leftmost pixels.
    const auto ram = Ram({{62, 0xFF}, {63, 0x01}, {100, 0x0F}});
    const auto p = Compose(ram, 0, 500, 2, 1, false);
    EXPECT_EQ(p.At(495, 0), K);
    EXPECT_EQ(p.At(496, 0), W);
    EXPECT_EQ(p.At(499, 0), W);
    EXPECT_EQ(p.At(0, 1), W); // byte 63 starts the second row
    EXPECT_EQ(p.At(1, 1), K);
    EXPECT_EQ(p.At(37 * 8, 1), W); // byte 100 = 63 + 37
    EXPECT_EQ(p.At(37 * 8 + 4, 1), K);
}

TEST(Compose, ScaleRepeatsPixelsBothWaysAndCutsAtTheEdges) {
    // Width 100 at scale 4: 4 bytes a row, the 4th shows only its leftmost pixel.
    const auto ram = Ram({{0, 0x01}, {3, 0x01}, {4, 0x80}});
    const auto p = Compose(ram, 0, 100, 6, 4, false);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(p.At(x, y), W) << x << "," << y;
        EXPECT_EQ(p.At(4, y), K);
        EXPECT_EQ(p.At(96, y), W);
        EXPECT_EQ(p.At(99, y), W);
    }
    EXPECT_EQ(p.At(28, 4), W); // row 1 starts at byte 4; its rightmost pixel, 4 wide
    EXPECT_EQ(p.At(31, 5), W);
    EXPECT_EQ(p.At(27, 5), K);
}

TEST(Compose, ColourAtScaleTwoAndTheLastPartialRow) {
    // Height 301 at scale 2: 151 picture rows, the last one pixel row high.
    auto ram = Ram({{0, 0x1B}});
    ram[150 * 64] = 0x03;
    const auto p = Compose(ram, 0, 1024, 301, 2, true);
    const PixelWord expected[8] = {R, R, G, G, B, B, K, K};
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(p.At(x, 0), expected[x / 2]) << x;
        EXPECT_EQ(p.At(x, 1), expected[x / 2]) << x;
    }
    EXPECT_EQ(p.At(0, 300), R);
}

TEST(Compose, ReadsWrapFromTheTopOfMemory) {
    const auto ram = Ram({{0xFFFF, 0x80}, {0x0000, 0x01}, {0x002F, 0x80}});
    const auto p = Compose(ram, 0xFFF0, 512, 1, 1, false);
    EXPECT_EQ(p.At(15 * 8 + 7, 0), W); // 0xFFFF
    EXPECT_EQ(p.At(16 * 8, 0), W);     // then 0x0000
    EXPECT_EQ(p.At(63 * 8 + 7, 0), W); // 0x002F ends the row
}
