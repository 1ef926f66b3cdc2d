// bkdisk's commands that change images. Each reads the image once, makes every change
// it is asked for in memory, and writes the image once, only when all of them succeeded.
#include "BkDiskCommand.h"
#include "CatalogPath.h"
#include "CatalogView.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageEdit.h"
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

// Told, and Failure: nothing was written.
int Refused(const std::string& message) {
    Error(message);
    return Error(ravelko::LoadResString(ravelko::IDS_EDIT_UNCHANGED));
}

int Refused(EditError error, const std::string& subject, const CImageFileEdit& edit,
            bool directory = false) {
    return Refused(
        EditErrorText(error, PrintableHostPath(subject), edit.Image()->GetFormatName(), directory));
}

// No other writer of ours changes the image until this command has written it.
int RefusedName(NewNameFault fault, const std::string& typed, const CImageFileEdit& edit,
                bool directory) {
    if (fault == NewNameFault::Occurrence)
        return Refused(FormatResString(IDS_CLI_NAME_PICKS, {PrintableHostPath(typed)}));
    return Refused(fault == NewNameFault::Empty ? EditError::NameEmpty
                                                : EditError::NameBadCharacter,
                   typed, edit, directory);
}

std::unique_ptr<CImageFileEdit> OpenForChanges(const std::string& path) {
    std::string error;
    auto edit = CImageFileEdit::Open(path, error, nullptr, true);
    if (!edit)
        Error(error);
    return edit;
}

int Saved(CImageFileEdit& edit, const Arguments& args) {
    const auto refusal = edit.Save(args.flags.count("--break-links") > 0);
    if (!refusal)
        return Success;
    Error(refusal->text);
    if (refusal->kind == hostfiles::ChangeFailure::HardLinked)
        Error(LoadResString(IDS_CLI_BREAK_LINKS));
    return Failure;
}

// The live entry at a path from the root; none when there is no such entry.
std::optional<int> EntryAt(const CImageFileEdit& edit, const std::string& path) {
    const auto image = edit.Image();
    const auto found = ResolveCatalogPath(*image, image->Root(), ParseCatalogPath(path));
    if (!found || image->Entry(found->entry).deleted)
        return std::nullopt;
    return found->entry.index;
}

// The number of the live directory a path from the root names (the root for an empty path).
std::optional<int> DirectoryAt(const CImageFileEdit& edit, std::string_view path) {
    const auto names = ParseCatalogPath(path);
    const auto image = edit.Image();
    const auto found = names.empty() ? std::optional<ResolvedEntry>()
                                     : ResolveCatalogPath(*image, image->Root(), names);
    if (!names.empty() && (!found || !found->isDirectory || image->Entry(found->entry).deleted))
        return std::nullopt;
    const auto place = found ? image->Enter(found->entry) : image->Root();
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
    auto edit = OpenForChanges(args.positional[0]);
    if (!edit)
        return Failure;
    // The root needs no look-up (nor the copy of the image that a look-up reads).
    const auto image = args.Value("--to").empty() ? nullptr : edit->Image();
    const auto to = image ? EnterDirectory(*image, args.Value("--to"))
                          : std::optional<Place>(Place{0, edit->Editor().Disk().RootDir()});
    if (!to)
        return Failure;
    const bool replace = args.flags.count("--replace") > 0;
    const AddControl control{
        [replace](const std::string&) { return replace; }, {}, args.flags.count("-r") > 0};
    if (const auto error =
            AddHostFiles(edit->Editor(), to->dir,
                         ExpandHostPatterns({args.positional.begin() + 1, args.positional.end()}),
                         *address, control))
        return Refused(*error);
    return Saved(*edit, args);
}

int Remove(const Arguments& args) {
    auto edit = OpenForChanges(args.positional[0]);
    if (!edit)
        return Failure;
    for (auto path = args.positional.begin() + 1; path != args.positional.end(); ++path) {
        const auto index = EntryAt(*edit, *path);
        const EditError error = index ? edit->Editor().Remove(*index, args.flags.count("-r")).error
                                      : EditError::NotFound;
        if (error != EditError::None)
            return Refused(error, *path, *edit);
    }
    return Saved(*edit, args);
}

int MakeDirectory(const Arguments& args) {
    auto edit = OpenForChanges(args.positional[0]);
    if (!edit)
        return Failure;
    const auto [parentPath, typed] = SplitLastName(args.positional[1]);
    const NewName name = ParseNewName(typed);
    if (name.fault != NewNameFault::None)
        return RefusedName(name.fault, args.positional[1], *edit, true);
    const auto parent = DirectoryAt(*edit, parentPath);
    if (!parent)
        return Refused(EditError::NotFound, args.positional[1], *edit);
    const EditError error = edit->Editor().MakeDirectory(*parent, name.name).error;
    if (error != EditError::None)
        return Refused(error, args.positional[1], *edit, true);
    return Saved(*edit, args);
}

// A name alone renames the entry where it is. A directory that is there (beside the entry
// for a name alone, else a path from the root) takes the entry under its own name; any other
// path moves it to the path's directory under the path's last name.
int Rename(const Arguments& args) {
    auto edit = OpenForChanges(args.positional[0]);
    if (!edit)
        return Failure;
    const std::string& source = args.positional[1];
    const std::string& typed = args.positional[2];
    const auto index = EntryAt(*edit, source);
    if (!index)
        return Refused(EditError::NotFound, source, *edit);
    const DiskEntry entry = edit->Editor().Disk().Entries()[static_cast<size_t>(*index)];
    if (typed.empty())
        return RefusedName(NewNameFault::Empty, typed, *edit, entry.IsDirectory());
    const bool beside = typed.find_first_of("/\\") == std::string::npos;
    const std::string sourceDir(SplitLastName(source).first);
    const std::string destination = beside && !sourceDir.empty() ? sourceDir + "/" + typed : typed;
    auto dir = DirectoryAt(*edit, destination);
    std::string newName = entry.name;
    // Refusals name what the user would look for: the entry where it would go, or the
    // directory that cannot move.
    std::string subject = typed + "/" + std::string(SplitLastName(source).second);
    if (!dir || (entry.IsDirectory() && *dir == entry.ownDir)) { // no directory to go into
        subject = typed;
        const auto [parent, last] = SplitLastName(destination);
        const NewName name = ParseNewName(last);
        if (name.fault != NewNameFault::None)
            return RefusedName(name.fault, typed, *edit, entry.IsDirectory());
        dir = beside ? std::optional(entry.holdingDir) : DirectoryAt(*edit, parent);
        if (!dir)
            return Refused(EditError::NotFound, typed, *edit);
        newName = name.name;
    }
    const EditError error = edit->Editor().Move(*index, *dir, newName).error;
    if (error != EditError::None)
        return Refused(error, error == EditError::IntoItself ? source : subject, *edit,
                       entry.IsDirectory());
    return Saved(*edit, args);
}

} // namespace bkdisk
