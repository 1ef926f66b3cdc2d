#include "AboutDlg.h"

#include "ExplorerResources.h"
#include "RavelkoStrings.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

using namespace ravelko;

namespace {

wxString Text(StringId id) {
    return wxString::FromUTF8(LoadResString(id));
}

} // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, Text(IDS_ABOUT_CAPTION), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    SetClientSize(ConvertDialogToPixels(wxSize(239, 82)));
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    // A text takes at least its template's room, and more where the host's font needs it.
    auto label = [&](StringId id, int x, int y, int width, int height) {
        auto* text = new wxStaticText(this, wxID_ANY, Text(id), at(x, y));
        wxSize size = ConvertDialogToPixels(wxSize(width, height));
        size.IncTo(text->GetBestSize());
        text->SetSize(size);
    };
    new wxStaticBitmap(this, wxID_ANY, ProgramIconBitmap(), at(11, 17));
    label(IDS_ABOUT_VERSION, 35, 10, 119, 8);
    label(IDS_ABOUT_PURPOSE, 35, 35, 145, 20);
    label(IDS_ABOUT_ORIGIN, 35, 60, 80, 10);
    auto* ok = new wxButton(this, wxID_OK, Text(IDS_OK), at(182, 7),
                            ConvertDialogToPixels(wxSize(50, 14)));
    ok->SetDefault();
    // Grow where the host's font made a text larger than its template.
    wxSize client = GetClientSize();
    client.IncTo(WindowToClientSize(GetBestSize()) + ConvertDialogToPixels(wxSize(7, 7)));
    SetClientSize(client);
    SetIcon(ProgramIcon());
}
