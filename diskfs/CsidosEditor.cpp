// Changes to CSIDOS disks. Their catalog, read from the real disks and the system's manual:
// - records of 20 bytes, 25 after each catalog block's 12-byte header in blocks 2..9 (200
//   at most), up to one whose byte 0 is 0; a block holds records only when its header
//   starts with its own number (self-booting disks keep code in the blocks after the end);
// - live files, deleted files (0o377) and holes (0o376: start and length in blocks, byte
//   13 = 0x80, the name zeroed) tile blocks 10 .. disk size - 1 without gap or overlap;
// - a removed directory's record is kept as 0o312, "a record without information".
// A new file takes a hole it fits, else a deleted file's blocks (that file is then gone),
// as the system reuses them; what it leaves becomes a hole of its own. A deleted file
// keeps its blocks and its name until then. Files are named in lower case, directories in
// upper case, as the system names them.
#include "Cp1251.h"
#include "DiskEditor.h"
#include "DiskWords.h"
#include "CsidosLayout.h"
#include "CsidosImage.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <utility>

namespace {

using namespace csidos;

using Record = std::array<uint8_t, kRecordSize>;
constexpr int kExtension = kName + 8;

bool IsLive(const Record& r) {
    return r[0] >= kRoot && r[0] <= kLastDirectory;
}
bool IsDirectory(const Record& r) {
    return r[kExtension] == 0 && r[kExtension + 1] == 0 && r[kExtension + 2] == 0;
}
// A record that owns blocks: a file, live or deleted, a hole or a bad area.
bool OwnsBlocks(const Record& r) {
    return (IsLive(r) && !IsDirectory(r)) || r[0] == kDeleted || r[0] == kHole || r[0] == kBadArea;
}
long long Start(const Record& r) {
    return WordOf(&r[kStart]);
}
long long Blocks(const Record& r) {
    const long long length = WordOf(&r[kLength]);
    return r[kOwnDir] & kLengthInBlocks ? length : (length + kBlock - 1) / kBlock;
}

Record Hole(long long start, long long blocks) {
    Record hole{};
    hole[0] = kHole;
    hole[kOwnDir] = kLengthInBlocks;
    PutWordAt(&hole[kStart], start);
    PutWordAt(&hole[kLength], blocks);
    return hole;
}

class CCsidosEditor : public CDiskEditor {
public:
    CCsidosEditor(std::vector<uint8_t> bytes, const FileSystemFormat& format)
        : CDiskEditor(std::move(bytes), format) {}

protected:
    // Only a catalog whose records tile the disk is changed: the allocation relies on it;
    // and one whose directories read one way only, numbered as the system numbers them.
    void FindLayoutFaults(std::vector<LayoutFault>& faults) const override {
        using Kind = LayoutFault::Kind;
        if (static_cast<long long>(Bytes().size()) < (kLastCatalogBlock + 1) * kBlock)
            return faults.push_back({Kind::Unknown});
        const auto records = ReadRecords();
        if (!records)
            return faults.push_back({Kind::Unknown});
        std::array<bool, 256> numbered{};
        for (const Record& r : *records) {
            if (!IsLive(r) || !IsDirectory(r))
                continue;
            const std::string name =
                ShownName(std::string(r.begin() + kName, r.begin() + kName + kNameSize), true);
            const int number = r[kOwnDir];
            if (Start(r) != 0 || WordOf(&r[kLength]) != 0)
                faults.push_back({Kind::NeitherFileNorDirectory, name});
            else if (number <= kRoot || number > kLastDirectory)
                faults.push_back({Kind::DirectoryNumber, name, {}, number});
            else if (std::exchange(numbered[static_cast<size_t>(number)], true))
                faults.push_back({Kind::DirectoryNumberTwice, name, {}, number});
        }
        if (!Tiles(*records))
            faults.push_back({Kind::Tiling});
    }

    EditError StoredName(std::string_view cp1251, bool directory,
                         std::string& stored) const override {
        std::string cased(cp1251);
        for (char& c : cased) {
            const auto upper = static_cast<uint8_t>(FoldCase(static_cast<uint8_t>(c)));
            c = static_cast<char>(directory ? upper : LowerOf(upper));
        }
        const size_t dot = directory ? std::string::npos : cased.rfind('.');
        const std::string name = cased.substr(0, dot);
        const std::string extension = dot == std::string::npos ? "" : cased.substr(dot + 1);
        if (name.empty())
            return cased.empty() ? EditError::NameEmpty : EditError::NameBadCharacter;
        std::string koi8Name, koi8Extension;
        if (!ConvertCp1251ToKoi8(name, koi8Name) ||
            !ConvertCp1251ToKoi8(extension, koi8Extension) || name.find('.') != std::string::npos)
            return EditError::NameBadCharacter;
        if (name.size() > 8 || extension.size() > 3)
            return EditError::NameTooLong;
        if (!directory && extension.empty())
            koi8Extension = " "; // a zero extension would make it a directory
        koi8Name.resize(8, ' ');
        koi8Extension.resize(3, directory ? '\0' : ' ');
        stored = koi8Name + koi8Extension;
        return EditError::None;
    }

    std::string ShownName(std::string_view stored, bool directory) const override {
        std::string decoded(stored);
        ConvertKoi8ToCp1251(reinterpret_cast<uint8_t*>(decoded.data()),
                            static_cast<int>(decoded.size()));
        std::string name = decoded.substr(0, 8), extension = decoded.substr(8);
        name.erase(name.find_last_not_of(' ') + 1);
        extension.erase(extension.find_last_not_of(' ') + 1);
        return directory || extension.empty() ? name : name + "." + extension;
    }

    EditError PutFile(int dir, const std::string& stored, uint16_t address,
                      std::span<const uint8_t> data) override {
        if (static_cast<long long>(data.size()) > kMaxLength)
            return EditError::FileTooLong;
        std::vector<Record> records = *ReadRecords();
        const long long blocks = (static_cast<long long>(data.size()) + kBlock - 1) / kBlock;
        const auto at = Place(records, blocks);
        if (!at)
            return *at.error;
        Record file{};
        file[0] = static_cast<uint8_t>(dir);
        std::copy(stored.begin(), stored.end(), file.begin() + kName);
        PutWordAt(&file[kStart], at.start);
        PutWordAt(&file[kAddress], address);
        PutWordAt(&file[kLength], static_cast<long long>(data.size()));
        records[static_cast<size_t>(at.record)] = file;
        const auto out =
            Writable(static_cast<size_t>(at.start * kBlock), static_cast<size_t>(blocks * kBlock));
        std::fill(std::copy(data.begin(), data.end(), out.begin()), out.end(), 0);
        WriteRecords(records);
        return EditError::None;
    }

    EditError PutDirectory(int dir, const std::string& stored, int number) override {
        std::vector<Record> records = *ReadRecords();
        const auto slot = FreeRecord(records);
        if (!slot)
            return EditError::CatalogFull;
        Record directory{};
        directory[0] = static_cast<uint8_t>(dir);
        std::copy(stored.begin(), stored.end(), directory.begin() + kName);
        directory[kOwnDir] = static_cast<uint8_t>(number);
        records[*slot] = directory;
        WriteRecords(records);
        return EditError::None;
    }

    // A file keeps its blocks and name as a deleted one; a directory's record is emptied.
    void Erase(const DiskEntry& entry) override {
        RecordOf(entry)[0] = entry.IsDirectory() ? kEmptyRecord : kDeleted;
    }

    void PutName(const DiskEntry& entry, const std::string& stored) override {
        std::copy(stored.begin(), stored.end(), RecordOf(entry) + kName);
    }

    void PutHolder(const DiskEntry& entry, int dir) override {
        RecordOf(entry)[0] = static_cast<uint8_t>(dir);
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
    int FirstDirectoryNumber() const override { return 2; }
    int LastDirectoryNumber() const override { return 200; }

private:
    static uint8_t LowerOf(uint8_t upper) {
        if (upper >= 'A' && upper <= 'Z')
            return static_cast<uint8_t>(upper + 0x20);
        if (upper >= 0xC0 && upper <= 0xDF)
            return static_cast<uint8_t>(upper + 0x20);
        return upper;
    }

    // The holes' and deleted files' runs of blocks: where a file may go.
    std::vector<long long> FreePieces() const {
        std::vector<long long> pieces;
        if (const auto records = ReadRecords()) {
            for (const Record& r : *records) {
                if (r[0] == kHole || r[0] == kDeleted)
                    pieces.push_back(Blocks(r));
            }
        }
        return pieces;
    }

    long long DiskBlocks() const {
        return std::min<long long>(WordOf(&Bytes()[kFirstCatalogBlock * kBlock + 2]),
                                   static_cast<long long>(Bytes().size()) / kBlock);
    }

    // A catalog block records may go into: one already holding them, or one whose header
    // is its own (a self-booting disk keeps code after the end).
    bool Usable(int block) const {
        const uint8_t* header = &Bytes()[static_cast<size_t>(block * kBlock)];
        return WordOf(header) == block &&
               (block == kFirstCatalogBlock ||
                std::all_of(header + 2, header + kBlockHeader, [](uint8_t b) { return b == 0; }));
    }

    // The records up to the end mark, or none when they run into a block not theirs (the
    // reader would take that block's bytes for records).
    std::optional<std::vector<Record>> ReadRecords() const {
        std::vector<Record> records;
        for (int i = 0; i < kMaxRecords; ++i) {
            if (i % kPerBlock == 0 && !Usable(kFirstCatalogBlock + i / kPerBlock))
                return std::nullopt;
            const auto at = Bytes().begin() + RecordOffset(i);
            if (*at == 0)
                break;
            Record record;
            std::copy(at, at + kRecordSize, record.begin());
            records.push_back(record);
        }
        return records;
    }

    bool Tiles(const std::vector<Record>& records) const {
        std::vector<std::pair<long long, long long>> runs;
        for (const Record& r : records) {
            if (OwnsBlocks(r) && Blocks(r) > 0) // an empty file owns no blocks
                runs.emplace_back(Start(r), Blocks(r));
        }
        std::sort(runs.begin(), runs.end());
        long long next = kFirstDataBlock;
        for (const auto& [start, blocks] : runs) {
            if (start != next)
                return false;
            next = start + blocks;
        }
        return next == DiskBlocks();
    }

    // How many records the catalog can hold: all 200, or while blocks after the usable ones
    // hold something else, one fewer than those blocks hold, to keep an end mark before them.
    size_t Limit() const {
        int capacity = 0;
        for (int block = kFirstCatalogBlock; block <= kLastCatalogBlock && Usable(block); ++block)
            capacity += kPerBlock;
        return static_cast<size_t>(capacity == kMaxRecords ? capacity : capacity - 1);
    }

    // An empty record, else one more at the end.
    std::optional<size_t> FreeRecord(std::vector<Record>& records) const {
        const auto empty = std::find_if(records.begin(), records.end(),
                                        [](const Record& r) { return r[0] == kEmptyRecord; });
        if (empty != records.end())
            return static_cast<size_t>(empty - records.begin());
        if (records.size() >= Limit())
            return std::nullopt;
        records.emplace_back();
        return records.size() - 1;
    }

    // The first hole the file fits, else the first deleted file: the file takes its record,
    // and what is left of its blocks becomes a hole in a record of its own.
    Placement Place(std::vector<Record>& records, long long blocks) const {
        bool roomSeen = false;
        for (const uint8_t kind : {kHole, kDeleted}) {
            for (size_t i = 0; i < records.size(); ++i) {
                const Record taken = records[i];
                if (taken[0] != kind || Blocks(taken) < std::max(blocks, 1LL))
                    continue;
                roomSeen = true;
                if (Blocks(taken) > blocks) {
                    const auto rest = FreeRecord(records);
                    if (!rest)
                        continue;
                    records[*rest] = Hole(Start(taken) + blocks, Blocks(taken) - blocks);
                }
                return {static_cast<long long>(i), Start(taken), std::nullopt};
            }
        }
        if (blocks == 0) { // an empty file owns no blocks: a record is all it needs
            if (const auto slot = FreeRecord(records))
                return {static_cast<long long>(*slot), 0, std::nullopt};
            roomSeen = true;
        }
        return {-1, 0, roomSeen ? EditError::CatalogFull : EditError::DiskFull};
    }

    uint8_t* RecordOf(const DiskEntry& entry) { return Writable(entry.record, kRecordSize).data(); }

    // Every record, then the end mark when there is room for it.
    void WriteRecords(const std::vector<Record>& records) {
        for (size_t i = 0; i <= records.size() && i < static_cast<size_t>(kMaxRecords); ++i) {
            const auto out =
                Writable(static_cast<size_t>(RecordOffset(static_cast<int>(i))), kRecordSize);
            if (i < records.size())
                std::copy(records[i].begin(), records[i].end(), out.begin());
            else
                out[0] = 0;
        }
    }
};

} // namespace

std::unique_ptr<CDiskEditor> EditCsidos(std::vector<uint8_t> bytes,
                                        const FileSystemFormat& format) {
    return std::make_unique<CCsidosEditor>(std::move(bytes), format);
}

// Block 0 halts a booted data disk; the catalog's header and one hole over every data block.
std::vector<uint8_t> BlankCsidos(long long blocks) {
    std::vector<uint8_t> bytes(static_cast<size_t>(blocks * kBlock));
    PutWordAt(&bytes[0], 0240);
    for (int block = kFirstCatalogBlock; block <= kLastCatalogBlock; ++block)
        PutWordAt(&bytes[static_cast<size_t>(block * kBlock)], block);
    uint8_t* header = &bytes[kFirstCatalogBlock * kBlock];
    PutWordAt(header + 2, blocks);
    PutWordAt(header + 4, kSignature);
    PutWordAt(header + 6, kSignature);
    PutWordAt(header + 8, kSignature);
    const Record hole = Hole(kFirstDataBlock, blocks - kFirstDataBlock);
    std::copy(hole.begin(), hole.end(), bytes.begin() + RecordOffset(0));
    return bytes;
}
