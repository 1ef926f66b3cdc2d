// bkdisk: the explorer's engine on the command line, for scripts.
#include "CatalogView.h"
#include "Export.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "SelectionList.h"
#include "Strings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kNumberBase = 1; // octal, like the window

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

struct Arguments {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::string dir;
    bool help = false;
    std::string unknown;
};

Arguments Parse(const std::vector<std::string>& argv, const std::set<std::string>& known) {
    Arguments args;
    const size_t argc = argv.size();
    for (size_t i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h")
            args.help = true;
        else if (arg == "--dir" && known.count(arg) && i + 1 < argc)
            args.dir = argv[++i];
        else if (known.count(arg))
            args.flags.insert(arg);
        else if (arg.size() > 1 && arg[0] == '-' && args.unknown.empty())
            args.unknown = arg;
        else
            args.positional.push_back(arg);
    }
    return args;
}

int Error(const std::string& message) {
    std::cerr << "bkdisk: " << message << "\n";
    return Failure;
}

int UsageError(int usageId, const std::string& message) {
    if (!message.empty())
        std::cerr << "bkdisk: " << message << "\n";
    std::cerr << LoadResString(usageId);
    return Usage;
}

// An image path in the catalog's terms: '/' or '\' between names, Windows-1251.
std::string CatalogPath(const std::string& utf8) {
    std::string path = Utf8ToCp1251(utf8);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::unique_ptr<CDiskImage> OpenImage(const std::string& path) {
    std::unique_ptr<CDiskImage> image;
    OpenFailure failure;
    if (OpenDiskImage(path, image, &failure) != 0)
        Error(OpenFailureText(failure));
    return image;
}

bool EnterDirectory(CDiskImage& image, const std::string& dir) {
    if (dir.empty() || image.ChangeDir(CatalogPath(dir)))
        return true;
    Error(FormatResString(IDS_CLI_NO_DIR, {dir}));
    return false;
}

int Info(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    if (!image)
        return Failure;
    std::cout << image->GetFormatName() << "\t"
              << FormatResString(IDS_SIZE_KB, {std::to_string(image->GetImageSize() / 1024)}) << "\n";
    return Success;
}

void PrintRow(const CatalogRow& row, const std::string& prefix, bool tsv) {
    const std::string name = PrintableName(prefix + row.name);
    if (tsv) {
        std::cout << name << "\t" << row.type << "\t" << row.address << "\t" << row.size << "\n";
        return;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%-5s %7s %7s", row.type.c_str(), row.address.c_str(), row.size.c_str());
    // Columns line up by characters, not bytes: count the UTF-8 lead bytes.
    const auto width = std::count_if(name.begin(), name.end(), [](char c) { return (c & 0xC0) != 0x80; });
    std::cout << name << std::string(width < 16 ? 16 - width : 1, ' ') << line << "\n";
}

// Rows of the current directory, then (recursive) each subdirectory's rows with their
// path in front; each directory is entered once, so looping catalogs end.
void ListDirectory(CDiskImage& image, const std::string& prefix, bool recursive, bool tsv,
                   std::set<int>& entered) {
    const auto rows = BuildRows(image, kNumberBase);
    for (const auto& row : rows) {
        if (prefix.empty() || row.name != LoadResString(IDS_PARENT_DIR))
            PrintRow(row, prefix, tsv);
    }
    if (!recursive)
        return;
    for (const auto& row : rows) {
        if (row.icon != IconDirectory || row.name == LoadResString(IDS_PARENT_DIR))
            continue;
        image.PushPosition();
        if (image.ChangeDir(row.name) && entered.insert(image.GetCurrentDir()).second)
            ListDirectory(image, prefix + row.name + "/", recursive, tsv, entered);
        image.PopPosition();
    }
}

int Ls(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    if (!image || !EnterDirectory(*image, args.positional.size() == 2 ? args.positional[1] : ""))
        return Failure;
    std::set<int> entered{image->GetCurrentDir()};
    ListDirectory(*image, "", args.flags.count("-R") > 0, args.flags.count("--tsv") > 0, entered);
    return Success;
}

int Export(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    if (!image || !EnterDirectory(*image, args.dir))
        return Failure;
    int status = Success;
    Selection selection;
    for (size_t i = 2; i < args.positional.size(); ++i) {
        const std::string name = Utf8ToCp1251(args.positional[i]);
        if (FindRowEntry(*image, name) == RowEntry::None)
            status = Error(FormatResString(IDS_CLI_NOT_FOUND, {args.positional[i]}));
        else
            selection.push_back(name);
    }
    if (args.positional.size() == 2) {
        for (const auto& row : BuildRows(*image, kNumberBase))
            selection.push_back(row.name);
    }
    const auto result = ExportSelection(image.get(), selection, PathFromUtf8(args.positional[1]),
                                        args.flags.count("--no-bin-ext") == 0);
    for (const auto& path : result.written)
        std::cout << FormatResString(IDS_CLI_WROTE, {Utf8FromPath(path)}) << "\n";
    for (const auto& skipped : result.skipped) {
        std::cout << FormatResString(IDS_CLI_SKIPPED, {Cp1251ToUtf8(skipped.entry), LoadResString(skipped.reason)})
                  << "\n";
        status = Failure;
    }
    if (result.error)
        status = Error(*result.error);
    return status;
}

int Cat(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    if (!image)
        return Failure;
    const uint8_t* data = nullptr;
    int address = 0, length = 0;
    if (!image->ReadFile(CatalogPath(args.positional[1]), data, address, length))
        return Error(FormatResString(IDS_CLI_NO_FILE, {args.positional[1]}));
    std::vector<uint8_t> bytes(data, data + length);
    if (args.flags.count("--text"))
        bytes = TextViewBytes(data, length);
    std::cout.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return std::cout.flush() ? Success : Failure;
}

struct Command {
    const char* name;
    std::set<std::string> options;
    int usage;
    size_t minArguments; // positional ones
    size_t maxArguments;
    int (*run)(const Arguments&);
};

} // namespace

int main(int argc, char** rawArgv) {
    UseBinaryUtf8Output();
    const std::vector<std::string> argv = Utf8Arguments(argc, rawArgv);
    static const Command commands[] = {
        {"info", {}, IDS_CLI_USAGE_INFO, 1, 1, Info},
        {"ls", {"-R", "--tsv"}, IDS_CLI_USAGE_LS, 1, 2, Ls},
        {"export", {"--dir", "--no-bin-ext"}, IDS_CLI_USAGE_EXPORT, 2, SIZE_MAX, Export},
        {"cat", {"--text"}, IDS_CLI_USAGE_CAT, 2, 2, Cat},
    };
    const std::string name = argv.size() > 1 ? argv[1] : "";
    if (name == "--help" || name == "-h") {
        std::cout << LoadResString(IDS_CLI_USAGE);
        return Success;
    }
    for (const Command& command : commands) {
        if (name != command.name)
            continue;
        const Arguments args = Parse(argv, command.options);
        if (args.help) {
            std::cout << LoadResString(command.usage);
            return Success;
        }
        if (!args.unknown.empty())
            return UsageError(command.usage, FormatResString(IDS_CLI_BAD_OPTION, {args.unknown}));
        if (args.positional.size() < command.minArguments || args.positional.size() > command.maxArguments)
            return UsageError(command.usage, "");
        return command.run(args);
    }
    return UsageError(IDS_CLI_USAGE, name.empty() ? "" : FormatResString(IDS_CLI_BAD_OPTION, {name}));
}
