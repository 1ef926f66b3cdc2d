// Builders that assemble BK disk images in memory, for the sample images and the tests.
// Names are given in Windows-1251 and stored in KOI-8 as the disk operating systems store
// them.
#pragma once

#include "DiskImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace testimg {

using Bytes = std::vector<uint8_t>;

// Windows-1251 text in the computer's KOI-8 code (the inverse of the reader's decoding).
std::string ToKoi8(std::string_view cp1251);

Bytes Filled(int count, uint8_t first = 0);

void PutWord(Bytes& image, int offset, int word);

// MicroDOS and MKDOS: 24-byte entries from 0x140; file data in 512-byte blocks. The header
// counts the entries (word 0o30) and the blocks the files own (0o32), as the systems keep them.
class MicroDosBuilder {
public:
    explicit MicroDosBuilder(bool mkdos = false, int size = 819200, int firstDataBlock = 100);

    // A file in directory `holding`, its data in the next free blocks. Returns the entry offset.
    int File(int holding, std::string_view name, int address, const Bytes& data);
    // A directory with its own number: MKDOS marks it with 0x7F, MicroDOS by address and
    // length 0.
    int Dir(int own, int holding, std::string_view name);
    // An entry with every field given; `name` is stored as raw bytes (14 at most).
    int Raw(int own, int holding, std::string_view rawName, int startBlock, int address,
            int length);

    Bytes& Image() { return m_image; }
    int EntryOffset(int index) const { return 0x140 + 24 * index; }

private:
    int NextEntry();

    Bytes m_image;
    bool m_mkdos;
    int m_nextBlock;
    int m_entries = 0;
    int m_blocksUsed = 20; // the catalog's, and the files' (the header's word 0o32)
};

// ANDOS: FAT12 at 0x600, 32-byte entries from 0xA00, 2048-byte clusters from number 2.
class AndosBuilder {
public:
    explicit AndosBuilder(int size = 819200);

    // A file whose data fills a fresh chain ending in 0xFFF. Returns the entry offset.
    int File(int holding, std::string_view name, std::string_view extension, int address,
             const Bytes& data);
    int Dir(int own, int holding, std::string_view name, std::string_view extension = "");
    int Raw(std::string_view name, std::string_view extension, int attribute, int own, int holding,
            int address, int firstCluster, int length);

    void SetFat(int cluster, int value);
    int ClusterOffset(int cluster) const { return (cluster + 1) * 2048; }
    Bytes& Image() { return m_image; }

private:
    int NextEntry();

    Bytes m_image;
    int m_nextCluster = 2;
    int m_entries = 0;
};

// A blank disk of the format, as the format's own row makes one.
Bytes BlankDisk(ImageFormat id);

// A hard disk holding `disks` as its logical disks, each from a whole track: identify
// header (one head, 8 sectors a track), inverted sectors, the table in LBA 7 with its
// checksum.
Bytes HardDiskOf(const std::vector<Bytes>& disks);

} // namespace testimg
