// bkdisk end to end: built images, and every real image when present.
#include "Command.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <map>
#include <sstream>

using namespace testimg;
namespace fs = std::filesystem;

namespace {

CommandOutput RunBkDisk(const std::string& arguments) {
    return RunCommand(std::string(BKDISK_PATH) + " " + arguments + " 2>/dev/null");
}

// Safe inside single quotes for the shell, whatever the path holds.
std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Quote(const fs::path& path) {
    return ShellQuote(path.string());
}

struct TsvRow {
    std::string path;
    std::string type;
    int address;
    int size;
};

// The rows of `ls --tsv`, in order.
std::vector<TsvRow> ParseTsv(const std::string& text) {
    std::vector<TsvRow> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, type, address, size;
        std::getline(fields, name, '\t');
        std::getline(fields, type, '\t');
        std::getline(fields, address, '\t');
        std::getline(fields, size, '\t');
        const bool file = type.find('<') == std::string::npos;
        rows.push_back({name, type, file ? std::stoi(address, nullptr, 8) : 0,
                        file ? std::stoi(size, nullptr, 8) : 0});
    }
    return rows;
}

// Every path `ls -R` prints names, through cat, an entry of the listed size, and export
// writes a file for every file entry that cat can read (real images hold entries whose
// data lies past the image's end). Returns the file rows checked.
int CheckRoundTrip(const std::string& image, const fs::path& dest) {
    const auto listing = RunBkDisk("ls " + image + " -R --tsv");
    EXPECT_EQ(listing.status, 0);
    int files = 0, readable = 0;
    for (const auto& row : ParseTsv(listing.out)) {
        if (row.type.find('<') != std::string::npos)
            continue;
        ++files;
        const auto cat = RunBkDisk("cat " + image + " " + ShellQuote(row.path));
        if (cat.status == 0) {
            EXPECT_EQ(cat.out.size(), static_cast<size_t>(row.size)) << row.path;
            ++readable;
        }
    }
    fs::create_directory(dest);
    RunBkDisk("export " + image + " " + Quote(dest));
    int written = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dest))
        written += entry.is_regular_file();
    EXPECT_EQ(written, readable) << image;
    return files;
}

std::string SampleImage(const TempDir& dir) {
    MicroDosBuilder b(true);
    b.File(0, "GAME", 01000, Filled(0100));
    b.Dir(1, 0, "\xC8\xC3\xD0\xDB"); // ИГРЫ
    b.File(1, "TEXT", 02000, {'a', 0x0A, 0xC1});
    return dir.Write("sample.img", b.Image());
}

} // namespace

TEST(BkDisk, InfoLsCatAndUsage) {
    TempDir dir;
    const std::string image = Quote(SampleImage(dir));
    EXPECT_EQ(RunBkDisk("info " + image).out, "MKDOS\t800 Kb\n");
    const auto ls = RunBkDisk("ls " + image + " --tsv");
    EXPECT_EQ(ls.status, 0);
    EXPECT_EQ(ls.out, "GAME\t\t1000\t100\n\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB\t<DIR>\t\t\n");
    EXPECT_EQ(RunBkDisk("ls " + image + " '\xD0\xB8\xD0\xB3\xD1\x80\xD1\x8B' --tsv").out,
              "..\t\t\t\nTEXT\t\t2000\t3\n");
    EXPECT_EQ(RunBkDisk("ls " + image + " -R --tsv").out,
              "GAME\t\t1000\t100\n\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB\t<DIR>\t\t\n"
              "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB/TEXT\t\t2000\t3\n");
    EXPECT_EQ(RunBkDisk("cat " + image + " '\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB/TEXT'").out,
              std::string("a\n\xC1"));
    EXPECT_EQ(RunBkDisk("cat " + image + " '\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB/TEXT' --text").out,
              std::string("a\r\n\xE0"));

    EXPECT_EQ(RunBkDisk("ls " + image + " NOWHERE").status, 1);
    EXPECT_EQ(RunBkDisk("cat " + image + " NOPE").status, 1);
    EXPECT_EQ(RunBkDisk("info " + Quote(dir.Path() / "missing.img")).status, 1);
    EXPECT_EQ(RunBkDisk("").status, 2);
    EXPECT_EQ(RunBkDisk("frobnicate").status, 2);
    EXPECT_EQ(RunBkDisk("ls " + image + " --bogus").status, 2);
    EXPECT_EQ(RunBkDisk("export --help").status, 0);
}

TEST(BkDisk, ExportReportsWhatItCouldNotDo) {
    TempDir dir;
    const std::string image = Quote(SampleImage(dir));
    const fs::path dest = dir.Path() / "out";
    fs::create_directory(dest);
    EXPECT_EQ(RunBkDisk("export " + image + " " + Quote(dest)).status, 0);
    EXPECT_TRUE(fs::exists(dest / "GAME.bin"));
    EXPECT_TRUE(fs::exists(dest / "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB" / "TEXT.bin"));
    const auto missing =
        RunBkDisk("export " + image + " " + Quote(dest) + " GAME NOPE --no-bin-ext");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(fs::exists(dest / "GAME"));
    EXPECT_EQ(RunBkDisk("export " + image + " " + Quote(dest) + " --dir").status, 2); // no value

    MicroDosBuilder b(true);
    b.File(0, "DUP", 0, Filled(1));
    b.File(0, "dup", 0, Filled(2));
    const std::string dups = Quote(dir.Write("dups.img", b.Image()));
    const fs::path out = dir.Path() / "dups";
    fs::create_directory(out);
    EXPECT_EQ(RunBkDisk("export " + dups + " " + Quote(out)).out,
              "wrote " + (out / "DUP.bin").string() + "\nwrote dup as " +
                  (out / "dup~1.bin").string() + "\n");
    // Output that cannot be written is a failure, not a silent success.
    const std::string full = std::string(BKDISK_PATH) + " ls " + dups + " >/dev/full 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1);
}

TEST(BkDisk, EveryListedPathReadsBackAndEveryFileIsExported) {
    TempDir dir;
    MicroDosBuilder b(true);
    const char* names[] = {"A/B", "A\\B", "TAB\tX", "LF\nX", "100%",
                           "%41", "X;2",  "DUP",    "dup",   "DUP"};
    int size = 1;
    for (const char* name : names)
        b.File(0, name, 0, Filled(size++));
    b.Dir(1, 0, "DUP");
    b.File(1, "DUP", 0, Filled(size++));
    b.Raw(0, 0, "    ", 1000, 0, size++); // a name of spaces: empty
    const std::string image = ShellQuote(dir.Write("names.img", b.Image()));
    EXPECT_EQ(CheckRoundTrip(image, dir.Path() / "out"), 12);
    const auto listing = RunBkDisk("ls " + image + " -R --tsv").out;
    EXPECT_NE(listing.find("A%2FB\t"), std::string::npos);
    EXPECT_NE(listing.find("dup;2\t"), std::string::npos);
    EXPECT_NE(listing.find("DUP;4/DUP\t"), std::string::npos);
    EXPECT_EQ(RunBkDisk("cat " + image + " 'A/B'").status, 1); // a directory A does not exist
    EXPECT_EQ(RunBkDisk("cat " + image + " '\\A/B'").out.size(), 1u); // the catalog's syntax
    const fs::path one = dir.Path() / "one";
    fs::create_directory(one);
    // Files of one name from two directories: the second gets its own host name.
    EXPECT_EQ(RunBkDisk("export " + image + " " + Quote(one) + " 'DUP;4/DUP' 'dup;2'").status, 0);
    EXPECT_EQ(ReadAll(one / "DUP.bin").size(), 4u + 11);
    EXPECT_EQ(ReadAll(one / "dup~1.bin").size(), 4u + 9);

    const fs::path images = BK_SHARED_IMAGES;
    if (!fs::exists(images))
        GTEST_SKIP() << "no real images";
    for (const char* name : {"mk_dos.img", "AODOS210.bkd", "ALEXSOFT.IMG", "GAMES.BKD"})
        EXPECT_GT(CheckRoundTrip(Quote(dir.WritableCopy(images / name)),
                                 dir.Path() / (std::string(name) + ".out")),
                  50)
            << name;
}
