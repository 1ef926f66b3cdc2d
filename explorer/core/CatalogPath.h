// Catalog paths as people type them on a command line (UTF-8), and as bkdisk prints them
// so that every printed path reads back as the same entry:
// - names are separated by '/', or by '\' when the path holds one (the catalog's own
//   syntax, in which a '/' belongs to a name); empty names between separators are skipped;
// - in a name, "%XX" (two hexadecimal digits) stands for the character with that code;
// - a name ending in ";N" (decimal) means the N-th entry of that name, without regard to
//   case, in its directory, live entries before deleted ones; ";1" is the first, the same
//   as no suffix.
// Printed names escape '%', '/', '\', ';', control characters and a leading '-' (which
// a command line would take for an option), an empty name prints as ";1", and a second
// entry of one name as "NAME;2".
#pragma once

#include "DiskImage.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct PathName {
    std::string name; // Windows-1251
    int occurrence;   // 1 for the first entry of that name
};

std::vector<PathName> ParseCatalogPath(std::string_view utf8);

// A new entry's name is typed as a path's last name is: "%XX" stands for a character.
// It never ends in ";N", which picks an entry already there.
enum class NewNameFault { None, Empty, Occurrence, BadCharacter };
struct NewName {
    std::string name; // Windows-1251
    NewNameFault fault = NewNameFault::None;
};
NewName ParseNewName(std::string_view utf8);
// A path split before its last name (separators after it dropped): the directory's path
// and the name as typed.
std::pair<std::string_view, std::string_view> SplitLastName(std::string_view utf8);

// One printed name (UTF-8).
std::string FormatPathName(std::string_view cp1251, int occurrence);

// Where a path leads: the directory holding the entry, and the entry.
struct ResolvedEntry {
    Place directory;
    EntryRef entry;
    bool isDirectory;
};

// Follows the names from `start`, into logical disks too. None when a name is not found,
// or a name before the last is not a directory. Costs a look-up per name, and a sort of
// each directory the path passes through.
std::optional<ResolvedEntry> ResolveCatalogPath(CDiskImage& image, Place start,
                                                const std::vector<PathName>& path);

// The occurrence of each entry's name among the entries before it, live ones before
// deleted ones (1 for the first, any case). Names are told apart by a hash of their folded form, so
// a directory of a million different names costs a sorted array, not a map of a million strings.
std::vector<int> Occurrences(std::span<const DiskEntry* const> entries);

// Control characters of a host path written as %XX, so that one message stays one line.
std::string PrintableHostPath(std::string_view utf8);
