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
    };
    return stringtable::FindText(table, id);
}

} // namespace tomsivar
