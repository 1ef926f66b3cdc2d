#include "MountedImage.h"

#include "Cp1251.h"
#include "Export.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageChange.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <system_error>

using namespace ravelko;

namespace fs = std::filesystem;

struct CMountedImage::View {
    std::unique_ptr<CDiskImage> image;
    std::unique_ptr<CMountTree> tree;
};

// A file open for writing: its bytes as the mount shows them, until they are written.
struct CMountedImage::OpenFile {
    OpenFile(long long most, bool changed, bool there)
        : longest(most), room(most), dirty(changed), onDisk(there) {}
    int opens = 1;
    long long longest;    // the longest file the disk holds
    long long room;       // a new file: the free space when it was made
    bool dirty = false;   // differs from what the disk holds
    bool written = false; // written to since it was opened or last flushed
    bool onDisk = false;  // an entry holds it (the file was there, or was written once)
    bool removed = false;
    int refused = 0; // a write refused (EFBIG): the file is left as the disk holds it
    std::vector<uint8_t> bytes;
    std::optional<uint16_t> address; // user.bk.address set while open
};

// Where an entry lies, as the disk names it: the disk (0 for a floppy) and the names
// (Windows-1251) from its root to the entry; none for the root itself.
struct CMountedImage::DiskPath {
    int disk = 0;
    std::vector<std::string> names;
};

std::optional<uint16_t> ParseOctalAddress(std::string_view text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("01234567") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::stoul(std::string(text), nullptr, 8);
    return value <= 0xFFFF ? std::optional<uint16_t>(static_cast<uint16_t>(value)) : std::nullopt;
}

namespace {

constexpr auto kBinHeader = static_cast<long long>(kBinHeaderSize);

int ErrnoOf(EditError error) {
    switch (error) {
    case EditError::None:
        return 0;
    case EditError::NameTooLong:
        return ENAMETOOLONG;
    case EditError::NameExists:
        return EEXIST;
    case EditError::DirectoryInTheWay:
        return EISDIR;
    case EditError::NotFound:
        return ENOENT;
    case EditError::NotEmpty:
        return ENOTEMPTY;
    case EditError::FileTooLong:
        return EFBIG;
    case EditError::CatalogFull:
    case EditError::DiskFull:
    case EditError::FreeSpaceInPieces:
    case EditError::NoDirectoryNumber:
        return ENOSPC;
    case EditError::UnknownLayout:
        return EROFS;
    default: // the name's characters, ".", "..", an empty file MicroDOS takes for a directory
        return EINVAL;
    }
}

// The live entry at `names` from the disk's root, as the disk holds it now.
std::optional<int> EntryIn(const CFileSystem& disk, const std::vector<std::string>& names) {
    int dir = disk.RootDir();
    std::optional<int> found;
    for (const std::string& name : names) {
        if (found) {
            const DiskEntry& holder = disk.Entries()[static_cast<size_t>(*found)];
            if (holder.kind != DiskEntry::Kind::Directory)
                return std::nullopt;
            dir = holder.ownDir;
        }
        const auto& entries = disk.Entries();
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](const DiskEntry& e) {
            return !e.deleted && e.holdingDir == dir && e.name == name &&
                   e.kind != DiskEntry::Kind::Lost;
        });
        if (entry == entries.end())
            return std::nullopt;
        found = entry->index;
    }
    return found;
}

// The number of the live directory at `names` (the root for none).
std::optional<int> DirectoryIn(const CFileSystem& disk, const std::vector<std::string>& names) {
    if (names.empty())
        return disk.RootDir();
    const auto index = EntryIn(disk, names);
    if (!index || disk.Entries()[static_cast<size_t>(*index)].kind != DiskEntry::Kind::Directory)
        return std::nullopt;
    return disk.Entries()[static_cast<size_t>(*index)].ownDir;
}

std::string Joined(const std::string& dir, std::string_view name) {
    return dir.empty() ? std::string(name) : dir + "/" + std::string(name);
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string LastName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name no host path has: an inode whose entry is gone.
const std::string kGone(1, '\0');

} // namespace

CMountedImage::CMountedImage(std::string path, std::unique_ptr<CDiskImage> image,
                             const MountOptions& options, Log log)
    : m_path(std::move(path)), m_options(options), m_log(std::move(log)) {
    if (m_options.writable) {
        m_paths.push_back("");
        m_inodes[""] = kRootInode;
    }
    Show(std::move(image));
}

CMountedImage::~CMountedImage() = default;

void CMountedImage::Show(std::unique_ptr<CDiskImage> image, bool fromFile) {
    if (!image)
        return;
    auto view = std::make_unique<View>();
    view->image = std::move(image);
    view->tree = std::make_unique<CMountTree>(*view->image, m_options.binFiles, m_options.writable);
    m_view = std::move(view);
    if (!fromFile) // no change of ours makes a disk unchangeable, nor changes its format
        return;
    m_diskFaults.clear();
    m_editors.clear();
    std::error_code error;
    m_time = fs::last_write_time(PathFromUtf8(m_path), error);
    m_size = fs::file_size(PathFromUtf8(m_path), error);
}

const CMountTree& CMountedImage::Tree() const {
    return *m_view->tree;
}

std::optional<std::string> WhyUnwritable(const std::string& path) {
    const OpenedImage opened = OpenImageForChanges(path);
    if (!opened.image)
        return OpenFailureText(path, PrintableHostPath(path), opened.failure);
    if (opened.readOnly)
        return opened.readOnly;
    return HeldElsewhereText(path);
}

void CMountedImage::FollowOutsideChanges() {
    if (!m_options.writable)
        return;
    std::error_code error;
    const auto time = fs::last_write_time(PathFromUtf8(m_path), error);
    const auto size = fs::file_size(PathFromUtf8(m_path), error);
    if (error || (time == m_time && size == m_size))
        return;
    if (!m_waiting.empty()) { // made on the image as it is now, which the mount then shows
        WriteWaiting();
        return;
    }
    FinishInterruptedChange(m_path);
    OpenFailure failure;
    if (auto image = OpenDiskImage(m_path, &failure, ImageAccess::ReadOnly))
        Show(std::move(image));
    else // what was shown stays; a change is refused when the file is not what it shows
        m_log(OpenFailureText(m_path, PrintableHostPath(m_path), failure));
}

// Inodes ---------------------------------------------------------------------------------

const CMountTree::Node* CMountedImage::NodeOf(uint64_t inode) const {
    if (inode < kRootInode)
        return nullptr;
    if (!m_options.writable)
        return inode - kRootInode < Tree().Size()
                   ? &Tree().At(static_cast<uint32_t>(inode - kRootInode))
                   : nullptr;
    return inode - kRootInode < m_paths.size() ? Tree().Lookup(m_paths[inode - kRootInode])
                                               : nullptr;
}

uint64_t CMountedImage::InodeOf(const CMountTree::Node& node) {
    if (!m_options.writable)
        return Tree().IndexOf(node) + kRootInode;
    return InodeAt(Tree().HostPath(node));
}

uint64_t CMountedImage::InodeAt(const std::string& path) {
    const auto [at, added] = m_inodes.try_emplace(path, m_paths.size() + kRootInode);
    if (added)
        m_paths.push_back(path);
    return at->second;
}

std::string CMountedImage::PathOf(uint64_t inode) const {
    return m_options.writable && inode >= kRootInode && inode - kRootInode < m_paths.size()
               ? m_paths[inode - kRootInode]
               : kGone;
}

// The inode (and those of everything under it) now at `path` (kGone: nowhere); the one
// there before loses it.
void CMountedImage::Rebind(uint64_t inode, const std::string& path) {
    const std::string old = PathOf(inode);
    if (old == path || inode < kRootInode || inode - kRootInode >= m_paths.size())
        return;
    if (const auto there = m_inodes.find(path); there != m_inodes.end()) {
        m_paths[there->second - kRootInode] = kGone;
        m_inodes.erase(there);
    }
    std::vector<std::pair<uint64_t, std::string>> moved{{inode, path}};
    for (const auto& [at, number] : m_inodes) {
        if (old != kGone && at.starts_with(old + "/"))
            moved.emplace_back(number, path == kGone ? kGone : path + at.substr(old.size()));
    }
    for (const auto& [number, at] : moved)
        m_inodes.erase(m_paths[number - kRootInode]);
    for (const auto& [number, at] : moved) {
        m_paths[number - kRootInode] = at;
        if (at != kGone)
            m_inodes[at] = number;
    }
}

// Reading --------------------------------------------------------------------------------

MountAttributes CMountedImage::AttributesOf(const CMountTree::Node& node) {
    const auto disk = m_options.writable ? DiskOf(node) : std::nullopt;
    const bool writable = disk && !WhyDiskUnchangeable(*disk);
    return {InodeOf(node), node.directory, writable, Tree().FileSize(node)};
}

std::optional<MountAttributes> CMountedImage::Attributes(uint64_t inode) {
    if (const auto open = m_open.find(inode); open != m_open.end() && !open->second.removed)
        return MountAttributes{inode, false, true,
                               static_cast<long long>(open->second.bytes.size())};
    const CMountTree::Node* node = NodeOf(inode);
    return node ? std::optional(AttributesOf(*node)) : std::nullopt;
}

// An entry of the directory whose name differs from `name` only in letter case: the disks
// compare names so, and keep one entry of a name.
bool CMountedImage::NameTaken(const CMountTree::Node& dir, std::string_view name) const {
    const std::string wanted = Utf8ToCp1251(name);
    const auto children = Tree().Children(dir);
    return std::any_of(children.begin(), children.end(), [&](uint32_t index) {
        return EqualNoCase(Utf8ToCp1251(Tree().Name(Tree().At(index))), wanted);
    });
}

std::optional<MountAttributes> CMountedImage::Child(uint64_t dir, std::string_view name) {
    const CMountTree::Node* holder = NodeOf(dir);
    if (!holder)
        return std::nullopt;
    if (const CMountTree::Node* node = Tree().Child(*holder, name))
        return Attributes(InodeOf(*node));
    const auto inode = m_inodes.find(Joined(PathOf(dir), name)); // a file not written yet
    return inode != m_inodes.end() && m_open.count(inode->second) ? Attributes(inode->second)
                                                                  : std::nullopt;
}

std::optional<CMountedImage::Listed> CMountedImage::ListedAt(uint64_t dir, size_t position) {
    const CMountTree::Node* holder = NodeOf(dir);
    if (!holder || !holder->directory)
        return std::nullopt;
    if (position < 2) {
        const CMountTree::Node& node = position == 0 ? *holder : Tree().At(holder->parent);
        return Listed{position == 0 ? "." : "..", AttributesOf(node)};
    }
    const auto children = Tree().Children(*holder);
    if (position - 2 < children.size()) {
        const CMountTree::Node& node = Tree().At(children[position - 2]);
        return Listed{std::string(Tree().Name(node)), AttributesOf(node)};
    }
    size_t unwritten = position - 2 - children.size();
    const std::string path = PathOf(dir);
    for (auto& [inode, file] : m_open) {
        const std::string& at = PathOf(inode);
        if (file.onDisk || file.removed || at == kGone || ParentOf(at) != path)
            continue;
        if (unwritten-- == 0)
            return Listed{LastName(at), *Attributes(inode)};
    }
    return std::nullopt;
}

int CMountedImage::Read(uint64_t inode, long long offset, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    if (const auto open = m_open.find(inode); open != m_open.end()) {
        const auto& bytes = open->second.bytes;
        if (offset >= 0 && offset < static_cast<long long>(bytes.size()))
            out.assign(bytes.begin() + offset,
                       bytes.begin() + offset +
                           static_cast<long long>(
                               std::min(size, bytes.size() - static_cast<size_t>(offset))));
        return 0;
    }
    const CMountTree::Node* node = NodeOf(inode);
    if (!node)
        return ENOENT;
    if (node->directory)
        return EISDIR;
    const ReadFault fault = m_view->tree->Read(*node, offset, size, out);
    if (fault == ReadFault::None)
        return 0;
    m_log(Tree().EntryPath(*node) + ": " + LoadResString(ReadFaultReason(fault, node->deleted)));
    return EIO;
}

std::optional<std::string> CMountedImage::Attribute(uint64_t inode, std::string_view name) {
    const auto open = m_open.find(inode);
    const CMountTree::Node* node = NodeOf(inode);
    if ((!node || node->directory) && open == m_open.end())
        return std::nullopt;
    const bool deleted = node && node->deleted;
    uint16_t address = node ? node->address : m_options.address;
    uint32_t length = node ? node->length : 0;
    if (open != m_open.end()) {
        address = open->second.address.value_or(address);
        length = static_cast<uint32_t>(open->second.bytes.size());
    }
    char text[16];
    if (name == "user.bk.address" || name == "user.bk.length") {
        std::snprintf(text, sizeof text, "%o",
                      name == "user.bk.address" ? unsigned{address} : unsigned{length});
        return text;
    }
    if (name == "user.bk.deleted" && deleted)
        return "1";
    return std::nullopt;
}

std::vector<std::string> CMountedImage::AttributeNames(uint64_t inode) {
    std::vector<std::string> names;
    for (const char* name : {"user.bk.address", "user.bk.length", "user.bk.deleted"}) {
        if (Attribute(inode, name))
            names.push_back(name);
    }
    return names;
}

CMountedImage::Space CMountedImage::SpaceOf(uint64_t inode) {
    const CMountTree::Node* node = NodeOf(inode);
    const auto path = node ? DiskPathOf(*node) : std::nullopt;
    const HardDiskLayout* layout = m_view->image->HardDisk();
    std::vector<int> disks;
    if (path)
        disks.push_back(path->disk);
    for (size_t i = 0; !path && layout && i < layout->disks.size(); ++i)
        disks.push_back(static_cast<int>(i));
    Space space;
    for (const int disk : disks) {
        const std::vector<uint8_t> bytes = DiskBytes(disk);
        space.bytes += static_cast<long long>(bytes.size());
        const auto editor = EditDisk(bytes);
        if (const auto free = FreeSpaceOf(editor.get()))
            space.free += free->bytes;
        if (editor && path) {
            const NameLimits limits = editor->Disk().Format().names;
            space.longestName = limits.name + (limits.extension ? limits.extension + 1 : 0);
        }
    }
    return space;
}

std::vector<uint8_t> CMountedImage::DiskBytes(int disk) {
    const auto bytes =
        m_view->image->HardDisk() ? m_view->image->DiskBytes(disk) : m_view->image->FloppyBytes();
    return {bytes.begin(), bytes.end()};
}

// Changing -------------------------------------------------------------------------------

// A hard disk's logical disks are nodes of the list of disks, numbered by their entries.
std::optional<int> CMountedImage::DiskOf(const CMountTree::Node& node) const {
    if (node.entry < 0)
        return m_view->image->HardDisk() ? std::nullopt : std::optional(0);
    return node.disk == kDiskList ? node.entry : node.disk;
}

std::optional<CMountedImage::DiskPath>
CMountedImage::DiskPathOf(const CMountTree::Node& node) const {
    const auto disk = DiskOf(node);
    if (!disk)
        return std::nullopt;
    DiskPath path{*disk, {}};
    for (const CMountTree::Node* at = &node; at->entry >= 0 && at->disk != kDiskList;
         at = &Tree().At(at->parent))
        path.names.insert(path.names.begin(), m_view->image->Entry({at->disk, at->entry}).name);
    return path;
}

std::optional<std::string> CMountedImage::WhyDiskUnchangeable(int disk) {
    const auto known = m_diskFaults.find(disk);
    if (known != m_diskFaults.end())
        return known->second;
    const auto why = m_view->image->HardDisk() ? LogicalDiskState(*m_view->image, disk).readOnly
                                               : WhyReadOnly(*m_view->image, true);
    return m_diskFaults[disk] = why;
}

int CMountedImage::Unchangeable(const CMountTree::Node& node) {
    if (!m_options.writable)
        return EROFS;
    const auto path = DiskPathOf(node);
    if (!path) { // logical disks are neither made nor removed here
        m_log(LoadResString(IDS_MOUNT_INTO_A_DISK));
        return EPERM;
    }
    if (const auto why = WhyDiskUnchangeable(path->disk)) {
        m_log(*why);
        return EROFS;
    }
    return 0;
}

// The disk as the mount shows it, for what its format allows and the room it has: the one
// the waiting changes were made on, else one read from the image shown (kept until the
// image is read again).
const CDiskEditor* CMountedImage::CurrentEditor(int disk) {
    if (m_staged && !m_waiting.empty())
        return m_staged.get();
    auto& editor = m_editors[disk];
    if (!editor)
        editor = EditDisk(DiskBytes(disk));
    return editor.get();
}

std::string CMountedImage::FormatOf(int disk) const {
    return m_view->image->HardDisk() ? m_view->image->FormatName({disk, 0})
                                     : m_view->image->GetFormatName();
}

long long CMountedImage::DiskSize(int disk) const {
    const HardDiskLayout* layout = m_view->image->HardDisk();
    return layout ? layout->disks[static_cast<size_t>(disk)].size
                  : static_cast<long long>(m_view->image->FloppyBytes().size());
}

int CMountedImage::Refused(EditError error, const std::string& subject, bool directory, int disk) {
    m_log(EditErrorText(error, subject, FormatOf(disk), directory));
    return ErrnoOf(error);
}

// The catalog's form of a name typed on the host; refused when it has none, or when the
// folder would show the entry under another name (".x" as "_x"), which the program that
// wrote it would then not find.
int CMountedImage::NameOnDisk(std::string_view hostName, const std::string& subject, bool directory,
                              int disk, std::string& cp1251) {
    const auto name = Utf8ToCp1251Exactly(hostName);
    if (!name)
        return Refused(EditError::NameBadCharacter, subject, directory, disk);
    if (const std::string shown = SafeHostName(*name); shown != *name) {
        m_log(FormatResString(IDS_MOUNT_NAME_SHOWN_AS, {subject, Cp1251ToUtf8(shown)}));
        return EINVAL;
    }
    cp1251 = *name;
    return 0;
}

// Whether the disk's format keeps the name (Windows-1251) as it is: refused when it cannot
// hold it, or would keep it otherwise (ANDOS in capitals), as a name changed behind the
// writer's back is one a copy made again would not find.
int CMountedImage::FormatKeeps(const std::string& cp1251, const std::string& subject,
                               bool directory, int disk) {
    const CDiskEditor* editor = CurrentEditor(disk);
    std::string shown;
    const EditError error =
        editor ? editor->CheckName(cp1251, directory, &shown) : EditError::UnknownLayout;
    if (error != EditError::None)
        return Refused(error, subject, directory, disk);
    if (shown != cp1251) {
        m_log(FormatResString(IDS_MOUNT_NAME_KEPT_AS,
                              {subject, FormatOf(disk), Cp1251ToUtf8(shown)}));
        return EINVAL;
    }
    return 0;
}

// A change made on the disk shown, by names, so that it applies as well to the image as
// another program may have changed it meanwhile. Written at once (a hard disk, which is
// written in place, or a sync mount), or made on the disk in memory and left to wait.
int CMountedImage::Changed(int disk, const std::string& subject, bool directory,
                           const Change& change, EditResult* result) {
    if (m_options.sync || m_view->image->HardDisk())
        return WriteNow(disk, {{change, subject, directory}}, false, result);
    if (m_waiting.empty()) { // the first of a burst: refused now if it could not be written
        if (const auto held = HeldElsewhereText(m_path)) {
            m_log(*held);
            return EIO;
        }
        auto cached = m_editors.extract(disk); // the disk shown: no copy of it needed
        m_staged =
            cached && cached.mapped() ? std::move(cached.mapped()) : EditDisk(DiskBytes(disk));
    }
    if (!m_staged)
        return EIO;
    const EditResult made = change(*m_staged);
    if (result)
        *result = made;
    if (made.error != EditError::None)
        return Refused(made.error, subject, directory, disk);
    m_lastWaiting = std::chrono::steady_clock::now();
    if (m_waiting.empty())
        m_firstWaiting = m_lastWaiting;
    m_waiting.push_back({change, subject, directory});
    Show(CreateDiskImage(m_path, m_staged->Bytes()), false);
    return 0;
}

// The changes made on the disk as the file holds it now and written as one change of the
// image. One that no longer applies is left out, said why, when `skipRefused`; otherwise it
// refuses them all.
int CMountedImage::WriteNow(int disk, const std::vector<Waiting>& changes, bool skipRefused,
                            EditResult* result) {
    ChangeRequest request;
    request.lockFirst = true;
    request.shown = true;
    if (m_view->image->HardDisk())
        request.target.disk = disk;
    EditResult made;
    ChangeOutcome outcome = ChangeImageFile(
        m_path, request, [&](CDiskEditor& editor, std::vector<std::string>&) -> ChangeStep {
            for (const Waiting& waiting : changes) {
                made = waiting.change(editor);
                if (made.error == EditError::None)
                    continue;
                std::string why = EditErrorText(made.error, waiting.subject,
                                                editor.Disk().GetFormatName(), waiting.directory);
                if (!skipRefused)
                    return {why};
                m_log(why);
            }
            return {};
        });
    if (result)
        *result = made;
    if (outcome.kind == ChangeOutcome::Kind::Written) {
        Show(std::move(outcome.image));
        return 0;
    }
    m_log(outcome.text);
    for (const Waiting& lost : skipRefused ? changes : std::vector<Waiting>())
        m_log(FormatResString(IDS_MOUNT_NOT_WRITTEN, {lost.subject}));
    OpenFailure failure; // what the mount shows is the file again
    Show(OpenDiskImage(m_path, &failure, ImageAccess::ReadOnly));
    if (outcome.kind == ChangeOutcome::Kind::Refused)
        return ErrnoOf(made.error);
    return outcome.madeReadOnly ? EROFS : EIO;
}

std::optional<std::chrono::steady_clock::time_point> CMountedImage::WriteDue() const {
    if (m_waiting.empty())
        return std::nullopt;
    return std::min(m_lastWaiting + kWriteQuiet, m_firstWaiting + kWriteLongest);
}

int CMountedImage::WriteWaiting() {
    if (m_waiting.empty())
        return 0;
    const std::vector<Waiting> changes = std::move(m_waiting);
    m_waiting.clear();
    m_staged.reset();
    return WriteNow(0, changes, true, nullptr);
}

int CMountedImage::NotAFile(std::string_view name) {
    m_log(FormatResString(IDS_MOUNT_NOT_A_FILE, {std::string(name)}));
    return EPERM;
}

int CMountedImage::Sync(uint64_t inode) {
    const int error = Flush(inode, true);
    const int written = WriteWaiting();
    return error ? error : written;
}

const CMountTree::Node* CMountedImage::NodeOfEntry(int disk, int index) const {
    const bool hardDisk = m_view->image->HardDisk() != nullptr;
    for (uint32_t i = 1; i < Tree().Size(); ++i) {
        const CMountTree::Node& node = Tree().At(i);
        if (node.disk == (hardDisk ? disk : 0) && node.entry == index)
            return &node;
    }
    return nullptr;
}

int CMountedImage::Create(uint64_t dir, std::string_view name, MountAttributes& made) {
    const CMountTree::Node* holder = NodeOf(dir);
    if (!holder || !holder->directory)
        return holder ? ENOTDIR : ENOENT;
    if (const int error = Unchangeable(*holder))
        return error;
    const std::string path = Joined(PathOf(dir), name);
    if (Child(dir, name))
        return EEXIST;
    const DiskPath at = *DiskPathOf(*holder);
    if (NameTaken(*holder, name))
        return Refused(EditError::NameExists, path, false, at.disk);
    std::string stored;
    if (const int error = NameOnDisk(name, path, false, at.disk, stored))
        return error;
    // A .bin file: its header, which the disk does not keep, gives the name without ".bin".
    const bool binFile = m_options.binFiles && IsBinFileName(stored) && stored.size() > 4;
    if (binFile)
        stored.resize(stored.size() - 4);
    // Refused here rather than at close: the name, and a file the free space cannot take.
    if (const int error = FormatKeeps(stored, path, false, at.disk))
        return error;
    const long long header = binFile ? kBinHeader : 0;
    OpenFile file(Longest(at.disk) + header, true, false);
    const auto free = FreeSpaceOf(CurrentEditor(at.disk));
    file.room = free ? free->onePiece.value_or(free->bytes) + header : file.longest;
    const uint64_t inode = InodeAt(path);
    m_open.emplace(inode, std::move(file));
    made = *Attributes(inode);
    return 0;
}

int CMountedImage::OpenForWriting(uint64_t inode, bool truncate) {
    const auto open = m_open.find(inode);
    if (open != m_open.end()) {
        ++open->second.opens;
        if (truncate && !open->second.bytes.empty()) {
            open->second.bytes.clear();
            open->second.dirty = true;
        }
        return 0;
    }
    const CMountTree::Node* node = NodeOf(inode);
    if (!node || node->directory)
        return node ? EISDIR : ENOENT;
    if (const int error = Unchangeable(*node))
        return error;
    OpenFile file(Longest(*DiskOf(*node)) + (Tree().HasHeader(*node) ? kBinHeader : 0), truncate,
                  true);
    if (!truncate) {
        if (const int error = Read(inode, 0, static_cast<size_t>(file.longest), file.bytes))
            return error;
    }
    m_open.emplace(inode, std::move(file));
    return 0;
}

// The longest file of the disk: its format's, or the disk's size where only that bounds it.
long long CMountedImage::Longest(int disk) {
    const CDiskEditor* editor = CurrentEditor(disk);
    const auto format = editor ? editor->LongestFile() : std::nullopt;
    return std::min(format.value_or(DiskSize(disk)), DiskSize(disk));
}

// A write the disk cannot take: the file is not written at all, as a file cut short would
// be a file changed behind the writer's back. Said at the write, which a shell's `>` checks,
// and not only at the close, which it does not.
int CMountedImage::Unwritable(uint64_t inode, OpenFile& file, EditError why) {
    const std::string path = PathOf(inode);
    const CMountTree::Node* holder = Tree().Lookup(ParentOf(path));
    const int disk = (holder ? DiskOf(*holder) : std::nullopt).value_or(0);
    const CDiskEditor* editor = CurrentEditor(disk);
    if (why == EditError::FileTooLong && editor && !editor->LongestFile())
        m_log(FormatResString(IDS_MOUNT_LONGER_THAN_DISK, {path, std::to_string(DiskSize(disk))}));
    else
        m_log(EditErrorText(why, path, FormatOf(disk)));
    file.refused = ErrnoOf(why);
    return file.refused;
}

int CMountedImage::Write(uint64_t inode, long long offset, std::span<const uint8_t> bytes) {
    const auto open = m_open.find(inode);
    if (open == m_open.end())
        return EBADF;
    OpenFile& file = open->second;
    const auto size = static_cast<long long>(bytes.size());
    if (file.refused)
        return file.refused;
    if (offset < 0 || offset > file.longest || size > file.longest - offset)
        return Unwritable(inode, file, EditError::FileTooLong);
    const long long end = offset + size;
    if (end > file.room)
        return Unwritable(inode, file, EditError::DiskFull);
    if (static_cast<size_t>(end) > file.bytes.size())
        file.bytes.resize(static_cast<size_t>(end));
    std::copy(bytes.begin(), bytes.end(), file.bytes.begin() + offset);
    file.dirty = file.written = true;
    return 0;
}

int CMountedImage::Resize(uint64_t inode, long long size) {
    if (m_open.count(inode) == 0) { // truncate(1) on a closed file: opened, cut and written
        if (const int error = OpenForWriting(inode, false))
            return error;
        const int error = Resize(inode, size);
        const int written = Release(inode);
        return error ? error : written;
    }
    OpenFile& file = m_open.at(inode);
    if (file.refused)
        return file.refused;
    if (size < 0 || size > file.longest)
        return Unwritable(inode, file, EditError::FileTooLong);
    if (size > file.room)
        return Unwritable(inode, file, EditError::DiskFull);
    if (static_cast<size_t>(size) != file.bytes.size()) {
        file.bytes.resize(static_cast<size_t>(size));
        file.dirty = file.written = true;
    }
    return 0;
}

// A close writes the file once it was written to: a shell's `>` closes the file once before
// writing to it (its copy of the descriptor), and an empty file put then would only be
// replaced. One never written to goes onto the disk at its last close. Written or not, a
// failure is told once: the file is then left as the disk holds it.
int CMountedImage::Flush(uint64_t inode, bool written) {
    const auto open = m_open.find(inode);
    if (open == m_open.end())
        return 0;
    OpenFile& file = open->second;
    if (file.refused || !file.dirty || !(file.written || written))
        return file.refused;
    file.written = false;
    const int error = Commit(inode, file);
    file.dirty = false;
    return error;
}

int CMountedImage::Release(uint64_t inode) {
    const auto open = m_open.find(inode);
    if (open == m_open.end())
        return 0;
    if (--open->second.opens > 0)
        return 0;
    const int error = Flush(inode, true);
    m_open.erase(inode);
    return error;
}

void CMountedImage::WriteAll() {
    for (const auto& [inode, file] : m_open)
        Flush(inode, true); // a failure is logged
    WriteWaiting();
}

// The open file's bytes onto the disk: a new entry, or its entry's data replaced.
int CMountedImage::Commit(uint64_t inode, OpenFile& file) {
    const std::string path = PathOf(inode);
    if (file.removed || path == kGone)
        return 0;
    const CMountTree::Node* node = file.onDisk ? Tree().Lookup(path) : nullptr;
    const CMountTree::Node* holder = Tree().Lookup(ParentOf(path));
    if (!holder || (node && node->directory))
        return Refused(EditError::NotFound, path, false, 0);
    if (const int error = Unchangeable(*holder))
        return error;
    const DiskPath at = *DiskPathOf(*holder);
    const uint16_t address = file.address.value_or(node ? node->address : m_options.address);
    FileToAdd added{{}, address, file.bytes};
    if (const int error = NameOnDisk(LastName(path), path, false, at.disk, added.name))
        return error;
    if (node && Tree().HasHeader(*node)) { // shown with its header: what is there now is one
        const size_t header = std::min(file.bytes.size(), kBinHeaderSize);
        if (header == kBinHeaderSize)
            added.address = static_cast<uint16_t>(file.bytes[0] | file.bytes[1] << 8);
        added.data.erase(added.data.begin(), added.data.begin() + static_cast<long>(header));
    } else if (m_options.binFiles) {
        added = FileToAddFrom(LastName(path), file.bytes, address);
    }
    added.address = file.address.value_or(added.address); // the attribute set wins
    if (node) {                                           // its own name, whatever the host shows
        added.name = DiskPathOf(*node)->names.back();
    } else if (const int error = FormatKeeps(added.name, path, false, at.disk)) {
        return error;
    }
    const bool replace = node != nullptr;
    EditResult result;
    const int error = Changed(
        at.disk, path, false,
        [at, added, replace](CDiskEditor& editor) { // kept until written: all by value
            const auto dir = DirectoryIn(editor.Disk(), at.names);
            return dir ? editor.AddFile(*dir, added.name, added.address, added.data, replace)
                       : EditResult{EditError::NotFound};
        },
        &result);
    if (error)
        return error;
    file.dirty = false;
    file.onDisk = true;
    if (const CMountTree::Node* now = NodeOfEntry(at.disk, result.index))
        Rebind(inode, Tree().HostPath(*now));
    return 0;
}

int CMountedImage::Remove(uint64_t dir, std::string_view name, bool directory) {
    const std::string path = Joined(PathOf(dir), name);
    if (const auto unwritten = m_inodes.find(path); unwritten != m_inodes.end()) {
        const auto open = m_open.find(unwritten->second);
        if (open != m_open.end() && !open->second.onDisk) {
            if (directory)
                return ENOTDIR;
            open->second.removed = true;
            Rebind(unwritten->second, kGone);
            return 0;
        }
    }
    const CMountTree::Node* holder = NodeOf(dir);
    const CMountTree::Node* node = holder ? Tree().Child(*holder, name) : nullptr;
    if (!node)
        return ENOENT;
    if (node->directory != directory)
        return directory ? ENOTDIR : EISDIR;
    if (const int error = Unchangeable(*holder))
        return error;
    const auto at = DiskPathOf(*node);
    if (!at || at->names.empty())
        return EPERM;
    const uint64_t inode = InodeOf(*node);
    const int error = Changed(at->disk, path, directory, [names = at->names](CDiskEditor& editor) {
        const auto index = EntryIn(editor.Disk(), names);
        return index ? editor.Remove(*index, false) : EditResult{EditError::NotFound};
    });
    if (error)
        return error;
    if (const auto open = m_open.find(inode); open != m_open.end())
        open->second.removed = true;
    Rebind(inode, kGone);
    return 0;
}

int CMountedImage::MakeDirectory(uint64_t dir, std::string_view name, MountAttributes& made) {
    const CMountTree::Node* holder = NodeOf(dir);
    if (!holder || !holder->directory)
        return holder ? ENOTDIR : ENOENT;
    if (const int error = Unchangeable(*holder))
        return error;
    const std::string path = Joined(PathOf(dir), name);
    const DiskPath at = *DiskPathOf(*holder);
    if (NameTaken(*holder, name))
        return Refused(EditError::NameExists, path, true, at.disk);
    std::string stored;
    if (const int error = NameOnDisk(name, path, true, at.disk, stored))
        return error;
    if (const int error = FormatKeeps(stored, path, true, at.disk))
        return error;
    EditResult result;
    const int error = Changed(
        at.disk, path, true,
        [at, stored](CDiskEditor& editor) {
            const auto inside = DirectoryIn(editor.Disk(), at.names);
            return inside ? editor.MakeDirectory(*inside, stored) : EditResult{EditError::NotFound};
        },
        &result);
    if (error)
        return error;
    const CMountTree::Node* node = NodeOfEntry(at.disk, result.index);
    if (!node)
        return EIO;
    made = AttributesOf(*node);
    return 0;
}

int CMountedImage::Rename(uint64_t dir, std::string_view name, uint64_t newDir,
                          std::string_view newName, bool noReplace) {
    const std::string from = Joined(PathOf(dir), name), to = Joined(PathOf(newDir), newName);
    const CMountTree::Node* holder = NodeOf(dir);
    const CMountTree::Node* target = NodeOf(newDir);
    const CMountTree::Node* node = holder ? Tree().Child(*holder, name) : nullptr;
    if (!node) {
        const auto unwritten = m_inodes.find(from);
        if (unwritten == m_inodes.end() || !m_open.count(unwritten->second))
            return ENOENT;
        if (!target || Child(newDir, newName))
            return target ? EBUSY : ENOENT; // its place is taken when it is written
        Rebind(unwritten->second, to);
        return 0;
    }
    if (!target || !target->directory)
        return target ? ENOTDIR : ENOENT;
    const CMountTree::Node* replaced = Tree().Child(*target, newName);
    if (replaced == node)
        return 0;
    if (replaced && noReplace)
        return EEXIST;
    if (replaced && replaced->directory != node->directory)
        return node->directory ? ENOTDIR : EISDIR;
    if (const int error = Unchangeable(*node))
        return error;
    const auto source = DiskPathOf(*node);
    const auto destination = DiskPathOf(*target);
    if (!destination || source->names.empty())
        return EPERM;
    if (destination->disk != source->disk)
        return EXDEV;
    std::string stored;
    if (const int error = NameOnDisk(newName, to, node->directory, source->disk, stored))
        return error;
    if (Tree().HasHeader(*node) && IsBinFileName(stored) && stored.size() > 4)
        stored.resize(stored.size() - 4); // the .bin the mount shows is not the entry's
    if (const int error = FormatKeeps(stored, to, node->directory, source->disk))
        return error;
    const auto gone = replaced ? DiskPathOf(*replaced) : std::nullopt;
    const uint64_t inode = InodeOf(*node);
    EditResult result;
    const int error = Changed(
        source->disk, to, node->directory,
        [gone, source, destination, stored](CDiskEditor& editor) {
            if (gone) { // in the same change, so that the name is never missing
                const auto index = EntryIn(editor.Disk(), gone->names);
                const EditResult removed =
                    index ? editor.Remove(*index, false) : EditResult{EditError::NotFound};
                if (removed.error != EditError::None)
                    return removed;
            }
            const auto index = EntryIn(editor.Disk(), source->names);
            const auto inside = DirectoryIn(editor.Disk(), destination->names);
            return index && inside ? editor.Move(*index, *inside, stored)
                                   : EditResult{EditError::NotFound};
        },
        &result);
    if (error)
        return error;
    if (const CMountTree::Node* now = NodeOfEntry(source->disk, result.index))
        Rebind(inode, Tree().HostPath(*now));
    return 0;
}

int CMountedImage::SetAttribute(uint64_t inode, std::string_view name, std::string_view value) {
    if (name != "user.bk.address")
        return ENOTSUP;
    const auto address = ParseOctalAddress(value);
    if (!address)
        return EINVAL;
    if (const auto open = m_open.find(inode); open != m_open.end()) {
        open->second.address = address;
        open->second.dirty = open->second.written = true;
        return 0;
    }
    const CMountTree::Node* node = NodeOf(inode);
    if (!node || node->directory)
        return node ? ENOTSUP : ENOENT;
    if (node->address == *address)
        return 0;
    if (const int error = OpenForWriting(inode, false))
        return error;
    OpenFile& file = m_open.at(inode);
    file.address = address;
    file.dirty = file.written = true;
    return Release(inode);
}
