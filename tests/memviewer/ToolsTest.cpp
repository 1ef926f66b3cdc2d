// zelmarin-sim and ramgrab as separate processes (POSIX; the Windows build checks the
// same under Wine in its end-to-end script).
#include "BitmapExport.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

namespace {

const CPixelTables tables;

} // namespace

// ramgrab against zelmarin-sim, under a name of the test's own.
TEST(Tools, RamGrabMatchesTheCoreAndTheStandInCleansUp) {
    testimg::TempDir dir;
    const std::string base = "BKTEST_" + std::to_string(getpid()) + "_grab";
    const std::string dump = SAMPLE_SCREEN;
    const std::string index = "2";
    const char* simArgs[] = {ZELMARIN_SIM_PATH, "--name", base.c_str(), "--index", index.c_str(),
                             "--at", "40000", dump.c_str(), nullptr};
    pid_t sim = 0;
    ASSERT_EQ(posix_spawn(&sim, ZELMARIN_SIM_PATH, nullptr, nullptr, const_cast<char**>(simArgs), environ), 0);
    const std::filesystem::path object = "/dev/shm/" + base + index;
    for (int i = 0; i < 300 && !std::filesystem::exists(object); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(object));
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // filled before it is read

    const std::string out = (dir.Path() / "grab.bmp").string();
    const std::string command = std::string(RAMGRAB_PATH) + " --name " + base + " --rows 100 " + out;
    EXPECT_EQ(std::system(command.c_str()), 0);
    kill(sim, SIGTERM);
    int status = 0;
    waitpid(sim, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(std::filesystem::exists(object));

    std::vector<uint8_t> ram(0x10000);
    const auto screen = testimg::ReadAll(dump);
    std::copy(screen.begin(), screen.end(), ram.begin() + 040000);
    const auto expected = ComposeSelection(ram.data(), 040000, 64, 64, 100, true, tables);
    EXPECT_EQ(testimg::ReadAll(out), EncodeBmp(*expected));
    EXPECT_NE(std::system((std::string(RAMGRAB_PATH) + " --name " + base + " " + out + " 2>/dev/null").c_str()), 0);
}
