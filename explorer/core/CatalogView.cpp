#include "CatalogView.h"

#include "Cp1251.h"
#include "HostNames.h"
#include "RavelkoStrings.h"

#include <cstdio>
#include <unordered_map>

using namespace ravelko;

std::string PrintableName(const std::string& cp1251) {
    std::string name;
    for (char c : Cp1251ToUtf8(cp1251))
        name += c == '\t' ? std::string("\\t") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return name;
}

std::string OpenFailureText(const OpenFailure& failure) {
    std::string text = LoadResString(IDS_WRONG_IMAGE);
    switch (failure.kind) {
    case OpenFailure::UnknownFormat:
        return text + "\n" + LoadResString(IDS_OPEN_UNKNOWN_FORMAT);
    case OpenFailure::ReadOnly:
        return text + "\n" + LoadResString(IDS_OPEN_READ_ONLY);
    case OpenFailure::TooLarge:
        return text + "\n" + FormatResString(IDS_OPEN_TOO_LARGE, {std::to_string(kMaxImageSize)});
    case OpenFailure::CannotRead:
        return text + "\n" + FormatResString(IDS_OPEN_CANNOT_READ, {failure.hostMessage});
    case OpenFailure::None:
        break;
    }
    return text;
}

std::string FormatNumber(int value, int base) {
    char text[16];
    switch (base) {
    case 0:
        std::snprintf(text, sizeof text, "%i", value);
        return text;
    case 1:
        std::snprintf(text, sizeof text, "%o", static_cast<unsigned>(value));
        return text;
    case 2:
        std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(value));
        return text;
    default:
        return {};
    }
}

namespace {

// "<DIR>" for a directory, "deleted" for a deleted entry, both joined for a deleted one.
std::string EntryType(CDiskImage& image) {
    std::string type = image.IsDirectory() ? LoadResString(IDS_DIR_TYPE) : "";
    if (image.IsDeleted())
        type += (type.empty() ? "" : " ") + LoadResString(IDS_DELETED_TYPE);
    return type;
}

} // namespace

CatalogRow EntryRow(CDiskImage& image, int numberBase) {
    if (image.IsDirectory())
        return {image.GetName(), IconDirectory, EntryType(image), "", ""};
    return {image.GetName(), IconFile, EntryType(image),
            FormatNumber(image.GetAddress(), numberBase),
            FormatNumber(image.GetLength(), numberBase)};
}

std::vector<CatalogRow> BuildRows(CDiskImage& image, int numberBase) {
    std::vector<CatalogRow> rows;
    if (!image.IsRoot())
        rows.push_back({LoadResString(IDS_PARENT_DIR), IconDirectory, "", "", ""});
    for (bool more = image.FindFirst(); more; more = image.FindNext())
        rows.push_back(EntryRow(image, numberBase));
    return rows;
}

std::vector<int> SelectedEntries(CDiskImage& image, const Selection& selection) {
    const int firstEntryRow = image.IsRoot() ? 0 : 1;
    std::unordered_map<int, const std::string*> byRow; // entry position -> row text
    std::unordered_map<std::string, bool> byName;      // folded text -> already found
    for (const SelectedRow& row : selection) {
        if (row.row >= firstEntryRow)
            byRow.emplace(row.row - firstEntryRow, &row.text);
        else if (row.row < 0)
            byName.emplace(FoldName(row.text), false);
    }
    std::vector<int> entries;
    int position = 0;
    for (bool more = image.FindFirst(); more; more = image.FindNext(), ++position) {
        bool chosen = false;
        if (const auto it = byRow.find(position); it != byRow.end())
            chosen = EqualNoCase(image.GetName(), *it->second);
        if (!byName.empty()) {
            if (const auto it = byName.find(FoldName(image.GetName()));
                it != byName.end() && !it->second)
                chosen = it->second = true;
        }
        if (chosen)
            entries.push_back(image.GetEntryIndex());
    }
    return entries;
}

RowEntry FindRowEntry(CDiskImage& image, const SelectedRow& row) {
    const auto entries = SelectedEntries(image, {row});
    if (entries.empty() || !image.SeekEntry(entries.front()))
        return RowEntry::None;
    return image.IsDirectory() ? RowEntry::Directory : RowEntry::File;
}

bool SelectionHasDirectory(CDiskImage* image, const Selection& selection) {
    if (!image)
        return false;
    for (const int entry : SelectedEntries(*image, selection)) {
        if (image->SeekEntry(entry) && image->IsDirectory())
            return true;
    }
    return false;
}

bool SelectedRowIsFile(CDiskImage* image, const Selection& selection) {
    return image && !selection.empty() && FindRowEntry(*image, selection.front()) == RowEntry::File;
}

ToolbarState ComputeToolbarState(CDiskImage* image, const Selection& selection) {
    const bool open = image != nullptr;
    return {open && !selection.empty(),
            open && selection.size() == 1 && SelectedRowIsFile(image, selection)};
}

DblClkAction ChooseDblClkAction(CDiskImage* image, const Selection& selection) {
    if (!image || selection.empty())
        return {DblClkAction::Nothing, {}};
    if (selection.size() == 1) {
        const SelectedRow& row = selection.front();
        const bool parentRow = row.row < 0 ? EqualNoCase(row.text, LoadResString(IDS_PARENT_DIR))
                                           : row.row == 0 && !image->IsRoot();
        if (parentRow)
            return {DblClkAction::EnterParent, {}};
        // Files of the same name are passed over: a directory of that name wins.
        for (bool more = image->FindFirst(); more; more = image->FindNext()) {
            if (image->IsDirectory() && EqualNoCase(image->GetName(), row.text))
                return {DblClkAction::EnterDirectory, image->GetName()};
        }
    }
    return {DblClkAction::OpenSelection, {}};
}
