// Getting files out of the image: ".bin" export files (2-byte load address, 2-byte
// length, little-endian, then the data), and the text view's converted copy.
#pragma once

#include "CatalogView.h"
#include "CatalogWalk.h"
#include "HostFiles.h"
#include "HostPlatform.h"
#include "RavelkoStrings.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What an export does with a file already where an entry's file goes.
enum class ExistingFile {
    Keep,     // leaves it and skips the entry ("a file of that name is already there")
    Replace,  // replaces it (never an open image, never anything but a regular file)
    KeepBoth, // writes the entry under the next free "~N" name beside it
};

// Told after each entry how many of how many are done; false stops the export.
using ExportProgress = std::function<bool(size_t done, size_t total)>;

// One entry done, as it happens: written (`path` is where), or skipped (`reason`, with
// the system's words in `detail` where there are some).
struct ExportReport {
    const CatalogNames& entry;
    bool directory;
    const std::filesystem::path* path; // null when skipped
    bool renamed;                      // written under another name than its own
    ravelko::StringId reason;
    const std::string& detail;
    bool withoutHeader; // too long for a .bin header: written as its bare data
};

struct ExportOptions {
    bool addBinExtension = true;
    // Files whose host name does not end in ".bin" are written as they are on the disk,
    // without the header: copies handed to the host's programs by their own names.
    bool headerOnlyInBinFiles = false;
    ExistingFile existing = ExistingFile::Keep;
    // Asked instead, for each file in the way: one of the three, or none to cancel.
    std::function<std::optional<ExistingFile>(const std::filesystem::path&)> askExisting;
    // Files never replaced, whatever is asked: the open images.
    std::vector<hostfiles::FileIdentity> neverReplace;
    ExportProgress progress;
    // Each entry as it is done. The result then keeps only counts, not the lists of
    // files, skips, renamings and top-level paths, so an export of a million entries
    // stays small.
    std::function<void(const ExportReport&)> report;
};

struct ExportResult {
    struct Skipped {
        CatalogNames entry;
        ravelko::StringId reason;
        std::string detail; // the system's words, or empty
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
    size_t filesWritten = 0;
    size_t entriesSkipped = 0;
    size_t replaced = 0; // existing files replaced
    size_t keptBoth = 0; // files written beside an existing one of their name
    // Files longer than a .bin header can say, written as their bare data and without an
    // added ".bin"; `headerless` lists them.
    size_t withoutHeader = 0;
    std::vector<CatalogNames> headerless;
    // What ended the export before its end: a folder that cannot be used, too little free
    // space (then nothing was written), a full disk or a write that failed part-way (then
    // what was written before stays, and the file it would have replaced too).
    std::optional<std::string> error;
    bool cancelled = false; // the progress callback or the question stopped it
    size_t notReached = 0;  // entries a cancel left unwritten
};

// What an export did not do as asked, for the user: whether it was cancelled, the counts,
// then the first `shown` entries left out with their reasons and the first `shown`
// renamed ones, one a line (UTF-8). Empty when everything was written under its own name.
std::string ExportSummary(const ExportResult& result, size_t shown = 10);
// True when every entry asked for was written (some perhaps under another name or over
// a file that was there): what the summary says is then news, not a fault.
bool ExportedWhole(const ExportResult& result);

// One directory's part of an export: the directory and the indices (ascending) of its
// entries to write; every entry when none.
struct ExportGroup {
    Place directory;
    std::optional<std::vector<int>> entries;
};

// Writes the groups' entries into `folder` (made with its parents when missing), walking
// into directories (each directory number once): a host folder for each directory, a
// ".bin" export file for each file entry with that entry's own data. Host names come
// from one HostFolderNames per host folder. Nothing is written when the files cannot fit
// in the free space.
ExportResult ExportEntries(CDiskImage& image, const std::vector<ExportGroup>& groups,
                           const std::filesystem::path& folder, const ExportOptions& options);
// The selected rows of the current directory.
ExportResult ExportSelection(const CatalogListing* listing, const Selection& selection,
                             const std::filesystem::path& folder, const ExportOptions& options);

// Why a file's data could not be read, for the user.
ravelko::StringId ReadFaultReason(ReadFault fault, bool deleted);

constexpr size_t kBinHeaderSize = 4;
constexpr size_t kMaxBinLength = 0xFFFF;

// The ".bin" header (load address, length); none for a file longer than its 16-bit length
// can say, which is written as its bare data instead.
std::optional<std::array<uint8_t, kBinHeaderSize>> BinHeader(uint16_t address, size_t length);

// How an entry is named in messages: names joined by '\', a second entry of one name
// as NAME;2 (UTF-8, one line).
std::string EntryText(const CatalogNames& entry);

// The host name an export wants for a file entry, before HostFolderNames makes it safe
// and unique: with `addBinExtension`, AddBinExtension of its own name, whatever folder
// holds it.
std::string WantedFileName(const std::string& name, bool addBinExtension);

// name + ".bin" when name holds no '.' anywhere; otherwise name unchanged.
std::string AddBinExtension(const std::string& name);
// Whether the name ends in ".bin", in any letter case.
bool IsBinFileName(std::string_view name);

// The text view's bytes: a converted copy (KOI-8 to Windows-1251), each line feed
// written as carriage return and line feed; or the same text in UTF-8 with line feeds, or
// in UTF-16LE after a byte-order mark with CR LF.
std::vector<uint8_t> TextViewBytes(const uint8_t* data, int length,
                                   TextForm form = TextForm::Cp1251CrLf);

// Writes the text view of the first selected file, in the host's text form, into
// `folder` (our own temporary folder: an earlier copy there is replaced) under the
// entry's own name made safe for the host (no header, no extension), with ".txt" after
// it unless the opener would take it as plain text by its name and content. The path
// written, or none when nothing could be read or written (nothing partial; why, for a file,
// in `problem`).
std::optional<std::filesystem::path> WriteTextView(const CatalogListing* listing,
                                                   const Selection& selection,
                                                   const std::filesystem::path& folder,
                                                   std::string* problem = nullptr);
// The same for a host file copied from a disk as it is there (what an opener was given),
// named as that file is.
std::optional<std::filesystem::path> WriteTextViewOfFile(const std::filesystem::path& file,
                                                         const std::filesystem::path& folder,
                                                         std::string* problem = nullptr);
