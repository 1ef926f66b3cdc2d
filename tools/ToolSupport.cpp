#include "ToolSupport.h"

#include "TomsivarStrings.h"
#include "ToolStrings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <filesystem>
#include <fstream>
#include <iostream>

using namespace memtools;
using namespace tomsivar;

std::optional<unsigned> ParseNumber(const std::string& text, int base) {
    if (text.empty() ||
        text.find_first_not_of(base == 8 ? "01234567" : "0123456789") != std::string::npos ||
        text.size() > 9)
        return std::nullopt;
    return static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, base));
}

std::optional<std::string> TextValue(int argc, char** argv, int& i, std::string& problem) {
    if (i + 1 >= argc) {
        problem = FormatResString(IDS_TOOL_NO_VALUE, {argv[i]});
        return std::nullopt;
    }
    return std::string(argv[++i]);
}

std::optional<unsigned> NumberValue(int argc, char** argv, int& i, int base, unsigned low,
                                    unsigned high, std::string& problem) {
    const char* option = argv[i];
    const auto text = TextValue(argc, argv, i, problem);
    if (!text)
        return std::nullopt;
    const auto value = ParseNumber(*text, base);
    if (value && *value >= low && *value <= high)
        return value;
    const auto show = [base](unsigned number) {
        char digits[16];
        std::snprintf(digits, sizeof digits, base == 8 ? "%o" : "%u", number);
        return std::string(digits);
    };
    problem = FormatResString(IDS_TOOL_BAD_NUMBER,
                              {option, *text,
                               LoadResString(base == 8 ? IDS_TOOL_OCTAL : IDS_TOOL_DECIMAL),
                               show(low), show(high)});
    return std::nullopt;
}

// A name that is one file name on POSIX and one object name on Windows, with room left
// for the index.
std::optional<std::string> NameValue(int argc, char** argv, int& i, std::string& problem) {
    const auto name = TextValue(argc, argv, i, problem);
    if (name &&
        (name->empty() || name->size() > 200 || name->find_first_of("/\\") != std::string::npos)) {
        problem = FormatResString(IDS_TOOL_BAD_NAME, {*name});
        return std::nullopt;
    }
    return name;
}

// Reads no more than fits: a dump may be /dev/zero or a disk.
std::optional<size_t> LoadDump(const std::string& path, unsigned at, std::vector<uint8_t>& memory,
                               std::string& reason) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
        reason = std::make_error_code(std::errc::is_a_directory).message();
        return std::nullopt;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (at < memory.size() && in)
        in.read(reinterpret_cast<char*>(memory.data() + at),
                static_cast<std::streamsize>(memory.size() - at));
    if (!in && (in.bad() || !in.eof())) {
        reason = std::generic_category().message(errno ? errno : EIO);
        return std::nullopt;
    }
    return static_cast<size_t>(in.gcount());
}

namespace {

// zelmarin-sim's usage names the signals that end it where there are any.
std::string UsageText(memtools::StringId usageId) {
    if (usageId != IDS_SIM_USAGE)
        return LoadResString(usageId);
#ifdef _WIN32
    return FormatResString(IDS_SIM_USAGE, {LoadResString(IDS_SIM_ENDS_WINDOWS)});
#else
    return FormatResString(IDS_SIM_USAGE, {LoadResString(IDS_SIM_ENDS_POSIX)});
#endif
}

} // namespace

int Usage(const char* program, memtools::StringId usageId, const std::string& problem) {
    if (!problem.empty())
        std::cerr << program << ": " << problem << "\n";
    std::cerr << UsageText(usageId);
    return 2;
}

int PrintUsage(memtools::StringId usageId) {
    std::cout << UsageText(usageId);
    return 0;
}

int PrintVersion(const char* program) {
    std::cout << FormatResString(IDS_TOOL_VERSION, {program}) << "\n";
    return 0;
}

bool HasFlag(int argc, char** argv, std::string_view flag, std::string_view alias) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i] == flag || (!alias.empty() && argv[i] == alias))
            return true;
    }
    return false;
}

int Fail(const char* program, const std::string& message) {
    std::cerr << program << ": " << message << "\n";
    return 1;
}

void DrawTestPicture(std::vector<uint8_t>& memory, int frame) {
    constexpr unsigned kScreen = 040000;
    constexpr int kRowBytes = 64;
    constexpr uint8_t kSolid[4] = {0x00, 0x55, 0xAA, 0xFF}; // black, blue, green, red
    for (int y = 0; y < 256; ++y) {
        uint8_t* row = &memory[kScreen + static_cast<unsigned>(y * kRowBytes)];
        for (int x = 0; x < kRowBytes; ++x) {
            if (y < 48) { // colour bars, 16 bytes each
                row[x] = kSolid[((x + frame) / 16) % 4];
            } else if (y < 112) { // every byte value: 16 x 16 cells of 4 bytes by 4 rows
                row[x] = static_cast<uint8_t>((y - 48) / 4 * 16 + x / 4);
            } else { // rings around the middle of the lower part, in colour pixels
                for (int p = 0; p < 4; ++p) {
                    const int dx = (x * 4 + p) - 128, dy = (y - 184) * 2;
                    const int ring = (dx * dx + dy * dy) / 400 % 4;
                    row[x] = static_cast<uint8_t>(row[x] & ~(3 << (2 * p)));
                    row[x] = static_cast<uint8_t>(row[x] | ring << (2 * p));
                }
            }
        }
    }
}
