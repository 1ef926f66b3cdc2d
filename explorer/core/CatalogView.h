// The catalog list's decisions: which rows, which texts, what a double-click does and
// which toolbar buttons are enabled. Rows carry only texts; an operation finds a row's
// entry again by name in the current directory.
#pragma once

#include "DiskImage.h"

#include <string>
#include <vector>

// One selected row: its column-0 text and its position in the list. A row given by its
// text alone (position -1) stands for the first entry of that name.
struct SelectedRow {
    SelectedRow(std::string rowText, int rowIndex = -1) : text(std::move(rowText)), row(rowIndex) {}
    SelectedRow(const char* rowText) : SelectedRow(std::string(rowText)) {}
    std::string text;
    int row;
};

// The selected rows, in ascending row order.
using Selection = std::vector<SelectedRow>;

enum ListIcon { IconFile = 0, IconDirectory = 1 };

struct CatalogRow {
    std::string name; // column 0: "File name"
    int icon;
    std::string type;    // column 1: "<DIR>", "deleted", both, or empty
    std::string address; // column 2
    std::string size;    // column 3
    bool operator==(const CatalogRow&) const = default;
};

// A catalog name (Windows-1251) as one line of UTF-8 text: a tab or line feed inside it
// is written as \t or \n.
std::string PrintableName(const std::string& cp1251);

// The message of a failed open: string 102, then the reason on a second line (UTF-8).
std::string OpenFailureText(const OpenFailure& failure);

// `value` in base 0 (decimal), 1 (octal) or 2 (hexadecimal); empty for any other base.
std::string FormatNumber(int value, int base);

// The row of the entry at the cursor.
CatalogRow EntryRow(CDiskImage& image, int numberBase);

// The rows of the image's current directory: ".." first below the root, then the
// entries in catalog order.
std::vector<CatalogRow> BuildRows(CDiskImage& image, int numberBase);

// The catalog indices of the selected rows' entries, ascending, in one pass over the
// current directory. A row's position decides when it has one and its text matches;
// a row given by text alone stands for the first entry of that name. The parent row
// and rows that name no entry are left out.
std::vector<int> SelectedEntries(CDiskImage& image, const Selection& selection);

enum class RowEntry { None, File, Directory };

// The kind of the row's entry (SelectedEntries). Moves the image's cursor.
RowEntry FindRowEntry(CDiskImage& image, const SelectedRow& row);

bool SelectionHasDirectory(CDiskImage* image, const Selection& selection);

bool SelectedRowIsFile(CDiskImage* image, const Selection& selection);

struct ToolbarState {
    bool saveEnabled; // "Save selection as BINS"
    bool viewEnabled; // view as text
    bool operator==(const ToolbarState&) const = default;
};

ToolbarState ComputeToolbarState(CDiskImage* image, const Selection& selection);

struct DblClkAction {
    enum Kind { Nothing, EnterParent, EnterDirectory, OpenSelection } kind;
    std::string directory; // for EnterDirectory: the name as the catalog spells it
    bool operator==(const DblClkAction&) const = default;
};

// What a double-click (or Enter) does with the selection.
DblClkAction ChooseDblClkAction(CDiskImage* image, const Selection& selection);
