// bkdisk's commands that change images. Each reads the image once, makes every change
// it is asked for in memory, and writes the image once, only when all of them succeeded.
#include "BkDiskCommand.h"
#include "CatalogPath.h"
#include "CatalogView.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageChange.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <cctype>
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

std::optional<uint16_t> OctalAddress(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("01234567") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::stoul(text, nullptr, 8);
    return value <= 0xFFFF ? std::optional<uint16_t>(static_cast<uint16_t>(value)) : std::nullopt;
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

// The change made and the image written once, through the path every change takes; no
// other writer of ours changes the image meanwhile.
int Changed(const Arguments& args, const DiskChange& change) {
    ChangeRequest request{{}, true, {}, false};
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
    default:
        Error(outcome.text);
        if (outcome.hardLinked)
            Error(LoadResString(IDS_CLI_BREAK_LINKS));
        return Failure;
    }
}

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

int Format(const Arguments& args) {
    const FileSystemFormat* format = FormatOption(args.flags);
    if (!format)
        return UsageError(IDS_CLI_USAGE_FORMAT,
                          FormatResString(IDS_CLI_ONE_FORMAT, {JoinedFormatFlags(", ")}));
    if (const auto error = WriteBlankImage(args.positional[0], *format))
        return Error(*error);
    return Success;
}

// Every fault of the disk's layout, one a line, as a change would meet them; nothing is
// written.
int Check(const Arguments& args) {
    const std::string& path = args.positional[0];
    OpenFailure failure;
    const auto image = OpenDiskImage(path, &failure, ImageAccess::ReadOnly);
    if (!image)
        return Error(OpenFailureText(path, PrintableHostPath(path), failure));
    if (image->HardDisk())
        return Error(ravelko::LoadResString(ravelko::IDS_EDIT_HARD_DISK));
    const auto bytes = image->FloppyBytes();
    const auto editor = EditDisk({bytes.begin(), bytes.end()});
    if (!editor)
        return Error(FormatResString(ravelko::IDS_EDIT_FORMAT_READ_ONLY, {image->GetFormatName()}));
    const auto faults = editor->LayoutFaults();
    for (const LayoutFault& fault : faults)
        std::cout << PrintableHostPath(path) << ": " << LayoutFaultText(fault) << "\n";
    if (faults.empty())
        std::cout << FormatResString(IDS_CLI_CHECK_CLEAN, {PrintableHostPath(path)}) << "\n";
    return FinishOutput(faults.empty() ? Success : Failure);
}

int Add(const Arguments& args) {
    const auto address = args.values.count("--address")
                             ? OctalAddress(args.Value("--address"))
                             : std::optional<uint16_t>(kDefaultLoadAddress);
    if (!address)
        return UsageError(IDS_CLI_USAGE_ADD, LoadResString(IDS_CLI_BAD_ADDRESS));
    const bool replace = args.flags.count("--replace") > 0;
    const AddControl control{
        [replace](const std::string&) { return replace; }, {}, args.flags.count("-r") > 0};
    const std::vector<std::string> files =
        ExpandHostPatterns({args.positional.begin() + 1, args.positional.end()});
    return Changed(args, [&](CDiskEditor& editor, std::vector<std::string>&) -> ChangeStep {
        int dir = editor.Disk().RootDir(); // which needs no look-up, nor the image's copy
        if (!args.Value("--to").empty()) {
            const auto image = ImageOf(editor);
            const auto to = EnterDirectory(*image, args.Value("--to"));
            if (!to)
                return {""};
            dir = to->dir;
        }
        return {AddHostFiles(editor, dir, files, *address, control)};
    });
}

int Remove(const Arguments& args) {
    return Changed(args, [&](CDiskEditor& editor, std::vector<std::string>&) -> ChangeStep {
        std::vector<Doomed> doomed;
        for (auto path = args.positional.begin() + 1; path != args.positional.end(); ++path) {
            const auto index = EntryAt(editor, *path);
            if (!index)
                return RefusedStep(EditError::NotFound, *path, editor);
            doomed.push_back(
                {editor.Disk().Entries()[static_cast<size_t>(*index)], PrintableHostPath(*path)});
        }
        return RemoveEntries(editor, doomed, args.flags.count("-r") > 0);
    });
}

int MakeDirectory(const Arguments& args) {
    const std::string& path = args.positional[1];
    return Changed(args, [&](CDiskEditor& editor, std::vector<std::string>& made) -> ChangeStep {
        const auto [parentPath, typed] = SplitLastName(path);
        const NewName name = ParseNewName(typed);
        if (name.fault != NewNameFault::None)
            return RefusedName(name.fault, path, editor, true);
        const auto parent = DirectoryAt(editor, parentPath);
        if (!parent)
            return RefusedStep(EditError::NotFound, path, editor);
        return StepOf(editor.MakeDirectory(*parent, name.name), editor, PrintableHostPath(path),
                      true, made);
    });
}

// A name alone renames the entry where it is. A directory that is there (beside the entry
// for a name alone, else a path from the root) takes the entry under its own name; any other
// path moves it to the path's directory under the path's last name.
int Rename(const Arguments& args) {
    const std::string& source = args.positional[1];
    const std::string& typed = args.positional[2];
    return Changed(args, [&](CDiskEditor& editor, std::vector<std::string>& made) -> ChangeStep {
        const auto index = EntryAt(editor, source);
        if (!index)
            return RefusedStep(EditError::NotFound, source, editor);
        const DiskEntry entry = editor.Disk().Entries()[static_cast<size_t>(*index)];
        if (typed.empty())
            return RefusedName(NewNameFault::Empty, typed, editor, entry.IsDirectory());
        const bool beside = typed.find_first_of("/\\") == std::string::npos;
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
        return StepOf(result, editor,
                      PrintableHostPath(result.error == EditError::IntoItself ? source : subject),
                      entry.IsDirectory(), made);
    });
}

} // namespace bkdisk
