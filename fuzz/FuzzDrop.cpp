#include "FuzzTargets.h"

#include "DropFiles.h"

#include <string>
#include <vector>

void FuzzDropBlocks(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> block(data, data + size);
    const auto first = ReadFirstDropPath(block);
    const auto all = ReadDropPaths(block);
    FUZZ_CHECK(first.has_value() == !all.empty());
    ToUriList(all);

    // The input as a path list, built into a block and read back.
    std::vector<std::string> paths;
    std::string current;
    for (uint8_t c : block) {
        if (c == '\n') {
            paths.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(c);
        }
    }
    paths.push_back(current);
    const auto built = BuildDropBlock(paths);
    FUZZ_CHECK(built.size() == paths.size() * kDropPathSlot + kDropHeaderSize + 1);
    std::vector<std::string> expected;
    for (const auto& path : paths) {
        if (!path.empty() && path.size() < kDropPathSlot && path.find('\0') == std::string::npos)
            expected.push_back(path);
    }
    FUZZ_CHECK(ReadDropPaths(built) == expected);
}
