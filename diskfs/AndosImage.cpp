#include "AndosImage.h"

#include "AndosLayout.h"
#include "Cp1251.h"
#include "DiskWords.h"
#include "FileSystemFormat.h"
#include "MicroDosLayout.h"

#include <cstring>

using namespace andos;

// A MicroDOS disk's boot sector may say ANDOS too: its family mark decides.
bool CAndosImage::Detect(std::span<const uint8_t> bytes) {
    if (bytes.size() <= kLabel || WordAt(bytes, microdos::kFamilyWord) == microdos::kFamilyMark)
        return false;
    const char* label = reinterpret_cast<const char*>(bytes.data() + kLabel);
    const auto length = strnlen(label, bytes.size() - kLabel);
    return EqualNoCase(std::string_view(label, length), "ANDOS  ");
}

CAndosImage::CAndosImage(std::span<const uint8_t> bytes, const FileSystemFormat& format)
    : CFileSystem(bytes, 0, format) {
    for (long long at = kFirstEntry; at < kDataStart && InDisk(at, kEntrySize); at += kEntrySize) {
        if (Byte(at) == 0 && Word(at + kStart) == 0)
            break;
        Add(EntryAt(static_cast<int>(at)));
    }
    Finish();
    MarkLiveClusters();
}

void CAndosImage::MarkLiveClusters() {
    m_liveClusters.assign(static_cast<size_t>(Size() / kCluster), false);
    for (const DiskEntry& entry : Entries()) {
        if (entry.deleted || entry.IsDirectory())
            continue;
        // A chain never holds more clusters than the disk: a loop ends there.
        size_t steps = 0;
        for (int c = static_cast<int>(entry.start);
             c > 0 && static_cast<size_t>(c) < m_liveClusters.size() &&
             steps < m_liveClusters.size();
             c = NextCluster(c), ++steps)
            m_liveClusters[static_cast<size_t>(c)] = true;
    }
}

// Files read NAME.EXT (NAME without an extension); directories join the two parts.
DiskEntry CAndosImage::EntryAt(int at) const {
    DiskEntry entry;
    entry.record = static_cast<uint32_t>(at);
    SetName(entry, at, kNameSize);
    entry.deleted = Byte(at) == kDeleted;
    if (entry.deleted && !entry.name.empty())
        entry.name[0] = kLostLetter; // the mark took the first letter's place
    const auto [name, extension] = SplitName(entry.name);
    entry.hidden = (Byte(at + kAttributes) & kHiddenBit) != 0;
    entry.holdingDir = Byte(at + kHoldingDir);
    entry.start = static_cast<uint32_t>(Word(at + kStart));
    std::string shown(name);
    if (Byte(at + kAttributes) == kDirectoryAttribute) {
        entry.kind = DiskEntry::Kind::Directory;
        entry.ownDir = Byte(at + kOwnDir);
        entry.name = shown.append(extension);
        return entry;
    }
    if (!extension.empty())
        shown.append(".").append(extension);
    entry.name = std::move(shown);
    entry.address = static_cast<uint16_t>(Word(at + kAddress));
    entry.length = static_cast<uint32_t>(Word(at + kLength)) |
                   static_cast<uint32_t>(Word(at + kLength + 2)) << 16;
    return entry;
}

int CAndosImage::NextCluster(int cluster) const {
    const long long offset = kSecondFat + static_cast<long long>(cluster) * 3 / 2;
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
    const long long limit = (entry.length + kCluster - 1) / kCluster * kCluster;
    for (int cluster = static_cast<int>(entry.start); cluster != kEndOfChain;
         cluster = NextCluster(cluster)) {
        const long long offset = (cluster + 1LL) * kCluster;
        if (static_cast<long long>(data.size()) + kCluster > limit || cluster < 0 ||
            !InDisk(offset, kCluster))
            return ReadFault::Unreadable;
        if (entry.deleted && static_cast<size_t>(cluster) < m_liveClusters.size() &&
            m_liveClusters[static_cast<size_t>(cluster)])
            return ReadFault::Overwritten;
        data.insert(data.end(), m_bytes.begin() + offset, m_bytes.begin() + offset + kCluster);
    }
    if (data.size() < entry.length)
        return ReadFault::ClustersEndEarly;
    data.resize(entry.length);
    return ReadFault::None;
}
