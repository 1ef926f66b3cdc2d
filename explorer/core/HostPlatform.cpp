#include "HostPlatform.h"

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <array>
#include <cstdio>
#include <iostream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#endif

#include <algorithm>
#include <cstdint>

namespace fs = std::filesystem;

namespace {

// "", "." and ".." name no file on any host: "_", "_" and "__" stand for them.
bool IsDotName(std::string_view name) {
    return name.empty() || name == "." || name == "..";
}

std::string DotNameSubstitute(std::string_view name) {
    return std::string(std::max<size_t>(name.size(), 1), '_');
}

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

// What every host needs: no dot names, no hidden files, no control characters.
std::string CommonSafeName(std::string_view name) {
    if (IsDotName(name))
        return DotNameSubstitute(name);
    std::string safe(name);
    std::replace_if(
        safe.begin(), safe.end(), [](char c) { return c == '/' || IsControl(c); }, '_');
    if (safe.front() == '.')
        safe.front() = '_';
    return safe;
}

} // namespace

size_t CompleteUtf8Length(std::string_view bytes) {
    // Back over continuation bytes (at most three) to the last sequence's first byte.
    size_t start = bytes.size();
    for (int back = 0; back < 4 && start > 0; ++back, --start) {
        const auto c = static_cast<uint8_t>(bytes[start - 1]);
        if ((c & 0xC0) == 0x80)
            continue;
        const size_t needs = c < 0xC0 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        return bytes.size() - (start - 1) >= needs ? bytes.size() : start - 1;
    }
    return bytes.size(); // no UTF-8 there: shown as it is
}

WholeUtf8Buffer::WholeUtf8Buffer(std::function<void(std::string_view)> write)
    : m_write(std::move(write)) {}

WholeUtf8Buffer::int_type WholeUtf8Buffer::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        Add({1, traits_type::to_char_type(c)});
    return traits_type::not_eof(c);
}

std::streamsize WholeUtf8Buffer::xsputn(const char* text, std::streamsize count) {
    Add({text, static_cast<size_t>(count)});
    return count;
}

int WholeUtf8Buffer::sync() {
    Pass();
    return 0;
}

void WholeUtf8Buffer::Add(const std::string& bytes) {
    m_pending += bytes;
    if (m_pending.size() >= kChunk)
        Pass();
}

void WholeUtf8Buffer::Pass() {
    const size_t length = CompleteUtf8Length(m_pending);
    if (length > 0)
        m_write(std::string_view(m_pending).substr(0, length));
    m_pending.erase(0, length);
}

#ifdef _WIN32

namespace {

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 name devices, with any extension and
// trailing spaces before it.
bool IsReservedDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    std::transform(base.begin(), base.end(), base.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                                 "NUL", "CONIN$", "CONOUT$"};
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
    std::string safe = CommonSafeName(name);
    for (char& c : safe) {
        if (std::string_view("<>:\"\\|?*").find(c) != std::string_view::npos)
            c = '_';
    }
    for (auto c = safe.rbegin(); c != safe.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
    if (IsReservedDeviceName(safe))
        safe.insert(std::min(safe.find('.'), safe.size()), "_");
    return safe;
}

// %TEMP%\ravelko-<user>: a folder of our own in the shared one, so that no other
// program's file of the same name is ever replaced. A link or junction there is refused.
std::optional<fs::path> GetTempFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH)
        return std::nullopt;
    wchar_t user[257];
    DWORD size = static_cast<DWORD>(std::size(user));
    const std::wstring name = GetUserNameW(user, &size) ? std::wstring(user) : L"user";
    const fs::path folder = fs::path(std::wstring(buffer, length)) / (L"ravelko-" + name);
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::nullopt;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return std::nullopt;
    return folder;
}

TextForm HostTextForm() {
    return TextForm::Utf16BomCrLf;
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

std::vector<std::string> ExpandHostPatterns(const std::vector<std::string>& paths) {
    std::vector<std::string> expanded;
    for (const std::string& path : paths) {
        const std::filesystem::path pattern(std::u8string(path.begin(), path.end()));
        const std::wstring name = pattern.filename().wstring();
        std::vector<std::string> matches;
        WIN32_FIND_DATAW found{};
        HANDLE search = name.find_first_of(L"*?") == std::wstring::npos
                            ? INVALID_HANDLE_VALUE
                            : FindFirstFileW(pattern.c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more;
             more = FindNextFileW(search, &found)) {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                matches.push_back(WideToUtf8((pattern.parent_path() / found.cFileName).c_str()));
        }
        if (search != INVALID_HANDLE_VALUE)
            FindClose(search);
        std::sort(matches.begin(), matches.end());
        if (matches.empty())
            matches.push_back(path);
        expanded.insert(expanded.end(), matches.begin(), matches.end());
    }
    return expanded;
}

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}

std::wstring WideFromUtf8(std::string_view utf8) {
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

// The stream's new buffer, or none where it stays as it is. It is never deleted: the
// streams flush it once more after main has returned.
std::streambuf* HostBuffer(DWORD handleId, bool utf8) {
    const HANDLE handle = GetStdHandle(handleId);
    if (IsConsole(handle))
        return new WholeUtf8Buffer([handle](std::string_view text) {
            const std::wstring wide = WideFromUtf8(text);
            DWORD written = 0;
            WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        });
    if (utf8)
        return nullptr;
    const UINT codePage = GetConsoleOutputCP() ? GetConsoleOutputCP() : GetOEMCP();
    FILE* file = handleId == STD_OUTPUT_HANDLE ? stdout : stderr;
    return new WholeUtf8Buffer([codePage, file](std::string_view text) {
        const std::string bytes = Utf8ToCodePageCrLf(text, codePage);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fflush(file);
    });
}

} // namespace

std::string Utf8ToCodePageCrLf(std::string_view utf8, unsigned codePage) {
    std::wstring wide;
    for (const wchar_t c : WideFromUtf8(utf8)) {
        if (c == L'\n')
            wide += L'\r';
        wide += c;
    }
    const int size = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

// Both streams take bytes as they are written: the line ends are the buffers' choice.
void UseHostOutput(bool utf8, bool rawStdout) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    if (!rawStdout) {
        if (std::streambuf* buffer = HostBuffer(STD_OUTPUT_HANDLE, utf8))
            std::cout.rdbuf(buffer);
    }
    if (std::streambuf* buffer = HostBuffer(STD_ERROR_HANDLE, utf8))
        std::cerr.rdbuf(buffer);
}

#else

std::string SafeHostName(std::string_view name) {
    return CommonSafeName(name);
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

std::vector<std::string> ExpandHostPatterns(const std::vector<std::string>& paths) {
    return paths;
}

void UseHostOutput(bool, bool) {}

#endif
