// The selection as a picture of its own (8 pixels a byte, two pixel rows a memory row,
// whatever the scale) and as a 16-bit bottom-up BMP file.
#pragma once

#include "Navigation.h"
#include "Renderer.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct SelectionImage {
    int width;                     // 8 x K pixels
    int height;                    // 2 x N pixels
    std::vector<PixelWord> pixels; // top row first, width words a row
};

// N memory rows of K bytes, row r starting at first + r x bytesPerRow; reads wrap
// after 0xFFFF. None when K or N is 0 or there is no memory.
std::optional<SelectionImage> ComposeSelection(const uint8_t* ram, unsigned first, int bytesPerRow,
                                               int columns, int rows, bool color,
                                               const CPixelTables& tables);

struct ViewState {
    uint16_t address;
    int scale;
    bool color;
    int clientWidth;
    SelRect selection;
};

// The selection of the view in memory terms: corners to byte columns and picture rows,
// normalised. None without a selection, without memory, or when it is empty.
std::optional<SelectionImage> BuildSelectionImage(const uint8_t* ram, const ViewState& view,
                                                  const CPixelTables& tables);

// Paths are UTF-8 strings on every host; this is the host's form of one (wide on Windows).
std::filesystem::path Utf8ToHostPath(const std::string& utf8);

// A name typed without extension gets ".bmp" (the file chooser does not add it).
std::string CompleteBmpPath(const std::string& path);

// The file: 14-byte file header, 40-byte information header, rows bottom-up.
std::vector<uint8_t> EncodeBmp(const SelectionImage& image);

// Creates or replaces the file at `path` with EncodeBmp of the image, through a new file
// renamed over it when complete: a failure leaves any previous file intact. A link, FIFO
// or anything but a regular file at `path` is refused. False when it cannot be written,
// with the reason in `reason` when given.
bool WriteBmpFile(const std::string& path, const SelectionImage& image,
                  std::string* reason = nullptr);
