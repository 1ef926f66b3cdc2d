#include "CatalogView.h"

#include "Cp1251.h"
#include "HostNames.h"
#include "Strings.h"

#include <cstdio>

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

std::vector<CatalogRow> BuildRows(CDiskImage& image, int numberBase) {
    std::vector<CatalogRow> rows;
    if (!image.IsRoot())
        rows.push_back({LoadResString(IDS_PARENT_DIR), IconDirectory, "", "", ""});
    for (bool more = image.FindFirst(); more; more = image.FindNext()) {
        if (image.IsDirectory())
            rows.push_back({image.GetName(), IconDirectory, LoadResString(IDS_DIR_TYPE), "", ""});
        else
            rows.push_back({image.GetName(), IconFile, "", FormatNumber(image.GetAddress(), numberBase),
                            FormatNumber(image.GetLength(), numberBase)});
    }
    return rows;
}

RowEntry FindRowEntry(CDiskImage& image, const std::string& rowText) {
    for (bool more = image.FindFirst(); more; more = image.FindNext()) {
        if (EqualNoCase(image.GetName(), rowText))
            return image.IsDirectory() ? RowEntry::Directory : RowEntry::File;
    }
    return RowEntry::None;
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
        const std::string& text = selection.front();
        if (EqualNoCase(text, LoadResString(IDS_PARENT_DIR)))
            return {DblClkAction::EnterParent, {}};
        // Files of the same name are passed over: a directory of that name wins.
        for (bool more = image->FindFirst(); more; more = image->FindNext()) {
            if (image->IsDirectory() && EqualNoCase(image->GetName(), text))
                return {DblClkAction::EnterDirectory, image->GetName()};
        }
    }
    return {DblClkAction::OpenSelection, {}};
}
