// The one table of the file systems this program reads: detection, opening, name limits
// and every list of formats (tests, fuzzing, builders, the command line's format options
// and the messages) read it. A new format is a reader and a row.
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

// The longest names a catalog holds: a file's name (and extension, where it keeps one
// apart), a directory's.
struct NameLimits {
    int name;
    int extension; // 0: none apart from the name
    int directory;
};

struct FileSystemFormat {
    ImageFormat id;
    const char* name;
    NameLimits names;
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
