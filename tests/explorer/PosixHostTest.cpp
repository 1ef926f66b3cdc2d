// What only a POSIX host has: iconv's view of Windows-1251, the private temporary
// folder, symbolic links in the way of an export, and a write cut short by a file size
// limit.
#include "Export.h"
#include "Named.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "RavelkoStrings.h"
#include "ExportTree.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <cstdlib>

using namespace ravelko;

using namespace testimg;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

std::string IconvCp1251ToUtf8(char c) {
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    char out[8] = {};
    char* inp = &c;
    char* outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const bool ok = iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok ? std::string(out) : std::string();
}

} // namespace

TEST(HostNames, MatchIconv) {
    for (int c = 0x80; c < 256; ++c) {
        if (c == 0x98) // unassigned in Windows-1251
            continue;
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(c))),
                  IconvCp1251ToUtf8(static_cast<char>(c)))
            << c;
    }
}

namespace {

ExportOptions Replacing() {
    ExportOptions options;
    options.existing = ExistingFile::Replace;
    return options;
}

// The id of a process that has ended.
pid_t GoneProcess() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

} // namespace

// A write cut short (a full disk) leaves the file it would have replaced as it was, and
// no partial file; the export ends there, saying why and how much was not written.
TEST(Export, FailedWriteKeepsThePreviousFile) {
    auto image = ExportTree();
    TempDir dir;
    const Bytes previous = Filled(20, 7);
    dir.Write("GAME.bin", previous);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 50; // GAME.bin needs 68 bytes
    setrlimit(RLIMIT_FSIZE, &small);
    const auto result = ExportNamed(*image, {"ZERO", "GAME", "TEXT.TXT"}, dir.Path(), Replacing());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(*result.error, "Writing " + (dir.Path() / "GAME.bin").string() +
                                 " failed: File too large. Entries not written: 3.");
    EXPECT_TRUE(result.written.empty()); // GAME comes first in the catalog
    EXPECT_EQ(ReadAll(dir.Path() / "GAME.bin"), previous);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

// Only regular files are replaced: a symbolic link (to a file or a folder) is not followed,
// a FIFO (which would block) or a device (which would swallow the data) is skipped with
// its reason; a hard link in the way is replaced, never written through to the file it
// shares.
TEST(Export, OnlyRegularFilesAreReplaced) {
    auto image = ExportTree();
    TempDir dir, elsewhere;
    ASSERT_EQ(mkfifo((dir.Path() / "GAME.bin").c_str(), 0600), 0);
    fs::create_symlink(elsewhere.Path() / "victim", dir.Path() / "ZERO.bin");
    fs::create_directory_symlink(elsewhere.Path(), dir.Path() / "D.1");
    const Bytes outside = Filled(3, 9);
    fs::create_hard_link(elsewhere.Write("keep", outside), dir.Path() / "TEXT.TXT");
    std::vector<std::string> selection = {"GAME", "TEXT.TXT", "ZERO", "D.1"};
    std::set<StringId> reasons = {IDS_SKIP_NOT_REGULAR, IDS_SKIP_LINK};
    if (mknod((dir.Path() / "A").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) { // root only
        selection.push_back("A");
        reasons.insert(IDS_SKIP_NOT_CREATED);
    }
    const auto result = ExportNamed(*image, selection, dir.Path(), Replacing());
    EXPECT_FALSE(result.error);
    EXPECT_EQ(result.written, std::vector<fs::path>{dir.Path() / "TEXT.TXT"});
    EXPECT_EQ(ReadAll(dir.Path() / "TEXT.TXT").size(), 13u);
    EXPECT_EQ(ListTree(elsewhere.Path()), std::vector<std::string>{"keep"});
    EXPECT_EQ(ReadAll(elsewhere.Path() / "keep"), outside);
    std::set<StringId> skipped;
    for (const auto& skip : result.skipped)
        skipped.insert(skip.reason);
    EXPECT_EQ(skipped, reasons);
    EXPECT_GE(result.skipped.size(), 3u);
}

// Each folder is held open while its contents are written: a folder swapped for a link
// half-way (here between two entries) cannot send a write elsewhere.
TEST(Export, ASwappedFolderCannotRedirectTheWrites) {
    auto image = ExportTree();
    TempDir dir, elsewhere;
    ExportOptions options;
    options.progress = [&](size_t done, size_t) {
        if (done == 1) { // A was made, nothing in it written yet
            fs::rename(dir.Path() / "A", dir.Path() / "moved");
            fs::create_directory_symlink(elsewhere.Path(), dir.Path() / "A");
        }
        return true;
    };
    const auto result = ExportNamed(*image, {"A"}, dir.Path(), options);
    EXPECT_FALSE(result.error);
    EXPECT_EQ(ListTree(elsewhere.Path()), Strings{});
    EXPECT_EQ(ListTree(dir.Path() / "moved"), (Strings{"B/", "B/G.bin", "F.bin"}));
}

// The folder is made with its parents; part files that a killed run left in a folder
// written to are removed (only ours, only when their process is gone), and the export
// leaves none of its own.
TEST(Export, MakesItsFolderAndTidiesPartFiles) {
    auto image = ExportTree();
    TempDir dir;
    const fs::path folder = dir.Path() / "new" / "deeper";
    const std::string gone = std::to_string(GoneProcess());
    const std::string alive = std::to_string(getppid());
    fs::create_directories(folder / "A");
    for (const std::string& name :
         {".bk-tools-" + gone + "-3.part", ".ravelko-" + gone + "-0.part",
          ".bk-tools-" + alive + "-1.part", "x.bk-tools-" + gone + "-1.part"})
        dir.Write("new/deeper/A/" + name, Filled(1));
    const auto result = ExportNamed(*image, {"GAME", "A"}, folder, {});
    EXPECT_FALSE(result.error);
    EXPECT_EQ(ListTree(folder),
              (Strings{"A/", "A/.bk-tools-" + alive + "-1.part", "A/B/", "A/B/G.bin", "A/F.bin",
                       "A/x.bk-tools-" + gone + "-1.part", "GAME.bin"}));
}

// An export that cannot fit writes nothing: 600 entries of 64 KB sharing one block need
// 39 MB, far more than a 1 MB file system has (a fresh tmpfs, where this user may mount one).
TEST(Export, NothingIsWrittenWhenTheFilesCannotFit) {
    MicroDosBuilder b(true);
    for (int i = 0; i < 600; ++i)
        b.Raw(0, 0, "F" + std::to_string(i), 100, 01000, 0xFFFF);
    auto image = CreateDiskImage("t.img", b.Image());
    TempDir dir;
    if (std::system(
            ("mount -t tmpfs -o size=1m bktest " + dir.Path().string() + " 2>/dev/null").c_str()) !=
        0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const auto result = ExportEntries(*image, {{image->Root(), std::nullopt}}, dir.Path(), {});
    std::system(("umount " + dir.Path().string()).c_str());
    ASSERT_TRUE(result.error);
    EXPECT_EQ(
        result.error->find("Not enough free space in " + dir.Path().string() + ": the files need "),
        0u);
    EXPECT_EQ(result.filesWritten, 0u);
}

TEST(TempFolder, PrivateToTheUser) {
    TempDir base;
    ScopedEnv scoped(kTempVariable, base.Path().string());
    const auto folder = GetTempFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(folder->parent_path(), base.Path());
    struct stat info {};
    ASSERT_EQ(stat(folder->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(GetTempFolder(), folder); // reused as it is

    chmod(folder->c_str(), 0755); // open to others: refused
    EXPECT_FALSE(GetTempFolder());
    fs::remove(*folder);
    fs::create_directory_symlink(base.Path(), *folder); // a link in its place: refused
    EXPECT_FALSE(GetTempFolder());
}
