// Getting files out of the image: ".bin" export files (2-byte load address, 2-byte
// length, little-endian, then the data), and the text view's converted copy.
#pragma once

#include "CatalogView.h"
#include "HostPlatform.h"
#include "RavelkoStrings.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Catalog names from the export's starting directory down to an entry (Windows-1251).
using CatalogNames = std::vector<std::string>;

struct ExportResult {
    struct Skipped {
        CatalogNames entry;
        ravelko::StringId reason;
    };
    struct Renamed {
        CatalogNames entry;
        std::filesystem::path path; // where it was written
    };
    std::vector<std::filesystem::path> written; // files, in the order written
    std::vector<Skipped> skipped;
    // Entries written under another name than their own (with ".bin" when asked for):
    // the host cannot hold their names, or an entry before them took the name.
    std::vector<Renamed> renamed;
    // Host paths of the selected entries themselves, in order; none for one that was not
    // written (a directory whose folder could not be made counts as not written).
    std::vector<std::optional<std::filesystem::path>> topLevel;
    // A write that failed part-way ends the operation; the text (string IDS_WRITE_FAILED
    // with the path) is here. Files written before it stay, the file it would have
    // replaced too.
    std::optional<std::string> error;
    bool cancelled = false; // the progress callback asked to stop; what was written stays
};

// Told after each entry how many of how many are done; false stops the export.
using ExportProgress = std::function<bool(size_t done, size_t total)>;

// What an export did not do as asked, for the user: whether it was cancelled, the counts,
// then the first `shown` entries left out with their reasons and the first `shown`
// renamed ones, one a line (UTF-8). Empty when everything was written under its own name.
std::string ExportSummary(const ExportResult& result, size_t shown = 10);

// One directory's part of an export: its number and the catalog indices (ascending) of
// its entries to write; every entry when none.
struct ExportGroup {
    int directory;
    std::optional<std::vector<int>> entries;
};

// Writes the groups' entries into `folder`, walking into directories (each directory
// number once): a host folder for each directory, a ".bin" export file for each file
// entry with that entry's own data, existing regular files replaced safely (ReplaceHostFile).
// Host names come from one HostFolderNames per host folder. The image's position is kept.
ExportResult ExportEntries(CDiskImage& image, const std::vector<ExportGroup>& groups,
                           const std::filesystem::path& folder, bool addBinExtension,
                           const ExportProgress& progress = {});
// The selected rows of the current directory.
ExportResult ExportSelection(CDiskImage* image, const Selection& selection,
                             const std::filesystem::path& folder, bool addBinExtension,
                             const ExportProgress& progress = {});

// The host name an export wants for a file entry, before HostFolderNames makes it safe
// and unique: with `addBinExtension`, name + ".bin" unless a '.' stands anywhere on its
// path from the export's start.
std::string WantedFileName(const CatalogNames& names, bool addBinExtension);

// name + ".bin" when name holds no '.' anywhere; otherwise name unchanged.
std::string AddBinExtension(const std::string& name);

// The text view's bytes: a converted copy (KOI-8 to Windows-1251), each line feed
// written as carriage return and line feed; or the same text in UTF-8 with line feeds.
std::vector<uint8_t> TextViewBytes(const uint8_t* data, int length,
                                   TextForm form = TextForm::Cp1251CrLf);

// Writes the text view of the first selected file, in the host's text form, into
// `folder` under the entry's own name made safe for the host (no header, no extension).
// The path written, or none when nothing could be read or written (nothing partial).
std::optional<std::filesystem::path> WriteTextView(CDiskImage* image, const Selection& selection,
                                                   const std::filesystem::path& folder);
