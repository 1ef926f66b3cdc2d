#include "ImageEdit.h"

#include "CatalogPath.h"
#include "CatalogView.h"
#include "Export.h"
#include "HostFiles.h"
#include "Cp1251.h"
#include "HardDisk.h"
#include "HostNames.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <filesystem>

using namespace ravelko;

namespace {

constexpr size_t kBinHeader = 4;

std::string ReasonOf(const hostfiles::WriteResult& result) {
    return result.reason.empty() ? LoadResString(IDS_EDIT_NOT_A_FILE) : result.reason;
}

std::string WriteFailureText(const hostfiles::WriteResult& result) {
    return FormatResString(IDS_EDIT_CANNOT_SAVE, {ReasonOf(result)});
}

// Why the disk of `format` cannot be changed: no editor for it, or a fault of its layout.
std::optional<std::string> WhyUneditable(const CDiskEditor* editor, const std::string& format) {
    if (!editor)
        return FormatResString(IDS_EDIT_FORMAT_READ_ONLY, {format});
    if (const auto faults = editor->LayoutFaults(); !faults.empty())
        return LayoutRefusalText(faults.front());
    return std::nullopt;
}

// "IMG is open in zelmarin (pid 4242): ...", or in another program when the host cannot tell.
std::string HeldText(const std::string& printable, const hostfiles::ChangeFailure& holder) {
    if (holder.processId == 0)
        return FormatResString(IDS_EDIT_HELD, {printable});
    return FormatResString(IDS_EDIT_HELD_BY, {printable, PrintableHostPath(holder.program),
                                              std::to_string(holder.processId)});
}

} // namespace

namespace {

std::string DiskNumber(int disk) {
    return std::to_string(disk);
}

// How far a logical disk runs past the end of an image file of `size` bytes.
long long MissingOf(const HardDiskLayout::LogicalDisk& disk, long long size) {
    return std::max(0LL, disk.offset + disk.size - size);
}

// Why a logical disk the file ends inside cannot be changed: it would be written past the end.
std::string CutDiskText(int disk, long long missing) {
    return FormatResString(IDS_DISK_CANNOT_CHANGE, {DiskNumber(disk)}) + " " +
           FormatResString(IDS_OPEN_CUT_SHORT, {std::to_string(missing)});
}

// Files on a disk of a known format, or, on one of no known format, any byte not zero.
bool HoldsAnything(std::span<const uint8_t> disk) {
    const FileSystemFormat* format = DetectFileSystem(disk);
    if (!format)
        return std::any_of(disk.begin(), disk.end(), [](uint8_t byte) { return byte != 0; });
    const auto fs = format->Open(disk);
    const auto& entries = fs->Entries();
    return std::any_of(entries.begin(), entries.end(),
                       [](const DiskEntry& entry) { return !entry.deleted; });
}

// The layout of a hard disk in the image's bytes; a headerless one only where no floppy is.
std::optional<HardDiskLayout> HardDiskIn(std::span<const uint8_t> bytes) {
    if (auto layout = ReadHardDiskLayout(bytes))
        return layout;
    return DetectFileSystem(bytes) ? std::nullopt : ReadHeaderlessLayout(bytes);
}

} // namespace

// A hard disk is read a piece at a time and changed in place: its head, and the logical disk
// changed; a floppy is read whole.
std::unique_ptr<CImageFileEdit> CImageFileEdit::Open(const std::string& path, std::string& error,
                                                     bool* readOnly, bool lockFirst,
                                                     const EditTarget& target) {
    using hostfiles::ChangeFailure;
    using hostfiles::ReplaceableFile;
    const std::string printable = PrintableHostPath(path);
    ChangeFailure failure;
    const bool hardDisk = HardDiskLayoutOf(path).has_value();
    auto file = hardDisk ? ReplaceableFile::OpenForPatches(PathFromUtf8(path), lockFirst,
                                                           kChangeLockWait, failure)
                         : ReplaceableFile::Open(PathFromUtf8(path), kMaxImageSize, lockFirst,
                                                 kChangeLockWait, failure);
    if (readOnly)
        *readOnly = failure.kind == ChangeFailure::ReadOnly;
    if (!file) {
        const OpenFailure::Kind kind =
            failure.kind == ChangeFailure::ReadOnly   ? OpenFailure::ReadOnly
            : failure.kind == ChangeFailure::TooLarge ? OpenFailure::TooLarge
                                                      : OpenFailure::CannotRead;
        error = failure.kind == ChangeFailure::Locked
                    ? FormatResString(IDS_EDIT_LOCKED, {printable})
                    : OpenFailureText(path, printable, {kind, failure.reason});
        return nullptr;
    }
    std::unique_ptr<CImageFileEdit> edit(new CImageFileEdit(path, std::move(*file)));
    if (hardDisk) {
        const auto why = target.disk ? edit->EditLogicalDisk(target)
                                     : FormatResString(IDS_EDIT_NAME_DISK, {printable});
        if (why)
            error = *why;
        return why ? nullptr : std::move(edit);
    }
    // Detected and read once, by the editor.
    std::vector<uint8_t> bytes = edit->m_file.TakeBytes();
    const FileSystemFormat* format = DetectFileSystem(bytes);
    const bool becameHardDisk = HardDiskIn(bytes).has_value();
    if (!format || target.disk || becameHardDisk) {
        error = target.disk || becameHardDisk
                    ? FormatResString(IDS_EDIT_CHANGED_MEANWHILE, {printable})
                    : OpenFailureText(path, printable, {OpenFailure::UnknownFormat, {}});
        return nullptr;
    }
    edit->m_editor = format->edit ? format->edit(std::move(bytes), *format) : nullptr;
    if (const auto why = WhyUneditable(edit->m_editor.get(), format->name)) {
        error = *why;
        return nullptr;
    }
    return edit;
}

std::optional<HardDiskLayout> CImageFileEdit::ReadLayout() {
    const long long size = static_cast<long long>(m_file.Size());
    const auto head = m_file.ReadPiece(0, static_cast<uint64_t>(std::min(size, kHardDiskHead)));
    if (!head)
        return std::nullopt;
    if (auto layout = ReadHardDiskLayout(*head))
        return layout;
    if (size > kMaxImageSize) // no floppy is that large
        return ReadHeaderlessLayout(*head);
    if (!ReadHeaderlessLayout(*head))
        return std::nullopt;
    const auto whole = m_file.ReadPiece(0, static_cast<uint64_t>(size));
    return whole ? HardDiskIn(*whole) : std::nullopt;
}

std::optional<std::string> CImageFileEdit::EditLogicalDisk(const EditTarget& target) {
    const int number = *target.disk;
    const auto layout = ReadLayout();
    if (!layout) // it was a hard disk a moment ago
        return FormatResString(IDS_EDIT_CHANGED_MEANWHILE, {PrintableHostPath(m_path)});
    if (number < 0 || static_cast<size_t>(number) >= layout->disks.size())
        return FormatResString(IDS_EDIT_NO_SUCH_DISK,
                               {PrintableHostPath(m_path), DiskNumber(number)});
    const auto where = layout->disks[static_cast<size_t>(number)];
    if (const long long missing = MissingOf(where, static_cast<long long>(m_file.Size()));
        missing > 0)
        return CutDiskText(number, missing);
    auto stored =
        m_file.ReadPiece(static_cast<uint64_t>(where.offset), static_cast<uint64_t>(where.size));
    if (!stored)
        return FormatResString(IDS_EDIT_CHANGED_MEANWHILE, {PrintableHostPath(m_path)});
    m_stored = std::move(*stored);
    std::vector<uint8_t> disk = m_stored;
    InvertBytes(disk);
    const FileSystemFormat* format = target.blank;
    if (format) {
        const auto blocks = format->BlocksOn(where.size / kSectorSize);
        if (!blocks)
            return FormatResString(IDS_EDIT_DISK_TOO_SMALL,
                                   {DiskNumber(number), format->name,
                                    std::to_string(format->sizes.least * kSectorSize / 1024)});
        m_blankedOver = HoldsAnything(disk);
        const auto blank = format->blank(*blocks);
        std::copy(blank.begin(), blank.end(), disk.begin());
    } else if (!(format = DetectFileSystem(disk))) {
        return FormatResString(IDS_EDIT_NO_FILE_SYSTEM, {DiskNumber(number)});
    }
    m_editor = format->edit ? format->edit(std::move(disk), *format) : nullptr;
    if (const auto why = WhyUneditable(m_editor.get(), format->name))
        return why;
    m_disk = where;
    return std::nullopt;
}

bool CImageFileEdit::DiskWas(std::span<const uint8_t> known) const {
    if (m_disk) // what the file stores, inverted
        return std::equal(known.begin(), known.end(), m_stored.begin(), m_stored.end(),
                          [](uint8_t bk, uint8_t stored) { return bk == (~stored & 0xFF); });
    return std::equal(known.begin(), known.end(), m_editor->Bytes().begin(),
                      m_editor->Bytes().end());
}

// A hard disk is read again from its file, as the window reads one: a logical disk at a time.
std::unique_ptr<CDiskImage> CImageFileEdit::Image() const {
    return m_disk ? OpenDiskImage(m_path) : CreateDiskImage(m_path, m_editor->Bytes());
}

std::optional<CImageFileEdit::SaveRefusal> CImageFileEdit::Save(bool breakLinks) {
    using hostfiles::ChangeFailure;
    ChangeFailure failure;
    const auto& bytes = m_editor->Bytes();
    if (m_disk) { // the disk back in its place, stored inverted; no other byte is written
        std::vector<uint8_t> stored = bytes;
        InvertBytes(stored);
        if (m_file.Patch(static_cast<uint64_t>(m_disk->offset), stored, m_stored, kChangeLockWait,
                         failure))
            return std::nullopt;
    } else if (m_file.Replace({std::span(bytes)}, breakLinks, kChangeLockWait, failure)) {
        return std::nullopt;
    }
    const std::string printable = PrintableHostPath(m_path);
    switch (failure.kind) {
    case ChangeFailure::Locked:
        return SaveRefusal{failure.kind, FormatResString(IDS_EDIT_LOCKED, {printable})};
    case ChangeFailure::Changed:
        return SaveRefusal{failure.kind, FormatResString(IDS_EDIT_CHANGED_MEANWHILE, {printable})};
    case ChangeFailure::HeldOpen:
        return SaveRefusal{failure.kind, HeldText(printable, failure)};
    case ChangeFailure::HardLinked:
        return SaveRefusal{
            failure.kind,
            FormatResString(IDS_EDIT_HARD_LINKED, {printable, std::to_string(failure.links)})};
    case ChangeFailure::Ownership:
        return SaveRefusal{failure.kind,
                           FormatResString(IDS_EDIT_OWNERSHIP, {printable, failure.reason})};
    default:
        return SaveRefusal{failure.kind, WriteFailureText(failure.write)};
    }
}

void FinishInterruptedChange(const std::string& path) {
    hostfiles::ReplaceableFile::UndoInterruptedPatch(PathFromUtf8(path), kChangeLockWait);
}

std::optional<std::string> HeldElsewhereText(const std::string& path) {
    const auto holder = hostfiles::HeldElsewhere(PathFromUtf8(path));
    return holder ? std::optional(HeldText(PrintableHostPath(path), *holder)) : std::nullopt;
}

namespace {

// An editor over a copy of a floppy's bytes; null for a hard disk or a format not changed.
std::unique_ptr<CDiskEditor> EditorOf(const CDiskImage& image) {
    const auto bytes = image.FloppyBytes();
    return image.HardDisk() ? nullptr : EditDisk({bytes.begin(), bytes.end()});
}

std::optional<std::string> WhyReadOnly(const CDiskImage& image, bool fileWritable,
                                       const CDiskEditor* editor) {
    if (!fileWritable)
        return LoadResString(IDS_READ_ONLY_FILE);
    if (image.HardDisk()) // each logical disk has its own reasons
        return std::nullopt;
    return WhyUneditable(editor, image.GetFormatName());
}

} // namespace

std::optional<std::string> WhyReadOnly(const CDiskImage& image, bool fileWritable) {
    return WhyReadOnly(image, fileWritable, fileWritable ? EditorOf(image).get() : nullptr);
}

std::optional<FreeSpace> FreeSpaceOf(const CDiskEditor* editor) {
    if (!editor || !editor->LayoutFaults().empty())
        return std::nullopt;
    return FreeSpace{editor->FreeBytes(), editor->LargestFreePiece()};
}

std::optional<std::string> WhyCut(const CDiskImage& image, int disk) {
    const HardDiskLayout* layout = image.HardDisk();
    if (!layout || disk < 0 || static_cast<size_t>(disk) >= layout->disks.size())
        return std::nullopt;
    const long long missing =
        MissingOf(layout->disks[static_cast<size_t>(disk)], image.GetImageSize());
    return missing > 0 ? std::optional(CutDiskText(disk, missing)) : std::nullopt;
}

DiskState LogicalDiskState(CDiskImage& image, int disk) {
    const HardDiskLayout* layout = image.HardDisk();
    if (!layout || disk < 0 || static_cast<size_t>(disk) >= layout->disks.size())
        return {};
    if (auto cut = WhyCut(image, disk))
        return {std::move(cut), std::nullopt};
    const auto bytes = image.DiskBytes(disk);
    const FileSystemFormat* format = DetectFileSystem(bytes);
    if (!format)
        return {FormatResString(IDS_EDIT_NO_FILE_SYSTEM, {DiskNumber(disk)}), std::nullopt};
    const auto editor =
        format->edit ? format->edit({bytes.begin(), bytes.end()}, *format) : nullptr;
    return {WhyUneditable(editor.get(), format->name), FreeSpaceOf(editor.get())};
}

std::optional<FreeSpace> FloppyFreeSpace(const CDiskImage& image) {
    return FreeSpaceOf(EditorOf(image).get());
}

// The disk is read once for both the reason and the free space.
OpenedImage OpenImageForChanges(const std::string& path) {
    FinishInterruptedChange(path);
    OpenedImage opened;
    opened.image = OpenDiskImage(path, &opened.failure);
    const bool fileWritable = opened.failure.kind != OpenFailure::ReadOnly;
    if (!fileWritable)
        opened.image = OpenDiskImage(path, &opened.failure, ImageAccess::ReadOnly);
    if (opened.image) {
        const auto editor = EditorOf(*opened.image);
        opened.readOnly = WhyReadOnly(*opened.image, fileWritable, editor.get());
        opened.freeSpace = FreeSpaceOf(editor.get());
    }
    return opened;
}

namespace {

// The live directory named `name` in `dir`, or the one holding `dir` for "..".
std::optional<int> StepInto(const CFileSystem& disk, int dir, std::string_view name) {
    for (const DiskEntry& entry : disk.Entries()) {
        if (entry.deleted || !entry.IsDirectory())
            continue;
        if (name == ".." ? entry.ownDir == dir && dir != disk.RootDir()
                         : entry.holdingDir == dir && EqualNoCase(entry.name, name))
            return name == ".." ? entry.holdingDir : entry.ownDir;
    }
    return std::nullopt;
}

} // namespace

TypedDestination ResolveTypedName(const CFileSystem& disk, int dir, std::string_view cp1251) {
    const char separator = cp1251.find('\\') != std::string_view::npos ? '\\' : '/';
    std::optional<int> at = dir;
    for (size_t end; at && (end = cp1251.find(separator)) != std::string_view::npos;
         cp1251.remove_prefix(end + 1)) {
        if (const auto step = cp1251.substr(0, end); !step.empty() && step != ".")
            at = StepInto(disk, *at, step);
    }
    return {at, std::string(cp1251)};
}

std::vector<EntryRef> RemovableEntries(const CatalogListing& listing,
                                       const std::vector<int>& selection) {
    std::vector<EntryRef> entries;
    for (const int row : selection) {
        const auto ref = listing.EntryAt(row);
        if (!ref)
            continue;
        const DiskEntry entry = listing.Image().Entry(*ref);
        if (!entry.deleted &&
            (entry.kind == DiskEntry::Kind::File || entry.kind == DiskEntry::Kind::Directory))
            entries.push_back(*ref);
    }
    return entries;
}

ChangeState ComputeChangeState(const CatalogListing* listing, const std::vector<int>& selection,
                               bool writable) {
    if (!listing || !writable || listing->Current().disk == kDiskList)
        return {};
    const size_t removable = RemovableEntries(*listing, selection).size();
    return {true, removable > 0, removable == 1 && selection.size() == 1};
}

// "Delete GAME, DOCS (with all it holds)?": a directory that holds entries says so.
std::string DeleteQuestion(const CatalogListing& listing, const std::vector<EntryRef>& entries) {
    std::string names;
    for (const EntryRef& ref : entries) {
        const DiskEntry entry = listing.Image().Entry(ref);
        if (!names.empty())
            names += ", ";
        names += PrintableName(entry.name);
        const auto inside = entry.IsDirectory()
                                ? listing.Image().Contents(Place{ref.disk, entry.ownDir})
                                : std::vector<int>();
        if (std::any_of(inside.begin(), inside.end(), [&](int index) {
                return !listing.Image().Entry({ref.disk, index}).deleted;
            }))
            names += LoadResString(IDS_DELETE_WITH_CONTENTS);
    }
    return FormatResString(IDS_DELETE_QUESTION, {names});
}

namespace {

std::optional<std::string> WriteNewImage(const std::string& path, std::span<const uint8_t> bytes) {
    const auto file = PathFromUtf8(path);
    std::string reason;
    const auto folder = hostfiles::HostFolder::Open(
        file.has_parent_path() ? file.parent_path() : std::filesystem::path("."), false, reason);
    if (!folder)
        return FormatResString(IDS_NEW_IMAGE_NOT_WRITTEN, {PrintableHostPath(path), reason});
    const auto result = folder->WriteFile(file.filename(), {bytes}, hostfiles::IfExists::Keep);
    if (result.outcome == hostfiles::Outcome::Written)
        return std::nullopt;
    if (result.outcome == hostfiles::Outcome::Exists)
        return FormatResString(IDS_EDIT_IMAGE_EXISTS, {PrintableHostPath(path)});
    return FormatResString(IDS_NEW_IMAGE_NOT_WRITTEN, {PrintableHostPath(path), ReasonOf(result)});
}

} // namespace

std::optional<std::string> WriteBlankImage(const std::string& path,
                                           const FileSystemFormat& format) {
    return WriteNewImage(path, format.Blank());
}

std::optional<std::vector<long long>> ParseDiskSizes(const std::string& text) {
    std::vector<long long> sizes;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t end = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, end - at);
        const size_t times = item.find_first_of("xX");
        const std::string count = times == std::string::npos ? "1" : item.substr(0, times);
        std::string size = times == std::string::npos ? item : item.substr(times + 1);
        const char unit = size.empty() ? 0 : static_cast<char>(std::toupper(size.back()));
        if (unit == 'K' || unit == 'M')
            size.pop_back();
        const auto digits = [](const std::string& number) {
            return !number.empty() && number.size() < 6 &&
                   number.find_first_not_of("0123456789") == std::string::npos;
        };
        if (!digits(count) || !digits(size))
            return std::nullopt;
        const long long bytes = std::stoll(size) << (unit == 'M' ? 20 : 10);
        // One more than a hard disk holds is enough to be refused for.
        const size_t room = static_cast<size_t>(kMaxLogicalDisks) + 1 - sizes.size();
        sizes.insert(sizes.end(), std::min(room, static_cast<size_t>(std::stoi(count))), bytes);
        at = end + 1;
    }
    return sizes;
}

namespace {

// The new hard disk's layout, or why the sizes cannot make one of the format.
std::optional<HardDiskLayout> PlanNewHardDisk(const std::vector<long long>& diskSizes,
                                              const FileSystemFormat& format, std::string& why) {
    std::vector<long long> sectors;
    for (const long long size : diskSizes)
        sectors.push_back((size + kSectorSize - 1) / kSectorSize);
    auto layout = PlanHardDisk(sectors);
    if (!layout || layout->declaredSectors * kSectorSize > kMaxNewHardDisk) {
        why = FormatResString(IDS_NEW_HARD_DISK_LIMITS,
                              {std::to_string(kMaxLogicalDisks),
                               std::to_string(kMaxNewDiskSectors * kSectorSize / 1024),
                               std::to_string(kMaxNewHardDisk >> 20)});
        return std::nullopt;
    }
    for (size_t i = 0; i < layout->disks.size(); ++i) {
        if (!format.BlocksOn(layout->disks[i].size / kSectorSize)) {
            why = FormatResString(IDS_EDIT_DISK_TOO_SMALL,
                                  {DiskNumber(static_cast<int>(i)), format.name,
                                   std::to_string(format.sizes.least * kSectorSize / 1024)});
            return std::nullopt;
        }
    }
    return layout;
}

} // namespace

std::optional<std::string> HardDiskSizesFault(const std::vector<long long>& diskSizes,
                                              const FileSystemFormat& format) {
    std::string why;
    return PlanNewHardDisk(diskSizes, format, why) ? std::nullopt : std::optional(why);
}

std::optional<std::string> WriteBlankHardDisk(const std::string& path,
                                              const std::vector<long long>& diskSizes,
                                              const FileSystemFormat& format) {
    std::string why;
    const auto layout = PlanNewHardDisk(diskSizes, format, why);
    if (!layout)
        return why;
    std::vector<uint8_t> image = HardDiskImage(*layout);
    for (const auto& disk : layout->disks) {
        auto blank = format.blank(*format.BlocksOn(disk.size / kSectorSize));
        InvertBytes(blank);
        std::copy(blank.begin(), blank.end(), image.begin() + disk.offset);
    }
    return WriteNewImage(path, image);
}

namespace {

std::string WithoutBinExtension(const std::string& name) {
    return name.size() > 4 && IsBinFileName(name) ? name.substr(0, name.size() - 4) : name;
}

} // namespace

FileToAdd FileToAddFrom(std::string_view hostName, std::vector<uint8_t> bytes, uint16_t address) {
    FileToAdd file{Utf8ToCp1251(hostName), address, std::move(bytes)};
    const auto& data = file.data;
    // The name says it is one: any file may happen to start with the right four bytes.
    const bool bin = WithoutBinExtension(file.name) != file.name && data.size() >= kBinHeader &&
                     data.size() - kBinHeader == static_cast<size_t>(data[2] | data[3] << 8);
    if (!bin)
        return file;
    file.address = static_cast<uint16_t>(data[0] | data[1] << 8);
    file.data.erase(file.data.begin(), file.data.begin() + kBinHeader);
    file.name = WithoutBinExtension(file.name);
    return file;
}

namespace {

// Why a host file's name cannot go onto the disk, known before it is read: with and
// without a ".bin" (which only a .bin file's contents drop) the format cannot hold it.
EditError HostNameError(const CDiskEditor& editor, const std::string& hostName) {
    const auto name = Utf8ToCp1251Exactly(hostName);
    if (!name)
        return EditError::NameBadCharacter;
    const EditError whole = editor.CheckName(*name, false);
    const std::string stripped = WithoutBinExtension(*name);
    return whole == EditError::None || stripped == *name ? whole
                                                         : editor.CheckName(stripped, false);
}

// The host file's bytes, or why not in words. No floppy holds more than a megabyte.
// A wildcard that matched nothing is left as it was typed (by the shell on POSIX, by the
// expansion on Windows): it is told as such, not as a file name the system refuses.
std::optional<std::vector<uint8_t>> ReadHostFile(const std::string& path, std::string& why) {
    std::string reason;
    const auto host = PathFromUtf8(path);
    auto data = hostfiles::ReadRegularFile(host, 1 << 20, reason);
    std::error_code error;
    const bool pattern = Utf8FromPath(host.filename()).find_first_of("*?") != std::string::npos &&
                         !std::filesystem::exists(host, error);
    if (!data)
        why = FormatResString(pattern ? IDS_EDIT_NO_MATCH : IDS_EDIT_CANNOT_READ,
                              {PrintableHostPath(path), reason});
    return data;
}

} // namespace

namespace {

// What a host path is to an add: a path the user named is followed where it is a link; one
// found inside a folder never is.
enum class HostKind { File, Folder, Link };
HostKind KindOf(const std::string& path, bool named) {
    std::error_code error;
    const auto status = named ? std::filesystem::status(PathFromUtf8(path), error)
                              : std::filesystem::symlink_status(PathFromUtf8(path), error);
    return std::filesystem::is_directory(status) ? HostKind::Folder
           : std::filesystem::is_symlink(status) ? HostKind::Link
                                                 : HostKind::File;
}

// A host folder's entries (UTF-8 paths) in name order; links are listed, never followed.
std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> paths;
    std::error_code error;
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder), error), end;
         !error && it != end; it.increment(error))
        paths.push_back(Utf8FromPath(it->path()));
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The host files below `paths`, for the progress: a walk of the folders they name, ended
// where a disk could never hold so many.
size_t CountHostFiles(const std::vector<std::string>& paths, bool named, size_t& budget) {
    size_t files = 0;
    for (const std::string& path : paths) {
        if (budget == 0)
            break;
        --budget;
        files += KindOf(path, named) == HostKind::Folder
                     ? CountHostFiles(FolderEntries(path), false, budget)
                     : 1;
    }
    return files;
}

// Host files and folders into one directory after another, each folder as a directory
// (one of its name already there takes its entries).
class CHostTreeAdder {
public:
    CHostTreeAdder(CDiskEditor& editor, uint16_t address, const AddControl& control, size_t total)
        : m_editor(editor), m_address(address), m_control(control), m_total(total) {}

    // `named`: the paths the user gave, not a folder's entries.
    std::optional<std::string> Add(int dir, const std::vector<std::string>& paths, bool named,
                                   std::vector<std::string>* added) {
        for (const std::string& path : paths) {
            std::string name;
            const HostKind kind = KindOf(path, named);
            if (kind == HostKind::Link) // it could lead anywhere, even out of the folder
                return FormatResString(IDS_EDIT_LINK_IN_FOLDER, {PrintableHostPath(path)});
            if (kind == HostKind::Folder && !m_control.folders)
                return FormatResString(IDS_EDIT_FOLDER, {PrintableHostPath(path)});
            auto refused =
                kind == HostKind::Folder ? AddFolder(dir, path, name) : AddFile(dir, path, name);
            if (refused)
                return refused;
            if (added)
                added->push_back(name);
        }
        return std::nullopt;
    }

private:
    std::optional<std::string> AddFolder(int dir, const std::string& path, std::string& made) {
        const std::string hostName = Utf8FromPath(PathFromUtf8(path).filename());
        const auto name = Utf8ToCp1251Exactly(hostName);
        EditResult result =
            name ? m_editor.MakeDirectory(dir, *name) : EditResult{EditError::NameBadCharacter};
        std::optional<int> inside;
        if (result.error == EditError::NameExists)
            inside = StepInto(m_editor.Disk(), dir, *name);
        else if (result.error == EditError::None)
            inside = m_editor.Disk().Entries()[static_cast<size_t>(result.index)].ownDir;
        if (!inside)
            return EditErrorText(result.error, PrintableHostPath(path),
                                 m_editor.Disk().GetFormatName(), true);
        made = *name;
        return Add(*inside, FolderEntries(path), false, nullptr);
    }

    std::optional<std::string> AddFile(int dir, const std::string& path, std::string& made) {
        if (m_control.progress && !m_control.progress(m_done++, m_total))
            return LoadResString(IDS_EDIT_CANCELLED);
        std::string why;
        auto bytes = ReadHostFile(path, why);
        if (!bytes)
            return why;
        const FileToAdd file = FileToAddFrom(Utf8FromPath(PathFromUtf8(path).filename()),
                                             std::move(*bytes), m_address);
        EditResult result = m_editor.AddFile(dir, file.name, file.address, file.data, false);
        if (result.error == EditError::NameExists && m_control.replace &&
            m_control.replace(file.name))
            result = m_editor.AddFile(dir, file.name, file.address, file.data, true);
        if (result.error == EditError::DiskFull) // how far from fitting it is
            return FormatResString(IDS_EDIT_DISK_FULL_BY,
                                   {PrintableHostPath(path), std::to_string(file.data.size()),
                                    std::to_string(m_editor.FreeBytes())});
        if (result.error != EditError::None)
            return EditErrorText(result.error, PrintableHostPath(path),
                                 m_editor.Disk().GetFormatName());
        made = m_editor.Disk().Entries()[static_cast<size_t>(result.index)].name;
        return std::nullopt;
    }

    CDiskEditor& m_editor;
    uint16_t m_address;
    const AddControl& m_control;
    size_t m_total;
    size_t m_done = 0;
};

} // namespace

std::optional<std::string> AddHostFiles(CDiskEditor& editor, int dir,
                                        const std::vector<std::string>& paths, uint16_t address,
                                        const AddControl& control,
                                        std::vector<std::string>* added) {
    // A file's name that can never go on is refused before any question is asked (but what
    // is no file at all is told so first).
    for (const std::string& path : paths) {
        if (KindOf(path, true) == HostKind::Folder)
            continue;
        const EditError error = HostNameError(editor, Utf8FromPath(PathFromUtf8(path).filename()));
        if (error == EditError::None)
            continue;
        std::string why;
        return ReadHostFile(path, why)
                   ? EditErrorText(error, PrintableHostPath(path), editor.Disk().GetFormatName())
                   : why;
    }
    size_t budget = 100000;
    const size_t total = control.folders ? CountHostFiles(paths, true, budget) : paths.size();
    return CHostTreeAdder(editor, address, control, total).Add(dir, paths, true, added);
}

namespace {

// The longest name a format's catalog holds, as the user counts it ("8 + 3").
std::string NameLimit(std::string_view format, bool directory) {
    for (const FileSystemFormat& row : FileSystemFormats()) {
        if (row.name != format)
            continue;
        const NameLimits& limits = row.names;
        if (directory || limits.extension == 0)
            return std::to_string(directory ? limits.directory : limits.name);
        return std::to_string(limits.name) + " + " + std::to_string(limits.extension);
    }
    return {};
}

} // namespace

std::string LayoutFaultText(const LayoutFault& fault) {
    using Kind = LayoutFault::Kind;
    const std::string first = PrintableName(fault.first), second = PrintableName(fault.second);
    const std::string from = std::to_string(fault.from), to = std::to_string(fault.to);
    const auto range = [&](StringId one, StringId several) {
        return fault.from == fault.to ? FormatResString(one, {from})
                                      : FormatResString(several, {from, to});
    };
    switch (fault.kind) {
    case Kind::Unknown:
        return LoadResString(IDS_FAULT_UNKNOWN);
    case Kind::Counts:
        return LoadResString(IDS_FAULT_COUNTS);
    case Kind::Tiling:
        return LoadResString(IDS_FAULT_TILING);
    case Kind::RunsOverlap:
        return FormatResString(IDS_FAULT_RUNS_OVERLAP,
                               {first, second, range(IDS_FAULT_BLOCK, IDS_FAULT_BLOCKS)});
    case Kind::RunInSystemArea:
        return FormatResString(IDS_FAULT_SYSTEM_AREA,
                               {first, range(IDS_FAULT_BLOCK, IDS_FAULT_BLOCKS)});
    case Kind::RunPastDisk:
        return FormatResString(IDS_FAULT_PAST_DISK, {first});
    case Kind::ChainsShare:
        return FormatResString(IDS_FAULT_CHAINS_SHARE,
                               {first, second, range(IDS_FAULT_CLUSTER, IDS_FAULT_CLUSTERS)});
    case Kind::ChainLoops:
        return FormatResString(IDS_FAULT_CHAIN_LOOPS, {first});
    case Kind::ChainBroken:
        return FormatResString(IDS_FAULT_CHAIN_BROKEN, {first});
    case Kind::FatCopiesDiffer:
        return LoadResString(IDS_FAULT_FAT_COPIES);
    case Kind::DirectoryNumber:
        return FormatResString(IDS_FAULT_DIRECTORY_NUMBER, {first, from});
    case Kind::DirectoryNumberTwice:
        return FormatResString(IDS_FAULT_DIRECTORY_TWICE, {first, from});
    case Kind::NeitherFileNorDirectory:
        return FormatResString(IDS_FAULT_NEITHER, {first});
    case Kind::DirectoryCycle:
        return FormatResString(IDS_FAULT_CYCLE, {first});
    }
    return {};
}

std::string LayoutRefusalText(const LayoutFault& fault) {
    return FormatResString(IDS_LAYOUT_FAULT, {LayoutFaultText(fault)});
}

std::string EditErrorText(EditError error, std::string_view subject, std::string_view format,
                          bool directory) {
    const std::string who(subject), what(format);
    switch (error) {
    case EditError::None:
        return {};
    case EditError::NameEmpty:
        return FormatResString(IDS_EDIT_NAME_EMPTY, {who});
    case EditError::NameTooLong:
        return FormatResString(IDS_EDIT_NAME_TOO_LONG, {who, what, NameLimit(what, directory)});
    case EditError::NameBadCharacter:
        return FormatResString(IDS_EDIT_NAME_BAD, {who, what});
    case EditError::NameReserved:
        return FormatResString(IDS_EDIT_NAME_RESERVED, {who});
    case EditError::DirectoryInTheWay:
        return FormatResString(IDS_EDIT_DIRECTORY_IN_THE_WAY, {who});
    case EditError::NameExists:
        return FormatResString(IDS_EDIT_NAME_EXISTS, {who});
    case EditError::NotFound:
        return FormatResString(IDS_EDIT_NOT_FOUND, {who});
    case EditError::NotEmpty:
        return FormatResString(IDS_EDIT_NOT_EMPTY, {who});
    case EditError::IntoItself:
        return FormatResString(IDS_EDIT_INTO_ITSELF, {who});
    case EditError::FileTooLong:
        return FormatResString(IDS_EDIT_FILE_TOO_LONG, {who, what});
    case EditError::ReadsAsDirectory:
        return FormatResString(IDS_EDIT_READS_AS_DIRECTORY, {who});
    case EditError::CatalogFull:
        return FormatResString(IDS_EDIT_CATALOG_FULL, {who});
    case EditError::FreeSpaceInPieces:
        return FormatResString(IDS_EDIT_FREE_SPACE_IN_PIECES, {who, what});
    case EditError::DiskFull:
        return FormatResString(IDS_EDIT_DISK_FULL, {who});
    case EditError::NoDirectoryNumber:
        return FormatResString(IDS_EDIT_NO_DIRECTORY_NUMBER, {who});
    case EditError::UnknownLayout:
        return LoadResString(IDS_EDIT_UNKNOWN_LAYOUT);
    }
    return {};
}
