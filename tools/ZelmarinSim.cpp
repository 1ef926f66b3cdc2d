// zelmarin-sim: the emulator's side of the RAM link, for trying the viewer without the
// emulator and for tests. Creates ZELMARIN_RAM<N>, fills it, and removes it at the end.
#include "RamLink.h"
#include "TomsivarStrings.h"
#include "ToolStrings.h"
#include "ToolSupport.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <atomic>
#include <csignal>
#include <cstring>
#include <iostream>
#include <thread>

using namespace memtools;
using namespace tomsivar;

namespace {

volatile std::sig_atomic_t g_stop = 0;
std::atomic<bool> g_removed{false}; // the object is gone: the process may end

void OnSignal(int) {
    g_stop = 1;
}

#ifdef _WIN32
// The console window closing ends the process as soon as this returns (Windows allows a
// few seconds): the object is removed first.
BOOL WINAPI OnConsoleClose(DWORD event) {
    if (event != CTRL_CLOSE_EVENT)
        return FALSE; // Ctrl+C and Ctrl+Break: the signal's
    g_stop = 1;
    for (int i = 0; i < 60 && !g_removed; ++i)
        Sleep(50);
    return TRUE;
}
#endif

struct Options {
    std::string name = LoadResString(IDS_RAM_NAME);
    unsigned index = 0;
    unsigned at = 0;
    bool animate = false;
    bool replace = false;
    std::string dump;
};

std::optional<Options> Parse(int argc, char** argv, std::string& bad) {
    Options options;
    for (int i = 1; i < argc && bad.empty(); ++i) {
        const std::string arg = argv[i];
        if (arg == "--index")
            Assign(options.index, NumberValue(argc, argv, i, 10, 0, RAM_NAME_SUFFIXES - 1, bad));
        else if (arg == "--at")
            Assign(options.at, NumberValue(argc, argv, i, 8, 0, 0xFFFF, bad));
        else if (arg == "--name")
            Assign(options.name, NameValue(argc, argv, i, bad));
        else if (arg == "--animate")
            options.animate = true;
        else if (arg == "--replace")
            options.replace = true;
        else if (!arg.empty() && arg[0] != '-' && options.dump.empty())
            options.dump = arg;
        else
            bad = FormatResString(IDS_TOOL_BAD_ARGUMENT, {arg});
    }
    if (!bad.empty())
        return std::nullopt;
    return options;
}

// The memory as the dump fills it (an empty dump is surely a mistake), or the test picture.
std::optional<std::string> FillRam(const Options& options, std::vector<uint8_t>& memory) {
    if (options.dump.empty()) {
        DrawTestPicture(memory, 0);
        return std::nullopt;
    }
    std::string reason;
    const auto held = LoadDump(options.dump, options.at, memory, reason);
    if (!held)
        return FormatResString(IDS_TOOL_BAD_DUMP, {options.dump, reason});
    if (*held == 0)
        return FormatResString(IDS_TOOL_EMPTY_DUMP, {options.dump});
    return std::nullopt;
}

int Serve(const Options& options) {
    std::vector<uint8_t> memory(0x10000);
    if (const auto problem = FillRam(options, memory))
        return Fail("zelmarin-sim", *problem);

    const std::string name = FormatRamName(options.name, static_cast<int>(options.index));
    RamMapping mapping;
    RamCreateFailure failure;
    uint8_t* ram = CreateRamObject(name, RAM_MAPPING_SIZE, mapping, options.replace, &failure);
    if (!ram)
        return Fail("zelmarin-sim", failure.exists ? FormatResString(IDS_SIM_EXISTS, {name})
                                                   : FormatResString(IDS_SIM_CANNOT_CREATE,
                                                                     {name, failure.reason}));
    std::memcpy(ram, memory.data(), memory.size());

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
#ifdef SIGHUP
    std::signal(SIGHUP, OnSignal); // the terminal closed
#endif
#ifdef _WIN32
    SetConsoleCtrlHandler(OnConsoleClose, TRUE);
#endif
    std::cout << FormatResString(IDS_SIM_CREATED, {name}) << std::endl;
    for (int frame = 1; !g_stop; ++frame) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (options.animate) {
            DrawTestPicture(memory, frame);
            std::memcpy(ram + 040000, memory.data() + 040000, 040000);
        }
    }
    DestroyRamObject(name, mapping, RAM_MAPPING_SIZE);
    g_removed = true;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunTool("zelmarin-sim", IDS_SIM_USAGE, argc, argv, Parse, Serve);
}
