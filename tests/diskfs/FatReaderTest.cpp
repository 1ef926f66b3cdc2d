// ANDOS disks are FAT12 volumes: every file the reader gives must be what mtools, an
// independent FAT reader, gives for the same name. Skipped without mtools or the images.
#include "Command.h"
#include "DiskImage.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace fs = std::filesystem;

namespace {

const fs::path kImages = BK_SHARED_IMAGES;

// The name as a FAT reader takes it: each part of NAME.EXT ends at its first blank, so
// that "HORROR 2" is one more "HORROR" to it.
std::string FatName(const std::string& name) {
    const auto dot = name.rfind('.');
    const std::string base = name.substr(0, dot),
                      extension = dot == name.npos ? "" : name.substr(dot);
    return base.substr(0, base.find(' ')) + extension.substr(0, extension.find(' '));
}

// Every live file of the image by name, and how many entries of the disk carry each FAT name.
struct Catalog {
    std::map<std::string, std::vector<uint8_t>> files;
    std::map<std::string, int> uses;
};

void Collect(CDiskImage& image, Place place, Catalog& catalog, std::set<Place>& seen) {
    if (!seen.insert(place).second)
        return;
    for (const EntryRef& ref : image.List(place)) {
        const DiskEntry entry = image.Entry(ref);
        ++catalog.uses[FatName(entry.name)];
        if (const auto inside = image.Enter(ref))
            Collect(image, *inside, catalog, seen);
        else if (!entry.deleted)
            image.Read(ref, catalog.files[entry.name]);
    }
}

// Compares the files whose name is plain ASCII and unique on the disk; returns their names.
std::set<std::string> CompareWithMtools(const fs::path& floppy) {
    const auto image = OpenDiskImage(floppy.string(), nullptr, ImageAccess::ReadOnly);
    EXPECT_TRUE(image && image->GetFormatName() == "ANDOS") << floppy;
    if (!image)
        return {};
    Catalog catalog;
    std::set<Place> seen;
    Collect(*image, image->Root(), catalog, seen);
    std::set<std::string> compared;
    for (const auto& [name, data] : catalog.files) {
        const bool plain = std::all_of(name.begin(), name.end(),
                                       [](char c) { return c > ' ' && c < 0x7F && c != '\''; });
        if (!plain || catalog.uses[FatName(name)] != 1)
            continue;
        const auto fat = RunCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + ShellQuote(floppy.string()) +
                                    " ::" + ShellQuote(name) + " 2>/dev/null");
        if (fat.status != 0)
            continue; // a name mtools will not take
        EXPECT_EQ(std::vector<uint8_t>(fat.out.begin(), fat.out.end()), data) << floppy << name;
        compared.insert(name);
    }
    return compared;
}

} // namespace

TEST(FatReader, AndosFilesReadAsMtoolsReadsThem) {
    if (RunCommand("command -v mtype").status != 0 || !fs::exists(kImages))
        GTEST_SKIP() << "no mtools, or no real images";
    EXPECT_GT(CompareWithMtools(kImages / "ALEXSOFT.IMG").size(), 30u);
    EXPECT_GT(CompareWithMtools(kImages / "GAMES.BKD").size(), 20u);

    // The hard disk's logical disks, written out as floppies: one holds TURBO8DK.ASM,
    // 75,161 bytes, which needs the length's high word.
    testimg::TempDir dir;
    const fs::path hdi = dir.Path() / "mb20.hdi";
    ASSERT_EQ(RunCommand("xz -dc " + ShellQuote((kImages / "mb20.hdi.xz").string()) + " > " +
                         ShellQuote(hdi.string()))
                  .status,
              0);
    const auto bytes = testimg::ReadAll(hdi);
    const auto layout = ReadHardDiskLayout(bytes);
    ASSERT_TRUE(layout);
    std::multiset<std::string> compared;
    for (const auto& disk : layout->disks) {
        std::vector<uint8_t> floppy(bytes.begin() + disk.offset,
                                    bytes.begin() + disk.offset + disk.size);
        InvertBytes(floppy);
        const auto names = CompareWithMtools(dir.Write("disk.img", floppy));
        compared.insert(names.begin(), names.end());
    }
    EXPECT_GT(compared.size(), 100u);
    EXPECT_EQ(compared.count("TURBO8DK.ASM"), 1u);
}
