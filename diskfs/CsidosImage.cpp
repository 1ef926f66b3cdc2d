#include "CsidosImage.h"

#include <functional>

namespace {

constexpr long long kBlockSize = 512;
constexpr int kFirstCatalogBlock = 2;
constexpr int kLastCatalogBlock = 9;
constexpr int kBlockHeader = 12;
constexpr int kEntrySize = 20;
constexpr int kEntriesPerBlock = 25;
constexpr int kRoot = 1;
constexpr int kLastDirectory = 200;
constexpr int kSignature = 0123123;
constexpr int kBadArea = 0311;
constexpr int kEmptyRecord = 0312;
constexpr int kHole = 0376;
constexpr int kDeleted = 0377;
constexpr int kLengthInBlocks = 0x80;

long long CatalogBlock(int block) {
    return block * kBlockSize;
}

long long EntryOffset(int block, int slot) {
    return CatalogBlock(block) + kBlockHeader + slot * kEntrySize;
}

int WordIn(std::span<const uint8_t> bytes, long long offset) {
    const auto at = static_cast<size_t>(offset);
    return at + 2 <= bytes.size() ? bytes[at] | bytes[at + 1] << 8 : -1;
}

// Byte 0 of each catalog record up to the end mark, block by block; the visitor is told
// the block and the record's offset, and stops the scan by returning false.
void ScanCatalog(std::span<const uint8_t> bytes,
                 const std::function<bool(int block, long long offset)>& visit) {
    for (int block = kFirstCatalogBlock; block <= kLastCatalogBlock; ++block) {
        for (int slot = 0; slot < kEntriesPerBlock; ++slot) {
            const long long at = EntryOffset(block, slot);
            if (at + kEntrySize > static_cast<long long>(bytes.size()) || bytes[at] == 0 ||
                !visit(block, at))
                return;
        }
    }
}

bool KnownStatus(int status) {
    return (status >= 1 && status <= kLastDirectory) || status == kBadArea ||
           status == kEmptyRecord || status == kHole || status == kDeleted;
}

} // namespace

bool CCsidosImage::Detect(std::span<const uint8_t> bytes) {
    if (static_cast<long long>(bytes.size()) < (kLastCatalogBlock + 1) * kBlockSize)
        return false;
    const long long header = CatalogBlock(kFirstCatalogBlock);
    const bool version3 = WordIn(bytes, header) == kFirstCatalogBlock &&
                          WordIn(bytes, header + 4) == kSignature &&
                          WordIn(bytes, header + 6) == kSignature;
    if (!version3 && WordIn(bytes, header + 8) != kSignature)
        return false;
    if (WordIn(bytes, header + 2) < kLastCatalogBlock + 1)
        return false;
    bool valid = true;
    ScanCatalog(bytes, [&](int block, long long at) {
        valid =
            KnownStatus(bytes[at]) && (!version3 || WordIn(bytes, CatalogBlock(block)) == block);
        return valid;
    });
    return valid;
}

CCsidosImage::CCsidosImage(std::span<const uint8_t> bytes) : CFileSystem(bytes, kRoot) {
    ScanCatalog(bytes, [&](int, long long at) {
        const int status = Byte(at);
        if ((status >= 1 && status <= kLastDirectory) || status == kDeleted)
            Add(EntryAt(at));
        return true;
    });
    Finish();
}

std::string CCsidosImage::GetFormatName() const {
    return "CSIDOS";
}

// Shown as name.ext, without a dot when the extension is blank.
DiskEntry CCsidosImage::EntryAt(long long at) const {
    DiskEntry entry;
    SetName(entry, at + 2, 11);
    const auto [name, extension] = SplitName(entry.name);
    entry.deleted = Byte(at) == kDeleted;
    entry.holdingDir = entry.deleted ? kRoot : Byte(at);
    if (Byte(at + 10) == 0 && Byte(at + 11) == 0 && Byte(at + 12) == 0) {
        entry.kind = DiskEntry::Kind::Directory;
        entry.ownDir = Byte(at + 13);
        entry.name = std::string(name);
        return entry;
    }
    // The system file's name field holds its own dot ("CSIDOS3." + "EXE").
    std::string shown(name);
    if (!extension.empty())
        shown.append(name.ends_with('.') ? "" : ".").append(extension);
    entry.name = std::move(shown);
    entry.start = static_cast<uint32_t>(Word(at + 14));
    entry.address = static_cast<uint16_t>(Word(at + 16));
    const auto length = static_cast<uint32_t>(Word(at + 18));
    entry.length = Byte(at + 13) & kLengthInBlocks ? length * kBlockSize : length;
    return entry;
}

ReadFault CCsidosImage::ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    return ReadBlocks(entry, data);
}
