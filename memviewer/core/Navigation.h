// Where the picture starts, how the keys and the scroll bar move it, the scales, and the
// mouse selection's arithmetic.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::array<int, 6> g_scales = {1, 2, 4, 8, 16, 32};
inline constexpr int kMaxScaleIndex = static_cast<int>(g_scales.size()) - 1;

inline bool CanZoomIn(int scaleIndex) {
    return scaleIndex < kMaxScaleIndex;
}
inline bool CanZoomOut(int scaleIndex) {
    return scaleIndex >= 1;
}

// The address field's text: octal, no prefix, no leading zeros.
std::string AddressText(uint16_t address);

// The "&Set" button's reading of the field: one to six octal digits (blanks around them
// allowed) of a value up to 177777. Otherwise none, with why in `problem`.
enum class AddressProblem { None, NotOctal, TooLarge };
std::optional<uint16_t> ParseAddressText(const std::string& text,
                                         AddressProblem* problem = nullptr);

// The address whose page ends at the last byte, 0o177777 ("End"); 0 when a page holds more.
uint16_t LastPageAddress(int bytesPerPage);

struct ScrollInfo {
    int min;
    int max;
    int page;
    int pos;
    bool operator==(const ScrollInfo&) const = default;
};

ScrollInfo MakeScrollInfo(uint16_t address, int bytesPerPage);

enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, ThumbPosition, ThumbTrack, Other };

// The scroll bar's new position for a code, from its position (and tracking position);
// none for codes that do nothing. SetAddress keeps the low 16 bits of what it gets.
std::optional<int> NewScrollPosition(ScrollCode code, int pos, int trackPos, int bytesPerRow,
                                     int bytesPerPage);

// The row and byte commands: they stop at 0 and 0xFFFF and never wrap.
uint16_t RowDown(uint16_t address, int bytesPerRow);
uint16_t RowUp(uint16_t address, int bytesPerRow);
uint16_t ByteRight(uint16_t address);
uint16_t ByteLeft(uint16_t address);

struct Point {
    int x;
    int y;
    bool operator==(const Point&) const = default;
};

inline constexpr int SEL_NONE = -999999;

// The selection in client pixels, as dragged (right may be less than left).
struct SelRect {
    int left = SEL_NONE;
    int top = SEL_NONE;
    int right = SEL_NONE;
    int bottom = SEL_NONE;
    bool operator==(const SelRect&) const = default;
};

bool HasSelection(const SelRect& rect);
SelRect Normalized(const SelRect& rect);

// Corners fall on byte columns (8 x scale pixels) and picture rows (scale pixels).
Point SnapPoint(Point p, int scale);
// While the button is held the pointer stays within 0..W + 8 x scale and 0..H + 1.
Point ClampDragPoint(Point p, int width, int height, int scale);

// A click: an empty selection at the snapped point.
SelRect BeginSelection(Point p, int scale);
// A move of the held mouse: the far corner follows the snapped (clamped) point, no
// further than the last byte column and picture row wholly inside width x height.
SelRect DragSelection(const SelRect& rect, Point clamped, int scale, int width, int height);
