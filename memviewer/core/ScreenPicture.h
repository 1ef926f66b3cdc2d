// What the picture window puts on the screen besides the memory: the selection frame,
// and the 16-bit words as 24-bit RGB for the toolkit.
#pragma once

#include "Navigation.h"
#include "Renderer.h"

#include <cstdint>

// Inverts a frame 2 pixels thick inside the normalised `rect`, in a halftone pattern
// (every other pixel, as a checkerboard); drawing it twice restores the picture.
void InvertSelectionFrame(PixelWord* pixels, int width, int height, const SelRect& rect);

// 24-bit RGB of each pixel word (5 bits a channel, bit 15 ignored), width x height
// pixels, rows of StrideWords(width) words in, 3 x width bytes out.
void ConvertToRgb(const PixelWord* pixels, int width, int height, uint8_t* rgb);
