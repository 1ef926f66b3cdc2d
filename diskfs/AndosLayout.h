// Where ANDOS keeps what it keeps: FAT12 on 512-byte sectors with 2048-byte clusters, two
// copies of the table, and every directory's 32-byte entries in the one root area, each
// naming the directory that holds it and a directory its own number. The one description
// that the reader, the editor and detection work from.
#pragma once

#include <cstddef>
#include <cstdint>

namespace andos {

constexpr long long kSector = 512;
constexpr long long kCluster = 2048; // cluster N is at (N + 1) x kCluster
constexpr size_t kLabel = 4;         // "ANDOS  " in the boot sector
constexpr long long kFirstFat = 0x200;
constexpr long long kSecondFat = 0x600; // the copy that is read
constexpr long long kFatSize = 0x400;
constexpr long long kFirstEntry = 0xA00;
constexpr int kEntries = 112;
constexpr long long kEntrySize = 32;
constexpr long long kDataStart = 0x1800; // the end of the entries
constexpr int kFirstCluster = 2;
constexpr int kEndOfChain = 0xFFF;
constexpr int kLastInChain = 0xFF8; // and above: the chain ends

// An entry: the name's 8 + 3 bytes, then these.
constexpr int kNameSize = 11;
constexpr int kAttributes = 11;
constexpr int kOwnDir = 20;
constexpr int kHoldingDir = 21;
constexpr int kAddress = 22;
constexpr int kStart = 26;  // first cluster
constexpr int kLength = 28; // 32 bits
constexpr uint8_t kDeleted = 0xE5;
constexpr uint8_t kDirectoryAttribute = 0x08;
constexpr uint8_t kHiddenBit = 0x02;

} // namespace andos
