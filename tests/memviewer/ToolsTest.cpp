// zelmarin-sim and ramgrab as separate processes (POSIX; the Windows build checks the
// same under Wine in its end-to-end script).
#include "Command.h"
#include "TempDir.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

const std::string kGrab = RAMGRAB_PATH, kSim = ZELMARIN_SIM_PATH;

// The command's exit status and standard output (standard error joins it).
CommandOutput Shell(const std::string& command) {
    return RunCommand(command + " 2>&1");
}

// zelmarin-sim started with `args`; returns once it says that it serves the memory (then
// the object is filled and its signal handlers are in place).
pid_t StartSim(std::vector<std::string> args, const std::string& base) {
    args.insert(args.begin(), {kSim, "--name", base});
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2] = {-1, -1};
    EXPECT_EQ(pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t sim = 0;
    EXPECT_EQ(posix_spawn(&sim, kSim.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    for (char c = 0; read(out[0], &c, 1) == 1 && c != '\n';) {
    }
    close(out[0]);
    return sim;
}

} // namespace

// ramgrab reads the stand-in's memory (the index asked for, or the lowest) as it reads the
// same dump from a file; the stand-in ends cleanly on SIGTERM and SIGHUP (its terminal
// closed) and takes its object with it.
TEST(Tools, RamGrabReadsTheStandInAndTheStandInCleansUp) {
    testimg::TempDir dir;
    const std::string base = "BKTEST_" + std::to_string(getpid()) + "_grab";
    const std::string live = (dir.Path() / "live.bmp").string();
    const std::string dumped = (dir.Path() / "dump.bmp").string();
    const pid_t sim = StartSim({"--index", "2", "--at", "40000", SAMPLE_SCREEN}, base);
    const pid_t other = StartSim({"--index", "1"}, base);
    EXPECT_EQ(Shell(kGrab + " --name " + base + " --index 2 --rows 100 " + live).status, 0);
    const CommandOutput missing = Shell(kGrab + " --name " + base + " --index 3 x.bmp");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find(base + "3 does not exist"), std::string::npos) << missing.out;
    for (const auto& [pid, signal] : {std::pair{sim, SIGTERM}, std::pair{other, SIGHUP}}) {
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal;
    }
    EXPECT_FALSE(fs::exists("/dev/shm/" + base + "1"));
    EXPECT_FALSE(fs::exists("/dev/shm/" + base + "2"));
    ASSERT_EQ(Shell(kGrab + " --dump " SAMPLE_SCREEN " --at 40000 --rows 100 " + dumped).status, 0);
    EXPECT_EQ(testimg::ReadAll(live), testimg::ReadAll(dumped));
    EXPECT_GT(testimg::ReadAll(live).size(), 100u * 512 * 2);
}

// Help, bad arguments and hostile inputs end with a message and an exit status (2 for
// every bad argument, naming its value and range), never a hang, an abort, a machine out
// of memory or a picture of memory the dump never held.
TEST(Tools, ArgumentsAndInputsGetClearAnswers) {
    testimg::TempDir dir;
    const std::string out = (dir.Path() / "x.bmp").string();
    const std::string shortDump = dir.Write("short.bin", std::vector<uint8_t>(100, 1));
    const std::string empty = dir.Write("empty.bin", {});
    const std::string fifoBase = "BKTEST_" + std::to_string(getpid()) + "_fifo";
    ASSERT_EQ(mkfifo(("/dev/shm/" + fifoBase + "0").c_str(), 0600), 0);
    const struct {
        std::string command;
        int status;
        std::string says;
    } cases[] = {
        {kGrab + " --help", 0, "Usage: ramgrab"},
        {kSim + " --help", 0, "Usage: zelmarin-sim"},
        {"DISPLAY= " TOMSIVAR_PATH " --help", 0, "Usage: tomsivar"}, // no display needed
        {"DISPLAY= " TOMSIVAR_PATH " --version", 0, "Tomsivar 1.1\n"},
        {kSim + " --version", 0, "zelmarin-sim 1.1\n"},
        {kGrab + " --version", 0, "ramgrab 1.1\n"},
        {"DISPLAY= " TOMSIVAR_PATH " --index 64", 2,
         "bad value for --index: 64 (a decimal number from 0 to 63)"},
        {kGrab + " --bogus " + out, 2, "bad argument: --bogus"},
        {kSim + " --index 64", 2, "bad value for --index: 64 (a decimal number from 0 to 63)"},
        {kGrab + " --rows 0 " + out, 2, "bad value for --rows: 0 (a decimal number from 1 to"},
        {kGrab + " --address 200000 " + out, 2, "(an octal number from 0 to 177777)"},
        {kGrab + " " + out + " --rows", 2, "--rows needs a value"},
        {kGrab + " --dump /dev/zero --rows 65536 --bytes-per-row 65536 " + out, 2,
         "too much to grab"},
        {kSim + " --name a/b", 2, "bad value for --name: a/b"},
        {kGrab + " --dump " + dir.Path().string() + " " + out, 1,
         "cannot read memory dump " + dir.Path().string() + ": Is a directory"},
        {kGrab + " --dump " + shortDump + " --address 0 --rows 1 --bytes-per-row 200 " + out, 1,
         shortDump + " holds 100 bytes, loaded from address 0 to 144; the rows asked for, 0 "
                     "to 310, lie outside them"},
        {kSim + " " + empty, 1, "the memory dump " + empty + " holds no bytes"},
        {kGrab + " --name BKTEST_NONE_ " + out, 1,
         "none of BKTEST_NONE_0 ... BKTEST_NONE_63 exists"},
        {"timeout 10 " + kGrab + " --name " + fifoBase + " " + out, 1,
         fifoBase + "0 exists but cannot be read"},
        {kGrab + " --dump /dev/zero " + out, 0, ""}, // read up to 64 KB only
    };
    for (const auto& c : cases) {
        const CommandOutput run = Shell(c.command);
        EXPECT_EQ(run.status, c.status) << c.command;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << c.command << "\n" << run.out;
    }
    unlink(("/dev/shm/" + fifoBase + "0").c_str());
}

// ramgrab replaces its output only with a complete file: a full disk leaves the old one as
// it was, and a link or FIFO in its place is refused, never written through or waited on.
TEST(Tools, RamGrabNeverLosesTheFileItReplaces) {
    testimg::TempDir dir;
    const std::string old = dir.Write("old.bmp", std::vector<uint8_t>(50, 7));
    const std::string grab = kGrab + " --dump /dev/zero ";
    const CommandOutput full = Shell("trap '' XFSZ; ulimit -f 8; " + grab + ShellQuote(old));
    EXPECT_EQ(full.status, 1);
    EXPECT_NE(full.out.find("File too large"), std::string::npos) << full.out;
    EXPECT_EQ(testimg::ReadAll(old), std::vector<uint8_t>(50, 7));
    const fs::path link = dir.Path() / "link.bmp", fifo = dir.Path() / "fifo.bmp";
    fs::create_symlink(old, link);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(Shell(grab + link.string()).out.find("a symbolic link"), std::string::npos);
    EXPECT_NE(Shell("timeout 10 " + grab + fifo.string()).out.find("other than a file"),
              std::string::npos);
    EXPECT_EQ(testimg::ReadAll(old), std::vector<uint8_t>(50, 7));
    EXPECT_EQ(Shell(grab + old).status, 0);
    EXPECT_EQ(testimg::ReadAll(old).size(), 54u + 512 * 256 * 2 * 2);
}

// A stand-in killed with SIGKILL leaves its object behind: the next start says how to
// take it over, and --replace does.
TEST(Tools, AKilledStandInsObjectCanBeTakenOver) {
    const std::string base = "BKTEST_" + std::to_string(getpid()) + "_killed";
    const pid_t sim = StartSim({}, base);
    kill(sim, SIGKILL);
    waitpid(sim, nullptr, 0);
    ASSERT_TRUE(fs::exists("/dev/shm/" + base + "0"));
    const CommandOutput refused = Shell(kSim + " --name " + base);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("--replace"), std::string::npos) << refused.out;
    const CommandOutput replaced =
        Shell("timeout --preserve-status -s TERM 0.5 " + kSim + " --name " + base + " --replace");
    EXPECT_EQ(replaced.status, 0) << replaced.out;
    EXPECT_FALSE(fs::exists("/dev/shm/" + base + "0"));
}

// The real program gets its own options whatever the toolkit takes for itself (GTK takes
// --name): it watches the object they name, as its title says (a UTF-8 title, which
// xwininfo shows).
TEST(Tools, TomsivarWatchesTheObjectItsCommandLineNames) {
    if (Shell("command -v xvfb-run xwininfo").status != 0)
        GTEST_SKIP() << "no xvfb-run or xwininfo";
    const std::string base = "BKTEST_" + std::to_string(getpid()) + "_view";
    const pid_t sim = StartSim({"--index", "2"}, base);
    for (const std::string& args : {"--name " + base + " --index 2", "--name=" + base}) {
        const std::string title = base + "2 \xE2\x80\x94 Tomsivar";
        const std::string script = std::string(TOMSIVAR_PATH) + " " + args +
                                   " & t=$!; for i in $(seq 200); do xwininfo -root -tree | " +
                                   "grep -F " + ShellQuote(title) + " && break; sleep 0.1; " +
                                   "done; kill $t";
        const CommandOutput shown = Shell("xvfb-run -a sh -c " + ShellQuote(script));
        EXPECT_NE(shown.out.find(title), std::string::npos) << args << ": " << shown.out;
    }
    kill(sim, SIGTERM);
    waitpid(sim, nullptr, 0);
}
