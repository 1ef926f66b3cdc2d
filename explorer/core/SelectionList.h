// The selection as relative catalog paths: "NAME", "DIR\NAME", and "DIR\" markers for
// directories, each directory's marker before what it holds.
#pragma once

#include "CatalogView.h"

#include <string>
#include <vector>

// Appends the selected entries, descending into selected directories (depth first, in
// catalog order). Rows that name no entry are skipped. A directory is entered at most
// once per call, so chains of same-named directories that lead back into the walk end.
void CollectSelection(CDiskImage* image, const Selection& selection, std::vector<std::string>& list);

// Appends the selected entries themselves: "NAME" for a file, "NAME\" for a directory.
void CollectSelectionTopLevel(CDiskImage* image, const Selection& selection,
                              std::vector<std::string>& list);

bool SelectionHasDirectory(CDiskImage* image, const Selection& selection);

// name + ".bin" when name holds no '.' anywhere; otherwise name unchanged.
std::string AddBinExtension(const std::string& name);

// Host name of an entry of the selection list (relative, Windows-1251).
std::string HostName(const std::string& entry, bool addBinExtension);

inline bool IsDirectoryMarker(const std::string& entry) {
    return !entry.empty() && entry.back() == '\\';
}
