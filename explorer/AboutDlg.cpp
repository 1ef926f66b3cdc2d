#include "AboutDlg.h"

#include "ExplorerResources.h"
#include "Strings.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, LoadResString(IDS_ABOUT_CAPTION), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    SetClientSize(ConvertDialogToPixels(wxSize(239, 82)));
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto size = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };
    new wxStaticBitmap(this, wxID_ANY, ProgramIconBitmap(), at(11, 17));
    new wxStaticText(this, wxID_ANY, LoadResString(IDS_ABOUT_VERSION), at(35, 10), size(119, 8));
    new wxStaticText(this, wxID_ANY, wxString::FromUTF8(LoadResString(IDS_ABOUT_PURPOSE)), at(35, 35), size(145, 20));
    new wxStaticText(this, wxID_ANY, LoadResString(IDS_ABOUT_ORIGIN), at(35, 60), size(80, 10));
    auto* ok = new wxButton(this, wxID_OK, LoadResString(IDS_OK), at(182, 7), size(50, 14));
    ok->SetDefault();
    SetIcon(ProgramIcon());
}
