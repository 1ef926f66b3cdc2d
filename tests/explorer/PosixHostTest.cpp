// What only a POSIX host has: iconv's view of Windows-1251, the private temporary
// folder, symbolic links in the way of an export, and a write cut short by a file size
// limit.
#include "Export.h"
#include "HostNames.h"
#include "HostPlatform.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>

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

// Points TMPDIR at a folder of the test's own while it lives.
class ScopedTmpDir {
public:
    explicit ScopedTmpDir(const fs::path& path) {
        const char* old = std::getenv("TMPDIR");
        m_old = old ? old : "";
        m_had = old != nullptr;
        setenv("TMPDIR", path.c_str(), 1);
    }
    ~ScopedTmpDir() { m_had ? setenv("TMPDIR", m_old.c_str(), 1) : unsetenv("TMPDIR"); }

private:
    std::string m_old;
    bool m_had;
};

// GAME (0o100 bytes), TEXT.TXT, ZERO (empty) and the folder A.
std::unique_ptr<CDiskImage> Tree() {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(0100));
    b.File(0, "TEXT.TXT", 01000, Filled(9));
    b.File(0, "ZERO", 01000, {});
    b.Dir(1, 0, "A");
    return CreateDiskImage("t.img", b.Image());
}

} // namespace

TEST(HostNames, MatchIconv) {
    for (int c = 0x80; c < 256; ++c) {
        if (c == 0x98) // unassigned in Windows-1251
            continue;
        EXPECT_EQ(Cp1251ToUtf8(std::string(1, static_cast<char>(c))), IconvCp1251ToUtf8(static_cast<char>(c))) << c;
    }
}

TEST(Export, SymbolicLinksInTheWayAreNotFollowed) {
    auto image = Tree();
    TempDir dir, elsewhere;
    fs::create_directory_symlink(elsewhere.Path(), dir.Path() / "A");
    fs::create_symlink(elsewhere.Path() / "victim", dir.Path() / "GAME.bin");
    const auto result = ExportSelection(image.get(), {"A", "GAME"}, dir.Path(), true);
    EXPECT_TRUE(fs::is_empty(elsewhere.Path()));
    EXPECT_EQ(result.written.size(), 0u);
}

TEST(Export, FailedWriteEndsTheOperationAndKeepsWhatWasWritten) {
    auto image = Tree();
    TempDir dir;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 50; // GAME.bin needs 68 bytes
    setrlimit(RLIMIT_FSIZE, &small);
    const auto result = ExportSelection(image.get(), {"ZERO", "GAME", "TEXT.TXT"}, dir.Path(), true);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(result.error);
    EXPECT_NE(result.error->find("GAME.bin"), std::string::npos);
    EXPECT_EQ(result.written, (std::vector<fs::path>{dir.Path() / "ZERO.bin"}));
    EXPECT_FALSE(fs::exists(dir.Path() / "TEXT.TXT"));
}

TEST(TempFolder, PrivateToTheUser) {
    TempDir base;
    ScopedTmpDir scoped(base.Path());
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
