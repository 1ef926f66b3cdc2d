// What Ravelko keeps between runs: its window's size, the list's column widths (in pixels of
// a 96-dpi screen), the check box 'Add ".bin" extension'.
#pragma once

#include <array>
#include <cstddef>

struct ExplorerSettings {
    static constexpr size_t kColumns = 4;
    std::array<long, kColumns> columnWidths{}; // 0: the start width
    long width = 0;                            // the window's client size; 0: the start size
    long height = 0;
    bool addBinExtension = true;
    bool operator==(const ExplorerSettings&) const = default;
};

// Values read back from storage, each kept only when the window can use it.
ExplorerSettings CheckedSettings(const ExplorerSettings& stored);
