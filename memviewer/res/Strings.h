// Tomsivar's string table: every text the user sees, by its number.
#pragma once

#include <string>

enum ViewerStringId : int {
    IDR_FRAME = 128,
    AFX_IDS_APP_TITLE = 57344,
    IDS_RAM_NAME = 61206,
    IDS_EMULATOR_DETECTED = 61207,
    IDS_SCALE_PANE = 61208,
    IDS_CANT_SAVE_FILE = 61209,
    IDS_NOTHING_TO_SAVE = 61210,
    IDS_SCALE_ITEM = 61211,

    // The emulator stand-in and the grabber.
    IDS_SIM_USAGE = 300,
    IDS_GRAB_USAGE = 301,
    IDS_SIM_CREATED = 302,
    IDS_SIM_EXISTS = 303,
    IDS_TOOL_BAD_DUMP = 304,
    IDS_GRAB_NO_EMULATOR = 305,
    IDS_GRAB_EMPTY = 306,
    IDS_TOOL_BAD_ARGUMENT = 307,
};

// The text of string `id`; empty for a number the table does not hold.
const std::string& LoadResString(int id);
