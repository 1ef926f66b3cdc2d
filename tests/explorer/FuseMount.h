// bkdisk mount run by the tests: in the foreground, its standard error in a file.
#pragma once

#include "Command.h"

#include <signal.h>
#include <spawn.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

constexpr long kFuseMagic = 0x65735546;

bool FuseAvailable() {
    return access("/dev/fuse", R_OK | W_OK) == 0 &&
           RunCommand("command -v fusermount3 >/dev/null").status == 0;
}

// `bkdisk mount` in the foreground, its standard error in a file; always unmounted.
class Mount {
public:
    Mount(const fs::path& image, const fs::path& folder, const std::string& options,
          const fs::path& errors)
        : m_folder(folder) {
        const std::string command = std::string("exec ") + BKDISK_PATH + " mount " +
                                    ShellQuote(image.string()) + " " + ShellQuote(folder.string()) +
                                    " --foreground " + options + " 2>" +
                                    ShellQuote(errors.string());
        const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
        posix_spawn(&m_pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
        for (int i = 0; i < 500 && !Mounted(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~Mount() {
        RunCommand("fusermount3 -u -z " + ShellQuote(m_folder.string()) + " 2>/dev/null");
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    bool Mounted() const {
        struct statfs info {};
        return statfs(m_folder.c_str(), &info) == 0 && info.f_type == kFuseMagic;
    }

private:
    fs::path m_folder;
    pid_t m_pid = 0;
};

} // namespace
