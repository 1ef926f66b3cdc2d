// Catalog paths as people type them on a command line (UTF-8), and as bkdisk prints them
// so that every printed path reads back as the same entry:
// - names are separated by '/', or by '\' when the path holds one (the catalog's own
//   syntax, in which a '/' belongs to a name); empty names between separators are skipped;
// - in a name, "%XX" (two hexadecimal digits) stands for the character with that code;
// - a name ending in ";N" (decimal) means the N-th entry of that name, without regard to
//   case, in its directory; ";1" is the first, the same as no suffix.
// Printed names escape '%', '/', '\', ';', control characters and a leading '-' (which
// a command line would take for an option), an empty name prints as ";1", and a second
// entry of one name as "NAME;2".
#pragma once

#include "DiskImage.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PathName {
    std::string name; // Windows-1251
    int occurrence;   // 1 for the first entry of that name
};

std::vector<PathName> ParseCatalogPath(std::string_view utf8);

// One printed name (UTF-8).
std::string FormatPathName(std::string_view cp1251, int occurrence);

// Where a path leads: the directory holding the entry, and the entry's catalog index.
struct ResolvedEntry {
    int directory;
    int entry;
    bool isDirectory;
};

// Follows the names from the image's current directory. None when a name is not found,
// or a name before the last is not a directory. The image's position is kept. Costs one
// pass over the catalog plus a look-up per name, however long the path.
std::optional<ResolvedEntry> ResolveCatalogPath(CDiskImage& image,
                                                const std::vector<PathName>& path);

// Directory numbers are single bytes in every format.
constexpr int kDirectoryNumbers = 256;
bool IsDirectoryNumber(int number);

// The catalog indices of every directory's entries, in catalog order, by the number of
// the directory that holds them: one pass over the catalog. Keeps the image's position.
std::vector<std::vector<int>> EntriesByDirectory(CDiskImage& image);

// The entries (catalog indices, ascending) as (hash of the folded name, index) pairs,
// sorted: entries of one name without regard to case stand together, in catalog order.
// Names whose hashes meet must still be compared as text.
std::vector<std::pair<size_t, int>> SortedByNameHash(CDiskImage& image,
                                                     const std::vector<int>& entries);
size_t FoldedNameHash(std::string_view cp1251);

// Control characters of a host path written as %XX, so that one message stays one line.
std::string PrintableHostPath(std::string_view utf8);
