// Shows Ravelko with an image open in a subdirectory for a few seconds, for the README's
// screenshot: ravelko_screenshot IMAGE DIRECTORY SECONDS
#include "RavelkoAccess.h"

#include <wx/app.h>
#include <wx/image.h>

class ScreenshotApp : public wxApp {
public:
    bool OnInit() override {
        wxInitAllImageHandlers();
        auto* dlg = new CExplorerDlg(nullptr);
        dlg->Show();
        if (argc < 4)
            return false;
        dlg->OpenDroppedFiles({argv[1].utf8_string()});
        // Into the directory as a user goes: select its row, then Enter.
        const RavelkoAccess window{dlg};
        const long row = window.List().FindItem(-1, argv[2]);
        if (row < 0)
            return false;
        window.List().SetItemState(-1, 0, wxLIST_STATE_SELECTED); // a new image's first row
        window.List().SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        window.DoubleClick();
        window.List().SetItemState(2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        m_timer.Bind(wxEVT_TIMER, [dlg](wxTimerEvent&) { dlg->Destroy(); });
        m_timer.StartOnce(wxAtoi(argv[3]) * 1000);
        return true;
    }

private:
    wxTimer m_timer;
};

wxIMPLEMENT_APP(ScreenshotApp);
