// The disks' 16-bit words, low byte first as the PDP-11 keeps them: every format reads and
// writes its tables through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline int WordOf(const uint8_t* at) {
    return at[0] | at[1] << 8;
}

inline void PutWordAt(uint8_t* at, long long word) {
    at[0] = static_cast<uint8_t>(word);
    at[1] = static_cast<uint8_t>(word >> 8);
}

// The word at `offset`, or -1 where the bytes end before it.
inline int WordAt(std::span<const uint8_t> bytes, size_t offset) {
    return offset + 2 <= bytes.size() ? WordOf(&bytes[offset]) : -1;
}
