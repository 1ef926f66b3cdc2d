#include "AboutDlg.h"

#include "TomsivarStrings.h"
#include "ViewerResources.h"
#include "WxCommon.h"

using namespace tomsivar;

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, LoadResString(IDS_ABOUT_CAPTION), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    const auto text = [](StringId id) { return wxString::FromUTF8(LoadResString(id)); };
    LayOutAboutBox(*this, ViewerIconBitmap(),
                   {text(IDS_ABOUT_VERSION), text(IDS_ABOUT_ORIGIN), text(IDS_ABOUT_PURPOSE)},
                   text(IDS_OK));
    SetIcon(ViewerIcon());
}
