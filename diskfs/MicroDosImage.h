// MicroDOS: 24-byte entries from 0x140 up to an entry whose first three bytes are zero, one
// that leaves the disk, or the end of the live entries the header counts (word 0o30); file
// data at (start block) x 512. A directory is an entry with load address and length 0;
// byte 0 holds its own number (0o377: a deleted entry), byte 1 the holding one.
#pragma once

#include "FileSystem.h"

class CMicroDosImage : public CFileSystem {
public:
    explicit CMicroDosImage(std::span<const uint8_t> bytes) : CMicroDosImage(bytes, false) {}

    std::string GetFormatName() const override;

protected:
    // MKDOS marks directories with 0x7F before a 13-byte name instead.
    CMicroDosImage(std::span<const uint8_t> bytes, bool mkdos);
    ReadFault ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const override;

private:
    DiskEntry EntryAt(int offset, bool mkdos) const;
};
