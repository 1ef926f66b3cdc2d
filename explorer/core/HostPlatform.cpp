#include "HostPlatform.h"

#include "HostNames.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32

bool IsSafeHostComponent(std::string_view name) {
    if (name.empty() || name == "." || name == ".." || name.back() == '.' || name.back() == ' ')
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || std::string_view("<>:\"/\\|?*").find(static_cast<char>(c)) != std::string_view::npos)
            return false;
    return true;
}

std::string HostEncoding(std::string_view cp1251) { return std::string(cp1251); }

std::optional<fs::path> GetTempFolder() {
    char buffer[1024];
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    if (length == 0 || length >= sizeof buffer)
        return std::nullopt;
    std::string folder(buffer, length);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return fs::path(folder);
}

#else

bool IsSafeHostComponent(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

std::string HostEncoding(std::string_view cp1251) { return Cp1251ToUtf8(cp1251); }

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

#endif
