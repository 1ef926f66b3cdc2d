// bkdisk end to end, on built images.
#include "Command.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <sstream>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

CommandOutput RunBkDisk(const std::string& arguments) {
    return RunCommand(std::string(BKDISK_PATH) + " " + arguments + " 2>/dev/null");
}

// What the command says on standard error alone.
CommandOutput RunBkDiskErrors(const std::string& arguments) {
    return RunCommand(std::string(BKDISK_PATH) + " " + arguments + " 2>&1 >/dev/null");
}

#define GAMES "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB" // ИГРЫ in UTF-8

} // namespace

TEST(BkDisk, InfoLsCatAndUsage) {
    TempDir dir;
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(0100));
    b.Dir(1, 0, "\xC8\xC3\xD0\xDB"); // ИГРЫ
    b.File(1, "TEXT", 02000, {'a', 0x0A, 0xC1});
    const std::string image = ShellQuote(dir.Write("sample.img", b.Image())) + " ";
    const std::string readOnly = dir.Write("ro.img", b.Image());
    fs::permissions(readOnly, fs::perms::owner_read); // bkdisk only reads images
    const struct {
        std::string arguments;
        int status;
        std::optional<std::string> out;
    } cases[] = {
        {"info " + image, 0, "MKDOS\t800 Kb\nfree\t766976 bytes\t766976 bytes in one piece\n"},
        {"--utf8 info " + image, 0, // Windows' own text, as it is on Linux
         "MKDOS\t800 Kb\nfree\t766976 bytes\t766976 bytes in one piece\n"},
        {"info " + ShellQuote(readOnly), 0,
         "MKDOS\t800 Kb\nfree\t766976 bytes\t766976 bytes in one piece\n"},
        {"ls " + image + "--tsv", 0, "GAME\t\t1000\t100\n" GAMES "\t<DIR>\t\t\n"},
        {"ls " + image + "'\xD0\xB8\xD0\xB3\xD1\x80\xD1\x8B' --tsv", 0,
         "..\t\t\t\nTEXT\t\t2000\t3\n"}, // игры: without regard to case
        {"ls " + image + "-R --tsv", 0,
         "GAME\t\t1000\t100\n" GAMES "\t<DIR>\t\t\n" GAMES "/TEXT\t\t2000\t3\n"},
        {"cat " + image + GAMES "/TEXT", 0, "a\n\xC1"},
        {"cat " + image + GAMES "/TEXT --text", 0, "a\r\n\xE0"},
        {"ls " + image + "NOWHERE", 1, ""},
        {"cat " + image + "NOPE", 1, ""},
        {"info " + ShellQuote((dir.Path() / "missing.img").string()), 1, ""},
        {"", 2, ""},
        {"frobnicate", 2, ""},
        {"ls " + image + "--bogus", 2, ""},
        {"export " + image + ShellQuote(dir.Path().string()) + " --dir", 2, ""}, // no value
        {"export --help", 0, std::nullopt},
        {"--version", 0, "bkdisk 1.1\n"},
    };
    for (const auto& c : cases) {
        const CommandOutput run = RunBkDisk(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments;
        EXPECT_EQ(run.out, c.out.value_or(run.out)) << c.arguments;
    }
    // Why a path is no file, or no directory.
    for (const auto& [arguments, said] :
         {std::pair<std::string, std::string>{"cat " + image + "NOPE",
                                              "cannot read file: NOPE: no such entry"},
          {"cat " + image + GAMES, "cannot read file: " GAMES ": it is a directory"},
          {"ls " + image + "GAME", "not a directory: GAME (it is a file)"},
          {"ls -R " + ShellQuote(dir.Write("hd.hdi", HardDiskOf({b.Image(), Bytes(4096)}))),
           "Logical disk 1 cannot be opened.\nIt holds no file system of a known format "
           "(MicroDOS, MKDOS, ANDOS, CSIDOS)."}}) {
        const CommandOutput run = RunBkDiskErrors(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_EQ(run.out, "bkdisk: " + said + "\n");
    }
    // Output that cannot be written is a failure, not a silent success.
    const std::string full = std::string(BKDISK_PATH) + " ls " + image + ">/dev/full 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1);
}

// A write refused to another user says why in the system's words (root would be let in).
TEST(BkDisk, RefusalsCarryTheSystemsReason) {
    if (getuid() != 0 || RunCommand("command -v setpriv >/dev/null").status != 0)
        GTEST_SKIP() << "needs root and setpriv to act as another user";
    TempDir dir;
    fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec);
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(3));
    const std::string image = dir.Write("a.img", b.Image());
    fs::permissions(image, fs::perms::owner_read | fs::perms::others_read);
    const CommandOutput run = RunCommand("setpriv --reuid=65534 --regid=65534 --clear-groups " +
                                         std::string(BKDISK_PATH) + " export " + ShellQuote(image) +
                                         " " + ShellQuote(dir.Path().string()) + " 2>&1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "skipped GAME: cannot be created: Permission denied\n");
}

// Every path `ls -R` prints names, through cat, an entry of the listed size; export writes
// one file for each file entry (into a folder it makes), says which it renamed by the
// entry's own path, fails when one is missing, and keeps what is in its way unless told.
TEST(BkDisk, EveryListedPathReadsBackAndEveryFileIsExported) {
    TempDir dir;
    MicroDosBuilder b(true);
    const char* names[] = {"A/B", "A\\B", "TAB\tX", "LF\nX", "100%", "%41",
                           "X;2", "DUP",  "dup",    "DUP",   "-R",   "names.img"};
    int size = 1;
    for (const char* name : names)
        b.File(0, name, 0, Filled(size++));
    b.Dir(1, 0, "DUP");
    b.File(1, "DUP", 0, Filled(size++));
    b.Raw(0, 0, "    ", 1000, 0, size++); // a name of spaces: empty
    const std::string image = ShellQuote(dir.Write("names.img", b.Image())) + " ";
    const std::string listing = RunBkDisk("ls " + image + "-R --tsv").out;
    int files = 0;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::string path, type, address, length;
        std::istringstream fields(line);
        std::getline(
            std::getline(std::getline(std::getline(fields, path, '\t'), type, '\t'), address, '\t'),
            length, '\t');
        if (!type.empty())
            continue;
        ++files;
        EXPECT_EQ(RunBkDisk("cat " + image + ShellQuote(path)).out.size(),
                  std::stoul(length, nullptr, 8))
            << path;
    }
    EXPECT_EQ(files, 14);
    for (const char* printed : {"A%2FB\t", "dup;2\t", "DUP;4/DUP\t", "%2DR\t"})
        EXPECT_NE(listing.find(printed), std::string::npos) << printed;
    EXPECT_EQ(RunBkDisk("cat " + image + "'A/B'").status, 1);        // a directory A does not exist
    EXPECT_EQ(RunBkDisk("cat " + image + "'\\A/B'").out.size(), 1u); // the catalog's syntax
    EXPECT_EQ(RunBkDisk("cat " + image + "-- -R").out.size(), 11u);  // after --, a path

    const fs::path all = dir.Path() / "all" / "made", one = dir.Path() / "one";
    fs::create_directories(one);
    const std::string toAll = "export " + image + ShellQuote(all.string());
    const CommandOutput exported = RunBkDisk(toAll);
    EXPECT_EQ(exported.status, 0);
    EXPECT_NE(exported.out.find("wrote dup;2 as " + (all / "dup~1.bin").string() + "\n"),
              std::string::npos);
    int written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(all))
        written += entry.is_regular_file();
    EXPECT_EQ(written, 14);
    const CommandOutput again = RunBkDiskErrors(toAll + " 'A%2FB'");
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.out, "skipped A%2FB: a file of that name is already there\n");
    EXPECT_EQ(RunBkDisk(toAll + " 'A%2FB' --overwrite").out,
              "wrote A%2FB as " + (all / "A_B.bin").string() + "\n");
    EXPECT_EQ(RunBkDisk(toAll + " 'A%2FB' --keep-both").out,
              "wrote A%2FB as " + (all / "A_B~1.bin").string() + "\n");
    EXPECT_EQ(RunBkDisk(toAll + " --keep-both --overwrite").status, 2);
    // Nothing replaces the image being read.
    const std::string toImage = "export " + image + ShellQuote(dir.Path().string()) + " names.img";
    EXPECT_EQ(RunBkDiskErrors(toImage + " --overwrite").out,
              "skipped names.img: the file in the way is the disk image being read\n");
    EXPECT_EQ(ReadAll(dir.Path() / "names.img"), b.Image());
    // Files of one name from two directories: the second gets its own host name.
    EXPECT_EQ(
        RunBkDisk("export " + image + ShellQuote(one.string()) + " 'DUP;4/DUP' 'dup;2'").status, 0);
    EXPECT_EQ(ReadAll(one / "DUP.bin").size(), 4u + 13);
    EXPECT_EQ(ReadAll(one / "dup~1.bin").size(), 4u + 9);
    EXPECT_EQ(RunBkDisk("export " + image + ShellQuote(one.string()) + " GAME NOPE").status, 1);
}
