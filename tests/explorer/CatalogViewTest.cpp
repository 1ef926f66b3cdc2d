// Rows, the stack of places behind "..", and the decisions of the catalog list: each row
// stands for its own entry.
#include "CatalogView.h"
#include "ImageBuilders.h"

#include <gtest/gtest.h>

using namespace testimg;

namespace {

// Rows: GAME, BIG, twin (file), TWIN (dir), DUP (dir), dup (file), EMPTY (dir), SUB (dir 4
// holding HIDDEN's directory 5), SUB (dir 6, inside DUP).
std::unique_ptr<CDiskImage> SameNames() {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(64));
    b.Raw(0, 0, "BIG", 100, 512, 16384);
    b.File(0, "twin", 1, Filled(1));
    b.Dir(1, 0, "TWIN");
    b.Dir(2, 0, "DUP");
    b.File(0, "dup", 1, Filled(1));
    b.Dir(3, 0, "EMPTY");
    b.Dir(6, 2, "SUB");
    b.File(6, "DEEP", 1, Filled(1));
    b.Dir(4, 0, "SUB");
    b.File(4, "ROOTSUB", 1, Filled(1));
    return CreateDiskImage("t.img", b.Image());
}

std::vector<std::string> RowNames(const CatalogListing& listing) {
    std::vector<std::string> names;
    for (const CatalogRow& row : listing.Rows(1))
        names.push_back(row.name);
    return names;
}

} // namespace

TEST(CatalogRows, RowsAndTheWayBack) {
    auto image = SameNames();
    CatalogListing listing(*image);
    const auto root = listing.Rows(1);
    ASSERT_EQ(root.size(), 8u);
    EXPECT_EQ(root[1], (CatalogRow{"BIG", IconFile, "", "1000", "40000", false}));
    EXPECT_EQ(root[3], (CatalogRow{"TWIN", IconDirectory, "<DIR>", "", "", false}));

    // The root's own SUB, then DUP\SUB: each row opens its own directory, and ".." goes
    // back the way the user came.
    EXPECT_FALSE(listing.Enter(*listing.EntryAt(7)));
    EXPECT_EQ(RowNames(listing), (std::vector<std::string>{"..", "ROOTSUB"}));
    EXPECT_TRUE(listing.Back());
    EXPECT_FALSE(listing.Enter(*listing.EntryAt(4)));
    const EntryRef sub = *listing.EntryAt(1);
    EXPECT_FALSE(listing.Enter(sub));
    EXPECT_EQ(RowNames(listing), (std::vector<std::string>{"..", "DEEP"}));
    EXPECT_EQ(listing.TrailNames(), (std::vector<std::string>{"DUP", "SUB"}));

    // The same way in again over the image as read afresh: by the names, as far as they go.
    auto again = SameNames();
    CatalogListing fresh(*again);
    fresh.EnterTrail({"DUP", "SUB"});
    EXPECT_EQ(RowNames(fresh), (std::vector<std::string>{"..", "DEEP"}));
    CatalogListing partly(*again);
    partly.EnterTrail({"DUP", "GONE", "SUB"});
    EXPECT_EQ(partly.TrailNames(), (std::vector<std::string>{"DUP"}));

    EXPECT_EQ(listing.Back(), sub); // the row it was entered through, to be selected
    EXPECT_EQ(RowNames(listing), (std::vector<std::string>{"..", "SUB"}));
    EXPECT_TRUE(listing.Back());
    EXPECT_FALSE(listing.Back());
    EXPECT_EQ(listing.Rows(1).size(), 8u);
}

// After a change the selection goes to the live entry nearest where it was: down first,
// then up, never to a deleted entry's row or past the list.
TEST(CatalogRows, LiveRowNearSkipsDeletedRows) {
    MicroDosBuilder b(true);
    b.File(0, "A", 01000, Filled(1));
    b.Raw(0377, 0377, "OLD1", 200, 01000, 1);
    b.File(0, "B", 01000, Filled(1));
    b.Raw(0377, 0377, "OLD2", 201, 01000, 1);
    auto image = CreateDiskImage("t.img", b.Image());
    CatalogListing listing(*image);
    ASSERT_EQ(RowNames(listing), (std::vector<std::string>{"A", "OLD1", "B", "OLD2"}));
    EXPECT_EQ(listing.LiveRowNear(1), 2);
    EXPECT_EQ(listing.LiveRowNear(3), 2);
    EXPECT_EQ(listing.LiveRowNear(9), 2);
    EXPECT_EQ(listing.LiveRowNear(0), 0);
}

// By a column's header: up, down, then the catalog's order again; names without regard to
// case, ties in catalog order, directories first by size; the order stays from directory
// to directory, and each row still stands for its own entry.
TEST(CatalogRows, OrderByColumnsAndSelectionTotals) {
    using Names = std::vector<std::string>;
    auto image = SameNames();
    CatalogListing listing(*image);
    EXPECT_EQ(TotalsOf(&listing, {0, 1, 3}), (SelectionTotals{3, 64 + 16384}));
    CatalogOrder order = NextOrder({}, CatalogOrder::kName);
    listing.SetOrder(order);
    EXPECT_EQ(RowNames(listing),
              (Names{"BIG", "DUP", "dup", "EMPTY", "GAME", "SUB", "twin", "TWIN"}));
    listing.SetOrder(order = NextOrder(order, CatalogOrder::kName));
    EXPECT_EQ(RowNames(listing),
              (Names{"twin", "TWIN", "SUB", "GAME", "EMPTY", "DUP", "dup", "BIG"}));
    EXPECT_EQ(NextOrder(order, CatalogOrder::kName), CatalogOrder{});
    listing.SetOrder(NextOrder(order, CatalogOrder::kSize));
    EXPECT_EQ(RowNames(listing),
              (Names{"DUP", "EMPTY", "SUB", "TWIN", "dup", "twin", "GAME", "BIG"}));
    EXPECT_EQ(TotalsOf(&listing, {6, 7}), (SelectionTotals{2, 64 + 16384}));
    EXPECT_FALSE(listing.Enter(*listing.EntryAt(0))); // DUP
    EXPECT_EQ(RowNames(listing), (Names{"..", "SUB"}));
    EXPECT_TRUE(listing.Back());
    EXPECT_FALSE(listing.Enter(*listing.EntryAt(2))); // the root's SUB
    EXPECT_EQ(RowNames(listing), (Names{"..", "ROOTSUB"}));
    listing.SetOrder({});
    listing.Back();
    EXPECT_EQ(RowNames(listing)[0], "GAME");
}

TEST(CatalogRows, ToolbarEnableTable) {
    auto image = SameNames();
    CatalogListing listing(*image);
    struct Case {
        const CatalogListing* listing;
        Selection selection;
        ToolbarState expected;
    } cases[] = {
        {nullptr, {0}, {false, false}},    {&listing, {}, {false, false}},
        {&listing, {0}, {true, true}},     {&listing, {6}, {true, false}},
        {&listing, {0, 1}, {true, false}}, {&listing, {2}, {true, true}},
        {&listing, {3}, {true, false}},    {&listing, {99}, {true, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeToolbarState(c.listing, c.selection), c.expected)
            << (c.selection.empty() ? -1 : c.selection[0]) << " of " << c.selection.size();
}

TEST(CatalogRows, DoubleClickChoices) {
    auto image = SameNames();
    CatalogListing listing(*image);
    using K = DblClkAction;
    EXPECT_EQ(ChooseDblClkAction(nullptr, {6}), (K{K::Nothing, {}}));
    EXPECT_EQ(ChooseDblClkAction(&listing, {}), (K{K::Nothing, {}}));
    // A file and a directory of one name each do their own thing.
    EXPECT_EQ(ChooseDblClkAction(&listing, {2}), (K{K::OpenSelection, {}}));
    EXPECT_EQ(ChooseDblClkAction(&listing, {3}), (K{K::EnterDirectory, {0, 3}}));
    EXPECT_EQ(ChooseDblClkAction(&listing, {5}), (K{K::OpenSelection, {}}));
    EXPECT_EQ(ChooseDblClkAction(&listing, {6, 4}), (K{K::OpenSelection, {}}));
    listing.Enter(*listing.EntryAt(6));
    EXPECT_EQ(ChooseDblClkAction(&listing, {0}), (K{K::EnterParent, {}}));
}
