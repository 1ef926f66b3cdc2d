// The explorer's engine on the largest catalogs, each next to a baseline of the same run:
// copying the image's bytes once (memory), or writing them as one file (export).
#include "CatalogView.h"
#include "Export.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>

using namespace testimg;

namespace {

constexpr int kImageSize = 819200;

// Every catalog slot filled: ANDOS's 112 entries, or a MicroDOS catalog that runs through
// the whole image (the format has no bound but its end marker).
Bytes FullCatalog(ImageFormat format) {
    if (format == FormatAndos) {
        AndosBuilder b(kImageSize);
        for (int i = 0; i < 112; ++i)
            b.File(0, "F" + std::to_string(i), "BIN", 01000, Filled(3000 + i));
        return b.Image();
    }
    const int entries = (kImageSize - 0x140) / 24 - 1;
    MicroDosBuilder b(format == FormatMkDos, kImageSize, 0);
    for (int i = 0; i < entries; ++i)
        b.Raw(0, 0, "F" + std::to_string(i), 0, 01000, 100);
    return b.Image();
}

// An MKDOS image filled with 4 KB files.
Bytes FullOfData() {
    MicroDosBuilder b(true, kImageSize, 40);
    for (int i = 0; (40 + 8 * (i + 1)) * 512 <= kImageSize; ++i)
        b.File(0, "F" + std::to_string(i), 01000, Filled(4096, static_cast<uint8_t>(i)));
    return b.Image();
}

void Baseline_CopyImage(benchmark::State& state) {
    const Bytes image(kImageSize, 0x55);
    Bytes copy(kImageSize);
    for (auto _ : state) {
        std::memcpy(copy.data(), image.data(), image.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}

void FillListRows(benchmark::State& state) {
    auto image = CreateDiskImage("b.img", FullCatalog(static_cast<ImageFormat>(state.range(0))));
    const CatalogListing listing(*image);
    for (auto _ : state)
        benchmark::DoNotOptimize(listing.Rows(1));
    state.counters["rows"] = static_cast<double>(listing.Rows(1).size());
}

// One tick of the enable rules with one row selected: a walk to the last row.
void SelectedRowIsFileWalk(benchmark::State& state) {
    auto image = CreateDiskImage("b.img", FullCatalog(static_cast<ImageFormat>(state.range(0))));
    const CatalogListing listing(*image);
    const Selection last = {static_cast<int>(listing.Entries().size()) - 1};
    for (auto _ : state)
        benchmark::DoNotOptimize(ComputeToolbarState(&listing, last));
}

void Baseline_WriteImageFile(benchmark::State& state) {
    TempDir dir;
    const Bytes image = FullOfData();
    for (auto _ : state) {
        std::ofstream out(dir.Path() / "image.bin", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(image.data()),
                  static_cast<std::streamsize>(image.size()));
    }
}

void ExportWholeImage(benchmark::State& state) {
    TempDir dir;
    auto image = CreateDiskImage("b.img", FullOfData());
    const CatalogListing listing(*image);
    Selection all;
    for (size_t row = 0; row < listing.Entries().size(); ++row)
        all.push_back(static_cast<int>(row));
    ExportOptions replace;
    replace.existing = ExistingFile::Replace; // as the baseline overwrites its copy
    for (auto _ : state)
        benchmark::DoNotOptimize(ExportSelection(&listing, all, dir.Path(), replace));
    state.counters["files"] = static_cast<double>(all.size());
}

} // namespace

BENCHMARK(Baseline_CopyImage)->Unit(benchmark::kMicrosecond);
BENCHMARK(FillListRows)
    ->Arg(FormatMicroDos)
    ->Arg(FormatMkDos)
    ->Arg(FormatAndos)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(SelectedRowIsFileWalk)
    ->Arg(FormatMicroDos)
    ->Arg(FormatMkDos)
    ->Arg(FormatAndos)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(Baseline_WriteImageFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(ExportWholeImage)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
