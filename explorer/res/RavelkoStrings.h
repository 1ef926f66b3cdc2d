// Ravelko's string table: every text the window and the explorer's engine show, by its
// number. Its own namespace, so no other table's ids or functions can be taken for it.
#pragma once

#include "StringTable.h"

#include <string>

namespace ravelko {

// A number not given is the one before plus one: a new text goes at the end of its run.
enum StringId : int {
    IDS_ABOUTBOX = 101,
    IDS_WRONG_IMAGE,
    IDS_COLUMN_NAME = 104,
    IDS_COLUMN_ADDRESS,
    IDS_COLUMN_SIZE,
    IDS_COLUMN_TYPE,
    IDS_DIR_TYPE,
    IDS_PARENT_DIR,
    IDS_EXT_IMG,
    IDS_EXT_BKD,
    IDS_EXT_DSK,
    IDS_OPEN_IMAGE = 1000,
    IDS_SAVE_BINS = 1002,
    IDS_ABOUT_BUTTON = 57664,
    IDS_SIZE_KB = 57668,
    IDS_BIN_EXTENSION,

    // Texts of the window's own templates.
    IDS_CAPTION = 120,
    IDS_ADD_BIN_CHECK,
    IDS_ABOUT_CAPTION,
    IDS_ABOUT_VERSION,
    IDS_ABOUT_PURPOSE,
    IDS_ABOUT_ORIGIN,
    IDS_OK,
    IDS_BROWSE_TITLE,
    IDS_IMAGE_FILTER,
    IDS_TITLE_WITH_FILE,
    IDS_ROOT_PATH,
    IDS_OPEN_UNKNOWN_FORMAT,
    IDS_OPEN_READ_ONLY,
    IDS_OPEN_CANNOT_READ,
    IDS_NO_PROGRAM,
    IDS_PROGRESS_TEXT,
    IDS_DELETED_TYPE,
    IDS_OPEN_TOO_LARGE,

    // Export summary.
    IDS_SKIP_UNREADABLE = 200,
    IDS_SKIP_BAD_NAME,
    IDS_SKIP_NOT_CREATED,
    IDS_SKIP_LINK,
    IDS_WRITE_FAILED,
    IDS_NO_TEMP_FOLDER,
    IDS_EXPORT_SUMMARY,
    IDS_EXPORT_MORE,
    IDS_EXPORT_CANCELLED,
    IDS_PROGRESS_TITLE,
    IDS_SKIP_DELETED = 221,
    IDS_SKIP_NOT_REGULAR,
    IDS_EXPORT_RENAMED,
    IDS_SKIP_SHORT_CHAIN,
    IDS_SKIP_EXISTS,
    IDS_SKIP_PROTECTED,
    IDS_EXPORT_EXISTING,
    IDS_FOLDER_UNUSABLE,
    IDS_NO_SPACE,
    IDS_EXISTS_TITLE,
    IDS_EXISTS_QUESTION,
    IDS_EXISTS_REPLACE,
    IDS_EXISTS_SKIP,
    IDS_EXISTS_KEEP_BOTH,
    IDS_EXISTS_FOR_ALL,
    IDS_TEXT_EXTENSION,
    IDS_NEVER_RUN,
    IDS_LOST_TYPE,
    IDS_DISK_TYPE,
    IDS_OPEN_CUT_SHORT,
    IDS_DISK_TOO_LARGE,
    IDS_DISK_CANNOT_OPEN,
    IDS_SKIP_OVERWRITTEN,
    IDS_SKIP_DISK_UNREADABLE,
    IDS_NO_BIN_HEADER,
    IDS_EXT_HDI,
    IDS_DISK_UNKNOWN_FORMAT,
    IDS_HARD_DISK_IMAGES,
    IDS_OPEN_TITLE,
    IDS_VIEW_AS_TEXT,
    IDS_OPEN_MIXED,
    IDS_EXPORTED_TO,
    IDS_NOTHING_TO_VIEW,
    IDS_USAGE,
    IDS_BAD_ARGUMENT,
    IDS_OCTAL_SUFFIX,
    IDS_SELECTION_TOTALS,
};

// The text of string `id`; empty for a number the table does not hold.
const std::string& LoadResString(StringId id);

using stringtable::FormatResString;

} // namespace ravelko
