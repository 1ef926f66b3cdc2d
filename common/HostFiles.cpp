#include "HostFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#endif

#include <algorithm>
#include <atomic>
#include <charconv>
#include <system_error>
#include <utility>

namespace fs = std::filesystem;

namespace hostfiles {

namespace {

constexpr std::string_view kPartPrefix = ".bk-tools-";
constexpr std::string_view kOldPartPrefix = ".ravelko-"; // what earlier versions left
constexpr std::string_view kPartSuffix = ".part";
constexpr int kPartFileAttempts = 100;

// A name for the file being written next to its place, new on every call of this process.
fs::path PartFileName(long processId) {
    static std::atomic<unsigned> counter{0};
    return std::string(kPartPrefix) + std::to_string(processId) + "-" + std::to_string(counter++) +
           std::string(kPartSuffix);
}

// PREFIX + digits + "-" + digits + ".part"
bool ParsePartName(std::string_view name, std::string_view prefix, long& processId) {
    if (!name.starts_with(prefix) || !name.ends_with(kPartSuffix))
        return false;
    name = name.substr(prefix.size(), name.size() - prefix.size() - kPartSuffix.size());
    const auto dash = name.find('-');
    if (dash == std::string_view::npos || dash == 0)
        return false;
    const std::string_view serial = name.substr(dash + 1);
    const auto [end, error] = std::from_chars(name.data(), name.data() + dash, processId);
    return error == std::errc() && end == name.data() + dash && !serial.empty() &&
           serial.find_first_not_of("0123456789") == std::string_view::npos && processId > 0;
}

// Our part files, of this version or an earlier one; `processId` is their writer's.
bool IsPartFileName(const std::string& name, long& processId) {
    return ParsePartName(name, kPartPrefix, processId) ||
           ParsePartName(name, kOldPartPrefix, processId);
}

std::string Refusal(int error) {
    return std::generic_category().message(error);
}

// The rest of a file that held `size` bytes when it was opened, through `readSome` (the
// count read into its span, 0 at the end, none on failure with the reason given). The
// buffer has a byte to spare, so that the end is seen without growing it.
template <class ReadSome>
std::optional<std::vector<uint8_t>> ReadUpTo(uint64_t size, uint64_t limit, ReadSome readSome,
                                             std::string& reason) {
    if (size > limit) {
        reason = Refusal(EFBIG);
        return std::nullopt;
    }
    std::vector<uint8_t> data(static_cast<size_t>(size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == data.size()) {
            if (got > limit) {
                reason = Refusal(EFBIG);
                return std::nullopt;
            }
            data.resize(static_cast<size_t>(std::min<uint64_t>(limit + 1, got * 2)));
        }
        const std::optional<size_t> count = readSome(std::span(data).subspan(got));
        if (!count)
            return std::nullopt;
        if (*count == 0)
            break;
        got += *count;
    }
    data.resize(got);
    return data;
}

WriteResult Refused(Outcome outcome) {
    return {outcome, {}};
}

} // namespace

HostFolder::HostFolder(fs::path path, intptr_t handle, Sync sync, bool root)
    : m_path(std::move(path)), m_handle(handle), m_sync(sync), m_root(root) {
    RemoveStaleParts();
}

HostFolder::HostFolder(HostFolder&& other) noexcept
    : m_path(std::move(other.m_path)), m_handle(std::exchange(other.m_handle, -1)),
      m_sync(other.m_sync), m_root(other.m_root), m_changed(other.m_changed) {}

HostFolder& HostFolder::operator=(HostFolder&& other) noexcept {
    std::swap(m_path, other.m_path);
    std::swap(m_handle, other.m_handle);
    std::swap(m_sync, other.m_sync);
    std::swap(m_root, other.m_root);
    std::swap(m_changed, other.m_changed);
    return *this;
}

WriteResult SaveFile(const fs::path& path, Parts parts) {
    std::string reason;
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    const auto folder = HostFolder::Open(parent, false, reason);
    if (!folder)
        return {Outcome::NotCreated, reason};
    return folder->WriteFile(path.filename(), parts, IfExists::Replace);
}

#ifdef _WIN32

namespace {

std::string Utf8(const std::wstring& wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// The system's words for an error, in UTF-8 whatever the code page.
std::string SystemReason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring words(text ? text : L"", length);
    LocalFree(text);
    while (!words.empty() && (words.back() == L'\n' || words.back() == L'\r' ||
                              words.back() == L'.' || words.back() == L' '))
        words.pop_back();
    return words.empty() ? "error " + std::to_string(error) : Utf8(words);
}

WriteResult SystemFailure(Outcome otherwise, DWORD error) {
    const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL;
    return {full ? Outcome::DiskFull : otherwise, SystemReason(error)};
}

constexpr DWORD kNoFile = INVALID_FILE_ATTRIBUTES;

DWORD Attributes(const fs::path& path) {
    return GetFileAttributesW(path.c_str());
}

// A process that ended or never was; its part files are no one's.
bool ProcessIsGone(long processId) {
    HANDLE process =
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
    if (!process)
        return GetLastError() == ERROR_INVALID_PARAMETER;
    DWORD code = 0;
    const bool ended = GetExitCodeProcess(process, &code) && code != STILL_ACTIVE;
    CloseHandle(process);
    return ended;
}

} // namespace

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    HANDLE file =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!known)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber,
                        static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

std::optional<HostFolder> HostFolder::Open(const fs::path& path, bool create, std::string& reason,
                                           Sync sync) {
    std::error_code error;
    if (create)
        fs::create_directories(path, error);
    const DWORD attributes = Attributes(path);
    if (attributes == kNoFile || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        reason =
            attributes == kNoFile ? SystemReason(GetLastError()) : SystemReason(ERROR_DIRECTORY);
        return std::nullopt;
    }
    return HostFolder(path, 0, sync, true);
}

HostFolder::~HostFolder() = default; // MOVEFILE_WRITE_THROUGH made each rename durable

std::optional<HostFolder> HostFolder::OpenChild(const fs::path& name, WriteResult& failure) const {
    const fs::path path = m_path / name;
    DWORD attributes = Attributes(path);
    if (attributes == kNoFile) {
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            failure = SystemFailure(Outcome::NotCreated, GetLastError());
            return std::nullopt;
        }
        attributes = Attributes(path);
    }
    if (attributes != kNoFile && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        failure = Refused(Outcome::Link);
        return std::nullopt;
    }
    if (attributes == kNoFile || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        failure = Refused(Outcome::NotRegular);
        return std::nullopt;
    }
    return HostFolder(path, 0, m_sync, false);
}

WriteResult HostFolder::WriteFile(const fs::path& name, Parts parts, IfExists ifExists,
                                  std::span<const FileIdentity> neverReplace) const {
    const fs::path path = m_path / name;
    const DWORD attributes = Attributes(path);
    if (attributes != kNoFile) {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return Refused(Outcome::Link);
        if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE))
            return Refused(Outcome::NotRegular);
        if (ifExists == IfExists::Keep)
            return Refused(Outcome::Exists);
        const auto identity = IdentityOf(path);
        if (identity &&
            std::find(neverReplace.begin(), neverReplace.end(), *identity) != neverReplace.end())
            return Refused(Outcome::Protected);
    }
    fs::path part;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kPartFileAttempts; ++attempt) {
        part = m_path / PartFileName(static_cast<long>(GetCurrentProcessId()));
        file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE)
        return SystemFailure(Outcome::NotCreated, GetLastError());
    DWORD error = 0;
    for (const auto& bytes : parts) {
        for (size_t done = 0; !error && done < bytes.size();) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0)
                error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
            done += written;
        }
    }
    if (!error && (attributes != kNoFile || m_sync == Sync::EachFile) && !FlushFileBuffers(file))
        error = GetLastError();
    if (!CloseHandle(file) && !error)
        error = GetLastError();
    if (error) {
        DeleteFileW(part.c_str());
        return SystemFailure(Outcome::Failed, error);
    }
    const DWORD flags =
        MOVEFILE_WRITE_THROUGH | (ifExists == IfExists::Replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExW(part.c_str(), path.c_str(), flags)) {
        m_changed = true;
        return {};
    }
    error = GetLastError();
    DeleteFileW(part.c_str());
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Refused(Outcome::Exists); // it came while we wrote
    return SystemFailure(Outcome::NotCreated, error);
}

std::optional<std::vector<uint8_t>> ReadRegularFile(const fs::path& path, uint64_t limit,
                                                    std::string& reason) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        const DWORD attributes = Attributes(path);
        reason = attributes != kNoFile && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? Refusal(EISDIR)
                     : SystemReason(error);
        return std::nullopt;
    }
    LARGE_INTEGER size{};
    std::optional<std::vector<uint8_t>> data;
    if (GetFileType(file) != FILE_TYPE_DISK) // a pipe, or a device such as CON
        reason = Refusal(EINVAL);
    else if (!GetFileSizeEx(file, &size))
        reason = SystemReason(GetLastError());
    else
        data = ReadUpTo(
            static_cast<uint64_t>(size.QuadPart), limit,
            [&](std::span<uint8_t> into) -> std::optional<size_t> {
                DWORD got = 0;
                const auto count = static_cast<DWORD>(std::min<size_t>(into.size(), 1u << 30));
                if (!ReadFile(file, into.data(), count, &got, nullptr)) {
                    reason = SystemReason(GetLastError());
                    return std::nullopt;
                }
                return got;
            },
            reason);
    CloseHandle(file);
    return data;
}

std::optional<HostFolder::Space> HostFolder::FreeSpace() const {
    ULARGE_INTEGER available{}, total{}, free{};
    if (!GetDiskFreeSpaceExW(m_path.c_str(), &available, &total, &free))
        return std::nullopt;
    return Space{available.QuadPart, 4096};
}

void HostFolder::RemoveStaleParts() const {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((m_path / L"*.part").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const fs::path name = found.cFileName;
        const std::u8string text = name.u8string();
        long processId = 0;
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
            IsPartFileName(std::string(text.begin(), text.end()), processId) &&
            processId != static_cast<long>(GetCurrentProcessId()) && ProcessIsGone(processId))
            DeleteFileW((m_path / name).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

#else

namespace {

WriteResult SystemFailure(Outcome otherwise, int error) {
    const bool full = error == ENOSPC || error == EDQUOT || error == EFBIG;
    return {full ? Outcome::DiskFull : otherwise, std::generic_category().message(error)};
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = EIO;
            return false;
        }
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

// Moves the finished part file to `name` without replacing anything that came there in
// the meantime. Some file systems lack the kernel's no-replace rename; a hard link does
// the same, and where there are none either, a last look before the rename must do.
int RenameNoReplace(int folder, const char* part, const char* name) {
    if (renameat2(folder, part, folder, name, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP)
        return errno;
    if (linkat(folder, part, folder, name, 0) == 0) {
        unlinkat(folder, part, 0);
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EOPNOTSUPP)
        return errno;
    struct stat info {};
    if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return renameat(folder, part, folder, name) == 0 ? 0 : errno;
}

bool ProcessIsGone(long processId) {
    return kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH;
}

} // namespace

std::optional<FileIdentity> IdentityOf(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return std::nullopt;
    return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

std::optional<HostFolder> HostFolder::Open(const fs::path& path, bool create, std::string& reason,
                                           Sync sync) {
    std::error_code error;
    if (create && !path.empty())
        fs::create_directories(path, error);
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        reason = std::generic_category().message(errno);
        return std::nullopt;
    }
    return HostFolder(path, fd, sync, true);
}

HostFolder::~HostFolder() {
    if (m_handle < 0)
        return;
    const int fd = static_cast<int>(m_handle);
    if (m_sync == Sync::EachFile && m_changed)
        fsync(fd);
    else if (m_sync == Sync::AtTheEnd && m_root)
        syncfs(fd); // every folder and file the batch wrote below it
    close(fd);
}

std::optional<HostFolder> HostFolder::OpenChild(const fs::path& name, WriteResult& failure) const {
    const int folder = static_cast<int>(m_handle);
    struct stat info {};
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        if (mkdirat(folder, name.c_str(), 0777) != 0 && errno != EEXIST) {
            failure = SystemFailure(Outcome::NotCreated, errno);
            return std::nullopt;
        }
        m_changed = true;
    } else if (S_ISLNK(info.st_mode)) {
        failure = Refused(Outcome::Link);
        return std::nullopt;
    }
    const int fd = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        failure =
            errno == ELOOP ? Refused(Outcome::Link) : SystemFailure(Outcome::NotCreated, errno);
        return std::nullopt;
    }
    return HostFolder(m_path / name, fd, m_sync, false);
}

WriteResult HostFolder::WriteFile(const fs::path& name, Parts parts, IfExists ifExists,
                                  std::span<const FileIdentity> neverReplace) const {
    const int folder = static_cast<int>(m_handle);
    struct stat old {};
    const bool exists = fstatat(folder, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        if (S_ISLNK(old.st_mode))
            return Refused(Outcome::Link);
        if (!S_ISREG(old.st_mode)) // a FIFO would block, a device swallow or mangle the data
            return Refused(Outcome::NotRegular);
        if (ifExists == IfExists::Keep)
            return Refused(Outcome::Exists);
        const FileIdentity identity{static_cast<uint64_t>(old.st_dev),
                                    static_cast<uint64_t>(old.st_ino)};
        if (std::find(neverReplace.begin(), neverReplace.end(), identity) != neverReplace.end())
            return Refused(Outcome::Protected);
    }
    fs::path part;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kPartFileAttempts; ++attempt) {
        part = PartFileName(static_cast<long>(getpid()));
        fd = openat(folder, part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return SystemFailure(Outcome::NotCreated, errno);
    int error = 0;
    if (exists)
        fchmod(fd, old.st_mode & 0777); // the replaced file's permissions, not the umask's
    for (const auto& bytes : parts) {
        if (!error && !WriteAll(fd, bytes))
            error = errno;
    }
    if (!error && (exists || m_sync == Sync::EachFile) && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (!error) {
        error = ifExists == IfExists::Replace
                    ? (renameat(folder, part.c_str(), folder, name.c_str()) == 0 ? 0 : errno)
                    : RenameNoReplace(folder, part.c_str(), name.c_str());
        if (!error) {
            m_changed = true;
            return {};
        }
        unlinkat(folder, part.c_str(), 0);
        if (error == EEXIST && ifExists == IfExists::Keep)
            return Refused(Outcome::Exists); // it came while we wrote
        if (error == EISDIR || error == ENOTEMPTY || error == EEXIST)
            return Refused(Outcome::NotRegular);
        return SystemFailure(Outcome::NotCreated, error);
    }
    unlinkat(folder, part.c_str(), 0);
    return SystemFailure(Outcome::Failed, error);
}

std::optional<std::vector<uint8_t>> ReadRegularFile(const fs::path& path, uint64_t limit,
                                                    std::string& reason) {
    // Not blocking: a FIFO's open must not wait for a writer before it is refused.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        reason = Refusal(errno);
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::vector<uint8_t>> data;
    if (fstat(fd, &info) != 0)
        reason = Refusal(errno);
    else if (!S_ISREG(info.st_mode))
        reason = Refusal(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    else
        data = ReadUpTo(
            static_cast<uint64_t>(info.st_size), limit,
            [&](std::span<uint8_t> into) -> std::optional<size_t> {
                ssize_t count = 0;
                do
                    count = read(fd, into.data(), into.size());
                while (count < 0 && errno == EINTR);
                if (count < 0) {
                    reason = Refusal(errno);
                    return std::nullopt;
                }
                return static_cast<size_t>(count);
            },
            reason);
    close(fd);
    return data;
}

std::optional<HostFolder::Space> HostFolder::FreeSpace() const {
    struct statvfs info {};
    if (fstatvfs(static_cast<int>(m_handle), &info) != 0 || info.f_frsize == 0)
        return std::nullopt;
    const uint64_t blocks = geteuid() == 0 ? info.f_bfree : info.f_bavail;
    return Space{blocks * info.f_frsize, info.f_frsize};
}

void HostFolder::RemoveStaleParts() const {
    const int copy = dup(static_cast<int>(m_handle));
    DIR* listing = copy >= 0 ? fdopendir(copy) : nullptr;
    if (!listing) {
        if (copy >= 0)
            close(copy);
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        long processId = 0;
        struct stat info {};
        if (IsPartFileName(entry->d_name, processId) && processId != getpid() &&
            fstatat(copy, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_uid == geteuid() && ProcessIsGone(processId))
            unlinkat(copy, entry->d_name, 0);
    }
    closedir(listing);
}

#endif

} // namespace hostfiles
