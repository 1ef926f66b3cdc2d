#include "Export.h"

#include "CatalogWalk.h"
#include "Cp1251.h"
#include "HostNames.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <span>

using namespace ravelko;

namespace fs = std::filesystem;

namespace {

fs::path HostChild(const fs::path& folder, const std::string& cp1251Name) {
    return folder / PathFromUtf8(Cp1251ToUtf8(cp1251Name));
}

// Counts what a walk visits, for the progress of the export that follows it.
class EntryCounter : public CatalogVisitor {
public:
    Next VisitFile(CDiskImage&, const WalkStep&) override { return ++count, Continue; }
    Next EnterDirectory(CDiskImage&, const WalkStep&) override { return ++count, Continue; }
    size_t count = 0;
};

class Exporter : public CatalogVisitor {
public:
    Exporter(const fs::path& folder, bool addBin, const ExportProgress& progress, size_t total)
        : m_addBin(addBin), m_progress(progress), m_total(total) {
        m_folders.push_back({folder, {}, std::nullopt});
    }

    Next VisitFile(CDiskImage& image, const WalkStep& step) override {
        if (const auto reason = m_folders.back().unusable)
            return Skip(step, *reason);
        const uint8_t* data = nullptr;
        int address = 0, length = 0;
        if (!image.ReadEntry(data, address, length))
            return Skip(step, image.IsDeleted() ? IDS_SKIP_DELETED : IDS_SKIP_UNREADABLE);
        const std::string wanted = WantedFileName(step.names, m_addBin);
        const fs::path path = ClaimPath(wanted);
        const uint8_t header[4] = {static_cast<uint8_t>(address),
                                   static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(length),
                                   static_cast<uint8_t>(length >> 8)};
        switch (ReplaceHostFile(
            path, {std::span(header), std::span(data, static_cast<size_t>(length))})) {
        case FileWrite::Written:
            result.written.push_back(path);
            return Done(step, wanted, path);
        case FileWrite::Link:
            return Skip(step, IDS_SKIP_LINK);
        case FileWrite::NotRegular:
            return Skip(step, IDS_SKIP_NOT_REGULAR);
        case FileWrite::NotCreated:
            return Skip(step, IDS_SKIP_NOT_CREATED);
        case FileWrite::Failed:
            break;
        }
        result.error = FormatResString(IDS_WRITE_FAILED, {Utf8FromPath(path)});
        return Stop;
    }

    // A folder that cannot be used is still walked: what lies below it is reported as
    // skipped with the folder's reason.
    Next EnterDirectory(CDiskImage&, const WalkStep& step) override {
        const std::optional<StringId> inherited = m_folders.back().unusable;
        const fs::path path = inherited ? fs::path() : ClaimPath(step.names.back());
        const std::optional<StringId> reason = inherited ? inherited : CreateFolder(path);
        m_folders.push_back({path, {}, reason});
        const Next next = reason ? Skip(step, *reason) : Done(step, step.names.back(), path);
        if (next == Stop)
            m_folders.pop_back(); // no LeaveDirectory follows a stop
        return next;
    }

    void LeaveDirectory() override { m_folders.pop_back(); }

    ExportResult result;

private:
    struct Folder {
        fs::path path;
        HostFolderNames names;
        std::optional<StringId> unusable; // why its contents cannot be written
    };

    fs::path ClaimPath(const std::string& wanted) {
        Folder& folder = m_folders.back();
        return HostChild(folder.path, folder.names.Claim(wanted));
    }

    static std::optional<StringId> CreateFolder(const fs::path& path) {
        std::error_code error;
        if (fs::is_symlink(fs::symlink_status(path, error)))
            return IDS_SKIP_LINK;
        fs::create_directory(path, error);
        if (fs::is_directory(fs::symlink_status(path, error)))
            return std::nullopt;
        return IDS_SKIP_NOT_CREATED;
    }

    Next Done(const WalkStep& step, const std::string& wanted, const fs::path& path) {
        if (path.filename() != PathFromUtf8(Cp1251ToUtf8(wanted)))
            result.renamed.push_back({step.names, path});
        if (step.names.size() == 1)
            result.topLevel.push_back(path);
        return Progress();
    }

    Next Skip(const WalkStep& step, StringId reason) {
        result.skipped.push_back({step.names, reason});
        if (step.names.size() == 1)
            result.topLevel.push_back(std::nullopt);
        return Progress();
    }

    Next Progress() {
        ++m_done;
        if (m_progress && m_done < m_total && !m_progress(m_done, m_total)) {
            result.cancelled = true;
            return Stop;
        }
        return Continue;
    }

    const bool m_addBin;
    const ExportProgress& m_progress;
    const size_t m_total;
    size_t m_done = 0;
    std::vector<Folder> m_folders;
};

void WalkGroups(CDiskImage& image, const std::vector<ExportGroup>& groups,
                CatalogVisitor& visitor) {
    image.PushPosition();
    CatalogWalk walk(image, visitor);
    for (const ExportGroup& group : groups) {
        image.SetCurrentDir(group.directory);
        if (!walk.Walk(group.entries))
            break;
    }
    image.PopPosition();
}

std::string NamesText(const CatalogNames& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : "\\") + PrintableName(name);
    return text;
}

} // namespace

std::string ExportSummary(const ExportResult& result, size_t shown) {
    const auto& skipped = result.skipped;
    if (skipped.empty() && result.renamed.empty() && !result.cancelled)
        return {};
    std::string text =
        result.cancelled ? LoadResString(IDS_EXPORT_CANCELLED) + "\n" : std::string();
    text += FormatResString(IDS_EXPORT_SUMMARY, {std::to_string(result.written.size()),
                                                 std::to_string(skipped.size())});
    const auto more = [&](size_t count) {
        if (count > shown)
            text += "\n" + FormatResString(IDS_EXPORT_MORE, {std::to_string(count - shown)});
    };
    for (size_t i = 0; i < skipped.size() && i < shown; ++i)
        text += "\n" + NamesText(skipped[i].entry) + ": " + LoadResString(skipped[i].reason);
    more(skipped.size());
    for (size_t i = 0; i < result.renamed.size() && i < shown; ++i) {
        const auto& renamed = result.renamed[i];
        text += "\n" + FormatResString(IDS_EXPORT_RENAMED, {NamesText(renamed.entry),
                                                            Utf8FromPath(renamed.path.filename())});
    }
    more(result.renamed.size());
    return text;
}

ExportResult ExportEntries(CDiskImage& image, const std::vector<ExportGroup>& groups,
                           const fs::path& folder, bool addBinExtension,
                           const ExportProgress& progress) {
    EntryCounter counter;
    if (progress)
        WalkGroups(image, groups, counter);
    Exporter exporter(folder, addBinExtension, progress, counter.count);
    WalkGroups(image, groups, exporter);
    return std::move(exporter.result);
}

ExportResult ExportSelection(CDiskImage* image, const Selection& selection, const fs::path& folder,
                             bool addBinExtension, const ExportProgress& progress) {
    if (!image)
        return {};
    auto entries = SelectedEntries(*image, selection);
    if (entries.empty())
        return {};
    return ExportEntries(*image, {{image->GetCurrentDir(), std::move(entries)}}, folder,
                         addBinExtension, progress);
}

// As the extension rule has always read it: a '.' anywhere on the entry's path from the
// export's start keeps the name as it is.
std::string WantedFileName(const CatalogNames& names, bool addBinExtension) {
    const bool dotOnPath = std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return name.find('.') != std::string::npos;
    });
    return addBinExtension && !dotOnPath ? AddBinExtension(names.back()) : names.back();
}

std::string AddBinExtension(const std::string& name) {
    if (name.find('.') != std::string::npos)
        return name;
    return name + "." + LoadResString(IDS_BIN_EXTENSION);
}

std::vector<uint8_t> TextViewBytes(const uint8_t* data, int length, TextForm form) {
    std::vector<uint8_t> converted(data, data + length);
    ConvertKoi8ToCp1251(converted.data(), length);
    if (form == TextForm::Utf8Lf) {
        const std::string utf8 =
            Cp1251ToUtf8({reinterpret_cast<const char*>(converted.data()), converted.size()});
        return {utf8.begin(), utf8.end()};
    }
    std::vector<uint8_t> text;
    text.reserve(converted.size() + converted.size() / 16);
    for (uint8_t c : converted) {
        if (c == 0x0A)
            text.push_back(0x0D);
        text.push_back(c);
    }
    return text;
}

std::optional<fs::path> WriteTextView(CDiskImage* image, const Selection& selection,
                                      const fs::path& folder) {
    if (!image || selection.empty())
        return std::nullopt;
    const auto entries = SelectedEntries(*image, {selection.front()});
    const uint8_t* data = nullptr;
    int address = 0, length = 0;
    if (entries.empty() || !image->SeekEntry(entries.front()) ||
        !image->ReadEntry(data, address, length))
        return std::nullopt;
    const fs::path path = HostChild(folder, SafeHostName(image->GetName()));
    const auto text = TextViewBytes(data, length, HostTextForm());
    if (ReplaceHostFile(path, {std::span(text)}) != FileWrite::Written)
        return std::nullopt;
    return path;
}
