// What some benchmarks need of the machine: FUSE for a mount, the real images beside the
// project. Without it a benchmark is skipped and says so ("skipped: ..."), which a check of
// every benchmark tells from a fault.
#pragma once

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

inline bool HasFuse() {
    return access("/dev/fuse", R_OK | W_OK) == 0 &&
           std::system("command -v fusermount3 >/dev/null 2>&1") == 0;
}

// False, with the benchmark skipped, when `present` is not.
inline bool Needs(benchmark::State& state, bool present, const char* what) {
    if (!present)
        state.SkipWithError((std::string("skipped: ") + what).c_str());
    return present;
}

inline bool NeedsFuse(benchmark::State& state) {
    return Needs(state, HasFuse(), "FUSE is not available here");
}

inline bool NeedsImage(benchmark::State& state, const std::filesystem::path& image) {
    return Needs(state, std::filesystem::exists(image), "the real images are not here");
}
