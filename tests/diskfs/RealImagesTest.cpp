// Images written by the real disk operating systems (skipped when they are not present);
// every entry of them is read through the catalog walk in the export tests.
#include "DiskImage.h"
#include "Listing.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = BK_SHARED_IMAGES;

class RealImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kImages))
            GTEST_SKIP() << "no real images at " << kImages;
    }
    // A writable copy opened (read-only images are refused); 1 when it cannot be.
    int Open(const std::string& name) {
        return OpenDiskImage(dir.WritableCopy(kImages / name).string(), image);
    }
    testimg::TempDir dir;
    std::unique_ptr<CDiskImage> image;
};

} // namespace

TEST_F(RealImage, EachIsReadAsItsFormatAndAnUnknownBootDiskIsRefused) {
    const std::pair<const char*, const char*> images[] = {{"mk_dos.img", "MKDOS"},
                                                          {"AODOS210.bkd", "MicroDOS"},
                                                          {"ALEXSOFT.IMG", "ANDOS"},
                                                          {"GAMES.BKD", "ANDOS"}};
    for (const auto& [name, format] : images) {
        ASSERT_EQ(Open(name), 0) << name;
        EXPECT_EQ(image->GetFormatName(), format);
    }
    EXPECT_EQ(Open("desolate01.img"), 1);
}

TEST_F(RealImage, FactsFromHexDumps) {
    ASSERT_EQ(Open("mk_dos.img"), 0);
    EXPECT_EQ(image->GetImageSize(), 819200);
    EXPECT_EQ(Names(*image), (std::vector<std::string>{"SRC318", "UTIL", "PROG", "DOCS", "MK-DOS",
                                                       "4\xCA-intro"}));
    // Entry at 0x158: MONITOR in directory 12 (MK-DOS), block 0x14, address 0xFFFF, 0x2000 bytes.
    const uint8_t* data;
    int address, length;
    ASSERT_TRUE(image->ReadFile("mk-dos\\MONITOR", data, address, length));
    EXPECT_EQ(address, 0177777);
    EXPECT_EQ(length, 020000);
    const auto raw = testimg::ReadAll(kImages / "mk_dos.img");
    EXPECT_TRUE(std::equal(data, data + length, raw.begin() + 0x14 * 512));

    ASSERT_EQ(Open("ALEXSOFT.IMG"), 0);
    ASSERT_TRUE(image->FindFirst());
    EXPECT_EQ(image->GetName(), "ANDOS V3.30"); // the volume entry, attribute 0x08
    EXPECT_TRUE(image->IsDirectory());
    ASSERT_TRUE(image->ReadFile("ANDOS V3.30\\ANDOS.SYS", data, address, length));
    EXPECT_EQ(address, 0177777); // entry at 0xA20: address 0xFFFF, length 0xB800
    EXPECT_EQ(length, 0134000);
}
