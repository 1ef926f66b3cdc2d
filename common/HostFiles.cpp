#include "HostFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#endif

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <charconv>
#include <cstring>
#include <system_error>
#include <thread>
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

// What a replace must keep or check of the file it replaces.
struct PlaceInfo {
    FileIdentity identity;
    uint64_t links = 1;
    bool regular = false;
    bool writable = false;
    uint32_t owner = 0, group = 0, mode = 0; // POSIX only
};

// Each host's half of ReplaceableFile, below. The file at its place is always `name` of the
// folder, never followed if it is a link.
std::optional<PlaceInfo> InfoAtPlace(const HostFolder& folder, const fs::path& name);
std::optional<std::vector<uint8_t>> ReadAtPlace(const HostFolder& folder, const fs::path& name,
                                                uint64_t limit, std::string& reason,
                                                PlaceInfo& place);
std::optional<ChangeFailure> HolderOf(const HostFolder& folder, const fs::path& name,
                                      const PlaceInfo& place);
// The digest of what the file holds now, read a piece at a time.
std::optional<uint64_t> HashAtPlace(const HostFolder& folder, const fs::path& name);
// Gives the part file the replaced file's owner, group, mode and extended attributes; the
// reason when one cannot be kept.
std::optional<std::string> KeepOwnership(intptr_t part, const HostFolder& folder,
                                         const fs::path& name, const PlaceInfo& place);
// The lock of our writers on the folder's files, taken within `wait`.
bool LockFolder(const HostFolder& folder, std::chrono::milliseconds wait, intptr_t& lock);
void UnlockFolder(const HostFolder& folder, intptr_t& lock);
// The file's size at its place; `out.size()` bytes of it from `offset` (false when fewer
// are there); `bytes` written at `offset` and flushed to the disk.
std::optional<uint64_t> SizeAtPlace(const HostFolder& folder, const fs::path& name);
bool ReadAtOffset(const HostFolder& folder, const fs::path& name, uint64_t offset,
                  std::span<uint8_t> out);
bool WriteAtOffset(const HostFolder& folder, const fs::path& name, uint64_t offset,
                   std::span<const uint8_t> bytes, std::string& reason);
// The file gone for good: a journal must not come back to undo a later change.
void RemoveAtPlace(const HostFolder& folder, const fs::path& name);

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

WriteResult HostFolder::WriteFile(const fs::path& name, Parts parts, IfExists ifExists,
                                  std::span<const FileIdentity> neverReplace) const {
    return WriteFile(name, parts, ifExists, neverReplace, nullptr);
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

bool ReadingRefusedByHolder(const fs::path& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

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

namespace {

std::optional<PlaceInfo> InfoOfHandle(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info))
        return std::nullopt;
    PlaceInfo place;
    place.identity = {info.dwVolumeSerialNumber,
                      static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
    place.links = info.nNumberOfLinks;
    place.regular =
        !(info.dwFileAttributes &
          (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE));
    place.writable = !(info.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
    return place;
}

// The file `name` of the folder itself, a reparse point not followed.
HANDLE OpenAtPlace(const HostFolder& folder, const fs::path& name, DWORD access, DWORD share) {
    return CreateFileW((folder.Path() / name).c_str(), access, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::optional<std::vector<uint8_t>> ReadOpenFile(HANDLE file, std::string& reason, uint64_t limit) {
    LARGE_INTEGER size{};
    if (GetFileType(file) != FILE_TYPE_DISK) { // a pipe, or a device such as CON
        reason = Refusal(EINVAL);
        return std::nullopt;
    }
    if (!GetFileSizeEx(file, &size)) {
        reason = SystemReason(GetLastError());
        return std::nullopt;
    }
    return ReadUpTo(
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
}

std::optional<PlaceInfo> InfoAtPlace(const HostFolder& folder, const fs::path& name) {
    HANDLE file = OpenAtPlace(folder, name, FILE_READ_ATTRIBUTES, kShareAll);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    auto place = InfoOfHandle(file);
    CloseHandle(file);
    return place;
}

std::optional<std::vector<uint8_t>> ReadAtPlace(const HostFolder& folder, const fs::path& name,
                                                uint64_t limit, std::string& reason,
                                                PlaceInfo& place) {
    HANDLE file = OpenAtPlace(folder, name, GENERIC_READ, kShareAll);
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemReason(GetLastError());
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> data;
    if (const auto info = InfoOfHandle(file); !info)
        reason = SystemReason(GetLastError());
    else if (place = *info, !info->regular)
        reason = Refusal(EINVAL);
    else
        data = ReadOpenFile(file, reason, limit);
    CloseHandle(file);
    return data;
}

std::optional<uint64_t> HashAtPlace(const HostFolder& folder, const fs::path& name) {
    HANDLE file = OpenAtPlace(folder, name, GENERIC_READ, kShareAll);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    ContentHasher hasher;
    std::array<uint8_t, 1 << 16> piece;
    DWORD count = 0;
    bool read = false;
    while (
        (read = ReadFile(file, piece.data(), static_cast<DWORD>(piece.size()), &count, nullptr)) &&
        count > 0)
        hasher.Add(std::span(piece.data(), count));
    CloseHandle(file);
    return read ? std::optional(hasher.Value()) : std::nullopt;
}

// Opened by no one else: no sharing is then refused. Windows does not tell who holds it.
std::optional<uint64_t> SizeAtPlace(const HostFolder& folder, const fs::path& name) {
    HANDLE file = OpenAtPlace(folder, name, GENERIC_READ, kShareAll);
    LARGE_INTEGER size{};
    const bool known = file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &size);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return known ? std::optional(static_cast<uint64_t>(size.QuadPart)) : std::nullopt;
}

// An overlapped position for a synchronous handle: where ReadFile and WriteFile start.
OVERLAPPED At(uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

bool ReadAtOffset(const HostFolder& folder, const fs::path& name, uint64_t offset,
                  std::span<uint8_t> out) {
    HANDLE file = OpenAtPlace(folder, name, GENERIC_READ, kShareAll);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    size_t done = 0;
    for (DWORD got = 1; done < out.size() && got > 0; done += got) {
        OVERLAPPED at = At(offset + done);
        const auto count = static_cast<DWORD>(std::min<size_t>(out.size() - done, 1u << 30));
        if (!ReadFile(file, out.data() + done, count, &got, &at))
            got = 0;
    }
    CloseHandle(file);
    return done == out.size();
}

// Others may read meanwhile, as they may while a file is replaced; no one else writes.
bool WriteAtOffset(const HostFolder& folder, const fs::path& name, uint64_t offset,
                   std::span<const uint8_t> bytes, std::string& reason) {
    HANDLE file = OpenAtPlace(folder, name, GENERIC_WRITE, FILE_SHARE_READ);
    if (file == INVALID_HANDLE_VALUE) {
        reason = SystemReason(GetLastError());
        return false;
    }
    size_t done = 0;
    for (DWORD put = 1; done < bytes.size() && put > 0; done += put) {
        OVERLAPPED at = At(offset + done);
        const auto count = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        if (!::WriteFile(file, bytes.data() + done, count, &put, &at))
            put = 0;
    }
    const bool written = done == bytes.size() && FlushFileBuffers(file);
    if (!written)
        reason = SystemReason(GetLastError());
    CloseHandle(file);
    return written;
}

void RemoveAtPlace(const HostFolder& folder, const fs::path& name) {
    DeleteFileW((folder.Path() / name).c_str());
}

std::optional<ChangeFailure> HolderOf(const HostFolder& folder, const fs::path& name,
                                      const PlaceInfo&) {
    HANDLE file = OpenAtPlace(folder, name, GENERIC_READ, 0);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_SHARING_VIOLATION
                   ? std::optional(ChangeFailure(ChangeFailure::HeldOpen))
                   : std::nullopt;
    CloseHandle(file);
    return std::nullopt;
}

// The new file takes the folder's permissions, as the old one did.
std::optional<std::string> KeepOwnership(intptr_t, const HostFolder&, const fs::path&,
                                         const PlaceInfo&) {
    return std::nullopt;
}

// A mutex named after the folder's identity: the folder outlives every file replaced in it.
bool LockFolder(const HostFolder& folder, std::chrono::milliseconds wait, intptr_t& lock) {
    const auto identity = IdentityOf(folder.Path());
    if (!identity)
        return true; // nothing to name it by: the checks before the replace remain
    const std::wstring name = L"Local\\bk-tools-change-" + std::to_wstring(identity->device) +
                              L"-" + std::to_wstring(identity->file);
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex)
        return true;
    const DWORD waited = WaitForSingleObject(mutex, static_cast<DWORD>(wait.count()));
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) { // abandoned: its writer died
        CloseHandle(mutex);
        return false;
    }
    lock = reinterpret_cast<intptr_t>(mutex);
    return true;
}

void UnlockFolder(const HostFolder&, intptr_t& lock) {
    if (lock) {
        ReleaseMutex(reinterpret_cast<HANDLE>(lock));
        CloseHandle(reinterpret_cast<HANDLE>(lock));
    }
    lock = 0;
}

} // namespace

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

void HostFolder::FlushNames() const {} // as each rename was

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
                                  std::span<const FileIdentity> neverReplace,
                                  const BeforeRename& beforeRename) const {
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
    std::optional<WriteResult> stopped;
    if (!error && beforeRename)
        stopped = beforeRename(reinterpret_cast<intptr_t>(file));
    if (!error && !stopped && (attributes != kNoFile || m_sync == Sync::EachFile) &&
        !FlushFileBuffers(file))
        error = GetLastError();
    if (!CloseHandle(file) && !error)
        error = GetLastError();
    if (error || stopped) {
        DeleteFileW(part.c_str());
        return stopped ? *stopped : SystemFailure(Outcome::Failed, error);
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
    auto data = ReadOpenFile(file, reason, limit);
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

std::optional<std::vector<uint8_t>> ReadOpenFile(int fd, uint64_t size, uint64_t limit,
                                                 std::string& reason) {
    return ReadUpTo(
        size, limit,
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
}

} // namespace

namespace {

// What is known of a file at its place, from an open descriptor.
PlaceInfo InfoOf(const struct stat& info) {
    PlaceInfo place;
    place.identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
    place.links = static_cast<uint64_t>(info.st_nlink);
    place.regular = S_ISREG(info.st_mode);
    place.writable = (info.st_mode & 0222) != 0;
    place.owner = info.st_uid;
    place.group = info.st_gid;
    place.mode = info.st_mode & 07777;
    return place;
}

// The file `name` of the folder opened without following a link, for reading.
int OpenAtPlace(const HostFolder& folder, const fs::path& name) {
    return openat(static_cast<int>(folder.Handle()), name.c_str(),
                  O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// The program (its command name) of a process, as the system shows it.
std::string ProgramOf(const std::string& processFolder) {
    std::ifstream comm(processFolder + "/comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

// Whether the process has the file open, or mapped into its memory.
bool ProcessHasOpen(const std::string& processFolder, const FileIdentity& file) {
    const std::string fdFolder = processFolder + "/fd";
    if (DIR* fds = opendir(fdFolder.c_str())) {
        bool found = false;
        while (const dirent* fd = readdir(fds)) {
            // What the system knows already: asking a FUSE file system could wait on this
            // very process, when it is the one serving the file (bkdisk mount).
            struct statx info {};
            found = fd->d_name[0] != '.' &&
                    statx(AT_FDCWD, (fdFolder + "/" + fd->d_name).c_str(), AT_STATX_DONT_SYNC,
                          STATX_INO, &info) == 0 &&
                    makedev(info.stx_dev_major, info.stx_dev_minor) == file.device &&
                    info.stx_ino == file.file;
            if (found)
                break;
        }
        closedir(fds);
        if (found)
            return true;
    }
    std::ifstream maps(processFolder + "/maps");
    char device[32];
    for (std::string line; std::getline(maps, line);) {
        unsigned long long inode = 0;
        unsigned major = 0, minor = 0;
        if (std::sscanf(line.c_str(), "%*s %*s %*s %31s %llu", device, &inode) == 2 &&
            inode == file.file && std::sscanf(device, "%x:%x", &major, &minor) == 2 &&
            makedev(major, minor) == file.device)
            return true;
    }
    return false;
}

// A process of the host, other than this one, that has the file open; the system shows
// only the processes this user may look into.
std::optional<ChangeFailure> ProcessHolding(const FileIdentity& file) {
    DIR* processes = opendir("/proc");
    if (!processes)
        return std::nullopt;
    std::optional<ChangeFailure> holder;
    while (const dirent* process = readdir(processes)) {
        long processId = 0;
        const std::string_view name = process->d_name;
        const auto [end, error] =
            std::from_chars(name.data(), name.data() + name.size(), processId);
        if (error != std::errc() || end != name.data() + name.size() || processId == getpid())
            continue;
        const std::string folder = "/proc/" + std::string(name);
        if (ProcessHasOpen(folder, file)) {
            holder = ChangeFailure(ChangeFailure::HeldOpen);
            holder->program = ProgramOf(folder);
            holder->processId = processId;
            break;
        }
    }
    closedir(processes);
    return holder;
}

std::optional<PlaceInfo> InfoAtPlace(const HostFolder& folder, const fs::path& name) {
    struct stat info {};
    if (fstatat(static_cast<int>(folder.Handle()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        S_ISLNK(info.st_mode))
        return std::nullopt;
    return InfoOf(info);
}

std::optional<std::vector<uint8_t>> ReadAtPlace(const HostFolder& folder, const fs::path& name,
                                                uint64_t limit, std::string& reason,
                                                PlaceInfo& place) {
    const int fd = OpenAtPlace(folder, name);
    if (fd < 0) {
        reason = Refusal(errno);
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> data;
    struct stat info {};
    if (fstat(fd, &info) != 0)
        reason = Refusal(errno);
    else if (place = InfoOf(info), !S_ISREG(info.st_mode))
        reason = Refusal(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    else
        data = ReadOpenFile(fd, static_cast<uint64_t>(info.st_size), limit, reason);
    close(fd);
    return data;
}

std::optional<uint64_t> HashAtPlace(const HostFolder& folder, const fs::path& name) {
    const int fd = OpenAtPlace(folder, name);
    if (fd < 0)
        return std::nullopt;
    ContentHasher hasher;
    std::array<uint8_t, 1 << 16> piece;
    ssize_t count = 0;
    while ((count = read(fd, piece.data(), piece.size())) > 0 || (count < 0 && errno == EINTR))
        hasher.Add(std::span(piece.data(), static_cast<size_t>(std::max<ssize_t>(count, 0))));
    close(fd);
    return count == 0 ? std::optional(hasher.Value()) : std::nullopt;
}

// Whether a write lease is refused while the file is open only for reading elsewhere:
// kernels count readers for this only in some builds. Tried once, on a file of ours.
bool LeaseSeesReaders(int fd, const HostFolder& folder, const fs::path& name) {
    static const bool sees = [&] {
        const int reader = OpenAtPlace(folder, name);
        const bool granted = reader >= 0 && fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
        if (granted)
            fcntl(fd, F_SETLEASE, F_UNLCK);
        if (reader >= 0)
            close(reader);
        return reader >= 0 && !granted;
    }();
    return sees;
}

// A write lease is granted only while no one else has the file open: the cheap test.
// Where it cannot tell (not the owner, no leases on this file system, readers not counted)
// or to name the holder, the processes are looked through.
std::optional<uint64_t> SizeAtPlace(const HostFolder& folder, const fs::path& name) {
    struct stat info {};
    if (fstatat(static_cast<int>(folder.Handle()), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
}

bool ReadAtOffset(const HostFolder& folder, const fs::path& name, uint64_t offset,
                  std::span<uint8_t> out) {
    const int fd = OpenAtPlace(folder, name);
    if (fd < 0)
        return false;
    size_t done = 0;
    for (ssize_t got = 1; done < out.size() && got != 0;) {
        got = pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno != EINTR)
            break;
        done += static_cast<size_t>(std::max<ssize_t>(got, 0));
    }
    close(fd);
    return done == out.size();
}

bool WriteAtOffset(const HostFolder& folder, const fs::path& name, uint64_t offset,
                   std::span<const uint8_t> bytes, std::string& reason) {
    const int fd = openat(static_cast<int>(folder.Handle()), name.c_str(),
                          O_WRONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    bool written = fd >= 0;
    for (size_t done = 0; written && done < bytes.size();) {
        const ssize_t put =
            pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        written = put > 0 || (put < 0 && errno == EINTR);
        done += static_cast<size_t>(std::max<ssize_t>(put, 0));
    }
    written = written && fsync(fd) == 0;
    if (!written)
        reason = Refusal(errno);
    if (fd >= 0)
        close(fd);
    return written;
}

void RemoveAtPlace(const HostFolder& folder, const fs::path& name) {
    if (unlinkat(static_cast<int>(folder.Handle()), name.c_str(), 0) == 0)
        folder.FlushNames();
}

std::optional<ChangeFailure> HolderOf(const HostFolder& folder, const fs::path& name,
                                      const PlaceInfo& place) {
    int leaseError = 0;
    const int fd = OpenAtPlace(folder, name);
    if (fd >= 0) {
        const bool alone = fcntl(fd, F_SETLEASE, F_WRLCK) == 0;
        leaseError = alone ? 0 : errno;
        if (alone)
            fcntl(fd, F_SETLEASE, F_UNLCK);
        const bool sure = alone && LeaseSeesReaders(fd, folder, name);
        close(fd);
        if (sure)
            return std::nullopt;
    }
    if (auto holder = ProcessHolding(place.identity))
        return holder;
    if (leaseError == EAGAIN) // someone this user cannot look into
        return ChangeFailure(ChangeFailure::HeldOpen);
    return std::nullopt;
}

// Whether the new file has the attribute with this value already (a security label the
// system gave it, which only it may set).
bool HasAttribute(int fd, const char* attribute, const std::vector<char>& value) {
    std::vector<char> now(value.size() + 1);
    const ssize_t length = fgetxattr(fd, attribute, now.data(), now.size());
    return length == static_cast<ssize_t>(value.size()) &&
           std::equal(value.begin(), value.end(), now.begin());
}

// Owner and group first: a change of owner drops the set-user and set-group bits.
std::optional<std::string> KeepOwnership(intptr_t part, const HostFolder& folder,
                                         const fs::path& name, const PlaceInfo& place) {
    const int fd = static_cast<int>(part);
    struct stat now {};
    if (fstat(fd, &now) != 0)
        return Refusal(errno);
    if ((now.st_uid != place.owner || now.st_gid != place.group) &&
        fchown(fd, place.owner, place.group) != 0)
        return Refusal(errno);
    if (fchmod(fd, static_cast<mode_t>(place.mode)) != 0)
        return Refusal(errno);
    const int original = OpenAtPlace(folder, name);
    if (original < 0)
        return Refusal(errno);
    std::optional<std::string> failure;
    const ssize_t size = flistxattr(original, nullptr, 0);
    std::string names(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0 && flistxattr(original, names.data(), names.size()) != size)
        failure = Refusal(errno);
    for (size_t at = 0; !failure && at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
        const char* attribute = names.c_str() + at;
        const ssize_t length = fgetxattr(original, attribute, nullptr, 0);
        std::vector<char> value(length > 0 ? static_cast<size_t>(length) : 0);
        if (length < 0 ||
            (length > 0 && fgetxattr(original, attribute, value.data(), value.size()) != length))
            failure = std::string(attribute) + ": " + Refusal(errno);
        else if (!HasAttribute(fd, attribute, value) &&
                 fsetxattr(fd, attribute, value.data(), value.size(), 0) != 0)
            failure = std::string(attribute) + ": " + Refusal(errno);
    }
    close(original);
    return failure;
}

bool LockFolder(const HostFolder& folder, std::chrono::milliseconds wait, intptr_t& lock) {
    const int fd = static_cast<int>(folder.Handle());
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0)
            return lock = 1, true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return true; // a file system without locks: the checks before the replace remain
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void UnlockFolder(const HostFolder& folder, intptr_t& lock) {
    if (lock)
        flock(static_cast<int>(folder.Handle()), LOCK_UN);
    lock = 0;
}

} // namespace

// No POSIX holder can keep others from reading.
bool ReadingRefusedByHolder(const fs::path&) {
    return false;
}

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

void HostFolder::FlushNames() const {
    fsync(static_cast<int>(m_handle));
    m_changed = false;
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
                                  std::span<const FileIdentity> neverReplace,
                                  const BeforeRename& beforeRename) const {
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
    std::optional<WriteResult> stopped;
    if (!error && beforeRename)
        stopped = beforeRename(fd);
    if (!error && !stopped && (exists || m_sync == Sync::EachFile) && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && !error)
        error = errno;
    if (stopped) {
        unlinkat(folder, part.c_str(), 0);
        return *stopped;
    }
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
        data = ReadOpenFile(fd, static_cast<uint64_t>(info.st_size), limit, reason);
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

// Four lanes of eight bytes, each step a multiply and a rotation: quick on 800 KB, and
// any byte changed changes the digest but for a chance of one in 2^64.
constexpr uint64_t kHashPrime = 0x9E3779B97F4A7C15ull;

void ContentHasher::Block(const uint8_t* block) {
    for (int lane = 0; lane < 4; ++lane) {
        uint64_t word = 0;
        std::memcpy(&word, block + 8 * lane, 8);
        m_lanes[lane] = std::rotl((m_lanes[lane] ^ word) * kHashPrime, 29);
    }
}

void ContentHasher::Add(std::span<const uint8_t> bytes) {
    m_length += bytes.size();
    if (m_pendingSize > 0) {
        const size_t taken = std::min(bytes.size(), sizeof m_pending - m_pendingSize);
        std::memcpy(m_pending + m_pendingSize, bytes.data(), taken);
        m_pendingSize += taken;
        bytes = bytes.subspan(taken);
        if (m_pendingSize < sizeof m_pending)
            return;
        Block(m_pending);
        m_pendingSize = 0;
    }
    for (; bytes.size() >= sizeof m_pending; bytes = bytes.subspan(sizeof m_pending))
        Block(bytes.data());
    std::memcpy(m_pending, bytes.data(), bytes.size());
    m_pendingSize = bytes.size();
}

uint64_t ContentHasher::Value() const {
    ContentHasher last = *this;
    std::memset(last.m_pending + m_pendingSize, 0, sizeof m_pending - m_pendingSize);
    last.Block(last.m_pending);
    uint64_t hash = m_length * kHashPrime;
    for (const uint64_t lane : last.m_lanes)
        hash = std::rotl((hash ^ lane) * kHashPrime, 31);
    return hash ^ (hash >> 32);
}

uint64_t ContentHash(std::span<const uint8_t> bytes) {
    ContentHasher hasher;
    hasher.Add(bytes);
    return hasher.Value();
}

namespace {

// A holder that lets go within a moment (a reader of ours, between its opening and closing
// of the image) holds nothing: it is looked for again a few times before it counts.
std::optional<ChangeFailure> LastingHolderOf(const HostFolder& folder, const fs::path& name,
                                             const PlaceInfo& place) {
    auto holder = HolderOf(folder, name, place);
    for (int again = 0; holder && again < 8; ++again) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
        holder = HolderOf(folder, name, place);
    }
    return holder;
}

std::function<void()>& ReplaceSeam() {
    static std::function<void()> seam;
    return seam;
}

} // namespace

void ReplaceableFile::SetReplaceSeam(std::function<void()> seam) {
    ReplaceSeam() = std::move(seam);
}

ReplaceableFile::ReplaceableFile(fs::path named, fs::path name, HostFolder folder)
    : m_named(std::move(named)), m_name(std::move(name)), m_folder(std::move(folder)) {}

ReplaceableFile::ReplaceableFile(ReplaceableFile&& other) noexcept
    : m_named(std::move(other.m_named)), m_name(std::move(other.m_name)),
      m_folder(std::move(other.m_folder)), m_bytes(std::move(other.m_bytes)),
      m_identity(other.m_identity), m_hash(other.m_hash), m_links(other.m_links),
      m_lock(std::exchange(other.m_lock, 0)), m_keepLock(other.m_keepLock),
      m_patches(other.m_patches), m_size(other.m_size), m_pieces(std::move(other.m_pieces)) {}

ReplaceableFile& ReplaceableFile::operator=(ReplaceableFile&& other) noexcept {
    LetLockGo();
    m_named = std::move(other.m_named);
    m_name = std::move(other.m_name);
    m_folder = std::move(other.m_folder);
    m_bytes = std::move(other.m_bytes);
    m_identity = other.m_identity;
    m_hash = other.m_hash;
    m_links = other.m_links;
    m_lock = std::exchange(other.m_lock, 0);
    m_keepLock = other.m_keepLock;
    m_patches = other.m_patches;
    m_size = other.m_size;
    m_pieces = std::move(other.m_pieces);
    return *this;
}

ReplaceableFile::~ReplaceableFile() {
    LetLockGo();
}

bool ReplaceableFile::TakeLock(std::chrono::milliseconds wait, ChangeFailure& failure) {
    if (m_lock || LockFolder(m_folder, wait, m_lock))
        return true;
    failure = ChangeFailure(ChangeFailure::Locked);
    return false;
}

void ReplaceableFile::LetLockGo() {
    if (m_lock)
        UnlockFolder(m_folder, m_lock);
}

// The link, if the path is one, is followed here once: its target's folder is held, and
// only that file is ever replaced.
std::optional<ReplaceableFile> ReplaceableFile::Locate(const fs::path& path, bool lockFirst,
                                                       std::chrono::milliseconds wait,
                                                       ChangeFailure& failure) {
    failure = {};
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    if (error) {
        failure = ChangeFailure(ChangeFailure::CannotRead, error.message());
        return std::nullopt;
    }
    std::string reason;
    auto folder = HostFolder::Open(real.parent_path(), false, reason);
    if (!folder) {
        failure = ChangeFailure(ChangeFailure::CannotRead, reason);
        return std::nullopt;
    }
    ReplaceableFile file(path, real.filename(), std::move(*folder));
    if (!file.TakeLock(wait, failure))
        return std::nullopt;
    file.m_keepLock = lockFirst;
    return file;
}

std::optional<ReplaceableFile> ReplaceableFile::Open(const fs::path& path, uint64_t limit,
                                                     bool lockFirst, std::chrono::milliseconds wait,
                                                     ChangeFailure& failure) {
    auto file = Locate(path, lockFirst, wait, failure);
    if (!file)
        return std::nullopt;
    PlaceInfo place;
    std::string reason;
    auto bytes = ReadAtPlace(file->m_folder, file->m_name, limit, reason, place);
    if (!lockFirst)
        file->LetLockGo();
    if (!bytes) {
        const bool tooLarge = reason == Refusal(EFBIG);
        failure = ChangeFailure(tooLarge ? ChangeFailure::TooLarge : ChangeFailure::CannotRead,
                                tooLarge ? std::string() : reason);
        return std::nullopt;
    }
    if (!place.writable) {
        failure = ChangeFailure(ChangeFailure::ReadOnly);
        return std::nullopt;
    }
    file->m_identity = place.identity;
    file->m_links = place.links;
    file->m_hash = ContentHash(*bytes);
    file->m_bytes = std::move(*bytes);
    return file;
}

namespace {

// The undo journal of a patch: what it replaces, and where, of which file.
constexpr char kUndoMagic[8] = {'B', 'K', 'U', 'N', 'D', 'O', '0', '1'};
struct UndoHeader {
    char magic[8];
    uint64_t device, file, size, offset, length, patched; // patched: the new bytes' digest
};

fs::path UndoName(const fs::path& name) {
    return fs::path(".").concat(name.native()).concat(".bk-undo");
}

std::function<void()>& PatchSeam() {
    static std::function<void()> seam;
    return seam;
}

} // namespace

void ReplaceableFile::SetPatchSeam(std::function<void()> seam) {
    PatchSeam() = std::move(seam);
}

std::optional<ReplaceableFile> ReplaceableFile::OpenForPatches(const fs::path& path, bool lockFirst,
                                                               std::chrono::milliseconds wait,
                                                               ChangeFailure& failure) {
    auto file = Locate(path, lockFirst, wait, failure);
    if (!file)
        return std::nullopt;
    const auto place = InfoAtPlace(file->m_folder, file->m_name);
    const auto size = SizeAtPlace(file->m_folder, file->m_name);
    if (!place || !place->regular || !size)
        failure = ChangeFailure(ChangeFailure::CannotRead, Refusal(place ? EINVAL : ENOENT));
    else if (!place->writable)
        failure = ChangeFailure(ChangeFailure::ReadOnly);
    else if (file->m_identity = place->identity, !file->UndoHalfPatch(*size, failure))
        return std::nullopt;
    if (!lockFirst)
        file->LetLockGo();
    if (failure.kind != ChangeFailure::None)
        return std::nullopt;
    file->m_links = place->links;
    file->m_size = *size;
    file->m_patches = true;
    return file;
}

void ReplaceableFile::UndoInterruptedPatch(const fs::path& path, std::chrono::milliseconds wait) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    if (error || !fs::exists(real.parent_path() / UndoName(real.filename()), error))
        return;
    ChangeFailure failure;
    OpenForPatches(path, false, wait, failure);
}

// A patch whose run was killed is finished where the new bytes all reached the file, and
// else undone: the journal's old bytes written back.
bool ReplaceableFile::UndoHalfPatch(uint64_t size, ChangeFailure& failure) {
    const fs::path undo = UndoName(m_name);
    PlaceInfo place;
    std::string reason;
    const auto journal = ReadAtPlace(m_folder, undo, size + sizeof(UndoHeader), reason, place);
    UndoHeader header{};
    if (!journal || journal->size() < sizeof header)
        return true;
    std::memcpy(&header, journal->data(), sizeof header);
    const std::span<const uint8_t> was = std::span(*journal).subspan(sizeof header);
    if (std::memcmp(header.magic, kUndoMagic, sizeof kUndoMagic) != 0)
        return true; // not ours
    const bool same = FileIdentity{header.device, header.file} == m_identity &&
                      header.size == size && header.length == was.size() && header.offset <= size &&
                      header.length <= size - header.offset;
    std::vector<uint8_t> now(same ? was.size() : 0);
    if (same && ReadAtOffset(m_folder, m_name, header.offset, now) &&
        ContentHash(now) != header.patched &&
        !WriteAtOffset(m_folder, m_name, header.offset, was, reason)) {
        failure = ChangeFailure(ChangeFailure::WriteFailed);
        failure.write = {Outcome::Failed, reason};
        return false;
    }
    RemoveAtPlace(m_folder, undo);
    return true;
}

std::optional<std::vector<uint8_t>> ReplaceableFile::ReadPiece(uint64_t offset, uint64_t size) {
    if (offset > m_size || size > m_size - offset)
        return std::nullopt;
    std::vector<uint8_t> piece(static_cast<size_t>(size));
    if (!ReadAtOffset(m_folder, m_name, offset, piece))
        return std::nullopt;
    m_pieces.push_back({offset, size, ContentHash(piece)});
    return piece;
}

// Read again a block at a time: a piece may be a logical disk of many megabytes.
bool ReplaceableFile::PiecesUnchanged() const {
    std::vector<uint8_t> block(1 << 16);
    return std::all_of(m_pieces.begin(), m_pieces.end(), [&](const Piece& piece) {
        ContentHasher hasher;
        for (uint64_t done = 0; done < piece.size;) {
            const auto now = std::span(block).first(
                static_cast<size_t>(std::min<uint64_t>(block.size(), piece.size - done)));
            if (!ReadAtOffset(m_folder, m_name, piece.offset + done, now))
                return false;
            hasher.Add(now);
            done += now.size();
        }
        return hasher.Value() == piece.hash;
    });
}

bool ReplaceableFile::Patch(uint64_t offset, std::span<const uint8_t> bytes,
                            std::span<const uint8_t> was, std::chrono::milliseconds wait,
                            ChangeFailure& failure) {
    failure = {};
    if (!m_patches || bytes.size() != was.size()) {
        failure = ChangeFailure(ChangeFailure::Changed);
        return false;
    }
    if (!TakeLock(wait, failure))
        return false;
    if (ReplaceSeam())
        ReplaceSeam()();
    const auto place = InfoAtPlace(m_folder, m_name);
    const auto named = IdentityOf(m_named);
    if (!place || !place->regular || place->identity != m_identity || !named ||
        *named != m_identity || SizeAtPlace(m_folder, m_name) != std::optional(m_size) ||
        !PiecesUnchanged())
        failure = ChangeFailure(ChangeFailure::Changed);
    else if (auto holder = LastingHolderOf(m_folder, m_name, *place))
        failure = std::move(*holder);
    else
        WriteThroughJournal(offset, bytes, was, failure);
    if (!m_keepLock)
        LetLockGo();
    return failure.kind == ChangeFailure::None;
}

// The journal is complete and durable before the first byte of the file changes, and goes
// once the last one is on the disk.
void ReplaceableFile::WriteThroughJournal(uint64_t offset, std::span<const uint8_t> bytes,
                                          std::span<const uint8_t> was, ChangeFailure& failure) {
    UndoHeader header{{},     m_identity.device, m_identity.file,   m_size,
                      offset, was.size(),        ContentHash(bytes)};
    std::memcpy(header.magic, kUndoMagic, sizeof kUndoMagic);
    const fs::path undo = UndoName(m_name);
    const auto head = std::span(reinterpret_cast<const uint8_t*>(&header), sizeof header);
    const WriteResult journal = m_folder.WriteFile(undo, {head, was}, IfExists::Replace);
    std::string reason;
    if (journal.outcome != Outcome::Written) {
        failure = ChangeFailure(ChangeFailure::WriteFailed);
        failure.write = journal;
        return;
    }
    m_folder.FlushNames();
    if (PatchSeam())
        PatchSeam()();
    if (!WriteAtOffset(m_folder, m_name, offset, bytes, reason)) {
        failure = ChangeFailure(ChangeFailure::WriteFailed);
        failure.write = {Outcome::Failed, reason};
        if (!WriteAtOffset(m_folder, m_name, offset, was, reason))
            return; // the journal stays, for the next opening to undo the rest
    }
    RemoveAtPlace(m_folder, undo);
}

std::optional<ChangeFailure> HeldElsewhere(const fs::path& path) {
    std::error_code error;
    const fs::path real = fs::canonical(path, error);
    std::string reason;
    const auto folder = error ? std::nullopt : HostFolder::Open(real.parent_path(), false, reason);
    const auto place = folder ? InfoAtPlace(*folder, real.filename()) : std::nullopt;
    return place ? LastingHolderOf(*folder, real.filename(), *place) : std::nullopt;
}

bool ReplaceableFile::Replace(Parts parts, bool breakLinks, std::chrono::milliseconds wait,
                              ChangeFailure& failure) {
    failure = {};
    if (!TakeLock(wait, failure))
        return false;
    // Every check that can refuse is made with the new file written: what is left between
    // them and the rename is the flush.
    const auto check = [&](intptr_t part) -> std::optional<WriteResult> {
        if (ReplaceSeam())
            ReplaceSeam()();
        const auto place = InfoAtPlace(m_folder, m_name);
        const auto named = IdentityOf(m_named);
        if (!place || !place->regular || place->identity != m_identity || !named ||
            *named != m_identity)
            failure = ChangeFailure(ChangeFailure::Changed);
        else if (place->links > 1 && !breakLinks)
            failure = ChangeFailure(ChangeFailure::HardLinked), failure.links = place->links;
        else if (HashAtPlace(m_folder, m_name) != std::optional(m_hash))
            failure = ChangeFailure(ChangeFailure::Changed);
        else if (const auto kept = KeepOwnership(part, m_folder, m_name, *place))
            failure = ChangeFailure(ChangeFailure::Ownership, *kept);
        else if (auto holder = LastingHolderOf(m_folder, m_name, *place))
            failure = std::move(*holder);
        return failure.kind == ChangeFailure::None
                   ? std::nullopt
                   : std::optional(WriteResult{Outcome::NotCreated, {}});
    };
    const WriteResult written = m_folder.WriteFile(m_name, parts, IfExists::Replace, {}, check);
    if (!m_keepLock)
        LetLockGo();
    if (failure.kind != ChangeFailure::None)
        return false;
    if (written.outcome != Outcome::Written) {
        failure = ChangeFailure(ChangeFailure::WriteFailed);
        failure.write = written;
        return false;
    }
    return true;
}

} // namespace hostfiles
