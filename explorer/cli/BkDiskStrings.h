// bkdisk's own texts: usage, messages and the lines it prints, by number.
#pragma once

#include "StringTable.h"

#include <initializer_list>
#include <string>

namespace bkdisk {

enum StringId : int {
    IDS_CLI_USAGE = 210,
    IDS_CLI_USAGE_INFO = 211,
    IDS_CLI_USAGE_LS = 212,
    IDS_CLI_USAGE_EXPORT = 213,
    IDS_CLI_USAGE_CAT = 214,
    IDS_CLI_NO_DIR = 215,
    IDS_CLI_NO_FILE = 216,
    IDS_CLI_WROTE = 217,
    IDS_CLI_SKIPPED = 218,
    IDS_CLI_NOT_FOUND = 219,
    IDS_CLI_BAD_OPTION = 220,
    IDS_CLI_WROTE_AS = 224,
    IDS_CLI_MISSING_VALUE = 225,
    IDS_CLI_OUTPUT_FAILED = 226,
    IDS_CLI_USAGE_MOUNT = 227,
    IDS_CLI_USAGE_UMOUNT = 228,
    IDS_CLI_NO_MOUNT = 229,
};

const std::string& LoadResString(StringId id);
using stringtable::FormatResString;

} // namespace bkdisk
