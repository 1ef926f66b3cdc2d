// ramgrab: writes the bitmap that the viewer's "Save Selection As Bitmap..." writes, for
// rows of memory from the running emulator or from a dump file, without a window.
#include "BitmapExport.h"
#include "RamLink.h"
#include "TomsivarStrings.h"
#include "ToolStrings.h"
#include "ToolSupport.h"

#include <filesystem>
#include <iostream>

using namespace memtools;
using namespace tomsivar;

namespace {

struct Options {
    std::string name = LoadResString(IDS_RAM_NAME);
    std::string dump;
    unsigned at = 0;
    unsigned address = 040000;
    unsigned bytesPerRow = 64;
    unsigned rows = 256;
    bool color = true;
    std::string out;
};

std::optional<Options> Parse(int argc, char** argv, std::string& bad) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        std::optional<unsigned> value;
        if (arg == "--name" && hasValue)
            options.name = argv[++i];
        else if (arg == "--dump" && hasValue)
            options.dump = argv[++i];
        else if (arg == "--at" && hasValue && (value = ParseNumber(argv[++i], 8)) &&
                 *value <= 0xFFFF)
            options.at = *value;
        else if (arg == "--address" && hasValue && (value = ParseNumber(argv[++i], 8)) &&
                 *value <= 0xFFFF)
            options.address = *value;
        else if (arg == "--bytes-per-row" && hasValue && (value = ParseNumber(argv[++i], 10)) &&
                 *value <= 0x10000)
            options.bytesPerRow = *value;
        else if (arg == "--rows" && hasValue && (value = ParseNumber(argv[++i], 10)) &&
                 *value <= 0x10000)
            options.rows = *value;
        else if (arg == "--mono")
            options.color = false;
        else if (!arg.empty() && arg[0] != '-' && options.out.empty())
            options.out = arg;
        else {
            bad = arg;
            return std::nullopt;
        }
    }
    if (options.out.empty())
        return std::nullopt;
    return options;
}

// Why no emulator could be read: an object that is there but cannot be opened, or none.
std::string NoEmulatorMessage(const std::string& base) {
    for (int i = 0; i < RAM_NAME_SUFFIXES; ++i) {
        if (RamObjectExists(FormatRamName(base, i)))
            return FormatResString(IDS_GRAB_CANNOT_OPEN, {FormatRamName(base, i)});
    }
    return FormatResString(IDS_GRAB_NO_EMULATOR, {FormatRamName(base, 0) + " ... " +
                                                  FormatRamName(base, RAM_NAME_SUFFIXES - 1)});
}

int Grab(const Options& options) {
    if (static_cast<unsigned long long>(options.bytesPerRow) * options.rows > 0x10000)
        return Fail("ramgrab", LoadResString(IDS_GRAB_TOO_MUCH));
    std::vector<uint8_t> dump(0x10000);
    CRamLink link(options.name, nullptr);
    const uint8_t* ram = dump.data();
    if (!options.dump.empty()) {
        if (!LoadDump(options.dump, options.at, dump))
            return Fail("ramgrab", FormatResString(IDS_TOOL_BAD_DUMP, {options.dump}));
    } else if (!link.AttachRam() || !(ram = link.GetRam())) {
        return Fail("ramgrab", NoEmulatorMessage(options.name));
    }
    const CPixelTables tables;
    const auto image = ComposeSelection(ram, options.address, static_cast<int>(options.bytesPerRow),
                                        static_cast<int>(options.bytesPerRow),
                                        static_cast<int>(options.rows), options.color, tables);
    if (!image)
        return Fail("ramgrab", LoadResString(IDS_GRAB_EMPTY));
    // The command line is in the host's own encoding (the ANSI code page on Windows).
    const std::u8string out = std::filesystem::path(options.out).u8string();
    std::string reason;
    if (!WriteBmpFile(std::string(out.begin(), out.end()), *image, &reason))
        return Fail("ramgrab",
                    LoadResString(IDS_CANT_SAVE_FILE) + ": " + options.out + ": " + reason);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunTool("ramgrab", IDS_GRAB_USAGE, argc, argv, Parse, Grab);
}
