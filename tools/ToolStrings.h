// The memory tools' own texts (zelmarin-sim, ramgrab): usage and messages, by number.
#pragma once

#include "StringTable.h"

#include <initializer_list>
#include <string>

namespace memtools {

enum StringId : int {
    IDS_SIM_USAGE = 300,
    IDS_GRAB_USAGE = 301,
    IDS_SIM_CREATED = 302,
    IDS_SIM_EXISTS = 303,
    IDS_TOOL_BAD_DUMP = 304,
    IDS_GRAB_NO_EMULATOR = 305,
    IDS_GRAB_EMPTY = 306,
    IDS_TOOL_BAD_ARGUMENT = 307,
    IDS_GRAB_CANNOT_OPEN = 308,
    IDS_GRAB_TOO_MUCH = 309,
};

const std::string& LoadResString(StringId id);
using stringtable::FormatResString;

} // namespace memtools
