// What the formats' editors share: the words of the disks' tables, and where a new file
// goes on a disk whose files are contiguous runs of blocks.
#pragma once

#include "DiskEditor.h"

#include <cstdint>
#include <optional>

// A new disk's size in 512-byte blocks (800 KB), and the longest file a 16-bit length
// field holds.
constexpr long long kBlankBlocks = 1600;
constexpr long long kMaxLength = 0xFFFF;

inline int WordOf(const uint8_t* at) {
    return at[0] | at[1] << 8;
}

inline void PutWordAt(uint8_t* at, long long word) {
    at[0] = static_cast<uint8_t>(word);
    at[1] = static_cast<uint8_t>(word >> 8);
}

// A catalog record (or slot) for the new file and its first block; or why there is none.
struct Placement {
    long long record = -1;
    long long start = 0;
    std::optional<EditError> error;
    explicit operator bool() const { return !error; }
};
