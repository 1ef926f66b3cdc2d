// Changes to one floppy's file system, made on its bytes in memory. A change either
// succeeds whole or leaves the bytes as they were; the caller writes them out once every
// change of a command has succeeded. Names are given in Windows-1251, as entries carry them.
#pragma once

#include "Formats.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class EditError {
    None,
    NameEmpty,
    NameTooLong,       // longer than the format's name field (or its extension's)
    NameBadCharacter,  // a character KOI-8 lacks or the format does not allow in a name
    NameReserved,      // "." or "..": every listing shows them as a directory and its parent
    NameExists,        // an entry of that name is in the directory
    DirectoryInTheWay, // a file's name is a directory's there, which no file replaces
    NotFound,          // no such live entry, or no such directory
    IntoItself,        // a directory moved into itself or a directory inside it
    NotEmpty,          // a directory that still holds entries
    FileTooLong,       // longer than the format's length field holds
    ReadsAsDirectory,  // MicroDOS takes an empty file loaded at 0 for a directory
    CatalogFull,
    DiskFull,
    FreeSpaceInPieces, // enough free space, but no piece of it holds the file whole
    NoDirectoryNumber, // every directory number is taken
    UnknownLayout,     // the disk's layout is not one this program can safely change
};

// A refusal of the name itself, which another name may mend.
constexpr bool IsNameError(EditError error) {
    return error >= EditError::NameEmpty && error <= EditError::DirectoryInTheWay;
}

// What makes a disk's layout one that no change may be made to: each change assumes that
// files never share blocks or clusters, that the catalog reads one way only and that every
// walk through the directories ends. Names are the entries' own (Windows-1251).
struct LayoutFault {
    enum class Kind {
        Unknown,                 // the header or catalog is not laid out as this program writes
        Counts,                  // MicroDOS, MKDOS: the header's counts disagree with the catalog
        Tiling,                  // CSIDOS: files and holes do not cover the data blocks once
        RunsOverlap,             // `first` and `second` share blocks `from`..`to`
        RunInSystemArea,         // `first` lies in blocks `from`..`to` of the header and catalog
        RunPastDisk,             // `first` runs past the disk's last block
        ChainsShare,             // `first` and `second` share clusters `from`..`to`
        ChainLoops,              // `first`'s chain of clusters runs in a loop
        ChainBroken,             // `first`'s chain leaves the disk or meets a free cluster
        FatCopiesDiffer,         // ANDOS: the two copies of the table differ
        DirectoryNumber,         // directory `first` has the number `from`, outside 2..200
        DirectoryNumberTwice,    // directory `first` has the number `from`, as another has
        NeitherFileNorDirectory, // `first`'s record is a directory's with a file's blocks
        DirectoryCycle,          // directory `first` lies inside itself
    };
    LayoutFault(Kind what, std::string one = {}, std::string other = {}, long long low = 0,
                long long high = 0)
        : kind(what), first(std::move(one)), second(std::move(other)), from(low), to(high) {}
    Kind kind;
    std::string first, second;
    long long from, to;
};

struct EditResult {
    EditError error = EditError::None;
    int index = -1; // the added, made or renamed entry's index afterwards
};

// What the formats' editors share: the longest file a 16-bit length field holds, and where
// a new file goes.
constexpr long long kMaxLength = 0xFFFF;

// A catalog record (or slot) for the new file and its first block; or why there is none.
struct Placement {
    long long record = -1;
    long long start = 0;
    std::optional<EditError> error;
    explicit operator bool() const { return !error; }
};

class CDiskEditor {
public:
    virtual ~CDiskEditor();
    CDiskEditor(const CDiskEditor&) = delete;
    CDiskEditor& operator=(const CDiskEditor&) = delete;

    const CFileSystem& Disk() const { return *m_disk; }
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }
    // Free space in bytes, as the format counts it (whole blocks or clusters).
    long long FreeBytes() const { return FreeUnits() * UnitSize(); }
    // The longest piece of free space in bytes, where a file takes one piece; none where it
    // may take free units anywhere.
    std::optional<long long> LargestFreePiece() const;

    // A file into directory `dir`; an entry of that name is replaced when `replace` (a
    // file only: a directory is never replaced by one).
    EditResult AddFile(int dir, std::string_view name, uint16_t address,
                       std::span<const uint8_t> data, bool replace);
    EditResult MakeDirectory(int dir, std::string_view name);
    // A live file, or a directory: empty, or with everything in it when `recursive`.
    EditResult Remove(int index, bool recursive);
    EditResult Rename(int index, std::string_view name);
    // A live file or directory into directory `dir` under `name` (its own directory: a rename).
    EditResult Move(int index, int dir, std::string_view name);
    // The live entry that is `like` (same place, name, kind and blocks) after changes that
    // may have moved it in the catalog; null when it is gone.
    const DiskEntry* FindAgain(const DiskEntry& like) const;
    // Whether the format can hold the name at all, whatever the directory holds; `shownAs`
    // gets the name as the catalog will show it (a format may keep only one letter case).
    EditError CheckName(std::string_view name, bool directory,
                        std::string* shownAs = nullptr) const;
    // The longest file the format holds; none where only the disk's size bounds it.
    virtual std::optional<long long> LongestFile() const { return kMaxLength; }
    // Every fault of the disk's layout; no change is made while there is one.
    std::vector<LayoutFault> LayoutFaults() const;

protected:
    CDiskEditor(std::vector<uint8_t> bytes, const FileSystemFormat& format);

    // The format's own faults of the layout (the directories' cycles are looked for here).
    virtual void FindLayoutFaults(std::vector<LayoutFault>& faults) const = 0;
    // The name's bytes as the catalog stores them, or why it cannot hold it.
    virtual EditError StoredName(std::string_view cp1251, bool directory,
                                 std::string& stored) const = 0;
    // The stored name as the reader will show it, for comparison with other entries.
    virtual std::string ShownName(std::string_view stored, bool directory) const = 0;
    virtual EditError PutFile(int dir, const std::string& stored, uint16_t address,
                              std::span<const uint8_t> data) = 0;
    virtual EditError PutDirectory(int dir, const std::string& stored, int number) = 0;
    // A live file, or a directory with no live entries left.
    virtual void Erase(const DiskEntry& entry) = 0;
    virtual void PutName(const DiskEntry& entry, const std::string& stored) = 0;
    // The number of the directory that holds the entry.
    virtual void PutHolder(const DiskEntry& entry, int dir) = 0;
    virtual long long FreeUnits() const = 0;
    virtual long long UnitSize() const = 0;
    virtual std::optional<long long> LargestFreeUnits() const { return std::nullopt; }
    // Directory numbers a new directory may take, lowest first.
    virtual int FirstDirectoryNumber() const { return 1; }
    virtual int LastDirectoryNumber() const { return 254; }

    // The bytes [offset, offset + count), inside the disk, for a change to write: what they
    // held is kept until the change ends, to be put back if it fails.
    std::span<uint8_t> Writable(size_t offset, size_t count);
    // After PutFile or PutDirectory: the entry just put, found in the re-read catalog.
    int FindLive(int dir, std::string_view shown, bool directory) const;
    void Reread();

private:
    std::vector<uint8_t> m_bytes; // read through Bytes(), written through Writable
    template <class Attempt> EditResult Undoable(Attempt change);
    EditResult AddChecked(int dir, std::string_view name, uint16_t address,
                          std::span<const uint8_t> data, bool replace);
    EditResult MakeChecked(int dir, std::string_view name);
    EditResult RemoveChecked(int index, bool recursive);
    EditResult MoveChecked(int index, int dir, std::string_view name);
    // Whether directory `dir` is the directory `ancestor` opens or lies inside it.
    bool IsInside(int dir, int ancestor) const;
    EditError NameFor(std::string_view name, bool directory, std::string& stored,
                      std::string& shown) const;
    // A live entry of directory `dir` whose name reads as `shown`, without regard to case.
    const DiskEntry* LiveNamed(int dir, std::string_view shown) const;
    bool IsLiveDirectory(int dir) const;
    void FindDirectoryCycles(std::vector<LayoutFault>& faults) const;
    int FreeDirectoryNumber() const;

    const FileSystemFormat& m_format;
    std::unique_ptr<CFileSystem> m_disk;
    struct Saved {
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    std::vector<Saved> m_journal; // what the change being made has overwritten, in order
};

// An editor for the floppy in `bytes`, or null when its format cannot be changed here.
std::unique_ptr<CDiskEditor> EditDisk(std::vector<uint8_t> bytes);
