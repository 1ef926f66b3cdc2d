// Putting 32-bit 0x00RRGGBB pixels on a device context: the toolkit glue of the picture.
#pragma once

#include <wx/dc.h>

#include <cstdint>

// Draws width x height pixels (rows of width values) at the context's origin.
void DrawXrgb(wxDC& dc, const uint32_t* pixels, int width, int height);
