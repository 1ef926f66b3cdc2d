#include "ToolStrings.h"

#include <map>

namespace memtools {

const std::string& LoadResString(StringId id) {
    static const std::map<int, std::string> table = {
        {IDS_SIM_USAGE,
         "Usage: zelmarin-sim [--index N] [--at OCTAL] [--animate] [--name BASE] [--replace] "
         "[DUMP]\n"
         "Creates the emulator's shared memory ZELMARIN_RAM<N> (N from 0 to 63, default 0)\n"
         "and fills it from the memory dump DUMP (loaded at address OCTAL, default 0) or\n"
         "with a test picture in the screen area. --animate keeps changing the picture.\n"
         "Runs until %s, then removes the object. --name replaces the\n"
         "base name ZELMARIN_RAM (for tests that must not meet a running emulator).\n"
         "--replace takes over an object left behind by an emulator that was killed.\n"
         "At most 64 KB of DUMP are read.\n"},
        {IDS_GRAB_USAGE,
         "Usage: ramgrab [--dump FILE [--at OCTAL]] [--address OCTAL] [--bytes-per-row N]\n"
         "               [--rows N] [--mono] [--name BASE] [--index N] OUT.bmp\n"
         "Saves N rows of memory (defaults: address 40000, 64 bytes per row, 256 rows; at\n"
         "most 64 KB in all) as the 16-bit bitmap the viewer saves, from the running\n"
         "emulator or from a dump file loaded at --at (default 0, like zelmarin-sim).\n"
         "--index N reads ZELMARIN_RAM<N> only; without it, the lowest that exists.\n"},
        {IDS_SIM_CREATED, "Serving %s; Ctrl+C ends."},
        {IDS_SIM_EXISTS,
         "cannot create %s: it exists already (an emulator is running, one was killed and\n"
         "left it behind, or a viewer still holds it: start with --replace to take it over)"},
        {IDS_TOOL_BAD_DUMP, "cannot read memory dump %s: %s"},
        {IDS_GRAB_NO_EMULATOR, "no emulator memory found: none of %s exists"},
        {IDS_GRAB_NO_OBJECT, "no emulator memory found: %s does not exist"},
        {IDS_SIM_ENDS_POSIX, "Ctrl+C, SIGTERM or SIGHUP"},
        {IDS_SIM_ENDS_WINDOWS, "Ctrl+C or until its console window is closed"},
        {IDS_GRAB_CANNOT_OPEN,
         "%s exists but cannot be read (no permission, not shared memory, or shorter than "
         "65552 bytes)"},
        {IDS_GRAB_TOO_MUCH, "too much to grab: bytes per row times rows is at most 65536"},
        {IDS_TOOL_BAD_ARGUMENT, "bad argument: %s"},
        {IDS_TOOL_BAD_NUMBER, "bad value for %s: %s (%s from %s to %s)"},
        {IDS_TOOL_OCTAL, "an octal number"},
        {IDS_TOOL_DECIMAL, "a decimal number"},
        {IDS_TOOL_NO_VALUE, "%s needs a value"},
        {IDS_TOOL_BAD_NAME,
         "bad value for --name: %s (a name of 1 to 200 characters without '/' or '\\')"},
        {IDS_SIM_CANNOT_CREATE, "cannot create %s: %s"},
        {IDS_GRAB_SHORT_DUMP,
         "%s holds %s bytes, loaded from address %s to %s; the rows asked for, %s to %s, "
         "lie outside them"},
        {IDS_TOOL_EMPTY_DUMP, "the memory dump %s holds no bytes"},
        {IDS_TOOL_VERSION, "%s 1.1"},
    };
    return stringtable::FindText(table, id);
}

} // namespace memtools
