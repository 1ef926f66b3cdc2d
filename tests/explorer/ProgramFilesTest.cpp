// What the desktop's opener would run is recognised on both kinds of host, by name and
// by the first bytes.
#include "ProgramFiles.h"
#include "TempDir.h"

#include <gtest/gtest.h>

using testimg::ScopedEnv;

TEST(ProgramFiles, ByNameAndByContentOnEachHost) {
    using enum OpenerHost;
    const std::vector<uint8_t> plain = {0, 2, 3, 0, 'h', 'i'};
    const struct {
        const char* name;
        std::vector<uint8_t> first;
        bool windows;
        bool posix;
    } cases[] = {
        {"HELLO.BAT", plain, true, true},
        {"hello.bat. ", plain, true, false}, // Windows drops trailing dots and spaces
        {"SETUP.MSI", plain, true, true},
        {"PAGE.HTA", plain, true, false},
        {"RUN.PS1", plain, true, false},
        {"MY.CUSTOM", plain, true, false}, // named in PATHEXT below
        {"START.DESKTOP", plain, false, true},
        {"INSTALL.SH", plain, false, true},
        {"GAME.bin", plain, false, false},
        {"README.TXT", plain, false, false},
        {"NOEXT", plain, false, false},
        {"GAME.bin", {0x7F, 'E', 'L', 'F', 2}, true, true}, // a header that spells ELF
        {"GAME.bin", {'M', 'Z', 0x90}, true, true},
        {"NOTE", {'#', '!', '/', 'b'}, true, true},
        {"x.txt",
         {'[', 'D', 'e', 's', 'k', 't', 'o', 'p', ' ', 'E', 'n', 't', 'r', 'y', ']'},
         true,
         true},
        {"EMPTY", {}, false, false},
    };
    ScopedEnv pathExt("PATHEXT", ".COM;.EXE;.CUSTOM");
    for (const auto& c : cases) {
        EXPECT_EQ(WouldRunAsProgram(c.name, c.first, Windows), c.windows) << c.name;
        EXPECT_EQ(WouldRunAsProgram(c.name, c.first, Posix), c.posix) << c.name;
    }
    testimg::TempDir dir;
    EXPECT_TRUE(FileWouldRunAsProgram(dir.Write("x.sh", plain), Posix));
    EXPECT_FALSE(FileWouldRunAsProgram(dir.Write("x", plain), Posix));
    EXPECT_TRUE(FileWouldRunAsProgram((dir.Path() / "missing").string(), Posix));
}
