// bkdisk mount --write end to end: host tools write through the mount, and the tests' own
// readers (and fsck.fat for ANDOS) read the image afterwards. Skipped without FUSE.
#include "Command.h"
#include "Formats.h"
#include "FuseMount.h"
#include "ImageBuilders.h"
#include "OwnReaders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <fstream>
#include <map>

using namespace testimg;

namespace {

std::string Bkdisk(const std::string& arguments) {
    return std::string(BKDISK_PATH) + " " + arguments;
}

void WriteHostFile(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// The errno of a file written through the mount: 0 when every step succeeded.
int WriteThrough(const fs::path& path, const Bytes& bytes, int flags = O_CREAT | O_TRUNC) {
    const int fd = open(path.c_str(), O_WRONLY | flags, 0644);
    if (fd < 0)
        return errno;
    const bool written =
        write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    const int error = written ? 0 : errno;
    return close(fd) != 0 ? errno : error;
}

// The changes that wait written to the image now (fsync of the mount's folder).
void Settle(const fs::path& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    fsync(fd);
    close(fd);
}

// A writable mount of `image` in `dir`, its messages in dir/errors.txt.
struct WritableMount {
    WritableMount(const TempDir& dir, const fs::path& image, const std::string& options = "")
        : folder(dir.Path() / "mnt"), errors(dir.Path() / "errors.txt"),
          mount((fs::create_directories(folder), image), folder, "--write " + options, errors) {}
    std::string Errors() const {
        const Bytes text = ReadAll(errors);
        return {text.begin(), text.end()};
    }
    fs::path folder, errors;
    Mount mount;
};

} // namespace

// Every writable format: cp -r and rsync put a tree on a blank disk, then mv, rm, mkdir and
// rmdir change it; the image then holds exactly that and breaks no rule of its format.
TEST(MountWrite, HostToolsChangeEveryFormatAsAsked) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    const bool rsync = RunCommand("command -v rsync >/dev/null").status == 0;
    for (const FileSystemFormat* format : WritableFormats()) {
        SCOPED_TRACE(format->name);
        TempDir dir;
        const fs::path image = dir.Write("disk.img", BlankDisk(format->id));
        // Names as the format keeps them (CSIDOS: a file's in small letters); the own readers
        // give them in capitals.
        const auto n = [&](const std::string& path) {
            std::string kept = path;
            if (format->id == FormatCsidos)
                std::transform(kept.begin() + static_cast<long>(kept.rfind('/') + 1), kept.end(),
                               kept.begin() + static_cast<long>(kept.rfind('/') + 1),
                               [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            return kept;
        };
        std::map<std::string, Bytes> expected;
        const auto host = [&](const std::string& path, int size) {
            WriteHostFile(dir.Path() / "src" / n(path), Filled(size, static_cast<uint8_t>(size)));
            expected[path] = Filled(size, static_cast<uint8_t>(size));
        };
        host("ONE.DAT", 1000);
        host("EMPTY.TXT", 0);
        host("GAMES/TWO.DAT", 5000);
        host("GAMES/DEEP/SIX.DAT", 600);
        WriteHostFile(dir.Path() / "more" / n("SEVEN.DAT"), Filled(700, 7));
        {
            WritableMount mounted(dir, image);
            ASSERT_TRUE(mounted.mount.Mounted());
            const fs::path mnt = mounted.folder;
            ASSERT_EQ(RunCommand("cp -r " + ShellQuote((dir.Path() / "src").string()) + "/. " +
                                 ShellQuote(mnt.string()))
                          .status,
                      0)
                << mounted.Errors();
            if (rsync) {
                ASSERT_EQ(RunCommand("rsync -r --inplace " +
                                     ShellQuote((dir.Path() / "more").string()) + "/ " +
                                     ShellQuote((mnt / "GAMES").string()))
                              .status,
                          0)
                    << mounted.Errors();
                expected["GAMES/SEVEN.DAT"] = Filled(700, 7);
            }
            fs::rename(mnt / n("ONE.DAT"), mnt / n("GAMES/UNO.DAT")); // across directories
            expected["GAMES/UNO.DAT"] = expected["ONE.DAT"];
            fs::rename(mnt / n("GAMES/TWO.DAT"), mnt / n("GAMES/DOS.DAT"));
            expected["GAMES/DOS.DAT"] = expected["GAMES/TWO.DAT"];
            expected.erase("ONE.DAT");
            expected.erase("GAMES/TWO.DAT");
            fs::remove(mnt / n("EMPTY.TXT"));
            expected.erase("EMPTY.TXT");
            fs::create_directory(mnt / "KEPT");
            fs::create_directory(mnt / "GONE");
            fs::remove(mnt / "GONE");
            EXPECT_EQ(ReadAll(mnt / n("GAMES/DEEP/SIX.DAT")), expected["GAMES/DEEP/SIX.DAT"]);
        }
        const own::Disk disk = own::ReadAny(ReadAll(image));
        EXPECT_EQ(disk.problem, "");
        std::map<std::string, Bytes> found;
        for (const auto& [path, file] : disk.files) {
            found[path] = file.data;
            EXPECT_EQ(file.address, 01000) << path;
        }
        EXPECT_EQ(found, expected);
        EXPECT_EQ(disk.dirs, (std::set<std::string>{"GAMES", "GAMES/DEEP", "KEPT"}));
        if (format->id == FormatAndos) { // which takes a directory in the root for a label
            const CommandOutput fsck = RunCommand("fsck.fat -n " + ShellQuote(image.string()) +
                                                  " | grep -v -e label -e '^fsck' -e '^Leaving' "
                                                  "-e ' files, ' -e '^$'");
            EXPECT_EQ(fsck.out, "");
        }
    }
}

// Each refusal its errno, with the reason in the mount's messages; nothing is changed by one.
TEST(MountWrite, RefusalsAnswerTheirErrno) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    const fs::path image = dir.Write("andos.img", BlankDisk(FormatAndos));
    WritableMount mounted(dir, image);
    ASSERT_TRUE(mounted.mount.Mounted());
    const fs::path mnt = mounted.folder;
    ASSERT_EQ(WriteThrough(mnt / "README.TXT", Filled(10)), 0);
    EXPECT_EQ(WriteThrough(mnt / "LONGER_NAME.TXT", Filled(10)), ENAMETOOLONG);
    EXPECT_EQ(WriteThrough(mnt / "SNOW\xE2\x98\x83", Filled(10)), EINVAL); // not in Windows-1251
    EXPECT_EQ(WriteThrough(mnt / "readme.txt", Filled(10)), EEXIST);       // another case: the same
    EXPECT_EQ(mkdir((mnt / "readme.txt").c_str(), 0755) == 0 ? 0 : errno, EEXIST);
    EXPECT_EQ(WriteThrough(mnt / "lower.txt", Filled(10)), EINVAL); // ANDOS keeps capitals
    EXPECT_FALSE(fs::exists(mnt / "LOWER.TXT"));
    // ANDOS files may be longer than 64 KB, and are edited in place whole; one longer than
    // the disk is refused and not made at all.
    ASSERT_EQ(WriteThrough(mnt / "BIG.DAT", Filled(70000)), 0);
    const int big = open((mnt / "BIG.DAT").c_str(), O_RDWR);
    ASSERT_EQ(pwrite(big, "Z", 1, 5), 1);
    ASSERT_EQ(close(big), 0);
    Bytes edited = Filled(70000);
    edited[5] = 'Z';
    EXPECT_EQ(ReadAll(mnt / "BIG.DAT"), edited);
    EXPECT_EQ(WriteThrough(mnt / "HUGE.DAT", Filled(900000)), EFBIG);
    EXPECT_FALSE(fs::exists(mnt / "HUGE.DAT"));
    fs::remove(mnt / "BIG.DAT");
    // A folder removed with its files leaves no stand-in for its lost number behind.
    fs::create_directories(mnt / "GONE");
    ASSERT_EQ(WriteThrough(mnt / "GONE" / "X", Filled(5)), 0);
    fs::remove_all(mnt / "GONE");
    ASSERT_EQ(WriteThrough(mnt / "NEXT", Filled(5)), 0);
    EXPECT_EQ(ListTree(mnt), (std::vector<std::string>{"NEXT", "README.TXT"}));
    fs::remove(mnt / "NEXT");
    fs::create_directories(mnt / "FULL" / "IN");
    EXPECT_EQ(rmdir((mnt / "FULL").c_str()) == 0 ? 0 : errno, ENOTEMPTY);
    int error = 0;
    for (int i = 0; i < 20 && !error; ++i)
        error = WriteThrough(mnt / ("F" + std::to_string(i)), Filled(0xFFFF));
    EXPECT_EQ(error, ENOSPC);
    // A full disk refuses the write itself, which a shell's `>` checks (not the close).
    const int note = open((mnt / "NOTE.TXT").c_str(), O_WRONLY | O_CREAT, 0644);
    const Bytes text = Filled(0xFFFF);
    EXPECT_EQ(write(note, text.data(), text.size()) < 0 ? errno : 0, ENOSPC);
    EXPECT_EQ(close(note) == 0 ? 0 : errno, ENOSPC);
    EXPECT_FALSE(fs::exists(mnt / "NOTE.TXT"));
    struct statvfs space {};
    ASSERT_EQ(statvfs(mnt.c_str(), &space), 0);
    EXPECT_LT(space.f_bfree * space.f_bsize, 0xFFFFu);
    EXPECT_EQ(space.f_namemax, 12u);
    // A change the mount did not see (the file's time put back) is kept by its next write,
    // made by names on the image as it is then.
    Settle(mnt);
    const auto time = fs::last_write_time(image);
    ASSERT_EQ(RunCommand(Bkdisk("rm " + ShellQuote(image.string()) + " F0")).status, 0);
    fs::last_write_time(image, time);
    EXPECT_TRUE(fs::exists(mnt / "F0"));
    EXPECT_EQ(WriteThrough(mnt / "AFTER.DAT", Filled(10)), 0);
    Settle(mnt);
    EXPECT_FALSE(fs::exists(mnt / "F0"));
    const std::string listing = RunCommand(Bkdisk("ls " + ShellQuote(image.string()))).out;
    EXPECT_NE(listing.find("AFTER.DAT"), std::string::npos);
    EXPECT_EQ(listing.find("F0 "), std::string::npos);
    // An image another program has open (the emulator) is not written.
    const int holder = open(image.c_str(), O_RDWR);
    EXPECT_EQ(WriteThrough(mnt / "HELD.DAT", Filled(10)), EIO);
    close(holder);
    EXPECT_FALSE(fs::exists(mnt / "HELD.DAT"));
    const std::string errors = mounted.Errors();
    for (const char* says : {"LONGER_NAME.TXT: the name is too long", "HUGE.DAT", "not empty",
                             "is open in", "ANDOS keeps this name as LOWER.TXT"})
        EXPECT_NE(errors.find(says), std::string::npos) << says << "\n" << errors;
}

// A file open for writing is not on the disk until it is closed (with --sync, at once after);
// a change bkdisk makes while the mount is up shows at the next operation, and the mount's
// next change keeps it. The load address comes from --address, or the attribute set before
// the close, or a .bin header.
TEST(MountWrite, ClosesWriteAndOutsideChangesShow) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    const fs::path image = dir.Write("mkdos.img", BlankDisk(FormatMkDos));
    const std::string quoted = ShellQuote(image.string());
    WritableMount mounted(dir, image, "--bin --address 2000 --sync");
    ASSERT_TRUE(mounted.mount.Mounted());
    const fs::path mnt = mounted.folder;
    const int fd = open((mnt / "OPEN").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "abc", 3), 3);
    ASSERT_EQ(fsetxattr(fd, "user.bk.address", "40000", 5, 0), 0);
    EXPECT_EQ(RunCommand(Bkdisk("ls " + quoted)).out, "");
    ASSERT_EQ(close(fd), 0);
    EXPECT_NE(
        RunCommand(Bkdisk("ls " + quoted)).out.find("OPEN                      40000       3"),
        std::string::npos);
    EXPECT_EQ(fs::file_size(mnt / "OPEN.bin"), 7u); // shown as a .bin file from now on

    WriteHostFile(dir.Path() / "OUT", Filled(20));
    ASSERT_EQ(RunCommand(Bkdisk("add " + quoted + " " + ShellQuote((dir.Path() / "OUT").string())))
                  .status,
              0);
    EXPECT_TRUE(fs::exists(mnt / "OUT.bin"));
    Bytes bin = {0x00, 0x30, 5, 0}; // a .bin file: loaded at 030000, 5 bytes
    bin.insert(bin.end(), 5, 0x55);
    ASSERT_EQ(WriteThrough(mnt / "HDR.bin", bin), 0);
    ASSERT_EQ(WriteThrough(mnt / "PLAIN", Filled(4)), 0);
    ASSERT_EQ(setxattr((mnt / "OUT.bin").c_str(), "user.bk.address", "7000", 4, 0), 0);
    ASSERT_EQ(truncate((mnt / "PLAIN.bin").c_str(), 6), 0); // its header and 2 bytes
    // Past the format's 16-bit length, and a name the folder would show as "_HIDDEN": refused,
    // nothing made. A shell's `>` puts the file once, leaving no deleted record behind.
    const int longFile = open((mnt / "LONG").c_str(), O_WRONLY | O_CREAT, 0644);
    const Bytes tooLong = Filled(0x10000);
    EXPECT_EQ(write(longFile, tooLong.data(), tooLong.size()) < 0 ? errno : 0, EFBIG);
    EXPECT_EQ(close(longFile) == 0 ? 0 : errno, EFBIG);
    ASSERT_EQ(WriteThrough(mnt / "mixed", Filled(1)), 0); // MKDOS keeps either case
    ASSERT_EQ(rename((mnt / "mixed.bin").c_str(), (mnt / "Mixed.bin").c_str()), 0);
    EXPECT_EQ(WriteThrough(mnt / ".HIDDEN", Filled(1)), EINVAL);
    ASSERT_EQ(RunCommand("echo a > " + ShellQuote((mnt / "ECHO").string())).status, 0);
    const std::string listing = RunCommand(Bkdisk("ls " + quoted)).out;
    for (const char* line :
         {"OUT                        7000      24", "HDR                       30000       5",
          "PLAIN                      2000       2", "ECHO                       2000       2",
          "Mixed                      2000       1"})
        EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
    for (const char* absent : {"LONG", "HIDDEN", "deleted", "mixed"})
        EXPECT_EQ(listing.find(absent), std::string::npos) << absent << "\n" << listing;
}

// A hard disk: each logical disk is a folder that takes changes; a move between two of them
// is EXDEV (mv then copies), and every byte outside the disk changed stays.
TEST(MountWrite, HardDisksChangeOneLogicalDiskInPlace) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    const fs::path image = dir.Write(
        "hd.hdi",
        HardDiskOf(std::vector<Bytes>{BlankDisk(FormatMicroDos), BlankDisk(FormatAndos)}));
    const Bytes before = ReadAll(image);
    {
        WritableMount mounted(dir, image);
        ASSERT_TRUE(mounted.mount.Mounted());
        const fs::path mnt = mounted.folder;
        EXPECT_EQ(WriteThrough(mnt / "TOP", Filled(3)), EPERM);
        ASSERT_EQ(WriteThrough(mnt / "1" / "A.DAT", Filled(300)), 0);
        errno = 0;
        EXPECT_NE(rename((mnt / "1" / "A.DAT").c_str(), (mnt / "0" / "A.DAT").c_str()), 0);
        EXPECT_EQ(errno, EXDEV);
    }
    const Bytes after = ReadAll(image);
    const auto disks = own::ReadHardDisk(after);
    const fs::path cut = dir.Write("cut.hdi", Bytes(after.begin(), after.end() - 1000));
    ASSERT_EQ(disks.size(), 2u);
    const own::Disk changed = own::ReadAndos(disks[1].bytes);
    EXPECT_EQ(changed.problem, "");
    EXPECT_EQ(changed.files.at("A.DAT").data, Filled(300));
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < after.size(); ++i) {
        if (i < disks[1].offset || i >= disks[1].offset + disks[1].size) {
            ASSERT_EQ(after[i], before[i]) << i;
        }
    }
    // Paths as typed, relative to the working folder, which the mount leaves: logical disks
    // are read when entered all the same.
    const std::string inDir = "cd " + ShellQuote(dir.Path().string()) + " && ";
    fs::create_directories(dir.Path() / "rel");
    ASSERT_EQ(RunCommand(inDir + Bkdisk("mount hd.hdi rel --write")).status, 0);
    EXPECT_EQ(WriteThrough(dir.Path() / "rel" / "0" / "REL", Filled(9)), 0);
    EXPECT_EQ(RunCommand(inDir + Bkdisk("umount rel")).status, 0);
    EXPECT_NE(RunCommand(Bkdisk("ls " + ShellQuote(image.string()) + " 0")).out.find("REL "),
              std::string::npos);
    // A logical disk the file ends inside takes no change.
    {
        TempDir other;
        WritableMount mounted(other, cut);
        ASSERT_TRUE(mounted.mount.Mounted());
        EXPECT_EQ(WriteThrough(mounted.folder / "1" / "B.DAT", Filled(3)), EROFS);
        EXPECT_EQ(WriteThrough(mounted.folder / "0" / "B.DAT", Filled(3)), 0);
        EXPECT_NE(mounted.Errors().find("ends 1000 bytes before"), std::string::npos)
            << mounted.Errors();
    }
    // A read-only image is refused with the reason.
    fs::permissions(image, fs::perms::owner_read);
    fs::create_directories(dir.Path() / "ro");
    const CommandOutput refused =
        RunCommand(Bkdisk("mount " + ShellQuote(image.string()) + " " +
                          ShellQuote((dir.Path() / "ro").string()) + " --write 2>&1"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("read-only"), std::string::npos) << refused.out;
}

// The mount ended while a file is still open for writing writes it; one killed in the middle
// of a burst of changes leaves an image that is sound, whatever of the burst it holds.
TEST(MountWrite, EndingOrKillingTheMountLosesNoImage) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    const fs::path image = dir.Write("andos.img", BlankDisk(FormatAndos));
    int fd = -1;
    {
        WritableMount mounted(dir, image);
        ASSERT_TRUE(mounted.mount.Mounted());
        fd = open((mounted.folder / "KEPT.DAT").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, "kept", 4), 4);
    } // unmounted (lazily) and ended with the file open
    close(fd);
    own::Disk disk = own::ReadAny(ReadAll(image));
    ASSERT_EQ(disk.files.count("KEPT.DAT"), 1u);
    EXPECT_EQ(disk.files["KEPT.DAT"].data, Bytes({'k', 'e', 'p', 't'}));

    for (int i = 0; i < 200; ++i)
        WriteHostFile(dir.Path() / "many" / ("F" + std::to_string(i)), Filled(i * 37 % 3000));
    const fs::path folder = dir.Path() / "mnt";
    const std::string command =
        "exec " + Bkdisk("mount " + ShellQuote(image.string()) + " " + ShellQuote(folder.string()) +
                         " --write --foreground 2>/dev/null");
    pid_t mount = 0;
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&mount, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    for (int i = 0; i < 500 && RunCommand("mountpoint -q " + ShellQuote(folder.string())).status;
         ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    pid_t copy = 0;
    const std::string cp = "exec cp -r " + ShellQuote((dir.Path() / "many").string()) + " " +
                           ShellQuote(folder.string()) + " 2>/dev/null";
    const char* cpArgv[] = {"sh", "-c", cp.c_str(), nullptr};
    ASSERT_EQ(posix_spawn(&copy, "/bin/sh", nullptr, nullptr, const_cast<char**>(cpArgv), environ),
              0);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    kill(mount, SIGKILL);
    waitpid(mount, nullptr, 0);
    RunCommand("fusermount3 -u -z " + ShellQuote(folder.string()) + " 2>/dev/null");
    kill(copy, SIGKILL);
    waitpid(copy, nullptr, 0);
    disk = own::ReadAny(ReadAll(image));
    EXPECT_EQ(disk.problem, "");
    EXPECT_EQ(disk.files.count("KEPT.DAT"), 1u);
    for (const auto& [path, file] : disk.files) {
        if (path != "KEPT.DAT") {
            const int i = std::stoi(path.substr(path.find('/') + 2));
            EXPECT_EQ(file.data, Filled(i * 37 % 3000)) << path;
        }
    }
    EXPECT_EQ(RunCommand(Bkdisk("check " + ShellQuote(image.string()))).status, 0);
}

// bkdisk adding files to the image while a program writes through the mount: the two take
// turns, neither waits on the other for good, and every file of both is on the disk.
TEST(MountWrite, BkdiskAndTheMountTakeTurns) {
    if (!FuseAvailable())
        GTEST_SKIP() << "FUSE is not available here (/dev/fuse, fusermount3)";
    TempDir dir;
    const fs::path image = dir.Write("mkdos.img", BlankDisk(FormatMkDos));
    for (int i = 0; i < 15; ++i)
        WriteHostFile(dir.Path() / "host" / ("B" + std::to_string(i)), Filled(100 + i));
    {
        WritableMount mounted(dir, image);
        ASSERT_TRUE(mounted.mount.Mounted());
        const std::string adds =
            "for i in $(seq 0 14); do " +
            Bkdisk("add " + ShellQuote(image.string()) + " " +
                   ShellQuote((dir.Path() / "host").string()) + "/B$i || exit 1; done");
        pid_t adder = 0;
        const char* argv[] = {"sh", "-c", adds.c_str(), nullptr};
        ASSERT_EQ(
            posix_spawn(&adder, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        for (int i = 0; i < 15; ++i)
            EXPECT_EQ(WriteThrough(mounted.folder / ("M" + std::to_string(i)), Filled(200 + i)), 0)
                << i << mounted.Errors();
        int status = 0;
        waitpid(adder, &status, 0);
        EXPECT_EQ(status, 0);
    }
    const own::Disk disk = own::ReadAny(ReadAll(image));
    EXPECT_EQ(disk.problem, "");
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(disk.files.at("B" + std::to_string(i)).data, Filled(100 + i));
        EXPECT_EQ(disk.files.at("M" + std::to_string(i)).data, Filled(200 + i));
    }
}
