// Changes to ANDOS disks: FAT12 with two copies of the table, 2048-byte clusters, and
// every directory's entries in the one root area, each naming the directory that holds it
// (byte 21) and a directory its own number (byte 20). Only the layout of the real disks
// (and of the blank ones made here) is changed: its boot sector says so.
#include "AndosLayout.h"
#include "Cp1251.h"
#include "DiskEditor.h"
#include "DiskWords.h"
#include "AndosImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>

namespace {

using namespace andos;

// The boot sector's description of the one layout written here (offsets 0x0B..0x17).
constexpr std::array<uint8_t, 13> kLayout = {0x00, 0x02, 0x04, 0x01, 0x00, 0x02, 0x70,
                                             0x00, 0x40, 0x06, 0xF9, 0x02, 0x00};
constexpr long long kLayoutOffset = 0x0B;
constexpr long long kTotalSectors = 0x13;
constexpr long long kMetadataSectors = kDataStart / kSector;

bool FitsFatName(char c) {
    return std::strchr("\"*+,./:;<=>?[\\]|", c) == nullptr;
}

class CAndosEditor : public CDiskEditor {
public:
    CAndosEditor(std::vector<uint8_t> bytes, const FileSystemFormat& format)
        : CDiskEditor(std::move(bytes), format) {}

    // A file's length is 32 bits wide here: only the free clusters bound it.
    std::optional<long long> LongestFile() const override { return std::nullopt; }

protected:
    void FindLayoutFaults(std::vector<LayoutFault>& faults) const override {
        if (static_cast<long long>(Bytes().size()) < kDataStart + kCluster ||
            !std::equal(kLayout.begin(), kLayout.end(), Bytes().begin() + kLayoutOffset))
            return faults.push_back({LayoutFault::Kind::Unknown});
        if (!std::equal(Bytes().begin() + kFirstFat, Bytes().begin() + kFirstFat + kFatSize,
                        Bytes().begin() + kSecondFat))
            faults.push_back({LayoutFault::Kind::FatCopiesDiffer});
        FindChainFaults(faults);
    }

    // Each live file's chain: inside the disk, through clusters in use, to its end, and
    // through clusters no other file's chain takes.
    void FindChainFaults(std::vector<LayoutFault>& faults) const {
        using Kind = LayoutFault::Kind;
        const auto& entries = Disk().Entries();
        std::vector<int> owner(static_cast<size_t>(LastCluster()) + 1, -1);
        std::map<std::pair<int, int>, std::pair<int, int>> shared; // owners -> clusters
        for (const DiskEntry& entry : entries) {
            if (entry.deleted || entry.kind != DiskEntry::Kind::File || entry.start == 0)
                continue;
            for (int c = static_cast<int>(entry.start);;) {
                if (c < kFirstCluster || c > LastCluster() || Fat(c) == 0) {
                    faults.push_back({Kind::ChainBroken, entry.name});
                    break;
                }
                int& taken = owner[static_cast<size_t>(c)];
                if (taken == entry.index) {
                    faults.push_back({Kind::ChainLoops, entry.name});
                    break;
                }
                if (taken >= 0) {
                    auto [range, first] = shared.try_emplace({taken, entry.index}, c, c);
                    range->second.first = std::min(range->second.first, c);
                    range->second.second = std::max(range->second.second, c);
                }
                taken = entry.index;
                if (Fat(c) >= kLastInChain)
                    break;
                c = Fat(c);
            }
        }
        for (const auto& [owners, clusters] : shared)
            faults.push_back({Kind::ChainsShare, entries[static_cast<size_t>(owners.first)].name,
                              entries[static_cast<size_t>(owners.second)].name, clusters.first,
                              clusters.second});
    }

    // Letters are stored upper-case, as every FAT system stores its names.
    EditError StoredName(std::string_view cp1251, bool directory,
                         std::string& stored) const override {
        const std::string folded = FoldName(cp1251);
        const size_t dot = directory ? std::string::npos : folded.rfind('.');
        const std::string name = folded.substr(0, dot);
        const std::string extension = dot == std::string::npos ? "" : folded.substr(dot + 1);
        if (name.empty())
            return folded.empty() ? EditError::NameEmpty : EditError::NameBadCharacter;
        std::string koi8Name, koi8Extension;
        if (!ConvertCp1251ToKoi8(name, koi8Name) ||
            !ConvertCp1251ToKoi8(extension, koi8Extension) ||
            !std::all_of(name.begin(), name.end(), FitsFatName) ||
            !std::all_of(extension.begin(), extension.end(), FitsFatName) ||
            static_cast<uint8_t>(koi8Name[0]) == kDeleted)
            return EditError::NameBadCharacter;
        if (directory ? name.size() > 11 : name.size() > 8 || extension.size() > 3)
            return EditError::NameTooLong;
        if (directory) {
            stored = koi8Name;
        } else {
            stored = koi8Name + std::string(8 - koi8Name.size(), ' ') + koi8Extension;
        }
        stored.resize(11, ' ');
        return EditError::None;
    }

    std::string ShownName(std::string_view stored, bool directory) const override {
        std::string decoded(stored);
        ConvertKoi8ToCp1251(reinterpret_cast<uint8_t*>(decoded.data()),
                            static_cast<int>(decoded.size()));
        std::string name = decoded.substr(0, 8);
        std::string extension = decoded.substr(8);
        name.erase(name.find_last_not_of(' ') + 1);
        extension.erase(extension.find_last_not_of(' ') + 1);
        return directory || extension.empty() ? name + extension : name + "." + extension;
    }

    EditError PutFile(int dir, const std::string& stored, uint16_t address,
                      std::span<const uint8_t> data) override {
        const auto slot = FreeSlot();
        if (!slot)
            return EditError::CatalogFull;
        const long long needed = (static_cast<long long>(data.size()) + kCluster - 1) / kCluster;
        std::vector<int> clusters;
        for (int c = kFirstCluster; c <= LastCluster() && std::ssize(clusters) < needed; ++c) {
            if (Fat(c) == 0)
                clusters.push_back(c);
        }
        if (std::ssize(clusters) < needed)
            return EditError::DiskFull;
        for (size_t i = 0; i < clusters.size(); ++i) {
            SetFat(clusters[i], i + 1 < clusters.size() ? clusters[i + 1] : kEndOfChain);
            const auto from = data.begin() + static_cast<long>(i) * kCluster;
            const auto to =
                data.begin() + std::min<long long>(std::ssize(data), (i + 1LL) * kCluster);
            const auto out =
                Writable(static_cast<size_t>((clusters[i] + 1LL) * kCluster), kCluster);
            std::fill(std::copy(from, to, out.begin()), out.end(), 0);
        }
        uint8_t* entry = Slot(*slot);
        std::copy(stored.begin(), stored.end(), entry);
        entry[kHoldingDir] = static_cast<uint8_t>(dir);
        PutWordAt(entry + kAddress, address);
        PutWordAt(entry + kStart, clusters.empty() ? 0 : clusters.front());
        PutWordAt(entry + kLength, static_cast<long long>(data.size()));
        PutWordAt(entry + kLength + 2, static_cast<long long>(data.size()) >> 16);
        return EditError::None;
    }

    EditError PutDirectory(int dir, const std::string& stored, int number) override {
        const auto slot = FreeSlot();
        if (!slot)
            return EditError::CatalogFull;
        uint8_t* entry = Slot(*slot);
        std::copy(stored.begin(), stored.end(), entry);
        entry[kAttributes] = kDirectoryAttribute;
        entry[kOwnDir] = static_cast<uint8_t>(number);
        entry[kHoldingDir] = static_cast<uint8_t>(dir);
        return EditError::None;
    }

    // The entry is marked deleted and its clusters freed, no more of them than its length
    // needs: a damaged chain never frees another file's clusters past that.
    void Erase(const DiskEntry& entry) override {
        RecordOf(entry)[0] = kDeleted;
        if (entry.IsDirectory())
            return;
        long long left = (entry.length + kCluster - 1) / kCluster;
        for (int c = static_cast<int>(entry.start);
             left > 0 && c >= kFirstCluster && c <= LastCluster() && Fat(c) != 0; --left) {
            const int next = Fat(c);
            SetFat(c, 0);
            c = next;
        }
    }

    void PutName(const DiskEntry& entry, const std::string& stored) override {
        std::copy(stored.begin(), stored.end(), RecordOf(entry));
    }

    void PutHolder(const DiskEntry& entry, int dir) override {
        RecordOf(entry)[kHoldingDir] = static_cast<uint8_t>(dir);
    }

    long long FreeUnits() const override {
        if (!LayoutFaults().empty())
            return 0;
        long long free = 0;
        for (int c = kFirstCluster; c <= LastCluster(); ++c)
            free += Fat(c) == 0;
        return free;
    }

    long long UnitSize() const override { return kCluster; }
    int LastDirectoryNumber() const override { return 255; }

private:
    const uint8_t* SlotAt(long long index) const {
        return &Bytes()[kFirstEntry + index * kEntrySize];
    }
    uint8_t* Slot(long long index) {
        return Writable(kFirstEntry + index * kEntrySize, kEntrySize).data();
    }
    uint8_t* RecordOf(const DiskEntry& entry) { return Writable(entry.record, kEntrySize).data(); }

    // A deleted entry's slot, or the end's; a slot past the end is made the new end.
    std::optional<int> FreeSlot() {
        for (int i = 0; i < kEntries; ++i) {
            const uint8_t* slot = SlotAt(i);
            const bool end = slot[0] == 0 && WordOf(slot + kStart) == 0;
            if (slot[0] != kDeleted && !end)
                continue;
            std::fill_n(Slot(i), kEntrySize, 0);
            if (end && i + 1 < kEntries)
                std::fill_n(Slot(i + 1), kEntrySize, 0);
            return i;
        }
        return std::nullopt;
    }

    // The last cluster the table and the image both hold.
    int LastCluster() const {
        const long long sectors = WordOf(&Bytes()[kTotalSectors]);
        const long long byLayout = 1 + (sectors - kMetadataSectors) * kSector / kCluster;
        const long long byImage = static_cast<long long>(Bytes().size()) / kCluster - 2;
        const long long byTable = kFatSize * 2 / 3 - 1;
        return static_cast<int>(std::min({byLayout, byImage, byTable}));
    }

    int Fat(int cluster) const {
        const uint8_t* at = &Bytes()[kSecondFat + cluster * 3LL / 2];
        return cluster % 2 ? WordOf(at) >> 4 : WordOf(at) & 0xFFF;
    }

    void SetFat(int cluster, int value) {
        for (const long long table : {kFirstFat, kSecondFat}) {
            uint8_t* at = Writable(static_cast<size_t>(table + cluster * 3LL / 2), 2).data();
            const int word = WordOf(at);
            PutWordAt(at, cluster % 2 ? (word & 0x000F) | value << 4 : (word & 0xF000) | value);
        }
    }
};

} // namespace

std::unique_ptr<CDiskEditor> EditAndos(std::vector<uint8_t> bytes, const FileSystemFormat& format) {
    return std::make_unique<CAndosEditor>(std::move(bytes), format);
}

// Its layout is the 800 KB floppy's whatever the disk's size.
std::vector<uint8_t> BlankAndos(long long blocks) {
    std::vector<uint8_t> bytes(static_cast<size_t>(blocks * kSector));
    constexpr uint8_t start[] = {0xA0, 0x00, 0x1E, 0x01, 'A', 'N', 'D', 'O', 'S', ' ', ' ', 0};
    std::copy(std::begin(start), std::end(start), bytes.begin());
    std::copy(kLayout.begin(), kLayout.end(), bytes.begin() + kLayoutOffset);
    PutWordAt(&bytes[0x18], 10);                                   // sectors per track
    PutWordAt(&bytes[0x1A], 2);                                    // heads
    constexpr char extended[] = "\x29\0\0\0\0NO NAME    FAT12   "; // signature, serial, label
    std::copy(std::begin(extended), std::end(extended) - 1, bytes.begin() + 0x26);
    for (const long long table : {kFirstFat, kSecondFat}) {
        bytes[table] = 0xF9; // the medium, then the reserved end of chain
        bytes[table + 1] = bytes[table + 2] = 0xFF;
    }
    return bytes;
}
