// Ravelko's string table: every text the window and the explorer's engine show, by its
// number. Its own namespace, so no other table's ids or functions can be taken for it.
#pragma once

#include "StringTable.h"

#include <initializer_list>
#include <string>

namespace ravelko {

enum StringId : int {
    IDS_ABOUTBOX = 101,
    IDS_WRONG_IMAGE = 102,
    IDS_COLUMN_NAME = 104,
    IDS_COLUMN_ADDRESS = 105,
    IDS_COLUMN_SIZE = 106,
    IDS_COLUMN_TYPE = 107,
    IDS_DIR_TYPE = 108,
    IDS_PARENT_DIR = 109,
    IDS_EXT_IMG = 110,
    IDS_EXT_BKD = 111,
    IDS_EXT_DSK = 112,
    IDS_OPEN_IMAGE = 1000,
    IDS_SAVE_BINS = 1002,
    IDS_ABOUT_BUTTON = 57664,
    IDS_SIZE_KB = 57668,
    IDS_BIN_EXTENSION = 57669,

    // Texts of the window's own templates.
    IDS_CAPTION = 120,
    IDS_ADD_BIN_CHECK = 121,
    IDS_ABOUT_CAPTION = 122,
    IDS_ABOUT_VERSION = 123,
    IDS_ABOUT_PURPOSE = 124,
    IDS_ABOUT_ORIGIN = 125,
    IDS_OK = 126,
    IDS_BROWSE_TITLE = 127,
    IDS_IMAGE_FILTER = 128,
    IDS_TITLE_WITH_FILE = 129,
    IDS_ROOT_PATH = 130,
    IDS_OPEN_UNKNOWN_FORMAT = 131,
    IDS_OPEN_READ_ONLY = 132,
    IDS_OPEN_CANNOT_READ = 133,
    IDS_NO_PROGRAM = 134,
    IDS_PROGRESS_TEXT = 135,
    IDS_DELETED_TYPE = 136,
    IDS_OPEN_TOO_LARGE = 137,

    // Export summary.
    IDS_SKIP_UNREADABLE = 200,
    IDS_SKIP_BAD_NAME = 201,
    IDS_SKIP_NOT_CREATED = 202,
    IDS_SKIP_LINK = 203,
    IDS_WRITE_FAILED = 204,
    IDS_NO_TEMP_FOLDER = 205,
    IDS_EXPORT_SUMMARY = 206,
    IDS_EXPORT_MORE = 207,
    IDS_EXPORT_CANCELLED = 208,
    IDS_PROGRESS_TITLE = 209,
    IDS_SKIP_DELETED = 221,
    IDS_SKIP_NOT_REGULAR = 222,
    IDS_EXPORT_RENAMED = 223,
};

// The text of string `id`; empty for a number the table does not hold.
const std::string& LoadResString(StringId id);

using stringtable::FormatResString;

} // namespace ravelko
