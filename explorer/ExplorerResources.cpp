#include "ExplorerResources.h"

#include "WxCommon.h"

#include <wx/image.h>

// The pictures as XPM: both the GTK and the Windows build read them without a decoder
// library, and the desktop takes the program icon in the same form.
#include "listicons.xpm"
#include "ravelko.xpm"
#include "toolbar.xpm"

namespace {

// Cell `index` of a strip of square cells, with `mask` made transparent.
wxBitmap Cell(const wxImage& strip, int index, int side, const wxColour& mask) {
    wxImage cell = strip.GetSubImage(wxRect(index * side, 0, side, side));
    cell.SetMaskColour(mask.Red(), mask.Green(), mask.Blue());
    return wxBitmap(cell);
}

} // namespace

wxBitmap ToolbarBitmap(int cell) {
    static const wxImage strip(toolbar_xpm);
    return Cell(strip, cell, 32, wxColour(0xC0, 0xC0, 0xC0));
}

void FillListImages(wxImageList& images) {
    const wxImage strip(listicons_xpm);
    images.Create(16, 16, true, 4);
    for (int i = 0; i < 4; ++i)
        images.Add(Cell(strip, i, 16, wxColour(0xFF, 0x00, 0xFF)));
}

wxBitmap ProgramIconBitmap() {
    return wxBitmap(ravelko_xpm);
}

wxIcon ProgramIcon() {
    return IconFromBitmap(ProgramIconBitmap());
}
