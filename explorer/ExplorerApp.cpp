#include "ExplorerApp.h"

#include "ExplorerDlg.h"

#include <wx/image.h>

bool CExplorerApp::OnInit() {
    wxInitAllImageHandlers();
    return true;
}

int CExplorerApp::OnRun() {
    CExplorerDlg dialog(nullptr);
    SetTopWindow(&dialog);
    dialog.ShowModal();
    return 0;
}

int CExplorerApp::NumberBase() {
    const auto* app = dynamic_cast<const CExplorerApp*>(wxTheApp);
    return app ? app->m_nNumberBase : 1;
}
