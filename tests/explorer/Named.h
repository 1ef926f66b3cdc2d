// Rows picked by their text, as a user clicks them, in a listing of an image.
#pragma once

#include "CatalogView.h"
#include "Cp1251.h"
#include "DropFiles.h"
#include "Export.h"

#include <string>
#include <vector>

// Each name selects the first row of that text (any case) not selected yet; ".." the
// parent row. Rows come out in list order.
inline Selection Named(const CatalogListing& listing, const std::vector<std::string>& names) {
    const auto rows = listing.Rows(1);
    Selection selection;
    for (const std::string& name : names) {
        for (size_t row = 0; row < rows.size(); ++row) {
            const int at = static_cast<int>(row);
            if (EqualNoCase(rows[row].name, name) &&
                std::find(selection.begin(), selection.end(), at) == selection.end()) {
                selection.push_back(at);
                break;
            }
        }
    }
    std::sort(selection.begin(), selection.end());
    return selection;
}

inline Selection AllRows(const CatalogListing& listing) {
    Selection rows;
    for (size_t row = listing.HasParentRow() ? 1 : 0; row < listing.Rows(1).size(); ++row)
        rows.push_back(static_cast<int>(row));
    return rows;
}

inline ExportResult ExportNamed(CDiskImage& image, const std::vector<std::string>& names,
                                const std::filesystem::path& folder, const ExportOptions& options) {
    const CatalogListing listing(image);
    return ExportSelection(&listing, Named(listing, names), folder, options);
}
