// Getting files out of the image: ".bin" export files (2-byte load address, 2-byte
// length, little-endian, then the data), and the text view's converted copy.
#pragma once

#include "CatalogView.h"
#include "HostPlatform.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ExportResult {
    struct Skipped {
        std::string entry; // the selection-list string (Windows-1251)
        int reason;        // string id
    };
    std::vector<std::filesystem::path> written; // files, in the order written
    std::vector<Skipped> skipped;
    // A write that failed after its file was created ends the operation; the text
    // (string IDS_WRITE_FAILED with the path) is here. Files written before it stay.
    std::optional<std::string> error;
    bool cancelled = false; // the progress callback asked to stop; what was written stays
};

// Told after each entry how many of how many are done; false stops the export.
using ExportProgress = std::function<bool(size_t done, size_t total)>;

// What an export did not do, for the user: whether it was cancelled, the counts, then
// the first `shown` entries left out with their reasons, one a line (UTF-8). Empty when
// everything was written.
std::string ExportSummary(const ExportResult& result, size_t shown = 10);

// Writes every entry of the selection list into `folder`: a host folder for each
// directory marker, a ".bin" export file for each file, existing files replaced.
// Entries whose names cannot stay inside `folder` are skipped with what lies below them.
ExportResult ExportSelection(CDiskImage* image, const Selection& selection,
                             const std::filesystem::path& folder, bool addBinExtension,
                             const ExportProgress& progress = {});
// The same for a selection list already collected (CollectSelection).
ExportResult ExportList(CDiskImage* image, const std::vector<std::string>& list,
                        const std::filesystem::path& folder, bool addBinExtension,
                        const ExportProgress& progress = {});

// The text view's bytes: a converted copy (KOI-8 to Windows-1251), each line feed
// written as carriage return and line feed; or the same text in UTF-8 with line feeds.
std::vector<uint8_t> TextViewBytes(const uint8_t* data, int length, TextForm form = TextForm::Cp1251CrLf);

// Writes the text view of the first selected file, in the host's text form, into
// `folder` under the entry's own name (no header, no extension). The path written, or
// none when nothing could be read or written; a file that could not be written
// completely is removed.
std::optional<std::filesystem::path> WriteTextView(CDiskImage* image, const Selection& selection,
                                                   const std::filesystem::path& folder);
