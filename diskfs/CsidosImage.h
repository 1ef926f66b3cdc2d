// CSIDOS: a catalog of 20-byte entries in blocks 2..9 (25 after each block's 12-byte
// header) up to an entry whose byte 0 is 0. Byte 0 is the holding directory (1 the root),
// or marks a hole, a bad area, an empty record or a deleted file; a directory has a
// zero extension and its own number in byte 13. Files are contiguous blocks. The layout:
// CsidosLayout.h.
#pragma once

#include "FileSystem.h"

#include <memory>
#include <vector>

class CDiskEditor;

class CCsidosImage : public CFileSystem {
public:
    CCsidosImage(std::span<const uint8_t> bytes, const FileSystemFormat& format);

    static bool Detect(std::span<const uint8_t> bytes);

protected:
    ReadFault ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const override;

private:
    DiskEntry EntryAt(long long offset) const;
};

// Its editor (CsidosEditor.cpp), and a blank disk.
std::unique_ptr<CDiskEditor> EditCsidos(std::vector<uint8_t> bytes, const FileSystemFormat& format);
std::vector<uint8_t> BlankCsidos(long long blocks);
