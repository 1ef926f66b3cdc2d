// Writing files into a folder the user chose so that nothing is lost and nothing lands
// outside it. Every file is written to a new part file beside its place, flushed to the
// disk, and only then renamed into place: a failure at any point leaves whatever was there
// before intact and no partial file.
//
// On POSIX a folder is held by a descriptor: each subfolder is opened relative to its
// parent without following links, and each file is created relative to its folder, so
// that swapping a folder for a link while a write runs cannot redirect it. Windows works
// by path, with each check made just before its step; reparse points (its links and
// junctions) are refused in the same places as links on POSIX.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hostfiles {

// What tells one file from another whatever its name: device and inode on POSIX, volume
// and file index on Windows.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t file = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);
// True when another program has the file open in a way that lets no one else read it
// (Windows' sharing modes).
bool ReadingRefusedByHolder(const std::filesystem::path& path);

enum class Outcome {
    Written,
    Exists,     // a file of that name is there and was kept
    Protected,  // the file in the way is one that is never replaced (an open disk image)
    Link,       // a symbolic link (Windows: a reparse point) is in the way; never followed
    NotRegular, // a folder, FIFO or device is in the way
    NotCreated, // the file or folder could not be made; `reason` says why
    DiskFull,   // the disk (or the user's quota or file size limit) is full; `reason` says so
    Failed,     // writing failed part-way for another reason; `reason` says why
};

struct WriteResult {
    Outcome outcome = Outcome::Written;
    std::string reason; // the system's words (UTF-8), for the last three outcomes
};

enum class IfExists { Keep, Replace };

// When new files reach the disk. A replaced file is always flushed before the rename that
// drops the old one, so a crash never costs it. EachFile flushes every new file too;
// AtTheEnd (for exports of thousands of files, where a flush each would cost ten times
// the writing) flushes the whole file system once, when the folder it was opened for is
// let go.
enum class Sync { EachFile, AtTheEnd };

using Parts = std::initializer_list<std::span<const uint8_t>>;

class HostFolder {
public:
    // The folder at `path`, made with its missing parents (as `mkdir -p`) when `create`;
    // links on the way to it are followed, since the user named it. None, with the
    // system's reason, when it cannot be used.
    static std::optional<HostFolder> Open(const std::filesystem::path& path, bool create,
                                          std::string& reason, Sync sync = Sync::EachFile);

    HostFolder(HostFolder&& other) noexcept;
    HostFolder& operator=(HostFolder&& other) noexcept;
    HostFolder(const HostFolder&) = delete;
    HostFolder& operator=(const HostFolder&) = delete;
    // Makes what was written in the folder durable (a flush of the folder, or with
    // Sync::AtTheEnd of its whole file system), then lets it go.
    ~HostFolder();

    const std::filesystem::path& Path() const { return m_path; }

    // The subfolder `name`, made when missing. A link in its place is never followed
    // (Outcome::Link), anything else but a folder is NotRegular.
    std::optional<HostFolder> OpenChild(const std::filesystem::path& name,
                                        WriteResult& failure) const;

    // Writes the parts, in order, as the file `name` of this folder. An existing regular
    // file is kept (Exists) or replaced (its permissions kept), except one whose identity
    // is in `neverReplace`; anything else in the way is never written through.
    WriteResult WriteFile(const std::filesystem::path& name, Parts parts, IfExists ifExists,
                          std::span<const FileIdentity> neverReplace = {}) const;

    // The part file, written and flushed, before it is renamed into place: its open
    // descriptor (Windows: handle). A result given stops the write with it, nothing renamed.
    using BeforeRename = std::function<std::optional<WriteResult>(intptr_t part)>;
    WriteResult WriteFile(const std::filesystem::path& name, Parts parts, IfExists ifExists,
                          std::span<const FileIdentity> neverReplace,
                          const BeforeRename& beforeRename) const;

    intptr_t Handle() const { return m_handle; }
    // Makes the folder's names as they are now (a file renamed into it, or removed) durable.
    void FlushNames() const;

    // Bytes that writing may still use here and the size files are rounded up to; none
    // when the system cannot tell.
    struct Space {
        uint64_t available;
        uint64_t block;
    };
    std::optional<Space> FreeSpace() const;

private:
    HostFolder(std::filesystem::path path, intptr_t handle, Sync sync, bool root);
    // Part files of ours left by a run that was killed: only our pattern, only regular
    // files of our own user, only when their process is gone.
    void RemoveStaleParts() const;

    std::filesystem::path m_path;
    intptr_t m_handle; // POSIX: the descriptor; Windows: unused
    Sync m_sync;
    bool m_root; // the folder a batch was opened for: it flushes the file system
    mutable bool m_changed = false;
};

// One file at `path` (its folder must exist), replaced as above: for saving a file the
// user named in a dialog or on a command line.
WriteResult SaveFile(const std::filesystem::path& path, Parts parts);

// A regular file's bytes, when it holds at most `limit` of them; none with the reason in the
// system's words. A folder, FIFO or device is refused unread (a FIFO would block, a device
// never end), as is a larger file, or one that grows past the limit while it is read.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::filesystem::path& path,
                                                    uint64_t limit, std::string& reason);

// Why a file the user named could not be changed as a whole.
struct ChangeFailure {
    enum Kind {
        None,
        CannotRead,  // `reason`
        ReadOnly,    // no write permission bit
        TooLarge,    // larger than the limit it was opened with
        Locked,      // another writer of ours held it for longer than the wait
        Changed,     // no longer the file read: other bytes, another file, or a link re-pointed
        HeldOpen,    // another process has it open: `program` and `processId` when known
        HardLinked,  // it has `links` names, which a replace would split
        Ownership,   // its owner, group, mode or an attribute cannot be kept: `reason`
        WriteFailed, // `write` says how
    } kind = None;
    ChangeFailure() = default;
    explicit ChangeFailure(Kind why, std::string words = {})
        : kind(why), reason(std::move(words)) {}
    std::string reason;
    std::string program;
    long processId = 0;
    uint64_t links = 0;
    WriteResult write;
};

// A file changed as a whole by our programs (a disk image): read, changed in memory by the
// caller, then replaced by a new file, never written in place. Links are resolved once,
// when it is opened, and its real folder is held from then on. Changes by our own writers
// to files of one folder are taken in turn, under a lock that outlives the replaced file
// (the folder's on POSIX, a named mutex on Windows).
class ReplaceableFile {
public:
    // Reads the file at most `limit` bytes long. With `lockFirst` the lock is taken (within
    // `wait`) before reading and held until this is let go; otherwise only while reading
    // and while replacing.
    static std::optional<ReplaceableFile> Open(const std::filesystem::path& path, uint64_t limit,
                                               bool lockFirst, std::chrono::milliseconds wait,
                                               ChangeFailure& failure);
    ReplaceableFile(ReplaceableFile&&) noexcept;
    ReplaceableFile& operator=(ReplaceableFile&&) noexcept;
    ~ReplaceableFile();

    // The bytes read (handed over once).
    std::vector<uint8_t> TakeBytes() { return std::move(m_bytes); }
    // The names the file had when it was read (more than 1: hard links).
    uint64_t Links() const { return m_links; }

    // Replaces the file with `parts`, under the lock, once it is checked to be the file that
    // was read (the same file at its place and at the path named, with the same bytes),
    // that no other process has it open, and, unless `breakLinks`, that it has no other
    // name. Owner, group, mode (special bits too) and extended attributes are kept, or
    // nothing is written. False with the reason; the file is then as it was.
    bool Replace(Parts parts, bool breakLinks, std::chrono::milliseconds wait,
                 ChangeFailure& failure);

    // The file, of any size, opened for pieces of it to be read and patched in place (one
    // logical disk of a hard disk): nothing is read yet. A patch that a killed run of ours
    // left half made is undone first.
    static std::optional<ReplaceableFile> OpenForPatches(const std::filesystem::path& path,
                                                         bool lockFirst,
                                                         std::chrono::milliseconds wait,
                                                         ChangeFailure& failure);
    // A patch of the file at `path` that a killed run of ours left half made, undone now
    // (under the lock, within `wait`), when there is one and the file may be written.
    static void UndoInterruptedPatch(const std::filesystem::path& path,
                                     std::chrono::milliseconds wait);
    uint64_t Size() const { return m_size; }
    // `size` bytes from `offset`, remembered: a patch is made only while every piece read
    // still holds them. None when the file holds fewer.
    std::optional<std::vector<uint8_t>> ReadPiece(uint64_t offset, uint64_t size);
    // Writes `bytes` at `offset` over `was` (read there), under the lock, once the file is
    // checked as Replace checks it, but for its pieces' bytes only and for hard links (a
    // patch splits none). The old bytes go first into an undo journal beside the file,
    // flushed, so that a run killed halfway leaves them to be written back when the file
    // is next opened for patches. False with the reason; the file is then as it was.
    bool Patch(uint64_t offset, std::span<const uint8_t> bytes, std::span<const uint8_t> was,
               std::chrono::milliseconds wait, ChangeFailure& failure);

    // Tests put a hand in here: called after the checks' first half (the file at its
    // place), before the rest and the rename (or the patch's checks).
    static void SetReplaceSeam(std::function<void()> seam);
    // And here: called once a patch's journal is durable, before the file is written.
    static void SetPatchSeam(std::function<void()> seam);

private:
    ReplaceableFile(std::filesystem::path named, std::filesystem::path name, HostFolder folder);
    // The file's real folder held, and the lock taken.
    static std::optional<ReplaceableFile> Locate(const std::filesystem::path& path, bool lockFirst,
                                                 std::chrono::milliseconds wait,
                                                 ChangeFailure& failure);
    bool TakeLock(std::chrono::milliseconds wait, ChangeFailure& failure);
    void LetLockGo();
    bool UndoHalfPatch(uint64_t size, ChangeFailure& failure);
    bool PiecesUnchanged() const;
    void WriteThroughJournal(uint64_t offset, std::span<const uint8_t> bytes,
                             std::span<const uint8_t> was, ChangeFailure& failure);

    struct Piece {
        uint64_t offset, size, hash;
    };

    std::filesystem::path m_named; // as the user gave it
    std::filesystem::path m_name;  // in the real folder, links resolved
    HostFolder m_folder;
    std::vector<uint8_t> m_bytes;
    FileIdentity m_identity;
    uint64_t m_hash = 0;
    uint64_t m_links = 1;
    intptr_t m_lock = 0; // POSIX: 1 while the folder is locked; Windows: the mutex held
    bool m_keepLock = false;
    bool m_patches = false; // opened for pieces and patches
    uint64_t m_size = 0;
    std::vector<Piece> m_pieces;
};

// Another process that has the file at `path` (links followed) open now; none when none
// is seen. For a word to the user before a change is started.
std::optional<ChangeFailure> HeldElsewhere(const std::filesystem::path& path);

// A 64-bit digest of bytes, to tell whether a file still holds what was read; fed in
// pieces of any size, it gives what it gives for the bytes in one piece.
class ContentHasher {
public:
    void Add(std::span<const uint8_t> bytes);
    uint64_t Value() const;

private:
    void Block(const uint8_t* block);
    uint64_t m_lanes[4] = {1, 2, 3, 4};
    uint8_t m_pending[32] = {};
    size_t m_pendingSize = 0;
    uint64_t m_length = 0;
};
uint64_t ContentHash(std::span<const uint8_t> bytes);

} // namespace hostfiles
