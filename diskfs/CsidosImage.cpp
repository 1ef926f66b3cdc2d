#include "CsidosImage.h"

#include "CsidosLayout.h"
#include "DiskWords.h"
#include "FileSystemFormat.h"

#include <functional>

using namespace csidos;

namespace {

size_t CatalogBlock(int block) {
    return static_cast<size_t>(block * kBlock);
}

// Byte 0 of each catalog record up to the end mark, block by block; the visitor is told
// the block and the record's offset, and stops the scan by returning false.
void ScanCatalog(std::span<const uint8_t> bytes,
                 const std::function<bool(int block, long long offset)>& visit) {
    for (int block = kFirstCatalogBlock; block <= kLastCatalogBlock; ++block) {
        for (int slot = 0; slot < kPerBlock; ++slot) {
            const long long at = RecordOffset((block - kFirstCatalogBlock) * kPerBlock + slot);
            if (at + kRecordSize > static_cast<long long>(bytes.size()) || bytes[at] == 0 ||
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
    if (static_cast<long long>(bytes.size()) < (kLastCatalogBlock + 1) * kBlock)
        return false;
    const size_t header = CatalogBlock(kFirstCatalogBlock);
    const bool version3 = WordAt(bytes, header) == kFirstCatalogBlock &&
                          WordAt(bytes, header + 4) == kSignature &&
                          WordAt(bytes, header + 6) == kSignature;
    if (!version3 && WordAt(bytes, header + 8) != kSignature)
        return false;
    if (WordAt(bytes, header + 2) < kLastCatalogBlock + 1)
        return false;
    bool valid = true;
    ScanCatalog(bytes, [&](int block, long long at) {
        valid =
            KnownStatus(bytes[at]) && (!version3 || WordAt(bytes, CatalogBlock(block)) == block);
        return valid;
    });
    return valid;
}

CCsidosImage::CCsidosImage(std::span<const uint8_t> bytes, const FileSystemFormat& format)
    : CFileSystem(bytes, kRoot, format) {
    ScanCatalog(bytes, [&](int, long long at) {
        const int status = Byte(at);
        if ((status >= 1 && status <= kLastDirectory) || status == kDeleted)
            Add(EntryAt(at));
        return true;
    });
    Finish();
}

// Shown as name.ext, without a dot when the extension is blank.
DiskEntry CCsidosImage::EntryAt(long long at) const {
    DiskEntry entry;
    entry.record = static_cast<uint32_t>(at);
    SetName(entry, at + kName, kNameSize);
    const auto [name, extension] = SplitName(entry.name);
    entry.deleted = Byte(at) == kDeleted;
    entry.holdingDir = entry.deleted ? kRoot : Byte(at);
    const long long extensionAt = at + kName + 8;
    if (Byte(extensionAt) == 0 && Byte(extensionAt + 1) == 0 && Byte(extensionAt + 2) == 0) {
        entry.kind = DiskEntry::Kind::Directory;
        entry.ownDir = Byte(at + kOwnDir);
        entry.name = std::string(name);
        return entry;
    }
    // The system file's name field holds its own dot ("CSIDOS3." + "EXE").
    std::string shown(name);
    if (!extension.empty())
        shown.append(name.ends_with('.') ? "" : ".").append(extension);
    entry.name = std::move(shown);
    entry.start = static_cast<uint32_t>(Word(at + kStart));
    entry.address = static_cast<uint16_t>(Word(at + kAddress));
    const auto length = static_cast<uint32_t>(Word(at + kLength));
    entry.length = Byte(at + kOwnDir) & kLengthInBlocks ? length * kBlock : length;
    return entry;
}

ReadFault CCsidosImage::ReadData(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    return ReadBlocks(entry, data);
}
