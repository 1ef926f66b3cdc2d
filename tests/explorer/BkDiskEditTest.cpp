// bkdisk's commands that change images, end to end: ANDOS disks read back by mtools and
// checked by fsck.fat, the MicroDOS family by the tests' own reader; and every refusal
// leaves the image file as it was.
#include "Command.h"
#include "ImageBuilders.h"
#include "ImageEdit.h"
#include "OwnReaders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <thread>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

const fs::path kImages = BK_SHARED_IMAGES;

CommandOutput BkDisk(const std::string& arguments) {
    return RunCommand(std::string(BKDISK_PATH) + " " + arguments + " 2>&1");
}

bool Have(const std::string& program) {
    return RunCommand("command -v " + program + " >/dev/null").status == 0;
}

std::vector<uint8_t> Pattern(size_t size, int seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + seed * 13 + (i >> 8));
    return bytes;
}

} // namespace

// A hundred files in one call: the FAT12 checker finds nothing wrong, and mtools reads
// each file as it was given.
TEST(BkDiskEdit, AndosDiskReadsBackWithMtoolsAndPassesFsck) {
    if (!Have("mtype") || !Have("fsck.fat"))
        GTEST_SKIP() << "no mtools or dosfstools";
    TempDir dir;
    const std::string image = (dir.Path() / "new.bkd").string();
    ASSERT_EQ(BkDisk("format --andos " + ShellQuote(image)).status, 0);
    std::string files;
    for (int i = 0; i < 100; ++i)
        files += " " + ShellQuote(dir.Write("F" + std::to_string(i) + ".DAT", Pattern(i * 97, i)));
    const auto added = BkDisk("add " + ShellQuote(image) + files);
    ASSERT_EQ(added.status, 0) << added.out;
    const auto fsck = RunCommand("fsck.fat -n " + ShellQuote(image) + " 2>&1");
    EXPECT_EQ(fsck.status, 0) << fsck.out;
    // File i holds 97 i bytes: the sum of their clusters is 285.
    EXPECT_NE(fsck.out.find("100 files, 285/397 clusters"), std::string::npos) << fsck.out;
    for (int i = 0; i < 100; i += 9) {
        const auto fat = RunCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + ShellQuote(image) + " ::F" +
                                    std::to_string(i) + ".DAT");
        const auto expected = Pattern(i * 97, i);
        EXPECT_EQ(fat.out, std::string(expected.begin(), expected.end())) << i;
    }

    // Deleted and renamed: the table still checks, the cluster count drops.
    ASSERT_EQ(BkDisk("rm " + ShellQuote(image) + " F99.DAT F98.DAT").status, 0);
    ASSERT_EQ(BkDisk("mv " + ShellQuote(image) + " F1.DAT ONE.BIN").status, 0);
    const auto after = RunCommand("fsck.fat -n " + ShellQuote(image) + " 2>&1");
    EXPECT_EQ(after.status, 0) << after.out;
    EXPECT_NE(after.out.find("98 files, 275/397 clusters"), std::string::npos) << after.out;
    const auto one = Pattern(97, 1);
    EXPECT_EQ(RunCommand("MTOOLS_SKIP_CHECK=1 mtype -i " + ShellQuote(image) + " ::ONE.BIN").out,
              std::string(one.begin(), one.end()));
}

// The whole cycle on each format of the MicroDOS family and on ANDOS, seen by ls and by
// the tests' own reader; a .bin file's header gives the load address.
TEST(BkDiskEdit, FormatAddMkdirMoveRemove) {
    TempDir dir;
    auto bin = Pattern(300, 5);
    bin.insert(bin.begin(), {0x00, 0x40, 0x2C, 0x01}); // at 040000, 300 bytes
    const std::string program = ShellQuote(dir.Write("prog.bin", bin));
    const std::string text = ShellQuote(dir.Write("note.txt", {'h', 'i', '\n'}));
    const std::string games = "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB"; // ИГРЫ
    for (const std::string format : {"microdos", "mkdos", "andos", "csidos"}) {
        const std::string image = ShellQuote((dir.Path() / (format + ".img")).string());
        ASSERT_EQ(BkDisk("format --" + format + " " + image).status, 0);
        EXPECT_EQ(BkDisk("mkdir " + image + " " + games).status, 0); // ИГРЫ
        EXPECT_EQ(BkDisk("add " + image + " --to " + games + " " + program).status, 0);
        EXPECT_EQ(BkDisk("add " + image + " --address 2000 " + text).status, 0);
        EXPECT_EQ(BkDisk("mv " + image + " note.txt README").status, 0);
        const auto listing = BkDisk("ls " + image + " -R --tsv");
        const std::string prog = format == "andos" ? "PROG" : "prog";
        const std::string readme = format == "csidos" ? "readme" : "README";
        EXPECT_EQ(listing.out, games + "\t<DIR>\t\t\n" + games + "/" + prog + "\t\t40000\t454\n" +
                                   readme + "\t\t2000\t3\n")
            << format;
        EXPECT_EQ(BkDisk("rm " + image + " " + games).status, 1); // not empty
        EXPECT_EQ(BkDisk("rm " + image + " -r " + games + " README").status, 0);
        const auto bytes = ReadAll(dir.Path() / (format + ".img"));
        const own::Disk disk = format == "andos" ? own::ReadAndos(bytes)
                               : format == "csidos"
                                   ? own::ReadCsidos(bytes)
                                   : own::ReadMicroDosFamily(bytes, format == "mkdos");
        EXPECT_EQ(disk.problem, "") << format;
        EXPECT_TRUE(disk.files.empty() && disk.dirs.empty()) << format;
        EXPECT_EQ(disk.freeBytes, format == "andos"    ? 397 * 2048
                                  : format == "csidos" ? 1590 * 512
                                                       : 1580 * 512)
            << format;
    }
}

// Nothing changes when any part of a command fails, and the image file keeps its mode;
// a link to an image changes the image, not the link.
TEST(BkDiskEdit, RefusalsLeaveTheImageFileAsItWas) {
    TempDir dir;
    const fs::path path = dir.Path() / "disk.img";
    const std::string image = ShellQuote(path.string());
    ASSERT_EQ(BkDisk("format --mkdos " + image).status, 0);
    ::chmod(path.c_str(), 0640);
    const std::string one = ShellQuote(dir.Write("ONE", Pattern(1000, 1)));
    ASSERT_EQ(BkDisk("add " + image + " " + one).status, 0);
    const auto before = ReadAll(path);
    const fs::path fifo = dir.Path() / "FIFO";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const struct {
        std::string arguments;
        int status;
        std::string says;
    } cases[] = {
        {"add " + image + " " + one, 1, "ONE: the directory already holds an entry of that name."},
        {"add " + image + " " + ShellQuote(dir.Write("TWO", {1})) + " " +
             ShellQuote((dir.Path() / "missing").string()),
         1, "Nothing was changed."},
        {"add " + image + " --address 200000 " + one, 2, "the load address is octal"},
        // Refused unread: a FIFO without waiting for a writer, a folder, a file no disk holds.
        {"add " + image + " " + ShellQuote(fifo.string()), 1, "Invalid argument"},
        {"add " + image + " " + ShellQuote(dir.Path().string()), 1,
         "is a folder: add -r puts a folder on"},
        {"add " + image + " " + ShellQuote(dir.Write("BIG", Pattern((1 << 20) + 1, 2))), 1,
         "File too large"},
        {"rm " + image + " ONE NOPE", 1, "NOPE: no such file or directory."},
        {"mkdir " + image + " NOPE/NEW", 1, "no such file or directory"},
        {"mv " + image + " ONE ONE_IS_FAR_TOO_LONG", 1, "the name is too long for MKDOS"},
        // Never a '?' in place of a character the disk has no code for.
        {"mv " + image + " ONE 'f\xC3\xBCnf'", 1, "MKDOS cannot hold this name"},
        {"mkdir " + image + " '\xC3\x9C'", 1, "MKDOS cannot hold this name"},
        {"add " + image + " " + ShellQuote(dir.Write("sm\xC3\xA4ll", {1})), 1,
         "MKDOS cannot hold this name"},
        {"mkdir " + image + " ..", 1, "are how every listing shows a directory"},
        {"format --mkdos " + image, 1, "is already there: a new image never replaces a file."},
        {"format " + image, 2, "name one format"},
        {"format --mkdos " + ShellQuote((dir.Path() / "no" / "new.img").string()), 1,
         "The new image " + (dir.Path() / "no" / "new.img").string() + " could not be written"},
        {"frobnicate " + image, 2, "unknown command: frobnicate"},
    };
    for (const auto& c : cases) {
        const auto run = BkDisk(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.out;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.arguments << "\n" << run.out;
        EXPECT_EQ(ReadAll(path), before) << c.arguments;
    }
    ::chmod(path.c_str(), 0440);
    const auto readOnly = BkDisk("add " + image + " " + ShellQuote(dir.Write("THREE", {3})));
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_NE(readOnly.out.find("read-only"), std::string::npos) << readOnly.out;
    EXPECT_EQ(ReadAll(path), before);

    ::chmod(path.c_str(), 0640);
    fs::create_symlink(path, dir.Path() / "link.img");
    ASSERT_EQ(BkDisk("rm " + ShellQuote((dir.Path() / "link.img").string()) + " ONE").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.img"));
    EXPECT_NE(ReadAll(path), before);
    struct stat status {};
    ASSERT_EQ(::stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

// A change goes to one logical disk, named first in its paths, and no byte outside it moves;
// a disk the file ends inside, or of no format, is refused as it is; a disk is formatted over
// what it holds only with --force; headerless images stay so.
TEST(BkDiskEdit, HardDisksChangeOneLogicalDiskAtATime) {
    TempDir dir;
    const Bytes junk(64 * 1024, 0x5A);
    const Bytes image = HardDiskOf({BlankDisk(FormatMkDos), BlankDisk(FormatAndos), junk});
    const std::string hd = ShellQuote(dir.Write("h.hdi", image));
    const std::string game = ShellQuote(dir.Write("GAME", Pattern(5000, 1)));
    const auto run = [&](const std::string& arguments) { return BkDisk(arguments); };
    EXPECT_EQ(run("add " + hd + " --to 1 " + game).status, 0);
    EXPECT_EQ(run("mkdir " + hd + " 1/GAMES").status, 0);
    EXPECT_EQ(run("mv " + hd + " 1/GAME 1/GAMES/PLAY").status, 0);
    const auto after = ReadAll(dir.Path() / "h.hdi");
    const auto disks = own::ReadHardDisk(after);
    ASSERT_EQ(disks.size(), 3u);
    const own::Disk andos = own::ReadAndos(disks[1].bytes);
    EXPECT_EQ(andos.problem, "");
    EXPECT_EQ(andos.files.at("GAMES/PLAY").data, Pattern(5000, 1));
    ASSERT_EQ(after.size(), image.size());
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + disks[1].offset, after.begin()) &&
                std::equal(image.begin() + disks[1].offset + disks[1].size, image.end(),
                           after.begin() + disks[1].offset + disks[1].size));

    const struct {
        std::string arguments, says;
    } refusals[] = {
        {"add " + hd + " " + game, "is a hard disk"},
        {"rm " + hd + " 0/X 1/GAMES", "one logical disk at a time"},
        {"add " + hd + " --to 2 " + game, "holds no file system"},
        {"add " + hd + " --to 7 " + game, "has no logical disk 7"},
        {"format --csidos " + hd + " 2", "--force formats it"},
        {"format --andos " + hd + " 1", "is not empty"},
    };
    for (const auto& refusal : refusals) {
        const auto said = run(refusal.arguments);
        EXPECT_EQ(said.status, 1) << refusal.arguments;
        EXPECT_NE(said.out.find(refusal.says), std::string::npos) << said.out;
        EXPECT_EQ(ReadAll(dir.Path() / "h.hdi"), after) << refusal.arguments;
    }
    const Bytes cut(after.begin(), after.begin() + static_cast<long>(disks[1].offset + 4096));
    const std::string short_ = ShellQuote(dir.Write("cut.hdi", cut));
    const auto refused = run("add " + short_ + " --to 1 " + game);
    EXPECT_NE(refused.out.find("Logical disk 1 cannot be changed. The image file ends " +
                               std::to_string(disks[1].size - 4096) + " bytes"),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(ReadAll(dir.Path() / "cut.hdi"), cut);
    EXPECT_NE(run("info " + short_)
                  .out.find("1\tANDOS\t800 Kb\tThe image file ends " +
                            std::to_string(disks[1].size - 4096) + " bytes"),
              std::string::npos);
    const auto checked = run("check " + short_);
    EXPECT_EQ(checked.status, 1);
    EXPECT_NE(checked.out.find("cut.hdi 1: Logical disk 1 cannot be changed."), std::string::npos)
        << checked.out;

    ASSERT_EQ(run("format --csidos " + hd + " 2 --force").status, 0);
    const auto formatted = own::ReadHardDisk(ReadAll(dir.Path() / "h.hdi"));
    EXPECT_EQ(own::ReadCsidos(formatted[2].bytes).problem, "");
    EXPECT_TRUE(own::ReadCsidos(formatted[2].bytes).files.empty());
    EXPECT_EQ(formatted[1].bytes, disks[1].bytes);

    const std::string raw =
        ShellQuote(dir.Write("raw.img", Bytes(image.begin() + 512, image.end())));
    ASSERT_EQ(run("add " + raw + " --to 0 " + game).status, 0);
    const auto headerless = own::ReadHardDisk(ReadAll(dir.Path() / "raw.img"), 0);
    ASSERT_EQ(headerless.size(), 3u);
    EXPECT_EQ(own::ReadMicroDosFamily(headerless[0].bytes, true).files.at("GAME").data,
              Pattern(5000, 1));
}

// A new hard disk as the controller lays one out (mb20.hdi's layout: a track of 63 sectors
// for the table, then disks of 26 tracks), read back by the tests' reader and ours.
TEST(BkDiskEdit, NewHardDisksReadBack) {
    TempDir dir;
    const fs::path path = dir.Path() / "new.hdi";
    ASSERT_EQ(BkDisk("format --andos --hdi --disks 4x800K " + ShellQuote(path.string())).status, 0);
    const auto bytes = ReadAll(path);
    EXPECT_EQ(bytes.size(), 512u + 7 * 16 * 63 * 512);
    int sum = 0;
    for (size_t i = 0; i < 512; ++i)
        sum += bytes[i];
    EXPECT_EQ(sum % 256, 0);
    const auto disks = own::ReadHardDisk(bytes);
    ASSERT_EQ(disks.size(), 4u);
    for (size_t i = 0; i < disks.size(); ++i) {
        EXPECT_EQ(disks[i].offset, 512 + (1 + 26 * i) * 63 * 512);
        EXPECT_EQ(disks[i].size, 1638u * 512);
        const own::Disk disk = own::ReadAndos(disks[i].bytes);
        EXPECT_EQ(disk.problem, "");
        EXPECT_TRUE(disk.files.empty() && disk.dirs.empty());
    }
    const auto image = OpenDiskImage(path.string());
    ASSERT_TRUE(image && image->HardDisk());
    EXPECT_EQ(image->FormatName({3, 0}), "ANDOS");
    const auto refused = BkDisk("format --andos --hdi --disks 200x800K " +
                                ShellQuote((dir.Path() / "big.hdi").string()));
    EXPECT_NE(refused.out.find("1 to 125 logical disks"), std::string::npos) << refused.out;
    EXPECT_FALSE(fs::exists(dir.Path() / "big.hdi"));
}

// The real mb20.hdi, whole, without its header and cut at several places: a file goes into
// logical disk 1 wherever all of that disk is there, and every other byte stays; a disk
// the file ends inside refuses it with the reason.
TEST(BkDiskEdit, RealHardDiskChangesOnlyTheDiskNamed) {
    TempDir dir;
    const fs::path packed = kImages / "mb20.hdi.xz";
    const fs::path unpacked = dir.Path() / "mb20.hdi";
    if (!fs::exists(packed) || !Have("xz") ||
        RunCommand("xz -dc " + ShellQuote(packed.string()) + " > " + ShellQuote(unpacked.string()))
                .status != 0)
        GTEST_SKIP() << "no mb20.hdi.xz, or no xz";
    const Bytes whole = ReadAll(unpacked);
    const auto disks = own::ReadHardDisk(whole);
    ASSERT_EQ(disks.size(), 10u);
    const size_t end1 = disks[1].offset + disks[1].size;
    const std::string game = ShellQuote(dir.Write("GAME", Pattern(9000, 4)));
    const struct {
        size_t from, to; // of the real image
        bool changes;
    } cases[] = {{0, whole.size(), true},
                 {512, whole.size(), true},
                 {0, end1, true},
                 {0, end1 - 512, false},
                 {0, disks[1].offset + 8192, false},
                 {0, disks[0].offset + 100 * 1024, false}};
    for (const auto& kind : cases) {
        const Bytes before(whole.begin() + static_cast<long>(kind.from),
                           whole.begin() + static_cast<long>(kind.to));
        const std::string image = dir.Write("hd.img", before);
        const auto added = BkDisk("add " + ShellQuote(image) + " --to 1/TURBO8.SRC " + game);
        const auto after = ReadAll(image);
        const std::string label = std::to_string(kind.from) + "-" + std::to_string(kind.to);
        if (!kind.changes) {
            EXPECT_NE(added.out.find("Logical disk 1 cannot be changed"), std::string::npos)
                << label << added.out;
            EXPECT_EQ(after, before) << label;
            continue;
        }
        ASSERT_EQ(added.status, 0) << label << added.out;
        const auto now = own::ReadHardDisk(after, kind.from == 0 ? 512 : 0);
        ASSERT_EQ(now.size(), 10u) << label;
        const own::Disk andos = own::ReadAndos(now[1].bytes);
        EXPECT_EQ(andos.problem, "") << label;
        EXPECT_EQ(andos.files.at("TURBO8.SRC/GAME").data, Pattern(9000, 4)) << label;
        EXPECT_EQ(andos.files.at("TURBO8.SRC/TURBO8DK.ASM").data.size(), 75161u) << label;
        const size_t at = now[1].offset, size = now[1].size;
        EXPECT_TRUE(
            std::equal(before.begin(), before.begin() + static_cast<long>(at), after.begin()) &&
            std::equal(before.begin() + static_cast<long>(at + size), before.end(),
                       after.begin() + static_cast<long>(at + size)))
            << label;
    }
}

// A real CSIDOS system disk takes a file into its last hole and keeps its hidden system
// file; a self-booting CSIDOS disk's catalog never grows into the blocks that hold its code.
TEST(BkDiskEdit, RealCsidosDisksKeepTheirSystem) {
    TempDir dir;
    if (!fs::exists(kImages))
        GTEST_SKIP() << "no real images";
    const std::string csidos = dir.Write("c.dsk", ReadAll(kImages / "CSIDOS_330.DSK"));
    const std::string note = ShellQuote(dir.Write("NOTE.TXT", Pattern(3000, 2)));
    ASSERT_EQ(BkDisk("add " + ShellQuote(csidos) + " " + note).status, 0);
    const auto bytes = ReadAll(csidos);
    const own::Disk disk = own::ReadCsidos(bytes);
    EXPECT_EQ(disk.problem, "");
    EXPECT_EQ(disk.files.at("NOTE.TXT").data, Pattern(3000, 2));
    EXPECT_TRUE(disk.files.count("<lost>/CSIDOS3.EXE"));
    EXPECT_NE(BkDisk("ls " + ShellQuote(csidos) + " --tsv").out.find("note.txt\t\t1000\t5670\n"),
              std::string::npos); // stored in lower case, as the system stores files
    const std::string insult = dir.Write("i.img", ReadAll(kImages / "INSULT.IMG"));
    const auto before = ReadAll(insult);
    const std::vector<uint8_t> code(before.begin() + 6 * 512, before.begin() + 10 * 512);
    std::string many;
    for (int i = 0; i < 90; ++i)
        many += " " + ShellQuote(dir.Write("E" + std::to_string(i), {}));
    const auto full = BkDisk("add " + ShellQuote(insult) + many);
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find("the catalog is full"), std::string::npos) << full.out;
    const auto after = ReadAll(insult);
    EXPECT_EQ(std::vector<uint8_t>(after.begin() + 6 * 512, after.begin() + 10 * 512), code);
}

// Many writers at once on one image, of every format: bkdisk processes and the window's
// transaction in this process. Every change said to succeed is on the disk at the end;
// every one that failed said why, and its file is not there.
TEST(BkDiskEdit, ManyWritersAtOnceLoseNothing) {
    TempDir dir;
    constexpr int kProcesses = 12, kWindow = 4;
    for (const char* format : {"--mkdos", "--microdos", "--andos", "--csidos"}) {
        const std::string image = (dir.Path() / (std::string(format + 2) + ".img")).string();
        ASSERT_EQ(BkDisk(std::string("format ") + format + " " + ShellQuote(image)).status, 0);
        std::string script;
        for (int i = 0; i < kProcesses; ++i) {
            const std::string file = dir.Write("P" + std::to_string(i) + ".DAT", Pattern(300, i));
            const std::string out = (dir.Path() / ("out" + std::to_string(i))).string();
            script += "(" + std::string(BKDISK_PATH) + " add " + ShellQuote(image) + " " +
                      ShellQuote(file) + " >" + ShellQuote(out) + " 2>&1; echo $? >>" +
                      ShellQuote(out) + ") & ";
        }
        std::vector<bool> windowSaved;
        std::thread window([&] {
            for (int i = 0; i < kWindow; ++i) {
                std::string error;
                auto edit = CImageFileEdit::Open(image, error);
                const bool added = edit && edit->Editor()
                                                   .AddFile(0, "W" + std::to_string(i), 01000,
                                                            Pattern(100, i), false)
                                                   .error == EditError::None;
                windowSaved.push_back(added && !edit->Save());
            }
        });
        RunCommand(script + "wait");
        window.join();
        std::string listing = BkDisk("ls " + ShellQuote(image)).out; // CSIDOS shows lower case
        std::transform(listing.begin(), listing.end(), listing.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        for (int i = 0; i < kProcesses; ++i) {
            const auto out = ReadAll(dir.Path() / ("out" + std::to_string(i)));
            const std::string said(out.begin(), out.end());
            const bool listed = listing.find("P" + std::to_string(i) + ".DAT") != std::string::npos;
            EXPECT_EQ(said == "0\n", listed) << format << " " << i << ": " << said;
        }
        for (int i = 0; i < kWindow; ++i)
            EXPECT_EQ(windowSaved[static_cast<size_t>(i)],
                      listing.find("W" + std::to_string(i) + " ") != std::string::npos)
                << format << " window " << i;
    }
}

// An emulator with the disk inserted: the change is refused, naming the program, and the
// image stays byte for byte as it was.
TEST(BkDiskEdit, AnImageAnotherProgramHoldsIsLeftAlone) {
    TempDir dir;
    const std::string image = (dir.Path() / "held.img").string();
    ASSERT_EQ(BkDisk("format --mkdos " + ShellQuote(image)).status, 0);
    const auto before = ReadAll(image);
    const std::string holder =
        RunCommand("(exec 3<>" + ShellQuote(image) + "; exec sleep 30) >/dev/null 2>&1 & echo $!")
            .out;
    const std::string pid = holder.substr(0, holder.find('\n'));
    const auto added =
        BkDisk("add " + ShellQuote(image) + " " + ShellQuote(dir.Write("F.DAT", Pattern(10, 1))));
    RunCommand("kill " + pid);
    EXPECT_EQ(added.status, 1);
    EXPECT_EQ(added.out, "bkdisk: " + image + " is open in sleep (pid " + pid +
                             "): take the disk out of the emulator first. Nothing was changed.\n");
    EXPECT_EQ(ReadAll(image), before);
}

// bkdisk check names every fault and exits 1; a change to such a disk, rm -r through a
// directory cycle among them, is refused with the first fault and changes nothing.
TEST(BkDiskEdit, CheckNamesFaultsAndChangesRefuseThem) {
    TempDir dir;
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(100));
    b.Dir(5, 6, "A"); // A in B, B in A: no way up reaches the root
    b.Dir(6, 5, "B");
    const std::string image = dir.Write("cycle.img", b.Image());
    const auto checked = BkDisk("check " + ShellQuote(image));
    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.out, image + ": directory A lies inside itself\n" + image +
                               ": directory B lies inside itself\n");
    const auto removed = BkDisk("rm -r " + ShellQuote(image) + " A");
    EXPECT_EQ(removed.status, 1);
    EXPECT_EQ(removed.out, "bkdisk: The disk's layout is not one this program can change safely: "
                           "directory A lies inside itself.\n");
    EXPECT_EQ(ReadAll(image), b.Image());
    const std::string clean = (dir.Path() / "clean.img").string();
    ASSERT_EQ(BkDisk("format --mkdos " + ShellQuote(clean)).status, 0);
    const auto none = BkDisk("check " + ShellQuote(clean));
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, clean + ": no faults found\n");
}

// New names are typed as a path's last name is, by mkdir and mv alike: %XX stands for a
// character, and ";N" (which picks an entry already there) is refused, as is a move into a
// directory that is not there; the name made is the one ls shows back. A host wildcard
// that matched nothing is told as such.
// mv moves an entry into a directory that is there, or to a path's directory under its last
// name, on every format; never a directory into itself, and never to a directory not there.
TEST(BkDiskEdit, MvMovesIntoDirectoriesButNeverADirectoryIntoItself) {
    TempDir dir;
    const std::string file = ShellQuote(dir.Write("12", {'x'}));
    for (const std::string format : {"microdos", "mkdos", "andos", "csidos"}) {
        const fs::path path = dir.Path() / (format + ".img");
        const std::string image = ShellQuote(path.string());
        ASSERT_EQ(BkDisk("format --" + format + " " + image).status, 0);
        for (const std::string step : {"mkdir IMG A", "mkdir IMG A/B", "add IMG FILE",
                                       "mv IMG 12 A", "mv IMG A/12 A/B/34"}) {
            std::string command = step;
            command.replace(command.find("IMG"), 3, image);
            if (const auto at = command.find("FILE"); at != std::string::npos)
                command.replace(at, 4, file);
            ASSERT_EQ(BkDisk(command).status, 0) << format << ": " << step;
        }
        const auto before = ReadAll(path);
        EXPECT_EQ(BkDisk("mv " + image + " A A/B").out,
                  "bkdisk: A: a directory cannot go into itself or a directory inside it.\n"
                  "bkdisk: Nothing was changed.\n");
        EXPECT_EQ(BkDisk("mv " + image + " A/B/34 NOWHERE/56").status, 1);
        EXPECT_EQ(BkDisk("mv " + image + " A/B/34 ''").status, 1); // no name is no move
        EXPECT_EQ(ReadAll(path), before) << format;
        EXPECT_EQ(BkDisk("mv " + image + " A/B /").status, 0);
        EXPECT_EQ(BkDisk("ls " + image + " -R --tsv").out,
                  "A\t<DIR>\t\t\nB\t<DIR>\t\t\nB/34\t\t1000\t1\n")
            << format;
        EXPECT_EQ(BkDisk("cat " + image + " B/34").out, "x");
    }
}

TEST(BkDiskEdit, NewNamesReadAsInPathsAndNeverPickAnEntry) {
    TempDir dir;
    const std::string image = ShellQuote((dir.Path() / "names.img").string());
    ASSERT_EQ(BkDisk("format --mkdos " + image).status, 0);
    ASSERT_EQ(BkDisk("add " + image + " " + ShellQuote(dir.Write("F", {'f'}))).status, 0);
    const auto before = ReadAll(dir.Path() / "names.img");
    for (const char* refused : {"mkdir IMG 'XYZ;2'", "mkdir IMG 'XYZ;1'", "mv IMG F 'Q;3'",
                                "mv IMG F 'G/H'", "mv IMG F 'G\\H'", "mkdir IMG 'A;2/B'"}) {
        std::string command = refused;
        command.replace(command.find("IMG"), 3, image);
        EXPECT_EQ(BkDisk(command).status, 1) << refused;
    }
    EXPECT_EQ(ReadAll(dir.Path() / "names.img"), before);
    const std::string pattern = (dir.Path() / "nomatch*.zzz").string();
    EXPECT_EQ(BkDisk("add " + image + " " + ShellQuote(pattern)).out,
              "bkdisk: " + pattern +
                  ": no file matches this pattern.\nbkdisk: Nothing was changed.\n");
    EXPECT_EQ(BkDisk("mkdir " + image + " 'A%41'").status, 0);
    EXPECT_EQ(BkDisk("mkdir " + image + " 'AA/X%3B2'").status, 0);
    EXPECT_EQ(BkDisk("mv " + image + " F 'B%2FC'").status, 0);
    EXPECT_EQ(BkDisk("ls " + image + " -R --tsv").out,
              "B%2FC\t\t1000\t1\nAA\t<DIR>\t\t\nAA/X%3B2\t<DIR>\t\t\n");
}
