#include "BrowseFolderDialog.h"

#include "WxText.h"

#include <wx/dirdlg.h>

CBrowseFolderDialog::CBrowseFolderDialog(wxWindow* owner, const wxString& title,
                                         const std::string& startFolder)
    : m_strTitle(title), m_strStartFolder(startFolder), m_pOwner(owner) {}

bool CBrowseFolderDialog::Browse() {
    wxDirDialog dialog(m_pOwner, m_strTitle, wxString::FromUTF8(m_strStartFolder),
                       wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
    OnInitialized();
    if (dialog.ShowModal() != wxID_OK)
        return false;
    m_strPath = ToHostPath(dialog.GetPath());
    return !m_strPath.empty();
}
