// Images cut short or pointing outside themselves: every read stays inside the image.
#include "Formats.h"
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
    EXPECT_EQ(image->Entry({0, 3}).name, ""); // past the end: a blank entry
    EXPECT_EQ(image->Entry({0, -1}).name, "");
}

TEST(Bounds, MicroDosCatalogWithoutEndMarkerRunsToTheImageEnd) {
    Bytes bytes(0x140 + 24 * 100);
    PutWord(bytes, 0x100, 0xA72E);
    std::fill(bytes.begin() + 0x140, bytes.end(), 0x41);
    PutWord(bytes, 0x140 + 20, 0); // the first entry becomes a directory numbered 0x41
    PutWord(bytes, 0x140 + 22, 0);
    auto image = Load(bytes);
    // Every entry is held by directory 0x41, which no entry reachable from the root opens.
    EXPECT_EQ(List(*image), (std::vector<ListedEntry>{{"<65>", true, 0, 0}}));
    EXPECT_EQ(List(*image, "<65>").size(), 100u);
    EXPECT_EQ(List(*image, "<65>\\AAAAAAAAAAAAAA").size(), 100u); // the self-holding one
}

TEST(Bounds, MicroDosDataPastTheEndFailsThatEntryOnly) {
    MicroDosBuilder b(false, 0x8000);
    b.Raw(0, 0, "PAST", 0x3F, 01000, 1024); // starts inside, ends outside
    b.Raw(0, 0, "PAST", 0x3E, 01000, 1024); // same name, wholly inside
    b.Raw(0, 0, "FAR", 0xFFFF, 01000, 1);
    b.Raw(0, 0, "EDGE", 0x3F, 01000, 512); // ends exactly at the image end
    auto image = Load(b.Image());
    EXPECT_EQ(Fault(*image, "PAST"), ReadFault::Unreadable);
    EXPECT_EQ(Read(*image.get(), "PAST").size(), 0u);
    std::vector<uint8_t> data;
    EXPECT_EQ(image->Read({0, 1}, data), ReadFault::None); // the second PAST
    EXPECT_EQ(data.size(), 1024u);
    EXPECT_EQ(Fault(*image, "FAR"), ReadFault::Unreadable);
    EXPECT_EQ(Fault(*image, "EDGE"), ReadFault::None);
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

    const Bytes cut = Cut(b.Image(), 0x601); // the FAT is cut after its first byte
    const auto tiny = DetectFileSystem(cut)->Open(cut);
    EXPECT_TRUE(tiny->Entries().empty());
}

TEST(Bounds, AndosChainReadsUpToTheVeryLastByte) {
    AndosBuilder b(3 * 2048 + 2048); // clusters 2 only
    b.File(0, "LAST", "", 0, Filled(2048, 3));
    auto image = Load(b.Image());
    EXPECT_EQ(Read(*image, "LAST"), Filled(2048, 3));
    auto shorter = Load(Cut(b.Image(), 4 * 2048 - 1));
    EXPECT_TRUE(Read(*shorter, "LAST").empty());
}
