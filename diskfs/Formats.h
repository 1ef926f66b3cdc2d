// The one table of the file systems this program reads: detection, opening and every
// list of formats (tests, fuzzing, builders) read it. A new format is a reader and a row.
#pragma once

#include "FileSystem.h"

#include <memory>
#include <span>

enum ImageFormat {
    FormatUnknown = 0,
    FormatMicroDos = 1,
    FormatMkDos = 2,
    FormatAndos = 3,
    FormatCsidos = 4,
};

struct FileSystemFormat {
    ImageFormat id;
    const char* name;
    bool (*detect)(std::span<const uint8_t> bytes);
    std::unique_ptr<CFileSystem> (*open)(std::span<const uint8_t> bytes);
};

// In the order detection tries them.
std::span<const FileSystemFormat> FileSystemFormats();

// The first format whose detection accepts the bytes; null when none does.
const FileSystemFormat* DetectFileSystem(std::span<const uint8_t> bytes);

ImageFormat DetectImageFormat(const uint8_t* data, int size);
