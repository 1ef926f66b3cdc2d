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

uint16_t LastPageAddress(int bytesPerPage) {
    return static_cast<uint16_t>(std::max(0x10000 - bytesPerPage, 0));
}

ScrollInfo MakeScrollInfo(uint16_t address, int bytesPerPage) {
    return {0, bytesPerPage + 0x10000, bytesPerPage, address};
}

std::optional<int> NewScrollPosition(ScrollCode code, int pos, int trackPos, int bytesPerRow,
                                     int bytesPerPage) {
    switch (code) {
    case ScrollCode::LineUp:
        return std::max(pos - bytesPerRow, 0);
    case ScrollCode::LineDown:
        return std::min(pos + bytesPerRow, 0xFFFF);
    case ScrollCode::PageUp:
        return std::max(pos - bytesPerPage, 0);
    case ScrollCode::PageDown:
        return std::min(pos + bytesPerPage, 0xFFFF);
    case ScrollCode::ThumbPosition:
    case ScrollCode::ThumbTrack:
        return trackPos;
    case ScrollCode::Other:
        break;
    }
    return std::nullopt;
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

bool HasSelection(const SelRect& r) {
    return r.left != SEL_NONE && r.top != SEL_NONE && r.right != SEL_NONE && r.bottom != SEL_NONE;
}

SelRect Normalized(const SelRect& r) {
    return {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
            std::max(r.top, r.bottom)};
}

Point SnapPoint(Point p, int scale) {
    return {p.x / 8 / scale * scale * 8, p.y / scale * scale};
}

Point ClampDragPoint(Point p, int width, int height, int scale) {
    return {std::clamp(p.x, 0, width + 8 * scale), std::clamp(p.y, 0, height + 1)};
}

SelRect BeginSelection(Point p, int scale) {
    const Point snapped = SnapPoint(p, scale);
    return {snapped.x, snapped.y, snapped.x, snapped.y};
}

SelRect DragSelection(const SelRect& rect, Point clamped, int scale, int width, int height) {
    const Point snapped = SnapPoint(clamped, scale);
    const Point last = SnapPoint({std::max(width, 0), std::max(height, 0)}, scale);
    return {rect.left, rect.top, std::min(snapped.x, last.x), std::min(snapped.y, last.y)};
}
