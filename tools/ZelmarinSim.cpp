// zelmarin-sim: the emulator's side of the RAM link, for trying the viewer without the
// emulator and for tests. Creates ZELMARIN_RAM<N>, fills it, and removes it at the end.
#include "RamLink.h"
#include "TomsivarStrings.h"
#include "ToolStrings.h"
#include "ToolSupport.h"

#include <csignal>
#include <cstring>
#include <iostream>
#include <thread>

using namespace memtools;
using namespace tomsivar;

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

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
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::optional<unsigned> value;
        if (arg == "--index" && i + 1 < argc && (value = ParseNumber(argv[++i], 10)) &&
            *value < RAM_NAME_SUFFIXES)
            options.index = *value;
        else if (arg == "--at" && i + 1 < argc && (value = ParseNumber(argv[++i], 8)) &&
                 *value <= 0xFFFF)
            options.at = *value;
        else if (arg == "--name" && i + 1 < argc)
            options.name = argv[++i];
        else if (arg == "--animate")
            options.animate = true;
        else if (arg == "--replace")
            options.replace = true;
        else if (!arg.empty() && arg[0] != '-' && options.dump.empty())
            options.dump = arg;
        else
            return bad = arg, std::nullopt;
    }
    return options;
}

int Serve(const Options& options) {
    std::vector<uint8_t> memory(0x10000);
    if (options.dump.empty())
        DrawTestPicture(memory, 0);
    else if (!LoadDump(options.dump, options.at, memory))
        return Fail("zelmarin-sim", FormatResString(IDS_TOOL_BAD_DUMP, {options.dump}));

    const std::string name = FormatRamName(options.name, static_cast<int>(options.index));
    RamMapping mapping;
    uint8_t* ram = CreateRamObject(name, RAM_MAPPING_SIZE, mapping, options.replace);
    if (!ram)
        return Fail("zelmarin-sim", FormatResString(IDS_SIM_EXISTS, {name}));
    std::memcpy(ram, memory.data(), memory.size());

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::cout << FormatResString(IDS_SIM_CREATED, {name}) << std::endl;
    for (int frame = 1; !g_stop; ++frame) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (options.animate) {
            DrawTestPicture(memory, frame);
            std::memcpy(ram + 040000, memory.data() + 040000, 040000);
        }
    }
    DestroyRamObject(name, mapping, RAM_MAPPING_SIZE);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    return RunTool("zelmarin-sim", IDS_SIM_USAGE, argc, argv, Parse, Serve);
}
