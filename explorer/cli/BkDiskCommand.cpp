#include "BkDiskCommand.h"
#include "ImageEdit.h"

#include "CatalogPath.h"
#include "CatalogView.h"

#include <cerrno>
#include <iostream>
#include <system_error>

namespace bkdisk {

namespace {

const std::set<std::string> kValueOptions = {"--dir", "--to", "--address", "--disks"};

} // namespace

std::string Arguments::Value(const std::string& option) const {
    const auto found = values.find(option);
    return found == values.end() ? std::string() : found->second;
}

Arguments Parse(const std::vector<std::string>& argv, const std::set<std::string>& known) {
    Arguments args;
    const size_t argc = argv.size();
    bool options = true;
    for (size_t i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!options)
            args.positional.push_back(arg);
        else if (arg == "--")
            options = false;
        else if (arg == "--help" || arg == "-h")
            args.help = true;
        else if (kValueOptions.count(arg) && known.count(arg) && i + 1 < argc)
            args.values[arg] = argv[++i];
        else if (kValueOptions.count(arg) && known.count(arg))
            args.missingValue = arg;
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

std::string JoinedFormatFlags(const std::string& separator) {
    std::string joined;
    for (const std::string& flag : FormatFlags())
        joined += (joined.empty() ? "" : separator) + flag;
    return joined;
}

// The format options in the usages come from the table of formats.
std::string UsageText(StringId usageId) {
    if (usageId == IDS_CLI_USAGE_FORMAT)
        return FormatResString(usageId, {JoinedFormatFlags("|")});
    if (usageId != IDS_CLI_USAGE)
        return LoadResString(usageId);
#ifdef _WIN32
    const StringId mounts = IDS_CLI_USAGE_NO_MOUNTS;
#else
    const StringId mounts = IDS_CLI_USAGE_MOUNTS;
#endif
    return FormatResString(IDS_CLI_USAGE, {JoinedFormatFlags("|")}) + LoadResString(mounts) +
           LoadResString(IDS_CLI_USAGE_PATHS);
}

int UsageError(StringId usageId, const std::string& message) {
    if (!message.empty())
        std::cerr << "bkdisk: " << message << "\n";
    std::cerr << UsageText(usageId);
    return Usage;
}

int FinishOutput(int status) {
    errno = 0;
    if (std::cout.flush())
        return status;
    const int error = errno ? errno : EIO;
    return Error(FormatResString(IDS_CLI_OUTPUT_FAILED, {std::generic_category().message(error)}));
}

std::unique_ptr<CDiskImage> OpenImage(const std::string& path) {
    FinishInterruptedChange(path);
    OpenFailure failure;
    auto image = OpenDiskImage(path, &failure, ImageAccess::ReadOnly);
    if (!image)
        Error(OpenFailureText(path, PrintableHostPath(path), failure));
    return image;
}

std::optional<Place> EnterDirectory(CDiskImage& image, const std::string& dir) {
    const auto names = ParseCatalogPath(dir);
    if (names.empty())
        return image.Root();
    const auto found = ResolveCatalogPath(image, image.Root(), names);
    if (!found || !found->isDirectory) {
        Error(
            FormatResString(found ? IDS_CLI_NOT_A_DIR : IDS_CLI_NO_DIR, {PrintableHostPath(dir)}));
        return std::nullopt;
    }
    OpenFailure why;
    const auto place = image.Enter(found->entry, &why);
    if (!place)
        Error(DiskFailureText(image.Entry(found->entry).name, why));
    return place;
}

} // namespace bkdisk
