#include "ExplorerApp.h"

#include "ExplorerDlg.h"

#include <wx/image.h>

bool CExplorerApp::OnInit() {
    wxInitAllImageHandlers();
    return true;
}

int CExplorerApp::OnRun() {
    CExplorerDlg dialog(nullptr, m_nNumberBase);
    SetTopWindow(&dialog);
    dialog.ShowModal();
    return 0;
}
