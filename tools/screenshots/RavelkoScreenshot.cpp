// Shows Ravelko with an image open in a subdirectory for a few seconds, for the README's
// screenshot: ravelko_screenshot IMAGE DIRECTORY SECONDS
#include "ExplorerDlg.h"
#include "HostNames.h"

#include <wx/app.h>
#include <wx/image.h>

class ScreenshotApp : public wxApp {
public:
    bool OnInit() override {
        wxInitAllImageHandlers();
        auto* dlg = new CExplorerDlg(nullptr);
        dlg->Show();
        if (argc < 4 || dlg->OpenImage(argv[1].utf8_string()) != 0)
            return false;
        dlg->m_pImage->ChangeDir(Utf8ToCp1251(argv[2].utf8_string()));
        dlg->FillList();
        dlg->m_list->SetItemState(2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        m_timer.Bind(wxEVT_TIMER, [dlg](wxTimerEvent&) { dlg->Destroy(); });
        m_timer.StartOnce(wxAtoi(argv[3]) * 1000);
        return true;
    }

private:
    wxTimer m_timer;
};

wxIMPLEMENT_APP(ScreenshotApp);
