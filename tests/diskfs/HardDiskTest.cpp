#include "ImageBuilders.h"
#include "Listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

using namespace testimg;

namespace {

// Bytes in memory that remember every range read from them.
class CountingSource : public ByteSource {
public:
    struct Range {
        long long offset, size;
        bool operator==(const Range&) const = default;
    };
    CountingSource(Bytes bytes, std::vector<Range>& reads)
        : m_bytes(std::move(bytes)), m_reads(reads) {}
    long long Size() const override { return static_cast<long long>(m_bytes.size()); }
    bool ReadAt(long long offset, std::span<uint8_t> out, std::string&) override {
        m_reads.push_back({offset, static_cast<long long>(out.size())});
        if (offset < 0 || offset + static_cast<long long>(out.size()) > Size())
            return false;
        std::copy_n(m_bytes.begin() + offset, out.size(), out.begin());
        return true;
    }

private:
    Bytes m_bytes;
    std::vector<Range>& m_reads;
};

// Disk 0 MicroDOS with one file, disk 1 ANDOS with a file over 64 KB, disk 2 blank.
std::vector<Bytes> ThreeDisks() {
    MicroDosBuilder micro(false, 8192, 2);
    micro.File(0, "HELLO", 01000, Filled(700, 3));
    AndosBuilder andos(200 * 1024);
    andos.File(0, "BIG", "TXT", 0, Filled(70000, 9));
    return {micro.Image(), andos.Image(), Bytes(4096)};
}

std::unique_ptr<CDiskImage> Open(Bytes bytes, std::vector<CountingSource::Range>& reads) {
    OpenFailure failure;
    auto image =
        OpenDiskImage("hd.hdi", std::make_unique<CountingSource>(std::move(bytes), reads), failure);
    EXPECT_EQ(failure.kind, OpenFailure::None);
    return image;
}

} // namespace

TEST(HardDisk, ReadsTheHeadThenOnlyTheDisksEntered) {
    const auto disks = ThreeDisks();
    std::vector<CountingSource::Range> reads;
    auto image = Open(HardDiskOf(disks), reads);
    ASSERT_TRUE(image && image->HardDisk());
    EXPECT_EQ(reads, (std::vector<CountingSource::Range>{{0, kHardDiskHead}}));
    EXPECT_EQ(image->GetFormatName(), "Hard disk");
    EXPECT_EQ(Names(*image), (std::vector<std::string>{"0", "1", "2"}));
    for (const EntryRef& ref : image->List(image->Root()))
        EXPECT_EQ(image->Entry(ref).kind, DiskEntry::Kind::Disk);
    EXPECT_EQ(reads.size(), 1u); // listing the disks reads nothing

    const auto& layout = image->HardDisk()->disks;
    ASSERT_EQ(layout.size(), 3u);
    EXPECT_EQ(Read(*image, "1\\BIG.TXT"), Filled(70000, 9));
    EXPECT_EQ(reads.back(), (CountingSource::Range{layout[1].offset, 200 * 1024}));
    EXPECT_EQ(image->FormatName(*PlaceAt(*image, "1")), "ANDOS");
    EXPECT_EQ(image->DiskSize(*PlaceAt(*image, "1")), 200 * 1024);

    EXPECT_EQ(Read(*image, "0\\HELLO"), Filled(700, 3));
    EXPECT_EQ(reads.back(), (CountingSource::Range{layout[0].offset, 8192}));

    OpenFailure why;
    EXPECT_FALSE(image->Enter({kDiskList, 2}, &why));
    EXPECT_EQ(why.kind, OpenFailure::UnknownFormat);
    EXPECT_TRUE(image->Enter({kDiskList, 0})); // the other disks still open
}

TEST(HardDisk, CutShortFilesAndDamagedTables) {
    const auto disks = ThreeDisks();
    Bytes bytes = HardDiskOf(disks);
    std::vector<CountingSource::Range> reads;
    {
        Bytes cut(bytes.begin(), bytes.end() - 1000); // disk 2 loses its last 1000 bytes
        auto image = Open(cut, reads);
        ASSERT_TRUE(image && image->HardDisk());
        OpenFailure why;
        EXPECT_FALSE(image->Enter({kDiskList, 2}, &why));
        EXPECT_EQ(why.kind, OpenFailure::CutShort);
        EXPECT_EQ(why.missing, 1000);
        EXPECT_EQ(Read(*image, "1\\BIG.TXT").size(), 70000u);
    }
    // A table whose checksum, geometry or count does not hold is no hard disk: the bytes
    // are then a floppy of no known format.
    const size_t table = 512 + 7 * 512;
    for (const size_t offset : {table + 0x1FE - 2 * 10, table + 0x1FE, table + 0x1FE - 6}) {
        Bytes damaged = bytes;
        damaged[offset] ^= 1;
        OpenFailure failure;
        EXPECT_FALSE(OpenDiskImage(
            "hd.hdi", std::make_unique<CountingSource>(std::move(damaged), reads), failure));
        EXPECT_EQ(failure.kind, OpenFailure::UnknownFormat) << offset;
    }
}

// Without its 512-byte header a hard disk is known by its table and reads the same; a disk
// the file ends inside lists what is there, and a file past the end is unreadable, never
// made up.
TEST(HardDisk, HeaderlessAndCutImagesGiveWhatTheyHold) {
    const Bytes bytes = HardDiskOf(ThreeDisks());
    std::vector<CountingSource::Range> reads;
    auto headerless = Open(Bytes(bytes.begin() + 512, bytes.end()), reads);
    ASSERT_TRUE(headerless && headerless->HardDisk());
    EXPECT_EQ(headerless->GetFormatName(), "Hard disk (no header)");
    EXPECT_EQ(Names(*headerless), (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(Read(*headerless, "1\\BIG.TXT"), Filled(70000, 9));
    EXPECT_EQ(Read(*headerless, "0\\HELLO"), Filled(700, 3));

    auto image = Open(bytes, reads);
    const long long andos = image->HardDisk()->disks[1].offset;
    for (const bool header : {true, false}) {
        const long long from = header ? 0 : 512;
        // ANDOS's tables and its first clusters are there, BIG.TXT's last cluster is not.
        auto cut =
            Open(Bytes(bytes.begin() + from, bytes.begin() + andos + 0x1800 + 20 * 2048), reads);
        ASSERT_TRUE(cut && cut->HardDisk());
        EXPECT_EQ(Names(*cut, "1"), (std::vector<std::string>{"BIG.TXT"}));
        EXPECT_EQ(cut->DiskSize(*PlaceAt(*cut, "1")), 200 * 1024); // the table's, not what is there
        const Bytes floppy = ThreeDisks()[1];
        const auto cutFloppy = Load(Bytes(floppy.begin(), floppy.begin() + 0x1800 + 20 * 2048));
        EXPECT_NE(Fault(*cut, "1\\BIG.TXT"), ReadFault::None); // as on a floppy cut there
        EXPECT_EQ(Fault(*cut, "1\\BIG.TXT"), Fault(*cutFloppy, "BIG.TXT"));
        EXPECT_EQ(Read(*cut, "0\\HELLO"), Filled(700, 3));
        OpenFailure why;
        EXPECT_FALSE(cut->Enter({kDiskList, 2}, &why)); // nothing of it is there
        EXPECT_EQ(why.kind, OpenFailure::CutShort);
        const auto& last = cut->HardDisk()->disks[2]; // the file ends that far before it does
        EXPECT_EQ(why.missing, last.offset + last.size - cut->GetImageSize());
    }
}
