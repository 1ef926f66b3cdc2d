#include "MicroDosImage.h"

namespace {

constexpr int kFirstEntry = 0x140;
constexpr int kEntrySize = 24;
constexpr int kMkDosDirectoryMark = 0x7F;
constexpr int kLiveCountOffset = 030;
constexpr int kDeletedMark = 0377;

} // namespace

CMicroDosImage::CMicroDosImage(std::span<const uint8_t> bytes, bool mkdos)
    : CFileSystem(bytes, 0), m_mkdos(mkdos) {
    // Past its last live entry a catalog may hold stale records with no end mark after
    // them: the header's count of live entries ends it, deleted records kept up to there.
    const int liveCount = Word(kLiveCountOffset);
    int live = 0;
    for (int at = kFirstEntry; InDisk(at, kEntrySize); at += kEntrySize) {
        const bool deleted = Byte(at) == kDeletedMark;
        if ((Byte(at) == 0 && Byte(at + 1) == 0 && Byte(at + 2) == 0) ||
            (liveCount > 0 && live == liveCount && !deleted))
            break;
        live += !deleted;
        Add(EntryAt(at, mkdos));
    }
    Finish();
}

std::string CMicroDosImage::GetFormatName() const {
    return m_mkdos ? "MKDOS" : "MicroDOS";
}

DiskEntry CMicroDosImage::EntryAt(int at, bool mkdos) const {
    DiskEntry entry;
    // A deleted entry has lost its directory: the root shows it.
    entry.deleted = Byte(at) == kDeletedMark;
    entry.holdingDir = entry.deleted ? 0 : Byte(at + 1);
    entry.address = static_cast<uint16_t>(Word(at + 20));
    entry.length = static_cast<uint32_t>(Word(at + 22));
    entry.start = static_cast<uint32_t>(Word(at + 16));
    const bool directory =
        mkdos ? Byte(at + 2) == kMkDosDirectoryMark : entry.address == 0 && entry.length == 0;
    if (directory) {
        entry.kind = DiskEntry::Kind::Directory;
        entry.ownDir = Byte(at);
        entry.address = 0;
        entry.length = 0;
    }
    if (mkdos && directory)
        SetName(entry, at + 3, 13);
    else
        SetName(entry, at + 2, 14);
    return entry;
}

ReadFault CMicroDosImage::ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    return ReadBlocks(entry, data);
}
