// Images written by the real disk operating systems (skipped when they are not present).
#include "DiskImage.h"
#include "Listing.h"
#include "TempDir.h"

#include <cstdio>

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = BK_SHARED_IMAGES;

// Opens a writable copy (the shared folder is read-only, and read-only images are
// refused); -1 when the image is not there.
int OpenCopy(const std::string& name, std::unique_ptr<CDiskImage>& reader) {
    if (!fs::exists(kImages / name))
        return -1;
    testimg::TempDir dir;
    const fs::path copy = dir.Path() / name;
    fs::copy_file(kImages / name, copy);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write);
    return OpenDiskImage(copy.string(), reader);
}

std::unique_ptr<CDiskImage> OpenReal(const std::string& name) {
    std::unique_ptr<CDiskImage> reader;
    const int result = OpenCopy(name, reader);
    EXPECT_NE(result, 1) << name;
    return reader;
}

struct WalkCounts {
    int directories = 0;
    int files = 0;
    int unreadable = 0;
};

// Enters every directory below the current one and reads every file; each directory is
// left again by "..". Depth is bounded: a catalog may hold directories that contain
// themselves.
void Walk(CDiskImage& image, int depth, WalkCounts& counts) {
    for (const auto& entry : List(image)) {
        if (!entry.directory) {
            ++counts.files;
            counts.unreadable += Read(image, entry.name).empty() && entry.length != 0;
            continue;
        }
        ++counts.directories;
        image.PushPosition();
        if (depth < 8 && image.ChangeDir(entry.name)) {
            Walk(image, depth + 1, counts);
            EXPECT_TRUE(image.ChangeDir(".."));
        }
        image.PopPosition();
    }
}

class RealImage : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(kImages))
            GTEST_SKIP() << "no real images at " << kImages;
    }
};

} // namespace

TEST_F(RealImage, UnknownBootDiskIsRefused) {
    std::unique_ptr<CDiskImage> reader;
    EXPECT_NE(OpenCopy("desolate01.img", reader), 0);
}

TEST_F(RealImage, EveryDirectoryCanBeEnteredAndEveryFileRead) {
    const struct {
        const char* name;
        const char* format;
    } images[] = {{"mk_dos.img", "MKDOS"},
                  {"AODOS210.bkd", "MicroDOS"},
                  {"ALEXSOFT.IMG", "ANDOS"},
                  {"GAMES.BKD", "ANDOS"}};
    for (const auto& expected : images) {
        auto image = OpenReal(expected.name);
        if (!image)
            continue;
        EXPECT_EQ(image->GetFormatName(), expected.format);
        WalkCounts counts;
        Walk(*image, 0, counts);
        EXPECT_TRUE(image->IsRoot());
        RecordProperty(expected.name, std::to_string(counts.directories) + " directories, " +
                                          std::to_string(counts.files) + " files, " +
                                          std::to_string(counts.unreadable) + " unreadable");
        std::printf("%s: %d directories, %d files, %d unreadable\n", expected.name,
                    counts.directories, counts.files, counts.unreadable);
    }
}

TEST_F(RealImage, MkDosFactsFromAHexDump) {
    auto image = OpenReal("mk_dos.img");
    if (!image)
        GTEST_SKIP();
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
}

TEST_F(RealImage, AndosFactsFromAHexDump) {
    auto image = OpenReal("ALEXSOFT.IMG");
    if (!image)
        GTEST_SKIP();
    ASSERT_TRUE(image->FindFirst());
    EXPECT_EQ(image->GetName(), "ANDOS V3.30"); // the volume entry, attribute 0x08
    EXPECT_TRUE(image->IsDirectory());
    const uint8_t* data;
    int address, length;
    ASSERT_TRUE(image->ReadFile("ANDOS V3.30\\ANDOS.SYS", data, address, length));
    EXPECT_EQ(address, 0177777); // entry at 0xA20: address 0xFFFF, length 0xB800
    EXPECT_EQ(length, 0134000);
}
