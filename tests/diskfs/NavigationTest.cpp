// Entering and reading by entry value, and entries out of reach: the same over every layout.
#include "ImageBuilders.h"
#include "Listing.h"

#include <gtest/gtest.h>

#include <span>

using namespace testimg;

namespace {

// One tree, built in the layout of the test's parameter:
//   GAME, DIR\ (TEXT.TXT, SUB\ (DEEP)), TWIN, TWIN, SUB\ (OTHER), EMPTY\  -- SUB appears twice.
struct Node {
    int own; // a directory's own number; 0 for a file
    int holding;
    const char* name;
    const char* extension = "";
    int address = 0;
    Bytes data = {};
};

Bytes BuildTree(ImageFormat format, std::span<const Node> extra = {}) {
    const Node base[] = {{0, 0, "GAME", "", 01000, Filled(64)},
                         {1, 0, "DIR"},
                         {0, 1, "TEXT", "TXT", 02000, Filled(10, 'a')},
                         {2, 1, "SUB"},
                         {0, 2, "DEEP", "", 03000, Filled(3, 'x')},
                         {0, 0, "TWIN", "", 1, Filled(1, 1)},
                         {0, 0, "TWIN", "", 2, Filled(1, 2)},
                         {3, 0, "SUB"},
                         {0, 3, "OTHER", "", 0, Filled(2)},
                         {4, 0, "EMPTY"}};
    std::vector<Node> tree(std::begin(base), std::end(base));
    tree.insert(tree.end(), extra.begin(), extra.end());
    AndosBuilder andos;
    MicroDosBuilder microDos(format == FormatMkDos);
    for (const Node& n : tree) {
        const std::string extension = n.extension;
        if (format == FormatAndos && n.own)
            andos.Dir(n.own, n.holding, n.name);
        else if (format == FormatAndos)
            andos.File(n.holding, n.name, extension, n.address, n.data);
        else if (n.own)
            microDos.Dir(n.own, n.holding, n.name);
        else
            microDos.File(n.holding, n.name + (extension.empty() ? "" : "." + extension), n.address,
                          n.data);
    }
    return format == FormatAndos ? andos.Image() : microDos.Image();
}

class Navigation : public ::testing::TestWithParam<ImageFormat> {
protected:
    void SetUp() override {
        image = Load(BuildTree(GetParam()));
        ASSERT_TRUE(image);
    }
    std::unique_ptr<CDiskImage> image;
};

const std::vector<std::string> kRoot = {"GAME", "DIR", "TWIN", "TWIN", "SUB", "EMPTY"};

} // namespace

// Each row opens what its own entry opens, whatever other entries share its name.
TEST_P(Navigation, EveryEntryOpensAndReadsItself) {
    const auto root = image->List(image->Root());
    ASSERT_EQ(root.size(), kRoot.size());
    const auto contents = [&](EntryRef ref) {
        std::vector<std::string> names;
        const auto place = image->Enter(ref);
        for (const EntryRef& inside : place ? image->List(*place) : std::vector<EntryRef>())
            names.push_back(image->Entry(inside).name);
        return names;
    };
    EXPECT_EQ(contents(root[4]), std::vector<std::string>{"OTHER"}); // the root's own SUB
    const auto dir = image->List(*image->Enter(root[1]));
    EXPECT_EQ(contents(dir[1]), std::vector<std::string>{"DEEP"}); // DIR\SUB
    EXPECT_TRUE(contents(root[5]).empty());
    EXPECT_FALSE(image->Enter(root[0])); // a file opens nothing
    std::vector<uint8_t> data;
    ASSERT_EQ(image->Read(root[3], data), ReadFault::None); // the second TWIN
    EXPECT_EQ(data, Filled(1, 2));
    EXPECT_EQ(image->Entry(root[3]).address, 2);
    EXPECT_EQ(image->Read(root[1], data), ReadFault::Unreadable);
    EXPECT_TRUE(data.empty());
}

// Entries out of reach from the root: a number no directory entry opens, a directory that
// holds itself, and two that hold each other all appear under one "<N>" each, once.
TEST_P(Navigation, UnreachableEntriesAppearInLostDirectories) {
    const Node extra[] = {{0, 9, "ORPHAN", "", 1, Filled(1)},
                          {7, 7, "SELF"},
                          {0, 7, "INSELF", "", 1, Filled(1)},
                          {5, 6, "CYCLEA"},
                          {6, 5, "CYCLEB"}};
    auto lost = Load(BuildTree(GetParam(), extra));
    const auto names = Names(*lost);
    EXPECT_EQ(std::vector<std::string>(names.begin() + 6, names.end()),
              (std::vector<std::string>{"<5>", "<7>", "<9>"}));
    EXPECT_EQ(lost->Entry(lost->List(lost->Root()).back()).kind, DiskEntry::Kind::Lost);
    EXPECT_EQ(Names(*lost, "<9>"), std::vector<std::string>{"ORPHAN"});
    EXPECT_EQ(Names(*lost, "<7>"), (std::vector<std::string>{"SELF", "INSELF"}));
    EXPECT_EQ(Names(*lost, "<7>\\SELF\\SELF"), (std::vector<std::string>{"SELF", "INSELF"}));
    EXPECT_EQ(Names(*lost, "<5>"), std::vector<std::string>{"CYCLEB"});
    EXPECT_EQ(Names(*lost, "<5>\\CYCLEB"), std::vector<std::string>{"CYCLEA"});
}

INSTANTIATE_TEST_SUITE_P(AllFormats, Navigation,
                         ::testing::Values(FormatMicroDos, FormatMkDos, FormatAndos),
                         [](const auto& p) { return std::to_string(p.param); });
