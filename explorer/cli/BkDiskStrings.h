// bkdisk's own texts: usage, messages and the lines it prints, by number.
#pragma once

#include "StringTable.h"

#include <string>

namespace bkdisk {

// A number not given is the one before plus one: a new text goes at the end of its run.
enum StringId : int {
    IDS_CLI_USAGE = 210,
    IDS_CLI_USAGE_INFO,
    IDS_CLI_USAGE_LS,
    IDS_CLI_USAGE_EXPORT,
    IDS_CLI_USAGE_CAT,
    IDS_CLI_NO_DIR,
    IDS_CLI_NO_FILE,
    IDS_CLI_WROTE,
    IDS_CLI_SKIPPED,
    IDS_CLI_NOT_FOUND,
    IDS_CLI_BAD_OPTION,
    IDS_CLI_WROTE_AS = 224,
    IDS_CLI_MISSING_VALUE,
    IDS_CLI_OUTPUT_FAILED,
    IDS_CLI_USAGE_MOUNT,
    IDS_CLI_USAGE_UMOUNT,
    IDS_CLI_NO_MOUNT,
    IDS_CLI_OVERWRITE_OR_KEEP,
    IDS_CLI_BAD_MOUNT_POINT,
    IDS_CLI_MOUNTED_ALREADY,
    IDS_CLI_GEOMETRY,
    IDS_CLI_USAGE_MOUNTS,
    IDS_CLI_USAGE_NO_MOUNTS,
    IDS_CLI_USAGE_PATHS,
    IDS_CLI_USAGE_FORMAT,
    IDS_CLI_USAGE_ADD,
    IDS_CLI_USAGE_RM,
    IDS_CLI_USAGE_MKDIR,
    IDS_CLI_USAGE_MV,
    IDS_CLI_ONE_FORMAT,
    IDS_CLI_BAD_ADDRESS,
    IDS_CLI_BAD_COMMAND,
    IDS_CLI_BREAK_LINKS,
    IDS_CLI_USAGE_CHECK,
    IDS_CLI_CHECK_CLEAN,
    IDS_CLI_NAME_PICKS,
    IDS_CLI_VERSION,
    IDS_CLI_NO_SUCH_ENTRY,
    IDS_CLI_IS_DIRECTORY,
    IDS_CLI_NOT_A_DIR,
    IDS_CLI_FREE,
    IDS_CLI_FREE_PIECE,
    IDS_CLI_FORCE,
    IDS_CLI_ONE_DISK,
    IDS_CLI_BAD_DISKS,
    IDS_CLI_DISK_NUMBER,
    IDS_CLI_ONLY_WRITABLE,
};

const std::string& LoadResString(StringId id);
using stringtable::FormatResString;

} // namespace bkdisk
