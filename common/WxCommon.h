// Toolkit glue both programs share.
#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>

// wx on Windows reads command ids as signed 16-bit numbers: command numbers fold into
// 0..0x7FFF, or toolbar buttons and menu entries would send ids that match no handler.
constexpr int WxCommand(int id) {
    return id & 0x7FFF;
}

inline wxIcon IconFromBitmap(const wxBitmap& bitmap) {
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    return icon;
}
