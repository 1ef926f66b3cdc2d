// The one table of the file systems this program reads: detection, opening and every
// list of formats (tests, fuzzing, builders) read it. A new format is a reader and a row.
#pragma once

#include "FileSystem.h"

#include <memory>
#include <span>
#include <vector>

enum ImageFormat {
    FormatUnknown = 0,
    FormatMicroDos = 1,
    FormatMkDos = 2,
    FormatAndos = 3,
    FormatCsidos = 4,
};

class CDiskEditor;

struct FileSystemFormat {
    ImageFormat id;
    const char* name;
    bool (*detect)(std::span<const uint8_t> bytes);
    std::unique_ptr<CFileSystem> (*open)(std::span<const uint8_t> bytes);
    // Null for a format this program does not change.
    std::unique_ptr<CDiskEditor> (*edit)(std::vector<uint8_t> bytes,
                                         const FileSystemFormat& format);
    std::vector<uint8_t> (*blank)(); // a new empty 800 KB disk
};

// In the order detection tries them.
std::span<const FileSystemFormat> FileSystemFormats();

// The formats this program makes blank disks of and changes, in the table's order.
std::vector<const FileSystemFormat*> WritableFormats();

// The first format whose detection accepts the bytes; null when none does.
const FileSystemFormat* DetectFileSystem(std::span<const uint8_t> bytes);

ImageFormat DetectImageFormat(const uint8_t* data, int size);
