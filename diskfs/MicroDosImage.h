// MicroDOS: 24-byte entries from 0o500 up to an entry whose first three bytes are zero, one
// that leaves the disk, or the end of the live entries the header counts (word 0o30); file
// data at (start block) x 512. A directory is an entry with load address and length 0;
// byte 0 holds its own number (0o377: a deleted entry), byte 1 the holding one. MKDOS: the
// same catalog, with directories marked by 0x7F in the first name byte, a directory's
// 13-character name after the mark. The layout: MicroDosLayout.h.
#pragma once

#include "FileSystem.h"

#include <memory>
#include <vector>

class CDiskEditor;

class CMicroDosImage : public CFileSystem {
public:
    // MKDOS when the format is MKDOS's row.
    CMicroDosImage(std::span<const uint8_t> bytes, const FileSystemFormat& format);

    // The family's mark, without (MicroDOS) or with (MKDOS) MKDOS's own beside it.
    static bool DetectMicroDos(std::span<const uint8_t> bytes);
    static bool DetectMkDos(std::span<const uint8_t> bytes);

protected:
    ReadFault ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const override;

private:
    int CatalogEnd() const; // the offset after the last entry
    DiskEntry EntryAt(int offset, bool mkdos) const;
};

// Its editor (MicroDosEditor.cpp), for MicroDOS and MKDOS, and their blank disks.
std::unique_ptr<CDiskEditor> EditMicroDos(std::vector<uint8_t> bytes,
                                          const FileSystemFormat& format);
std::vector<uint8_t> BlankMicroDos(long long blocks);
std::vector<uint8_t> BlankMkDos(long long blocks);
