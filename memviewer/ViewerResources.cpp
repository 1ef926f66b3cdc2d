#include "ViewerResources.h"

#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/mstream.h>

extern const unsigned char tomsivar_png[];
extern const size_t tomsivar_png_size;

wxBitmap ViewerIconBitmap() {
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxMemoryInputStream stream(tomsivar_png, tomsivar_png_size);
    return wxBitmap(wxImage(stream, wxBITMAP_TYPE_PNG));
}

wxIcon ViewerIcon() {
    wxIcon icon;
    icon.CopyFromBitmap(ViewerIconBitmap());
    return icon;
}
