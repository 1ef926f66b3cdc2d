#include "AboutDlg.h"

#include "TomsivarStrings.h"
#include "ViewerResources.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

using namespace tomsivar;

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, LoadResString(IDS_ABOUT_CAPTION), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    SetClientSize(ConvertDialogToPixels(wxSize(239, 82)));
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    new wxStaticBitmap(this, wxID_ANY, ViewerIconBitmap(), at(11, 17));
    new wxStaticText(this, wxID_ANY, LoadResString(IDS_ABOUT_VERSION), at(40, 10));
    new wxStaticText(this, wxID_ANY, LoadResString(IDS_ABOUT_ORIGIN), at(40, 25));
    new wxStaticText(this, wxID_ANY, LoadResString(IDS_ABOUT_PURPOSE), at(40, 40));
    auto* ok = new wxButton(this, wxID_OK, LoadResString(IDS_OK), at(182, 7),
                            ConvertDialogToPixels(wxSize(50, 14)));
    ok->SetDefault();
    // Grow where the host's font made a text larger than the template.
    wxSize client = GetClientSize();
    client.IncTo(WindowToClientSize(GetBestSize()) + ConvertDialogToPixels(wxSize(7, 7)));
    SetClientSize(client);
    SetIcon(ViewerIcon());
}
