// An image file changed through the host files' ReplaceableFile (our writers take turns,
// links are followed once, a file another program has open is left alone, nothing is
// written unless the file is still what was read). A floppy is read into memory, changed
// there and written back as one new file that replaces the old one only once it is complete
// on the disk (owner and mode kept). Of a hard disk only its head and the logical disk
// changed are read, and that disk is written back in place under an undo journal: no
// other byte is ever written, and a run killed halfway is undone when the image is next
// opened for a change. Either way a failure leaves the image as it was.
#pragma once

#include "DiskEditor.h"
#include "DiskImage.h"
#include "HostFiles.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How long a writer of ours waits for another one to finish with the same folder's images.
constexpr std::chrono::milliseconds kChangeLockWait{5000};

// A new hard disk is made in memory whole.
constexpr long long kMaxNewHardDisk = 512LL << 20;

// The disk a change goes to.
struct EditTarget {
    // None: a floppy image; a number: that logical disk of a hard-disk image.
    std::optional<int> disk;
    // The disk is made a blank one of this format first (a hard disk's logical disk).
    const FileSystemFormat* blank = nullptr;
};

class CImageFileEdit {
public:
    // None, with the reason in words, when the file cannot be read or its disk changed.
    // `readOnly`, when given, is set when the refusal is the file's missing write permission.
    // With `lockFirst` no other writer of ours can change the file until this is let go
    // (a command that reads and writes at once); otherwise the lock is taken only to read
    // and to save (the window, which asks the user questions in between).
    static std::unique_ptr<CImageFileEdit> Open(const std::string& path, std::string& error,
                                                bool* readOnly = nullptr, bool lockFirst = false,
                                                const EditTarget& target = {});

    CDiskEditor& Editor() { return *m_editor; }
    const CDiskEditor& Editor() const { return *m_editor; }
    // Whether the disk held `known` (as the BK sees it) when it was read.
    bool DiskWas(std::span<const uint8_t> known) const;
    // Made blank over files, or over bytes of no file system that are not all zero.
    bool BlankedOverContents() const { return m_blankedOver; }
    // The image as it is now: a floppy's bytes in memory; a hard disk as its file holds it.
    std::unique_ptr<CDiskImage> Image() const;
    // The image file's names when it was read, which a replace splits: more than 1 when it
    // has hard links (a hard disk, changed in place, splits none).
    uint64_t Links() const { return m_disk ? 1 : m_file.Links(); }

    struct SaveRefusal {
        hostfiles::ChangeFailure::Kind kind;
        std::string text; // in words, with what was kept
    };
    // Writes the changed image over the file, unless it is no longer the file read. A file
    // with other names (hard links) is refused unless `breakLinks`.
    std::optional<SaveRefusal> Save(bool breakLinks = false);

private:
    CImageFileEdit(std::string path, hostfiles::ReplaceableFile file)
        : m_path(std::move(path)), m_file(std::move(file)) {}
    // The hard disk's layout as its file holds it now; none when it no longer is one.
    std::optional<HardDiskLayout> ReadLayout();
    // The logical disk's editor, or why none.
    std::optional<std::string> EditLogicalDisk(const EditTarget& target);

    std::string m_path;
    hostfiles::ReplaceableFile m_file;
    std::unique_ptr<CDiskEditor> m_editor;
    // A hard disk: where the disk the editor holds lies, and its bytes as read (stored
    // inverted).
    std::optional<HardDiskLayout::LogicalDisk> m_disk;
    std::vector<uint8_t> m_stored;
    bool m_blankedOver = false;
};

// A change to the image at `path` that a killed run of ours left half made (a hard disk's,
// written in place) is undone, before the image is read; nothing is done to an image that
// cannot be written.
void FinishInterruptedChange(const std::string& path);

// Why a writer of ours cannot change the image at `path` now, in words, when another
// program has it open; none when no one is seen holding it.
std::optional<std::string> HeldElsewhereText(const std::string& path);

// Why the open image cannot be changed, in words; none when it can. `fileWritable`: the
// image file has a write permission bit.
std::optional<std::string> WhyReadOnly(const CDiskImage& image, bool fileWritable);

// A floppy's free space in bytes, and its longest piece where a file takes one piece.
struct FreeSpace {
    long long bytes = 0;
    std::optional<long long> onePiece;
};

// The image at `path` as the window opens it: one whose file may be written is open for
// changes, any other is only read, and `readOnly` says why no change can be made (to a hard
// disk at all; each of its logical disks may have a reason of its own).
struct OpenedImage {
    std::unique_ptr<CDiskImage> image; // null: `failure` says why
    OpenFailure failure;
    std::optional<std::string> readOnly;
    std::optional<FreeSpace> freeSpace;
};
OpenedImage OpenImageForChanges(const std::string& path);

// Where a name typed over a row of directory `dir` sends the entry: a name alone stays in
// `dir`; a path ("GAMES/NEW", '\\' too, ".." for the directory above) walks the live
// directories from `dir` and ends in the new name. No directory when the walk meets none.
struct TypedDestination {
    std::optional<int> dir;
    std::string name; // Windows-1251
};
TypedDestination ResolveTypedName(const CFileSystem& disk, int dir, std::string_view cp1251);

// Of one logical disk of a hard disk: why it cannot be changed, and its free space. The list
// of logical disks has neither.
struct DiskState {
    std::optional<std::string> readOnly;
    std::optional<FreeSpace> freeSpace;
};
DiskState LogicalDiskState(CDiskImage& image, int disk);
// Why a logical disk that the image file ends inside cannot be changed; none for one whole.
std::optional<std::string> WhyCut(const CDiskImage& image, int disk);

// None for a hard disk, a format no change is made to, or a layout at fault.
std::optional<FreeSpace> FloppyFreeSpace(const CDiskImage& image);
std::optional<FreeSpace> FreeSpaceOf(const CDiskEditor* editor); // what it holds now

// What the changing commands may do with the rows selected in a listing.
struct ChangeState {
    bool add = false;    // files and new folders into the current directory
    bool remove = false; // the selected entries
    bool rename = false; // the one selected entry
    bool operator==(const ChangeState&) const = default;
};
class CatalogListing;
ChangeState ComputeChangeState(const CatalogListing* listing, const std::vector<int>& selection,
                               bool writable);
// The entries of the selection that Delete removes (live files and directories), and the
// question that names them.
std::vector<EntryRef> RemovableEntries(const CatalogListing& listing,
                                       const std::vector<int>& selection);
std::string DeleteQuestion(const CatalogListing& listing, const std::vector<EntryRef>& entries);

// A new blank image of the format at `path`; a file already there is kept. The reason in
// words when it was not written.
std::optional<std::string> WriteBlankImage(const std::string& path, const FileSystemFormat& format);
// The sizes of a new hard disk's logical disks in bytes, as typed: "4x800K,2x1600K", a count
// (1 when left out) of disks of a size in K (1024 bytes) or M; none for anything else.
std::optional<std::vector<long long>> ParseDiskSizes(const std::string& text);
// Why the sizes cannot make a new hard disk of logical disks of the format; none when they can.
std::optional<std::string> HardDiskSizesFault(const std::vector<long long>& diskSizes,
                                              const FileSystemFormat& format);
// A new hard disk at `path`, its logical disks of (at least) the sizes given in bytes, each a
// blank disk of `format`; as WriteBlankImage otherwise.
std::optional<std::string> WriteBlankHardDisk(const std::string& path,
                                              const std::vector<long long>& diskSizes,
                                              const FileSystemFormat& format);

// A host file as it goes onto a disk. One named *.bin whose size is 4 plus the length its
// first four bytes give is a .bin file: its header's load address is used and stripped,
// and ".bin" leaves its name; any other file goes whole, loaded at `address`.
struct FileToAdd {
    std::string name; // Windows-1251
    uint16_t address = 0;
    std::vector<uint8_t> data;
};
FileToAdd FileToAddFrom(std::string_view hostName, std::vector<uint8_t> bytes, uint16_t address);

constexpr uint16_t kDefaultLoadAddress = 01000;

// How adding host files goes on: whether a file replaces an entry of its name (Windows-1251)
// already in the directory, and after each file (done, total) whether to go on.
// With `folders`, a host folder goes on as a directory with all it holds.
struct AddControl {
    std::function<bool(const std::string& name)> replace;
    std::function<bool(size_t done, size_t total)> progress;
    bool folders = false;
};

// The host files (UTF-8 paths) into directory `dir`, as FileToAddFrom makes them, and
// folders as directories (one of that name already there takes their entries); stops at
// the first that cannot be read or added, or when told to, and says why in words (the
// editor's bytes then hold the files before it: the caller writes nothing). `added` gets
// the names given to the top-level entries.
std::optional<std::string> AddHostFiles(CDiskEditor& editor, int dir,
                                        const std::vector<std::string>& paths, uint16_t address,
                                        const AddControl& control,
                                        std::vector<std::string>* added = nullptr);

// A fault of a disk's layout in words ("TEXT and LOG share clusters 41-44"), and the
// refusal of every change that the first fault of a disk gives.
std::string LayoutFaultText(const LayoutFault& fault);
std::string LayoutRefusalText(const LayoutFault& fault);

// Why a change was refused, in words; `subject` (UTF-8) names the entry or file, and
// `directory` says it is a directory's name (whose longest form may differ).
std::string EditErrorText(EditError error, std::string_view subject, std::string_view format,
                          bool directory = false);
