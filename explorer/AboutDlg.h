#pragma once

#include <wx/dialog.h>

// "About Ravelko": the program icon, its name and version, and an OK button.
class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
