// Entries, names and directory marks of each catalog layout.
#include "ImageBuilders.h"
#include "Listing.h"

#include <gtest/gtest.h>

using namespace testimg;
using Entries = std::vector<ListedEntry>;

TEST(MicroDosCatalog, NamesEndMarkerAndDirectories) {
    MicroDosBuilder b;
    b.Raw(0, 0, "PADDED\0\0\0\0\0\0\0\0", 100, 01000, 1);
    b.Raw(0, 0, std::string("IN\0SIDE  ", 9), 100, 01000, 1);
    b.Raw(0, 0, "FOURTEEN_CHARS", 100, 01000, 1);
    b.File(0, "\xC8\xC3\xD0\xC0", 01000, Filled(3)); // ИГРА, stored in KOI-8
    b.Raw(7, 0, "STATUS7", 100, 0100, 2); // a non-zero first byte is listed like any other
    b.Raw(3, 0, "DIR", 0, 0, 0);          // address and length 0: a directory
    b.Raw(0, 3, "INSIDE", 100, 0100, 2);
    b.Raw(0, 0, std::string("\0NAME", 5), 0, 0, 0); // bytes 0, 1, 2 zero: the end
    b.Raw(0, 0, "AFTER", 100, 0100, 2);
    auto image = Load(b.Image());
    EXPECT_EQ(image->GetFormatName(), "MicroDOS");
    EXPECT_EQ(List(*image), (Entries{{"PADDED", false, 01000, 1},
                                     {"IN SIDE", false, 01000, 1},
                                     {"FOURTEEN_CHARS", false, 01000, 1},
                                     {"\xC8\xC3\xD0\xC0", false, 01000, 3},
                                     {"STATUS7", false, 0100, 2},
                                     {"DIR", true, 0, 0}}));
    EXPECT_EQ(Names(*image, "dir"), std::vector<std::string>{"INSIDE"});
    EXPECT_TRUE(List(*Load(MicroDosBuilder().Image())).empty());
}

TEST(MkDosCatalog, DirectoryMarkNameLayoutAndCyrillicNames) {
    MicroDosBuilder b(true);
    b.Dir(5, 0, "THIRTEEN_CHRS");
    b.Raw(0, 0, "ZERO", 100, 0, 0); // address and length 0 is still a file here
    b.Raw(0, 5, "FOURTEEN_CHARS", 100, 01000, 4);
    b.Raw(9, 0, "\x7FMARKED", 0, 01000, 4);          // a 0x7F first byte makes a directory
    b.Dir(1, 0, "\xC8\xC3\xD0\xDB");                 // ИГРЫ
    b.File(1, "\xF4\xE0\xE9\xEB", 01000, Filled(1)); // файл
    auto image = Load(b.Image());
    EXPECT_EQ(image->GetFormatName(), "MKDOS");
    EXPECT_EQ(List(*image), (Entries{{"THIRTEEN_CHRS", true, 0, 0},
                                     {"ZERO", false, 0, 0},
                                     {"MARKED", true, 0, 0},
                                     {"\xC8\xC3\xD0\xDB", true, 0, 0}}));
    EXPECT_EQ(Names(*image, "thirteen_chrs"), std::vector<std::string>{"FOURTEEN_CHARS"});
    EXPECT_EQ(Read(*image, "\xE8\xE3\xF0\xFB\\\xD4\xC0\xC9\xCB"), Filled(1)); // игры\ФАЙЛ
}

TEST(AndosCatalog, NamesExtensionsAttributesAndEndRules) {
    AndosBuilder b;
    b.File(0, "NAME", "TXT", 01000, Filled(3));
    b.Dir(3, 0, "DIR", "X");
    b.Raw("ATTR12", "", 0x12, 4, 0, 0, 0xFFF, 0); // only 0x08 marks a directory; 0x02 hidden
    b.File(3, "INNER", "BIN", 0100, Filled(5));
    const int blank = b.Raw("", "", 0, 0, 0, 01000, 0xFFF, 0); // byte 0 zero, cluster set
    b.Image()[blank] = 0;
    const int longer = b.File(0, "LOW", "", 0, Filled(10));
    PutWord(b.Image(), longer + 30, 1); // the high word of the length counts
    const int end = b.Raw("", "", 0, 0, 0, 0, 0, 0);
    b.Image()[end] = 0; // byte 0 and cluster zero: the end
    b.File(0, "AFTER", "", 0, Filled(1));
    auto image = Load(b.Image());
    EXPECT_EQ(image->GetFormatName(), "ANDOS");
    EXPECT_EQ(List(*image), (Entries{{"NAME.TXT", false, 01000, 3},
                                     {"DIRX", true, 0, 0},
                                     {"ATTR12", false, 0, 0},
                                     {"", false, 01000, 0}, // the zero byte became a space
                                     {"LOW", false, 0, 0x1000A}}));
    EXPECT_EQ(Fault(*image, "LOW"), ReadFault::ClustersEndEarly);
    const auto root = image->List(image->Root());
    EXPECT_TRUE(image->Entry(root[2]).hidden);
    EXPECT_FALSE(image->Entry(root[0]).hidden);
    EXPECT_EQ(Names(*image, "dirx"), std::vector<std::string>{"INNER.BIN"});
}

TEST(AndosCatalog, FullCatalogStopsAtItsArea) {
    AndosBuilder b;
    for (int i = 0; i < 113; ++i)
        b.Raw("F" + std::to_string(i), "", 0, 0, 0, 0, 0xFFF, 0);
    const auto names = Names(*Load(b.Image()));
    ASSERT_EQ(names.size(), 112u);
    EXPECT_EQ(names.back(), "F111");
}
