// An opened BK disk image: one floppy's file system, or a hard disk whose root lists its
// logical disks. Every entry, the disks' rows included, is a value addressed by an
// EntryRef, every directory by a Place; nothing moves a cursor.
#pragma once

#include "Formats.h"
#include "HardDisk.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The disk number of the hard disk's list of logical disks.
constexpr int kDiskList = -1;

// A directory: the disk it is on and its number there.
struct Place {
    int disk = 0;
    int dir = 0;
    auto operator<=>(const Place&) const = default;
};

// An entry: the disk it is on and its index in that disk's entries; in the list of
// logical disks, the disk's number.
struct EntryRef {
    int disk = 0;
    int index = 0;
    auto operator<=>(const EntryRef&) const = default;
};

// No BK file system addresses more than this: a MicroDOS-family start block (a 16-bit
// number of 512-byte blocks) plus the longest file (64 KB). Larger floppies and logical
// disks are refused before they are read.
constexpr long long kMaxImageSize = 0x10000LL * 512 + 0x10000;

// Why an image, or one of its logical disks, did not open.
struct OpenFailure {
    enum Kind { None, CannotRead, ReadOnly, UnknownFormat, TooLarge, CutShort } kind = None;
    std::string hostMessage; // the system's words, for CannotRead
    long long missing = 0;   // CutShort: the bytes the file lacks
};

// Where an image's bytes come from: a file read on demand, or bytes in memory.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual long long Size() const = 0;
    // Fills `out` from `offset`; false with the system's words when that fails.
    virtual bool ReadAt(long long offset, std::span<uint8_t> out, std::string& error) = 0;
    // Every byte, once (bytes in memory are handed over, not copied).
    virtual bool TakeAll(std::vector<uint8_t>& out, std::string& error);
};

class CDiskImage {
public:
    // A floppy whose file system `format` reads.
    CDiskImage(std::string path, std::vector<uint8_t> bytes, const FileSystemFormat& format);
    // A hard disk, its logical disks read from `source` when entered.
    CDiskImage(std::string path, std::unique_ptr<ByteSource> source, HardDiskLayout layout);
    ~CDiskImage();
    CDiskImage(const CDiskImage&) = delete;
    CDiskImage& operator=(const CDiskImage&) = delete;

    // The floppy's file system, or "Hard disk".
    std::string GetFormatName() const;
    long long GetImageSize() const { return m_imageSize; }
    const HardDiskLayout* HardDisk() const { return m_hardDisk ? &*m_hardDisk : nullptr; }
    // A floppy's bytes, as read; empty for a hard disk.
    std::span<const uint8_t> FloppyBytes() const;
    // A floppy's bytes moved out, for a caller that goes on with them alone (no second
    // 800 KB copy); the image has no disk left to read and is only to be destroyed.
    std::vector<uint8_t> TakeFloppyBytes();

    // Disk `disk`'s bytes as the BK sees them: the floppy's (disk 0), or as much of a logical
    // disk as the file holds (read when first needed, like its entries). Empty when unread.
    std::span<const uint8_t> DiskBytes(int disk);

    Place Root() const;
    bool IsRoot(Place place) const { return place == Root(); }
    // Indices of the place's entries; empty for a disk that cannot be read.
    std::vector<int> Contents(Place place);
    // A blank file entry for a reference to nothing.
    DiskEntry Entry(EntryRef ref);
    // The entry where the image keeps it, until another logical disk is read; null for a
    // reference to nothing.
    const DiskEntry* Find(EntryRef ref);
    std::vector<EntryRef> List(Place place);
    // The place a directory or logical disk opens; none for a file, or with the reason
    // for a logical disk that cannot be read.
    std::optional<Place> Enter(EntryRef ref, OpenFailure* why = nullptr);
    ReadFault Read(EntryRef ref, std::vector<uint8_t>& data);

    // Of the disk that holds the place: its file system's name and its size in bytes
    // (the whole image's for the list of logical disks).
    std::string FormatName(Place place);
    long long DiskSize(Place place);

private:
    struct Disk;
    // The disk's file system, read when first needed; a hard disk keeps only one
    // logical disk in memory at a time. Null with the reason when it cannot be read.
    const CFileSystem* Load(int disk, OpenFailure* why = nullptr);
    OpenFailure ReadLogicalDisk(int disk, Disk& into);

    std::string m_strPath;
    long long m_imageSize = 0;
    std::optional<HardDiskLayout> m_hardDisk;
    std::unique_ptr<ByteSource> m_source;
    std::vector<DiskEntry> m_diskRows;
    std::vector<int> m_diskNumbers;
    std::unique_ptr<Disk> m_loaded;
    int m_loadedDisk = 0;
};

// The image in `bytes`: a hard disk, or a floppy of a known format; null for neither.
std::unique_ptr<CDiskImage> CreateDiskImage(std::string path, std::vector<uint8_t> bytes);

// How an image file is opened. ReadWrite refuses a file without any write permission
// bit, or one that cannot be opened for reading and writing (the window's rule: the
// write bit is the images' read-only attribute); ReadOnly takes any readable file, on
// read-only storage too. Nothing is ever written to it either way.
enum class ImageAccess { ReadWrite, ReadOnly };

// The image in the file; null when it cannot be opened, with the reason in `failure` when
// given. A floppy is read whole; of a hard disk only the head now, each logical disk when
// it is entered.
std::unique_ptr<CDiskImage> OpenDiskImage(const std::string& path, OpenFailure* failure = nullptr,
                                          ImageAccess access = ImageAccess::ReadWrite);

// The layout of the image file when it is a hard disk, as opening it would find, from its
// head alone (a floppy is read whole only when its head could be a headerless hard disk's).
std::optional<HardDiskLayout> HardDiskLayoutOf(const std::string& path);

// The source of an image file, for tests that count what is read.
std::unique_ptr<CDiskImage> OpenDiskImage(std::string path, std::unique_ptr<ByteSource> source,
                                          OpenFailure& failure);
