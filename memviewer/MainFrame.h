// Tomsivar's frame: menu, keys, the dialog bar (address, "&Set", scale), the status bar
// and the picture window; it owns the link to the emulator's RAM.
#pragma once

#include "RamLink.h"
#include "RamView.h"
#include "ViewerOptions.h"
#include "WxCommon.h"

#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/textctrl.h>

#include <functional>
#include <memory>
#include <optional>

enum ViewerCommandId {
    IDC_ADDRESS = 1000,
    IDC_SCALE = 1001,
    IDC_SET = 1002,
    ID_VIEW_ZOOM_IN = WxCommand(32772),
    ID_VIEW_ZOOM_OUT = WxCommand(32773),
    ID_ROW_DOWN = WxCommand(32774),
    ID_BYTE_RIGHT = WxCommand(32775),
    ID_BYTE_LEFT = WxCommand(32776),
    ID_FILE_SAVE_SELECTION = WxCommand(32777),
    ID_VIEW_COLOR_MODE = WxCommand(32778),
    ID_VIEW_REFRESH = WxCommand(32779),
    ID_VIEW_LIVE_UPDATE = WxCommand(32780),
    ID_GO_FIRST = WxCommand(32781),
    ID_GO_LAST = WxCommand(32782),
    ID_VIEW_BK_SCREEN = WxCommand(32783),
    ID_VIEW_ROW_BYTES_AUTO = WxCommand(32784),
    ID_VIEW_ROW_BYTES_FIRST = WxCommand(32785), // one a value of g_rowBytesChoices
    ID_VIEW_ANY_EMULATOR = WxCommand(32790),
    ID_VIEW_EMULATOR_FIRST = WxCommand(32791), // one an index, 0 to 63
    ID_PAGE_UP = WxCommand(32860),
    ID_PAGE_DOWN = WxCommand(32861),
    ID_EDIT_COPY = WxCommand(57634),
    ID_ROW_UP = WxCommand(59412),
    ID_APP_EXIT = WxCommand(57665),
    ID_APP_ABOUT = WxCommand(57664),
    ID_VIEW_STATUS_BAR = WxCommand(59393),
    ID_NEXT_PANE = WxCommand(57680),
    ID_PREV_PANE = WxCommand(57681),
};

class CMainFrame : public wxFrame, public IRamViewHost {
public:
    // `ramName` is the base name of the emulator's objects (the string table's in the
    // program; one of their own in tests); `index` the one object to watch, if given.
    explicit CMainFrame(const std::string& ramName, std::optional<int> index = std::nullopt);
    ~CMainFrame() override;

    uint16_t GetAddress() const override { return m_wAddress; }
    void SetAddress(unsigned value) override;
    const uint8_t* ReadRamForPaint(int count) override;
    const uint8_t* GetRam() override { return m_pRamLink->GetRam(); }
    void PointerMoved(std::optional<unsigned> under) override;
    void SelectionChanged() override;
    void ZoomAt(Point point, bool in) override;
    void SetScaleIndex(int index);

    ViewerSettings CurrentSettings() const;
    void ApplySettings(const ViewerSettings& settings);

private:
    friend struct TomsivarAccess; // tests and the development tools

    // What the frame asks of the desktop, replaceable in tests.
    std::function<void(const wxString&)> m_showMessage; // what went wrong
    std::function<void(const wxString&)> m_showNotice;  // news, such as an emulator found
    std::function<std::optional<std::string>()> m_choosePath;
    std::function<bool(const wxString&)> m_confirm;

    std::unique_ptr<CRamLink> m_pRamLink;
    std::string m_strRamName;
    bool m_bDetectedShown = false; // the box says it once; later the status bar does
    bool m_bMessageShown = false;  // never a second box over the first
    uint16_t m_wAddress = 0;
    int m_nScaleIndex = 0;
    wxStatusBar* m_wndStatusBar = nullptr;
    CRamView* m_wndView = nullptr;
    wxPanel* m_wndDlgBar = nullptr;
    wxTextCtrl* m_address = nullptr;
    wxChoice* m_scale = nullptr;
    wxMenu* m_emulatorMenu = nullptr;
    bool m_bLiveUpdate = true;
    std::string m_strLastSaveFolder; // UTF-8; empty until the first save
    int m_nStartFits = 6;            // size events left in which the start width is kept
    int m_nStartFrameWidth = 0;      // the client width it set last

    void CreateMenu();
    void CreateStatusBar();
    void CreateDialogBar();
    void FillScaleCombo();
    void SelectScaleInCombo(int scale);
    void UpdateScalePane(int scale);
    static constexpr int kPanes = 4;
    void SetPaneText(int pane, const wxString& text);
    void ShowLinkState();
    void ShowNoticeOnce(const wxString& text);
    void ShowModelessNotice(const wxString& text);
    void OnEmulatorDetected();
    void OnEmulatorGone();
    void OnEmulatorMenuOpen(wxMenuEvent& event);
    void OnChooseEmulator(wxCommandEvent& event);
    void OnUpdateEmulator(wxUpdateUIEvent& event);
    void OnRowBytes(wxCommandEvent& event);
    void OnUpdateRowBytes(wxUpdateUIEvent& event);
    void OnBkScreen(wxCommandEvent&);
    void OnCopy(wxCommandEvent&);
    void OnViewSize(wxSizeEvent& event);
    void OnLiveUpdate(wxCommandEvent&);
    void OnUpdateLiveUpdate(wxUpdateUIEvent& event);
    void EnableLiveUpdate(bool on);
    std::string SaveDialogFolder() const;

    void OnSet(wxCommandEvent&);
    void OnScaleSelEndOk(wxCommandEvent&);
    void OnZoomIn(wxCommandEvent&);
    void OnZoomOut(wxCommandEvent&);
    void OnUpdateZoomIn(wxUpdateUIEvent& event);
    void OnUpdateZoomOut(wxUpdateUIEvent& event);
    void OnColorMode(wxCommandEvent&);
    void OnUpdateColorMode(wxUpdateUIEvent& event);
    void OnRefresh(wxCommandEvent&);
    void OnSaveSelection(wxCommandEvent&);
    void OnToggleStatusBar(wxCommandEvent&);
    void OnUpdateStatusBar(wxUpdateUIEvent& event);
    void OnExit(wxCommandEvent&);
    void OnAppAbout(wxCommandEvent&);
    void OnCharHook(wxKeyEvent& event);
    void OnSetFocus(wxFocusEvent&);
};
