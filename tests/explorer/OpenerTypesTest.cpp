// Only passive data reaches the desktop's opener, by the same list on both kinds of host:
// every other type, known to run code or not known at all, is refused.
#include "OpenerTypes.h"
#include "TempDir.h"

#include <gtest/gtest.h>

namespace {

const std::vector<uint8_t> kPlain = {0, 2, 3, 0, 'h', 'i'};

// Types that run code on Windows, directly or through a program a PC may have installed,
// and types merely unknown: none is opened, whatever the letter case.
constexpr const char* kRefused[] = {
    "HELLO.BAT",   "SETUP.MSI", "RUN.PS1",     "PAGE.HTA", "A.EXE",   "A.COM",     "A.SCR",
    "A.LNK",       "A.JS",      "A.py",        "A.PYW",    "A.pl",    "A.rb",      "A.AHK",
    "A.sh",        "A.JNLP",    "A.DOCM",      "A.XLSM",   "A.XLL",   "A.SLK",     "A.IQY",
    "A.ONE",       "A.DIAGCAB", "A.search-ms", "A.SCT",    "A.WSC",   "A.HLP",     "A.THEME",
    "A.THEMEPACK", "A.ISO",     "A.VHD",       "A.VHDX",   "A.IMG",   "A.HTM",     "A.HTML",
    "A.MHT",       "A.SVG",     "A.MSIX",      "A.MDB",    "A.ACCDE", "A.desktop", "A.CSV",
    "A.DOC",       "A.CHM",     "A.bin",       "MONITOR",  "A.",      "A.TXT.EXE", "A.TXT.X",
    "A.ZZZ",       "A.TX T",    "A.TXT\\.X",   "A.\xD2XT", ""};

} // namespace

TEST(OpenerTypes, OnlyPassiveDataOnEitherHost) {
    using enum OpenerHost;
    for (const OpenerHost host : {Windows, Posix}) {
        for (const char* name : kRefused)
            EXPECT_EQ(OpenerTypeOf(name, kPlain, host), OpenerType::Refused) << name;
        EXPECT_EQ(OpenerTypeOf("NOTE.TXT", kPlain, host), OpenerType::Text);
        EXPECT_EQ(OpenerTypeOf("A.log", kPlain, host), OpenerType::Text);
        EXPECT_EQ(OpenerTypeOf("SCREEN.Bmp", kPlain, host), OpenerType::Picture);
        EXPECT_EQ(OpenerTypeOf("PHOTO.JPEG", kPlain, host), OpenerType::Picture);
        EXPECT_EQ(OpenerTypeOf("TUNE.WAV", kPlain, host), OpenerType::Sound);
        EXPECT_EQ(OpenerTypeOf("EMPTY.TXT", {}, host), OpenerType::Text);
        // A passive name on content that starts as a program (a .bin header can spell it).
        for (const std::vector<uint8_t>& program :
             {std::vector<uint8_t>{0x7F, 'E', 'L', 'F', 2},
              {'M', 'Z', 0x90},
              {'#', '!', '/'},
              {'[', 'D', 'e', 's', 'k', 't', 'o', 'p', ' ', 'E', 'n', 't', 'r', 'y', ']'}})
            EXPECT_EQ(OpenerTypeOf("NOTE.TXT", program, host), OpenerType::Refused);
    }
    // Windows drops trailing dots and spaces: "NOTE.TXT. " is a text there, "A.BAT." a batch.
    EXPECT_EQ(OpenerTypeOf("NOTE.TXT. ", kPlain, Windows), OpenerType::Text);
    EXPECT_EQ(OpenerTypeOf("NOTE.TXT. ", kPlain, Posix), OpenerType::Refused);
    EXPECT_EQ(OpenerTypeOf("A.BAT.", kPlain, Windows), OpenerType::Refused);

    testimg::TempDir dir;
    EXPECT_EQ(FileOpenerType(dir.Write("x.png", kPlain), Posix), OpenerType::Picture);
    EXPECT_EQ(FileOpenerType(dir.Write("y.png", {'#', '!'}), Posix), OpenerType::Refused);
    EXPECT_EQ(FileOpenerType(dir.Write("x", kPlain), Posix), OpenerType::Refused);
    EXPECT_EQ(FileOpenerType((dir.Path() / "missing.txt").string(), Posix), OpenerType::Refused);
}
