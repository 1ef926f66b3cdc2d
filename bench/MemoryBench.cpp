// Peak memory of bkdisk on the largest catalogs: `export`, `ls -R` and a mount listed
// with `ls -lR`, on an image of 100,000 entries (2.4 MB) and on the largest image bkdisk
// accepts (32 MB + 64 KB, 1,400,817 entries). Each is reported as peak_mb, next to the
// image's own size and to `cat` of the same image, measured in the same run. Every entry
// is a 100-byte file of the root sharing one data block, the worst case for names kept
// per folder. Exporting the largest image writes 1.4 million files: give it disk space
// and a few minutes.
#include "ImageBuilders.h"
#include "Prerequisites.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

constexpr int kMaxImageSize = 0x10000 * 512 + 0x10000;
constexpr long kFuseMagic = 0x65735546;

fs::path BuildImage(const TempDir& dir, int entries) {
    const int size = entries < 0 ? kMaxImageSize : 0x140 + 24 * (entries + 1) + 512;
    const int count = entries < 0 ? (size - 0x140) / 24 - 1 : entries;
    MicroDosBuilder b(true, size, 0);
    for (int i = 0; i < count; ++i)
        b.Raw(0, 0, "F" + std::to_string(i), 1, 01000, 100);
    // The header's 16-bit count of live entries cannot hold them: 0 lets the catalog run
    // to its end mark, where a wrapped count would end it early.
    PutWord(b.Image(), 030, 0);
    return dir.Write("catalog.img", b.Image());
}

pid_t Start(const std::string& command) {
    const pid_t child = fork();
    if (child == 0) {
        execl("/bin/sh", "sh", "-c", ("exec " + command + " >/dev/null").c_str(), nullptr);
        _exit(127);
    }
    return child;
}

// The child's peak resident size in MB once it has ended; -1 when it failed.
double PeakMegabytes(pid_t child) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    return usage.ru_maxrss / 1024.0;
}

bool Mounted(const fs::path& folder) {
    struct statfs info {};
    return statfs(folder.c_str(), &info) == 0 && info.f_type == kFuseMagic;
}

// The mount's peak after a full `ls -lR` of it.
double MountPeak(const fs::path& image, const fs::path& folder) {
    fs::create_directories(folder);
    const pid_t mount = Start(std::string(BKDISK_PATH) + " mount '" + image.string() + "' '" +
                              folder.string() + "' --foreground");
    for (int i = 0; i < 3000 && !Mounted(folder); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool listed = std::system(("ls -lR '" + folder.string() + "' >/dev/null").c_str()) == 0;
    std::system(("fusermount3 -u '" + folder.string() + "'").c_str());
    const double peak = PeakMegabytes(mount);
    return listed ? peak : -1;
}

enum Command { Cat, Export, List, Mount };

void Peak(benchmark::State& state) {
    if (state.range(0) == Mount && !NeedsFuse(state))
        return;
    TempDir dir;
    const fs::path image = BuildImage(dir, static_cast<int>(state.range(1)));
    double peak = 0;
    for (auto _ : state) {
        const std::string bkdisk = std::string(BKDISK_PATH) + " ";
        const std::string quoted = "'" + image.string() + "'";
        switch (state.range(0)) {
        case Cat:
            peak = PeakMegabytes(Start("cat " + quoted));
            break;
        case Export:
            peak = PeakMegabytes(
                Start(bkdisk + "export " + quoted + " '" + (dir.Path() / "out").string() + "'"));
            break;
        case List:
            peak = PeakMegabytes(Start(bkdisk + "ls -R " + quoted));
            break;
        default:
            peak = MountPeak(image, dir.Path() / "mnt");
        }
    }
    if (peak < 0)
        state.SkipWithError("the command failed (no FUSE for the mount?)");
    state.counters["peak_mb"] = peak;
    state.counters["image_mb"] = static_cast<double>(fs::file_size(image)) / (1024 * 1024);
}

} // namespace

// Baseline first: cat of the same image.
BENCHMARK(Peak)
    ->ArgNames({"command", "entries"})
    ->ArgsProduct({{Cat, Export, List, Mount}, {100000, -1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_MAIN();
