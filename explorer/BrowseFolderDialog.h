// The folder chooser of the export command, around the toolkit's directory dialog.
#pragma once

#include <wx/window.h>

#include <string>

class CBrowseFolderDialog {
public:
    // `startFolder` (UTF-8) is where the chooser opens.
    CBrowseFolderDialog(wxWindow* owner, const wxString& title, const std::string& startFolder);
    virtual ~CBrowseFolderDialog() = default;

    // Shows the modal chooser; true when a folder of the file system was chosen.
    bool Browse();
    // The chosen folder in the host's encoding.
    std::string GetFolderPath() const { return m_strPath; }

protected:
    // Hooks for derived choosers; this program needs neither.
    virtual void OnInitialized() {}
    virtual void OnSelChanged(const wxString&) {}

private:
    wxString m_strTitle;
    std::string m_strStartFolder;
    wxWindow* m_pOwner;
    std::string m_strPath;
};
