// bkdisk on the largest catalogs an 800 KB image can hold, each next to a baseline of the
// same run on the same entries: `cp -r` of the exported tree, and a plain `ls` of it; a
// real CSIDOS floppy likewise, and `ls -R` of a real hard disk against its ten logical
// disks as floppy files.
// Then the mount (Linux, FUSE): `cp -r` out of the mount of a real image against
// `bkdisk export` of it, and `ls -lR` of the mounted largest catalog against
// `bkdisk ls -R`; each iteration on a fresh mount, mounting untimed. A hundred files put
// onto a blank disk by bkdisk add, by mcopy and by cp into a writable mount.
#include "HardDisk.h"
#include "HostFiles.h"
#include "ImageBuilders.h"
#include "Prerequisites.h"
#include "TempDir.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <string>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

constexpr int kImageSize = 819200;
constexpr int kEntries = (kImageSize - 0x140) / 24 - 1; // 34,119: the catalog fills the image

// Every slot a 100-byte file of the root (they share their data block), or a directory
// whose number (1 to 255) repeats every 255 entries.
Bytes FullCatalog(bool directories) {
    MicroDosBuilder b(true, kImageSize, 0);
    for (int i = 0; i < kEntries; ++i) {
        if (directories)
            b.Dir(i % 255 + 1, 0, "D" + std::to_string(i));
        else
            b.Raw(0, 0, "F" + std::to_string(i), 1, 01000, 100);
    }
    return b.Image();
}

// False, with the benchmark stopped, when the command failed: the loop must end there, as
// a stopped benchmark's timing may not be touched again. `partly`: exit status 1 (some
// entries skipped, as a real disk's deleted files whose blocks others have taken) counts
// as done.
bool Run(benchmark::State& state, const std::string& command, bool partly = false) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    if (status == 0 || (partly && WIFEXITED(status) && WEXITSTATUS(status) == 1))
        return true;
    state.SkipWithError(("failed: " + command).c_str());
    return false;
}

std::string Quote(const fs::path& path) {
    return "'" + path.string() + "'";
}

// A temporary folder with the image and the tree bkdisk exported from it.
struct Workspace {
    explicit Workspace(bool directories) {
        Export(dir.Write("full.img", FullCatalog(directories)));
    }
    explicit Workspace(const fs::path& real) { Export(dir.WritableCopy(real).string()); }
    void Export(std::string path) {
        image = std::move(path);
        tree = dir.Path() / "tree";
        fs::create_directory(tree);
        std::system((std::string(BKDISK_PATH) + " export " + Quote(image) + " " + Quote(tree) +
                     " >/dev/null")
                        .c_str());
    }
    TempDir dir;
    std::string image;
    fs::path tree;
};

// Each iteration writes into a fresh folder; removing the last one is not timed.
void Copy(benchmark::State& state, bool bkdisk, const Workspace& files) {
    const fs::path dest = files.dir.Path() / "dest";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dest);
        fs::create_directory(dest);
        state.ResumeTiming();
        if (!Run(state, bkdisk ? std::string(BKDISK_PATH) + " export " + Quote(files.image) + " " +
                                     Quote(dest)
                               : "cp -r " + Quote(files.tree) + "/. " + Quote(dest)))
            break;
    }
}

void Copy(benchmark::State& state, bool bkdisk) {
    Copy(state, bkdisk, Workspace(false));
    state.counters["files"] = kEntries;
}

void Baseline_CpExportedTree(benchmark::State& state) {
    Copy(state, false);
}
void BkDiskExport(benchmark::State& state) {
    Copy(state, true);
}

void List(benchmark::State& state, bool bkdisk) {
    Workspace directories(true);
    for (auto _ : state) {
        if (!Run(state, bkdisk ? std::string(BKDISK_PATH) + " ls -R " + Quote(directories.image)
                               : "ls " + Quote(directories.tree)))
            break;
    }
    state.counters["directories"] = kEntries;
}

void Baseline_LsExportedTree(benchmark::State& state) {
    List(state, false);
}
void BkDiskLsRecursive(benchmark::State& state) {
    List(state, true);
}

// A mount of the image by bkdisk in the background, ended with the object.
class MountedImage {
public:
    MountedImage(const std::string& image, const fs::path& folder,
                 const std::string& options = "--bin")
        : m_folder(folder) {
        fs::create_directories(folder);
        std::system((std::string(BKDISK_PATH) + " mount " + Quote(image) + " " + Quote(folder) +
                     " " + options)
                        .c_str());
    }
    ~MountedImage() { std::system(("fusermount3 -u " + Quote(m_folder)).c_str()); }

private:
    fs::path m_folder;
};

// A real 800 KB image copied out into a fresh folder each iteration, by bkdisk export or
// by cp -r from a fresh mount.
void CopyRealImage(benchmark::State& state, bool fromMount) {
    const fs::path real = fs::path(BK_SHARED_IMAGES) / "mk_dos.img";
    if (!NeedsImage(state, real) || (fromMount && !NeedsFuse(state)))
        return;
    TempDir dir;
    const std::string image = dir.WritableCopy(real).string();
    const fs::path dest = dir.Path() / "dest", mounted = dir.Path() / "mnt";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(dest);
        fs::create_directory(dest);
        std::optional<MountedImage> mount;
        if (fromMount)
            mount.emplace(image, mounted);
        state.ResumeTiming();
        if (!Run(state,
                 fromMount
                     ? "cp -r " + Quote(mounted) + "/. " + Quote(dest)
                     : std::string(BKDISK_PATH) + " export " + Quote(image) + " " + Quote(dest),
                 true))
            break;
        state.PauseTiming();
        mount.reset();
        state.ResumeTiming();
    }
}

void Baseline_BkDiskExportRealImage(benchmark::State& state) {
    CopyRealImage(state, false);
}
void CpOutOfTheMount(benchmark::State& state) {
    CopyRealImage(state, true);
}

void Baseline_BkDiskLsRecursiveFiles(benchmark::State& state) {
    Workspace files(false);
    for (auto _ : state) {
        if (!Run(state, std::string(BKDISK_PATH) + " ls -R " + Quote(files.image)))
            break;
    }
    state.counters["files"] = kEntries;
}

// `ls -l` does far more per entry than bkdisk (a stat, sorting, owners): the same command
// on the exported tree on disk shows what the mount itself adds.
void Baseline_LsLongRecursiveOfTheExportedTree(benchmark::State& state) {
    Workspace files(false);
    for (auto _ : state) {
        if (!Run(state, "ls -lR " + Quote(files.tree)))
            break;
    }
    state.counters["files"] = kEntries;
}

void LsLongRecursiveOfTheMount(benchmark::State& state) {
    if (!NeedsFuse(state))
        return;
    Workspace files(false);
    for (auto _ : state) {
        state.PauseTiming();
        {
            MountedImage mount(files.image, files.dir.Path() / "mnt");
            state.ResumeTiming();
            if (!Run(state, "ls -lR " + Quote(files.dir.Path() / "mnt")))
                return;
            state.PauseTiming();
        }
        state.ResumeTiming();
    }
    state.counters["files"] = kEntries;
}

// The CSIDOS floppy with the most entries (166 files and directories).
void CopyCsidos(benchmark::State& state, bool bkdisk) {
    const fs::path real = fs::path(BK_SHARED_IMAGES) / "CSIMIR.bkd";
    if (NeedsImage(state, real))
        Copy(state, bkdisk, Workspace(real));
}

void Baseline_CpExportedCsidosTree(benchmark::State& state) {
    CopyCsidos(state, false);
}
void BkDiskExportCsidos(benchmark::State& state) {
    CopyCsidos(state, true);
}

// mb20.hdi unpacked, and its ten logical disks written out as floppy files.
struct HardDiskWorkspace {
    HardDiskWorkspace() {
        hdi = dir.Path() / "mb20.hdi";
        const fs::path packed = fs::path(BK_SHARED_IMAGES) / "mb20.hdi.xz";
        if (std::system(("xz -dc " + Quote(packed) + " > " + Quote(hdi)).c_str()) != 0)
            return;
        std::ifstream file(hdi, std::ios::binary);
        const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(file), {});
        const auto layout = ReadHardDiskLayout(bytes);
        if (!layout)
            return;
        for (const auto& disk : layout->disks) {
            std::vector<uint8_t> floppy(bytes.begin() + disk.offset,
                                        bytes.begin() + disk.offset + disk.size);
            InvertBytes(floppy);
            floppies += " " + Quote(dir.Write("disk" + std::to_string(count++) + ".img", floppy));
        }
    }
    TempDir dir;
    fs::path hdi;
    std::string floppies; // quoted, each after a space
    int count = 0;
};

void ListHardDisk(benchmark::State& state, bool whole) {
    if (!NeedsImage(state, fs::path(BK_SHARED_IMAGES) / "mb20.hdi.xz"))
        return;
    HardDiskWorkspace disks;
    if (disks.count == 0)
        state.SkipWithError("mb20.hdi.xz could not be unpacked");
    const std::string command =
        whole ? std::string(BKDISK_PATH) + " ls -R " + Quote(disks.hdi)
              : "for f in" + disks.floppies + "; do " + BKDISK_PATH + " ls -R \"$f\"; done";
    for (auto _ : state) {
        if (!Run(state, command))
            break;
    }
    state.counters["disks"] = disks.count;
}

void Baseline_BkDiskLsRecursiveOfTheExtractedDisks(benchmark::State& state) {
    ListHardDisk(state, false);
}
void BkDiskLsRecursiveOfTheHardDisk(benchmark::State& state) {
    ListHardDisk(state, true);
}

// Putting files onto disks: a hundred small files into a blank ANDOS disk in one call,
// by bkdisk and by mcopy, each time into a fresh copy of the blank disk (copied untimed).
struct AddWorkspace {
    AddWorkspace() {
        std::system((std::string(BKDISK_PATH) + " format --andos " + Quote(blank)).c_str());
        for (int i = 0; i < 100; ++i)
            files +=
                " " + Quote(dir.Write("F" + std::to_string(i) + ".DAT", Filled(i * 97 % 4000)));
    }
    TempDir dir;
    fs::path blank = dir.Path() / "blank.bkd", image = dir.Path() / "image.bkd";
    std::string files;
};

void AddHundredFiles(benchmark::State& state, bool bkdisk) {
    AddWorkspace work;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(work.blank, work.image, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (!Run(state,
                 bkdisk ? std::string(BKDISK_PATH) + " add " + Quote(work.image) + work.files
                        : "MTOOLS_SKIP_CHECK=1 mcopy -i " + Quote(work.image) + work.files + " ::"))
            break;
    }
}

void Baseline_McopyHundredFilesIntoBlankAndos(benchmark::State& state) {
    AddHundredFiles(state, false);
}

// What bkdisk does beyond mcopy's work: the image written whole as a new file, flushed,
// renamed over the old one and the folder flushed, so that a crash keeps one image or
// the other. mcopy writes in place, unflushed.
void Baseline_McopyHundredFilesThenReplaceTheImageDurably(benchmark::State& state) {
    AddWorkspace work;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(work.blank, work.image, fs::copy_options::overwrite_existing);
        state.ResumeTiming();
        if (!Run(state, "MTOOLS_SKIP_CHECK=1 mcopy -i " + Quote(work.image) + work.files + " ::"))
            break;
        const auto bytes = ReadAll(work.image);
        if (hostfiles::SaveFile(work.image, {std::span(bytes)}).outcome !=
            hostfiles::Outcome::Written)
            state.SkipWithError("the image was not replaced");
    }
}
void BkDiskAddHundredFilesIntoBlankAndos(benchmark::State& state) {
    AddHundredFiles(state, true);
}

// The same hundred files copied by cp into a writable mount of the blank disk (mounted and
// unmounted untimed), until the image holds them (an fsync of the folder writes what
// waits): the changes of the burst written together, or with --sync one at each close.
void CpHundredFilesIntoAWritableMount(benchmark::State& state, const std::string& options) {
    if (!NeedsFuse(state))
        return;
    AddWorkspace work;
    const fs::path folder = work.dir.Path() / "mnt";
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(work.blank, work.image, fs::copy_options::overwrite_existing);
        std::optional<MountedImage> mount;
        mount.emplace(work.image.string(), folder, "--write " + options);
        state.ResumeTiming();
        const bool copied = Run(state, "cp" + work.files + " " + Quote(folder));
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        const bool written = fsync(fd) == 0;
        close(fd);
        state.PauseTiming();
        mount.reset();
        state.ResumeTiming();
        if (!copied)
            break;
        if (!written)
            state.SkipWithError("the mount did not write the image");
    }
}

void CpHundredFilesIntoAWritableMount(benchmark::State& state) {
    CpHundredFilesIntoAWritableMount(state, "");
}
void CpHundredFilesIntoASyncMount(benchmark::State& state) {
    CpHundredFilesIntoAWritableMount(state, "--sync");
}

// A copy as an image at rest is: on the disk, so that a flush in the timed part writes only
// what the command changed (a fresh 20 MB copy would be flushed whole with it).
void CopyAtRest(const fs::path& from, const fs::path& to) {
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    const int fd = open(to.c_str(), O_RDONLY);
    fsync(fd);
    close(fd);
}

// A hundred files into logical disk 5 of mb20.hdi (an empty ANDOS disk), against the same
// add into that disk written out as a floppy: each time into a fresh copy (copied untimed).
void AddIntoLogicalDisk(benchmark::State& state, bool hardDisk) {
    if (!NeedsImage(state, fs::path(BK_SHARED_IMAGES) / "mb20.hdi.xz"))
        return;
    HardDiskWorkspace disks;
    AddWorkspace work;
    if (disks.count == 0)
        state.SkipWithError("mb20.hdi.xz could not be unpacked");
    const fs::path original = hardDisk ? disks.hdi : disks.dir.Path() / "disk5.img";
    const fs::path image = disks.dir.Path() / "changed.img";
    const std::string command = std::string(BKDISK_PATH) + " add " + Quote(image) +
                                (hardDisk ? " --to 5" : "") + work.files;
    for (auto _ : state) {
        state.PauseTiming();
        CopyAtRest(original, image);
        state.ResumeTiming();
        if (!Run(state, command))
            break;
    }
}

void Baseline_BkDiskAddHundredFilesIntoTheExtractedDisk(benchmark::State& state) {
    AddIntoLogicalDisk(state, false);
}
void BkDiskAddHundredFilesIntoALogicalDisk(benchmark::State& state) {
    AddIntoLogicalDisk(state, true);
}

// One small file into a real disk whose clusters are all but one taken (GAMES.BKD), which
// rewrites the image once, against copying the image file.
void AddIntoFullImage(benchmark::State& state, bool bkdisk) {
    const fs::path real = fs::path(BK_SHARED_IMAGES) / "GAMES.BKD";
    if (!NeedsImage(state, real))
        return;
    AddWorkspace work;
    const std::string file = Quote(work.dir.Write("NEW.DAT", Filled(1000)));
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(work.image);
        if (bkdisk) {
            fs::copy_file(real, work.image);
            fs::permissions(work.image, fs::perms::owner_write, fs::perm_options::add);
        }
        state.ResumeTiming();
        if (!Run(state, bkdisk ? std::string(BKDISK_PATH) + " add " + Quote(work.image) + " " + file
                               : "cp " + Quote(real) + " " + Quote(work.image)))
            break;
    }
}

void Baseline_CopyFullRealImage(benchmark::State& state) {
    AddIntoFullImage(state, false);
}
void BkDiskAddIntoFullRealImage(benchmark::State& state) {
    AddIntoFullImage(state, true);
}

} // namespace

BENCHMARK(Baseline_BkDiskExportRealImage)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(CpOutOfTheMount)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(Baseline_BkDiskLsRecursiveFiles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(Baseline_LsLongRecursiveOfTheExportedTree)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(LsLongRecursiveOfTheMount)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(Baseline_CpExportedTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BkDiskExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(Baseline_LsExportedTree)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BkDiskLsRecursive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(Baseline_CpExportedCsidosTree)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(BkDiskExportCsidos)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(Baseline_BkDiskLsRecursiveOfTheExtractedDisks)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(BkDiskLsRecursiveOfTheHardDisk)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(Baseline_McopyHundredFilesIntoBlankAndos)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(Baseline_McopyHundredFilesThenReplaceTheImageDurably)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(BkDiskAddHundredFilesIntoBlankAndos)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(CpHundredFilesIntoAWritableMount)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(CpHundredFilesIntoASyncMount)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK(Baseline_BkDiskAddHundredFilesIntoTheExtractedDisk)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(BkDiskAddHundredFilesIntoALogicalDisk)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(Baseline_CopyFullRealImage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BkDiskAddIntoFullRealImage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK_MAIN();
