// Where CSIDOS keeps what it keeps: a catalog of 20-byte records in blocks 2..9, 25 after
// each block's 12-byte header, up to a record whose byte 0 is 0; files are runs of
// 512-byte blocks from block 10. The one description that the reader, the editor and
// detection work from.
#pragma once

#include <cstdint>

namespace csidos {

constexpr long long kBlock = 512;
constexpr int kFirstCatalogBlock = 2;
constexpr int kLastCatalogBlock = 9;
constexpr long long kBlockHeader = 12; // its own number, the disk's size in blocks, marks
constexpr long long kRecordSize = 20;
constexpr int kPerBlock = 25;
constexpr int kMaxRecords = (kLastCatalogBlock - kFirstCatalogBlock + 1) * kPerBlock;
constexpr int kFirstDataBlock = 10;
constexpr int kSignature = 0123123;

// Byte 0 of a record: the directory holding it (1, the root, to 200), or one of these.
constexpr int kRoot = 1;
constexpr int kLastDirectory = 200;
constexpr uint8_t kBadArea = 0311;
constexpr uint8_t kEmptyRecord = 0312; // "a record without information"
constexpr uint8_t kHole = 0376;
constexpr uint8_t kDeleted = 0377;

// A record's fields after byte 0: the 8 + 3 name (a directory's extension is zero), then
// a directory's own number or a file's flags, its first block, load address and length.
constexpr int kName = 2;
constexpr int kNameSize = 11;
constexpr int kOwnDir = 13;
constexpr uint8_t kLengthInBlocks = 0x80; // in byte 13
constexpr int kStart = 14;
constexpr int kAddress = 16;
constexpr int kLength = 18;

// Record `index` of the catalog, counted from the first.
constexpr long long RecordOffset(int index) {
    return (kFirstCatalogBlock + index / kPerBlock) * kBlock + kBlockHeader +
           index % kPerBlock * kRecordSize;
}

} // namespace csidos
