// Shows Tomsivar at the BK's screen with a selection and the mouse over it, for the README's
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
        wxCommandEvent screen(wxEVT_MENU, ID_VIEW_BK_SCREEN);
        frame->ProcessWindowEvent(screen);
        TomsivarAccess{frame}.Select({040000 + 60 * 64 + 12, 38, 40, 64});
        m_pointer.Bind(wxEVT_TIMER, [frame](wxTimerEvent&) { // once the picture is painted
            wxMouseEvent motion(wxEVT_MOTION); // the byte under the mouse in the status bar
            motion.SetPosition(wxPoint(200, 150));
            TomsivarAccess{frame}.View().ProcessWindowEvent(motion);
        });
        m_pointer.StartOnce(1000);
        m_timer.Bind(wxEVT_TIMER, [frame](wxTimerEvent&) { frame->Destroy(); });
        m_timer.StartOnce(wxAtoi(argv[2]) * 1000);
        return true;
    }

private:
    wxTimer m_timer, m_pointer;
};

wxIMPLEMENT_APP(ScreenshotApp);
