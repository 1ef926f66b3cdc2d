// The one way the explorer visits many entries: by entry values, so that entries of one
// name are never confused, and entering each directory once, so that catalogs whose
// directories lead back into themselves end.
#pragma once

#include "CatalogPath.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

// Catalog names from a walk's starting directory down to an entry (Windows-1251), each
// with its occurrence: 1 for the first entry of its name in its directory (any case), 2...
using CatalogNames = std::vector<PathName>;

// One entry met by a walk.
struct WalkStep {
    const CatalogNames& path; // from where the walk began to this entry
    bool directory;
    EntryRef ref;
    const DiskEntry& entry;
    const std::string& Name() const { return path.back().name; }
    // The name for the host: a lost first letter of a deleted entry becomes '_'.
    std::string HostName() const;
    int Occurrence() const { return path.back().occurrence; }
};

class CatalogVisitor {
public:
    enum Next { Continue, SkipContents, Stop };

    virtual ~CatalogVisitor() = default;
    // Continue or Stop.
    virtual Next VisitFile(CDiskImage& image, const WalkStep& step) = 0;
    // Continue walks the directory's contents (unless it was entered already in this
    // walk) and is followed by LeaveDirectory.
    virtual Next EnterDirectory(CDiskImage& image, const WalkStep& step) = 0;
    virtual void LeaveDirectory() {}
    // A logical disk whose contents cannot be read, between its EnterDirectory and
    // LeaveDirectory.
    virtual void DiskUnreadable(const WalkStep&, const OpenFailure&) {}
    // Whether each directory's live entries are visited before its deleted ones (catalog
    // order within each): visitors that name entries on the host in turn give the live
    // entry the plain name, as paths give it the plain name and ";N" counts.
    virtual bool LiveFirst() const { return false; }
};

class CatalogWalk {
public:
    CatalogWalk(CDiskImage& image, CatalogVisitor& visitor);

    // Visits the entries of `place` whose indices `selected` lists (every entry when
    // none), depth first in catalog order (live ones first where the visitor asks);
    // `place` counts as entered. False when the
    // visitor stopped the walk.
    bool Walk(Place place, const std::optional<std::vector<int>>& selected = std::nullopt);

private:
    bool WalkDirectory(Place place, const std::vector<int>* selected);
    CatalogVisitor::Next Visit(const WalkStep& step);

    CDiskImage& m_image;
    CatalogVisitor& m_visitor;
    std::set<Place> m_entered;
    CatalogNames m_path;
};
