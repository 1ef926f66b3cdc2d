// Readers of MicroDOS, MKDOS, ANDOS and CSIDOS disks written for the tests from the formats'
// descriptions alone (the ANDOS one from the FAT12 layout its boot sector gives), sharing
// nothing with the readers under test but the KOI-8 table. They also check what every
// change must keep: the catalog header's counts and the contiguous runs of the MicroDOS
// family, the two equal FAT copies and unshared chains of ANDOS.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace own {

struct File {
    uint16_t address = 0;
    std::vector<uint8_t> data;
    long long allotted = 0; // bytes of the blocks or clusters it owns
    bool operator==(const File&) const = default;
};

struct Disk {
    std::map<std::string, File> files; // by path, NAME/NAME, names folded to capitals
    std::set<std::string> dirs;
    long long freeBytes = 0;
    std::string problem; // the first rule the disk breaks; empty when none
};

Disk ReadMicroDosFamily(const std::vector<uint8_t>& bytes, bool mkdos);
Disk ReadAndos(const std::vector<uint8_t>& bytes);
// CSIDOS: the records in blocks 2..9; live files, deleted files and holes must tile the
// data blocks.
Disk ReadCsidos(const std::vector<uint8_t>& bytes);
// The one of the above that the disk's format (as detected) calls for.
Disk ReadAny(const std::vector<uint8_t>& bytes);

// A hard-disk image's logical disks as the table in LBA 7 gives them (from `header` bytes on:
// 512, or 0 without the identify header): where each lies in the file, and its bytes turned
// back from their inverted store. Empty when the table's geometry or checksum is wrong.
struct LogicalDisk {
    size_t offset = 0, size = 0;
    std::vector<uint8_t> bytes;
};
std::vector<LogicalDisk> ReadHardDisk(const std::vector<uint8_t>& image, size_t header = 512);

} // namespace own
