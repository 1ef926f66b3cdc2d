// Expansion of bytes into pixel words, the raster geometry and the selection frame.
#include "Renderer.h"
#include "ScreenPicture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr PixelWord K = 0x0000, B = 0x001F, G = 0x07E0, R = 0xF800, W = 0xFFFF;

struct Pixel {
    int x, y;
    PixelWord word;
};

} // namespace

TEST(PixelTables, MonoAndColourBytes) {
    const CPixelTables tables;
    EXPECT_EQ(tables.ExpandByte(0x01, false), (PixelOctet{W, K, K, K, K, K, K, K}));
    EXPECT_EQ(tables.ExpandByte(0x80, false), (PixelOctet{K, K, K, K, K, K, K, W}));
    EXPECT_EQ(tables.ExpandByte(0x1B, true), (PixelOctet{R, R, G, G, B, B, K, K}));
    EXPECT_EQ(tables.ExpandByte(0xFF, true), (PixelOctet{R, R, R, R, R, R, R, R}));
}

TEST(Geometry, Stride) {
    EXPECT_EQ(StrideWords(3), 4);
    EXPECT_EQ(StrideWords(4), 4);
    EXPECT_EQ(StrideWords(5), 6);
}

// Pictures of planted bytes, checked pixel by pixel.
TEST(Compose, RowsScalesColoursCutsAndTheWrap) {
    const struct {
        const char* what;
        std::vector<std::pair<int, uint8_t>> bytes;
        uint16_t address;
        PictureGeometry geometry;
        std::vector<Pixel> pixels;
    } cases[] = {
        {"width 500, 64 bytes a row: of the 63rd its 4 leftmost pixels, the 64th unseen",
         {{62, 0xFF}, {63, 0x01}, {64, 0x01}, {100, 0x0F}},
         0,
         {500, 2, 1, false, 64},
         {{495, 0, K}, {496, 0, W}, {499, 0, W}, {0, 1, W}, {1, 1, K}, {288, 1, W}, {292, 1, K}}},
        {"width 500, 62 bytes a row: black after them",
         {{61, 0xFF}, {62, 0xFF}},
         0,
         {500, 1, 1, false, 62},
         {{495, 0, W}, {496, 0, K}, {499, 0, K}}},
        {"16 bytes a row in a wider window: black after them, the next row from byte 16",
         {{15, 0x80}, {16, 0x01}},
         0,
         {512, 2, 1, false, 16},
         {{127, 0, W}, {128, 0, K}, {511, 0, K}, {0, 1, W}}},
        {"scale 4 repeats pixels both ways and cuts the 4th byte to its leftmost pixel",
         {{0, 0x01}, {3, 0x01}, {4, 0x80}},
         0,
         {100, 6, 4, false, 4},
         {{0, 0, W},
          {3, 3, W},
          {4, 0, K},
          {96, 3, W},
          {99, 0, W},
          {28, 4, W},
          {31, 5, W},
          {27, 5, K}}},
        {"colour at scale 2, and the last picture row one pixel row high",
         {{0, 0x1B}, {150 * 64, 0x03}},
         0,
         {1024, 301, 2, true, 64},
         {{0, 0, R}, {3, 1, R}, {4, 0, G}, {8, 1, B}, {12, 0, K}, {15, 1, K}, {0, 300, R}}},
        {"reads wrap from the top of memory",
         {{0xFFFF, 0x80}, {0x0000, 0x01}, {0x002F, 0x80}},
         0xFFF0,
         {512, 1, 1, false, 64},
         {{127, 0, W}, {128, 0, W}, {511, 0, W}, {126, 0, K}}},
    };
    const CPixelTables tables;
    for (const auto& c : cases) {
        std::vector<uint8_t> ram(0x10000);
        for (auto [address, value] : c.bytes)
            ram[address] = value;
        const auto& g = c.geometry;
        std::vector<PixelWord> pixels(static_cast<size_t>(StrideWords(g.width)) * g.height, 0x1234);
        ComposePicture(ram.data(), c.address, g, tables, pixels.data());
        for (const Pixel& p : c.pixels)
            EXPECT_EQ(pixels[static_cast<size_t>(p.y) * StrideWords(g.width) + p.x], p.word)
                << c.what << " at " << p.x << "," << p.y;
    }
}

// Two pixels thick inside the rectangle, every other pixel (a checkerboard), clipped to
// the picture; a second drawing restores it, and no selection draws nothing.
TEST(SelectionFrame, HalftoneInsideTheRectangleUndoneByASecondDrawing) {
    const int width = 20, height = 12, stride = StrideWords(width);
    std::vector<PixelWord> pixels(static_cast<size_t>(stride) * height, 0x0421);
    const SelRect dragged{15, 9, 3, 2}; // from the lower right corner up and left
    InvertSelectionFrame(pixels.data(), width, height, dragged);
    int wrong = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool inside = x >= 3 && x < 15 && y >= 2 && y < 9;
            const bool frame = inside && (x < 5 || x >= 13 || y < 4 || y >= 7);
            wrong += pixels[y * stride + x] != (frame && (x + y) % 2 == 0 ? 0x7BDE : 0x0421);
        }
    EXPECT_EQ(wrong, 0);
    InvertSelectionFrame(pixels.data(), width, height, dragged);
    InvertSelectionFrame(pixels.data(), width, height, SelRect{});
    InvertSelectionFrame(pixels.data(), width, height, {-5, -5, 40, 40}); // clipped
    InvertSelectionFrame(pixels.data(), width, height, {-5, -5, 40, 40});
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](PixelWord p) { return p == 0x0421; }));
}
