#include "Navigation.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

std::string AddressText(uint16_t address) {
    char text[8];
    std::snprintf(text, sizeof text, "%o", static_cast<unsigned>(address));
    return text;
}

std::optional<uint16_t> ParseAddressText(const std::string& text, AddressProblem* problem) {
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t");
    const std::string digits =
        first == std::string::npos ? "" : text.substr(first, last - first + 1);
    AddressProblem found = AddressProblem::None;
    if (digits.empty() || digits.find_first_not_of("01234567") != std::string::npos)
        found = AddressProblem::NotOctal;
    else if (digits.size() > 6 || std::strtoul(digits.c_str(), nullptr, 8) > 0xFFFF)
        found = AddressProblem::TooLarge;
    if (problem)
        *problem = found;
    if (found != AddressProblem::None)
        return std::nullopt;
    return static_cast<uint16_t>(std::strtoul(digits.c_str(), nullptr, 8));
}

int ScreenScaleIndex(int width, int height) {
    int index = 0;
    for (int i = 0; i <= kMaxScaleIndex; ++i) {
        if (8 * kScreenRowBytes * g_scales[i] <= width && kScreenRows * g_scales[i] <= height)
            index = i;
    }
    return index;
}

ViewLayout MakeLayout(int width, int height, int scale, int chosenRowBytes) {
    ViewLayout layout;
    layout.scale = scale;
    const int whole = std::max(width, 0) / (8 * scale);
    layout.rowBytes = chosenRowBytes > 0 ? chosenRowBytes : std::max(whole, 1);
    layout.columns = std::min(layout.rowBytes, whole);
    layout.rows = std::max(height, 0) / scale;
    layout.shownRows = (std::max(height, 0) + scale - 1) / scale;
    return layout;
}

uint16_t LastPageAddress(const ViewLayout& layout) {
    return static_cast<uint16_t>(std::max(0x10000 - layout.rowBytes * layout.PageRows(), 0));
}

namespace {

// The rows from the address's place within its row to the end of memory, and the first
// row of the last page.
struct Rows {
    int phase, total, lastTop;
};

Rows RowsOf(uint16_t address, const ViewLayout& layout) {
    const int phase = address % layout.rowBytes;
    const int total = (0x10000 - phase + layout.rowBytes - 1) / layout.rowBytes;
    return {phase, total, std::max(total - layout.PageRows(), 0)};
}

// Row `row` of the address's rows, kept within the first row and the last page (or the
// address's own row when that is further on).
uint16_t AtRow(uint16_t address, int row, const ViewLayout& layout) {
    const Rows rows = RowsOf(address, layout);
    const int upper = std::max(rows.lastTop, address / layout.rowBytes);
    return static_cast<uint16_t>(rows.phase + std::clamp(row, 0, upper) * layout.rowBytes);
}

} // namespace

ScrollInfo MakeScrollInfo(uint16_t address, const ViewLayout& layout) {
    const Rows rows = RowsOf(address, layout);
    return {rows.total, std::min(layout.PageRows(), rows.total),
            std::min(address / layout.rowBytes, rows.lastTop)};
}

std::optional<uint16_t> ScrollAddress(ScrollCode code, uint16_t address, int thumbRow,
                                      const ViewLayout& layout) {
    const int row = address / layout.rowBytes, page = layout.PageRows();
    switch (code) {
    case ScrollCode::LineUp:
        return AtRow(address, row - 1, layout);
    case ScrollCode::LineDown:
        return AtRow(address, row + 1, layout);
    case ScrollCode::PageUp:
        return AtRow(address, row - page, layout);
    case ScrollCode::PageDown:
        return AtRow(address, row + page, layout);
    case ScrollCode::Top:
        return AtRow(address, 0, layout);
    case ScrollCode::Bottom:
        return AtRow(address, RowsOf(address, layout).lastTop, layout);
    case ScrollCode::Thumb:
        return AtRow(address, std::min(thumbRow, RowsOf(address, layout).lastTop), layout);
    case ScrollCode::Other:
        break;
    }
    return std::nullopt;
}

uint16_t ScrollRows(uint16_t address, int rows, const ViewLayout& layout) {
    return AtRow(address, address / layout.rowBytes + rows, layout);
}

uint16_t RowDown(uint16_t address, int bytesPerRow) {
    return static_cast<uint16_t>(std::min(address + bytesPerRow, 0xFFFF));
}

uint16_t RowUp(uint16_t address, int bytesPerRow) {
    return static_cast<uint16_t>(std::max(address - bytesPerRow, 0));
}

uint16_t ByteRight(uint16_t address) {
    return RowDown(address, 1);
}

uint16_t ByteLeft(uint16_t address) {
    return RowUp(address, 1);
}

std::optional<unsigned> ByteAt(uint16_t address, Point p, const ViewLayout& layout) {
    const int column = p.x / (8 * layout.scale), row = p.y / layout.scale;
    if (p.x < 0 || p.y < 0 || column >= layout.rowBytes || row >= layout.shownRows)
        return std::nullopt;
    return address + static_cast<unsigned>(row * layout.rowBytes + column);
}

uint16_t AddressShowing(unsigned byte, Point p, const ViewLayout& layout) {
    const int column = std::min(std::max(p.x, 0) / (8 * layout.scale), layout.rowBytes - 1);
    const int row = std::max(p.y, 0) / layout.scale;
    const long long start = static_cast<long long>(byte) - row * layout.rowBytes - column;
    return static_cast<uint16_t>(std::clamp(start, 0LL, 0xFFFFLL));
}

bool HasSelection(const SelRect& r) {
    return r.left != SEL_NONE && r.top != SEL_NONE && r.right != SEL_NONE && r.bottom != SEL_NONE;
}

SelRect Normalized(const SelRect& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

Point ClampDragPoint(Point p, int width, int height, int scale) {
    return {std::clamp(p.x, 0, width + 8 * scale), std::clamp(p.y, 0, height + 1)};
}

Corner CornerAt(uint16_t address, Point p, const ViewLayout& layout) {
    const int column = std::clamp(p.x / (8 * layout.scale), 0, layout.columns);
    const int row = std::clamp(p.y / layout.scale, 0, layout.rows);
    return {address + static_cast<unsigned>(row * layout.rowBytes), column};
}

MemorySelection SelectionBetween(Corner a, Corner b, int rowBytes) {
    const unsigned top = std::min(a.rowStart, b.rowStart);
    const int left = std::min(a.column, b.column);
    return {top + static_cast<unsigned>(left), std::abs(a.column - b.column),
            static_cast<int>((std::max(a.rowStart, b.rowStart) - top) /
                             static_cast<unsigned>(rowBytes)),
            rowBytes};
}

namespace {

// The selection's first byte as a row and column of the picture (the row negative above
// it).
Point CellOf(const MemorySelection& selection, uint16_t address, int rowBytes) {
    const long long offset = static_cast<long long>(selection.first) - address;
    const long long row = offset >= 0 ? offset / rowBytes : -((-offset + rowBytes - 1) / rowBytes);
    return {static_cast<int>(offset - row * rowBytes),
            static_cast<int>(std::clamp(row, -0x20000LL, 0x20000LL))};
}

} // namespace

std::optional<MemorySelection> VisiblePart(const MemorySelection& selection, uint16_t address,
                                           const ViewLayout& layout) {
    if (selection.Empty() || selection.rowBytes != layout.rowBytes)
        return std::nullopt;
    const Point cell = CellOf(selection, address, layout.rowBytes);
    const int top = std::max(cell.y, 0), bottom = std::min(cell.y + selection.rows, layout.rows);
    const int right = std::min(cell.x + selection.columns, layout.columns);
    if (bottom <= top || right <= cell.x)
        return std::nullopt;
    return MemorySelection{address + static_cast<unsigned>(top * layout.rowBytes + cell.x),
                           right - cell.x, bottom - top, layout.rowBytes};
}

SelRect FrameOf(const MemorySelection& selection, uint16_t address, const ViewLayout& layout) {
    if (selection.rowBytes != layout.rowBytes)
        return {};
    const Point cell = CellOf(selection, address, layout.rowBytes);
    const int byteWidth = 8 * layout.scale, s = layout.scale;
    const int columns = std::min(selection.columns, layout.rowBytes - cell.x);
    return {cell.x * byteWidth, cell.y * s, (cell.x + columns) * byteWidth,
            (cell.y + selection.rows) * s};
}
