#define FUSE_USE_VERSION 31
#include "BkMount.h"

#include "MountTree.h"
#include "RavelkoStrings.h"

#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
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
    std::mutex lock; // the reader has one cursor
};

MountState& State() {
    return *static_cast<MountState*>(fuse_get_context()->private_data);
}

// Attributes and entries never change: the kernel may keep them as long as it likes.
constexpr double kCacheSeconds = 86400;

void FillStat(const MountState& state, const CMountTree::Node& node, struct stat* st) {
    std::memset(st, 0, sizeof *st);
    st->st_mode = node.directory ? S_IFDIR | 0555 : S_IFREG | 0444;
    st->st_nlink = node.directory ? 2 : 1;
    st->st_size = state.tree.FileSize(node);
    st->st_uid = getuid();
    st->st_gid = getgid();
    st->st_atim = st->st_mtim = st->st_ctim = state.time;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
    const auto* node = State().tree.Lookup(path);
    if (!node)
        return -ENOENT;
    FillStat(State(), *node, st);
    return 0;
}

// Entries carry their position as the offset: libfuse keeps a listing's attributes for
// the kernel only then, so `ls -l` asks nothing per entry.
int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t offset, fuse_file_info*,
            fuse_readdir_flags) {
    const auto* node = State().tree.Lookup(path);
    if (!node)
        return -ENOENT;
    if (!node->directory)
        return -ENOTDIR;
    const auto children = State().tree.Children(*node);
    const off_t count = static_cast<off_t>(children.size()) + 2;
    for (off_t position = offset; position < count; ++position) {
        bool full = false;
        if (position < 2) {
            full = fill(buffer, position == 0 ? "." : "..", nullptr, position + 1,
                        static_cast<fuse_fill_dir_flags>(0));
        } else {
            const auto& child = State().tree.At(children[static_cast<size_t>(position - 2)]);
            struct stat st;
            FillStat(State(), child, &st);
            full = fill(buffer, State().tree.Name(child).data(), &st, position + 1,
                        FUSE_FILL_DIR_PLUS);
        }
        if (full)
            break; // the kernel asks again from here
    }
    return 0;
}

// The entry's bytes from `offset`, or -EIO with a line on stderr naming the entry.
int ReadNode(const CMountTree::Node& node, off_t offset, size_t size, std::vector<uint8_t>& bytes) {
    MountState& state = State();
    std::lock_guard lock(state.lock);
    if (state.tree.Read(node, offset, size, bytes))
        return 0;
    std::fprintf(stderr, "bkdisk: %s: %s\n", state.tree.EntryPath(node).c_str(),
                 LoadResString(node.deleted ? IDS_SKIP_DELETED : IDS_SKIP_UNREADABLE).c_str());
    return -EIO;
}

// An unreadable entry fails here already: the kernel never asks to read an empty file.
int Open(const char* path, fuse_file_info* info) {
    const auto* node = State().tree.Lookup(path);
    if (!node)
        return -ENOENT;
    if (node->directory)
        return -EISDIR;
    if ((info->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    std::vector<uint8_t> none;
    if (const int error = ReadNode(*node, 0, 0, none))
        return error;
    info->keep_cache = 1;
    return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
    const auto* node = State().tree.Lookup(path);
    if (!node)
        return -ENOENT;
    std::vector<uint8_t> bytes;
    if (const int error = ReadNode(*node, offset, size, bytes))
        return error;
    std::memcpy(buffer, bytes.data(), bytes.size());
    return static_cast<int>(bytes.size());
}

// The load address and the length as octal text; deleted ANDOS entries are marked.
std::optional<std::string> Attribute(const CMountTree::Node& node, std::string_view name) {
    if (node.directory)
        return std::nullopt;
    char text[16];
    if (name == "user.bk.address" || name == "user.bk.length") {
        std::snprintf(
            text, sizeof text, "%o",
            static_cast<unsigned>(name == "user.bk.address" ? node.address : node.length));
        return text;
    }
    if (name == "user.bk.deleted" && node.deleted)
        return "1";
    return std::nullopt;
}

// Only user attributes exist here. Saying so for the others (security.*, system.*) lets
// `ls -l` stop asking after the first file, instead of a round trip per file.
int GetXattr(const char* path, const char* name, char* value, size_t size) {
    const auto* node = State().tree.Lookup(path);
    if (!node)
        return -ENOENT;
    if (std::strncmp(name, "user.", 5) != 0)
        return -ENOTSUP;
    const auto text = Attribute(*node, name);
    if (!text)
        return -ENODATA;
    if (size == 0)
        return static_cast<int>(text->size());
    if (size < text->size())
        return -ERANGE;
    std::memcpy(value, text->data(), text->size());
    return static_cast<int>(text->size());
}

int ListXattr(const char* path, char* list, size_t size) {
    const auto* node = State().tree.Lookup(path);
    if (!node)
        return -ENOENT;
    std::string names;
    for (const char* name : {"user.bk.address", "user.bk.length", "user.bk.deleted"}) {
        if (Attribute(*node, name))
            names.append(name).push_back('\0');
    }
    if (size == 0)
        return static_cast<int>(names.size());
    if (size < names.size())
        return -ERANGE;
    std::memcpy(list, names.data(), names.size());
    return static_cast<int>(names.size());
}

void* Init(fuse_conn_info* connection, fuse_config* config) {
    // Always the listing with attributes: `ls -l` of a large directory then asks nothing
    // per entry (the kernel's default switches to names-only after the first batch).
    connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
    config->kernel_cache = 1;
    config->entry_timeout = config->attr_timeout = config->negative_timeout = kCacheSeconds;
    return fuse_get_context()->private_data;
}

int ReadOnly() {
    return -EROFS;
}

fuse_operations Operations() {
    fuse_operations ops{};
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.open = Open;
    ops.read = Read;
    ops.getxattr = GetXattr;
    ops.listxattr = ListXattr;
    ops.init = Init;
    // Every writing operation, should one get past the read-only mount.
    ops.mkdir = [](const char*, mode_t) { return ReadOnly(); };
    ops.unlink = [](const char*) { return ReadOnly(); };
    ops.rmdir = [](const char*) { return ReadOnly(); };
    ops.rename = [](const char*, const char*, unsigned) { return ReadOnly(); };
    ops.truncate = [](const char*, off_t, fuse_file_info*) { return ReadOnly(); };
    ops.write = [](const char*, const char*, size_t, off_t, fuse_file_info*) { return ReadOnly(); };
    ops.create = [](const char*, mode_t, fuse_file_info*) { return ReadOnly(); };
    ops.setxattr = [](const char*, const char*, const char*, size_t, int) { return ReadOnly(); };
    ops.removexattr = [](const char*, const char*) { return ReadOnly(); };
    return ops;
}

} // namespace

int MountImage(std::unique_ptr<CDiskImage> image, const std::string& imagePath,
               const std::string& folder, bool binFiles, bool foreground) {
    MountState state(std::move(image), binFiles);
    struct stat info {};
    if (stat(imagePath.c_str(), &info) == 0)
        state.time = info.st_mtim;
    std::vector<std::string> args = {"bkdisk", folder, "-o",
                                     "ro,default_permissions,fsname=bkdisk,subtype=bkdisk", "-s"};
    if (foreground)
        args.push_back("-f");
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    const fuse_operations ops = Operations();
    return fuse_main(static_cast<int>(argv.size()), argv.data(), &ops, &state) == 0 ? 0 : 1;
}
