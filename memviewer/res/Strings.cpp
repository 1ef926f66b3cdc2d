#include "Strings.h"

#include <map>

const std::string& LoadResString(int id) {
    static const std::map<int, std::string> table = {
        {IDR_FRAME, "Tomsivar"},
        {AFX_IDS_APP_TITLE, "Tomsivar"},
        {IDS_RAM_NAME, "ZELMARIN_RAM"},
        {IDS_EMULATOR_DETECTED, "Zelmarin detected!"},
        {IDS_SCALE_PANE, "Scale %ix"},
        {IDS_CANT_SAVE_FILE, "Can't save file"},
        {IDS_NOTHING_TO_SAVE,
         "Nothing to save: drag a rectangle over the picture first (it needs memory to show)."},
        {IDS_SCALE_ITEM, "Scale %i"},
        {IDS_MENU_FILE, "&File"},
        {IDS_MENU_SAVE_SELECTION, "Save Selection As &Bitmap...\tAlt+B"},
        {IDS_MENU_EXIT, "E&xit"},
        {IDS_MENU_VIEW, "&View"},
        {IDS_MENU_ZOOM_IN, "Zoom &In\t+"},
        {IDS_MENU_ZOOM_OUT, "Zoom &Out\t-"},
        {IDS_MENU_COLOR_MODE, "&Color Mode\tScroll Lock"},
        {IDS_MENU_REFRESH, "&Refresh Screen\tF11"},
        {IDS_MENU_STATUS_BAR, "&Status Bar"},
        {IDS_MENU_HELP, "&Help"},
        {IDS_MENU_ABOUT, "&About Tomsivar..."},
        {IDS_BAR_ADDRESS, "Address"},
        {IDS_BAR_SET, "&Set"},
        {IDS_BAR_SCALE, "Scale"},
        {IDS_ABOUT_CAPTION, "About Tomsivar"},
        {IDS_ABOUT_VERSION, "Tomsivar 1.0"},
        {IDS_ABOUT_ORIGIN, "Original from BK 0010(01)"},
        {IDS_ABOUT_PURPOSE, "Zelmarin tool for memory watching and grabbing"},
        {IDS_OK, "OK"},
        // GTK matches patterns by case: lower-case names show too.
        {IDS_BMP_FILTER, "BMP (.BMP)|*.BMP;*.bmp;*.Bmp"},
        {IDS_REPLACE_FILE, "%s already exists.\nDo you want to replace it?"},
        {IDS_MENU_LIVE_UPDATE, "&Live Update"},
        {IDS_EMULATOR_GONE, "The emulator has gone; waiting for it to start again"},
        {IDS_ADDRESS_NOT_OCTAL, "The address is octal: type up to six digits from 0 to 7."},
        {IDS_ADDRESS_TOO_LARGE, "The address is at most 177777, the last byte of the memory."},
        {IDS_SIM_USAGE,
         "Usage: zelmarin-sim [--index N] [--at OCTAL] [--animate] [--name BASE] [--replace] "
         "[DUMP]\n"
         "Creates the emulator's shared memory ZELMARIN_RAM<N> (N from 0 to 63, default 0)\n"
         "and fills it from the memory dump DUMP (loaded at address OCTAL, default 0) or\n"
         "with a test picture in the screen area. --animate keeps changing the picture.\n"
         "Runs until Ctrl+C or SIGTERM, then removes the object. --name replaces the\n"
         "base name ZELMARIN_RAM (for tests that must not meet a running emulator).\n"
         "--replace takes over an object left behind by an emulator that was killed.\n"
         "At most 64 KB of DUMP are read.\n"},
        {IDS_GRAB_USAGE,
         "Usage: ramgrab [--dump FILE [--at OCTAL]] [--address OCTAL] [--bytes-per-row N]\n"
         "               [--rows N] [--mono] [--name BASE] OUT.bmp\n"
         "Saves N rows of memory (defaults: address 40000, 64 bytes per row, 256 rows; at\n"
         "most 64 KB in all) as the 16-bit bitmap the viewer saves, from the running\n"
         "emulator or from a dump file loaded at --at (default 0, like zelmarin-sim).\n"},
        {IDS_SIM_CREATED, "Serving %s; Ctrl+C ends."},
        {IDS_SIM_EXISTS,
         "cannot create %s: it exists already (an emulator is running, or one was killed and\n"
         "left it behind: start with --replace to take it over) or shared memory is not available"},
        {IDS_TOOL_BAD_DUMP, "cannot read memory dump %s"},
        {IDS_GRAB_NO_EMULATOR, "no emulator memory found: none of %s exists"},
        {IDS_GRAB_CANNOT_OPEN,
         "%s exists but cannot be read (no permission, or shorter than 65552 bytes)"},
        {IDS_GRAB_TOO_MUCH, "too much to grab: bytes per row times rows is at most 65536"},
        {IDS_GRAB_EMPTY, "nothing to grab: bytes per row and rows must be at least 1"},
        {IDS_TOOL_BAD_ARGUMENT, "bad argument: %s"},
    };
    static const std::string empty;
    const auto it = table.find(id);
    return it == table.end() ? empty : it->second;
}
