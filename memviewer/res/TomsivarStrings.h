// Tomsivar's string table: every text the viewer shows, by its number. Its own
// namespace, so no other table's ids or functions can be taken for it.
#pragma once

#include "StringTable.h"

#include <initializer_list>
#include <string>

namespace tomsivar {

enum StringId : int {
    IDR_FRAME = 128,
    AFX_IDS_APP_TITLE = 57344,
    IDS_RAM_NAME = 61206,
    IDS_EMULATOR_DETECTED = 61207,
    IDS_SCALE_PANE = 61208,
    IDS_CANT_SAVE_FILE = 61209,
    IDS_NOTHING_TO_SAVE = 61210,
    IDS_SCALE_ITEM = 61211,

    // Menus, the dialog bar and the About box.
    IDS_MENU_FILE = 400,
    IDS_MENU_SAVE_SELECTION = 401,
    IDS_MENU_EXIT = 402,
    IDS_MENU_VIEW = 403,
    IDS_MENU_ZOOM_IN = 404,
    IDS_MENU_ZOOM_OUT = 405,
    IDS_MENU_COLOR_MODE = 406,
    IDS_MENU_REFRESH = 407,
    IDS_MENU_STATUS_BAR = 408,
    IDS_MENU_HELP = 409,
    IDS_MENU_ABOUT = 410,
    IDS_BAR_ADDRESS = 411,
    IDS_BAR_SET = 412,
    IDS_BAR_SCALE = 413,
    IDS_ABOUT_CAPTION = 414,
    IDS_ABOUT_VERSION = 415,
    IDS_ABOUT_ORIGIN = 416,
    IDS_ABOUT_PURPOSE = 417,
    IDS_OK = 418,
    IDS_BMP_FILTER = 419,
    IDS_REPLACE_FILE = 420,
    IDS_MENU_LIVE_UPDATE = 421,
    IDS_EMULATOR_GONE = 422,
    IDS_ADDRESS_NOT_OCTAL = 423,
    IDS_ADDRESS_TOO_LARGE = 424,
};

// The text of string `id`; empty for a number the table does not hold.
const std::string& LoadResString(StringId id);

using stringtable::FormatResString;

} // namespace tomsivar
