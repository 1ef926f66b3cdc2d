#include "HardDisk.h"

#include "DiskWords.h"

#include <cstring>

namespace {

constexpr int kMaxHeads = 16;
constexpr int kMaxSectorsPerTrack = 255;
constexpr int kTableSector = 7;
constexpr int kChecksumBase = 012701;
constexpr int kTableCounts = 0x1F8;
constexpr int kCountsHigh = 2; // the counts word's high byte on every real image

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
    const int counts = word(kTableCounts);
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

// Eight bytes at a time: a logical disk is inverted twice in every change.
void InvertBytes(std::span<uint8_t> bytes) {
    size_t at = 0;
    for (uint64_t word; at + sizeof word <= bytes.size(); at += sizeof word) {
        std::memcpy(&word, &bytes[at], sizeof word);
        word = ~word;
        std::memcpy(&bytes[at], &word, sizeof word);
    }
    for (; at < bytes.size(); ++at)
        bytes[at] = static_cast<uint8_t>(~bytes[at]);
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

std::optional<HardDiskLayout> PlanHardDisk(std::span<const long long> diskSectors) {
    if (diskSectors.empty() || diskSectors.size() > static_cast<size_t>(kMaxLogicalDisks))
        return std::nullopt;
    HardDiskLayout layout;
    layout.heads = kNewHeads;
    layout.sectorsPerTrack = kNewSectorsPerTrack;
    const long long track = kNewSectorsPerTrack * kSectorSize;
    long long tracks = 1; // LBA 0 and the table
    for (const long long sectors : diskSectors) {
        const long long size = (sectors * kSectorSize + track - 1) / track * track;
        if (sectors < 1 || size / kSectorSize > kMaxNewDiskSectors)
            return std::nullopt;
        layout.disks.push_back({kSectorSize + tracks * track, size});
        tracks += size / track;
    }
    layout.cylinders = static_cast<int>((tracks + kNewHeads - 1) / kNewHeads);
    if (layout.cylinders > 0xFFFF)
        return std::nullopt;
    layout.declaredSectors =
        static_cast<long long>(layout.cylinders) * kNewHeads * kNewSectorsPerTrack;
    return layout;
}

namespace {

void PutIdentifyHeader(std::span<uint8_t> header, const HardDiskLayout& layout) {
    const auto put = [&](int word, long long value) { PutWordAt(&header[2 * word], value); };
    put(0, 0x0040); // a fixed disk
    put(1, layout.cylinders);
    put(3, layout.heads);
    put(6, layout.sectorsPerTrack);
    put(54, layout.cylinders); // the geometry in use, the same
    put(55, layout.heads);
    put(56, layout.sectorsPerTrack);
    for (const int word : {57, 60}) {
        put(word, layout.declaredSectors & 0xFFFF);
        put(word + 1, layout.declaredSectors >> 16);
    }
    constexpr char model[] = "BK-0011M HARD DISK                      "; // 40 characters
    for (size_t i = 0; i + 1 < sizeof model; i += 2) { // each word's two bytes swapped
        header[54 + i] = static_cast<uint8_t>(model[i + 1]);
        header[54 + i + 1] = static_cast<uint8_t>(model[i]);
    }
    header[510] = 0xA5; // the sum of all 512 bytes is 0
    int sum = 0;
    for (size_t i = 0; i < 511; ++i)
        sum += header[i];
    header[511] = static_cast<uint8_t>(-sum);
}

void PutTable(std::span<uint8_t> sector, const HardDiskLayout& layout) {
    const int count = static_cast<int>(layout.disks.size());
    const long long track = layout.sectorsPerTrack * kSectorSize;
    const int counts = count | kCountsHigh << 8;
    long long sum =
        kChecksumBase + layout.cylinders + layout.heads + layout.sectorsPerTrack + counts;
    PutWordAt(&sector[0x1FE], layout.cylinders);
    PutWordAt(&sector[0x1FC], layout.heads);
    PutWordAt(&sector[0x1FA], layout.sectorsPerTrack);
    PutWordAt(&sector[kTableCounts], counts);
    for (int i = 0; i < count; ++i) {
        const auto& disk = layout.disks[static_cast<size_t>(i)];
        const long long firstTrack = (disk.offset - kSectorSize) / track;
        PutWordAt(&sector[static_cast<size_t>(0x1F6 - 4 * i)], firstTrack);
        PutWordAt(&sector[static_cast<size_t>(0x1F4 - 4 * i)], disk.size / kSectorSize);
        sum += firstTrack + disk.size / kSectorSize;
    }
    PutWordAt(&sector[static_cast<size_t>(0x1F6 - 4 * count)], sum & 0xFFFF);
}

} // namespace

std::vector<uint8_t> HardDiskImage(const HardDiskLayout& layout) {
    std::vector<uint8_t> image(static_cast<size_t>(kSectorSize * (1 + layout.declaredSectors)));
    const std::span<uint8_t> disk = std::span(image).subspan(kSectorSize);
    PutIdentifyHeader(std::span(image).first(kSectorSize), layout);
    PutWordAt(disk.data(), 0240); // NOP, then HALT
    PutTable(disk.subspan(kSectorSize * kTableSector, kSectorSize), layout);
    InvertBytes(disk);
    return image;
}
