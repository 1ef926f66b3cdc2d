// Changes to MicroDOS and MKDOS disks. Their catalogs, read from the real disks:
// - every file entry, live or deleted, owns the blocks from its start (word 0o20) for its
//   block count (word 0o22), and in catalog order these runs follow each other without a
//   gap from the first data block: a deleted entry is a hole, and the free space at the
//   end of the disk is a deleted entry too, or nothing;
// - a deleted entry has 0o377 in its bytes 0 and 1;
// - block 0 counts the live entries, directories included (word 0o30), and the blocks in
//   use, the catalog's 20 included (word 0o32); word 0o466 is the disk's size in blocks,
//   and MKDOS keeps its first data block, 20, in word 0o470;
// - some MicroDOS disks keep a copy of the catalog's ten blocks in blocks 10 to 19.
// A new file takes the first hole it fits (the rest of the hole stays one), or goes after
// the last run; a deleted file becomes a hole and joins the holes next to it.
#include "Cp1251.h"
#include "DiskEditor.h"
#include "DiskWords.h"
#include "MicroDosImage.h"
#include "MicroDosLayout.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>

namespace {

using namespace microdos;

constexpr int kMaxSlots = 172; // what a full catalog of a real disk holds, before its end mark

using Slot = std::array<uint8_t, kEntrySize>;

long long BlocksFor(size_t bytes) {
    return (static_cast<long long>(bytes) + kBlock - 1) / kBlock;
}

class CMicroDosEditor : public CDiskEditor {
public:
    CMicroDosEditor(std::vector<uint8_t> bytes, const FileSystemFormat& format)
        : CDiskEditor(std::move(bytes), format), m_mkdos(format.id == FormatMkDos) {
        constexpr long long area = kCatalogBlocks * kBlock;
        const auto& disk = Bytes();
        m_keepsCopy = static_cast<long long>(disk.size()) >= 2 * area &&
                      std::equal(disk.begin(), disk.begin() + area, disk.begin() + area);
    }

protected:
    void FindLayoutFaults(std::vector<LayoutFault>& faults) const override {
        using Kind = LayoutFault::Kind;
        if (static_cast<long long>(Bytes().size()) < kFirstDataBlock * kBlock ||
            DiskBlocks() <= kFirstDataBlock)
            return faults.push_back({Kind::Unknown});
        const std::vector<Slot> slots = ReadSlots();
        const long long catalogEnd = kFirstEntry + (slots.size() + 1) * kEntrySize;
        const long long limit = (m_keepsCopy ? kCatalogBlocks : kFirstDataBlock) * kBlock;
        if (catalogEnd > limit)
            faults.push_back({Kind::Unknown});
        // Counts that disagree with the catalog are a layout this reading does not explain.
        if (WordOf(&Bytes()[kLiveCount]) != LiveCount(slots) ||
            WordOf(&Bytes()[kBlocksUsed]) != BlocksUsed(slots))
            faults.push_back({Kind::Counts});
        FindRunFaults(faults);
    }

    // Live files' runs of the blocks they own: inside the data blocks, and each its own. (A
    // length that reads on into the next file's blocks, as FORTH's on a real MKDOS disk,
    // is no fault: the blocks it reads are never given out.)
    void FindRunFaults(std::vector<LayoutFault>& faults) const {
        using Kind = LayoutFault::Kind;
        struct Run {
            long long start, end;
            const std::string* name;
        };
        std::vector<Run> runs;
        for (const DiskEntry& entry : Disk().Entries()) {
            if (entry.kind == DiskEntry::Kind::Lost)
                continue;
            const Slot slot = SlotOf(entry);
            if (!IsLiveFile(slot) || Blocks(slot) == 0)
                continue;
            const Run run{Start(slot), Start(slot) + Blocks(slot), &entry.name};
            if (run.start < kFirstDataBlock)
                faults.push_back({Kind::RunInSystemArea,
                                  entry.name,
                                  {},
                                  run.start,
                                  std::min<long long>(run.end, kFirstDataBlock) - 1});
            if (run.end > DiskBlocks())
                faults.push_back({Kind::RunPastDisk, entry.name});
            runs.push_back(run);
        }
        std::sort(runs.begin(), runs.end(),
                  [](const Run& a, const Run& b) { return a.start < b.start; });
        const Run* reaching = nullptr; // of the runs so far, the one reaching furthest
        for (const Run& run : runs) {
            if (reaching && run.start < reaching->end)
                faults.push_back({Kind::RunsOverlap, *reaching->name, *run.name, run.start,
                                  std::min(run.end, reaching->end) - 1});
            if (!reaching || run.end > reaching->end)
                reaching = &run;
        }
    }

    EditError StoredName(std::string_view cp1251, bool directory,
                         std::string& stored) const override {
        if (cp1251.empty())
            return EditError::NameEmpty;
        if (!ConvertCp1251ToKoi8(cp1251, stored))
            return EditError::NameBadCharacter;
        const size_t field = NameField(directory);
        if (stored.size() > field)
            return EditError::NameTooLong;
        stored.resize(field, ' ');
        return EditError::None;
    }

    std::string ShownName(std::string_view stored, bool) const override {
        std::string shown(stored);
        ConvertKoi8ToCp1251(reinterpret_cast<uint8_t*>(shown.data()),
                            static_cast<int>(shown.size()));
        shown.erase(shown.find_last_not_of(' ') + 1);
        return shown;
    }

    EditError PutFile(int dir, const std::string& stored, uint16_t address,
                      std::span<const uint8_t> data) override {
        if (static_cast<long long>(data.size()) > kMaxLength)
            return EditError::FileTooLong;
        if (!m_mkdos && data.empty() && address == 0)
            return EditError::ReadsAsDirectory;
        std::vector<Slot> slots = ReadSlots();
        const long long blocks = BlocksFor(data.size());
        const auto at = Place(slots, blocks);
        if (!at)
            return *at.error;
        Slot& slot = slots[static_cast<size_t>(at.record)];
        slot.fill(0);
        slot[1] = static_cast<uint8_t>(dir);
        std::copy(stored.begin(), stored.end(), slot.begin() + kName);
        PutWordAt(&slot[kStart], at.start);
        PutWordAt(&slot[kBlocks], blocks);
        PutWordAt(&slot[kAddress], address);
        PutWordAt(&slot[kLength], static_cast<long long>(data.size()));
        const auto out =
            Writable(static_cast<size_t>(at.start * kBlock), static_cast<size_t>(blocks * kBlock));
        std::fill(std::copy(data.begin(), data.end(), out.begin()), out.end(), 0);
        WriteSlots(slots);
        return EditError::None;
    }

    EditError PutDirectory(int dir, const std::string& stored, int number) override {
        std::vector<Slot> slots = ReadSlots();
        if (slots.size() >= kMaxSlots)
            return EditError::CatalogFull;
        Slot slot{};
        slot[0] = static_cast<uint8_t>(number);
        slot[1] = static_cast<uint8_t>(dir);
        if (m_mkdos)
            slot[kName] = kMkDosDirectoryMark;
        std::copy(stored.begin(), stored.end(), slot.begin() + NameAt(true));
        PutWordAt(&slot[kStart], EndOfRuns(slots)); // where the system puts it too
        slots.push_back(slot);
        WriteSlots(slots);
        return EditError::None;
    }

    void Erase(const DiskEntry& entry) override {
        std::vector<Slot> slots = ReadSlots();
        const size_t i = SlotIndex(entry);
        if (IsDirectorySlot(slots[i])) {
            slots.erase(slots.begin() + static_cast<long>(i));
        } else {
            slots[i][0] = slots[i][1] = kDeleted;
            JoinHoles(slots, i);
        }
        WriteSlots(slots);
    }

    void PutName(const DiskEntry& entry, const std::string& stored) override {
        const auto name = Writable(entry.record + NameAt(entry.IsDirectory()), stored.size());
        std::copy(stored.begin(), stored.end(), name.begin());
        KeepCopy();
    }

    void PutHolder(const DiskEntry& entry, int dir) override {
        Writable(entry.record + 1, 1)[0] = static_cast<uint8_t>(dir);
        KeepCopy();
    }

    long long FreeUnits() const override {
        const std::vector<long long> pieces = FreePieces();
        return std::accumulate(pieces.begin(), pieces.end(), 0LL);
    }

    long long UnitSize() const override { return kBlock; }

    std::optional<long long> LargestFreeUnits() const override {
        const std::vector<long long> pieces = FreePieces();
        return pieces.empty() ? 0 : *std::max_element(pieces.begin(), pieces.end());
    }

private:
    size_t NameField(bool directory) const {
        return m_mkdos && directory ? kMkDosDirectoryNameSize : kNameSize;
    }
    long NameAt(bool directory) const { return m_mkdos && directory ? kMkDosDirectoryName : kName; }

    bool IsDirectorySlot(const Slot& slot) const {
        return m_mkdos ? slot[2] == kMkDosDirectoryMark
                       : WordOf(&slot[kAddress]) == 0 && WordOf(&slot[kLength]) == 0;
    }
    static bool IsDeleted(const Slot& slot) { return slot[0] == kDeleted; }
    static long long Start(const Slot& slot) { return WordOf(&slot[kStart]); }
    static long long Blocks(const Slot& slot) { return WordOf(&slot[kBlocks]); }
    // The blocks a file's run reaches: a live file's length may run past the blocks its
    // entry owns (FORTH on a real MKDOS disk does), and what it reads is never written over.
    static long long Extent(const Slot& slot) {
        return IsDeleted(slot) ? Blocks(slot)
                               : std::max(Blocks(slot), BlocksFor(WordOf(&slot[kLength])));
    }

    bool IsLiveFile(const Slot& slot) const { return !IsDeleted(slot) && !IsDirectorySlot(slot); }
    static long long LiveCount(const std::vector<Slot>& slots) {
        return std::count_if(slots.begin(), slots.end(),
                             [](const Slot& slot) { return !IsDeleted(slot); });
    }
    long long BlocksUsed(const std::vector<Slot>& slots) const {
        long long used = kFirstDataBlock;
        for (const Slot& slot : slots)
            used += IsLiveFile(slot) ? Blocks(slot) : 0;
        return used;
    }

    // The disk's size as its header gives it, within the image.
    long long DiskBlocks() const {
        const long long image = static_cast<long long>(Bytes().size()) / kBlock;
        const long long told = WordOf(&Bytes()[kDiskBlocks]);
        return told > kFirstDataBlock && told < image ? told : image;
    }

    // The slots the reader lists, in catalog order from the first.
    std::vector<Slot> ReadSlots() const {
        std::vector<Slot> slots;
        for (const DiskEntry& entry : Disk().Entries()) {
            if (entry.kind != DiskEntry::Kind::Lost)
                slots.push_back(SlotOf(entry));
        }
        return slots;
    }
    Slot SlotOf(const DiskEntry& entry) const {
        Slot slot;
        std::copy_n(Bytes().begin() + entry.record, kEntrySize, slot.begin());
        return slot;
    }
    static size_t SlotIndex(const DiskEntry& entry) {
        return (entry.record - kFirstEntry) / kEntrySize;
    }

    // The runs of blocks a file may take: the usable holes, and what follows the last run;
    // none on a disk whose layout is at fault.
    std::vector<long long> FreePieces() const {
        if (!LayoutFaults().empty())
            return {};
        const std::vector<Slot> slots = ReadSlots();
        std::vector<long long> pieces = {std::max(0LL, DiskBlocks() - EndOfRuns(slots))};
        for (size_t i = 0; i < slots.size(); ++i)
            pieces.push_back(UsableHole(slots, i));
        return pieces;
    }

    long long EndOfRuns(const std::vector<Slot>& slots) const {
        long long end = kFirstDataBlock;
        for (const Slot& slot : slots) {
            if (!IsDirectorySlot(slot))
                end = std::max(end, Start(slot) + Extent(slot));
        }
        return end;
    }

    // The blocks of a hole a file may take: inside the disk, and no live file's (a damaged
    // catalog may let runs overlap).
    long long UsableHole(const std::vector<Slot>& slots, size_t i) const {
        const Slot& hole = slots[i];
        if (!IsDeleted(hole) || IsDirectorySlot(hole) || Start(hole) < kFirstDataBlock)
            return 0;
        const long long end = std::min(Start(hole) + Blocks(hole), DiskBlocks());
        for (const Slot& slot : slots) {
            if (IsLiveFile(slot) && Start(slot) < end && Start(hole) < Start(slot) + Extent(slot))
                return 0;
        }
        return std::max(0LL, end - Start(hole));
    }

    // What remains of a hole a file took the start of: a hole of its own, nameless and
    // empty, since the deleted file that was there no longer starts there. Its load
    // address is the usual one: MicroDOS takes an empty entry loaded at 0 for a directory.
    static Slot Hole(long long start, long long blocks) {
        Slot hole{};
        hole[0] = hole[1] = kDeleted;
        std::fill(hole.begin() + 2, hole.begin() + 16, ' ');
        PutWordAt(&hole[kAddress], 01000);
        PutWordAt(&hole[kStart], start);
        PutWordAt(&hole[kBlocks], blocks);
        return hole;
    }

    // The first hole the file fits, else the end of the runs; a hole it does not fill
    // needs a slot more for what remains of it.
    Placement Place(std::vector<Slot>& slots, long long blocks) const {
        bool roomSeen = false;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (UsableHole(slots, i) < std::max(blocks, 1LL)) // live runs have none
                continue;
            const Slot hole = slots[i];
            if (Blocks(hole) == blocks)
                return {static_cast<long long>(i), Start(hole), std::nullopt};
            roomSeen = true;
            if (slots.size() >= kMaxSlots)
                continue;
            slots.insert(slots.begin() + static_cast<long>(i) + 1,
                         Hole(Start(hole) + blocks, Blocks(hole) - blocks));
            return {static_cast<long long>(i), Start(hole), std::nullopt};
        }
        const long long end = EndOfRuns(slots);
        if (end + blocks <= DiskBlocks()) {
            if (slots.size() < kMaxSlots) {
                slots.emplace_back();
                return {static_cast<long long>(slots.size()) - 1, end, std::nullopt};
            }
            roomSeen = true;
        }
        return {-1, 0, roomSeen ? EditError::CatalogFull : EditError::DiskFull};
    }

    // The hole at i joins the holes of the runs just before and after it.
    void JoinHoles(std::vector<Slot>& slots, size_t i) const {
        const auto neighbour = [&](size_t from, int step) -> std::optional<size_t> {
            for (long long j = static_cast<long long>(from) + step;
                 j >= 0 && j < static_cast<long long>(slots.size()); j += step) {
                if (!IsDirectorySlot(slots[static_cast<size_t>(j)]))
                    return static_cast<size_t>(j);
            }
            return std::nullopt;
        };
        const auto joinable = [&](size_t first, size_t second) {
            return IsDeleted(slots[first]) && IsDeleted(slots[second]) &&
                   Start(slots[first]) + Blocks(slots[first]) == Start(slots[second]) &&
                   Blocks(slots[first]) + Blocks(slots[second]) <= kMaxLength;
        };
        const auto join = [&](size_t first, size_t second) {
            PutWordAt(&slots[first][kBlocks], Blocks(slots[first]) + Blocks(slots[second]));
            slots.erase(slots.begin() + static_cast<long>(second));
        };
        if (const auto next = neighbour(i, 1); next && joinable(i, *next))
            join(i, *next);
        if (const auto previous = neighbour(i, -1); previous && joinable(*previous, i))
            join(*previous, i);
    }

    // The slots from the catalog's start, its end mark, the header's counts, the copy.
    void WriteSlots(const std::vector<Slot>& slots) {
        auto at = Writable(kFirstEntry, (slots.size() + 1) * kEntrySize).begin();
        for (const Slot& slot : slots)
            at = std::copy(slot.begin(), slot.end(), at);
        std::fill(at, at + kEntrySize, 0);
        const auto header = Writable(kLiveCount, 4);
        PutWordAt(&header[0], LiveCount(slots));
        PutWordAt(&header[2], BlocksUsed(slots));
        KeepCopy();
    }

    // AO-DOS's copy of the catalog's blocks stays equal to them.
    void KeepCopy() {
        if (m_keepsCopy) {
            constexpr size_t area = kCatalogBlocks * kBlock;
            std::copy(Bytes().begin(), Bytes().begin() + area, Writable(area, area).begin());
        }
    }

    bool m_mkdos;
    bool m_keepsCopy = false;
};

std::vector<uint8_t> BlankFamilyDisk(bool mkdos, long long blocks) {
    std::vector<uint8_t> bytes(static_cast<size_t>(blocks * kBlock));
    PutWordAt(&bytes[0], 0240); // NOP, then HALT: a data disk that is booted stops
    PutWordAt(&bytes[kBlocksUsed], kFirstDataBlock);
    PutWordAt(&bytes[kFamilyWord], kFamilyMark);
    if (mkdos) {
        PutWordAt(&bytes[kMkDosWord], kMkDosMark);
        PutWordAt(&bytes[kMkDosFirstBlock], kFirstDataBlock);
    }
    PutWordAt(&bytes[kDiskBlocks], blocks);
    return bytes;
}

} // namespace

std::unique_ptr<CDiskEditor> EditMicroDos(std::vector<uint8_t> bytes,
                                          const FileSystemFormat& format) {
    return std::make_unique<CMicroDosEditor>(std::move(bytes), format);
}

std::vector<uint8_t> BlankMicroDos(long long blocks) {
    return BlankFamilyDisk(false, blocks);
}

std::vector<uint8_t> BlankMkDos(long long blocks) {
    return BlankFamilyDisk(true, blocks);
}
