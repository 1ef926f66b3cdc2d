#pragma once

#include <wx/dialog.h>

// "About Tomsivar": the program icon, its name and purpose, and an OK button.
class CAboutDlg : public wxDialog {
public:
    explicit CAboutDlg(wxWindow* parent);
};
