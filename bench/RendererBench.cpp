// Composing a full 1920 x 1080 window, next to copying the same number of bytes.
#include "Renderer.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

size_t PictureWords() {
    return static_cast<size_t>(StrideWords(kWidth)) * kHeight;
}

std::vector<uint8_t> Memory() {
    std::vector<uint8_t> ram(0x10000);
    for (size_t i = 0; i < ram.size(); ++i)
        ram[i] = static_cast<uint8_t>(i * 131 + (i >> 7));
    return ram;
}

void Baseline_Memcpy(benchmark::State& state) {
    const std::vector<PixelWord> source(PictureWords(), 0x1234);
    std::vector<PixelWord> target(PictureWords());
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size() * sizeof(PixelWord));
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * source.size() * 2));
}

void ComposeWindow(benchmark::State& state) {
    const auto ram = Memory();
    const CPixelTables tables;
    std::vector<PixelWord> pixels(PictureWords());
    const int scale = static_cast<int>(state.range(0));
    const PictureGeometry geometry{kWidth, kHeight, scale, state.range(1) != 0,
                                   kWidth / (8 * scale)};
    for (auto _ : state) {
        ComposePicture(ram.data(), 0x4000, geometry, tables, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * pixels.size() * 2));
}

} // namespace

BENCHMARK(Baseline_Memcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(ComposeWindow)
    ->ArgNames({"scale", "color"})
    ->ArgsProduct({{1, 2, 4, 32}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
