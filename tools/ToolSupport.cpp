#include "ToolSupport.h"

#include "TomsivarStrings.h"
#include "ToolStrings.h"

#include <cstdlib>
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

// Reads no more than fits: a dump may be /dev/zero or a disk.
bool LoadDump(const std::string& path, unsigned at, std::vector<uint8_t>& memory) {
    std::error_code error;
    if (at >= memory.size() || std::filesystem::is_directory(path, error))
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    in.read(reinterpret_cast<char*>(memory.data() + at),
            static_cast<std::streamsize>(memory.size() - at));
    return !in.bad();
}

int Usage(const char* program, memtools::StringId usageId, const std::string& bad) {
    if (!bad.empty())
        std::cerr << program << ": " << FormatResString(IDS_TOOL_BAD_ARGUMENT, {bad}) << "\n";
    std::cerr << LoadResString(usageId);
    return 2;
}

int PrintUsage(memtools::StringId usageId) {
    std::cout << LoadResString(usageId);
    return 0;
}

bool IsHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h")
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
