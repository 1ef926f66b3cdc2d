// A row of the table of formats (Formats.h): what a format is called, how it is known, read,
// changed and made blank, and the names it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

enum ImageFormat {
    FormatUnknown = 0,
    FormatMicroDos = 1,
    FormatMkDos = 2,
    FormatAndos = 3,
    FormatCsidos = 4,
};

class CFileSystem;
class CDiskEditor;

// A new floppy's size in 512-byte blocks (800 KB).
constexpr long long kBlankBlocks = 1600;

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
    std::unique_ptr<CFileSystem> (*open)(std::span<const uint8_t> bytes,
                                         const FileSystemFormat& format);
    // Both null for a format this program does not change.
    std::unique_ptr<CDiskEditor> (*edit)(std::vector<uint8_t> bytes,
                                         const FileSystemFormat& format);
    // A new empty disk of `blocks` 512-byte blocks, within `sizes`.
    std::vector<uint8_t> (*blank)(long long blocks);
    struct {
        long long least, most;
    } sizes; // in blocks

    // The reader over `bytes`, which must outlive it.
    std::unique_ptr<CFileSystem> Open(std::span<const uint8_t> bytes) const;
    // A new empty floppy (800 KB).
    std::vector<uint8_t> Blank() const;
    // The blocks of the file system made on a disk of `diskBlocks` (a hard disk's logical disk
    // may be larger than the format addresses); none when the disk is too small for it.
    std::optional<long long> BlocksOn(long long diskBlocks) const;
};
