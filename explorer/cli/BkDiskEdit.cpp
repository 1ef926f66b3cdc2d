// bkdisk's commands that change images. Each reads the image once, makes every change
// it is asked for in memory, and writes the image once, only when all of them succeeded.
#include "BkDiskCommand.h"
#include "CatalogPath.h"
#include "CatalogView.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageChange.h"
#include "MountedImage.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <iostream>

namespace bkdisk {

namespace {

std::string FormatFlag(const FileSystemFormat& format) {
    std::string option = std::string("--") + format.name;
    std::transform(option.begin(), option.end(), option.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return option;
}

// The format a --microdos (--mkdos, ...) option names.
const FileSystemFormat* FormatOption(const std::set<std::string>& flags) {
    const FileSystemFormat* chosen = nullptr;
    for (const FileSystemFormat* format : WritableFormats()) {
        if (!flags.count(FormatFlag(*format)))
            continue;
        if (chosen)
            return nullptr;
        chosen = format;
    }
    return chosen;
}

// The image as the editor holds it now, for following catalog paths.
std::unique_ptr<CDiskImage> ImageOf(const CDiskEditor& editor) {
    return CreateDiskImage({}, editor.Bytes());
}

// A refusal naming `subject` (a path as typed).
ChangeStep RefusedStep(EditError error, const std::string& subject, const CDiskEditor& editor,
                       bool directory = false) {
    std::vector<std::string> made;
    return StepOf({error}, editor, PrintableHostPath(subject), directory, made);
}

ChangeStep RefusedName(NewNameFault fault, const std::string& typed, const CDiskEditor& editor,
                       bool directory) {
    if (fault == NewNameFault::Occurrence)
        return {FormatResString(IDS_CLI_NAME_PICKS, {PrintableHostPath(typed)}), true};
    return RefusedStep(fault == NewNameFault::Empty ? EditError::NameEmpty
                                                    : EditError::NameBadCharacter,
                       typed, editor, directory);
}

// The change made on the target disk and the image written once, through the path every
// change takes; no other writer of ours changes the image meanwhile.
int Changed(const Arguments& args, const EditTarget& target, const DiskChange& change,
            std::function<bool()> blankOver = {}) {
    ChangeRequest request{{}, true, {}, false, target, std::move(blankOver)};
    if (args.flags.count("--break-links"))
        request.breakLinks = [](const std::string&, uint64_t) { return true; };
    const ChangeOutcome outcome = ChangeImageFile(args.positional[0], request, change);
    switch (outcome.kind) {
    case ChangeOutcome::Kind::Written:
        return Success;
    case ChangeOutcome::Kind::Refused:
        if (!outcome.text.empty()) // empty: already told
            Error(outcome.text);
        return Error(ravelko::LoadResString(ravelko::IDS_EDIT_UNCHANGED));
    case ChangeOutcome::Kind::Declined: // only a disk that is not empty is left unformatted
        Error(FormatResString(ravelko::IDS_EDIT_FORMAT_OVER,
                              {std::to_string(target.disk.value_or(0))}) +
              " " + LoadResString(IDS_CLI_FORCE));
        return Error(ravelko::LoadResString(ravelko::IDS_EDIT_UNCHANGED));
    default:
        Error(outcome.text);
        if (outcome.hardLinked)
            Error(LoadResString(IDS_CLI_BREAK_LINKS));
        return Failure;
    }
}

// Paths into a hard disk start with the number of a logical disk, and a change goes to one
// disk: each path is taken apart into its disk and the path on that disk.
class DiskPaths {
public:
    explicit DiskPaths(const std::string& image) : m_image(image) {
        m_hardDisk = HardDiskLayoutOf(image).has_value();
    }
    // The path on its disk (a floppy's as it is); none, told why, for a path that names no
    // logical disk or another one than the paths before it.
    std::optional<std::string> On(const std::string& path) {
        if (!m_hardDisk)
            return path;
        const auto names = ParseCatalogPath(path);
        const std::string first = names.empty() ? "" : names.front().name;
        const bool number = !first.empty() && first.size() < 6 &&
                            first.find_first_not_of("0123456789") == std::string::npos;
        if (!number) {
            Error(FormatResString(ravelko::IDS_EDIT_NAME_DISK, {PrintableHostPath(m_image)}));
            return std::nullopt;
        }
        const int disk = std::stoi(first);
        if (m_disk && *m_disk != disk) {
            Error(FormatResString(IDS_CLI_ONE_DISK, {PrintableHostPath(path)}));
            return std::nullopt;
        }
        m_disk = disk;
        return std::string(AfterFirstName(path));
    }
    EditTarget Target() const { return {m_disk, nullptr}; }

private:
    // What follows a path's first name, separators included.
    static std::string_view AfterFirstName(std::string_view path) {
        const char separator = path.find('\\') != std::string_view::npos ? '\\' : '/';
        const size_t start = path.find_first_not_of(separator);
        const size_t end = start == std::string_view::npos ? start : path.find(separator, start);
        return end == std::string_view::npos ? std::string_view() : path.substr(end);
    }

    std::string m_image;
    bool m_hardDisk = false;
    std::optional<int> m_disk;
};

// The live entry at a path from the root; none when there is no such entry.
std::optional<int> EntryAt(const CDiskEditor& editor, const std::string& path) {
    const auto image = ImageOf(editor);
    const auto found = ResolveCatalogPath(*image, image->Root(), ParseCatalogPath(path));
    if (!found || image->Entry(found->entry).deleted)
        return std::nullopt;
    return found->entry.index;
}

// The number of the live directory a path from the root names (the root for an empty path).
std::optional<int> DirectoryAt(const CDiskEditor& editor, std::string_view path) {
    const auto names = ParseCatalogPath(path);
    if (names.empty())
        return editor.Disk().RootDir();
    const auto image = ImageOf(editor);
    const auto found = ResolveCatalogPath(*image, image->Root(), names);
    if (!found || !found->isDirectory || image->Entry(found->entry).deleted)
        return std::nullopt;
    const auto place = image->Enter(found->entry);
    return place ? std::optional(place->dir) : std::nullopt;
}

} // namespace

std::vector<std::string> FormatFlags() {
    std::vector<std::string> flags;
    for (const FileSystemFormat* format : WritableFormats())
        flags.push_back(FormatFlag(*format));
    return flags;
}

namespace {

int FormatHardDisk(const Arguments& args, const FileSystemFormat& format) {
    const auto sizes = ParseDiskSizes(args.Value("--disks"));
    if (args.positional.size() != 1 || !sizes)
        return UsageError(IDS_CLI_USAGE_FORMAT, LoadResString(IDS_CLI_BAD_DISKS));
    if (const auto error = WriteBlankHardDisk(args.positional[0], *sizes, format))
        return Error(*error);
    return Success;
}

// The logical disk made a blank disk of the format; one that is not empty only with --force.
int FormatLogicalDisk(const Arguments& args, const FileSystemFormat& format) {
    const std::string& number = args.positional[1];
    if (number.empty() || number.size() > 5 ||
        number.find_first_not_of("0123456789") != std::string::npos)
        return UsageError(IDS_CLI_USAGE_FORMAT, LoadResString(IDS_CLI_DISK_NUMBER));
    const bool force = args.flags.count("--force") > 0;
    return Changed(
        args, {std::stoi(number), &format},
        [](CDiskEditor&, std::vector<std::string>&) { return ChangeStep{}; },
        [force] { return force; });
}

} // namespace

int Format(const Arguments& args) {
    const FileSystemFormat* format = FormatOption(args.flags);
    if (!format)
        return UsageError(IDS_CLI_USAGE_FORMAT,
                          FormatResString(IDS_CLI_ONE_FORMAT, {JoinedFormatFlags(", ")}));
    if (args.flags.count("--hdi"))
        return FormatHardDisk(args, *format);
    if (args.positional.size() == 2)
        return FormatLogicalDisk(args, *format);
    if (const auto error = WriteBlankImage(args.positional[0], *format))
        return Error(*error);
    return Success;
}

// Every fault of the disk's layout, one a line, as a change would meet them; nothing is
// written. A hard disk's logical disks are each checked, those of a known format.
int Check(const Arguments& args) {
    const std::string& path = args.positional[0];
    FinishInterruptedChange(path);
    OpenFailure failure;
    const auto image = OpenDiskImage(path, &failure, ImageAccess::ReadOnly);
    if (!image)
        return Error(OpenFailureText(path, PrintableHostPath(path), failure));
    const HardDiskLayout* layout = image->HardDisk();
    bool clean = true;
    const auto check = [&](const std::string& name, std::span<const uint8_t> bytes) {
        const auto editor = EditDisk({bytes.begin(), bytes.end()});
        for (const LayoutFault& fault :
             editor ? editor->LayoutFaults() : std::vector<LayoutFault>()) {
            std::cout << name << ": " << LayoutFaultText(fault) << "\n";
            clean = false;
        }
    };
    if (!layout)
        check(PrintableHostPath(path), image->FloppyBytes());
    for (size_t i = 0; layout && i < layout->disks.size(); ++i) { // a logical disk at a time
        const std::string name = PrintableHostPath(path) + " " + std::to_string(i);
        if (const auto cut = WhyCut(*image, static_cast<int>(i))) {
            std::cout << name << ": " << *cut << "\n";
            clean = false;
            continue;
        }
        check(name, image->DiskBytes(static_cast<int>(i)));
    }
    if (clean)
        std::cout << FormatResString(IDS_CLI_CHECK_CLEAN, {PrintableHostPath(path)}) << "\n";
    return FinishOutput(clean ? Success : Failure);
}

int Add(const Arguments& args) {
    const auto address = args.values.count("--address")
                             ? ParseOctalAddress(args.Value("--address"))
                             : std::optional<uint16_t>(kDefaultLoadAddress);
    if (!address)
        return UsageError(IDS_CLI_USAGE_ADD, LoadResString(IDS_CLI_BAD_ADDRESS));
    const bool replace = args.flags.count("--replace") > 0;
    const AddControl control{
        [replace](const std::string&) { return replace; }, {}, args.flags.count("-r") > 0};
    const std::vector<std::string> files =
        ExpandHostPatterns({args.positional.begin() + 1, args.positional.end()});
    DiskPaths paths(args.positional[0]);
    const auto on = paths.On(args.Value("--to"));
    if (!on)
        return Failure;
    return Changed(
        args, paths.Target(), [&](CDiskEditor& editor, std::vector<std::string>&) -> ChangeStep {
            int dir = editor.Disk().RootDir(); // which needs no look-up, nor the image's copy
            if (!ParseCatalogPath(*on).empty()) {
                const auto image = ImageOf(editor);
                const auto to = EnterDirectory(*image, *on);
                if (!to)
                    return {""};
                dir = to->dir;
            }
            return {AddHostFiles(editor, dir, files, *address, control)};
        });
}

int Remove(const Arguments& args) {
    DiskPaths paths(args.positional[0]);
    std::vector<std::string> onDisk;
    for (auto path = args.positional.begin() + 1; path != args.positional.end(); ++path) {
        const auto on = paths.On(*path);
        if (!on)
            return Failure;
        onDisk.push_back(*on);
    }
    return Changed(args, paths.Target(),
                   [&](CDiskEditor& editor, std::vector<std::string>&) -> ChangeStep {
                       std::vector<Doomed> doomed;
                       for (size_t i = 0; i < onDisk.size(); ++i) {
                           const std::string& typed = args.positional[i + 1];
                           const auto index = EntryAt(editor, onDisk[i]);
                           if (!index)
                               return RefusedStep(EditError::NotFound, typed, editor);
                           doomed.push_back({editor.Disk().Entries()[static_cast<size_t>(*index)],
                                             PrintableHostPath(typed)});
                       }
                       return RemoveEntries(editor, doomed, args.flags.count("-r") > 0);
                   });
}

int MakeDirectory(const Arguments& args) {
    const std::string& path = args.positional[1];
    DiskPaths paths(args.positional[0]);
    const auto on = paths.On(path);
    if (!on)
        return Failure;
    return Changed(args, paths.Target(),
                   [&](CDiskEditor& editor, std::vector<std::string>& made) -> ChangeStep {
                       const auto [parentPath, typed] = SplitLastName(*on);
                       const NewName name = ParseNewName(typed);
                       if (name.fault != NewNameFault::None)
                           return RefusedName(name.fault, path, editor, true);
                       const auto parent = DirectoryAt(editor, parentPath);
                       if (!parent)
                           return RefusedStep(EditError::NotFound, path, editor);
                       return StepOf(editor.MakeDirectory(*parent, name.name), editor,
                                     PrintableHostPath(path), true, made);
                   });
}

// A name alone renames the entry where it is. A directory that is there (beside the entry
// for a name alone, else a path from the root) takes the entry under its own name; any other
// path moves it to the path's directory under the path's last name.
int Rename(const Arguments& args) {
    DiskPaths paths(args.positional[0]);
    const auto sourceOn = paths.On(args.positional[1]);
    const bool beside = args.positional[2].find_first_of("/\\") == std::string::npos;
    const auto typedOn = beside ? std::optional(args.positional[2]) : paths.On(args.positional[2]);
    if (!sourceOn || !typedOn)
        return Failure;
    const std::string& source = *sourceOn;
    const std::string& typed = *typedOn;
    return Changed(
        args, paths.Target(),
        [&](CDiskEditor& editor, std::vector<std::string>& made) -> ChangeStep {
            const auto index = EntryAt(editor, source);
            if (!index)
                return RefusedStep(EditError::NotFound, source, editor);
            const DiskEntry entry = editor.Disk().Entries()[static_cast<size_t>(*index)];
            if (args.positional[2].empty())
                return RefusedName(NewNameFault::Empty, typed, editor, entry.IsDirectory());
            const std::string sourceDir(SplitLastName(source).first);
            const std::string destination =
                beside && !sourceDir.empty() ? sourceDir + "/" + typed : typed;
            auto dir = DirectoryAt(editor, destination);
            std::string newName = entry.name;
            // Refusals name what the user would look for: the entry where it would go, or the
            // directory that cannot move.
            std::string subject = typed + "/" + std::string(SplitLastName(source).second);
            if (!dir || (entry.IsDirectory() && *dir == entry.ownDir)) { // no directory to go into
                subject = typed;
                const auto [parent, last] = SplitLastName(destination);
                const NewName name = ParseNewName(last);
                if (name.fault != NewNameFault::None)
                    return RefusedName(name.fault, typed, editor, entry.IsDirectory());
                dir = beside ? std::optional(entry.holdingDir) : DirectoryAt(editor, parent);
                if (!dir)
                    return RefusedStep(EditError::NotFound, typed, editor);
                newName = name.name;
            }
            const EditResult result = editor.Move(*index, *dir, newName);
            return StepOf(
                result, editor,
                PrintableHostPath(result.error == EditError::IntoItself ? source : subject),
                entry.IsDirectory(), made);
        });
}

} // namespace bkdisk
