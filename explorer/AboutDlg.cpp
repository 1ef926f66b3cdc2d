#include "AboutDlg.h"

#include "ExplorerResources.h"
#include "RavelkoStrings.h"
#include "WxCommon.h"

using namespace ravelko;

namespace {

wxString Text(StringId id) {
    return wxString::FromUTF8(LoadResString(id));
}

} // namespace

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, Text(IDS_ABOUT_CAPTION), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
    LayOutAboutBox(*this, ProgramIconBitmap(),
                   {Text(IDS_ABOUT_VERSION), Text(IDS_ABOUT_PURPOSE), Text(IDS_ABOUT_ORIGIN)},
                   Text(IDS_OK));
    SetIcon(ProgramIcon());
}
