// libfuse's low-level interface: inode numbers are the mounted image's own, so libfuse
// keeps no table of its own per entry (the high-level one kept about 160 bytes for every
// entry a listing met).
#define FUSE_USE_VERSION 31
#include "BkMount.h"

#include <fuse_lowlevel.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct MountState {
    CMountedImage& image;
    bool writable;
    struct timespec time {};
};

MountState& State(fuse_req_t request) {
    auto& state = *static_cast<MountState*>(fuse_req_userdata(request));
    state.image.FollowOutsideChanges();
    return state;
}

// A read-only mount never changes: the kernel may keep what it was told as long as it
// likes. A writable one may be changed by another program at any time.
double CacheSeconds(const MountState& state) {
    return state.writable ? 0 : 86400;
}

struct stat Stat(const MountState& state, const MountAttributes& attributes) {
    struct stat st {};
    st.st_ino = attributes.inode;
    const mode_t write = attributes.writable ? 0200 : 0;
    st.st_mode = attributes.directory ? S_IFDIR | 0555 | write : S_IFREG | 0444 | write;
    st.st_nlink = attributes.directory ? 2 : 1;
    st.st_size = attributes.size;
    st.st_uid = getuid();
    st.st_gid = getgid();
    st.st_atim = st.st_mtim = st.st_ctim = state.time;
    return st;
}

fuse_entry_param Entry(const MountState& state, const MountAttributes& attributes) {
    fuse_entry_param entry{};
    entry.ino = attributes.inode;
    entry.attr = Stat(state, attributes);
    entry.attr_timeout = entry.entry_timeout = CacheSeconds(state);
    return entry;
}

void ReplyEntry(fuse_req_t request, int error, const MountAttributes& made) {
    if (error) {
        fuse_reply_err(request, error);
        return;
    }
    const fuse_entry_param entry = Entry(State(request), made);
    fuse_reply_entry(request, &entry);
}

void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    MountState& state = State(request);
    const auto found = state.image.Child(parent, name);
    if (!found) { // remembered as missing too, as long as the entries are
        fuse_entry_param none{};
        none.entry_timeout = CacheSeconds(state);
        fuse_reply_entry(request, &none);
        return;
    }
    const fuse_entry_param entry = Entry(state, *found);
    fuse_reply_entry(request, &entry);
}

void ReplyAttributes(fuse_req_t request, fuse_ino_t inode) {
    MountState& state = State(request);
    const auto attributes = state.image.Attributes(inode);
    if (!attributes) {
        fuse_reply_err(request, ENOENT);
        return;
    }
    const struct stat st = Stat(state, *attributes);
    fuse_reply_attr(request, &st, CacheSeconds(state));
}

void GetAttr(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    ReplyAttributes(request, inode);
}

// Only the size is the disk's; modes, owners and times it keeps none of are taken as set.
void SetAttr(fuse_req_t request, fuse_ino_t inode, struct stat* attr, int toSet, fuse_file_info*) {
    MountState& state = State(request);
    if (!state.writable) {
        fuse_reply_err(request, EROFS);
        return;
    }
    if (toSet & FUSE_SET_ATTR_SIZE) {
        if (const int error = state.image.Resize(inode, attr->st_size)) {
            fuse_reply_err(request, error);
            return;
        }
    }
    ReplyAttributes(request, inode);
}

// Entries carry their position as the offset; with `plus` each comes with its attributes,
// so `ls -l` asks nothing per entry.
void ListDirectory(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, bool plus) {
    MountState& state = State(request);
    const auto attributes = state.image.Attributes(inode);
    if (!attributes || !attributes->directory) {
        fuse_reply_err(request, attributes ? ENOTDIR : ENOENT);
        return;
    }
    std::vector<char> buffer(size);
    size_t used = 0;
    for (off_t position = offset;; ++position) {
        const auto listed = state.image.ListedAt(inode, static_cast<size_t>(position));
        if (!listed)
            break;
        char* at = buffer.data() + used;
        const size_t room = size - used;
        size_t needed = 0;
        if (plus) {
            const fuse_entry_param entry = Entry(state, listed->attributes);
            needed = fuse_add_direntry_plus(request, at, room, listed->name.c_str(), &entry,
                                            position + 1);
        } else {
            const struct stat st = Stat(state, listed->attributes);
            needed = fuse_add_direntry(request, at, room, listed->name.c_str(), &st, position + 1);
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

// A handle that writes is marked, so that only its close writes the file.
constexpr uint64_t kWriter = 1;

// An unreadable entry fails here already: the kernel never asks to read an empty file.
void Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    MountState& state = State(request);
    const bool writes = (info->flags & O_ACCMODE) != O_RDONLY;
    std::vector<uint8_t> none;
    const int error = !state.writable && writes ? EROFS
                      : writes ? state.image.OpenForWriting(inode, (info->flags & O_TRUNC) != 0)
                               : state.image.Read(inode, 0, 0, none);
    if (error) {
        fuse_reply_err(request, error);
        return;
    }
    info->fh = writes ? kWriter : 0;
    info->keep_cache = state.writable ? 0 : 1;
    fuse_reply_open(request, info);
}

void Create(fuse_req_t request, fuse_ino_t parent, const char* name, mode_t, fuse_file_info* info) {
    MountState& state = State(request);
    MountAttributes made;
    if (const int error = state.writable ? state.image.Create(parent, name, made) : EROFS) {
        fuse_reply_err(request, error);
        return;
    }
    info->fh = kWriter;
    const fuse_entry_param entry = Entry(state, made);
    fuse_reply_create(request, &entry, info);
}

void Read(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    std::vector<uint8_t> bytes;
    if (const int error = State(request).image.Read(inode, offset, size, bytes)) {
        fuse_reply_err(request, error);
        return;
    }
    fuse_reply_buf(request, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void Write(fuse_req_t request, fuse_ino_t inode, const char* bytes, size_t size, off_t offset,
           fuse_file_info*) {
    const auto data = reinterpret_cast<const uint8_t*>(bytes);
    if (const int error = State(request).image.Write(inode, offset, {data, size}))
        fuse_reply_err(request, error);
    else
        fuse_reply_write(request, size);
}

// close(2) returns what the flush answers: the file goes onto the disk here.
void Flush(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    MountState& state = State(request);
    fuse_reply_err(request, info->fh == kWriter ? state.image.Flush(inode) : 0);
}

void Fsync(fuse_req_t request, fuse_ino_t inode, int, fuse_file_info*) {
    fuse_reply_err(request, State(request).image.Sync(inode));
}

void Release(fuse_req_t request, fuse_ino_t inode, fuse_file_info* info) {
    MountState& state = State(request);
    fuse_reply_err(request, info->fh == kWriter ? state.image.Release(inode) : 0);
}

void Unlink(fuse_req_t request, fuse_ino_t parent, const char* name) {
    MountState& state = State(request);
    fuse_reply_err(request, state.writable ? state.image.Remove(parent, name, false) : EROFS);
}

void RemoveDirectory(fuse_req_t request, fuse_ino_t parent, const char* name) {
    MountState& state = State(request);
    fuse_reply_err(request, state.writable ? state.image.Remove(parent, name, true) : EROFS);
}

void MakeDirectory(fuse_req_t request, fuse_ino_t parent, const char* name, mode_t) {
    MountState& state = State(request);
    MountAttributes made;
    ReplyEntry(request, state.writable ? state.image.MakeDirectory(parent, name, made) : EROFS,
               made);
}

void Rename(fuse_req_t request, fuse_ino_t parent, const char* name, fuse_ino_t newParent,
            const char* newName, unsigned int flags) {
    MountState& state = State(request);
    const int error =
        !state.writable ? EROFS
        : (flags & RENAME_EXCHANGE)
            ? EINVAL
            : state.image.Rename(parent, name, newParent, newName, flags & RENAME_NOREPLACE);
    fuse_reply_err(request, error);
}

void StatFs(fuse_req_t request, fuse_ino_t inode) {
    const CMountedImage::Space space = State(request).image.SpaceOf(inode);
    struct statvfs info {};
    info.f_bsize = info.f_frsize = 512;
    info.f_blocks = static_cast<fsblkcnt_t>(space.bytes / 512);
    info.f_bfree = info.f_bavail = static_cast<fsblkcnt_t>(space.free / 512);
    info.f_namemax = static_cast<unsigned long>(space.longestName);
    fuse_reply_statfs(request, &info);
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
    MountState& state = State(request);
    const bool exists = state.image.Attributes(inode).has_value();
    const auto text = exists ? state.image.Attribute(inode, name) : std::nullopt;
    if (!exists || std::strncmp(name, "user.", 5) != 0 || !text)
        fuse_reply_err(request, !exists                               ? ENOENT
                                : std::strncmp(name, "user.", 5) != 0 ? ENOTSUP
                                                                      : ENODATA);
    else
        ReplyAttributeText(request, *text, size);
}

void SetXattr(fuse_req_t request, fuse_ino_t inode, const char* name, const char* value,
              size_t size, int) {
    MountState& state = State(request);
    fuse_reply_err(request, state.writable ? state.image.SetAttribute(inode, name,
                                                                      std::string_view(value, size))
                                           : EROFS);
}

void ListXattr(fuse_req_t request, fuse_ino_t inode, size_t size) {
    MountState& state = State(request);
    if (!state.image.Attributes(inode)) {
        fuse_reply_err(request, ENOENT);
        return;
    }
    std::string names;
    for (const std::string& name : state.image.AttributeNames(inode))
        names.append(name).push_back('\0');
    ReplyAttributeText(request, names, size);
}

void NotAFile(fuse_req_t request, const char* name) {
    fuse_reply_err(request, State(request).image.NotAFile(name));
}

void Init(void*, fuse_conn_info* connection) {
    // Always the listing with attributes: `ls -l` of a large directory then asks nothing
    // per entry (the kernel's default switches to names-only after the first batch).
    connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
}

fuse_lowlevel_ops Operations(bool writable) {
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
    ops.statfs = StatFs;
    if (!writable)
        return ops; // anything that would write finds the mount read-only
    ops.setattr = SetAttr;
    ops.create = Create;
    ops.write = Write;
    ops.flush = Flush;
    ops.fsync = Fsync;
    ops.fsyncdir = Fsync;
    ops.release = Release;
    ops.unlink = Unlink;
    ops.rmdir = RemoveDirectory;
    ops.mkdir = MakeDirectory;
    ops.rename = Rename;
    ops.setxattr = SetXattr;
    // Links, devices and pipes are nothing a BK disk holds.
    ops.symlink = [](fuse_req_t request, const char*, fuse_ino_t, const char* name) {
        NotAFile(request, name);
    };
    ops.link = [](fuse_req_t request, fuse_ino_t, fuse_ino_t, const char* name) {
        NotAFile(request, name);
    };
    ops.mknod = [](fuse_req_t request, fuse_ino_t, const char* name, mode_t, dev_t) {
        NotAFile(request, name);
    };
    return ops;
}

// libfuse's loop, but one that wakes when the changes that wait are due to be written.
int Serve(fuse_session* session, CMountedImage& mounted) {
    fuse_buf buffer{};
    int status = 0;
    while (!fuse_session_exited(session)) {
        int wait = -1;
        if (const auto due = mounted.WriteDue())
            wait = static_cast<int>(
                std::max<long long>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                           *due - std::chrono::steady_clock::now())
                                           .count()));
        pollfd request{fuse_session_fd(session), POLLIN, 0};
        const int ready = poll(&request, 1, wait);
        if (ready == 0)
            mounted.WriteWaiting();
        if (ready <= 0)
            continue; // written, or a signal: fuse_session_exited says whether to end
        const int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR || received == -EAGAIN)
            continue;
        if (received <= 0) { // unmounted (0), or the device failed
            status = received < 0 ? 1 : 0;
            break;
        }
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
    return status;
}

} // namespace

int MountImage(std::unique_ptr<CDiskImage> image, const std::string& imagePath,
               const std::string& folder, const MountOptions& options, bool foreground) {
    // Why a change failed goes where the user can read it: the terminal in the foreground,
    // the system log once the mount runs on its own.
    CMountedImage mounted(imagePath, std::move(image), options,
                          [foreground](const std::string& why) {
                              if (foreground)
                                  std::fprintf(stderr, "bkdisk: %s\n", why.c_str());
                              else
                                  syslog(LOG_WARNING, "%s", why.c_str());
                          });
    MountState state{mounted, options.writable, {}};
    struct stat info {};
    if (stat(imagePath.c_str(), &info) == 0)
        state.time = info.st_mtim;
    std::vector<std::string> args = {"bkdisk", "-o",
                                     std::string(options.writable ? "" : "ro,") +
                                         "default_permissions,fsname=bkdisk,subtype=bkdisk"};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    fuse_args fuseArgs = FUSE_ARGS_INIT(static_cast<int>(argv.size()), argv.data());
    const fuse_lowlevel_ops ops = Operations(options.writable);
    fuse_session* session = fuse_session_new(&fuseArgs, &ops, sizeof ops, &state);
    fuse_opt_free_args(&fuseArgs); // the copies libfuse made of them
    if (!session)
        return 1;
    int status = 1;
    if (fuse_set_signal_handlers(session) == 0) {
        if (fuse_session_mount(session, folder.c_str()) == 0) {
            if (fuse_daemonize(foreground ? 1 : 0) == 0)
                status = Serve(session, mounted);
            mounted.WriteAll();
            fuse_session_unmount(session);
        }
        fuse_remove_signal_handlers(session);
    }
    fuse_session_destroy(session);
    return status;
}
