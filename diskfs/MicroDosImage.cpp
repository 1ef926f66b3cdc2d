#include "MicroDosImage.h"

#include "DiskWords.h"
#include "FileSystemFormat.h"
#include "MicroDosLayout.h"

using namespace microdos;

bool CMicroDosImage::DetectMicroDos(std::span<const uint8_t> bytes) {
    const int second = WordAt(bytes, kMkDosWord);
    return WordAt(bytes, kFamilyWord) == kFamilyMark && second >= 0 && second != kMkDosMark;
}

bool CMicroDosImage::DetectMkDos(std::span<const uint8_t> bytes) {
    return WordAt(bytes, kFamilyWord) == kFamilyMark && WordAt(bytes, kMkDosWord) == kMkDosMark;
}

CMicroDosImage::CMicroDosImage(std::span<const uint8_t> bytes, const FileSystemFormat& format)
    : CFileSystem(bytes, 0, format) {
    const bool mkdos = format.id == FormatMkDos;
    const int end = CatalogEnd();
    Reserve(static_cast<size_t>((end - kFirstEntry) / kEntrySize)); // a catalog may fill 32 MB
    for (int at = kFirstEntry; at < end; at += kEntrySize)
        Add(EntryAt(at, mkdos));
    Finish();
}

// Past its last live entry a catalog may hold stale records with no end mark after them:
// the header's count of live entries ends it, deleted records kept up to there.
int CMicroDosImage::CatalogEnd() const {
    const int liveCount = Word(kLiveCount);
    int live = 0;
    int at = kFirstEntry;
    for (; InDisk(at, kEntrySize); at += kEntrySize) {
        const bool deleted = Byte(at) == kDeleted;
        if ((Byte(at) == 0 && Byte(at + 1) == 0 && Byte(at + 2) == 0) ||
            (liveCount > 0 && live == liveCount && !deleted))
            break;
        live += !deleted;
    }
    return at;
}

DiskEntry CMicroDosImage::EntryAt(int at, bool mkdos) const {
    DiskEntry entry;
    entry.record = static_cast<uint32_t>(at);
    // A deleted entry has lost its directory: the root shows it.
    entry.deleted = Byte(at) == kDeleted;
    entry.holdingDir = entry.deleted ? 0 : Byte(at + 1);
    entry.address = static_cast<uint16_t>(Word(at + kAddress));
    entry.length = static_cast<uint32_t>(Word(at + kLength));
    entry.start = static_cast<uint32_t>(Word(at + kStart));
    const bool directory =
        mkdos ? Byte(at + kName) == kMkDosDirectoryMark : entry.address == 0 && entry.length == 0;
    if (directory) {
        entry.kind = DiskEntry::Kind::Directory;
        entry.ownDir = Byte(at);
        entry.address = 0;
        entry.length = 0;
    }
    if (mkdos && directory)
        SetName(entry, at + kMkDosDirectoryName, kMkDosDirectoryNameSize);
    else
        SetName(entry, at + kName, kNameSize);
    return entry;
}

ReadFault CMicroDosImage::ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    return ReadBlocks(entry, data);
}
