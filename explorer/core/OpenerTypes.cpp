#include "OpenerTypes.h"

#include "HostNames.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace {

struct PassiveExtension {
    std::string_view extension;
    OpenerType type;
};

// Kept short on purpose: each is opened by a viewer or player on both hosts, and none
// holds macros, scripts or links a program follows. CSV (formulas), SVG and HTML
// (scripts), office documents, help files and disk images are left out.
constexpr std::array<PassiveExtension, 15> kPassive = {{
    {".txt", OpenerType::Text},
    {".log", OpenerType::Text},
    {".bmp", OpenerType::Picture},
    {".png", OpenerType::Picture},
    {".gif", OpenerType::Picture},
    {".jpg", OpenerType::Picture},
    {".jpeg", OpenerType::Picture},
    {".tif", OpenerType::Picture},
    {".tiff", OpenerType::Picture},
    {".webp", OpenerType::Picture},
    {".wav", OpenerType::Sound},
    {".mp3", OpenerType::Sound},
    {".ogg", OpenerType::Sound},
    {".flac", OpenerType::Sound},
    {".mid", OpenerType::Sound},
}};

// What a program starts with, whatever its name: a desktop that looks at content would
// run it.
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

bool StartsAsProgram(std::span<const uint8_t> firstBytes) {
    const std::string_view start(reinterpret_cast<const char*>(firstBytes.data()),
                                 firstBytes.size());
    return std::any_of(kProgramMagic.begin(), kProgramMagic.end(),
                       [&](std::string_view magic) { return start.starts_with(magic); });
}

} // namespace

OpenerHost ThisOpenerHost() {
#ifdef _WIN32
    return OpenerHost::Windows;
#else
    return OpenerHost::Posix;
#endif
}

OpenerType OpenerTypeOf(std::string_view fileName, std::span<const uint8_t> firstBytes,
                        OpenerHost host) {
    if (StartsAsProgram(firstBytes))
        return OpenerType::Refused;
    const std::string extension = Extension(fileName, host);
    const auto passive = std::find_if(kPassive.begin(), kPassive.end(), [&](const auto& known) {
        return known.extension == extension;
    });
    return passive == kPassive.end() ? OpenerType::Refused : passive->type;
}

// What cannot be looked at is not handed to the opener either.
OpenerType FileOpenerType(const std::string& utf8Path, OpenerHost host) {
    const auto path = PathFromUtf8(utf8Path);
    std::ifstream file(path, std::ios::binary);
    std::array<uint8_t, 16> first{};
    if (!file)
        return OpenerType::Refused;
    file.read(reinterpret_cast<char*>(first.data()), first.size());
    if (file.bad())
        return OpenerType::Refused;
    return OpenerTypeOf(Utf8FromPath(path.filename()),
                        std::span(first.data(), static_cast<size_t>(file.gcount())), host);
}
