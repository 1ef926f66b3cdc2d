// Memory as a picture: every byte gives 8 pixels, monochrome (a bit each) or in four
// colours (two bits each, two pixels wide), each pixel repeated `scale` times both ways.
// Pixels are 16-bit words in the 5-5-5 layout of a 16-bit bitmap.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

using PixelWord = uint16_t;
using PixelOctet = std::array<PixelWord, 8>; // the pixels of one byte, left to right

// The expansion tables: entry b is the 8 pixels of byte value b.
class CPixelTables {
public:
    CPixelTables() { BuildPixelTables(); }
    void BuildPixelTables();
    const PixelOctet& ExpandByte(uint8_t value, bool color) const {
        return color ? m_pColorTable[value] : m_pMonoTable[value];
    }

private:
    std::array<PixelOctet, 256> m_pColorTable;
    std::array<PixelOctet, 256> m_pMonoTable;
};

// Bytes, whole or cut at the right edge, that a picture row of `width` pixels shows.
int BytesPerRow(int width, int scale);
// The page step of the scroll bar: BytesPerRow x height / scale, rounded down.
int BytesPerPage(int width, int height, int scale);
// Words from one pixel row to the next: ((2W + 3) / 4) x 4 bytes.
int StrideWords(int width);

struct PictureGeometry {
    int width;
    int height;
    int scale;
    bool color;
};

// Composes the picture of memory from `address` on into `pixels` (height rows of
// StrideWords(width)): reads wrap after 0xFFFF, each picture row is composed once and
// copied for its other scale - 1 pixel rows.
void ComposePicture(const uint8_t* ram, uint16_t address, const PictureGeometry& geometry,
                    const CPixelTables& tables, PixelWord* pixels);
