#include "SelectionList.h"

#include "Strings.h"

#include <set>

namespace {

// Directory numbers are single bytes, so a walk that enters each at most once visits at
// most 256 directories, however the catalog's names repeat.
struct DirectoryWalk {
    std::set<int> entered;
};

void CollectDirectory(CDiskImage& image, std::vector<std::string>& list, const std::string& path,
                      DirectoryWalk& walk) {
    // The whole relative path is given: names resolve anywhere in the catalog.
    if (!image.ChangeDir(path) || !walk.entered.insert(image.GetCurrentDir()).second)
        return;
    list.push_back(path + "\\");
    for (bool more = image.FindFirst(); more; more = image.FindNext()) {
        const std::string child = path + "\\" + image.GetName();
        if (image.IsDirectory()) {
            image.PushPosition();
            CollectDirectory(image, list, child, walk);
            image.PopPosition();
        } else {
            list.push_back(child);
        }
    }
}

} // namespace

void CollectSelection(CDiskImage* image, const Selection& selection, std::vector<std::string>& list) {
    if (!image)
        return;
    DirectoryWalk walk{{image->GetCurrentDir()}};
    for (const std::string& row : selection) {
        switch (FindRowEntry(*image, row)) {
        case RowEntry::File:
            list.push_back(row);
            break;
        case RowEntry::Directory:
            image->PushPosition();
            CollectDirectory(*image, list, row, walk);
            image->PopPosition();
            break;
        case RowEntry::None:
            break;
        }
    }
}

void CollectSelectionTopLevel(CDiskImage* image, const Selection& selection,
                              std::vector<std::string>& list) {
    if (!image)
        return;
    for (const std::string& row : selection) {
        const RowEntry entry = FindRowEntry(*image, row);
        if (entry != RowEntry::None)
            list.push_back(entry == RowEntry::Directory ? row + "\\" : row);
    }
}

bool SelectionHasDirectory(CDiskImage* image, const Selection& selection) {
    if (!image)
        return false;
    for (const std::string& row : selection) {
        if (FindRowEntry(*image, row) == RowEntry::Directory)
            return true;
    }
    return false;
}

std::string AddBinExtension(const std::string& name) {
    if (name.find('.') != std::string::npos)
        return name;
    return name + "." + LoadResString(IDS_BIN_EXTENSION);
}

std::string HostName(const std::string& entry, bool addBinExtension) {
    return addBinExtension ? AddBinExtension(entry) : entry;
}
