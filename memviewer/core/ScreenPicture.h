// What the picture window puts on the screen besides the memory: the selection frame,
// and the 16-bit words as 32-bit pixels for the screen.
#pragma once

#include "Navigation.h"
#include "Renderer.h"

#include <cstdint>

// Inverts a frame 2 pixels thick inside the normalised `rect`, in a halftone pattern
// (every other pixel, as a checkerboard); drawing it twice restores the picture.
void InvertSelectionFrame(PixelWord* pixels, int width, int height, const SelRect& rect);

// 32-bit 0x00RRGGBB of each pixel word (5 bits a channel scaled to 8, bit 15 ignored):
// width x height pixels, rows of StrideWords(width) words in, rows of width values out.
void ConvertToXrgb(const PixelWord* pixels, int width, int height, uint32_t* xrgb);
