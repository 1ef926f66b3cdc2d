// BK-0011M hard-disk images: a 512-byte identify header, then the sectors in LBA order
// with every byte inverted; the table of logical disks in LBA 7, read from its end.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

constexpr long long kSectorSize = 512;
// The header and LBA 0..7: all that detection and the table of logical disks need; without
// the header, LBA 0..7.
constexpr long long kHardDiskHead = kSectorSize + 8 * kSectorSize;
constexpr long long kHeaderlessHead = 8 * kSectorSize;

struct HardDiskLayout {
    int cylinders = 0;
    int heads = 0;
    int sectorsPerTrack = 0;
    long long declaredSectors = 0; // what the header says the disk holds
    bool header = true;            // false: the image starts at LBA 0, its identify header left out
    struct LogicalDisk {
        long long offset; // in the image file
        long long size;   // bytes
    };
    std::vector<LogicalDisk> disks;
};

// The layout from the image's first kHardDiskHead bytes; none when they are not a hard
// disk's (geometry, a table that repeats it, at least one disk, its checksum).
std::optional<HardDiskLayout> ReadHardDiskLayout(std::span<const uint8_t> head);
// The layout of an image kept without the identify header, as some emulators keep hard
// disks: known by the table alone (a plausible geometry, its checksum), from LBA 0..7.
std::optional<HardDiskLayout> ReadHeaderlessLayout(std::span<const uint8_t> head);

// The disk's bytes as stored in the image file, turned back into what the BK sees.
void InvertBytes(std::span<uint8_t> bytes);

// What a new hard disk can hold: 16 heads of 63 sectors; a table word gives a logical disk's
// size in sectors (whole tracks here), and the table's sector holds this many disks' pairs
// of words below the geometry, and its checksum.
constexpr int kNewHeads = 16;
constexpr int kNewSectorsPerTrack = 63;
constexpr long long kMaxNewDiskSectors = 0xFFFF / kNewSectorsPerTrack * kNewSectorsPerTrack;
constexpr int kMaxLogicalDisks = 125;

// A new hard disk's layout: the table's track first, then the logical
// disks of at least the sizes asked (in sectors), each from a track of its own; none when the
// table cannot hold them.
std::optional<HardDiskLayout> PlanHardDisk(std::span<const long long> diskSectors);
// The image file of that layout: its identify header, LBA 0 (a boot sector that halts), the
// table, and every other sector zero, all as the image stores them (inverted).
std::vector<uint8_t> HardDiskImage(const HardDiskLayout& layout);
