#include "DiskImage.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>

using namespace testimg;
namespace fs = std::filesystem;

TEST(OpenImage, EachFormatGetsItsReader) {
    TempDir dir;
    const struct {
        Bytes image;
        const char* format;
    } cases[] = {{MicroDosBuilder(false, 4096).Image(), "MicroDOS"},
                 {MicroDosBuilder(true, 4096).Image(), "MKDOS"},
                 {AndosBuilder(1023).Image(), "ANDOS"}};
    for (const auto& c : cases) {
        const auto reader = OpenDiskImage(dir.Write("a.img", c.image));
        ASSERT_TRUE(reader) << c.format;
        EXPECT_EQ(reader->GetFormatName(), c.format);
        EXPECT_EQ(reader->GetImageSize(), static_cast<int>(c.image.size()));
    }
}

TEST(OpenImage, RefusesWhatItCannotOpenForWritingSaysWhyAndClearsTheOldReader) {
    TempDir dir;
    const std::string good = dir.Write("good.img", MicroDosBuilder(false, 4096).Image());
    const std::string readOnly = dir.Write("ro.img", MicroDosBuilder(false, 4096).Image());
    fs::permissions(readOnly,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::vector<std::pair<std::string, OpenFailure::Kind>> refused = {
        {readOnly, OpenFailure::ReadOnly},
        {dir.Write("game.img", Bytes(4096)), OpenFailure::UnknownFormat},
        {dir.Path().string(), OpenFailure::CannotRead},
        {(dir.Path() / "missing.img").string(), OpenFailure::CannotRead},
        {dir.Write("huge.img", MicroDosBuilder(false, 4096).Image()), OpenFailure::TooLarge}};
    fs::resize_file(refused.back().first, kMaxImageSize + 1); // sparse: refused before it is read
#ifndef _WIN32
    refused.push_back(
        {(dir.Path() / "pipe.img").string(), OpenFailure::CannotRead}); // must not hang
    ASSERT_EQ(mkfifo(refused.back().first.c_str(), 0666), 0);
#endif

    for (const auto& [path, kind] : refused) {
        ASSERT_TRUE(OpenDiskImage(good));
        OpenFailure failure;
        EXPECT_FALSE(OpenDiskImage(path, &failure)) << path;
        EXPECT_EQ(failure.kind, kind) << path;
        EXPECT_EQ(failure.hostMessage.empty(), kind != OpenFailure::CannotRead) << path;
    }
    OpenFailure failure;
    EXPECT_TRUE(OpenDiskImage(good, &failure));
    EXPECT_EQ(failure.kind, OpenFailure::None);
}
