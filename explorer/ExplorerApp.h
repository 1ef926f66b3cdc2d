#pragma once

#include <wx/app.h>

// Start-up runs the window modally; the program ends when it closes.
class CExplorerApp : public wxApp {
public:
    bool OnInit() override;
    int OnRun() override;

    // 0 decimal, 1 octal, 2 hexadecimal: the catalog's numbers; octal for the whole run.
    int m_nNumberBase = 1;
};
