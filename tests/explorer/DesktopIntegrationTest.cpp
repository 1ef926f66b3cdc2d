// Ravelko on the desktop: the MIME package and the desktop entry as installed, the
// command line without a display.
#include "Command.h"
#include "ImageBuilders.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Text(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

// A generic .img or .dsk is a BK disk image to the desktop exactly when its disk system's
// marks say so; .bkd and .hdi are by their names.
TEST(Desktop, ImagesAreKnownByTheirContentAndOpenWithRavelko) {
    const std::string entry = Text(fs::path(RAVELKO_RES) / "ravelko.desktop");
    EXPECT_NE(entry.find("\nExec=ravelko %f\n"), std::string::npos);
    EXPECT_NE(entry.find("\nMimeType=application/x-bk-disk-image;\n"), std::string::npos);
    const fs::path images = BK_SHARED_IMAGES;
    if (RunCommand("command -v gio && command -v update-mime-database").status != 0 ||
        !fs::exists(images))
        GTEST_SKIP() << "no gio or update-mime-database, or no real images";
    testimg::TempDir dir;
    fs::create_directories(dir.Path() / "mime/packages");
    fs::copy_file(fs::path(RAVELKO_RES) / "ravelko-mime.xml",
                  dir.Path() / "mime/packages/ravelko.xml");
    ASSERT_EQ(RunCommand("update-mime-database " + ShellQuote((dir.Path() / "mime").string()) +
                         " 2>/dev/null")
                  .status,
              0);
    std::vector<uint8_t> noise(8192);
    std::mt19937 random(7);
    for (auto& byte : noise)
        byte = static_cast<uint8_t>(random());
    const std::pair<std::string, bool> cases[] = {
        {dir.WritableCopy(images / "mk_dos.img").string(), true},
        {dir.Write("andos.img", testimg::ReadAll(images / "GAMES.BKD")), true},
        {dir.Write("csidos.dsk", testimg::ReadAll(images / "CSIDOS_330.DSK")), true},
        {dir.Write("old-csidos.img", testimg::ReadAll(images / "INSULT.IMG")), true},
        {dir.Write("disk.hdi", testimg::HardDiskOf({testimg::MicroDosBuilder().Image()})), true},
        {dir.Write("boot.img", testimg::ReadAll(images / "desolate01.img")), false},
        {dir.Write("noise.img", noise), false}};
    for (const auto& [path, bk] : cases) {
        const CommandOutput type =
            RunCommand("XDG_DATA_DIRS=" + ShellQuote(dir.Path().string()) +
                       ":/usr/share gio info -a standard::content-type " + ShellQuote(path));
        EXPECT_EQ(type.out.find("application/x-bk-disk-image") != std::string::npos, bk)
            << path << "\n"
            << type.out;
    }
}

TEST(Desktop, HelpAndVersionNeedNoDisplay) {
    const CommandOutput help = RunCommand("DISPLAY= WAYLAND_DISPLAY= " RAVELKO_PATH " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: ravelko [IMAGE]", 0), 0u) << help.out;
    const CommandOutput version = RunCommand("DISPLAY= " RAVELKO_PATH " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "Ravelko Version 1.1\n");
    EXPECT_EQ(RunCommand("DISPLAY= " RAVELKO_PATH " a.img b.img 2>/dev/null").status, 2);
}
