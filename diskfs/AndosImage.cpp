#include "AndosImage.h"

namespace {

constexpr int kFatOffset = 0x600;
constexpr int kFirstEntry = 0xA00;
constexpr int kCatalogEnd = 0x1800;
constexpr int kEntrySize = 32;
constexpr long long kClusterSize = 2048;
constexpr int kEndOfChain = 0xFFF;
constexpr int kDirectoryAttribute = 0x08;
constexpr int kHiddenBit = 0x02;
constexpr int kDeletedMark = 0xE5;

} // namespace

CAndosImage::CAndosImage(std::span<const uint8_t> bytes) : CFileSystem(bytes, 0) {
    for (int at = kFirstEntry; at < kCatalogEnd && InDisk(at, kEntrySize); at += kEntrySize) {
        if (Byte(at) == 0 && Word(at + 26) == 0)
            break;
        Add(EntryAt(at));
    }
    Finish();
    MarkLiveClusters();
}

void CAndosImage::MarkLiveClusters() {
    m_liveClusters.assign(static_cast<size_t>(Size() / kClusterSize), false);
    for (const DiskEntry& entry : Entries()) {
        if (entry.deleted || entry.IsDirectory())
            continue;
        // A chain never holds more clusters than the disk: a loop ends there.
        size_t steps = 0;
        for (int c = static_cast<int>(entry.start);
             c > 0 && static_cast<size_t>(c) < m_liveClusters.size() &&
             steps < m_liveClusters.size();
             c = GetNextCluster(c), ++steps)
            m_liveClusters[static_cast<size_t>(c)] = true;
    }
}

std::string CAndosImage::GetFormatName() const {
    return "ANDOS";
}

// Files read NAME.EXT (NAME without an extension); directories join the two parts.
DiskEntry CAndosImage::EntryAt(int at) const {
    DiskEntry entry;
    SetName(entry, at, 11);
    entry.deleted = Byte(at) == kDeletedMark;
    if (entry.deleted && !entry.name.empty())
        entry.name[0] = kLostLetter; // the mark took the first letter's place
    const auto [name, extension] = SplitName(entry.name);
    entry.hidden = (Byte(at + 11) & kHiddenBit) != 0;
    entry.holdingDir = Byte(at + 21);
    entry.start = static_cast<uint32_t>(Word(at + 26));
    std::string shown(name);
    if (Byte(at + 11) == kDirectoryAttribute) {
        entry.kind = DiskEntry::Kind::Directory;
        entry.ownDir = Byte(at + 20);
        entry.name = shown.append(extension);
        return entry;
    }
    if (!extension.empty())
        shown.append(".").append(extension);
    entry.name = std::move(shown);
    entry.address = static_cast<uint16_t>(Word(at + 22));
    entry.length = static_cast<uint32_t>(Word(at + 28)) | static_cast<uint32_t>(Word(at + 30))
                                                              << 16;
    return entry;
}

int CAndosImage::GetNextCluster(int cluster) const {
    const long long offset = kFatOffset + static_cast<long long>(cluster) * 3 / 2;
    if (cluster < 0 || !InDisk(offset, 2))
        return -1;
    const int word = Word(offset);
    return cluster % 2 ? word >> 4 : word & 0xFFF;
}

// A chain that ends before the length is not the file: what it lacks would be made up.
ReadFault CAndosImage::ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    if (entry.length == 0 && entry.start == 0)
        return ReadFault::None;
    if (entry.length > Size()) // no chain can hold it
        return ReadFault::ClustersEndEarly;
    const long long limit = (entry.length + kClusterSize - 1) / kClusterSize * kClusterSize;
    for (int cluster = static_cast<int>(entry.start); cluster != kEndOfChain;
         cluster = GetNextCluster(cluster)) {
        const long long offset = (cluster + 1LL) * kClusterSize;
        if (static_cast<long long>(data.size()) + kClusterSize > limit || cluster < 0 ||
            !InDisk(offset, kClusterSize))
            return ReadFault::Unreadable;
        if (entry.deleted && static_cast<size_t>(cluster) < m_liveClusters.size() &&
            m_liveClusters[static_cast<size_t>(cluster)])
            return ReadFault::Overwritten;
        data.insert(data.end(), m_bytes.begin() + offset, m_bytes.begin() + offset + kClusterSize);
    }
    if (data.size() < entry.length)
        return ReadFault::ClustersEndEarly;
    data.resize(entry.length);
    return ReadFault::None;
}
