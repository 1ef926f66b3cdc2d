// Main of the GUI tests: a wxApp without a main window, wx assertions as test failures.
#include "WxTest.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/window.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assertion in " << func << ": " << cond << " " << msg;
}

} // namespace

void Pump(int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    wxEventLoop loop;
    wxEventLoopActivator active(&loop);
    do {
        while (loop.Pending())
            loop.Dispatch();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < end);
}

bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 500 && !done(); ++i)
        Pump(10);
    return done();
}

namespace {

std::string Described(const wxWindow& window) {
    const wxRect r = window.GetRect();
    return wxString(window.GetClassInfo()->GetClassName()).utf8_string() + " \"" +
           window.GetLabel().utf8_string() + "\" at " + std::to_string(r.x) + "," +
           std::to_string(r.y) + " " + std::to_string(r.width) + "x" + std::to_string(r.height);
}

void FindLayoutFaults(const wxWindow& parent, std::vector<std::string>& faults) {
    std::vector<const wxWindow*> shown;
    for (const wxWindow* child : parent.GetChildren()) {
        // A frame's status bar lies below its client area, by the frame's own doing.
        const auto* frame = dynamic_cast<const wxFrame*>(&parent);
        if (child->IsShown() && !child->IsTopLevel() && !(frame && child == frame->GetStatusBar()))
            shown.push_back(child);
    }
    const wxRect inside(parent.GetClientSize());
    for (size_t i = 0; i < shown.size(); ++i) {
        const wxRect rect = shown[i]->GetRect();
        if (!inside.Contains(rect))
            faults.push_back(Described(*shown[i]) + " leaves " + Described(parent));
        const wxSize best = shown[i]->GetBestSize();
        if (!shown[i]->GetLabel().empty() && (rect.width < best.x || rect.height < best.y))
            faults.push_back(Described(*shown[i]) + " is smaller than its text");
        for (size_t j = i + 1; j < shown.size(); ++j) {
            if (rect.Intersects(shown[j]->GetRect()))
                faults.push_back(Described(*shown[i]) + " overlaps " + Described(*shown[j]));
        }
        FindLayoutFaults(*shown[i], faults);
    }
}

} // namespace

std::vector<std::string> LayoutFaults(const wxWindow& top) {
    std::vector<std::string> faults;
    FindLayoutFaults(top, faults);
    return faults;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef __WXGTK__
    setenv("GTK_OVERLAY_SCROLLING", "0", 0); // as Tomsivar starts GTK: classic scroll bars
#endif
    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wxWidgets (is there a display?)\n");
        return 1;
    }
    wxInitAllImageHandlers();
    wxSetAssertHandler(FailOnAssert);
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
