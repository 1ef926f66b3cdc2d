// A file system over a span of disk bytes: its catalog read once into entry values, listed
// by the directory that holds them, and the data of a file entry read on demand. Nothing
// here changes the bytes.
#pragma once

#include "DiskEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Directory numbers are single bytes in every format.
constexpr int kDirectoryNumbers = 256;
bool IsDirectoryNumber(int number);

struct FileSystemFormat;

class CFileSystem {
public:
    virtual ~CFileSystem() = default;
    CFileSystem(const CFileSystem&) = delete;
    CFileSystem& operator=(const CFileSystem&) = delete;

    // Its row in the table of formats.
    const FileSystemFormat& Format() const { return m_format; }
    std::string GetFormatName() const;
    int RootDir() const { return m_rootDir; }
    size_t Size() const { return m_bytes.size(); }

    const std::vector<DiskEntry>& Entries() const { return m_entries; }
    // Indices of the directory's entries in catalog order; the root ends with one Lost
    // entry for each directory number that no entry reachable from the root opens.
    const std::vector<int>& Contents(int dir) const;
    std::span<const uint8_t> RawName(const DiskEntry& entry) const;

    // The file's bytes into `data` (cleared first); a directory is Unreadable.
    ReadFault Read(const DiskEntry& entry, std::vector<uint8_t>& data) const;

protected:
    CFileSystem(std::span<const uint8_t> bytes, int rootDir, const FileSystemFormat& format);

    // Derived constructors add the catalog's entries in order, then call Finish once.
    void Reserve(size_t entries) { m_entries.reserve(entries); }
    void Add(DiskEntry entry);
    void Finish();
    virtual ReadFault ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const = 0;

    bool InDisk(long long offset, long long count) const;
    // 0 outside the disk.
    int Byte(long long offset) const;
    int Word(long long offset) const;
    // The name field at offset: its raw bytes noted, its KOI-8 decoded, trailing blanks off.
    void SetName(DiskEntry& entry, long long offset, int count) const;
    // An 8 + 3 name field, decoded: its name and extension, each without trailing blanks
    // (views into `decoded`).
    static std::pair<std::string_view, std::string_view> SplitName(std::string_view decoded);
    // `length` bytes from `offset`, or Unreadable when they leave the disk.
    ReadFault CopyBytes(long long offset, uint32_t length, std::vector<uint8_t>& data) const;
    // A file of whole 512-byte blocks from its start block. A deleted file reads while no
    // live file has taken any of its blocks.
    ReadFault ReadBlocks(const DiskEntry& entry, std::vector<uint8_t>& data) const;

    std::span<const uint8_t> m_bytes;

private:
    void AddLostDirectories();

    int m_rootDir;
    const FileSystemFormat& m_format;
    std::vector<DiskEntry> m_entries;
    std::vector<std::vector<int>> m_contents; // by holding directory number
};
