#include "TomsivarApp.h"

#include "MainFrame.h"
#include "TomsivarStrings.h"
#include "ViewerResources.h"

#include <wx/image.h>

using namespace tomsivar;

bool CTomsivarApp::OnInit() {
    wxInitAllImageHandlers();
    SetVendorName("Local AppWizard-Generated Applications");
    auto* frame = new CMainFrame(LoadResString(IDS_RAM_NAME));
    SetTopWindow(frame);
    frame->SetIcon(ViewerIcon());
    frame->Show();
    return true;
}
