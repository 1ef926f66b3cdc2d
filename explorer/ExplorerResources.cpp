#include "ExplorerResources.h"

#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>

extern const unsigned char toolbar_png[];
extern const size_t toolbar_png_size;
extern const unsigned char listicons_png[];
extern const size_t listicons_png_size;
extern const unsigned char ravelko_png[];
extern const size_t ravelko_png_size;

namespace {

wxImage LoadPng(const unsigned char* data, size_t size) {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(data, size);
    return wxImage(stream, wxBITMAP_TYPE_PNG);
}

// Cell `index` of a strip of square cells, with `mask` made transparent.
wxBitmap Cell(const wxImage& strip, int index, int side, const wxColour& mask) {
    wxImage cell = strip.GetSubImage(wxRect(index * side, 0, side, side));
    cell.SetMaskColour(mask.Red(), mask.Green(), mask.Blue());
    return wxBitmap(cell);
}

} // namespace

wxBitmap ToolbarBitmap(int cell) {
    static const wxImage strip = LoadPng(toolbar_png, toolbar_png_size);
    return Cell(strip, cell, 32, wxColour(0xC0, 0xC0, 0xC0));
}

void FillListImages(wxImageList& images) {
    const wxImage strip = LoadPng(listicons_png, listicons_png_size);
    images.Create(16, 16, true, 4);
    for (int i = 0; i < 4; ++i)
        images.Add(Cell(strip, i, 16, wxColour(0xFF, 0x00, 0xFF)));
}

wxBitmap ProgramIconBitmap() { return wxBitmap(LoadPng(ravelko_png, ravelko_png_size)); }

wxIcon ProgramIcon() {
    wxIcon icon;
    icon.CopyFromBitmap(ProgramIconBitmap());
    return icon;
}
