#include "Export.h"

#include "Cp1251.h"
#include "HostNames.h"
#include "SelectionList.h"
#include "Strings.h"

#include <fstream>
#include <span>

namespace fs = std::filesystem;

namespace {

enum class WriteOutcome { Written, NotCreated, Failed };

bool IsSymlink(const fs::path& path) {
    std::error_code ignored;
    return fs::is_symlink(fs::symlink_status(path, ignored));
}

// Creates or empties the file and writes the parts in order.
WriteOutcome WriteHostFile(const fs::path& path, std::initializer_list<std::span<const uint8_t>> parts) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return WriteOutcome::NotCreated;
    for (const auto& part : parts)
        out.write(reinterpret_cast<const char*>(part.data()), static_cast<std::streamsize>(part.size()));
    out.close();
    return out ? WriteOutcome::Written : WriteOutcome::Failed;
}

std::string WriteFailedText(const fs::path& path) { return FormatResString(IDS_WRITE_FAILED, {Utf8FromPath(path)}); }

class Exporter {
public:
    Exporter(CDiskImage& image, const fs::path& folder, bool addBin)
        : m_image(image), m_folder(folder), m_addBin(addBin) {}

    // False when a failed write ends the operation.
    bool Export(const std::string& entry) {
        for (const auto& folder : m_skippedFolders) {
            if (entry.starts_with(folder.entry))
                return Skip(entry, folder.reason);
        }
        return IsDirectoryMarker(entry) ? CreateFolder(entry) : WriteFile(entry);
    }

    ExportResult result;

private:
    bool Skip(const std::string& entry, int reason) {
        result.skipped.push_back({entry, reason});
        return true;
    }

    // A folder that is not there to write into takes what lies below it along.
    bool SkipFolder(const std::string& marker, int reason) {
        m_skippedFolders.push_back({marker, reason});
        return Skip(marker, reason);
    }

    bool CreateFolder(const std::string& marker) {
        const auto path = HostPath(m_folder, std::string_view(marker).substr(0, marker.size() - 1));
        if (!path)
            return SkipFolder(marker, IDS_SKIP_BAD_NAME);
        if (IsSymlink(*path))
            return SkipFolder(marker, IDS_SKIP_LINK);
        std::error_code error;
        fs::create_directory(*path, error);
        if (!fs::is_directory(fs::symlink_status(*path, error)))
            return SkipFolder(marker, IDS_SKIP_NOT_CREATED);
        return true;
    }

    bool WriteFile(const std::string& entry) {
        const auto path = HostPath(m_folder, HostName(entry, m_addBin));
        if (!path)
            return Skip(entry, IDS_SKIP_BAD_NAME);
        const uint8_t* data = nullptr;
        int address = 0, length = 0;
        if (!m_image.ReadFile(entry, data, address, length))
            return Skip(entry, IDS_SKIP_UNREADABLE);
        if (IsSymlink(*path))
            return Skip(entry, IDS_SKIP_LINK);
        const uint8_t header[4] = {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                                   static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)};
        switch (WriteHostFile(*path, {std::span(header), std::span(data, static_cast<size_t>(length))})) {
        case WriteOutcome::Written:
            result.written.push_back(*path);
            return true;
        case WriteOutcome::NotCreated:
            return Skip(entry, IDS_SKIP_NOT_CREATED);
        case WriteOutcome::Failed:
            result.error = WriteFailedText(*path);
            return false;
        }
        return false;
    }

    CDiskImage& m_image;
    const fs::path& m_folder;
    const bool m_addBin;
    std::vector<ExportResult::Skipped> m_skippedFolders;
};

} // namespace

std::string ExportSummary(const ExportResult& result, size_t shown) {
    const auto& skipped = result.skipped;
    if (skipped.empty() && !result.cancelled)
        return {};
    std::string text = result.cancelled ? LoadResString(IDS_EXPORT_CANCELLED) + "\n" : std::string();
    text += FormatResString(IDS_EXPORT_SUMMARY, {std::to_string(result.written.size()), std::to_string(skipped.size())});
    for (size_t i = 0; i < skipped.size() && i < shown; ++i)
        text += "\n" + PrintableName(skipped[i].entry) + ": " + LoadResString(skipped[i].reason);
    if (skipped.size() > shown)
        text += "\n" + FormatResString(IDS_EXPORT_MORE, {std::to_string(skipped.size() - shown)});
    return text;
}

ExportResult ExportSelection(CDiskImage* image, const Selection& selection, const fs::path& folder,
                             bool addBinExtension, const ExportProgress& progress) {
    std::vector<std::string> list;
    CollectSelection(image, selection, list);
    return ExportList(image, list, folder, addBinExtension, progress);
}

ExportResult ExportList(CDiskImage* image, const std::vector<std::string>& list, const fs::path& folder,
                        bool addBinExtension, const ExportProgress& progress) {
    if (!image || list.empty())
        return {};
    Exporter exporter(*image, folder, addBinExtension);
    for (size_t i = 0; i < list.size(); ++i) {
        if (!exporter.Export(list[i]))
            break;
        if (progress && i + 1 < list.size() && !progress(i + 1, list.size())) {
            exporter.result.cancelled = true;
            break;
        }
    }
    return exporter.result;
}

std::vector<uint8_t> TextViewBytes(const uint8_t* data, int length, TextForm form) {
    std::vector<uint8_t> converted(data, data + length);
    ConvertKoi8ToCp1251(converted.data(), length);
    if (form == TextForm::Utf8Lf) {
        const std::string utf8 = Cp1251ToUtf8({reinterpret_cast<const char*>(converted.data()), converted.size()});
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
    std::vector<std::string> list;
    CollectSelection(image, selection, list);
    if (list.empty() || IsDirectoryMarker(list.front()))
        return std::nullopt;
    const uint8_t* data = nullptr;
    int address = 0, length = 0;
    const auto path = HostPath(folder, list.front());
    if (!path || IsSymlink(*path) || !image->ReadFile(list.front(), data, address, length))
        return std::nullopt;
    const auto text = TextViewBytes(data, length, HostTextForm());
    switch (WriteHostFile(*path, {std::span(text)})) {
    case WriteOutcome::Written:
        return path;
    case WriteOutcome::Failed: {
        std::error_code ignored;
        fs::remove(*path, ignored); // a partial copy must not be shown as the file
        return std::nullopt;
    }
    case WriteOutcome::NotCreated:
        return std::nullopt;
    }
    return std::nullopt;
}
