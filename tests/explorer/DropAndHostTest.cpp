// Drop blocks byte for byte, host name encoding and our temporary copies.
#include "DropFiles.h"
#include "HostFiles.h"
#include "Named.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "TempCopies.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace testimg;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

TEST(HostNames, EveryByteRoundTripsAndUtf16BothWays) {
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
    EXPECT_EQ(Utf8ToCp1251("\xE4\xB8\x80 \xFF"), "? ?"); // no Windows-1251 code; malformed
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00 \xD800 \xDBFF\xDFFF"),
              "\xF0\x9F\x98\x80 \xEF\xBF\xBD \xF4\x8F\xBF\xBF"); // the last code point too
    EXPECT_EQ(Utf8ToUtf16("\xF0\x9F\x98\x80 \xD0\x98 \xFF"), u"\xD83D\xDE00 \x0418 \xFFFD");
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(Cp1251ToUtf8(all))), Cp1251ToUtf8(all));
}

// A console is given whole UTF-8 sequences only: a cut one waits for its other bytes, at a
// flush as in the middle of a long text.
TEST(HostNames, ConsoleTextIsCutBetweenSequencesOnly) {
    const std::string text = "A\xD0\x98\xE2\x80\x94"; // A, И, em dash
    const size_t whole[] = {0, 1, 1, 3, 3, 3, 6};
    for (size_t n = 0; n <= text.size(); ++n)
        EXPECT_EQ(CompleteUtf8Length(text.substr(0, n)), whole[n]) << n;
    EXPECT_EQ(CompleteUtf8Length("\x98\x98\x98\x98\x98"), 5u); // no UTF-8: shown as it is

    std::vector<std::string> pieces;
    WholeUtf8Buffer buffer([&](std::string_view piece) { pieces.emplace_back(piece); });
    std::ostream console(&buffer);
    console << "A\xD0" << std::flush;
    console << "\x98" << std::flush;
    console << std::string(5000, 'x') + "\xE2\x80"
            << "\x94" << std::flush;
    EXPECT_EQ(pieces,
              (std::vector<std::string>{"A", "\xD0\x98", std::string(5000, 'x'), "\xE2\x80\x94"}));
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
        {".bashrc", "_bashrc"}, // never a hidden file
        {".BASHRC", "_BASHRC~1"},
        {"", "_"},
        {".", "_~1"},
        {"..", "__"},
        {"A/B", "A_B"},
        {"A\tB", "A_B~1"},
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

// The shell's block: a 20-byte header (offset of the list, wide flag at 16), then each
// path and its zero, one more zero, padded as the original padded.
TEST(DropBlock, LayoutNarrowAndWide) {
    const Strings paths = {"/tmp/r/GAME.bin", "/tmp/r/TEXT.TXT"};
    const auto block = BuildDropBlock(paths);
    ASSERT_EQ(block.size(), 2069u);
    EXPECT_EQ(std::vector<uint8_t>(block.begin(), block.begin() + 20),
              (std::vector<uint8_t>{20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::string(block.begin() + 20, block.begin() + 53),
              std::string("/tmp/r/GAME.bin\0/tmp/r/TEXT.TXT\0\0", 33));
    EXPECT_TRUE(std::all_of(block.begin() + 53, block.end(), [](uint8_t c) { return c == 0; }));
    const auto wide = BuildDropBlock(paths, true);
    EXPECT_EQ(wide.size(), 2 * 2048u + 22);
    EXPECT_EQ(wide[16], 1);
    EXPECT_EQ(wide[20 + 2 * 16], '/'); // the second path, after 15 units and their zero
    EXPECT_EQ(BuildDropBlock({}).size(), 21u);
    EXPECT_EQ(BuildDropBlock({}, true).size(), 22u);
}

TEST(DropBlock, ReadingNarrowWideAndMalformedBlocks) {
    const Strings paths = {"/tmp/a b.bin", "/tmp/\xD0\x98%"};
    EXPECT_EQ(ReadDropPaths(BuildDropBlock(paths)), paths);
    EXPECT_EQ(ReadDropPaths(BuildDropBlock(paths, true)), paths);
    EXPECT_EQ(ReadFirstDropPath(BuildDropBlock(paths, true)), paths[0]);
    EXPECT_EQ(ToUriList(paths), "file:///tmp/a%20b.bin\r\nfile:///tmp/%D0%98%25\r\n");

    auto unterminated = BuildDropBlock({"/a"});
    unterminated.resize(22);
    auto outside = BuildDropBlock({"/a"});
    outside[0] = 0xFF;
    outside[3] = 0x7F;
    auto wide = BuildDropBlock({"/a"}, true);
    wide.resize(20 + 4 + 1); // cuts the wide terminator
    for (const auto& bad :
         {unterminated, outside, wide, BuildDropBlock({}), std::vector<uint8_t>(19, 0)})
        EXPECT_FALSE(ReadFirstDropPath(bad));
    EXPECT_TRUE(ReadDropPaths(std::vector<uint8_t>(5, 0)).empty());
}

TEST(DropBlock, DroppedFileRule) {
    for (const char* yes : {"/x/a.img", "/x/A.IMG", "/x/b.Bkd", "/x/c.dsk", "/x/mb20.HDI", "img"})
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
    const CatalogListing listing(*image);
    const auto paths = [&](const std::vector<std::string>& names, bool wide) {
        const auto block = RenderDropFiles(&listing, Named(listing, names), temp.Path(), wide, {});
        return block ? ReadDropPaths(*block) : Strings{"failed"};
    };
    EXPECT_EQ(
        paths({"GAME", "TEXT.TXT"}, false),
        (Strings{Utf8FromPath(temp.Path() / "GAME.bin"), Utf8FromPath(temp.Path() / "TEXT.TXT")}));
    EXPECT_EQ(paths({"DIR", "BROKEN"}, true), Strings{Utf8FromPath(temp.Path() / "DIR")});
    EXPECT_TRUE(fs::exists(temp.Path() / "DIR" / "IN.bin"));
    EXPECT_EQ(paths({".."}, false), Strings{});
}

// A file is read whole up to the limit and refused past it; a folder never reads as one.
TEST(HostFiles, RegularFilesAreReadWholeUpToTheLimit) {
    TempDir dir;
    std::string reason;
    std::vector<uint8_t> bytes(5000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 256);
    const fs::path file = PathFromUtf8(dir.Write("Файл.bin", bytes));
    EXPECT_EQ(hostfiles::ReadRegularFile(file, 5000, reason), bytes);
    EXPECT_EQ(hostfiles::ReadRegularFile(PathFromUtf8(dir.Write("EMPTY", {})), 0, reason),
              std::vector<uint8_t>());
    EXPECT_FALSE(hostfiles::ReadRegularFile(file, 4999, reason));
    EXPECT_EQ(reason, std::generic_category().message(EFBIG));
    EXPECT_FALSE(hostfiles::ReadRegularFile(dir.Path(), 1 << 20, reason));
    EXPECT_EQ(reason, std::generic_category().message(EISDIR));
    EXPECT_FALSE(hostfiles::ReadRegularFile(dir.Path() / "missing", 1 << 20, reason));
    EXPECT_FALSE(reason.empty());
}

// A window's copies go with it, and nothing it did not write; at a start, what has lain
// unchanged for a day goes too.
TEST(TempCopies, AWindowsOwnGoWithItAndOldOnesAtTheNextStart) {
    TempDir temp, elsewhere;
    const fs::path ours = temp.Path() / "ours";
    fs::create_directories(ours / "FOLDER" / "INNER");
    const std::string file = temp.Write("ours/TEXT.TXT", {'a'});
    const std::string other = temp.Write("ours/OTHERS.TXT", {'b'}); // another window's
    const std::string outside = elsewhere.Write("KEEP.TXT", {'c'});
    {
        CTempCopies copies(ours);
        copies.Remember(PathFromUtf8(file));
        copies.Remember(ours / "FOLDER");
        copies.Remember(PathFromUtf8(outside)); // never ours to remove
        copies.Remember(ours / "FOLDER" / "INNER");
    }
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(ours / "FOLDER"));
    EXPECT_TRUE(fs::exists(other));
    EXPECT_TRUE(fs::exists(outside));

    const std::string fresh = temp.Write("ours/FRESH.TXT", {'d'});
    fs::create_directories(ours / "OLD" / "SUB");
    const auto dayOld = fs::file_time_type::clock::now() - std::chrono::hours(25);
    fs::last_write_time(PathFromUtf8(other), dayOld);
    std::error_code folderTime; // Wine sets no folder's time
    fs::last_write_time(ours / "OLD", dayOld, folderTime);
    RemoveStaleCopies(ours, std::chrono::hours(24));
    EXPECT_FALSE(fs::exists(other));
    EXPECT_TRUE(folderTime || !fs::exists(ours / "OLD"));
    EXPECT_TRUE(fs::exists(fresh));
    RemoveStaleCopies(temp.Path() / "missing", std::chrono::hours(24)); // no folder: nothing
}
