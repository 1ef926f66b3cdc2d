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

// The selection's rows of bytes, row r from first + r x rowBytes; reads wrap after
// 0xFFFF. None when it is empty or there is no memory.
std::optional<SelectionImage> ComposeSelection(const uint8_t* ram, const MemorySelection& selection,
                                               bool color, const CPixelTables& tables);

// Red, green and blue bytes of each pixel, top row first: the picture for the clipboard.
std::vector<uint8_t> SelectionRgb(const SelectionImage& image);

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
