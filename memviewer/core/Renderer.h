// Memory as a picture: every byte gives 8 pixels, monochrome (a bit each) or in four
// colours (two bits each, two pixels wide), each pixel repeated `scale` times both ways.
// Pixels are 16-bit words in the 5-5-5 layout of a 16-bit bitmap.
#pragma once

#include <array>
#include <climits>
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

// Words from one pixel row to the next: ((2W + 3) / 4) x 4 bytes.
int StrideWords(int width);

struct PictureGeometry {
    int width;
    int height;
    int scale;
    bool color;
    int rowBytes; // from one memory row to the next
};

// Composes the picture of memory from `address` on into `pixels` (height rows of
// StrideWords(width)): each row shows rowBytes bytes, the last one perhaps cut at the
// right edge, and black beyond them; reads wrap after 0xFFFF; each picture row is
// composed once and copied for its other scale - 1 pixel rows. Only the picture rows
// that meet the pixel rows top to bottom - 1 are composed; the others are left as they are.
void ComposePicture(const uint8_t* ram, uint16_t address, const PictureGeometry& geometry,
                    const CPixelTables& tables, PixelWord* pixels, int top = 0,
                    int bottom = INT_MAX);
