// An image served as a folder (bkdisk mount), by inode numbers: its catalog as host files
// and, on a writable mount, the changes host programs make to it. Every change is one
// change of the image file through the path every writer of ours takes, so the window,
// bkdisk and the mount change one image in turn without losing anything. Errors are errno
// values; why, in words, goes to the log once.
#pragma once

#include "DiskImage.h"
#include "ImageEdit.h"
#include "MountTree.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

struct MountOptions {
    bool binFiles = false; // files read and are written as .bin files (header, then data)
    bool writable = false;
    uint16_t address = kDefaultLoadAddress; // of a file written with no header or attribute
    // Each change written to the image before the call that made it returns; otherwise the
    // changes of a burst wait in memory (checked there) and are written as one.
    bool sync = false;
};

// Changes that wait are written once none came for kWriteQuiet, or kWriteLongest after the
// first of them.
constexpr std::chrono::milliseconds kWriteQuiet{5};
constexpr std::chrono::milliseconds kWriteLongest{100};

struct MountAttributes {
    uint64_t inode = 0;
    bool directory = false;
    bool writable = false; // the disk that holds it takes changes
    long long size = 0;
};

// The octal load address typed ("1000", up to 177777); none for anything else.
std::optional<uint16_t> ParseOctalAddress(std::string_view text);

// Why the image at `path` takes no change at all, in words; none when it may be mounted
// writable (its logical disks may still have reasons of their own).
std::optional<std::string> WhyUnwritable(const std::string& path);

class CMountedImage {
public:
    static constexpr uint64_t kRootInode = 1;
    using Log = std::function<void(const std::string&)>;

    CMountedImage(std::string path, std::unique_ptr<CDiskImage> image, const MountOptions& options,
                  Log log);
    ~CMountedImage();
    CMountedImage(const CMountedImage&) = delete;
    CMountedImage& operator=(const CMountedImage&) = delete;

    // On a writable mount, reads the image again when another program changed the file, so
    // that what the mount shows is never staler than one operation.
    void FollowOutsideChanges();

    std::optional<MountAttributes> Attributes(uint64_t inode);
    std::optional<MountAttributes> Child(uint64_t dir, std::string_view name);
    // The `position`-th entry of a directory, "." and ".." first; none past the last.
    struct Listed {
        std::string name;
        MountAttributes attributes;
    };
    std::optional<Listed> ListedAt(uint64_t dir, size_t position);
    // The file's bytes from `offset`: errno when it cannot be read.
    int Read(uint64_t inode, long long offset, size_t size, std::vector<uint8_t>& out);
    // user.bk.address (octal), user.bk.length (octal) and user.bk.deleted ("1").
    std::optional<std::string> Attribute(uint64_t inode, std::string_view name);
    std::vector<std::string> AttributeNames(uint64_t inode);

    // Changes, on a writable mount; each returns 0 or an errno. A file written is kept in
    // memory while it is open and goes onto the disk when it is flushed (closed).
    int Create(uint64_t dir, std::string_view name, MountAttributes& made);
    int OpenForWriting(uint64_t inode, bool truncate);
    int Write(uint64_t inode, long long offset, std::span<const uint8_t> bytes);
    int Resize(uint64_t inode, long long size);
    // `written`: whether or not it was written to since (fsync, the last close).
    int Flush(uint64_t inode, bool written = false);
    // The last of the file's opens closed: written if it was not yet; errno when that failed.
    int Release(uint64_t inode);
    int Remove(uint64_t dir, std::string_view name, bool directory);
    int MakeDirectory(uint64_t dir, std::string_view name, MountAttributes& made);
    int Rename(uint64_t dir, std::string_view name, uint64_t newDir, std::string_view newName,
               bool noReplace);
    int SetAttribute(uint64_t inode, std::string_view name, std::string_view value);
    // fsync: the file and every change that waits written to the image now.
    int Sync(uint64_t inode);
    // When the changes that wait are to be written; none when none waits.
    std::optional<std::chrono::steady_clock::time_point> WriteDue() const;
    // The changes that wait written as one change of the image: errno when that failed (the
    // log says why, and the mount then shows the image as it is).
    int WriteWaiting();
    // A link, pipe or device asked for: EPERM, said why.
    int NotAFile(std::string_view name);
    // Every file still open for writing and every change that waits written (the mount ends).
    void WriteAll();

    struct Space {
        long long bytes = 0;
        long long free = 0;
        int longestName = 255;
    };
    // Of the disk that holds the entry (every logical disk together at a hard disk's top).
    Space SpaceOf(uint64_t inode);

private:
    struct View;
    struct OpenFile;
    struct DiskPath;
    using Change = std::function<EditResult(CDiskEditor&)>;
    struct Waiting {
        Change change;
        std::string subject; // the entry's path, for messages
        bool directory;
    };

    // `fromFile`: the image as its file holds it; otherwise with the changes that wait.
    void Show(std::unique_ptr<CDiskImage> image, bool fromFile = true);
    const CMountTree& Tree() const;
    const CMountTree::Node* NodeOf(uint64_t inode) const;
    bool NameTaken(const CMountTree::Node& dir, std::string_view name) const;
    uint64_t InodeOf(const CMountTree::Node& node);
    uint64_t InodeAt(const std::string& path);
    std::string PathOf(uint64_t inode) const;
    void Rebind(uint64_t inode, const std::string& path);
    MountAttributes AttributesOf(const CMountTree::Node& node);
    std::optional<int> DiskOf(const CMountTree::Node& node) const;
    std::optional<DiskPath> DiskPathOf(const CMountTree::Node& node) const;
    // Why the disk that holds `node` takes no change: errno, logged; 0 when it takes them.
    int Unchangeable(const CMountTree::Node& node);
    std::optional<std::string> WhyDiskUnchangeable(int disk);
    int Changed(int disk, const std::string& subject, bool directory, const Change& change,
                EditResult* result = nullptr);
    int WriteNow(int disk, const std::vector<Waiting>& changes, bool skipRefused,
                 EditResult* result);
    // The node of the entry `index` of `disk` after a change; null when it is not shown.
    const CMountTree::Node* NodeOfEntry(int disk, int index) const;
    int Commit(uint64_t inode, OpenFile& file);
    long long Longest(int disk);
    int Unwritable(uint64_t inode, OpenFile& file, EditError why);
    int NameOnDisk(std::string_view hostName, const std::string& subject, bool directory, int disk,
                   std::string& cp1251);
    int Refused(EditError error, const std::string& subject, bool directory, int disk);
    std::string FormatOf(int disk) const;
    const CDiskEditor* CurrentEditor(int disk);
    int FormatKeeps(const std::string& cp1251, const std::string& subject, bool directory,
                    int disk);
    long long DiskSize(int disk) const;
    std::vector<uint8_t> DiskBytes(int disk);

    const std::string m_path;
    const MountOptions m_options;
    const Log m_log;
    std::unique_ptr<View> m_view;
    std::filesystem::file_time_type m_time;
    uintmax_t m_size = 0;
    // A writable mount's inodes by host path ("" the root, "GAMES/ARCADE"), which stay
    // theirs across changes; a read-only mount's are its tree's node numbers.
    std::vector<std::string> m_paths;
    std::unordered_map<std::string, uint64_t> m_inodes;
    std::map<uint64_t, OpenFile> m_open;
    std::map<int, std::optional<std::string>> m_diskFaults; // of the image shown, by disk
    std::map<int, std::unique_ptr<CDiskEditor>> m_editors;  // of the image read, by disk
    // A floppy's changes not yet written, and the disk with them made.
    std::vector<Waiting> m_waiting;
    std::unique_ptr<CDiskEditor> m_staged;
    std::chrono::steady_clock::time_point m_firstWaiting, m_lastWaiting;
};
