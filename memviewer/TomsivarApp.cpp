#include "TomsivarApp.h"

#include "MainFrame.h"
#include "Strings.h"
#include "ViewerResources.h"

#include <wx/image.h>

bool CTomsivarApp::OnInit() {
    wxInitAllImageHandlers();
    SetVendorName("Local AppWizard-Generated Applications");
    auto* frame = new CMainFrame(LoadResString(IDS_RAM_NAME));
    SetTopWindow(frame);
    frame->SetIcon(ViewerIcon());
    frame->Show();
    return true;
}
