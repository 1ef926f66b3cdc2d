#include "Export.h"

#include "CatalogWalk.h"
#include "Cp1251.h"
#include "HostNames.h"
#include "OpenerTypes.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <span>

using namespace ravelko;

namespace fs = std::filesystem;

namespace {

using hostfiles::HostFolder;
using hostfiles::IfExists;
using hostfiles::Outcome;
using hostfiles::WriteResult;

// Counts what a walk visits and the bytes its files will take, for the progress and the
// free-space check of the export that follows it.
class EntryCounter : public CatalogVisitor {
public:
    explicit EntryCounter(uint64_t block) : m_block(std::max<uint64_t>(block, 1)) {}
    Next VisitFile(CDiskImage&, const WalkStep& step) override {
        const uint64_t size = uint64_t{step.entry.length} + kBinHeaderSize;
        bytes += (size + m_block - 1) / m_block * m_block;
        return ++count, Continue;
    }
    Next EnterDirectory(CDiskImage&, const WalkStep&) override { return ++count, Continue; }
    size_t count = 0;
    uint64_t bytes = 0;

private:
    const uint64_t m_block;
};

// Why a file or folder could not be written, for the outcomes that let the export go on.
StringId OutcomeReason(Outcome outcome) {
    switch (outcome) {
    case Outcome::Exists:
        return IDS_SKIP_EXISTS;
    case Outcome::Protected:
        return IDS_SKIP_PROTECTED;
    case Outcome::Link:
        return IDS_SKIP_LINK;
    case Outcome::NotRegular:
        return IDS_SKIP_NOT_REGULAR;
    default:
        return IDS_SKIP_NOT_CREATED;
    }
}

class Exporter : public CatalogVisitor {
public:
    Exporter(HostFolder folder, const ExportOptions& options, size_t total)
        : m_options(options), m_total(total) {
        m_folders.push_back({std::move(folder), {}, {}});
    }

    Next VisitFile(CDiskImage& image, const WalkStep& step) override {
        if (const auto& unusable = m_folders.back().unusable)
            return Skip(step, unusable->outcome, unusable->reason);
        const ReadFault fault = image.Read(step.ref, m_data);
        if (fault != ReadFault::None)
            return Skip(step, ReadFaultReason(fault, step.entry.deleted));
        auto header = BinHeader(step.entry.address, m_data.size());
        const std::string wanted =
            WantedFileName(step.HostName(), m_options.addBinExtension && header.has_value());
        if (m_options.headerOnlyInBinFiles && !IsBinFileName(wanted))
            header.reset();
        const std::span<const uint8_t> headerBytes =
            header ? std::span<const uint8_t>(*header) : std::span<const uint8_t>();
        const hostfiles::Parts parts = {headerBytes, std::span<const uint8_t>(m_data)};
        std::string name = m_folders.back().names.Claim(wanted);
        const auto written = WriteAsAsked(wanted, name, parts);
        if (!written)
            return Cancel(m_total - m_done);
        if (written->outcome == Outcome::Written)
            return Done(step, wanted, name, header ? Written::File : Written::FileWithoutHeader);
        if (written->outcome == Outcome::DiskFull || written->outcome == Outcome::Failed)
            return Fail(HostName(name), written->reason);
        return Skip(step, OutcomeReason(written->outcome), written->reason);
    }

    // A folder that cannot be used is still walked: what lies below it is reported as
    // skipped with the folder's reason.
    Next EnterDirectory(CDiskImage&, const WalkStep& step) override {
        Folder& parent = m_folders.back();
        if (const std::optional<Unusable> inherited = parent.unusable) { // a copy: push_back moves
            m_folders.push_back({std::nullopt, {}, inherited});
            return Skip(step, inherited->outcome, inherited->reason);
        }
        const std::string name = parent.names.Claim(step.HostName());
        WriteResult failure;
        auto child = parent.host->OpenChild(HostName(name), failure);
        if (!child && failure.outcome == Outcome::DiskFull)
            return Fail(HostName(name), failure.reason);
        const Next next = child ? Done(step, step.Name(), name, Written::Folder)
                                : Skip(step, OutcomeReason(failure.outcome), failure.reason);
        if (next == Stop)
            return Stop; // no LeaveDirectory follows a stop
        if (child)
            m_folders.push_back({std::move(child), {}, std::nullopt});
        else
            m_folders.push_back({std::nullopt, {}, Unusable{failure.outcome, failure.reason}});
        return next;
    }

    void LeaveDirectory() override { m_folders.pop_back(); }
    bool LiveFirst() const override { return true; }

    void DiskUnreadable(const WalkStep& step, const OpenFailure& why) override {
        Skip(step, IDS_SKIP_DISK_UNREADABLE, OpenFailureReason(why, true));
    }

    ExportResult result;

private:
    struct Unusable {
        Outcome outcome;
        std::string reason;
    };
    struct Folder {
        std::optional<HostFolder> host;
        HostFolderNames names;
        std::optional<Unusable> unusable; // why its contents cannot be written
    };

    static fs::path HostName(const std::string& cp1251Name) {
        return PathFromUtf8(Cp1251ToUtf8(cp1251Name));
    }

    // Writes the file as `name`; a file in the way is kept, replaced or kept beside (then
    // `name` becomes the next "~N" free here), as the options or the question say. None
    // when the question cancelled the export.
    std::optional<WriteResult> WriteAsAsked(const std::string& wanted, std::string& name,
                                            hostfiles::Parts parts) {
        WriteResult written = Write(name, parts, IfExists::Keep);
        if (written.outcome != Outcome::Exists)
            return written;
        const auto choice =
            m_options.askExisting
                ? m_options.askExisting(m_folders.back().host->Path() / HostName(name))
                : std::optional(m_options.existing);
        if (!choice)
            return std::nullopt;
        if (*choice == ExistingFile::Replace) {
            written = Write(name, parts, IfExists::Replace);
            result.replaced += written.outcome == Outcome::Written;
        } else if (*choice == ExistingFile::KeepBoth) {
            while (written.outcome == Outcome::Exists)
                written = Write(name = m_folders.back().names.Claim(wanted), parts, IfExists::Keep);
            result.keptBoth += written.outcome == Outcome::Written;
        }
        return written;
    }

    WriteResult Write(const std::string& name, hostfiles::Parts parts, IfExists ifExists) {
        return m_folders.back().host->WriteFile(HostName(name), parts, ifExists,
                                                m_options.neverReplace);
    }

    enum class Written { Folder, File, FileWithoutHeader };

    Next Done(const WalkStep& step, const std::string& wanted, const std::string& name,
              Written what) {
        // A folder's path is the parent's path until LeaveDirectory; read it before.
        const fs::path path = m_folders.back().host->Path() / HostName(name);
        const bool renamed = name != wanted;
        const bool file = what != Written::Folder;
        const bool withoutHeader = what == Written::FileWithoutHeader;
        if (file)
            ++result.filesWritten;
        result.withoutHeader += withoutHeader;
        if (m_options.report) {
            m_options.report({step.path, step.directory, &path, renamed, {}, {}, withoutHeader});
        } else {
            if (file)
                result.written.push_back(path);
            if (renamed)
                result.renamed.push_back({step.path, path});
            if (withoutHeader)
                result.headerless.push_back(step.path);
        }
        if (step.path.size() == 1 && !m_options.report)
            result.topLevel.push_back(path);
        return Progress();
    }

    Next Skip(const WalkStep& step, Outcome outcome, const std::string& detail) {
        return Skip(step, OutcomeReason(outcome), detail);
    }

    Next Skip(const WalkStep& step, StringId reason, const std::string& detail = {}) {
        ++result.entriesSkipped;
        if (m_options.report)
            m_options.report({step.path, step.directory, nullptr, false, reason, detail, false});
        else
            result.skipped.push_back({step.path, reason, detail});
        if (step.path.size() == 1 && !m_options.report)
            result.topLevel.push_back(std::nullopt);
        return Progress();
    }

    // A full disk or a failed write ends the export: every later write would fail too.
    Next Fail(const fs::path& name, const std::string& reason) {
        const fs::path path = m_folders.back().host->Path() / name;
        result.error = FormatResString(
            IDS_WRITE_FAILED, {Utf8FromPath(path), reason, std::to_string(m_total - m_done)});
        return Stop;
    }

    Next Progress() {
        ++m_done;
        if (m_options.progress && m_done < m_total && !m_options.progress(m_done, m_total))
            return Cancel(m_total - m_done);
        return Continue;
    }

    // Stopped by the user: `left` entries were not reached.
    Next Cancel(size_t left) {
        result.cancelled = true;
        result.notReached = left;
        return Stop;
    }

    const ExportOptions& m_options;
    std::vector<uint8_t> m_data; // the file being written, its buffer kept between files
    const size_t m_total;
    size_t m_done = 0;
    std::vector<Folder> m_folders;
};

void WalkGroups(CDiskImage& image, const std::vector<ExportGroup>& groups,
                CatalogVisitor& visitor) {
    CatalogWalk walk(image, visitor);
    for (const ExportGroup& group : groups) {
        if (!walk.Walk(group.directory, group.entries))
            break;
    }
}

} // namespace

std::string EntryText(const CatalogNames& entry) {
    std::string text;
    for (const PathName& name : entry) {
        text += (text.empty() ? "" : "\\") + PrintableName(name.name);
        if (name.occurrence > 1)
            text += ";" + std::to_string(name.occurrence);
    }
    return text;
}

bool ExportedWhole(const ExportResult& result) {
    return !result.error && !result.cancelled && result.entriesSkipped == 0 &&
           result.notReached == 0;
}

std::string ExportSummary(const ExportResult& result, size_t shown) {
    const auto& skipped = result.skipped;
    if (result.entriesSkipped == 0 && result.renamed.empty() && !result.cancelled &&
        result.replaced == 0 && result.keptBoth == 0 && result.withoutHeader == 0)
        return {};
    std::string text =
        result.cancelled ? LoadResString(IDS_EXPORT_CANCELLED) + "\n" : std::string();
    text += FormatResString(IDS_EXPORT_SUMMARY,
                            {std::to_string(result.filesWritten),
                             std::to_string(result.entriesSkipped + result.notReached)});
    if (result.replaced || result.keptBoth)
        text += "\n" + FormatResString(IDS_EXPORT_EXISTING, {std::to_string(result.replaced),
                                                             std::to_string(result.keptBoth)});
    const auto more = [&](size_t count) {
        if (count > shown)
            text += "\n" + FormatResString(IDS_EXPORT_MORE, {std::to_string(count - shown)});
    };
    for (size_t i = 0; i < skipped.size() && i < shown; ++i) {
        text += "\n" + EntryText(skipped[i].entry) + ": " + LoadResString(skipped[i].reason);
        if (!skipped[i].detail.empty())
            text += ": " + skipped[i].detail;
    }
    more(skipped.size());
    for (size_t i = 0; i < result.renamed.size() && i < shown; ++i) {
        const auto& renamed = result.renamed[i];
        text += "\n" + FormatResString(IDS_EXPORT_RENAMED, {EntryText(renamed.entry),
                                                            Utf8FromPath(renamed.path.filename())});
    }
    more(result.renamed.size());
    for (size_t i = 0; i < result.headerless.size() && i < shown; ++i)
        text += "\n" + EntryText(result.headerless[i]) + ": " + LoadResString(IDS_NO_BIN_HEADER);
    more(result.headerless.size());
    return text;
}

ExportResult ExportEntries(CDiskImage& image, const std::vector<ExportGroup>& groups,
                           const fs::path& folder, const ExportOptions& options) {
    ExportResult result;
    std::string reason;
    auto host = HostFolder::Open(folder, true, reason, hostfiles::Sync::AtTheEnd);
    if (!host) {
        result.error = FormatResString(IDS_FOLDER_UNUSABLE, {Utf8FromPath(folder), reason});
        return result;
    }
    const auto space = host->FreeSpace();
    EntryCounter counter(space ? space->block : 1);
    WalkGroups(image, groups, counter);
    if (space && counter.bytes > space->available) {
        result.error =
            FormatResString(IDS_NO_SPACE, {Utf8FromPath(folder), std::to_string(counter.bytes),
                                           std::to_string(space->available)});
        return result;
    }
    Exporter exporter(std::move(*host), options, counter.count);
    WalkGroups(image, groups, exporter);
    return std::move(exporter.result);
}

ExportResult ExportSelection(const CatalogListing* listing, const Selection& selection,
                             const fs::path& folder, const ExportOptions& options) {
    if (!listing)
        return {};
    auto entries = listing->SelectedEntries(selection);
    if (entries.empty())
        return {};
    return ExportEntries(listing->Image(), {{listing->Current(), std::move(entries)}}, folder,
                         options);
}

StringId ReadFaultReason(ReadFault fault, bool deleted) {
    if (fault == ReadFault::Overwritten)
        return IDS_SKIP_OVERWRITTEN;
    if (deleted)
        return IDS_SKIP_DELETED;
    return fault == ReadFault::ClustersEndEarly ? IDS_SKIP_SHORT_CHAIN : IDS_SKIP_UNREADABLE;
}

std::optional<std::array<uint8_t, kBinHeaderSize>> BinHeader(uint16_t address, size_t length) {
    if (length > kMaxBinLength)
        return std::nullopt;
    return std::array<uint8_t, kBinHeaderSize>{
        static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
        static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
}

// The file's own name decides: the same file gets the same name from wherever it is
// exported.
std::string WantedFileName(const std::string& name, bool addBinExtension) {
    return addBinExtension ? AddBinExtension(name) : name;
}

bool IsBinFileName(std::string_view name) {
    const std::string extension = "." + LoadResString(IDS_BIN_EXTENSION);
    return name.size() >= extension.size() &&
           std::equal(extension.begin(), extension.end(), name.end() - extension.size(),
                      [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

std::string AddBinExtension(const std::string& name) {
    if (name.find('.') != std::string::npos)
        return name;
    return name + "." + LoadResString(IDS_BIN_EXTENSION);
}

namespace {

std::vector<uint8_t> Utf16BomCrLf(const std::string& utf8) {
    std::vector<uint8_t> text = {0xFF, 0xFE};
    for (const char16_t unit : Utf8ToUtf16(utf8)) {
        if (unit == u'\n')
            text.insert(text.end(), {0x0D, 0x00});
        text.push_back(static_cast<uint8_t>(unit));
        text.push_back(static_cast<uint8_t>(unit >> 8));
    }
    return text;
}

// The BK's frame characters as its texts draw frames with them (read off the texts of real
// disks); the other codes of 0xA0..0xBF stay as Windows-1251 shows them.
std::string_view FrameCharacter(uint8_t koi8) {
    switch (koi8) {
    case 0xA1:
        return "\xE2\x94\xB4"; // up and across
    case 0xA3:
        return "\xE2\x94\x90"; // down and left
    case 0xA5:
        return "\xE2\x94\x9C"; // vertical and right
    case 0xA6:
        return "\xE2\x94\x94"; // up and right
    case 0xAA:
        return "\xE2\x94\x8C"; // down and right
    case 0xB0:
        return "\xE2\x94\xA4"; // vertical and left
    case 0xB5:
        return "\xE2\x94\x80"; // horizontal
    case 0xB7:
        return "\xE2\x94\x82"; // vertical
    case 0xB9:
        return "\xE2\x94\x98"; // up and left
    default:
        return {};
    }
}

// Windows-1251 text in UTF-8, the BK's frame characters as Unicode draws them.
std::string Utf8WithFrames(const std::vector<uint8_t>& cp1251) {
    std::string utf8, plain;
    for (const uint8_t c : cp1251) {
        const std::string_view frame = FrameCharacter(c);
        if (frame.empty()) {
            plain += static_cast<char>(c);
            continue;
        }
        utf8 += Cp1251ToUtf8(plain) + std::string(frame);
        plain.clear();
    }
    return utf8 + Cp1251ToUtf8(plain);
}

} // namespace

std::vector<uint8_t> TextViewBytes(const uint8_t* data, int length, TextForm form) {
    std::vector<uint8_t> converted(data, data + length);
    ConvertKoi8ToCp1251(converted.data(), length);
    const std::string utf8 = Utf8WithFrames(converted);
    if (form == TextForm::Utf8Lf)
        return {utf8.begin(), utf8.end()};
    if (form == TextForm::Utf16BomCrLf)
        return Utf16BomCrLf(utf8);
    std::vector<uint8_t> text;
    text.reserve(converted.size() + converted.size() / 16);
    for (uint8_t c : converted) {
        if (c == 0x0A)
            text.push_back(0x0D);
        text.push_back(c);
    }
    return text;
}

namespace {

// The text view of `data` into `folder` under `utf8Name`, with ".txt" after it unless the
// opener would take it as plain text by its name and content.
std::optional<fs::path> WriteTextViewBytes(std::string utf8Name, const std::vector<uint8_t>& data,
                                           const fs::path& folder,
                                           const std::function<void(const std::string&)>& fail) {
    const auto text = TextViewBytes(data.data(), static_cast<int>(data.size()), HostTextForm());
    // Text to whatever opens it, should the editor be found by the name after all.
    if (OpenerTypeOf(utf8Name, text, ThisOpenerHost()) != OpenerType::Text)
        utf8Name += "." + LoadResString(IDS_TEXT_EXTENSION);
    const fs::path name = PathFromUtf8(utf8Name);
    std::string reason;
    auto host = HostFolder::Open(folder, false, reason);
    if (!host) {
        fail(reason);
        return std::nullopt;
    }
    const WriteResult written = host->WriteFile(name, {std::span(text)}, IfExists::Replace);
    if (written.outcome != Outcome::Written) {
        fail(written.reason.empty() ? LoadResString(OutcomeReason(written.outcome))
                                    : written.reason);
        return std::nullopt;
    }
    return folder / name;
}

} // namespace

std::optional<fs::path> WriteTextView(const CatalogListing* listing, const Selection& selection,
                                      const fs::path& folder, std::string* problem) {
    const auto ref =
        listing && !selection.empty() ? listing->EntryAt(selection.front()) : std::nullopt;
    if (!ref || listing->Image().Entry(*ref).IsDirectory())
        return std::nullopt;
    const DiskEntry entry = listing->Image().Entry(*ref);
    const auto fail = [&](const std::string& why) {
        if (problem)
            *problem = FormatResString(IDS_NOTHING_TO_VIEW, {PrintableName(entry.name), why});
    };
    std::vector<uint8_t> data;
    if (const ReadFault fault = listing->Image().Read(*ref, data); fault != ReadFault::None) {
        fail(LoadResString(ReadFaultReason(fault, entry.deleted)));
        return std::nullopt;
    }
    return WriteTextViewBytes(Cp1251ToUtf8(SafeHostName(entry.name)), data, folder, fail);
}

std::optional<fs::path> WriteTextViewOfFile(const fs::path& file, const fs::path& folder,
                                            std::string* problem) {
    const std::string utf8Name = Utf8FromPath(file.filename());
    const auto fail = [&](const std::string& why) {
        if (problem)
            *problem = FormatResString(IDS_NOTHING_TO_VIEW, {utf8Name, why});
    };
    constexpr uint64_t kLargestFile = 16 << 20; // beyond any disk's file, and no host's
    std::string reason;
    const auto data = hostfiles::ReadRegularFile(file, kLargestFile, reason);
    if (!data) {
        fail(reason);
        return std::nullopt;
    }
    return WriteTextViewBytes(utf8Name, *data, folder, fail);
}
