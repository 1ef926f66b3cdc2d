#include "HardDisk.h"

#include "DiskWords.h"

namespace {

constexpr int kMaxHeads = 16;
constexpr int kMaxSectorsPerTrack = 255;
constexpr int kTableSector = 7;
constexpr int kChecksumBase = 012701;

// A word of the table sector (LBA 7), inverted back; LBA 0 starts at `base` in the image.
int TableWord(std::span<const uint8_t> head, long long base, int offset) {
    return ~WordAt(head, static_cast<size_t>(base + kSectorSize * kTableSector + offset)) & 0xFFFF;
}

bool Plausible(const HardDiskLayout& layout) {
    return layout.cylinders >= 1 && layout.heads >= 1 && layout.heads <= kMaxHeads &&
           layout.sectorsPerTrack >= 1 && layout.sectorsPerTrack <= kMaxSectorsPerTrack;
}

// The logical disks the table lists, where it repeats the layout's geometry, lists at least
// one disk and its checksum holds.
bool ReadTable(std::span<const uint8_t> head, long long base, HardDiskLayout& layout) {
    const auto word = [&](int offset) { return TableWord(head, base, offset); };
    if (word(0x1FE) != layout.cylinders || word(0x1FC) != layout.heads ||
        word(0x1FA) != layout.sectorsPerTrack)
        return false;
    const int counts = word(0x1F8);
    const int count = counts & 0xFF;
    if (count < 1 || 0x1F6 - 4 * count < 0)
        return false;
    int sum = kChecksumBase + layout.cylinders + layout.heads + layout.sectorsPerTrack + counts;
    for (int i = 0; i < count; ++i) {
        const int track = word(0x1F6 - 4 * i);
        const int sectors = word(0x1F4 - 4 * i);
        sum += track + sectors;
        layout.disks.push_back(
            {base + kSectorSize * track * static_cast<long long>(layout.sectorsPerTrack),
             kSectorSize * sectors});
    }
    return word(0x1F6 - 4 * count) == (sum & 0xFFFF);
}

} // namespace

void InvertBytes(std::span<uint8_t> bytes) {
    for (uint8_t& byte : bytes)
        byte = static_cast<uint8_t>(~byte);
}

std::optional<HardDiskLayout> ReadHardDiskLayout(std::span<const uint8_t> head) {
    if (static_cast<long long>(head.size()) < kHardDiskHead)
        return std::nullopt;
    HardDiskLayout layout;
    layout.cylinders = WordAt(head, 2);
    layout.heads = WordAt(head, 6);
    layout.sectorsPerTrack = WordAt(head, 12);
    layout.declaredSectors = WordAt(head, 120) | static_cast<long long>(WordAt(head, 122)) << 16;
    if (!Plausible(layout) || !ReadTable(head, kSectorSize, layout))
        return std::nullopt;
    return layout;
}

std::optional<HardDiskLayout> ReadHeaderlessLayout(std::span<const uint8_t> head) {
    if (static_cast<long long>(head.size()) < kHeaderlessHead)
        return std::nullopt;
    HardDiskLayout layout;
    layout.header = false;
    layout.cylinders = TableWord(head, 0, 0x1FE);
    layout.heads = TableWord(head, 0, 0x1FC);
    layout.sectorsPerTrack = TableWord(head, 0, 0x1FA);
    if (!Plausible(layout) || !ReadTable(head, 0, layout))
        return std::nullopt;
    return layout;
}
