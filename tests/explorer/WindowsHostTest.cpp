// What only a Windows host has: names it cannot hold, its temporary folder and the
// read-only attribute.
#include "Export.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "Strings.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>

using namespace testimg;
namespace fs = std::filesystem;

TEST(WindowsNames, DevicesAndForbiddenCharactersAreSkippedAndNothingLandsElsewhere) {
    const std::vector<std::string> bad = {"CON", "con.txt", "Lpt1", "COM9.BIN", "AUX .X", "NUL", "PRN",
                                          "A:B", "Q?", "STAR*", "END.", "PIPE|", "LT<", "QUOTE\"", "TAB\t"};
    const std::vector<std::string> good = {"COM10", "CONSOLE", "AUX_", "LPT0", "N.UL"};
    MicroDosBuilder b(true);
    for (const auto& name : bad)
        b.File(0, name, 0, Filled(1));
    for (const auto& name : good)
        b.File(0, name, 0, Filled(1));
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir outer;
    const fs::path folder = outer.Path() / "chosen";
    fs::create_directory(folder);

    std::vector<std::string> all = bad;
    all.insert(all.end(), good.begin(), good.end());
    const auto result = ExportSelection(image.get(), all, folder, false);
    EXPECT_FALSE(result.error);
    ASSERT_EQ(result.skipped.size(), bad.size());
    for (const auto& skipped : result.skipped)
        EXPECT_EQ(skipped.reason, IDS_SKIP_BAD_NAME) << skipped.entry;
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(outer.Path()))
        written.push_back(fs::relative(entry.path(), outer.Path()).generic_string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"chosen", "chosen/AUX_", "chosen/COM10", "chosen/CONSOLE",
                                                 "chosen/LPT0", "chosen/N.UL"}));
}

TEST(WindowsHost, TempFolderIsTheUsersOwn) {
    const auto folder = GetTempFolder();
    ASSERT_TRUE(folder);
    EXPECT_TRUE(fs::is_directory(*folder));
    EXPECT_NE(folder->native().back(), L'\\');
    EXPECT_EQ(*folder / "", fs::temp_directory_path()); // the same folder, less the backslash
    EXPECT_TRUE(HostUsesWideDropPaths());
}

TEST(WindowsHost, ReadOnlyAttributeRefusesTheImage) {
    TempDir dir;
    const std::string path = dir.Write("ro.img", MicroDosBuilder(false, 4096).Image());
    std::unique_ptr<CDiskImage> reader;
    ASSERT_EQ(OpenDiskImage(path, reader), 0);
    const std::wstring wide = fs::path(std::u8string(path.begin(), path.end())).wstring();
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(OpenDiskImage(path, reader), 1);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(OpenDiskImage(path, reader), 0);
}
