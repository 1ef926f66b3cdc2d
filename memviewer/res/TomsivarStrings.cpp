#include "TomsivarStrings.h"

#include <map>

namespace tomsivar {

const std::string& LoadResString(StringId id) {
    static const std::map<int, std::string> table = {
        {IDR_FRAME, "Tomsivar"},
        {AFX_IDS_APP_TITLE, "Tomsivar"},
        {IDS_RAM_NAME, "ZELMARIN_RAM"},
        {IDS_EMULATOR_DETECTED, "Zelmarin detected!"},
        {IDS_SCALE_PANE, "Scale %ix"},
        {IDS_CANT_SAVE_FILE, "Can't save file"},
        {IDS_SAVE_LINK, "a symbolic link of that name is in the way; it is never followed"},
        {IDS_SAVE_NOT_REGULAR, "something other than a file is in the way"},
        {IDS_NOTHING_TO_SAVE,
         "Nothing to save: drag a rectangle over the picture first (it needs memory to show)."},
        {IDS_SCALE_ITEM, "Scale %i"},
        {IDS_MENU_FILE, "&File"},
        {IDS_MENU_SAVE_SELECTION, "Save Selection As &Bitmap...\tAlt+B"},
        {IDS_MENU_EXIT, "E&xit\tCtrl+Q"},
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
        {IDS_ABOUT_VERSION, "Tomsivar 1.1"},
        {IDS_ABOUT_ORIGIN, "Original from BK 0010(01)"},
        {IDS_ABOUT_PURPOSE, "Zelmarin tool for memory watching and grabbing"},
        {IDS_OK, "OK"},
        // GTK matches patterns by case: upper-case names show too. The first pattern gives
        // Windows' dialog the extension it adds: a lower-case one.
        {IDS_BMP_FILTER, "BMP (*.BMP)|*.bmp;*.BMP;*.Bmp"},
        {IDS_REPLACE_FILE, "%s already exists.\nDo you want to replace it?"},
        {IDS_MENU_LIVE_UPDATE, "&Live Update"},
        {IDS_EMULATOR_GONE, "The emulator has gone; waiting for it to start again"},
        {IDS_ADDRESS_NOT_OCTAL, "The address is octal: type up to six digits from 0 to 7."},
        {IDS_ADDRESS_TOO_LARGE, "The address is at most 177777, the last byte of the memory."},
        {IDS_MENU_EDIT, "&Edit"},
        {IDS_MENU_COPY, "&Copy Selection\tCtrl+C"},
        {IDS_MENU_BK_SCREEN, "&BK Screen\tCtrl+B"},
        {IDS_MENU_ROW_BYTES, "Bytes &per Row"},
        {IDS_MENU_ROW_BYTES_AUTO, "&Auto (as many as fit)"},
        {IDS_MENU_ROW_BYTES_ITEM, "%i"},
        {IDS_MENU_EMULATOR, "&Emulator"},
        {IDS_MENU_ANY_EMULATOR, "&Any (the lowest number)"},
        {IDS_WAITING_PANE, "Waiting for the emulator (%s)"},
        {IDS_WATCHING_PANE, "Watching %s"},
        {IDS_POINTER_PANE, "%s: %s"},
        {IDS_SELECTION_PANE, "%s-%s: %s bytes x %s rows"},
        {IDS_TITLE_WITH_OBJECT, "%s \xE2\x80\x94 Tomsivar"},
        {IDS_SAVE_TITLE, "Save Selection As Bitmap"},
        {IDS_SAVE_NAME, "memory-%s.bmp"},
        {IDS_COPY_FAILED, "The clipboard cannot be opened: nothing was copied."},
        {IDS_USAGE,
         "Usage: tomsivar [--index N] [--name BASE] [--version]\n"
         "Shows the memory of a running emulator as a picture. Without --index it watches\n"
         "the lowest of ZELMARIN_RAM0 ... ZELMARIN_RAM63 that exists; with it, that one\n"
         "only. --name replaces the base name ZELMARIN_RAM.\n"},
        {IDS_BAD_ARGUMENT, "tomsivar: unknown argument: %s"},
        {IDS_MISSING_VALUE, "tomsivar: %s needs a value"},
        {IDS_BAD_INDEX, "tomsivar: bad value for --index: %s (a decimal number from 0 to 63)"},
        {IDS_BAD_NAME,
         "tomsivar: bad value for --name: %s (a name of 1 to 200 letters, digits, '_' or '-')"},
        {IDS_NOTHING_TO_COPY,
         "Nothing to copy: drag a rectangle over the picture first (it needs memory to show)."},
    };
    return stringtable::FindText(table, id);
}

} // namespace tomsivar
