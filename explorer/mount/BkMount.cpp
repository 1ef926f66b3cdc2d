// libfuse's low-level interface: inode numbers are the tree's own node numbers plus one,
// so libfuse keeps no table of its own per entry (the high-level one kept about 160 bytes
// for every entry a listing met).
#define FUSE_USE_VERSION 31
#include "BkMount.h"

#include "Export.h"
#include "MountTree.h"
#include "RavelkoStrings.h"

#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

using namespace ravelko;

namespace {

struct MountState {
    MountState(std::unique_ptr<CDiskImage> reader, bool binFiles)
        : image(std::move(reader)), tree(*image, binFiles) {}
    std::unique_ptr<CDiskImage> image;
    CMountTree tree;
    struct timespec time {};
};

MountState& State(fuse_req_t request) {
    return *static_cast<MountState*>(fuse_req_userdata(request));
}

// Attributes and entries never change: the kernel may keep them as long as it likes.
constexpr double kCacheSeconds = 86400;

fuse_ino_t InodeOf(const CMountTree& tree, const CMountTree::Node& node) {
    return tree.IndexOf(node) + FUSE_ROOT_ID;
}

// The node of an inode number the kernel was given; null for any other number.
const CMountTree::Node* NodeOf(fuse_req_t request, fuse_ino_t inode) {
    const CMountTree& tree = State(request).tree;
    if (inode < FUSE_ROOT_ID || inode - FUSE_ROOT_ID >= tree.Size())
        return nullptr;
    return &tree.At(static_cast<uint32_t>(inode - FUSE_ROOT_ID));
}

struct stat Attributes(const MountState& state, const CMountTree::Node& node) {
    struct stat st {};
    st.st_ino = InodeOf(state.tree, node);
    st.st_mode = node.directory ? S_IFDIR | 0555 : S_IFREG | 0444;
    st.st_nlink = node.directory ? 2 : 1;
    st.st_size = state.tree.FileSize(node);
    st.st_uid = getuid();
    st.st_gid = getgid();
    st.st_atim = st.st_mtim = st.st_ctim = state.time;
    return st;
}

fuse_entry_param Entry(const MountState& state, const CMountTree::Node& node) {
    fuse_entry_param entry{};
    entry.ino = InodeOf(state.tree, node);
    entry.attr = Attributes(state, node);
    entry.attr_timeout = entry.entry_timeout = kCacheSeconds;
    return entry;
}

void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    const CMountTree::Node* dir = NodeOf(request, parent);
    const CMountTree::Node* node = dir ? State(request).tree.Child(*dir, name) : nullptr;
    if (!node) { // remembered as missing too: nothing ever appears
        fuse_entry_param none{};
        none.entry_timeout = kCacheSeconds;
        fuse_reply_entry(request, &none);
        return;
    }
    const fuse_entry_param entry = Entry(State(request), *node);
    fuse_reply_entry(request, &entry);
}

void GetAttr(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    const CMountTree::Node* node = NodeOf(request, inode);
    if (!node) {
        fuse_reply_err(request, ENOENT);
        return;
    }
    const struct stat st = Attributes(State(request), *node);
    fuse_reply_attr(request, &st, kCacheSeconds);
}

// Entries carry their position as the offset; with `plus` each comes with its attributes,
// so `ls -l` asks nothing per entry.
void ListDirectory(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, bool plus) {
    const CMountTree::Node* dir = NodeOf(request, inode);
    if (!dir || !dir->directory) {
        fuse_reply_err(request, dir ? ENOTDIR : ENOENT);
        return;
    }
    const MountState& state = State(request);
    const auto children = state.tree.Children(*dir);
    const off_t count = static_cast<off_t>(children.size()) + 2;
    std::vector<char> buffer(size);
    size_t used = 0;
    for (off_t position = offset; position < count; ++position) {
        const CMountTree::Node& node =
            position == 0   ? *dir
            : position == 1 ? state.tree.At(dir->parent)
                            : state.tree.At(children[static_cast<size_t>(position - 2)]);
        const char* name = position == 0   ? "."
                           : position == 1 ? ".."
                                           : state.tree.Name(node).data();
        char* at = buffer.data() + used;
        const size_t room = size - used;
        size_t needed = 0;
        if (plus) {
            const fuse_entry_param entry = Entry(state, node);
            needed = fuse_add_direntry_plus(request, at, room, name, &entry, position + 1);
        } else {
            const struct stat st = Attributes(state, node);
            needed = fuse_add_direntry(request, at, room, name, &st, position + 1);
        }
        if (needed > room)
            break; // the kernel asks again from here
        used += needed;
    }
    fuse_reply_buf(request, buffer.data(), used);
}

void ReadDir(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    ListDirectory(request, inode, size, offset, false);
}

void ReadDirPlus(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    ListDirectory(request, inode, size, offset, true);
}

// The entry's bytes from `offset`, or EIO with a line on stderr naming the entry.
int ReadNode(MountState& state, const CMountTree::Node& node, off_t offset, size_t size,
             std::vector<uint8_t>& bytes) {
    const ReadFault fault = state.tree.Read(node, offset, size, bytes);
    if (fault == ReadFault::None)
        return 0;
    std::fprintf(stderr, "bkdisk: %s: %s\n", state.tree.EntryPath(node).c_str(),
                 LoadResString(ReadFaultReason(fault, node.deleted)).c_str());
    return EIO;
}

// An unreadable entry fails here already: the kernel never asks to read an empty file.
void Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    const CMountTree::Node* node = NodeOf(request, inode);
    std::vector<uint8_t> none;
    const int error = !node             ? ENOENT
                      : node->directory ? EISDIR
                      : (info->flags & O_ACCMODE) != O_RDONLY
                          ? EROFS
                          : ReadNode(State(request), *node, 0, 0, none);
    if (error) {
        fuse_reply_err(request, error);
        return;
    }
    info->keep_cache = 1;
    fuse_reply_open(request, info);
}

void Read(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    const CMountTree::Node* node = NodeOf(request, inode);
    std::vector<uint8_t> bytes;
    if (const int error = node ? ReadNode(State(request), *node, offset, size, bytes) : ENOENT) {
        fuse_reply_err(request, error);
        return;
    }
    fuse_reply_buf(request, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// The load address and the length as octal text; deleted ANDOS entries are marked.
std::optional<std::string> Attribute(const CMountTree::Node& node, std::string_view name) {
    if (node.directory)
        return std::nullopt;
    char text[16];
    if (name == "user.bk.address" || name == "user.bk.length") {
        std::snprintf(text, sizeof text, "%o",
                      name == "user.bk.address" ? unsigned{node.address} : unsigned{node.length});
        return text;
    }
    if (name == "user.bk.deleted" && node.deleted)
        return "1";
    return std::nullopt;
}

// `text` as an attribute answer: its size when asked with size 0, ERANGE when it does not fit.
void ReplyAttributeText(fuse_req_t request, const std::string& text, size_t size) {
    if (size == 0)
        fuse_reply_xattr(request, text.size());
    else if (size < text.size())
        fuse_reply_err(request, ERANGE);
    else
        fuse_reply_buf(request, text.data(), text.size());
}

// Only user attributes exist here. Saying so for the others (security.*, system.*) lets
// `ls -l` stop asking after the first file, instead of a round trip per file.
void GetXattr(fuse_req_t request, fuse_ino_t inode, const char* name, size_t size) {
    const CMountTree::Node* node = NodeOf(request, inode);
    const auto text = node ? Attribute(*node, name) : std::nullopt;
    if (!node || std::strncmp(name, "user.", 5) != 0 || !text)
        fuse_reply_err(request, !node                                 ? ENOENT
                                : std::strncmp(name, "user.", 5) != 0 ? ENOTSUP
                                                                      : ENODATA);
    else
        ReplyAttributeText(request, *text, size);
}

void ListXattr(fuse_req_t request, fuse_ino_t inode, size_t size) {
    const CMountTree::Node* node = NodeOf(request, inode);
    if (!node) {
        fuse_reply_err(request, ENOENT);
        return;
    }
    std::string names;
    for (const char* name : {"user.bk.address", "user.bk.length", "user.bk.deleted"}) {
        if (Attribute(*node, name))
            names.append(name).push_back('\0');
    }
    ReplyAttributeText(request, names, size);
}

void Init(void*, fuse_conn_info* connection) {
    // Always the listing with attributes: `ls -l` of a large directory then asks nothing
    // per entry (the kernel's default switches to names-only after the first batch).
    connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
}

fuse_lowlevel_ops Operations() {
    fuse_lowlevel_ops ops{};
    ops.init = Init;
    ops.lookup = Lookup;
    ops.forget = [](fuse_req_t request, fuse_ino_t, uint64_t) { fuse_reply_none(request); };
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.readdirplus = ReadDirPlus;
    ops.open = Open;
    ops.read = Read;
    ops.getxattr = GetXattr;
    ops.listxattr = ListXattr;
    return ops; // anything that would write finds the mount read-only
}

} // namespace

int MountImage(std::unique_ptr<CDiskImage> image, const std::string& imagePath,
               const std::string& folder, bool binFiles, bool foreground) {
    MountState state(std::move(image), binFiles);
    struct stat info {};
    if (stat(imagePath.c_str(), &info) == 0)
        state.time = info.st_mtim;
    std::vector<std::string> args = {"bkdisk", "-o",
                                     "ro,default_permissions,fsname=bkdisk,subtype=bkdisk"};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    fuse_args fuseArgs = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    const fuse_lowlevel_ops ops = Operations();
    fuse_session* session = fuse_session_new(&fuseArgs, &ops, sizeof ops, &state);
    if (!session)
        return 1;
    int status = 1;
    if (fuse_set_signal_handlers(session) == 0) {
        if (fuse_session_mount(session, folder.c_str()) == 0) {
            if (fuse_daemonize(foreground ? 1 : 0) == 0)
                status = fuse_session_loop(session) == 0 ? 0 : 1;
            fuse_session_unmount(session);
        }
        fuse_remove_signal_handlers(session);
    }
    fuse_session_destroy(session);
    return status;
}
