// What only a POSIX host has: iconv's view of Windows-1251, the private temporary
// folder, symbolic links in the way of an export, and a write cut short by a file size
// limit.
#include "Export.h"
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

#include <csignal>
#include <set>
#include <cstdlib>

using namespace ravelko;

using namespace testimg;
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

// A write cut short (a full disk) leaves the file it would have replaced as it was, and
// no partial file; the export ends there.
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
    const auto result =
        ExportSelection(image.get(), {"ZERO", "GAME", "TEXT.TXT"}, dir.Path(), true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(result.error);
    EXPECT_NE(result.error->find("GAME.bin"), std::string::npos);
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
    Selection selection = {"GAME", "TEXT.TXT", "ZERO", "D.1"};
    std::set<StringId> reasons = {IDS_SKIP_NOT_REGULAR, IDS_SKIP_LINK};
    if (mknod((dir.Path() / "A").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0) { // root only
        selection.push_back({"A"});
        reasons.insert(IDS_SKIP_NOT_CREATED);
    }
    const auto result = ExportSelection(image.get(), selection, dir.Path(), true);
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
