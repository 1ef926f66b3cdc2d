// ANDOS data: FAT12 packing and the cluster chain copy with its length limit.
#include "ImageBuilders.h"
#include "Listing.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testimg;

TEST(AndosChain, Fat12PackingOfOddAndEvenEntries) {
    AndosBuilder b;
    b.SetFat(2, 0xABC);
    b.SetFat(3, 0x123);
    b.SetFat(4, 0xFFF);
    EXPECT_EQ(b.Image()[0x603], 0xBC);
    EXPECT_EQ(b.Image()[0x604], 0x3A);
    EXPECT_EQ(b.Image()[0x605], 0x12);
    // A chain through odd and even entries: 3, then 2, then 4.
    AndosBuilder chain;
    chain.Raw("ODDEVEN", "", 0, 0, 0, 0, 3, 3 * 2048);
    chain.SetFat(3, 2);
    chain.SetFat(2, 4);
    chain.SetFat(4, 0xFFF);
    Bytes expected;
    for (const int cluster : {3, 2, 4}) {
        const Bytes part = Filled(2048, cluster);
        std::copy(part.begin(), part.end(), chain.Image().begin() + chain.ClusterOffset(cluster));
        expected.insert(expected.end(), part.begin(), part.end());
    }
    EXPECT_EQ(Read(*Load(chain.Image()), "ODDEVEN"), expected);
}

TEST(AndosChain, ChainLengthAgainstTheFileLength) {
    AndosBuilder b;
    b.File(0, "ONE", "", 0, Filled(2048));
    b.File(0, "THREE", "", 0, Filled(3000)); // needs two clusters, buffer of 4096
    const int extra = b.File(0, "EXTRA", "", 0, Filled(2048));
    b.SetFat(b.Image()[extra + 26], 2); // its chain now runs on into ONE's cluster
    b.Raw("EMPTY", "", 0, 0, 0, 0, 0xFFF, 0);
    b.Raw("ZEROCL", "", 0, 0, 0, 0, 0, 0);
    const int badEnd = b.File(0, "BADEND", "", 0, Filled(100));
    b.SetFat(b.Image()[badEnd + 26], 0xFF8);
    auto image = Load(b.Image());

    EXPECT_EQ(Read(*image, "ONE"), Filled(2048));
    EXPECT_EQ(Read(*image, "THREE"), Filled(3000));
    EXPECT_TRUE(Read(*image, "EXTRA").empty());
    EXPECT_EQ(Fault(*image, "EMPTY"), ReadFault::None);
    EXPECT_EQ(Fault(*image, "ZEROCL"), ReadFault::None); // length 0, cluster 0: an empty file
    EXPECT_NE(Fault(*image, "BADEND"), ReadFault::None);
}

TEST(AndosChain, LoopsAndShortChains) {
    AndosBuilder b;
    const int loop = b.File(0, "LOOP", "", 0, Filled(4096));
    const int first = b.Image()[loop + 26];
    b.SetFat(first + 1, first); // the chain returns to its start
    const int shorter = b.File(0, "SHORT", "", 0, Filled(2048, 7));
    PutWord(b.Image(), shorter + 28, 5000); // claims more than its one cluster
    auto image = Load(b.Image());

    EXPECT_TRUE(Read(*image, "LOOP").empty());
    // A chain shorter than the length is not the file: never padded, and the reason is told.
    EXPECT_TRUE(Read(*image, "SHORT").empty());
    EXPECT_EQ(Fault(*image, "SHORT"), ReadFault::ClustersEndEarly);
    EXPECT_EQ(Fault(*image, "LOOP"), ReadFault::Unreadable);
}

// The size is the FAT entry's 32 bits: a file over 64 KB reads whole along its chain.
TEST(AndosChain, LengthsOver64KbAreReadWhole) {
    AndosBuilder b;
    const Bytes big = Filled(75161, 5);
    b.File(0, "BIG", "ASM", 0, big);
    const int claims = b.File(0, "CLAIMS", "", 0, Filled(100));
    PutWord(b.Image(), claims + 30, 0x100); // 16 MB: more than the disk holds
    auto image = Load(b.Image());
    EXPECT_EQ(List(*image).front().length, 75161);
    EXPECT_EQ(Read(*image, "BIG.ASM"), big);
    EXPECT_EQ(Fault(*image, "CLAIMS"), ReadFault::ClustersEndEarly);
}
