#include "HostPlatform.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <array>
#include <cstdio>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

#include <algorithm>
#include <atomic>

namespace fs = std::filesystem;

namespace {

// "", "." and ".." name no file on any host: "_", "_" and "__" stand for them.
bool IsDotName(std::string_view name) {
    return name.empty() || name == "." || name == "..";
}

std::string DotNameSubstitute(std::string_view name) {
    return std::string(std::max<size_t>(name.size(), 1), '_');
}

// A name for the file being written next to `path`, new on every call of this process.
fs::path PartFileName(const fs::path& path, long processId) {
    static std::atomic<unsigned> counter{0};
    return path.parent_path() /
           (".ravelko-" + std::to_string(processId) + "-" + std::to_string(counter++) + ".part");
}

constexpr int kPartFileAttempts = 100;

} // namespace

#ifdef _WIN32

namespace {

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9 name devices, with any extension and trailing
// spaces before it.
bool IsReservedDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end())
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

std::string WideToUtf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.pop_back();
    return out;
}

} // namespace

std::string SafeHostName(std::string_view name) {
    if (IsDotName(name))
        return DotNameSubstitute(name);
    std::string safe(name);
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 ||
            std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            c = '_';
    }
    for (auto c = safe.rbegin(); c != safe.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
    if (IsReservedDeviceName(safe))
        safe.insert(std::min(safe.find('.'), safe.size()), "_");
    return safe;
}

FileWrite ReplaceHostFile(const fs::path& path,
                          std::initializer_list<std::span<const uint8_t>> parts) {
    std::error_code error;
    const auto status = fs::symlink_status(path, error);
    if (fs::is_symlink(status))
        return FileWrite::Link;
    if (fs::exists(status) && !fs::is_regular_file(status))
        return FileWrite::NotRegular;
    fs::path part;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; file == INVALID_HANDLE_VALUE && attempt < kPartFileAttempts; ++attempt) {
        part = PartFileName(path, static_cast<long>(GetCurrentProcessId()));
        file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE)
        return FileWrite::NotCreated;
    bool complete = true;
    for (const auto& bytes : parts) {
        for (size_t done = 0; complete && done < bytes.size();) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
            DWORD written = 0;
            complete =
                WriteFile(file, bytes.data() + done, chunk, &written, nullptr) && written > 0;
            done += written;
        }
    }
    complete = CloseHandle(file) && complete;
    if (complete && MoveFileExW(part.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
        return FileWrite::Written;
    DeleteFileW(part.c_str());
    return complete ? FileWrite::NotCreated : FileWrite::Failed;
}

std::optional<fs::path> GetTempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return std::nullopt;
    std::wstring folder(buffer, length);
    while (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return fs::path(folder);
}

TextForm HostTextForm() {
    return TextForm::Cp1251CrLf;
}

bool HostUsesWideDropPaths() {
    return true;
}

std::vector<std::string> Utf8Arguments(int, char**) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i)
        arguments.push_back(WideToUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

void UseBinaryUtf8Output() {
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
}

#else

std::string SafeHostName(std::string_view name) {
    if (IsDotName(name))
        return DotNameSubstitute(name);
    std::string safe(name);
    std::replace(safe.begin(), safe.end(), '/', '_');
    std::replace(safe.begin(), safe.end(), '\0', '_');
    return safe;
}

namespace {

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes = bytes.subspan(static_cast<size_t>(written));
    }
    return true;
}

} // namespace

FileWrite ReplaceHostFile(const fs::path& path,
                          std::initializer_list<std::span<const uint8_t>> parts) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0) {
        if (S_ISLNK(info.st_mode))
            return FileWrite::Link;
        if (!S_ISREG(info.st_mode)) // a FIFO would block, a device swallow or mangle the data
            return FileWrite::NotRegular;
    }
    fs::path part;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < kPartFileAttempts; ++attempt) {
        part = PartFileName(path, static_cast<long>(getpid()));
        fd = open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return FileWrite::NotCreated;
    bool complete = true;
    for (const auto& bytes : parts)
        complete = complete && WriteAll(fd, bytes);
    complete = close(fd) == 0 && complete;
    if (complete && rename(part.c_str(), path.c_str()) == 0)
        return FileWrite::Written;
    const bool directoryInTheWay = errno == EISDIR || errno == ENOTEMPTY || errno == EEXIST;
    unlink(part.c_str());
    if (!complete)
        return FileWrite::Failed;
    return directoryInTheWay ? FileWrite::NotRegular : FileWrite::NotCreated;
}

std::optional<fs::path> GetTempFolder() {
    const char* base = std::getenv("TMPDIR");
    const fs::path folder =
        fs::path(base && *base ? base : "/tmp") / ("ravelko-" + std::to_string(getuid()));
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return std::nullopt;
    struct stat info {};
    if (lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0)
        return std::nullopt;
    return folder;
}

TextForm HostTextForm() {
    return TextForm::Utf8Lf;
}

bool HostUsesWideDropPaths() {
    return false;
}

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return {argv, argv + argc};
}

void UseBinaryUtf8Output() {}

#endif
