// bkdisk mount end to end: the shared real images and hostile ones mounted under a
// temporary folder, against bkdisk export of the same image. Skipped without FUSE.
#include "Command.h"
#include "FuseMount.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <algorithm>
#include <thread>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

// The mounted tree holds every folder and file export wrote, byte for byte; its other
// files (entries export skipped) answer EIO. Returns the files compared.
int CompareWithExport(const fs::path& image, bool bin) {
    TempDir dir;
    const fs::path mounted = dir.Path() / "mnt", exported = dir.Path() / "out";
    fs::create_directory(mounted);
    fs::create_directory(exported);
    RunCommand(std::string(BKDISK_PATH) + " export " + ShellQuote(image.string()) + " " +
               ShellQuote(exported.string()) + (bin ? "" : " --no-bin-ext") + " >/dev/null 2>&1");
    Mount mount(image, mounted, bin ? "--bin" : "", dir.Path() / "errors.txt");
    EXPECT_TRUE(mount.Mounted()) << image;
    if (!mount.Mounted())
        return 0;
    const std::vector<std::string> inMount = ListTree(mounted), inExport = ListTree(exported);
    EXPECT_TRUE(std::includes(inMount.begin(), inMount.end(), inExport.begin(), inExport.end()));
    int compared = 0;
    for (const auto& path : inMount) {
        if (path.back() == '/')
            continue;
        if (!std::binary_search(inExport.begin(), inExport.end(), path)) { // unreadable
            errno = 0;
            EXPECT_LT(open((mounted / path).c_str(), O_RDONLY), 0) << path;
            EXPECT_EQ(errno, EIO) << path;
            continue;
        }
        Bytes expected = ReadAll(exported / path);
        expected.erase(expected.begin(), expected.begin() + (bin ? 0 : 4));
        EXPECT_EQ(ReadAll(mounted / path), expected) << path;
        ++compared;
    }
    return compared;
}

} // namespace

TEST(Mount, EveryImageReadsAsItsExport) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    MicroDosBuilder b(true);
    for (const char* name : {"A/B", "A\\B", "TAB\tX", "DUP", "dup", "DUP", ".."})
        b.File(0, name, 01000, Filled(7));
    b.Dir(1, 0, "..");
    b.File(1, "IN", 0, Filled(3));
    b.Raw(0, 0, "PAST", 5000, 0, 10); // data past the image's end
    const fs::path hostile = dir.Write("hostile.img", b.Image());
    for (const bool bin : {true, false})
        EXPECT_EQ(CompareWithExport(hostile, bin), 8) << bin;
    // A hard disk: one folder a logical disk; the one of no known format stays empty.
    const fs::path hardDisk = dir.Write("hd.hdi", HardDiskOf({b.Image(), Bytes(4096), b.Image()}));
    EXPECT_EQ(CompareWithExport(hardDisk, true), 16);

    const fs::path images = BK_SHARED_IMAGES;
    if (!fs::exists(images))
        GTEST_SKIP() << "no real images";
    for (const char* name :
         {"mk_dos.img", "AODOS210.bkd", "ALEXSOFT.IMG", "GAMES.BKD", "CSIMIR.bkd"})
        EXPECT_GT(CompareWithExport(dir.WritableCopy(images / name), true), 50) << name;
}

// Attributes, the read-only refusals, the message for an unreadable entry, an image that
// may only be read, and mount points that would hide files or stack on a mount.
TEST(Mount, AttributesRefusalsAndMessages) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    AndosBuilder b;
    b.File(0, "LIVE", "", 01000, Filled(10));
    const int gone = b.File(0, "\xC5GONE", "", 0700, Filled(30)); // deleted, its chain reused
    b.SetFat(b.Image()[gone + 26], 0xFF8);
    const fs::path mounted = dir.Path() / "mnt";
    fs::create_directory(mounted);
    const std::string image = dir.Write("andos.bkd", b.Image());
    fs::permissions(image, fs::perms::owner_read);
    Mount mount(image, mounted, "", dir.Path() / "errors.txt");
    ASSERT_TRUE(mount.Mounted());
    fs::create_directories(dir.Path() / "full" / "file");
    const std::pair<fs::path, std::string> refused[] = {
        {image, "Not a directory"},
        {dir.Path() / "full", "Directory not empty"},
        {mounted, "something is mounted there already"}};
    for (const auto& [point, says] : refused) {
        const CommandOutput run =
            RunCommand(std::string(BKDISK_PATH) + " mount " + ShellQuote(image) + " " +
                       ShellQuote(point.string()) + " 2>&1");
        EXPECT_EQ(run.status, 1) << point;
        EXPECT_EQ(run.out, "bkdisk: cannot mount on " + point.string() + ": " + says + "\n");
    }
    char value[16] = {};
    ASSERT_EQ(getxattr((mounted / "LIVE").c_str(), "user.bk.address", value, sizeof value), 4);
    EXPECT_EQ(std::string(value, 4), "1000");
    ASSERT_EQ(getxattr((mounted / "LIVE").c_str(), "user.bk.length", value, sizeof value), 2);
    EXPECT_EQ(std::string(value, 2), "12");
    EXPECT_LT(getxattr((mounted / "LIVE").c_str(), "user.bk.deleted", value, sizeof value), 0);
    const fs::path deleted = mounted / "_GONE"; // its lost first letter
    EXPECT_EQ(getxattr(deleted.c_str(), "user.bk.deleted", value, sizeof value), 1);
    EXPECT_EQ(fs::file_size(deleted), 30u);
    errno = 0;
    EXPECT_LT(open(deleted.c_str(), O_RDONLY), 0);
    EXPECT_EQ(errno, EIO);
    errno = 0;
    EXPECT_LT(open((mounted / "LIVE").c_str(), O_WRONLY), 0);
    EXPECT_EQ(errno, EROFS);
    errno = 0;
    EXPECT_NE(mkdir((mounted / "NEW").c_str(), 0755), 0);
    EXPECT_EQ(errno, EROFS);
    const Bytes errors = ReadAll(dir.Path() / "errors.txt");
    EXPECT_NE(std::string(errors.begin(), errors.end()).find("bkdisk: ?GONE: deleted entry"),
              std::string::npos);
}
