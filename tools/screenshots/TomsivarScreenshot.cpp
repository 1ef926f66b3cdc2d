// Shows Tomsivar at the BK's screen with a selection dragged, for the README's
// screenshot: tomsivar_screenshot RAMNAME SECONDS
#include "TomsivarAccess.h"

#include <wx/app.h>
#include <wx/image.h>
#include <wx/timer.h>

class ScreenshotApp : public wxApp {
public:
    bool OnInit() override {
        wxInitAllImageHandlers();
        if (argc < 3)
            return false;
        auto* frame = new CMainFrame(argv[1].utf8_string());
        frame->Show();
        frame->SetAddress(040000);
        TomsivarAccess{frame}.Selection() = {96, 120, 400, 200};
        m_timer.Bind(wxEVT_TIMER, [frame](wxTimerEvent&) { frame->Destroy(); });
        m_timer.StartOnce(wxAtoi(argv[2]) * 1000);
        return true;
    }

private:
    wxTimer m_timer;
};

wxIMPLEMENT_APP(ScreenshotApp);
