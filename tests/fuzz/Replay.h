// Runs a fuzz target's body over every committed input of its folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

inline int ReplayInputs(const char* folder, void (*target)(const uint8_t*, size_t)) {
    int count = 0;
    const std::filesystem::path dir = std::filesystem::path(FUZZ_INPUTS) / folder;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (!entry.is_regular_file() || entry.path().filename().string().front() == '.')
            continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> input{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
        SCOPED_TRACE(entry.path().string());
        target(input.data(), input.size());
        ++count;
    }
    return count;
}
