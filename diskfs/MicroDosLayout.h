// Where MicroDOS and MKDOS keep what they keep, in the octal of their own documents: the
// one description that the reader, the editor and detection work from.
// Block 0 holds the marks and counts, the catalog's 24-byte entries follow from 0o500;
// blocks 0..19 are the header and catalog, files are runs of 512-byte blocks after them.
#pragma once

#include <cstdint>

namespace microdos {

constexpr long long kBlock = 512;
constexpr int kFirstEntry = 0500;
constexpr int kEntrySize = 24;
constexpr int kCatalogBlocks = 10; // some MicroDOS disks copy them into blocks 10..19
constexpr int kFirstDataBlock = 20;

// Words of block 0.
constexpr int kLiveCount = 030;  // live entries, directories included
constexpr int kBlocksUsed = 032; // the catalog's 20 blocks and the live files' blocks
constexpr int kFamilyWord = 0400;
constexpr int kMkDosWord = 0402;
constexpr int kDiskBlocks = 0466;
constexpr int kMkDosFirstBlock = 0470;
constexpr int kFamilyMark = 0123456;
constexpr int kMkDosMark = 051414;

// An entry: byte 0 a directory's own number (or the deleted mark), byte 1 the directory
// holding it, then the name; a MKDOS directory's name follows its mark in byte 2.
constexpr int kName = 2;
constexpr int kNameSize = 14;
constexpr int kMkDosDirectoryName = 3;
constexpr int kMkDosDirectoryNameSize = 13;
constexpr int kStart = 020;   // first block
constexpr int kBlocks = 022;  // blocks owned
constexpr int kAddress = 024; // load address
constexpr int kLength = 026;  // bytes
constexpr uint8_t kDeleted = 0377;
constexpr uint8_t kMkDosDirectoryMark = 0x7F;

} // namespace microdos
