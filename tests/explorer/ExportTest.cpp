// The catalog walk, host names and the export engine, mostly on the export tree.
#include "Export.h"
#include "Named.h"
#include "HostNames.h"
#include "ExportTree.h"
#include "CatalogWalk.h"
#include "MountTree.h"
#include "RavelkoStrings.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using namespace ravelko;

using namespace testimg;
namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

namespace {

// What a walk of the selection meets: "DIR\" for a directory, then what it holds.
class PathCollector : public CatalogVisitor {
public:
    Next VisitFile(CDiskImage&, const WalkStep& step) override {
        return paths.push_back(Join(step)), Continue;
    }
    Next EnterDirectory(CDiskImage&, const WalkStep& step) override {
        return paths.push_back(Join(step) + "\\"), Continue;
    }
    Strings paths;

private:
    static std::string Join(const WalkStep& step) {
        std::string path;
        for (const auto& name : step.path)
            path += (path.empty() ? "" : "\\") + name.name;
        return path;
    }
};

Strings Collect(const CatalogListing& listing, const Selection& selection) {
    PathCollector collector;
    CatalogWalk(listing.Image(), collector)
        .Walk(listing.Current(), listing.SelectedEntries(selection));
    return collector.paths;
}

Strings Collect(CDiskImage& image, const std::vector<std::string>& names) {
    const CatalogListing listing(image);
    return Collect(listing, Named(listing, names));
}

} // namespace

TEST(CatalogWalk, DirectoriesBeforeTheirContentsInCatalogOrder) {
    auto image = ExportTree();
    EXPECT_EQ(Collect(*image, {"D.1", "..", "game", "A"}),
              (Strings{"GAME", "A\\", "A\\F", "A\\B\\", "A\\B\\G", "D.1\\", "D.1\\GAME"}));
    CatalogListing listing(*image);
    EXPECT_TRUE(SelectionHasDirectory(&listing, Named(listing, {"GAME", "A"})));
    EXPECT_FALSE(SelectionHasDirectory(&listing, Named(listing, {"GAME", ".."})));
    // Below the root the list's row 0 is "..": row positions count it.
    listing.Enter(*listing.EntryAt(Named(listing, {"A"}).front()));
    EXPECT_EQ(Collect(listing, {0, 2}), (Strings{"B\\", "B\\G"}));

    // Rows tell entries of one name apart.
    MicroDosBuilder b(true);
    b.File(0, "MC", 1, Filled(1));
    b.File(0, "mc", 2, Filled(2));
    b.Dir(1, 0, "MC");
    b.File(1, "IN", 3, Filled(3));
    auto same = CreateDiskImage("t.img", b.Image());
    const CatalogListing sameNames(*same);
    EXPECT_EQ(Collect(sameNames, {1, 2}), (Strings{"mc", "MC\\", "MC\\IN"}));
    EXPECT_EQ(Collect(*same, {"MC"}), Strings{"MC"});
}

TEST(CatalogWalk, SelfContainingAndRepeatingDirectoriesEnd) {
    MicroDosBuilder b(true);
    b.Dir(1, 0, "LOOP");
    b.Dir(1, 1, "LOOP"); // LOOP holds a LOOP that is itself
    b.Dir(9, 1, "LOOP"); // and a second, other one
    b.File(1, "F", 0, Filled(1));
    b.Dir(0, 1, "ROOT"); // a directory numbered 0 leads back to the root
    auto image = CreateDiskImage("t.img", b.Image());
    EXPECT_EQ(Collect(*image, {"LOOP"}),
              (Strings{"LOOP\\", "LOOP\\LOOP\\", "LOOP\\LOOP\\", "LOOP\\F", "LOOP\\ROOT\\"}));

    // 100 levels, each holding two names that both lead to the next level: 2^100 paths,
    // but each level is entered once.
    MicroDosBuilder chain(true, 819200, 1000);
    for (int level = 1; level <= 100; ++level) {
        chain.Dir(level, level - 1, "X" + std::to_string(level));
        chain.Dir(level, level - 1, "Y" + std::to_string(level));
    }
    auto deep = CreateDiskImage("t.img", chain.Image());
    EXPECT_EQ(Collect(*deep, {"X1", "Y1"}).size(), 200u);
}

TEST(Export, TreeWithAndWithoutTheFlag) {
    auto image = ExportTree();
    TempDir with, without;
    const auto result =
        ExportNamed(*image, {"GAME", "TEXT.TXT", "ZERO", "A", "D.1"}, with.Path(), {});
    EXPECT_TRUE(result.skipped.empty());
    EXPECT_FALSE(result.error);
    EXPECT_EQ(ListTree(with.Path()), (Strings{"A/", "A/B/", "A/B/G.bin", "A/F.bin", "D.1/",
                                              "D.1/GAME.bin", "GAME.bin", "TEXT.TXT", "ZERO.bin"}));
    const Bytes game = ReadAll(with.Path() / "GAME.bin");
    ASSERT_EQ(game.size(), 68u);
    EXPECT_EQ(Bytes(game.begin(), game.begin() + 4), (Bytes{0x00, 0x02, 0x40, 0x00}));
    EXPECT_EQ(Bytes(game.begin() + 4, game.end()), Filled(0100));
    EXPECT_EQ(ReadAll(with.Path() / "ZERO.bin"), (Bytes{0x00, 0x02, 0, 0}));

    ExportOptions noBin;
    noBin.addBinExtension = false;
    ExportNamed(*image, {"GAME", "A"}, without.Path(), noBin);
    EXPECT_EQ(ListTree(without.Path()), (Strings{"A/", "A/B/", "A/B/G", "A/F", "GAME"}));
}

// A file in the way is kept unless the user says otherwise, then replaced with its
// permissions or kept beside the new one; the image being read is never replaced; an
// entry that cannot be read is skipped alone.
TEST(Export, ExistingFilesAreKeptReplacedOrKeptBesideAndTheImageNever) {
    MicroDosBuilder b;
    b.File(0, "GOOD", 0, Filled(3));
    b.Raw(0, 0, "BROKEN", 0xFFFF, 1, 100); // data past the end of the image
    b.File(0, "DISK.IMG", 0, Filled(2));   // named like the image being read
    const Bytes bytes = b.Image();
    auto image = CreateDiskImage("t.img", bytes);
    struct Case {
        std::optional<ExistingFile> choice; // none: the question cancels
        size_t goodSize;
        std::vector<StringId> reasons;
        Strings tree;
    } cases[] = {
        {ExistingFile::Keep,
         1000,
         {IDS_SKIP_EXISTS, IDS_SKIP_UNREADABLE, IDS_SKIP_EXISTS},
         {"DISK.IMG", "GOOD.bin"}},
        {ExistingFile::Replace,
         7,
         {IDS_SKIP_UNREADABLE, IDS_SKIP_PROTECTED},
         {"DISK.IMG", "GOOD.bin"}},
        {ExistingFile::KeepBoth,
         1000,
         {IDS_SKIP_UNREADABLE},
         {"DISK.IMG", "DISK~1.IMG", "GOOD.bin", "GOOD~1.bin"}},
        {std::nullopt, 1000, {}, {"DISK.IMG", "GOOD.bin"}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        dir.Write("GOOD.bin", Filled(1000));
        fs::permissions(dir.Path() / "GOOD.bin", fs::perms::owner_read | fs::perms::owner_write);
        const fs::perms mode = fs::status(dir.Path() / "GOOD.bin").permissions();
        const auto imagePath = PathFromUtf8(dir.Write("DISK.IMG", bytes));
        std::vector<fs::path> asked;
        ExportOptions options;
        options.neverReplace = {*hostfiles::IdentityOf(imagePath)};
        options.askExisting = [&](const fs::path& path) { return asked.push_back(path), c.choice; };
        const auto result =
            ExportNamed(*image, {"BROKEN", "GOOD", "DISK.IMG"}, dir.Path(), options);
        EXPECT_EQ(ListTree(dir.Path()), c.tree);
        EXPECT_EQ(ReadAll(imagePath), bytes);
        EXPECT_EQ(ReadAll(dir.Path() / "GOOD.bin").size(), c.goodSize);
        EXPECT_EQ(fs::status(dir.Path() / "GOOD.bin").permissions(), mode);
        std::vector<StringId> reasons;
        for (const auto& skipped : result.skipped)
            reasons.push_back(skipped.reason);
        EXPECT_EQ(reasons, c.reasons);
        EXPECT_EQ(result.replaced, c.choice == ExistingFile::Replace ? 1u : 0u);
        EXPECT_EQ(result.keptBoth, c.choice == ExistingFile::KeepBoth ? 2u : 0u);
        EXPECT_EQ(result.cancelled, !c.choice);
        EXPECT_EQ(asked.front(), dir.Path() / "GOOD.bin");
    }
}

TEST(Export, SummaryOfWhatWasLeftOut) {
    ExportResult result;
    EXPECT_EQ(ExportSummary(result), ""); // everything written: nothing to say
    result.filesWritten = 2;
    result.entriesSkipped = 3;
    result.replaced = 1;
    result.skipped = {{{{"A", 1}, {"B\tC", 2}}, IDS_SKIP_UNREADABLE, ""},
                      {{{"E", 1}}, IDS_SKIP_NOT_CREATED, "Permission denied"},
                      {{{"X", 1}}, IDS_SKIP_LINK, ""}};
    result.renamed = {{{{"A/B", 2}}, "out/A_B.bin"}};
    EXPECT_EQ(ExportSummary(result, 2), "Files written: 2. Entries not exported: 3.\n"
                                        "Existing files replaced: 1. Written beside an existing "
                                        "file: 0.\n"
                                        "A\\B\\tC;2: cannot be read from the image\n"
                                        "E: cannot be created: Permission denied\n"
                                        "... and 1 more.\n"
                                        "A/B;2 was written as A_B.bin");
}

TEST(Export, ProgressIsToldAndCanStopTheExport) {
    auto image = ExportTree();
    TempDir all, part;
    std::vector<std::pair<size_t, size_t>> told;
    ExportOptions options;
    options.progress = [&](size_t done, size_t total) {
        return told.push_back({done, total}), true;
    };
    const auto whole = ExportNamed(*image, {"GAME", "TEXT.TXT", "ZERO"}, all.Path(), options);
    EXPECT_FALSE(whole.cancelled);
    EXPECT_EQ(told, (std::vector<std::pair<size_t, size_t>>{{1, 3}, {2, 3}}));
    options.progress = [](size_t, size_t) { return false; };
    const auto stopped = ExportNamed(*image, {"GAME", "TEXT.TXT", "ZERO"}, part.Path(), options);
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.written,
              std::vector<fs::path>{part.Path() / "GAME.bin"}); // what was written stays
    EXPECT_EQ(ExportSummary(stopped), "The export was cancelled; what was written stays.\n"
                                      "Files written: 1. Entries not exported: 2."); // not reached
}

// Every file entry reaches the host with its own data, whatever the names: names the
// host cannot hold, repeated names (in any case), a name taken by the ".bin" of another,
// a file and a directory of one name, nested directories of one name.
TEST(Export, EveryEntryReachesTheHostUnderAUniqueSafeName) {
    MicroDosBuilder b(true);
    const std::vector<std::pair<std::string, std::string>> files = {
        // catalog path (directories first) -> host path
        {"..\\INSIDE", "__/INSIDE.bin"},
        {"..", "__~1"},
        {"../x", "_._x"},
        {"a/b", "a_b.bin"},
        {".", "_"},
        {"../../etc\\passwd", "_._.._etc/passwd.bin"},
        {"MC", "MC.bin"},
        {"MC", "MC~1.bin"},
        {"mc", "mc~2.bin"},
        {"X", "X.bin"},
        {"X.bin", "X~1.bin"},
        {"SAME", "SAME.bin"},
        {"SAME\\S", "SAME/S.bin"},
        {"N\\F", "N/F.bin"},
        {"N\\N\\F", "N/N/F.bin"},
        {"N\\N\\N\\F", "N/N/N/F.bin"}};
    b.Dir(1, 0, "..");
    b.File(1, "INSIDE", 0, Filled(1, 0));
    for (int i = 1; i <= 4; ++i)
        b.File(0, files[i].first, 0, Filled(1, static_cast<uint8_t>(i)));
    b.Dir(2, 0, "../../etc");
    b.File(2, "passwd", 0, Filled(1, 5));
    for (int i = 6; i <= 11; ++i)
        b.File(0, files[i].first, 0, Filled(1, static_cast<uint8_t>(i)));
    b.Dir(3, 0, "SAME");
    b.File(3, "S", 0, Filled(1, 12));
    for (int level = 1; level <= 3; ++level) {
        b.Dir(3 + level, level == 1 ? 0 : 2 + level, "N");
        b.File(3 + level, "F", 0, Filled(1, static_cast<uint8_t>(12 + level)));
    }
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir outer;
    const fs::path folder = outer.Path() / "chosen";
    fs::create_directory(folder);
    const CatalogListing listing(*image);
    const auto result = ExportSelection(&listing, AllRows(listing), folder, {});
    EXPECT_FALSE(result.error);
    EXPECT_TRUE(result.skipped.empty());
    ASSERT_EQ(result.written.size(), files.size());
    for (size_t i = 0; i < files.size(); ++i) {
        const Bytes bytes = ReadAll(folder / files[i].second);
        EXPECT_EQ(bytes, (Bytes{0, 0, 1, 0, static_cast<uint8_t>(i)})) << files[i].second;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(outer.Path()), fs::directory_iterator()), 1);
    // Each renaming is reported: seven files and two folders were not written as themselves.
    EXPECT_EQ(result.renamed.size(), 9u);
    EXPECT_EQ(result.renamed[1].entry.front().name, "..");
    EXPECT_EQ(result.renamed[1].path, folder / "__~1");
}

TEST(TextView, EachHostsTextFormTheImageUnchangedAndNothingWhenItCannotBeWritten) {
    // KOI-8 "Line", CR (a control byte: a space), LF, "Аа", LF.
    const Bytes cp1251 = {'L', 'i', 'n', 'e', 0x20, 0x0D, 0x0A, 0xC0, 0xE0, 0x0D, 0x0A};
    const Bytes utf8 = {'L', 'i', 'n', 'e', 0x20, 0x0A, 0xD0, 0x90, 0xD0, 0xB0, 0x0A};
    EXPECT_EQ(TextViewBytes(kExportText.data(), static_cast<int>(kExportText.size())), cp1251);
    EXPECT_EQ(
        TextViewBytes(kExportText.data(), static_cast<int>(kExportText.size()), TextForm::Utf8Lf),
        utf8);
    const Bytes utf16 = {
        0xFF, 0xFE, 'L',  0, 'i',  0,    'n',  0,    'e',  0, 0x20, 0,
        0x0D, 0,    0x0A, 0, 0x10, 0x04, 0x30, 0x04, 0x0D, 0, 0x0A, 0}; // Notepad's in any locale
    EXPECT_EQ(TextViewBytes(kExportText.data(), static_cast<int>(kExportText.size()),
                            TextForm::Utf16BomCrLf),
              utf16);
    // A frame is drawn with Unicode's frame characters where the text is Unicode; the
    // Windows-1251 view keeps the bytes.
    const Bytes frame = {0xAA, 0xB5, 0xA3, 0x0A, 0xA5, 0xA1, 0xB0, 0x0A, 0xA6, 0xB7, 0xB9, 0xBF};
    const std::string drawn = "\u250C\u2500\u2510\n\u251C\u2534\u2524\n\u2514\u2502\u2518\u0457";
    EXPECT_EQ(TextViewBytes(frame.data(), 12, TextForm::Utf8Lf), Bytes(drawn.begin(), drawn.end()));
    EXPECT_EQ(TextViewBytes(frame.data(), 12, TextForm::Utf16BomCrLf).size(), 2 + 2 * 14u);
    EXPECT_EQ(TextViewBytes(frame.data(), 12), (Bytes{0xAA, 0xB5, 0xA3, 0x0D, 0x0A, 0xA5, 0xA1,
                                                      0xB0, 0x0D, 0x0A, 0xA6, 0xB7, 0xB9, 0xBF}));

    auto image = ExportTree();
    const CatalogListing listing(*image);
    TempDir dir;
    for (int twice = 0; twice < 2; ++twice) {
        const auto path = WriteTextView(&listing, Named(listing, {"TEXT.TXT"}), dir.Path());
        ASSERT_TRUE(path);
        EXPECT_EQ(*path, dir.Path() / "TEXT.TXT");
        EXPECT_EQ(ReadAll(*path), HostTextForm() == TextForm::Utf8Lf ? utf8 : utf16);
    }
    ExportOptions replace;
    replace.existing = ExistingFile::Replace;
    ExportNamed(*image, {"TEXT.TXT"}, dir.Path(), replace);
    const Bytes exported = ReadAll(dir.Path() / "TEXT.TXT");
    EXPECT_EQ(Bytes(exported.begin() + 4, exported.end()), kExportText);

    fs::create_directory(dir.Path() / "GAME.txt"); // a folder stands where the file would go
    EXPECT_FALSE(WriteTextView(&listing, Named(listing, {"GAME"}), dir.Path()));
    EXPECT_FALSE(WriteTextView(&listing, Named(listing, {"A"}), dir.Path()));
    EXPECT_FALSE(WriteTextView(nullptr, {0}, dir.Path()));
}

// Deleted ANDOS entries (first name byte 0xE5, over the first letter) stay listed, marked,
// the lost letter shown as '?' and written as '_', and are exported when their data can
// still be read; when not, the reason says why.
TEST(Export, DeletedAndosEntriesAreMarkedNotHidden) {
    AndosBuilder b;
    b.File(0, "LIVE", "", 01000, Filled(10));
    b.File(0, "\xC5KEPT", "", 01000, Filled(20)); // 'Е' is 0xE5 in KOI-8
    const int gone = b.File(0, "\xC5GONE", "", 01000, Filled(30));
    b.SetFat(b.Image()[gone + 26], 0xFF8); // its chain was reused
    auto image = CreateDiskImage("t.img", b.Image());
    const CatalogListing listing(*image);
    const auto rows = listing.Rows(1);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].type, "");
    EXPECT_EQ(rows[1].type, "deleted");
    EXPECT_EQ(rows[1].name, "?KEPT"); // its first letter is lost
    TempDir dir;
    const auto result = ExportSelection(&listing, AllRows(listing), dir.Path(), {});
    EXPECT_EQ(result.written,
              (std::vector<fs::path>{dir.Path() / "LIVE.bin", dir.Path() / "_KEPT.bin"}));
    ASSERT_EQ(result.skipped.size(), 1u);
    EXPECT_EQ(result.skipped[0].reason, IDS_SKIP_DELETED);
}

// Every real image is read as its format, and every readable file entry of it reaches the
// host with its own header and data (compared as collections: which host name each got
// is the exporter's business).
TEST(Export, EveryReadableEntryOfTheRealImages) {
    const fs::path images = BK_SHARED_IMAGES;
    if (!fs::exists(images))
        GTEST_SKIP() << "no real images";
    class Contents : public CatalogVisitor {
    public:
        Next VisitFile(CDiskImage& image, const WalkStep& step) override {
            Bytes data;
            if (image.Read(step.ref, data) == ReadFault::None) {
                std::string file;
                if (const auto header = BinHeader(step.entry.address, data.size()))
                    file.assign(header->begin(), header->end());
                file.append(data.begin(), data.end());
                files.push_back(std::move(file));
            }
            return Continue;
        }
        Next EnterDirectory(CDiskImage&, const WalkStep&) override { return Continue; }
        Strings files;
    };
    const std::pair<const char*, const char*> formats[] = {
        {"mk_dos.img", "MKDOS"},    {"AODOS210.bkd", "MicroDOS"}, {"ALEXSOFT.IMG", "ANDOS"},
        {"GAMES.BKD", "ANDOS"},     {"CSIDOS_330.DSK", "CSIDOS"}, {"CSIMIR.bkd", "CSIDOS"},
        {"emptycsi.IMG", "CSIDOS"}, {"INSULT.IMG", "CSIDOS"}};
    for (const auto& [name, format] : formats) {
        TempDir dir;
        auto image = CreateDiskImage(name, ReadAll(images / name));
        ASSERT_TRUE(image) << name;
        EXPECT_EQ(image->GetFormatName(), format);
        Contents expected;
        CatalogWalk(*image, expected).Walk(image->Root());
        const auto result = ExportEntries(*image, {{image->Root(), std::nullopt}}, dir.Path(), {});
        EXPECT_FALSE(result.error) << name;
        Strings written;
        for (const auto& path : result.written) {
            const Bytes bytes = ReadAll(path);
            written.emplace_back(bytes.begin(), bytes.end());
        }
        std::sort(expected.files.begin(), expected.files.end());
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, expected.files) << name;
        EXPECT_GT(written.size(), 15u) << name;
    }
    EXPECT_FALSE(CreateDiskImage("boot.img", ReadAll(images / "desolate01.img"))); // unknown
}

// A deleted entry before a live one of the same name (as BOOTOT11M on a real MKDOS disk):
// the live file takes the plain host name in export and in the mount, as it takes the
// plain path; the deleted one takes "~1".
TEST(Export, TheLiveEntryTakesThePlainHostName) {
    MicroDosBuilder b(true);
    b.Raw(0377, 0, "BOOT", 100, 01000, 0); // deleted, empty
    b.File(0, "BOOT", 01000, Filled(680, 7));
    auto image = CreateDiskImage("t.img", b.Image());
    const CatalogListing listing(*image);
    TempDir dir;
    EXPECT_FALSE(ExportSelection(&listing, AllRows(listing), dir.Path(), {}).error);
    const Bytes live = ReadAll(dir.Path() / "BOOT.bin");
    ASSERT_EQ(live.size(), 684u);
    EXPECT_EQ(Bytes(live.begin() + 4, live.end()), Filled(680, 7));
    EXPECT_EQ(ReadAll(dir.Path() / "BOOT~1.bin"), (Bytes{0, 2, 0, 0}));

    CMountTree tree(*image, false);
    ASSERT_TRUE(tree.Lookup("/BOOT"));
    EXPECT_FALSE(tree.Lookup("/BOOT")->deleted);
    EXPECT_EQ(tree.Lookup("/BOOT")->length, 680u);
    ASSERT_TRUE(tree.Lookup("/BOOT~1"));
    EXPECT_TRUE(tree.Lookup("/BOOT~1")->deleted);
}
