// The catalog list's decisions: which rows, which texts, what a double-click does and
// which toolbar buttons are enabled. Each row stands for its own entry.
#pragma once

#include "DiskImage.h"

#include <optional>
#include <string>
#include <vector>

// The selected rows' positions in the list, ascending.
using Selection = std::vector<int>;

enum ListIcon { IconFile = 0, IconDirectory = 1 };

struct CatalogRow {
    std::string name; // column 0: "File name"
    int icon;
    std::string type;    // column 1: "<DIR>", "deleted", both, or empty
    std::string address; // column 2
    std::string size;    // column 3
    bool deleted = false;
    bool operator==(const CatalogRow&) const = default;
};

// The rows' order: the catalog's, or by a column (0 to 3) up or down.
struct CatalogOrder {
    enum Column { kCatalog = -1, kName, kType, kAddress, kSize };
    int column = kCatalog;
    bool descending = false;
    bool operator==(const CatalogOrder&) const = default;
};

// A click on a column's header: by it ascending; again, descending; a third time, the
// catalog's order.
CatalogOrder NextOrder(CatalogOrder current, int column);

// A catalog name (Windows-1251) as one line of UTF-8 text: a tab or line feed inside it
// is written as \t or \n.
std::string PrintableName(const std::string& cp1251);

// "MicroDOS, MKDOS, ..." from the table of formats, then hard disks unless the image is a
// logical disk.
std::string KnownFormats(bool logicalDisk);

// The message of a failed open of the file at `path` (UTF-8), named `shown`: the file's name
// and the reason; after string 102 where the format is unknown (UTF-8).
std::string OpenFailureText(const std::string& path, const std::string& shown,
                            const OpenFailure& failure);
// The reason alone (UTF-8), an unknown format with the formats known; a logical disk's is
// worded for a disk.
std::string OpenFailureReason(const OpenFailure& failure, bool logicalDisk);
// The message of a logical disk that cannot be entered: string IDS_DISK_CANNOT_OPEN with
// the disk's name, then the reason on a second line.
std::string DiskFailureText(const std::string& disk, const OpenFailure& failure);

// `value` in base 0 (decimal), 1 (octal) or 2 (hexadecimal); empty for any other base.
std::string FormatNumber(long long value, int base);

// The row of an entry: "<DIR>", "<DIR> lost", "<DISK>" or "deleted" in the type column;
// a directory's or disk's address and length columns stay empty.
CatalogRow EntryRow(const DiskEntry& entry, int numberBase);

// What the list stands on: the way from the root to the current directory (a stack of
// places, so ".." goes back where the user came from), and the entry of each row.
class CatalogListing {
public:
    explicit CatalogListing(CDiskImage& image); // at the root

    CDiskImage& Image() const { return m_image; }
    Place Current() const { return m_trail.back(); }
    // ".." is the first row everywhere but at the root.
    bool HasParentRow() const { return m_trail.size() > 1; }
    // The entries after the parent row, in the order asked for (at first the catalog's).
    const std::vector<EntryRef>& Entries() const { return m_entries; }
    // Kept from directory to directory. Names compare without regard to case; rows of one
    // key keep their catalog order; directories have no address or size, and come first.
    void SetOrder(CatalogOrder order);
    CatalogOrder Order() const { return m_order; }
    // The entry of a list row; none for the parent row or a row past the end.
    std::optional<EntryRef> EntryAt(int row) const;
    bool IsParentRow(int row) const { return HasParentRow() && row == 0; }

    // Opens the directory or logical disk the entry opens; the reason when a logical disk
    // cannot be read (nothing changes then), none when it opened or was not a directory.
    std::optional<OpenFailure> Enter(EntryRef entry);
    // Back to where the current directory was entered from: the entry it was entered
    // through; none at the root.
    std::optional<EntryRef> Back();
    // The names of the directories entered from the root (Windows-1251).
    std::vector<std::string> TrailNames() const;
    // From the root, into the live directories of those names in turn, as far as they go:
    // the way back into the same directory after the image changed.
    void EnterTrail(const std::vector<std::string>& names);
    // The row of a live entry nearest row `from`, looking down first (a deleted entry's row
    // stays in the list); `from`, kept within the rows, when there is none.
    int LiveRowNear(int from) const;

    std::vector<CatalogRow> Rows(int numberBase) const;
    // The selected rows' entry indices, ascending, without the parent row.
    std::vector<int> SelectedEntries(const Selection& selection) const;

private:
    void Refresh();
    void Sort();

    CDiskImage& m_image;
    std::vector<Place> m_trail;
    std::vector<EntryRef> m_enteredThrough; // the entry each place after the root opened from
    std::vector<EntryRef> m_entries;
    CatalogOrder m_order;
};

// What the selection holds: its entries, and the bytes of its files.
struct SelectionTotals {
    size_t entries = 0;
    unsigned long long bytes = 0;
    bool operator==(const SelectionTotals&) const = default;
};
SelectionTotals TotalsOf(const CatalogListing* listing, const Selection& selection);

bool SelectionHasDirectory(const CatalogListing* listing, const Selection& selection);

struct ToolbarState {
    bool saveEnabled; // "Save selection as BINS"
    bool viewEnabled; // view as text
    bool operator==(const ToolbarState&) const = default;
};

ToolbarState ComputeToolbarState(const CatalogListing* listing, const Selection& selection);

struct DblClkAction {
    enum Kind { Nothing, EnterParent, EnterDirectory, OpenSelection } kind;
    EntryRef directory{}; // for EnterDirectory: the row's own entry
    bool operator==(const DblClkAction&) const = default;
};

// What a double-click (or Enter) does with the selection.
DblClkAction ChooseDblClkAction(const CatalogListing* listing, const Selection& selection);
