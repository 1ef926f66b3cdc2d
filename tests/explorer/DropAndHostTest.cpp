// Drop blocks byte for byte and host name encoding.
#include "DropFiles.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> PathsOf(const std::vector<uint8_t>& block) {
    std::vector<std::string> paths;
    for (size_t at = 20; at < block.size() && block[at];) {
        paths.emplace_back(reinterpret_cast<const char*>(&block[at]));
        at += paths.back().size() + 1;
    }
    return paths;
}

} // namespace

TEST(HostNames, EveryByteRoundTripsAndUtf16BothWays) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
    EXPECT_EQ(Utf8ToCp1251("\xE4\xB8\x80 \xFF"), "? ?"); // no Windows-1251 code; malformed
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00 \xD800"), "\xF0\x9F\x98\x80 \xEF\xBF\xBD");
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80 \xD0\x98 \xFF"), u"\xD83D\xDE00 \x0418 \xFFFD");
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(Cp1251ToUtf8(all))), Cp1251ToUtf8(all));
}

TEST(HostNames, EachNameOnceInAFolderWithoutRegardToCase) {
    HostFolderNames names;
    const std::pair<const char*, const char*> claims[] = {
        {"MC", "MC"},
        {"MC", "MC~1"},
        {"mc", "mc~2"},
        {"MC~1", "MC~1~1"},
        {"X.bin", "X.bin"},
        {"x.BIN", "x~1.BIN"},
        {".hidden", ".hidden"},
        {".HIDDEN", ".HIDDEN~1"},
        {"", "_"},
        {".", "_~1"},
        {"..", "__"},
        {"A/B", "A_B"},
        {"\xC8\xC3\xD0\xC0", "\xC8\xC3\xD0\xC0"},
        {"\xE8\xE3\xF0\xE0", "\xE8\xE3\xF0\xE0~1"}, // ИГРА, игра
        {"\xA1", "\xA1"},
        {"\xA2", "\xA2~1"},
        {"\x81", "\x81"},
        {"\x83", "\x83~1"}, // Ў ў Ѓ ѓ
    };
    for (const auto& [wanted, given] : claims)
        EXPECT_EQ(names.Claim(wanted), given) << wanted;
    HostFolderNames many;
    for (int i = 0; i < 3000; ++i)
        many.Claim("SAME");
    EXPECT_EQ(many.Claim("SAME"), "SAME~3000");
}

TEST(DropBlock, LayoutForTwoFilesAndForNone) {
    const auto block = BuildDropBlock({"/tmp/r/GAME.bin", "/tmp/r/TEXT.TXT"});
    ASSERT_EQ(block.size(), 2069u);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 20),
              (std::vector<uint8_t>{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PathsOf(block), (std::vector<std::string>{"/tmp/r/GAME.bin", "/tmp/r/TEXT.TXT"}));
    const size_t end = 20 + 16 + 16;
    EXPECT_TRUE(std::all_of(block.begin() + end, block.end(), [](uint8_t c) { return c == 0; }));

    const auto none = BuildDropBlock({});
    EXPECT_EQ(none.size(), 21u);
    EXPECT_EQ(none[0], 20);
    EXPECT_EQ(none[20], 0);
    EXPECT_FALSE(ReadFirstDropPath(none));
}

TEST(DropBlock, ReadingNarrowWideAndMalformedBlocks) {
    EXPECT_EQ(ReadFirstDropPath(BuildDropBlock({"/a.img", "/b.img"})), "/a.img");

    std::vector<uint8_t> wide(20, 0);
    wide[0] = 20;
    wide[16] = 1;
    for (char16_t unit : std::u16string(u"/\x0414.IMG")) {
        wide.push_back(static_cast<uint8_t>(unit));
        wide.push_back(static_cast<uint8_t>(unit >> 8));
    }
    wide.insert(wide.end(), {0, 0, 0, 0});
    EXPECT_EQ(ReadFirstDropPath(wide), "/\xD0\x94.IMG");

    auto unterminated = BuildDropBlock({"/a"});
    unterminated.resize(22);
    EXPECT_FALSE(ReadFirstDropPath(unterminated));
    auto outside = BuildDropBlock({"/a"});
    outside[0] = 0xFF;
    outside[3] = 0x7F;
    EXPECT_FALSE(ReadFirstDropPath(outside));
    EXPECT_FALSE(ReadFirstDropPath(std::vector<uint8_t>(19, 0)));
    wide.resize(wide.size() - 5); // cuts the wide terminator
    EXPECT_FALSE(ReadFirstDropPath(wide));
}

TEST(DropBlock, AllPathsAndTheirUriList) {
    const std::vector<std::string> paths = {"/tmp/a b.bin", "/tmp/\xD0\x98%"};
    EXPECT_EQ(ReadDropPaths(BuildDropBlock(paths)), paths);
    const auto wide = BuildDropBlock(paths, true); // the Windows shell's form
    EXPECT_EQ(wide.size(), 2 * 2048u + 22);
    EXPECT_EQ(wide[16], 1);
    EXPECT_EQ(wide[20 + 2 * 13], '/'); // the second path, after 12 units and their zero
    EXPECT_EQ(ReadDropPaths(wide), paths);
    EXPECT_EQ(BuildDropBlock({}, true).size(), 22u);
    EXPECT_EQ(ToUriList(paths), "file:///tmp/a%20b.bin\r\nfile:///tmp/%D0%98%25\r\n");
    EXPECT_TRUE(ReadDropPaths(std::vector<uint8_t>(5, 0)).empty());
}

TEST(DropBlock, DroppedFileRule) {
    for (const char* yes : {"/x/a.img", "/x/A.IMG", "/x/b.Bkd", "/x/c.dsk", "img"})
        EXPECT_TRUE(IsImageFileName(yes)) << yes;
    for (const char* no : {"/x/a.img.bak", "/x/a.txt", "/x/a.bin", "/x/img/noext", ""})
        EXPECT_FALSE(IsImageFileName(no)) << no;
}

TEST(DropBlock, RenderExtractsTopLevelEntries) {
    MicroDosBuilder b;
    b.File(0, "GAME", 01000, Filled(3));
    b.File(0, "TEXT.TXT", 01000, Filled(3));
    b.Dir(1, 0, "DIR");
    b.File(1, "IN", 0, Filled(1));
    b.Raw(0, 0, "BROKEN", 0xFFFF, 1, 1);
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir temp;
    const auto block = RenderDropFiles(image.get(), {"GAME", "TEXT.TXT"}, temp.Path(), true);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->size(), 2069u);
    EXPECT_EQ(PathsOf(*block), (std::vector<std::string>{Utf8FromPath(temp.Path() / "GAME.bin"),
                                                         Utf8FromPath(temp.Path() / "TEXT.TXT")}));
    const auto dir = RenderDropFiles(image.get(), {"DIR", "BROKEN"}, temp.Path(), true);
    EXPECT_EQ(dir->size(), 2069u);
    EXPECT_EQ(PathsOf(*dir), (std::vector<std::string>{Utf8FromPath(temp.Path() / "DIR")}));
    const auto wide = RenderDropFiles(image.get(), {"DIR", "BROKEN"}, temp.Path(), true, true);
    EXPECT_EQ(ReadDropPaths(*wide), PathsOf(*dir));
    EXPECT_TRUE(fs::exists(temp.Path() / "DIR" / "IN.bin"));
    EXPECT_EQ(RenderDropFiles(image.get(), {".."}, temp.Path(), true)->size(), 21u);
}
