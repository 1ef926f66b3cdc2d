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
    std::optional<unsigned> index;
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
    for (int i = 1; i < argc && bad.empty(); ++i) {
        const std::string arg = argv[i];
        if (arg == "--name")
            Assign(options.name, NameValue(argc, argv, i, bad));
        else if (arg == "--index")
            options.index = NumberValue(argc, argv, i, 10, 0, RAM_NAME_SUFFIXES - 1, bad);
        else if (arg == "--dump")
            Assign(options.dump, TextValue(argc, argv, i, bad));
        else if (arg == "--at")
            Assign(options.at, NumberValue(argc, argv, i, 8, 0, 0xFFFF, bad));
        else if (arg == "--address")
            Assign(options.address, NumberValue(argc, argv, i, 8, 0, 0xFFFF, bad));
        else if (arg == "--bytes-per-row")
            Assign(options.bytesPerRow, NumberValue(argc, argv, i, 10, 1, 0x10000, bad));
        else if (arg == "--rows")
            Assign(options.rows, NumberValue(argc, argv, i, 10, 1, 0x10000, bad));
        else if (arg == "--mono")
            options.color = false;
        else if (!arg.empty() && arg[0] != '-' && options.out.empty())
            options.out = arg;
        else
            bad = FormatResString(IDS_TOOL_BAD_ARGUMENT, {arg});
    }
    if (bad.empty() &&
        static_cast<unsigned long long>(options.bytesPerRow) * options.rows > 0x10000)
        bad = LoadResString(IDS_GRAB_TOO_MUCH);
    if (!bad.empty() || options.out.empty())
        return std::nullopt;
    return options;
}

std::string Octal(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%o", value);
    return text;
}

// Loads the dump, which must hold every byte of the rows asked for: a picture made up of
// memory the dump never filled would be passed off as the dump's.
std::optional<std::string> LoadDumpFor(const Options& options, std::vector<uint8_t>& memory) {
    std::string reason;
    const auto held = LoadDump(options.dump, options.at, memory, reason);
    if (!held)
        return FormatResString(IDS_TOOL_BAD_DUMP, {options.dump, reason});
    const unsigned first = options.address;
    const unsigned end = first + options.bytesPerRow * options.rows; // may pass 0x10000
    const unsigned heldEnd = options.at + static_cast<unsigned>(*held);
    const bool covered = end <= 0x10000 ? first >= options.at && end <= heldEnd
                                        : options.at == 0 && heldEnd == 0x10000;
    if (covered)
        return std::nullopt;
    return FormatResString(IDS_GRAB_SHORT_DUMP,
                           {options.dump, std::to_string(*held), Octal(options.at), Octal(heldEnd),
                            Octal(first), Octal(end & 0xFFFF)});
}

// Why no emulator could be read: an object that is there but cannot be opened, or none
// (of the one index asked for, or of all).
std::string NoEmulatorMessage(const Options& options) {
    const int first = static_cast<int>(options.index.value_or(0));
    const int last = options.index ? first : RAM_NAME_SUFFIXES - 1;
    for (int i = first; i <= last; ++i) {
        if (RamObjectExists(FormatRamName(options.name, i)))
            return FormatResString(IDS_GRAB_CANNOT_OPEN, {FormatRamName(options.name, i)});
    }
    if (options.index)
        return FormatResString(IDS_GRAB_NO_OBJECT, {FormatRamName(options.name, first)});
    return FormatResString(IDS_GRAB_NO_EMULATOR, {FormatRamName(options.name, first) + " ... " +
                                                  FormatRamName(options.name, last)});
}

int Grab(const Options& options) {
    std::vector<uint8_t> dump(0x10000);
    CRamLink link(options.name, nullptr);
    if (options.index)
        link.WatchIndex(static_cast<int>(*options.index));
    const uint8_t* ram = dump.data();
    if (!options.dump.empty()) {
        if (const auto problem = LoadDumpFor(options, dump))
            return Fail("ramgrab", *problem);
    } else if (!link.AttachRam() || !(ram = link.GetRam())) {
        return Fail("ramgrab", NoEmulatorMessage(options));
    }
    const CPixelTables tables;
    const int rowBytes = static_cast<int>(options.bytesPerRow);
    const auto image =
        ComposeSelection(ram, {options.address, rowBytes, static_cast<int>(options.rows), rowBytes},
                         options.color, tables);
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
