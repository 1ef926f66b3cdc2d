// bkdisk end to end: built images, and every real image when present.
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

struct Output {
    int status;
    std::string out;
};

Output RunBkDisk(const std::string& arguments) {
    const std::string command = std::string(BKDISK_PATH) + " " + arguments + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Quote(const fs::path& path) { return "'" + path.string() + "'"; }

// A host path as `ls` prints it: tabs and line feeds escaped.
std::string Printable(const fs::path& path) {
    std::string text;
    for (char c : path.string())
        text += c == '\t' ? std::string("\\t") : c == '\n' ? std::string("\\n") : std::string(1, c);
    return text;
}

struct TsvRow {
    std::string type;
    int address;
    int size;
};

// Path (with '/') to its row, first occurrence only, from `ls -R --tsv`.
std::map<std::string, TsvRow> ParseTsv(const std::string& text) {
    std::map<std::string, TsvRow> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string name, type, address, size;
        std::getline(fields, name, '\t');
        std::getline(fields, type, '\t');
        std::getline(fields, address, '\t');
        std::getline(fields, size, '\t');
        if (type.empty())
            rows.emplace(name, TsvRow{type, std::stoi(address, nullptr, 8), std::stoi(size, nullptr, 8)});
    }
    return rows;
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
    EXPECT_EQ(RunBkDisk("ls " + image + " '\xD0\xB8\xD0\xB3\xD1\x80\xD1\x8B' --tsv").out, "..\t\t\t\nTEXT\t\t2000\t3\n");
    EXPECT_EQ(RunBkDisk("ls " + image + " -R --tsv").out,
              "GAME\t\t1000\t100\n\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB\t<DIR>\t\t\n"
              "\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB/TEXT\t\t2000\t3\n");
    EXPECT_EQ(RunBkDisk("cat " + image + " '\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB/TEXT'").out, std::string("a\n\xC1"));
    EXPECT_EQ(RunBkDisk("cat " + image + " '\xD0\x98\xD0\x93\xD0\xA0\xD0\xAB/TEXT' --text").out, std::string("a\r\n\xE0"));

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
    const auto missing = RunBkDisk("export " + image + " " + Quote(dest) + " GAME NOPE --no-bin-ext");
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(fs::exists(dest / "GAME"));
}

TEST(BkDisk, EveryFileOfEveryRealImageExportsWithTheListedHeader) {
    const fs::path images = BK_SHARED_IMAGES;
    if (!fs::exists(images))
        GTEST_SKIP() << "no real images";
    for (const char* name : {"mk_dos.img", "AODOS210.bkd", "ALEXSOFT.IMG", "GAMES.BKD"}) {
        TempDir dir;
        fs::copy_file(images / name, dir.Path() / name);
        fs::permissions(dir.Path() / name, fs::perms::owner_read | fs::perms::owner_write);
        const std::string image = Quote(dir.Path() / name);
        const auto listed = ParseTsv(RunBkDisk("ls " + image + " -R --tsv").out);
        const fs::path dest = dir.Path() / "out";
        fs::create_directory(dest);
        RunBkDisk("export " + image + " " + Quote(dest) + " --no-bin-ext");
        int checked = 0;
        for (const auto& entry : fs::recursive_directory_iterator(dest)) {
            if (!entry.is_regular_file())
                continue;
            const auto row = listed.find(Printable(fs::relative(entry.path(), dest)));
            ASSERT_NE(row, listed.end()) << entry.path();
            const Bytes bytes = ReadAll(entry.path());
            ASSERT_EQ(bytes.size(), 4u + row->second.size) << entry.path();
            EXPECT_EQ(bytes[0] | bytes[1] << 8, row->second.address) << entry.path();
            EXPECT_EQ(bytes[2] | bytes[3] << 8, row->second.size) << entry.path();
            ++checked;
        }
        EXPECT_GT(checked, 50) << name;
    }
}
