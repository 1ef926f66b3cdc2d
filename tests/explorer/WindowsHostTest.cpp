// What only a Windows host has: names it cannot hold, its temporary folder and the
// read-only attribute.
#include "CatalogView.h"
#include "Export.h"
#include "HostFiles.h"
#include "HostNames.h"
#include "Named.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "RavelkoStrings.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>

using namespace ravelko;

using namespace testimg;
namespace fs = std::filesystem;

// Names Windows cannot hold are written under safe ones (and said so); nothing lands
// outside the chosen folder, and a name it can hold stays as it is.
TEST(WindowsNames, DevicesAndForbiddenCharactersGetSafeNames) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"CON", "CON_"},         {"con.txt", "con_.txt"},
        {"Lpt1", "Lpt1_"},       {"COM9.BIN", "COM9_.BIN"},
        {"AUX .X", "AUX _.X"},   {"NUL", "NUL_"},
        {"A:B", "A_B"},          {"Q?", "Q_"},
        {"STAR*", "STAR_"},      {"END.", "END_"},
        {"PIPE|", "PIPE_"},      {"LT<", "LT_"},
        {"QUOTE\"", "QUOTE_"},   {"TAB\t", "TAB_"},
        {"BACK\\SL", "BACK_SL"}, {"COM10", "COM10"},
        {"CONSOLE", "CONSOLE"},  {"N.UL", "N.UL"},
        {"CONIN$", "CONIN$_"},   {"conout$.x", "conout$_.x"}};
    MicroDosBuilder b(true);
    for (const auto& [name, host] : names) {
        b.File(0, name, 0, Filled(1));
    }
    auto image = CreateDiskImage("t.img", b.Image());
    const CatalogListing listing(*image);
    TempDir outer;
    const fs::path folder = outer.Path() / "chosen";
    fs::create_directory(folder);
    ExportOptions noBin;
    noBin.addBinExtension = false;
    const auto result = ExportSelection(&listing, AllRows(listing), folder, noBin);
    EXPECT_FALSE(result.error);
    EXPECT_TRUE(result.skipped.empty());
    ASSERT_EQ(result.written.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(result.written[i], folder / names[i].second) << names[i].first;
    EXPECT_EQ(result.renamed.size(), names.size() - 3);
    EXPECT_EQ(std::distance(fs::directory_iterator(outer.Path()), fs::directory_iterator()), 1);
}

// A folder of our own in %TEMP%, never %TEMP% itself: another program's README.TXT there is
// never replaced. A file in its place is refused.
TEST(WindowsHost, TempFolderIsOurOwnInsideTheUsers) {
    TempDir temp;
    const ScopedEnv scoped(kTempVariable, temp.Path().string());
    const auto folder = GetTempFolder();
    ASSERT_TRUE(folder);
    EXPECT_TRUE(fs::is_directory(*folder));
    EXPECT_EQ(folder->parent_path(), temp.Path());
    EXPECT_EQ(folder->filename().wstring().rfind(L"ravelko-", 0), 0u);
    EXPECT_EQ(GetTempFolder(), folder); // reused as it is
    fs::remove(*folder);
    std::ofstream(*folder) << "a file";
    EXPECT_FALSE(GetTempFolder());
    EXPECT_TRUE(HostUsesWideDropPaths());
}

TEST(WindowsHost, ReadOnlyAttributeRefusesTheImage) {
    TempDir dir;
    const std::string path = dir.Write("ro.img", MicroDosBuilder(false, 4096).Image());
    ASSERT_TRUE(OpenDiskImage(path));
    const std::wstring wide = fs::path(std::u8string(path.begin(), path.end())).wstring();
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(OpenDiskImage(path));
    EXPECT_TRUE(OpenDiskImage(path, nullptr, ImageAccess::ReadOnly)); // bkdisk's way
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(OpenDiskImage(path));
}

// An emulator that shares the image with no one: the open says so, not that the format is
// wrong; the moment it lets go, the image opens.
TEST(WindowsHost, ImageHeldWithoutSharingIsNamedAsHeld) {
    TempDir dir;
    const std::string path = dir.Write("held.img", MicroDosBuilder(false, 4096).Image());
    HANDLE holder = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    OpenFailure failure;
    EXPECT_FALSE(OpenDiskImage(path, &failure, ImageAccess::ReadOnly));
    EXPECT_EQ(OpenFailureText(path, "held.img", failure),
              FormatResString(IDS_OPEN_HELD, {"held.img"}));
    CloseHandle(holder);
    EXPECT_TRUE(OpenDiskImage(path, &failure, ImageAccess::ReadOnly));
}

// Text into a pipe is what the console's own tools read: its code page, CR LF.
TEST(WindowsHost, PipedTextTakesTheCodePageAndCrLf) {
    EXPECT_EQ(Utf8ToCodePageCrLf("\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB 1\n2\n", 866),
              "\x88\x83\x90\x9B 1\r\n2\r\n"); // ИГРЫ
    EXPECT_EQ(Utf8ToCodePageCrLf("\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB", 1251), "\xC8\xC3\xD0\xDB");
    EXPECT_EQ(Utf8ToCodePageCrLf("", 866), "");
}

// A device reads forever or blocks: it is refused, never read as a file.
TEST(WindowsHost, DevicesAreNotReadAsFiles) {
    std::string reason;
    EXPECT_FALSE(hostfiles::ReadRegularFile(L"NUL", 1 << 20, reason));
    EXPECT_EQ(reason, std::generic_category().message(EINVAL));
}

// cmd leaves wildcards to the program: bkdisk add matches them against the folder's files.
TEST(WindowsHost, WildcardsMatchTheFolderFilesInNameOrder) {
    TempDir dir;
    for (const char* name : {"b.dat", "a.dat", "notes.txt"})
        dir.Write(name, {1});
    fs::create_directory(dir.Path() / "folder.dat");
    const std::string folder = Utf8FromPath(dir.Path());
    EXPECT_EQ(
        ExpandHostPatterns({folder + "\\*.dat", folder + "\\notes.txt", folder + "\\none*.bin"}),
        (std::vector<std::string>{folder + "\\a.dat", folder + "\\b.dat", folder + "\\notes.txt",
                                  folder + "\\none*.bin"}));
}
