// Where the picture starts, how it is laid out in rows, how the keys, the scroll bar and
// the wheel move it, the scales, and the selection kept in memory terms.
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

// Bytes a row: as many whole bytes as the width holds, or one of the chosen values.
inline constexpr int kAutoRowBytes = 0;
inline constexpr std::array<int, 5> g_rowBytesChoices = {16, 32, 64, 128, 256};

// The BK's screen: 16 KB from 0o40000, 64 bytes a row, 256 rows.
inline constexpr uint16_t kScreenAddress = 040000;
inline constexpr int kScreenRowBytes = 64;
inline constexpr int kScreenRows = 256;

// The largest scale index at which the BK's screen fits the client area (0 when none does).
int ScreenScaleIndex(int width, int height);

// The address field's text: octal, no prefix, no leading zeros.
std::string AddressText(uint16_t address);

// The "&Set" button's reading of the field: one to six octal digits (blanks around them
// allowed) of a value up to 177777. Otherwise none, with why in `problem`.
enum class AddressProblem { None, NotOctal, TooLarge };
std::optional<uint16_t> ParseAddressText(const std::string& text,
                                         AddressProblem* problem = nullptr);

// The picture's rows for a client area at a scale.
struct ViewLayout {
    int scale = 1;
    int rowBytes = 1;  // from one memory row to the next
    int columns = 0;   // whole byte columns shown: at most rowBytes
    int rows = 0;      // whole picture rows shown
    int shownRows = 0; // picture rows with any pixel shown, the last one perhaps cut
    int PageRows() const { return rows > 0 ? rows : 1; }
    int ShownBytes() const { return rowBytes * shownRows; }
    bool operator==(const ViewLayout&) const = default;
};

// `chosenRowBytes` is kAutoRowBytes or a value of g_rowBytesChoices.
ViewLayout MakeLayout(int width, int height, int scale, int chosenRowBytes);

// The address whose page ends at the last byte, 0o177777 ("End"); 0 when a page holds more.
uint16_t LastPageAddress(const ViewLayout& layout);

// The vertical scroll bar counts rows: the rows from the address's place in its row
// (address mod rowBytes) to the end of memory, a page of the rows shown, and the row of
// the address.
struct ScrollInfo {
    int range;
    int page;
    int pos;
    bool operator==(const ScrollInfo&) const = default;
};
ScrollInfo MakeScrollInfo(uint16_t address, const ViewLayout& layout);

enum class ScrollCode { LineUp, LineDown, PageUp, PageDown, Top, Bottom, Thumb, Other };

// Where a scroll-bar action leads: whole rows from the address, which keeps its place
// within its row; never past the last page unless already there. `thumbRow` is the
// thumb's row for Thumb. None for codes that do nothing.
std::optional<uint16_t> ScrollAddress(ScrollCode code, uint16_t address, int thumbRow,
                                      const ViewLayout& layout);
// `rows` rows on (back when negative), as the wheel moves: 3 rows a notch.
inline constexpr int kWheelRows = 3;
uint16_t ScrollRows(uint16_t address, int rows, const ViewLayout& layout);

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

// The memory byte shown at a client point (beyond 0xFFFF where the picture wraps; mask it
// for an address); none past the bytes a row shows.
std::optional<unsigned> ByteAt(uint16_t address, Point p, const ViewLayout& layout);
// The start address that shows `byte` at the point in the layout (a zoom keeps the byte
// under the mouse where it is), as near as the ends of memory allow.
uint16_t AddressShowing(unsigned byte, Point p, const ViewLayout& layout);

inline constexpr int SEL_NONE = -999999;

// A rectangle in client pixels: the selection's frame as drawn (right may be less than
// left).
struct SelRect {
    int left = SEL_NONE;
    int top = SEL_NONE;
    int right = SEL_NONE;
    int bottom = SEL_NONE;
    bool operator==(const SelRect&) const = default;
};

bool HasSelection(const SelRect& rect);
SelRect Normalized(const SelRect& rect);

// While the button is held the pointer stays within 0..W + 8 x scale and 0..H + 1.
Point ClampDragPoint(Point p, int width, int height, int scale);

// The selection in memory: `rows` rows of `columns` bytes from `first`, the rows
// `rowBytes` apart. It stays on its memory when the picture moves; empty after a click.
// In rows of another width it is no rectangle, and shows nowhere.
struct MemorySelection {
    unsigned first = 0; // beyond 0xFFFF where the picture wraps
    int columns = 0;
    int rows = 0;
    int rowBytes = 1;
    bool Empty() const { return columns <= 0 || rows <= 0; }
    unsigned Last() const {
        return first + static_cast<unsigned>((rows - 1) * rowBytes + columns - 1);
    }
    bool operator==(const MemorySelection&) const = default;
};

// A corner of the byte grid: the memory address where its picture row starts, and its
// byte column. A drag selects between two corners.
struct Corner {
    unsigned rowStart;
    int column;
    bool operator==(const Corner&) const = default;
};
// The corner nearest a client point, no further than the whole columns and rows shown.
Corner CornerAt(uint16_t address, Point p, const ViewLayout& layout);
MemorySelection SelectionBetween(Corner a, Corner b, int rowBytes);
// The part of the selection within the whole columns and rows shown; none when it was
// made with other rows, or when nothing of it is shown.
std::optional<MemorySelection> VisiblePart(const MemorySelection& selection, uint16_t address,
                                           const ViewLayout& layout);
// The selection's frame in client pixels, perhaps beyond the client area (the frame is
// clipped where it is drawn); none when it was made with other rows.
SelRect FrameOf(const MemorySelection& selection, uint16_t address, const ViewLayout& layout);
