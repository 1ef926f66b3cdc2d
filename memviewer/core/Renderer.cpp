#include "Renderer.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr PixelWord kColorWords[4] = {0x0000, 0x001F, 0x07E0, 0xF800};
constexpr PixelWord kWhite = 0xFFFF;

// The pixels of every byte value already repeated `scale` times: a whole byte of a
// picture row becomes one block copy.
class ScaledOctets {
public:
    ScaledOctets(const CPixelTables& tables, int scale, bool color) : m_width(8 * scale) {
        m_words.resize(static_cast<size_t>(256) * m_width);
        for (int b = 0; b < 256; ++b) {
            PixelWord* out = &m_words[static_cast<size_t>(b) * m_width];
            for (PixelWord word : tables.ExpandByte(static_cast<uint8_t>(b), color))
                out = std::fill_n(out, scale, word);
        }
    }
    const PixelWord* Of(uint8_t value) const {
        return &m_words[static_cast<size_t>(value) * m_width];
    }

private:
    int m_width;
    std::vector<PixelWord> m_words;
};

// One picture row: rowBytes bytes from `address`, each pixel `scale` wide, cut at `width`;
// black after them.
void ComposeRow(const uint8_t* ram, unsigned address, const PictureGeometry& g,
                const ScaledOctets& octets, PixelWord* row) {
    const int byteWidth = 8 * g.scale;
    const int wholeBytes = std::min(g.width / byteWidth, g.rowBytes);
    const size_t byteSize = static_cast<size_t>(byteWidth) * sizeof(PixelWord);
    if (g.scale == 1) { // a copy of constant size, which the compiler inlines
        for (int i = 0; i < wholeBytes; ++i)
            std::memcpy(row + 8 * i, octets.Of(ram[(address + i) & 0xFFFF]), sizeof(PixelOctet));
    } else {
        for (int i = 0; i < wholeBytes; ++i)
            std::memcpy(row + static_cast<size_t>(i) * byteWidth,
                        octets.Of(ram[(address + i) & 0xFFFF]), byteSize);
    }
    const int drawn = wholeBytes * byteWidth;
    const int cut = wholeBytes < g.rowBytes ? std::min(g.width - drawn, byteWidth) : 0;
    if (cut > 0)
        std::memcpy(row + drawn, octets.Of(ram[(address + wholeBytes) & 0xFFFF]),
                    static_cast<size_t>(cut) * sizeof(PixelWord));
    std::fill(row + drawn + cut, row + g.width, PixelWord{0});
}

} // namespace

void CPixelTables::BuildPixelTables() {
    for (int b = 0; b < 256; ++b) {
        for (int j = 0; j < 4; ++j)
            m_pColorTable[b][2 * j] = m_pColorTable[b][2 * j + 1] = kColorWords[(b >> (2 * j)) & 3];
        for (int k = 0; k < 8; ++k)
            m_pMonoTable[b][k] = (b >> k) & 1 ? kWhite : 0x0000;
    }
}

int StrideWords(int width) {
    return (2 * width + 3) / 4 * 2;
}

void ComposePicture(const uint8_t* ram, uint16_t address, const PictureGeometry& g,
                    const CPixelTables& tables, PixelWord* pixels, int top, int bottom) {
    if (g.width <= 0 || g.height <= 0 || g.rowBytes <= 0)
        return;
    const int stride = StrideWords(g.width);
    const ScaledOctets octets(tables, g.scale, g.color);
    const int firstRow = std::max(top, 0) / g.scale;
    unsigned a = address + static_cast<unsigned>(firstRow * g.rowBytes);
    const int end = std::min(g.height, bottom);
    for (int y = firstRow * g.scale; y < end;
         y += g.scale, a += static_cast<unsigned>(g.rowBytes)) {
        PixelWord* row = pixels + static_cast<size_t>(y) * stride;
        ComposeRow(ram, a, g, octets, row);
        for (int k = 1; k < g.scale && y + k < g.height; ++k)
            std::memcpy(row + static_cast<size_t>(k) * stride, row,
                        static_cast<size_t>(stride) * 2);
    }
}
