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
    EXPECT_EQ(LastPageAddress(4096), 0xF000);
    EXPECT_EQ(LastPageAddress(0x20000), 0);
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

TEST(ScrollBar, RangeAndCodes) {
    EXPECT_EQ(MakeScrollInfo(0x4000, 4816), (ScrollInfo{0, 4816 + 0x10000, 4816, 0x4000}));
    using C = ScrollCode;
    EXPECT_EQ(NewScrollPosition(C::LineUp, 10, 0, 64, 4096), 0);
    EXPECT_EQ(NewScrollPosition(C::LineDown, 0xFFF0, 0, 64, 4096), 0xFFFF);
    EXPECT_EQ(NewScrollPosition(C::PageUp, 5000, 0, 64, 4096), 904);
    EXPECT_EQ(NewScrollPosition(C::PageDown, 0xF000, 0, 64, 4096), 0xFFFF);
    EXPECT_EQ(NewScrollPosition(C::ThumbTrack, 0, 65537, 64, 4096), 65537); // SetAddress keeps 1
    EXPECT_EQ(NewScrollPosition(C::ThumbPosition, 0, 300, 64, 4096), 300);
    EXPECT_EQ(NewScrollPosition(C::Other, 5, 300, 64, 4096), std::nullopt);
}

TEST(MouseSelection, SnapClampAndDrag) {
    EXPECT_EQ(SnapPoint({519, 7}, 1), (Point{512, 7}));
    EXPECT_EQ(SnapPoint({47, 9}, 2), (Point{32, 8}));
    // Width 512 at scale 1: the pointer stops at 520, which snaps to 520 (65 columns).
    EXPECT_EQ(ClampDragPoint({900, -5}, 512, 300, 1), (Point{520, 0}));
    EXPECT_EQ(SnapPoint(ClampDragPoint({900, 400}, 512, 300, 1), 1), (Point{520, 301}));
    // Width 500: clamped to 508, which snaps to 504 (63 columns).
    EXPECT_EQ(SnapPoint(ClampDragPoint({900, 0}, 500, 300, 1), 1), (Point{504, 0}));

    const SelRect none;
    EXPECT_FALSE(HasSelection(none));
    const SelRect click = BeginSelection({85, 43}, 1);
    EXPECT_EQ(click, (SelRect{80, 43, 80, 43}));
    EXPECT_TRUE(HasSelection(click));
    const SelRect dragged = DragSelection(click, {17, 8}, 1, 512, 300);
    EXPECT_EQ(dragged, (SelRect{80, 43, 16, 8}));
    EXPECT_EQ(Normalized(dragged), (SelRect{16, 8, 80, 43}));
    // Past the edges: up to the last whole column and row that are visible, never further.
    EXPECT_EQ(DragSelection(click, ClampDragPoint({900, 400}, 500, 301, 1), 1, 500, 301),
              (SelRect{80, 43, 496, 301}));
    EXPECT_EQ(DragSelection(click, ClampDragPoint({900, 400}, 512, 300, 1), 1, 512, 300),
              (SelRect{80, 43, 512, 300}));
    EXPECT_EQ(DragSelection(click, {900, 400}, 4, 100, 50), (SelRect{80, 43, 96, 48}));
}
