#include "ProgramFiles.h"

#include "HostNames.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>

namespace {

// The shell runs or installs these on Windows, beyond PATHEXT.
constexpr std::array<std::string_view, 38> kWindowsPrograms = {
    ".com",        ".exe", ".bat", ".cmd",         ".vbs",       ".vbe",
    ".js",         ".jse", ".wsf", ".wsh",         ".msc",       ".pif",
    ".scr",        ".lnk", ".url", ".ps1",         ".psm1",      ".psd1",
    ".msi",        ".msp", ".mst", ".hta",         ".cpl",       ".reg",
    ".jar",        ".scf", ".inf", ".application", ".appref-ms", ".gadget",
    ".vb",         ".ws",  ".msh", ".chm",         ".website",   ".settingcontent-ms",
    ".library-ms", ".appx"};

// Programs and launchers to a POSIX desktop, by name; Wine, where installed, runs the
// Windows ones.
constexpr std::array<std::string_view, 24> kPosixPrograms = {
    ".desktop", ".sh",       ".bash", ".csh", ".ksh", ".zsh", ".tcsh", ".fish",
    ".run",     ".appimage", ".exe",  ".com", ".bat", ".cmd", ".msi",  ".msp",
    ".pif",     ".scr",      ".lnk",  ".cpl", ".jar", ".py",  ".pl",   ".x86_64"};

// What a program starts with, whatever its name.
constexpr std::array<std::string_view, 4> kProgramMagic = {"\x7F"
                                                           "ELF",
                                                           "MZ", "#!", "[Desktop Entry]"};

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return lower;
}

// ".ext" of the name, lower case; empty without one. Windows ignores trailing dots and
// spaces ("RUN.BAT." runs as RUN.BAT).
std::string Extension(std::string_view name, OpenerHost host) {
    if (host == OpenerHost::Windows) {
        while (!name.empty() && (name.back() == '.' || name.back() == ' '))
            name.remove_suffix(1);
    }
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : LowerCase(name.substr(dot));
}

bool InPathExt(const std::string& extension, std::string_view pathExt) {
    for (std::string_view rest = pathExt; !rest.empty();) {
        const auto semicolon = rest.find(';');
        if (LowerCase(rest.substr(0, semicolon)) == extension)
            return true;
        rest =
            semicolon == std::string_view::npos ? std::string_view() : rest.substr(semicolon + 1);
    }
    return false;
}

template <size_t N>
bool Listed(const std::array<std::string_view, N>& list, const std::string& extension) {
    return std::find(list.begin(), list.end(), extension) != list.end();
}

} // namespace

OpenerHost ThisOpenerHost() {
#ifdef _WIN32
    return OpenerHost::Windows;
#else
    return OpenerHost::Posix;
#endif
}

bool WouldRunAsProgram(std::string_view fileName, std::span<const uint8_t> firstBytes,
                       OpenerHost host) {
    const std::string extension = Extension(fileName, host);
    if (!extension.empty()) {
        const char* pathExt = std::getenv("PATHEXT");
        if (host == OpenerHost::Windows ? Listed(kWindowsPrograms, extension) ||
                                              InPathExt(extension, pathExt ? pathExt : "")
                                        : Listed(kPosixPrograms, extension))
            return true;
    }
    const std::string_view start(reinterpret_cast<const char*>(firstBytes.data()),
                                 firstBytes.size());
    return std::any_of(kProgramMagic.begin(), kProgramMagic.end(),
                       [&](std::string_view magic) { return start.starts_with(magic); });
}

// What cannot be looked at is not handed to the opener either.
bool FileWouldRunAsProgram(const std::string& utf8Path, OpenerHost host) {
    const auto path = PathFromUtf8(utf8Path);
    std::ifstream file(path, std::ios::binary);
    std::array<uint8_t, 16> first{};
    if (!file)
        return true;
    file.read(reinterpret_cast<char*>(first.data()), first.size());
    if (file.bad())
        return true;
    return WouldRunAsProgram(Utf8FromPath(path.filename()),
                             std::span(first.data(), static_cast<size_t>(file.gcount())), host);
}
