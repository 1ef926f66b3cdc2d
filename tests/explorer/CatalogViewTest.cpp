// Rows, row matching and the decisions of the catalog list.
#include "CatalogView.h"
#include "ImageBuilders.h"

#include <gtest/gtest.h>

using namespace testimg;

namespace {

std::unique_ptr<CDiskImage> SameNames() {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(64));
    b.Raw(0, 0, "BIG", 100, 512, 16384);
    b.File(0, "twin", 1, Filled(1)); // a file first ...
    b.Dir(1, 0, "TWIN");             // ... then a directory of the same name
    b.Dir(2, 0, "DUP");              // a directory first ...
    b.File(0, "dup", 1, Filled(1));  // ... then a file
    b.Dir(3, 0, "EMPTY");
    return CreateDiskImage("t.img", b.Image());
}

} // namespace

TEST(CatalogRows, RootSubdirectoryAndEmptyDirectory) {
    auto image = SameNames();
    const auto root = BuildRows(*image, 1);
    ASSERT_EQ(root.size(), 7u);
    EXPECT_EQ(root[1], (CatalogRow{"BIG", IconFile, "", "1000", "40000"}));
    EXPECT_EQ(root[3], (CatalogRow{"TWIN", IconDirectory, "<DIR>", "", ""}));

    ASSERT_TRUE(image->ChangeDir("EMPTY"));
    EXPECT_EQ(BuildRows(*image, 1), (std::vector<CatalogRow>{{"..", IconDirectory, "", "", ""}}));
}

TEST(CatalogRows, ToolbarEnableTable) {
    auto image = SameNames();
    CDiskImage* open = image.get();
    struct Case {
        CDiskImage* image;
        Selection selection;
        ToolbarState expected;
    } cases[] = {
        {nullptr, {"GAME"}, {false, false}}, {open, {}, {false, false}},
        {open, {"GAME"}, {true, true}},      {open, {"EMPTY"}, {true, false}},
        {open, {".."}, {true, false}},       {open, {"GAME", "BIG"}, {true, false}},
        {open, {"twin"}, {true, true}}, // the file comes first in the catalog
        {open, {"DUP"}, {true, false}}, // the directory comes first
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeToolbarState(c.image, c.selection), c.expected)
            << (c.selection.empty() ? "" : c.selection[0].text) << " of " << c.selection.size();
}

TEST(CatalogRows, DoubleClickChoices) {
    auto image = SameNames();
    using K = DblClkAction;
    EXPECT_EQ(ChooseDblClkAction(nullptr, {"EMPTY"}), (K{K::Nothing, ""}));
    EXPECT_EQ(ChooseDblClkAction(image.get(), {}), (K{K::Nothing, ""}));
    EXPECT_EQ(ChooseDblClkAction(image.get(), {".."}), (K{K::EnterParent, ""}));
    EXPECT_EQ(ChooseDblClkAction(image.get(), {"empty"}), (K{K::EnterDirectory, "EMPTY"}));
    // Either row of a file and a directory sharing a name enters the directory.
    EXPECT_EQ(ChooseDblClkAction(image.get(), {"twin"}), (K{K::EnterDirectory, "TWIN"}));
    EXPECT_EQ(ChooseDblClkAction(image.get(), {"dup"}), (K{K::EnterDirectory, "DUP"}));
    EXPECT_EQ(ChooseDblClkAction(image.get(), {"GAME"}), (K{K::OpenSelection, ""}));
    EXPECT_EQ(ChooseDblClkAction(image.get(), {"EMPTY", "DUP"}), (K{K::OpenSelection, ""}));
}
