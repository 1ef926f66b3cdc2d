// Facts read off hex dumps of images written by the real disk operating systems (skipped
// when they are not present); their formats and every entry are checked by the export tests.
#include "DiskImage.h"
#include "Listing.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(RealImage, FactsFromHexDumps) {
    const fs::path images = BK_SHARED_IMAGES;
    if (!fs::exists(images))
        GTEST_SKIP() << "no real images at " << images;
    testimg::TempDir dir;
    std::unique_ptr<CDiskImage> image;
    // Writable copies: read-only images are refused.
    ASSERT_EQ(OpenDiskImage(dir.WritableCopy(images / "mk_dos.img").string(), image), 0);
    EXPECT_EQ(image->GetImageSize(), 819200);
    EXPECT_EQ(Names(*image), (std::vector<std::string>{"SRC318", "UTIL", "PROG", "DOCS", "MK-DOS",
                                                       "4\xCA-intro"}));
    // Entry at 0x158: MONITOR in directory 12 (MK-DOS), block 0x14, address 0xFFFF, 0x2000 bytes.
    const uint8_t* data;
    int address, length;
    ASSERT_TRUE(image->ReadFile("mk-dos\\MONITOR", data, address, length));
    EXPECT_EQ(address, 0177777);
    EXPECT_EQ(length, 020000);
    const auto raw = testimg::ReadAll(images / "mk_dos.img");
    EXPECT_TRUE(std::equal(data, data + length, raw.begin() + 0x14 * 512));

    ASSERT_EQ(OpenDiskImage(dir.WritableCopy(images / "ALEXSOFT.IMG").string(), image), 0);
    ASSERT_TRUE(image->FindFirst());
    EXPECT_EQ(image->GetName(), "ANDOS V3.30"); // the volume entry, attribute 0x08
    EXPECT_TRUE(image->IsDirectory());
    ASSERT_TRUE(image->ReadFile("ANDOS V3.30\\ANDOS.SYS", data, address, length));
    EXPECT_EQ(address, 0177777); // entry at 0xA20: address 0xFFFF, length 0xB800
    EXPECT_EQ(length, 0134000);
}
