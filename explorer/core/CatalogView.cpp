#include "CatalogView.h"

#include "Cp1251.h"
#include "HostFiles.h"
#include "HostNames.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <tuple>

using namespace ravelko;

std::string PrintableName(const std::string& cp1251) {
    std::string name;
    for (char c : Cp1251ToUtf8(cp1251))
        name += c == '\t' ? std::string("\\t") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return name;
}

std::string KnownFormats(bool logicalDisk) {
    std::string names;
    for (const FileSystemFormat& format : FileSystemFormats())
        names += (names.empty() ? "" : ", ") + std::string(format.name);
    return logicalDisk ? names : names + ", " + LoadResString(IDS_HARD_DISK_IMAGES);
}

std::string OpenFailureReason(const OpenFailure& failure, bool logicalDisk) {
    switch (failure.kind) {
    case OpenFailure::UnknownFormat:
        return FormatResString(logicalDisk ? IDS_DISK_UNKNOWN_FORMAT : IDS_OPEN_UNKNOWN_FORMAT,
                               {KnownFormats(logicalDisk)});
    case OpenFailure::ReadOnly:
        return LoadResString(IDS_OPEN_READ_ONLY);
    case OpenFailure::TooLarge:
        return FormatResString(logicalDisk ? IDS_DISK_TOO_LARGE : IDS_OPEN_TOO_LARGE,
                               {std::to_string(kMaxImageSize)});
    case OpenFailure::CutShort:
        return FormatResString(IDS_OPEN_CUT_SHORT, {std::to_string(failure.missing)});
    case OpenFailure::CannotRead:
        return FormatResString(IDS_OPEN_CANNOT_READ, {failure.hostMessage});
    case OpenFailure::None:
        break;
    }
    return {};
}

std::string OpenFailureText(const std::string& path, const std::string& shown,
                            const OpenFailure& failure) {
    if (failure.kind == OpenFailure::CannotRead &&
        hostfiles::ReadingRefusedByHolder(PathFromUtf8(path)))
        return FormatResString(IDS_OPEN_HELD, {shown});
    const std::string reason = shown + ": " + OpenFailureReason(failure, false);
    return failure.kind == OpenFailure::UnknownFormat
               ? LoadResString(IDS_WRONG_IMAGE) + "\n" + reason
               : reason;
}

std::string DiskFailureText(const std::string& disk, const OpenFailure& failure) {
    return FormatResString(IDS_DISK_CANNOT_OPEN, {disk}) + "\n" + OpenFailureReason(failure, true);
}

std::string FormatNumber(long long value, int base) {
    char text[32];
    switch (base) {
    case 0:
        std::snprintf(text, sizeof text, "%lld", value);
        return text;
    case 1:
        std::snprintf(text, sizeof text, "%llo", static_cast<unsigned long long>(value));
        return text;
    case 2:
        std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
        return text;
    default:
        return {};
    }
}

namespace {

std::string EntryType(const DiskEntry& entry) {
    std::string type;
    switch (entry.kind) {
    case DiskEntry::Kind::Directory:
        type = LoadResString(IDS_DIR_TYPE);
        break;
    case DiskEntry::Kind::Lost:
        type = LoadResString(IDS_DIR_TYPE) + " " + LoadResString(IDS_LOST_TYPE);
        break;
    case DiskEntry::Kind::Disk:
        type = LoadResString(IDS_DISK_TYPE);
        break;
    case DiskEntry::Kind::File:
        break;
    }
    if (entry.deleted)
        type += (type.empty() ? "" : " ") + LoadResString(IDS_DELETED_TYPE);
    return type;
}

} // namespace

CatalogRow EntryRow(const DiskEntry& entry, int numberBase) {
    if (entry.IsDirectory())
        return {entry.name, IconDirectory, EntryType(entry), "", "", entry.deleted};
    return {entry.name,
            IconFile,
            EntryType(entry),
            FormatNumber(entry.address, numberBase),
            FormatNumber(static_cast<long long>(entry.length), numberBase),
            entry.deleted};
}

CatalogOrder NextOrder(CatalogOrder current, int column) {
    if (current.column != column)
        return {column, false};
    return current.descending ? CatalogOrder{} : CatalogOrder{column, true};
}

CatalogListing::CatalogListing(CDiskImage& image) : m_image(image), m_trail{image.Root()} {
    Refresh();
}

void CatalogListing::Refresh() {
    m_entries = m_image.List(Current());
    Sort();
}

void CatalogListing::SetOrder(CatalogOrder order) {
    m_order = order;
    Refresh();
}

void CatalogListing::Sort() {
    if (m_order.column == CatalogOrder::kCatalog)
        return;
    struct Key {
        std::string text; // the folded name, or the type
        long long number; // address or size; -1 for a directory
        std::string name;
    };
    std::vector<Key> keys;
    keys.reserve(m_entries.size());
    for (const EntryRef& ref : m_entries) {
        const DiskEntry entry = m_image.Entry(ref);
        const long long none = -1;
        const long long number = entry.IsDirectory() ? none
                                 : m_order.column == CatalogOrder::kAddress
                                     ? entry.address
                                     : static_cast<long long>(entry.length);
        keys.push_back(
            {m_order.column == CatalogOrder::kType ? EntryType(entry) : FoldName(entry.name),
             number, FoldName(entry.name)});
    }
    const auto less = [&](size_t a, size_t b) {
        const Key &x = keys[a], &y = keys[b];
        if (m_order.column == CatalogOrder::kAddress || m_order.column == CatalogOrder::kSize)
            return std::tie(x.number, x.name) < std::tie(y.number, y.name);
        return std::tie(x.text, x.name) < std::tie(y.text, y.name);
    };
    std::vector<size_t> order(m_entries.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return m_order.descending ? less(b, a) : less(a, b);
    });
    std::vector<EntryRef> sorted;
    sorted.reserve(order.size());
    for (const size_t i : order)
        sorted.push_back(m_entries[i]);
    m_entries = std::move(sorted);
}

std::optional<EntryRef> CatalogListing::EntryAt(int row) const {
    const int first = HasParentRow() ? 1 : 0;
    if (row < first || row - first >= static_cast<int>(m_entries.size()))
        return std::nullopt;
    return m_entries[static_cast<size_t>(row - first)];
}

std::optional<OpenFailure> CatalogListing::Enter(EntryRef entry) {
    OpenFailure why;
    const std::optional<Place> inside = m_image.Enter(entry, &why);
    if (!inside)
        return why.kind == OpenFailure::None ? std::nullopt : std::optional(why);
    m_trail.push_back(*inside);
    m_enteredThrough.push_back(entry);
    Refresh();
    return std::nullopt;
}

std::optional<EntryRef> CatalogListing::Back() {
    if (m_trail.size() < 2)
        return std::nullopt;
    m_trail.pop_back();
    const EntryRef through = m_enteredThrough.back();
    m_enteredThrough.pop_back();
    Refresh();
    return through;
}

std::vector<std::string> CatalogListing::TrailNames() const {
    std::vector<std::string> names;
    for (const EntryRef& ref : m_enteredThrough)
        names.push_back(m_image.Entry(ref).name);
    return names;
}

void CatalogListing::EnterTrail(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const auto dir = std::find_if(m_entries.begin(), m_entries.end(), [&](EntryRef ref) {
            const DiskEntry entry = m_image.Entry(ref);
            return entry.IsDirectory() && !entry.deleted && entry.name == name;
        });
        if (dir == m_entries.end() || Enter(EntryRef(*dir))) // entering refills m_entries
            return;
    }
}

int CatalogListing::LiveRowNear(int from) const {
    const int first = HasParentRow() ? 1 : 0;
    const int count = first + static_cast<int>(m_entries.size());
    const auto live = [&](int row) {
        return row >= first && row < count &&
               !m_image.Entry(m_entries[static_cast<size_t>(row - first)]).deleted;
    };
    for (int row = std::max(from, 0); row < count; ++row) {
        if (live(row))
            return row;
    }
    for (int row = std::min(from, count) - 1; row >= 0; --row) {
        if (live(row))
            return row;
    }
    return std::clamp(from, 0, std::max(count - 1, 0));
}

std::vector<CatalogRow> CatalogListing::Rows(int numberBase) const {
    std::vector<CatalogRow> rows;
    if (HasParentRow())
        rows.push_back({LoadResString(IDS_PARENT_DIR), IconDirectory, "", "", "", false});
    for (const EntryRef& ref : m_entries)
        rows.push_back(EntryRow(m_image.Entry(ref), numberBase));
    return rows;
}

std::vector<int> CatalogListing::SelectedEntries(const Selection& selection) const {
    std::vector<int> entries;
    for (const int row : selection) {
        if (const auto ref = EntryAt(row))
            entries.push_back(ref->index);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

namespace {

std::optional<DiskEntry> SelectedEntry(const CatalogListing& listing, int row) {
    const auto ref = listing.EntryAt(row);
    return ref ? std::optional(listing.Image().Entry(*ref)) : std::nullopt;
}

} // namespace

SelectionTotals TotalsOf(const CatalogListing* listing, const Selection& selection) {
    SelectionTotals totals;
    for (const int row : selection) {
        if (const auto entry = listing ? SelectedEntry(*listing, row) : std::nullopt) {
            ++totals.entries;
            totals.bytes += entry->IsDirectory() ? 0 : entry->length;
        }
    }
    return totals;
}

bool SelectionHasDirectory(const CatalogListing* listing, const Selection& selection) {
    return listing && std::any_of(selection.begin(), selection.end(), [&](int row) {
               const auto entry = SelectedEntry(*listing, row);
               return entry && entry->IsDirectory();
           });
}

ToolbarState ComputeToolbarState(const CatalogListing* listing, const Selection& selection) {
    if (!listing)
        return {false, false};
    const auto first =
        selection.size() == 1 ? SelectedEntry(*listing, selection.front()) : std::nullopt;
    return {!selection.empty(), first && !first->IsDirectory()};
}

DblClkAction ChooseDblClkAction(const CatalogListing* listing, const Selection& selection) {
    if (!listing || selection.empty())
        return {DblClkAction::Nothing, {}};
    if (selection.size() == 1) {
        if (listing->IsParentRow(selection.front()))
            return {DblClkAction::EnterParent, {}};
        const auto ref = listing->EntryAt(selection.front());
        if (ref && listing->Image().Entry(*ref).IsDirectory())
            return {DblClkAction::EnterDirectory, *ref};
    }
    return {DblClkAction::OpenSelection, {}};
}
