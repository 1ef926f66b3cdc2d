#include "HardDisk.h"

namespace {

constexpr int kMaxHeads = 16;
constexpr int kMaxSectorsPerTrack = 255;
constexpr int kTableSector = 7;
constexpr int kChecksumBase = 012701;

int Word(std::span<const uint8_t> bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8;
}

// A word of the table sector, inverted back.
int TableWord(std::span<const uint8_t> head, int offset) {
    return ~Word(head, static_cast<size_t>(kSectorSize * (1 + kTableSector) + offset)) & 0xFFFF;
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
    layout.cylinders = Word(head, 2);
    layout.heads = Word(head, 6);
    layout.sectorsPerTrack = Word(head, 12);
    layout.declaredSectors = Word(head, 120) | static_cast<long long>(Word(head, 122)) << 16;
    if (layout.cylinders < 1 || layout.heads < 1 || layout.heads > kMaxHeads ||
        layout.sectorsPerTrack < 1 || layout.sectorsPerTrack > kMaxSectorsPerTrack)
        return std::nullopt;
    if (TableWord(head, 0x1FE) != layout.cylinders || TableWord(head, 0x1FC) != layout.heads ||
        TableWord(head, 0x1FA) != layout.sectorsPerTrack)
        return std::nullopt;
    const int counts = TableWord(head, 0x1F8);
    const int count = counts & 0xFF;
    if (count < 1 || 0x1F6 - 4 * count < 0)
        return std::nullopt;
    int sum = kChecksumBase + layout.cylinders + layout.heads + layout.sectorsPerTrack + counts;
    for (int i = 0; i < count; ++i) {
        const int track = TableWord(head, 0x1F6 - 4 * i);
        const int sectors = TableWord(head, 0x1F4 - 4 * i);
        sum += track + sectors;
        layout.disks.push_back(
            {kSectorSize * (1 + static_cast<long long>(track) * layout.sectorsPerTrack),
             kSectorSize * sectors});
    }
    if (TableWord(head, 0x1F6 - 4 * count) != (sum & 0xFFFF))
        return std::nullopt;
    return layout;
}
