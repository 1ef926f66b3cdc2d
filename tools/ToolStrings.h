// The memory tools' own texts (zelmarin-sim, ramgrab): usage and messages, by number.
#pragma once

#include "StringTable.h"

#include <string>

namespace memtools {

// A number not given is the one before plus one: a new text goes at the end of its run.
enum StringId : int {
    IDS_SIM_USAGE = 300,
    IDS_GRAB_USAGE,
    IDS_SIM_CREATED,
    IDS_SIM_EXISTS,
    IDS_TOOL_BAD_DUMP,
    IDS_GRAB_NO_EMULATOR,
    IDS_TOOL_BAD_ARGUMENT = 307,
    IDS_GRAB_CANNOT_OPEN,
    IDS_GRAB_TOO_MUCH,
    IDS_TOOL_BAD_NUMBER,
    IDS_TOOL_NO_VALUE,
    IDS_TOOL_BAD_NAME,
    IDS_SIM_CANNOT_CREATE,
    IDS_GRAB_SHORT_DUMP,
    IDS_TOOL_EMPTY_DUMP,
    IDS_TOOL_OCTAL,
    IDS_TOOL_DECIMAL,
    IDS_GRAB_NO_OBJECT,
    IDS_SIM_ENDS_POSIX,
    IDS_SIM_ENDS_WINDOWS,
    IDS_TOOL_VERSION,
};

const std::string& LoadResString(StringId id);
using stringtable::FormatResString;

} // namespace memtools
