// MicroDOS: 24-byte entries from 0x140 up to an entry whose first three bytes are zero, one
// that leaves the disk, or the end of the live entries the header counts (word 0o30); file
// data at (start block) x 512. A directory is an entry with load address and length 0;
// byte 0 holds its own number (0o377: a deleted entry), byte 1 the holding one. MKDOS: the
// same catalog, with directories marked by 0x7F in the first name byte, a directory's
// 13-character name after the mark.
#pragma once

#include "FileSystem.h"

class CMicroDosImage : public CFileSystem {
public:
    CMicroDosImage(std::span<const uint8_t> bytes, bool mkdos);

    std::string GetFormatName() const override;

protected:
    ReadFault ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const override;

private:
    DiskEntry EntryAt(int offset, bool mkdos) const;

    bool m_mkdos;
};
