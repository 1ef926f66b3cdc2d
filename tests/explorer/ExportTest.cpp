// The selection list, host names and the export engine, on a tree like this:
//   GAME (0o1000, 0o100 bytes), TEXT.TXT, ZERO (empty), A\ (F, B\ (G)), D.1\ (GAME)
#include "Export.h"
#include "HostNames.h"
#include "ImageBuilders.h"
#include "SelectionList.h"
#include "Strings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace testimg;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

const Bytes kText = {'L', 'i', 'n', 'e', 0x0D, 0x0A, 0xE1, 0xC1, 0x0A};

std::unique_ptr<CDiskImage> Tree() {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(0100));
    b.File(0, "TEXT.TXT", 01000, kText);
    b.File(0, "ZERO", 01000, {});
    b.Dir(1, 0, "A");
    b.File(1, "F", 02000, Filled(5));
    b.Dir(2, 1, "B");
    b.File(2, "G", 03000, Filled(7));
    b.Dir(3, 0, "D.1");
    b.File(3, "GAME", 04000, Filled(9));
    return CreateDiskImage("t.img", b.Image());
}

Strings Collect(CDiskImage* image, const Selection& selection) {
    Strings list;
    CollectSelection(image, selection, list);
    return list;
}

Strings FilesUnder(const fs::path& folder) {
    Strings found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        found.push_back(fs::relative(entry.path(), folder).generic_string() + (entry.is_directory() ? "/" : ""));
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

TEST(SelectionList, DirectoriesBeforeTheirContentsInRowOrder) {
    auto image = Tree();
    EXPECT_EQ(Collect(image.get(), {"D.1", "..", "game", "A"}),
              (Strings{"D.1\\", "D.1\\GAME", "game", "A\\", "A\\F", "A\\B\\", "A\\B\\G"}));
    Strings top;
    CollectSelectionTopLevel(image.get(), {"A", "GAME", "NOPE"}, top);
    EXPECT_EQ(top, (Strings{"A\\", "GAME"}));
    EXPECT_TRUE(SelectionHasDirectory(image.get(), {"GAME", "A"}));
    EXPECT_FALSE(SelectionHasDirectory(image.get(), {"GAME", ".."}));
    EXPECT_TRUE(Collect(nullptr, {"GAME"}).empty());
    EXPECT_TRUE(image->IsRoot());
}

TEST(SelectionList, HostNamesLookAtTheWholePath) {
    EXPECT_EQ(AddBinExtension("GAME"), "GAME.bin");
    EXPECT_EQ(AddBinExtension("TEXT.TXT"), "TEXT.TXT");
    EXPECT_EQ(HostName("A\\B\\G", true), "A\\B\\G.bin");
    EXPECT_EQ(HostName("D.1\\GAME", true), "D.1\\GAME");
    EXPECT_EQ(HostName("GAME", false), "GAME");
}

TEST(SelectionList, SelfContainingDirectoriesEnd) {
    MicroDosBuilder b(true);
    b.Dir(1, 0, "LOOP");
    b.Dir(1, 1, "LOOP"); // LOOP holds a LOOP that is itself
    b.Dir(9, 1, "LOOP"); // and a second one, which resolves to the first by name
    b.File(1, "F", 0, Filled(1));
    b.Dir(0, 1, "ROOT"); // a directory numbered 0 leads back to the root
    auto image = CreateDiskImage("t.img", b.Image());
    EXPECT_EQ(Collect(image.get(), {"LOOP"}), (Strings{"LOOP\\", "LOOP\\F"}));
}

TEST(SelectionList, ExponentialChainsOfNamesStayBounded) {
    // 100 levels, each holding two names that both lead to the next level: 2^100 paths.
    MicroDosBuilder b(true, 819200, 1000);
    for (int level = 1; level <= 100; ++level) {
        b.Dir(level, level - 1, "X" + std::to_string(level));
        b.Dir(level, level - 1, "Y" + std::to_string(level));
    }
    auto image = CreateDiskImage("t.img", b.Image());
    const auto list = Collect(image.get(), {"X1", "Y1"});
    EXPECT_EQ(list.size(), 100u);
}

TEST(Export, TreeWithAndWithoutTheFlag) {
    auto image = Tree();
    TempDir with, without;
    const auto result = ExportSelection(image.get(), {"GAME", "TEXT.TXT", "ZERO", "A", "D.1"}, with.Path(), true);
    EXPECT_TRUE(result.skipped.empty());
    EXPECT_FALSE(result.error);
    EXPECT_EQ(FilesUnder(with.Path()), (Strings{"A/", "A/B/", "A/B/G.bin", "A/F.bin", "D.1/", "D.1/GAME",
                                                "GAME.bin", "TEXT.TXT", "ZERO.bin"}));
    const Bytes game = ReadAll(with.Path() / "GAME.bin");
    ASSERT_EQ(game.size(), 68u);
    EXPECT_EQ(Bytes(game.begin(), game.begin() + 4), (Bytes{0x00, 0x02, 0x40, 0x00}));
    EXPECT_EQ(Bytes(game.begin() + 4, game.end()), Filled(0100));
    EXPECT_EQ(ReadAll(with.Path() / "ZERO.bin"), (Bytes{0x00, 0x02, 0, 0}));

    ExportSelection(image.get(), {"GAME", "A"}, without.Path(), false);
    EXPECT_EQ(FilesUnder(without.Path()), (Strings{"A/", "A/B/", "A/B/G", "A/F", "GAME"}));
}

// Windows-1251 names reach the host as the same characters (wide names on Windows).
TEST(Export, CyrillicNamesKeepTheirLetters) {
    MicroDosBuilder b(true);
    b.Dir(1, 0, "\xCF\xC0\xCF\xCA\xC0");      // ПАПКА
    b.File(1, "\xC8\xC3\xD0\xC0", 0, Filled(2)); // ИГРА
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir dir;
    const auto result = ExportSelection(image.get(), {"\xCF\xC0\xCF\xCA\xC0"}, dir.Path(), true);
    const fs::path expected = dir.Path() / PathFromUtf8("\xD0\x9F\xD0\x90\xD0\x9F\xD0\x9A\xD0\x90") /
                              PathFromUtf8("\xD0\x98\xD0\x93\xD0\xA0\xD0\x90.bin");
    EXPECT_EQ(result.written, std::vector<fs::path>{expected});
    EXPECT_EQ(ReadAll(expected).size(), 6u);
}

TEST(Export, ReplacesExistingFilesAndSkipsOnlyWhatFails) {
    MicroDosBuilder b;
    b.File(0, "GOOD", 0, Filled(3));
    b.Raw(0, 0, "BROKEN", 0xFFFF, 1, 100); // data past the end of the image
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir dir;
    dir.Write("GOOD.bin", Filled(1000));
    fs::create_directory(dir.Path() / "BROKEN.bin");
    const auto result = ExportSelection(image.get(), {"BROKEN", "GOOD"}, dir.Path(), true);
    EXPECT_EQ(ReadAll(dir.Path() / "GOOD.bin").size(), 7u);
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].entry, "BROKEN");
}

TEST(Export, SummaryOfWhatWasLeftOut) {
    ExportResult result;
    EXPECT_EQ(ExportSummary(result), ""); // everything written: nothing to say
    result.written = {"a.bin", "b.bin"};
    result.skipped = {{"A\\B\tC", IDS_SKIP_UNREADABLE}, {"CON", IDS_SKIP_BAD_NAME}, {"X", IDS_SKIP_LINK}};
    EXPECT_EQ(ExportSummary(result, 2), "Files written: 2. Entries not exported: 3.\n"
                                        "A\\B\\tC: cannot be read from the image\n"
                                        "CON: name cannot be used on this system\n"
                                        "... and 1 more.");
}

TEST(Export, ProgressIsToldAndCanStopTheExport) {
    auto image = Tree();
    TempDir all, part;
    std::vector<std::pair<size_t, size_t>> told;
    const auto whole = ExportSelection(image.get(), {"GAME", "TEXT.TXT", "ZERO"}, all.Path(), true,
                                       [&](size_t done, size_t total) { return told.push_back({done, total}), true; });
    EXPECT_FALSE(whole.cancelled);
    EXPECT_EQ(told, (std::vector<std::pair<size_t, size_t>>{{1, 3}, {2, 3}}));
    const auto stopped = ExportSelection(image.get(), {"GAME", "TEXT.TXT", "ZERO"}, part.Path(), true,
                                         [](size_t, size_t) { return false; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.written, std::vector<fs::path>{part.Path() / "GAME.bin"}); // what was written stays
    EXPECT_EQ(ExportSummary(stopped), "The export was cancelled; what was written stays.\n"
                                      "Files written: 1. Entries not exported: 0.");
}

TEST(Export, HostileNamesNeverLeaveTheFolder) {
    MicroDosBuilder b(true);
    b.Dir(1, 0, ".."); // a directory named "..", holding a file
    b.File(1, "INSIDE", 0, Filled(1));
    b.File(0, "..", 0, Filled(1));
    b.File(0, "../x", 0, Filled(1));
    b.File(0, "a/b", 0, Filled(1));
    b.File(0, ".", 0, Filled(1));
    b.Dir(2, 0, "../../etc");
    b.File(2, "passwd", 0, Filled(1));
    b.File(0, "OK", 0, Filled(1));
    b.File(0, "..  dots", 0, Filled(1)); // starts like "..", but is a name of its own
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir outer;
    const fs::path folder = outer.Path() / "chosen";
    fs::create_directory(folder);
    const auto result =
        ExportSelection(image.get(), {"..", "../x", "a/b", ".", "../../etc", "OK", "..  dots"}, folder, true);
    EXPECT_EQ(FilesUnder(outer.Path()), (Strings{"chosen/", "chosen/..  dots", "chosen/OK.bin"}));
    EXPECT_FALSE(result.error);
    EXPECT_EQ(result.skipped.size(), 5u);
}

TEST(TextView, EachHostsTextFormAndTheImageUnchanged) {
    // KOI-8 "Line", CR (a control byte: a space), LF, "Аа", LF.
    const Bytes cp1251 = {'L', 'i', 'n', 'e', 0x20, 0x0D, 0x0A, 0xC0, 0xE0, 0x0D, 0x0A};
    const Bytes utf8 = {'L', 'i', 'n', 'e', 0x20, 0x0A, 0xD0, 0x90, 0xD0, 0xB0, 0x0A};
    EXPECT_EQ(TextViewBytes(kText.data(), static_cast<int>(kText.size())), cp1251);
    EXPECT_EQ(TextViewBytes(kText.data(), static_cast<int>(kText.size()), TextForm::Utf8Lf), utf8);

    auto image = Tree();
    TempDir dir;
    const auto path = WriteTextView(image.get(), {"TEXT.TXT"}, dir.Path());
    ASSERT_TRUE(path);
    EXPECT_EQ(path->filename(), "TEXT.TXT");
    const Bytes& expected = HostTextForm() == TextForm::Utf8Lf ? utf8 : cp1251;
    EXPECT_EQ(ReadAll(*path), expected);
    EXPECT_EQ(ReadAll(*WriteTextView(image.get(), {"TEXT.TXT"}, dir.Path())), expected);

    ExportSelection(image.get(), {"TEXT.TXT"}, dir.Path(), true);
    const Bytes exported = ReadAll(dir.Path() / "TEXT.TXT");
    EXPECT_EQ(Bytes(exported.begin() + 4, exported.end()), kText);
}

TEST(TextView, NothingWhenTheFileCannotBeWritten) {
    auto image = Tree();
    TempDir dir;
    fs::create_directory(dir.Path() / "GAME"); // a folder stands where the file would go
    EXPECT_FALSE(WriteTextView(image.get(), {"GAME"}, dir.Path()));
    EXPECT_FALSE(WriteTextView(image.get(), {"A"}, dir.Path()));
    EXPECT_FALSE(WriteTextView(nullptr, {"GAME"}, dir.Path()));
}
