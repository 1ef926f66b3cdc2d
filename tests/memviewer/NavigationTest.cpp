// Addresses, keys, the scroll bar and the mouse selection's arithmetic.
#include "Navigation.h"

#include <gtest/gtest.h>

TEST(AddressText, ParseAndShow) {
    struct {
        const char* typed;
        std::optional<uint16_t> address;
        const char* shown;
        AddressProblem problem;
    } cases[] = {
        {"40000", 0x4000, "40000", AddressProblem::None},
        {" 177777 ", 0xFFFF, "177777", AddressProblem::None},
        {"0", 0, "0", AddressProblem::None},
        {"200000", std::nullopt, "", AddressProblem::TooLarge},
        {"0000001", std::nullopt, "", AddressProblem::TooLarge},
        {"-10", std::nullopt, "", AddressProblem::NotOctal},
        {"17x", std::nullopt, "", AddressProblem::NotOctal},
        {"89", std::nullopt, "", AddressProblem::NotOctal},
        {"", std::nullopt, "", AddressProblem::NotOctal},
        {"  ", std::nullopt, "", AddressProblem::NotOctal},
    };
    for (const auto& c : cases) {
        AddressProblem problem = AddressProblem::None;
        EXPECT_EQ(ParseAddressText(c.typed, &problem), c.address) << c.typed;
        EXPECT_EQ(problem, c.problem) << c.typed;
        if (c.address) {
            EXPECT_EQ(AddressText(*c.address), c.shown) << c.typed;
        }
    }
}

TEST(RowAndByteCommands, ClampAtBothEnds) {
    EXPECT_EQ(RowDown(0xFFF0, 64), 0xFFFF);
    EXPECT_EQ(RowDown(0x1000, 64), 0x1040);
    EXPECT_EQ(RowUp(0x0010, 64), 0);
    EXPECT_EQ(RowUp(0x1040, 64), 0x1000);
    EXPECT_EQ(ByteRight(0xFFFF), 0xFFFF);
    EXPECT_EQ(ByteLeft(0), 0);
    EXPECT_EQ(ByteLeft(1), 0);
}

TEST(Layout, AutoRowsNeverCutAByteAndChosenRowsKeepTheirWidth) {
    // width, height, scale, chosen: bytes a row, whole columns, whole rows, rows shown
    const struct {
        int width, height, scale, chosen;
        ViewLayout layout;
    } cases[] = {
        {512, 512, 1, kAutoRowBytes, {1, 64, 64, 512, 512}},
        {532, 300, 1, kAutoRowBytes, {1, 66, 66, 300, 300}}, // 532 px: 66 whole bytes, not 67
        {500, 301, 2, kAutoRowBytes, {2, 31, 31, 150, 151}},
        {5, 10, 4, kAutoRowBytes, {4, 1, 0, 2, 3}}, // narrower than a byte: one a row
        {500, 100, 1, 64, {1, 64, 62, 100, 100}},   // wider than the window: cut at its edge
        {512, 100, 2, 16, {2, 16, 16, 50, 50}},     // narrower: black beyond
    };
    for (const auto& c : cases)
        EXPECT_EQ(MakeLayout(c.width, c.height, c.scale, c.chosen), c.layout)
            << c.width << "x" << c.height << " at " << c.scale << ", " << c.chosen;
    EXPECT_EQ(ScreenScaleIndex(512, 256), 0);
    EXPECT_EQ(ScreenScaleIndex(1100, 600), 1); // scale 2: 1024 x 512
    EXPECT_EQ(ScreenScaleIndex(100, 100), 0);
}

// The bar counts rows from the address's place within its row; every step keeps that
// place, and stays within the first row and the last page: over odd widths and every
// scale, from every kind of address.
TEST(ScrollBar, WholeRowsKeepTheAddressesPlaceInItsRow) {
    using C = ScrollCode;
    for (const int width : {8, 100, 500, 532, 1000}) {
        for (const int scale : g_scales) {
            const ViewLayout layout = MakeLayout(width, 333, scale, kAutoRowBytes);
            const int r = layout.rowBytes, page = layout.PageRows();
            for (const uint16_t address : {0, 1, 0x4000 + 7, 0xFFFF - r, 0xFFFF}) {
                const auto info = MakeScrollInfo(address, layout);
                EXPECT_EQ(info.range, (0x10000 - address % r + r - 1) / r);
                EXPECT_LE(info.pos + info.page, info.range);
                for (const C code : {C::LineUp, C::LineDown, C::PageUp, C::PageDown, C::Top,
                                     C::Bottom, C::Thumb}) {
                    const uint16_t to = *ScrollAddress(code, address, info.pos, layout);
                    EXPECT_EQ(to % r, address % r) << width << " " << scale << " " << address;
                    const int row = to / r, last = std::max(info.range - page, 0);
                    EXPECT_LE(row, std::max(last, address / r));
                }
                EXPECT_EQ(*ScrollAddress(C::Bottom, address, 0, layout) / r,
                          std::max(info.range - page, 0));
            }
        }
    }
    const ViewLayout screen = MakeLayout(512, 512, 1, kAutoRowBytes); // 64 a row, 512 rows
    EXPECT_EQ(MakeScrollInfo(0x4000, screen), (ScrollInfo{1024, 512, 256}));
    EXPECT_EQ(ScrollAddress(C::PageDown, 0, 0, screen), 0x8000);
    EXPECT_EQ(ScrollAddress(C::PageDown, 0x8000, 0, screen), 0x8000); // the last page
    EXPECT_EQ(ScrollAddress(C::PageUp, 0x8000 + 5, 0, screen), 5);
    EXPECT_EQ(ScrollAddress(C::Thumb, 3, 1023, screen), 0x8000 + 3); // dragged to the bottom
    EXPECT_EQ(ScrollAddress(C::LineUp, 3, 0, screen), 3);
    EXPECT_EQ(ScrollAddress(C::Other, 3, 0, screen), std::nullopt);
    EXPECT_EQ(ScrollRows(0x100, 3, screen), 0x100 + 3 * 64); // a wheel notch
    EXPECT_EQ(ScrollRows(0x100, -9, screen), 0);
    EXPECT_EQ(ScrollRows(0xFFF0, 3, screen), 0xFFF0); // past the last page already: stays
    EXPECT_EQ(LastPageAddress(screen), 0x8000);
    EXPECT_EQ(MakeScrollInfo(LastPageAddress(screen), screen).pos, 512); // End: thumb at the end
    const ViewLayout odd = MakeLayout(532, 300, 1, kAutoRowBytes);       // 66 a row
    EXPECT_EQ(MakeScrollInfo(LastPageAddress(odd), odd).pos + 300,
              MakeScrollInfo(LastPageAddress(odd), odd).range);
}

TEST(Pointer, ByteUnderThePointAndZoomKeepingIt) {
    const ViewLayout one = MakeLayout(512, 512, 1, kAutoRowBytes);
    EXPECT_EQ(ByteAt(0x4000, {17, 2}, one), 0x4000 + 2 * 64 + 2);
    EXPECT_EQ(ByteAt(0xFFFF, {8, 0}, one), 0x10000u); // where the picture wraps
    EXPECT_EQ(ByteAt(0, {-1, 0}, one), std::nullopt);
    EXPECT_EQ(ByteAt(0, {0, 512}, one), std::nullopt);
    const ViewLayout narrow = MakeLayout(512, 512, 1, 16);
    EXPECT_EQ(ByteAt(0, {130, 0}, narrow), std::nullopt); // beyond the row's 16 bytes
    // Zoomed in around (256, 256): that byte stays under the point.
    const unsigned byte = *ByteAt(0x4000, {256, 256}, one);
    const ViewLayout two = MakeLayout(512, 512, 2, kAutoRowBytes);
    EXPECT_EQ(ByteAt(AddressShowing(byte, {256, 256}, two), {256, 256}, two), byte);
    EXPECT_EQ(AddressShowing(10, {256, 256}, two), 0); // as near as memory's start allows
}

// The selection stays on its memory as the picture moves, and what is saved is what the
// window still shows of it.
TEST(MemorySelection, DragFollowsMemoryAndIsClippedToWhatIsShown) {
    const ViewLayout layout = MakeLayout(512, 300, 1, kAutoRowBytes); // 64 a row, 300 rows
    const Corner from = CornerAt(0x4000, {85, 43}, layout);
    EXPECT_EQ(from, (Corner{0x4000 + 43 * 64, 10}));
    EXPECT_TRUE(SelectionBetween(from, from, 64).Empty()); // a click
    // Dragged up and left; the corner past the edges stops at the last whole column and row.
    const MemorySelection up = SelectionBetween(from, CornerAt(0x4000, {17, 8}, layout), 64);
    EXPECT_EQ(up, (MemorySelection{0x4000 + 8 * 64 + 2, 8, 35, 64}));
    EXPECT_EQ(up.Last(), 0x4000u + 42 * 64 + 9);
    const MemorySelection wide = SelectionBetween(from, CornerAt(0x4000, {900, 400}, layout), 64);
    EXPECT_EQ(wide, (MemorySelection{0x4000 + 43 * 64 + 10, 54, 257, 64}));

    EXPECT_EQ(VisiblePart(up, 0x4000, layout), up);
    EXPECT_EQ(FrameOf(up, 0x4000, layout), (SelRect{16, 8, 80, 43}));
    // Scrolled down by 20 rows: the frame moves up with its memory, its top clipped.
    EXPECT_EQ(FrameOf(up, 0x4000 + 20 * 64, layout), (SelRect{16, -12, 80, 23}));
    EXPECT_EQ(VisiblePart(up, 0x4000 + 20 * 64, layout),
              (MemorySelection{0x4000 + 20 * 64 + 2, 8, 23, 64}));
    // A window made lower, with the same rows: the rows still shown.
    EXPECT_EQ(VisiblePart(wide, 0x4000, MakeLayout(512, 100, 1, 64)),
              (MemorySelection{0x4000 + 43 * 64 + 10, 54, 57, 64}));
    // Narrower, with the rows kept at 64 bytes: the columns still shown.
    EXPECT_EQ(VisiblePart(wide, 0x4000, MakeLayout(256, 300, 1, 64)),
              (MemorySelection{0x4000 + 43 * 64 + 10, 22, 257, 64}));
    // Rows of another width: it is no rectangle there any more.
    EXPECT_EQ(VisiblePart(wide, 0x4000, MakeLayout(256, 300, 1, kAutoRowBytes)), std::nullopt);
    EXPECT_EQ(FrameOf(wide, 0x4000, MakeLayout(256, 300, 1, kAutoRowBytes)), SelRect{});
    EXPECT_EQ(VisiblePart(up, 0x8000, layout), std::nullopt); // scrolled out of sight
}

TEST(MouseSelection, PointerClampedWhileDragging) {
    // Width 512 at scale 1: the pointer stops at 520 (one byte column beyond).
    EXPECT_EQ(ClampDragPoint({900, -5}, 512, 300, 1), (Point{520, 0}));
    EXPECT_EQ(ClampDragPoint({900, 400}, 500, 300, 4), (Point{532, 301}));
    EXPECT_FALSE(HasSelection(SelRect{}));
    EXPECT_EQ(Normalized({80, 43, 16, 8}), (SelRect{16, 8, 80, 43}));
}
