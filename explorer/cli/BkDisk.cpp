// bkdisk: the explorer's engine on the command line, for scripts.
#include "CatalogPath.h"
#include "CatalogView.h"
#include "CatalogWalk.h"
#include "Export.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageEdit.h"
#include "BkDiskCommand.h"
#include "RavelkoStrings.h"

#ifdef BK_HAVE_MOUNT
#include "BkMount.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <system_error>
#include <vector>

using namespace bkdisk;
using namespace ravelko;

namespace {

constexpr int kNumberBase = 1; // octal, like the window

std::string CommandLinePath(const CatalogNames& names) {
    std::string path;
    for (const PathName& name : names)
        path += (path.empty() ? "" : "/") + FormatPathName(name.name, name.occurrence);
    return path;
}

std::string SizeText(long long bytes) {
    return FormatResString(IDS_SIZE_KB, {std::to_string(bytes / 1024)});
}

// A hard disk's geometry, then a line for each logical disk: its number, file system (or
// why it cannot be read) and size, and for one the file ends inside, how far.
void PrintLogicalDisks(CDiskImage& image) {
    const HardDiskLayout& layout = *image.HardDisk();
    std::cout << FormatResString(IDS_CLI_GEOMETRY,
                                 {std::to_string(layout.cylinders), std::to_string(layout.heads),
                                  std::to_string(layout.sectorsPerTrack)})
              << "\n";
    for (const EntryRef& disk : image.List(image.Root())) {
        OpenFailure why;
        const auto place = image.Enter(disk, &why);
        const std::string format = place ? image.FormatName(*place) : OpenFailureReason(why, true);
        const auto& where = layout.disks[static_cast<size_t>(disk.index)];
        const long long missing = where.offset + where.size - image.GetImageSize();
        std::cout << disk.index << "\t" << format << "\t" << SizeText(where.size);
        if (place && missing > 0)
            std::cout << "\t" << OpenFailureReason({OpenFailure::CutShort, {}, missing}, true);
        std::cout << "\n";
    }
}

int Info(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    if (!image)
        return Failure;
    std::cout << image->GetFormatName() << "\t" << SizeText(image->GetImageSize()) << "\n";
    if (image->HardDisk())
        PrintLogicalDisks(*image);
    else if (const auto free = FloppyFreeSpace(*image))
        std::cout << (free->onePiece
                          ? FormatResString(IDS_CLI_FREE_PIECE, {std::to_string(free->bytes),
                                                                 std::to_string(*free->onePiece)})
                          : FormatResString(IDS_CLI_FREE, {std::to_string(free->bytes)}))
                  << "\n";
    return FinishOutput(Success);
}

void PrintRow(const CatalogRow& row, const std::string& path, bool tsv) {
    if (tsv) {
        std::cout << path << "\t" << row.type << "\t" << row.address << "\t" << row.size << "\n";
        return;
    }
    char line[64];
    std::snprintf(line, sizeof line, "%-7s %7s %7s", row.type.c_str(), row.address.c_str(),
                  row.size.c_str());
    // Columns line up by characters, not bytes: count the UTF-8 lead bytes.
    const auto width =
        std::count_if(path.begin(), path.end(), [](char c) { return (c & 0xC0) != 0x80; });
    std::cout << path << std::string(width < 16 ? 16 - width : 1, ' ') << line << "\n";
}

// Prints each entry the walk meets as one row whose path reads back as that entry.
class Lister : public CatalogVisitor {
public:
    Lister(bool recursive, bool tsv) : m_recursive(recursive), m_tsv(tsv) {}

    Next VisitFile(CDiskImage&, const WalkStep& step) override {
        PrintRow(EntryRow(step.entry, kNumberBase), PathOf(step), m_tsv);
        return Continue;
    }

    Next EnterDirectory(CDiskImage&, const WalkStep& step) override {
        const std::string path = PathOf(step);
        PrintRow(EntryRow(step.entry, kNumberBase), path, m_tsv);
        if (!m_recursive)
            return SkipContents;
        m_prefixes.push_back(path + "/");
        return Continue;
    }

    void LeaveDirectory() override { m_prefixes.pop_back(); }

    // Told once the disk's row is printed and its path pushed: that path names it.
    void DiskUnreadable(const WalkStep&, const OpenFailure& why) override {
        const std::string& own = m_prefixes.back();
        Error(DiskFailureText(own.substr(0, own.size() - 1), why));
        failed = true;
    }

    bool failed = false;

private:
    std::string PathOf(const WalkStep& step) const {
        return m_prefixes.back() + FormatPathName(step.Name(), step.Occurrence());
    }

    const bool m_recursive;
    const bool m_tsv;
    std::vector<std::string> m_prefixes{""};
};

int Ls(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    const auto place =
        image ? EnterDirectory(*image, args.positional.size() == 2 ? args.positional[1] : "")
              : std::nullopt;
    if (!place)
        return Failure;
    const bool tsv = args.flags.count("--tsv") > 0;
    if (!image->IsRoot(*place))
        PrintRow({LoadResString(IDS_PARENT_DIR), IconDirectory, "", "", ""},
                 LoadResString(IDS_PARENT_DIR), tsv);
    Lister lister(args.flags.count("-R") > 0, tsv);
    CatalogWalk(*image, lister).Walk(*place);
    return FinishOutput(lister.failed ? Failure : Success);
}

// The named entries, by the directory that holds each; every row of the current
// directory when none is named.
bool ExportGroups(CDiskImage& image, Place from, const std::vector<std::string>& paths,
                  std::vector<ExportGroup>& groups) {
    if (paths.empty()) {
        groups.push_back({from, std::nullopt});
        return true;
    }
    bool allFound = true;
    std::map<Place, std::set<int>> byDirectory;
    std::vector<Place> order;
    for (const std::string& path : paths) {
        const auto found = ResolveCatalogPath(image, from, ParseCatalogPath(path));
        if (!found) {
            Error(FormatResString(IDS_CLI_NOT_FOUND, {PrintableHostPath(path)}));
            allFound = false;
            continue;
        }
        if (byDirectory[found->directory].empty())
            order.push_back(found->directory);
        byDirectory[found->directory].insert(found->entry.index);
    }
    for (const Place directory : order) {
        const auto& entries = byDirectory[directory];
        groups.push_back({directory, std::vector<int>(entries.begin(), entries.end())});
    }
    return allFound;
}

// Each entry as it is done: a file written (with its entry's path when it got another
// name), a folder that got another name, or an entry skipped with the reason.
void PrintReport(const ExportReport& report) {
    const std::string entry = CommandLinePath(report.entry);
    if (!report.path) {
        std::string reason = LoadResString(report.reason);
        if (!report.detail.empty())
            reason += ": " + report.detail;
        std::cerr << FormatResString(IDS_CLI_SKIPPED, {entry, reason}) << "\n";
        return;
    }
    const std::string host = PrintableHostPath(Utf8FromPath(*report.path));
    if (report.renamed)
        std::cout << FormatResString(IDS_CLI_WROTE_AS, {entry, host}) << "\n";
    else if (!report.directory)
        std::cout << FormatResString(IDS_CLI_WROTE, {host}) << "\n";
    if (report.withoutHeader)
        std::cout << entry << ": " << LoadResString(IDS_NO_BIN_HEADER) << "\n";
}

int Export(const Arguments& args) {
    const bool overwrite = args.flags.count("--overwrite") > 0;
    const bool keepBoth = args.flags.count("--keep-both") > 0;
    if (overwrite && keepBoth)
        return UsageError(IDS_CLI_USAGE_EXPORT, LoadResString(IDS_CLI_OVERWRITE_OR_KEEP));
    const auto image = OpenImage(args.positional[0]);
    const auto from = image ? EnterDirectory(*image, args.Value("--dir")) : std::nullopt;
    if (!from)
        return Failure;
    std::vector<ExportGroup> groups;
    const bool allFound =
        ExportGroups(*image, *from, {args.positional.begin() + 2, args.positional.end()}, groups);
    ExportOptions options;
    options.addBinExtension = args.flags.count("--no-bin-ext") == 0;
    options.existing = overwrite  ? ExistingFile::Replace
                       : keepBoth ? ExistingFile::KeepBoth
                                  : ExistingFile::Keep;
    if (const auto identity = hostfiles::IdentityOf(PathFromUtf8(args.positional[0])))
        options.neverReplace.push_back(*identity);
    options.report = PrintReport;
    const auto result = ExportEntries(*image, groups, PathFromUtf8(args.positional[1]), options);
    int status = allFound && result.entriesSkipped == 0 ? Success : Failure;
    if (result.error)
        status = Error(*result.error);
    return FinishOutput(status);
}

int Cat(const Arguments& args) {
    const auto image = OpenImage(args.positional[0]);
    if (!image)
        return Failure;
    const auto found =
        ResolveCatalogPath(*image, image->Root(), ParseCatalogPath(args.positional[1]));
    std::vector<uint8_t> bytes;
    const ReadFault fault = found ? image->Read(found->entry, bytes) : ReadFault::Unreadable;
    if (fault != ReadFault::None) {
        const std::string why =
            !found               ? LoadResString(IDS_CLI_NO_SUCH_ENTRY)
            : found->isDirectory ? LoadResString(IDS_CLI_IS_DIRECTORY)
                                 : ravelko::LoadResString(
                                       ReadFaultReason(fault, image->Entry(found->entry).deleted));
        return Error(FormatResString(IDS_CLI_NO_FILE, {PrintableHostPath(args.positional[1])}) +
                     ": " + why);
    }
    if (args.flags.count("--text"))
        bytes = TextViewBytes(bytes.data(), static_cast<int>(bytes.size()));
    std::cout.write(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<std::streamsize>(bytes.size()));
    return FinishOutput(Success);
}

#ifdef BK_HAVE_MOUNT
// Why `folder` cannot take a mount: it must be an empty folder on which nothing is
// mounted already (a mount would hide its files, or stack on the other mount).
std::optional<std::string> MountPointProblem(const std::string& folder) {
    struct stat self {
    }, parent{};
    if (stat(folder.c_str(), &self) != 0)
        return std::generic_category().message(errno);
    if (!S_ISDIR(self.st_mode))
        return std::generic_category().message(ENOTDIR);
    if (stat((folder + "/..").c_str(), &parent) == 0 &&
        (parent.st_dev != self.st_dev || parent.st_ino == self.st_ino))
        return LoadResString(IDS_CLI_MOUNTED_ALREADY);
    DIR* listing = opendir(folder.c_str());
    if (!listing)
        return std::generic_category().message(errno);
    bool empty = true;
    while (const dirent* entry = readdir(listing))
        empty = empty &&
                (std::string_view(entry->d_name) == "." || std::string_view(entry->d_name) == "..");
    closedir(listing);
    if (!empty)
        return std::generic_category().message(ENOTEMPTY);
    return std::nullopt;
}

int Mount(const Arguments& args) {
    MountOptions options;
    options.binFiles = args.flags.count("--bin") > 0;
    options.writable = args.flags.count("--write") > 0;
    options.sync = args.flags.count("--sync") > 0;
    if ((options.sync || args.values.count("--address")) && !options.writable)
        return UsageError(IDS_CLI_USAGE_MOUNT, LoadResString(IDS_CLI_ONLY_WRITABLE));
    if (args.values.count("--address")) {
        const auto address = ParseOctalAddress(args.Value("--address"));
        if (!address)
            return UsageError(IDS_CLI_USAGE_MOUNT, LoadResString(IDS_CLI_BAD_ADDRESS));
        options.address = *address;
    }
    if (const auto problem = MountPointProblem(args.positional[1]))
        return Error(FormatResString(IDS_CLI_BAD_MOUNT_POINT,
                                     {PrintableHostPath(args.positional[1]), *problem}));
    // Absolute: the mount leaves the working folder, and reads logical disks lazily.
    const std::string image = std::filesystem::absolute(args.positional[0]).string();
    const std::string folder = std::filesystem::absolute(args.positional[1]).string();
    auto opened = OpenImage(image);
    if (!opened)
        return Failure;
    if (options.writable) {
        if (const auto why = WhyUnwritable(image))
            return Error(*why);
    }
    return MountImage(std::move(opened), image, folder, options,
                      args.flags.count("--foreground") > 0);
}

// fusermount3 -u DIR, its exit status ours. A writable mount is asked first to write what
// waits (an fsync of its folder), so that the image is whole once this returns.
int Umount(const Arguments& args) {
    if (const int folder = open(args.positional[0].c_str(), O_RDONLY | O_DIRECTORY); folder >= 0) {
        fsync(folder);
        close(folder);
    }
    const pid_t child = fork();
    if (child == 0) {
        execlp("fusermount3", "fusermount3", "-u", args.positional[0].c_str(),
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) < 0 || !WIFEXITED(status) ||
        WEXITSTATUS(status) == 127)
        return Error(LoadResString(IDS_CLI_NO_MOUNT));
    return WEXITSTATUS(status) == 0 ? Success : Failure;
}
#else
int Mount(const Arguments&) {
    return Error(LoadResString(IDS_CLI_NO_MOUNT));
}
int Umount(const Arguments&) {
    return Error(LoadResString(IDS_CLI_NO_MOUNT));
}
#endif

struct Command {
    const char* name;
    std::set<std::string> options;
    bkdisk::StringId usage;
    size_t minArguments; // positional ones
    size_t maxArguments;
    int (*run)(const Arguments&);
};

} // namespace

int main(int argc, char** rawArgv) {
    std::vector<std::string> argv = Utf8Arguments(argc, rawArgv);
    // --utf8, anywhere before a "--", is for every command.
    const auto end = std::find(argv.begin(), argv.end(), "--");
    const auto option = std::find(argv.begin(), end, "--utf8");
    const bool utf8 = option != end;
    if (utf8)
        argv.erase(option);
    UseHostOutput(utf8, argv.size() > 1 && argv[1] == "cat");
    const std::vector<std::string> flags = FormatFlags();
    std::set<std::string> formatFlags(flags.begin(), flags.end());
    formatFlags.insert({"--hdi", "--disks", "--force", "--break-links"});
    static const Command commands[] = {
        {"info", {}, IDS_CLI_USAGE_INFO, 1, 1, Info},
        {"ls", {"-R", "--tsv"}, IDS_CLI_USAGE_LS, 1, 2, Ls},
        {"export",
         {"--dir", "--no-bin-ext", "--overwrite", "--keep-both"},
         IDS_CLI_USAGE_EXPORT,
         2,
         SIZE_MAX,
         Export},
        {"cat", {"--text"}, IDS_CLI_USAGE_CAT, 2, 2, Cat},
        {"mount",
         {"--bin", "--foreground", "--write", "--address", "--sync"},
         IDS_CLI_USAGE_MOUNT,
         2,
         2,
         Mount},
        {"umount", {}, IDS_CLI_USAGE_UMOUNT, 1, 1, Umount},
        {"format", formatFlags, IDS_CLI_USAGE_FORMAT, 1, 2, Format},
        {"add",
         {"--to", "--address", "--replace", "-r", "--break-links"},
         IDS_CLI_USAGE_ADD,
         2,
         SIZE_MAX,
         Add},
        {"check", {}, IDS_CLI_USAGE_CHECK, 1, 1, Check},
        {"rm", {"-r", "--break-links"}, IDS_CLI_USAGE_RM, 2, SIZE_MAX, Remove},
        {"mkdir", {"--break-links"}, IDS_CLI_USAGE_MKDIR, 2, 2, MakeDirectory},
        {"mv", {"--break-links"}, IDS_CLI_USAGE_MV, 3, 3, Rename},
    };
    const std::string name = argv.size() > 1 ? argv[1] : "";
    if (name == "--help" || name == "-h") {
        std::cout << UsageText(IDS_CLI_USAGE);
        return FinishOutput(Success);
    }
    if (name == "--version") {
        std::cout << LoadResString(IDS_CLI_VERSION) << "\n";
        return FinishOutput(Success);
    }
    for (const Command& command : commands) {
        if (name != command.name)
            continue;
        const Arguments args = Parse(argv, command.options);
        if (args.help) {
            std::cout << UsageText(command.usage);
            return FinishOutput(Success);
        }
        if (!args.unknown.empty())
            return UsageError(command.usage, FormatResString(IDS_CLI_BAD_OPTION, {args.unknown}));
        if (!args.missingValue.empty())
            return UsageError(command.usage,
                              FormatResString(IDS_CLI_MISSING_VALUE, {args.missingValue}));
        if (args.positional.size() < command.minArguments ||
            args.positional.size() > command.maxArguments)
            return UsageError(command.usage, "");
        return command.run(args);
    }
    const bkdisk::StringId why = name.starts_with('-') ? IDS_CLI_BAD_OPTION : IDS_CLI_BAD_COMMAND;
    return UsageError(IDS_CLI_USAGE, name.empty() ? "" : FormatResString(why, {name}));
}
