// zelmarin-sim and ramgrab as separate processes (POSIX; the Windows build checks the
// same under Wine in its end-to-end script).
#include "BitmapExport.h"
#include "Command.h"
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
    const char* simArgs[] = {ZELMARIN_SIM_PATH, "--name",      base.c_str(),
                             "--index",         index.c_str(), "--at",
                             "40000",           dump.c_str(),  nullptr};
    pid_t sim = 0;
    ASSERT_EQ(posix_spawn(&sim, ZELMARIN_SIM_PATH, nullptr, nullptr, const_cast<char**>(simArgs),
                          environ),
              0);
    const std::filesystem::path object = "/dev/shm/" + base + index;
    for (int i = 0; i < 300 && !std::filesystem::exists(object); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(object));
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // filled before it is read

    const std::string out = (dir.Path() / "grab.bmp").string();
    const std::string command =
        std::string(RAMGRAB_PATH) + " --name " + base + " --rows 100 " + out;
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
    EXPECT_NE(
        std::system(
            (std::string(RAMGRAB_PATH) + " --name " + base + " " + out + " 2>/dev/null").c_str()),
        0);
}

namespace {

// The command's exit status and standard output (standard error joins it).
CommandOutput Shell(const std::string& command) {
    return RunCommand(command + " 2>&1");
}

} // namespace

// Help, bad arguments and hostile inputs end with a message and an exit status, never an
// abort or a machine out of memory.
TEST(Tools, ArgumentsAndInputsGetClearAnswers) {
    const std::string grab = RAMGRAB_PATH, sim = ZELMARIN_SIM_PATH;
    testimg::TempDir dir;
    const std::string out = (dir.Path() / "x.bmp").string();
    const struct {
        std::string command;
        int status;
        const char* says;
    } cases[] = {
        {grab + " --help", 0, "Usage: ramgrab"},
        {sim + " --help", 0, "Usage: zelmarin-sim"},
        {grab + " --bogus " + out, 2, "bad argument: --bogus"},
        {sim + " --index 64", 2, "bad argument: --index"},
        {grab + " --dump " + dir.Path().string() + " " + out, 1, "cannot read memory dump"},
        {grab + " --dump /dev/zero --rows 65536 --bytes-per-row 65536 " + out, 1,
         "too much to grab"},
        {grab + " --name BKTEST_NONE_ " + out, 1,
         "none of BKTEST_NONE_0 ... BKTEST_NONE_63 exists"},
    };
    for (const auto& c : cases) {
        const CommandOutput run = Shell(c.command);
        EXPECT_EQ(run.status, c.status) << c.command;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.command << "\n" << run.out;
    }
    // A dump that never ends is read up to 64 KB only.
    EXPECT_EQ(Shell(grab + " --dump /dev/zero " + out).status, 0);

    // The dump at --at, as zelmarin-sim loads it: the sample screen is not black.
    const std::string screen = SAMPLE_SCREEN;
    ASSERT_EQ(Shell(grab + " --dump " + screen + " --at 40000 --rows 100 " + out).status, 0);
    std::vector<uint8_t> ram(0x10000);
    const auto bytes = testimg::ReadAll(screen);
    std::copy(bytes.begin(), bytes.end(), ram.begin() + 040000);
    EXPECT_EQ(testimg::ReadAll(out),
              EncodeBmp(*ComposeSelection(ram.data(), 040000, 64, 64, 100, true, tables)));
}

// A stand-in killed with SIGKILL leaves its object behind: the next start says how to
// take it over, and --replace does.
TEST(Tools, AKilledStandInsObjectCanBeTakenOver) {
    const std::string base = "BKTEST_" + std::to_string(getpid()) + "_killed";
    const char* args[] = {ZELMARIN_SIM_PATH, "--name", base.c_str(), nullptr};
    pid_t sim = 0;
    ASSERT_EQ(
        posix_spawn(&sim, ZELMARIN_SIM_PATH, nullptr, nullptr, const_cast<char**>(args), environ),
        0);
    const std::filesystem::path object = "/dev/shm/" + base + "0";
    for (int i = 0; i < 300 && !std::filesystem::exists(object); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    kill(sim, SIGKILL);
    waitpid(sim, nullptr, 0);
    ASSERT_TRUE(std::filesystem::exists(object));
    const CommandOutput refused = Shell(std::string(ZELMARIN_SIM_PATH) + " --name " + base);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("--replace"), std::string::npos) << refused.out;
    const CommandOutput replaced =
        Shell("timeout --preserve-status -s TERM 0.5 " + std::string(ZELMARIN_SIM_PATH) +
              " --name " + base + " --replace");
    EXPECT_EQ(replaced.status, 0) << replaced.out;
    EXPECT_FALSE(std::filesystem::exists(object));
}
