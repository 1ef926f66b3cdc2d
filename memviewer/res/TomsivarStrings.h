// Tomsivar's string table: every text the viewer shows, by its number. Its own
// namespace, so no other table's ids or functions can be taken for it.
#pragma once

#include "StringTable.h"

#include <string>

namespace tomsivar {

// A number not given is the one before plus one: a new text goes at the end of its run.
enum StringId : int {
    IDR_FRAME = 128,
    AFX_IDS_APP_TITLE = 57344,
    IDS_RAM_NAME = 61206,
    IDS_EMULATOR_DETECTED,
    IDS_SCALE_PANE,
    IDS_CANT_SAVE_FILE,
    IDS_NOTHING_TO_SAVE,
    IDS_SCALE_ITEM,

    // Menus, the dialog bar and the About box.
    IDS_MENU_FILE = 400,
    IDS_MENU_SAVE_SELECTION,
    IDS_MENU_EXIT,
    IDS_MENU_VIEW,
    IDS_MENU_ZOOM_IN,
    IDS_MENU_ZOOM_OUT,
    IDS_MENU_COLOR_MODE,
    IDS_MENU_REFRESH,
    IDS_MENU_STATUS_BAR,
    IDS_MENU_HELP,
    IDS_MENU_ABOUT,
    IDS_BAR_ADDRESS,
    IDS_BAR_SET,
    IDS_BAR_SCALE,
    IDS_ABOUT_CAPTION,
    IDS_ABOUT_VERSION,
    IDS_ABOUT_ORIGIN,
    IDS_ABOUT_PURPOSE,
    IDS_OK,
    IDS_BMP_FILTER,
    IDS_REPLACE_FILE,
    IDS_MENU_LIVE_UPDATE,
    IDS_EMULATOR_GONE,
    IDS_ADDRESS_NOT_OCTAL,
    IDS_ADDRESS_TOO_LARGE,
    IDS_SAVE_LINK,
    IDS_SAVE_NOT_REGULAR,
    IDS_MENU_EDIT,
    IDS_MENU_COPY,
    IDS_MENU_BK_SCREEN,
    IDS_MENU_ROW_BYTES,
    IDS_MENU_ROW_BYTES_AUTO,
    IDS_MENU_ROW_BYTES_ITEM,
    IDS_MENU_EMULATOR,
    IDS_MENU_ANY_EMULATOR,
    IDS_WAITING_PANE,
    IDS_WATCHING_PANE,
    IDS_POINTER_PANE,
    IDS_SELECTION_PANE,
    IDS_TITLE_WITH_OBJECT,
    IDS_SAVE_TITLE,
    IDS_SAVE_NAME,
    IDS_COPY_FAILED,
    IDS_USAGE,
    IDS_BAD_ARGUMENT,
    IDS_NOTHING_TO_COPY,
    IDS_MISSING_VALUE,
    IDS_BAD_INDEX,
    IDS_BAD_NAME,
};

// The text of string `id`; empty for a number the table does not hold.
const std::string& LoadResString(StringId id);

using stringtable::FormatResString;

} // namespace tomsivar
