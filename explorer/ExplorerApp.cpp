#include "ExplorerApp.h"

#include "ExplorerDlg.h"

#include <wx/image.h>

bool CExplorerApp::OnInit() {
    wxInitAllImageHandlers();
    return true;
}

int CExplorerApp::OnRun() {
    CExplorerDlg dialog(nullptr);
    dialog.m_nNumberBase = m_nNumberBase;
    SetTopWindow(&dialog);
    dialog.ShowModal();
    return 0;
}
