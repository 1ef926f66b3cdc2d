#include "ScreenPicture.h"

#include <algorithm>
#include <array>

namespace {

constexpr int kFrameThickness = 2;
constexpr PixelWord kInvert = 0x7FFF; // the three colour channels

void InvertSpan(PixelWord* row, int y, int x0, int x1) {
    for (int x = x0 + ((x0 + y) & 1); x < x1; x += 2)
        row[x] ^= kInvert;
}

uint8_t Channel(int value) {
    return static_cast<uint8_t>(value * 255 / 31);
}

} // namespace

void InvertSelectionFrame(PixelWord* pixels, int width, int height, const SelRect& rect) {
    if (!HasSelection(rect))
        return;
    const SelRect r = Normalized(rect);
    const int stride = StrideWords(width);
    const int left = std::max(r.left, 0), right = std::min(r.right, width);
    for (int y = std::max(r.top, 0); y < std::min(r.bottom, height); ++y) {
        PixelWord* row = pixels + static_cast<size_t>(y) * stride;
        if (y < r.top + kFrameThickness || y >= r.bottom - kFrameThickness) {
            InvertSpan(row, y, left, right);
            continue;
        }
        InvertSpan(row, y, left, std::min(r.left + kFrameThickness, right));
        InvertSpan(row, y, std::max(r.right - kFrameThickness, left), right);
    }
}

void ConvertToXrgb(const PixelWord* pixels, int width, int height, uint32_t* xrgb) {
    static const auto table = [] {
        std::array<uint32_t, 0x8000> t{};
        for (int w = 0; w < 0x8000; ++w)
            t[w] = static_cast<uint32_t>(Channel(w >> 10 & 31)) << 16 | Channel(w >> 5 & 31) << 8 |
                   Channel(w & 31);
        return t;
    }();
    const int stride = StrideWords(width);
    for (int y = 0; y < height; ++y) {
        const PixelWord* row = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < width; ++x)
            *xrgb++ = table[row[x] & 0x7FFF];
    }
}
