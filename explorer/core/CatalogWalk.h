// The one way the explorer visits many entries: by entry and directory numbers, so that
// entries of one name are never confused, and entering each directory number once, so
// that catalogs whose directories lead back into themselves end.
#pragma once

#include "CatalogPath.h"
#include "CatalogView.h"

#include <optional>
#include <string>
#include <vector>

// Catalog names from a walk's starting directory down to an entry (Windows-1251), each
// with its occurrence: 1 for the first entry of its name in its directory (any case), 2...
using CatalogNames = std::vector<PathName>;

// One entry met by a walk. The image's cursor stands on it while the visitor runs.
struct WalkStep {
    const CatalogNames& path; // from where the walk began to this entry
    bool directory;
    const std::string& Name() const { return path.back().name; }
    int Occurrence() const { return path.back().occurrence; }
};

class CatalogVisitor {
public:
    enum Next { Continue, SkipContents, Stop };

    virtual ~CatalogVisitor() = default;
    // Continue or Stop.
    virtual Next VisitFile(CDiskImage& image, const WalkStep& step) = 0;
    // Continue walks the directory's contents (unless its number was entered already in
    // this walk) and is followed by LeaveDirectory.
    virtual Next EnterDirectory(CDiskImage& image, const WalkStep& step) = 0;
    virtual void LeaveDirectory() {}
};

class CatalogWalk {
public:
    // The image's current directory counts as entered.
    CatalogWalk(CDiskImage& image, CatalogVisitor& visitor);

    // Visits the entries of the current directory whose indices `selected` lists
    // (ascending; every entry when none), depth first in catalog order. Leaves the image's
    // position as it was. False when the visitor stopped the walk.
    bool Walk(const std::optional<std::vector<int>>& selected = std::nullopt);

private:
    bool WalkDirectory(const std::vector<int>* selected);
    CatalogVisitor::Next Visit();
    // The occurrence of each of the directory's entries, in the order of `contents`. A
    // directory of a million different names costs a sorted array, not a map of strings.
    std::vector<int> Occurrences(const std::vector<int>& contents);

    CDiskImage& m_image;
    CatalogVisitor& m_visitor;
    std::vector<bool> m_entered; // by directory number
    // Entry indices by the directory that holds them, in catalog order: one pass over the
    // catalog, so a walk costs the catalog's length once, not once a directory.
    std::vector<std::vector<int>> m_contents;
    CatalogNames m_path;
};
