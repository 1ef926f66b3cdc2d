// Images cut short or pointing outside themselves: every read stays inside the image.
#include "AndosImage.h"
#include "ImageBuilders.h"
#include "Listing.h"

#include <gtest/gtest.h>

using namespace testimg;

namespace {

Bytes Cut(const Bytes& image, size_t size) {
    return Bytes(image.begin(), image.begin() + size);
}

} // namespace

TEST(Bounds, MicroDosCatalogEndsAtTheImageEnd) {
    MicroDosBuilder b;
    for (int i = 0; i < 4; ++i)
        b.Raw(0, 0, "F" + std::to_string(i), 0, 1, 1);
    b.Dir(1, 0, "F3");
    auto image = Load(Cut(b.Image(), b.EntryOffset(3) + 10)); // the fourth entry is cut
    EXPECT_EQ(Names(*image), (std::vector<std::string>{"F0", "F1", "F2"}));
    EXPECT_FALSE(image->ChangeDir("F3"));
    EXPECT_EQ(image->GetName(), ""); // the cursor rests past the end: no read there
    EXPECT_EQ(image->GetAddress(), 0);
}

TEST(Bounds, MicroDosCatalogWithoutEndMarkerRunsToTheImageEnd) {
    Bytes bytes(0x140 + 24 * 100);
    PutWord(bytes, 0x100, 0xA72E);
    std::fill(bytes.begin() + 0x140, bytes.end(), 0x41);
    PutWord(bytes, 0x140 + 20, 0); // the first entry becomes a directory numbered 0x41
    PutWord(bytes, 0x140 + 22, 0);
    auto image = Load(bytes);
    EXPECT_EQ(List(*image).size(), 0u); // every entry is held by directory 0x41
    ASSERT_TRUE(image->ChangeDir("AAAAAAAAAAAAAA"));
    EXPECT_EQ(List(*image).size(), 100u);
}

TEST(Bounds, MicroDosDataPastTheEndFailsThatEntryOnly) {
    MicroDosBuilder b(false, 0x8000);
    b.Raw(0, 0, "PAST", 0x3F, 01000, 1024); // starts inside, ends outside
    b.Raw(0, 0, "PAST", 0x3E, 01000, 1024); // same name, wholly inside
    b.Raw(0, 0, "FAR", 0xFFFF, 01000, 1);
    b.Raw(0, 0, "EDGE", 0x3F, 01000, 512); // ends exactly at the image end
    auto image = Load(b.Image());
    const uint8_t* data;
    int address, length;
    ASSERT_TRUE(image->ReadFile("PAST", data, address, length));
    EXPECT_EQ(length, 1024);
    EXPECT_FALSE(image->ReadFile("FAR", data, address, length));
    EXPECT_TRUE(image->ReadFile("EDGE", data, address, length));
}

TEST(Bounds, AndosTruncatedCatalogAndClustersOutside) {
    AndosBuilder b;
    b.File(0, "INSIDE", "", 0, Filled(100));
    const int outside = b.File(0, "OUTSIDE", "", 0, Filled(100));
    PutWord(b.Image(), outside + 26, 0xFFE);      // data far past the end of the image
    b.Raw("FATOUT", "", 0, 0, 0, 0, 0xFFFF, 100); // FAT entry past the end too
    b.Raw("CUT", "", 0, 0, 0, 0, 0xFFF, 0);
    auto image = Load(Cut(b.Image(), 0xA00 + 32 * 3 + 16));
    EXPECT_EQ(Names(*image), (std::vector<std::string>{"INSIDE", "OUTSIDE", "FATOUT"}));
    EXPECT_TRUE(Read(*image, "INSIDE").empty()); // its cluster lies beyond the cut
    EXPECT_TRUE(Read(*image, "OUTSIDE").empty());
    EXPECT_TRUE(Read(*image, "FATOUT").empty());

    CAndosImage tiny("t.img", Cut(b.Image(), 0x601));
    EXPECT_EQ(tiny.GetNextCluster(0), -1);
    EXPECT_EQ(tiny.GetNextCluster(-3), -1);
    EXPECT_FALSE(tiny.FindFirst());
}

TEST(Bounds, AndosChainReadsUpToTheVeryLastByte) {
    AndosBuilder b(3 * 2048 + 2048); // clusters 2 only
    b.File(0, "LAST", "", 0, Filled(2048, 3));
    auto image = Load(b.Image());
    EXPECT_EQ(Read(*image, "LAST"), Filled(2048, 3));
    auto shorter = Load(Cut(b.Image(), 4 * 2048 - 1));
    EXPECT_TRUE(Read(*shorter, "LAST").empty());
}
