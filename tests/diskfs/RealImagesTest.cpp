// Facts about images written by the real disk operating systems, from hex dumps and the
// formats' written description (skipped when the images are not present); their formats
// and every entry are checked by the export tests.
#include "DiskImage.h"
#include "Listing.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = BK_SHARED_IMAGES;

std::unique_ptr<CDiskImage> OpenReal(const std::string& name) {
    return OpenDiskImage((kImages / name).string(), nullptr, ImageAccess::ReadOnly);
}

} // namespace

TEST(RealImage, FactsFromHexDumps) {
    if (!fs::exists(kImages))
        GTEST_SKIP() << "no real images at " << kImages;
    auto image = OpenReal("mk_dos.img");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetImageSize(), 819200);
    const auto root = Names(*image);
    EXPECT_EQ(std::vector<std::string>(root.begin(), root.begin() + 7),
              (std::vector<std::string>{"SRC318", "HELP.MC", "FILER.MC", "MC.EXT", "KMON", "UTIL",
                                        "PROG"}));
    // Entry at 0x158: MONITOR in directory 12 (MK-DOS), block 0x14, address 0xFFFF, 0x2000 bytes.
    const auto monitor = FileAt(*image, "mk-dos\\MONITOR");
    ASSERT_TRUE(monitor);
    EXPECT_EQ(image->Entry(*monitor).address, 0177777);
    const auto raw = testimg::ReadAll(kImages / "mk_dos.img");
    EXPECT_EQ(Read(*image, "mk-dos\\MONITOR"),
              std::vector<uint8_t>(raw.begin() + 0x14 * 512, raw.begin() + 0x14 * 512 + 020000));
    // Entries whose first byte is 0o377 are deleted ones (HELP.MC...): the root shows them.
    EXPECT_TRUE(image->Entry(*FileAt(*image, "HELP.MC")).deleted);

    image = OpenReal("ALEXSOFT.IMG");
    ASSERT_TRUE(image);
    EXPECT_EQ(List(*image).front(), (ListedEntry{"ANDOS V3.30", true, 0, 0})); // attribute 0x08
    EXPECT_EQ(Read(*image, "ANDOS V3.30\\ANDOS.SYS").size(), 0134000u);        // entry at 0xA20

    // The header's count of live entries (101) ends a catalog that has no end mark.
    image = OpenReal("AODOS210.bkd");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->Entry({0, 100}).name, "CONVERTER");
    EXPECT_LE(image->List(image->Root()).size(), 102u);
}

TEST(RealImage, CsidosDisks) {
    if (!fs::exists(kImages))
        GTEST_SKIP() << "no real images at " << kImages;
    // The system's own manual, KOI-8 text, opens with its title.
    auto image = OpenReal("CSIDOS_330.DSK");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetFormatName(), "CSIDOS");
    const auto manual = Read(*image, "DOCS-CSI\\csitech.man");
    const std::string title = "C S I D O S - 3.2";
    ASSERT_GT(manual.size(), 1000u);
    EXPECT_NE(std::string(manual.begin(), manual.begin() + 200).find(title), std::string::npos);
    // The system file lives in directory 199, which no directory entry opens.
    EXPECT_EQ(Names(*image, "<199>"), std::vector<std::string>{"CSIDOS3.EXE"});

    image = OpenReal("CSIMIR.bkd");
    ASSERT_TRUE(image);
    EXPECT_EQ(Names(*image), (std::vector<std::string>{"TOOLS", "DOCUMENT", "MUSIC", "<199>"}));

    image = OpenReal("emptycsi.IMG");
    ASSERT_TRUE(image);
    const auto rows = List(*image);
    const auto deleted = std::count_if(rows.begin(), rows.end(), [&](const ListedEntry& row) {
        return !row.directory && image->Entry(*FileAt(*image, row.name)).deleted;
    });
    EXPECT_EQ(deleted, 15);
    EXPECT_EQ(Fault(*image, "crun.exe"), ReadFault::None); // its blocks are still its own

    // Marker 0o123124; the loader files sit in directory 196, which has no entry.
    image = OpenReal("INSULT.IMG");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetFormatName(), "CSIDOS");
    EXPECT_EQ(Names(*image, "<196>").size(), 3u);

    OpenFailure failure;
    EXPECT_FALSE(
        OpenDiskImage((kImages / "desolate01.img").string(), &failure, ImageAccess::ReadOnly));
    EXPECT_EQ(failure.kind, OpenFailure::UnknownFormat);
}

TEST(RealImage, HardDiskOfTenAndosDisks) {
    testimg::TempDir dir;
    const fs::path hdi = dir.Path() / "mb20.hdi";
    const std::string unpack =
        "xz -dc '" + (kImages / "mb20.hdi.xz").string() + "' > '" + hdi.string() + "' 2>/dev/null";
    // Under Wine the shell finds no xz and may still answer 0: the file tells.
    if (!fs::exists(kImages) || std::system(unpack.c_str()) != 0 || !fs::exists(hdi) ||
        fs::file_size(hdi) == 0)
        GTEST_SKIP() << "no mb20.hdi.xz, or no xz";
    const auto image = OpenDiskImage(hdi.string(), nullptr, ImageAccess::ReadOnly);
    ASSERT_TRUE(image);
    ASSERT_TRUE(image->HardDisk());
    EXPECT_EQ(image->HardDisk()->cylinders, 40);
    EXPECT_EQ(image->HardDisk()->heads, 16);
    EXPECT_EQ(image->HardDisk()->sectorsPerTrack, 63);
    ASSERT_EQ(image->HardDisk()->disks.size(), 10u);
    EXPECT_EQ(Names(*image),
              (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    for (const auto& disk : image->HardDisk()->disks)
        EXPECT_EQ(disk.size, 1638 * 512);
    // TURBO8DK.ASM, 75,161 bytes: the whole text through its cluster chain.
    const auto text = Read(*image, "1\\TURBO8.SRC\\TURBO8DK.ASM");
    ASSERT_EQ(text.size(), 75161u);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(image->FormatName(*PlaceAt(*image, "1")), "ANDOS");

    // Without its header it reads the same; cut after 100 KB, logical disk 0 (68 KB of it
    // there) lists every entry, and each file reads whole or not at all.
    const std::vector<uint8_t> whole = testimg::ReadAll(hdi);
    const auto headerless = CreateDiskImage("raw.img", {whole.begin() + 512, whole.end()});
    ASSERT_TRUE(headerless && headerless->HardDisk());
    EXPECT_EQ(headerless->GetFormatName(), "Hard disk (no header)");
    EXPECT_EQ(Read(*headerless, "1\\TURBO8.SRC\\TURBO8DK.ASM"), text);
    const auto cut = CreateDiskImage("cut.hdi", {whole.begin(), whole.begin() + 102400});
    ASSERT_TRUE(cut && cut->HardDisk());
    EXPECT_EQ(Names(*cut, "0"), Names(*image, "0"));
    size_t readable = 0, unreadable = 0;
    std::vector<uint8_t> data, full;
    for (int i = 0; const DiskEntry* entry = cut->Find({0, i}); ++i) {
        if (entry->IsDirectory() || entry->deleted || entry->length == 0)
            continue;
        const bool read = cut->Read({0, i}, data) == ReadFault::None;
        ASSERT_EQ(image->Read({0, i}, full), ReadFault::None) << entry->name;
        EXPECT_TRUE(!read || data == full) << entry->name;
        (read ? readable : unreadable)++;
    }
    EXPECT_GT(readable, 0u);
    EXPECT_GT(unreadable, 0u);
}
