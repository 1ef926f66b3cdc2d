#include "MainFrame.h"

#include "AboutDlg.h"
#include "BitmapExport.h"
#include "ScreenDraw.h"
#include "ScreenPicture.h"
#include "TomsivarStrings.h"
#include "ViewerResources.h"

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/stdpaths.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/valtext.h>

#include <filesystem>

using namespace tomsivar;

namespace {

// String `id`, its placeholders filled from `values`.
wxString Text(StringId id, std::initializer_list<std::string> values = {}) {
    return wxString::FromUTF8(FormatResString(id, values));
}

// The BK's screen (64 bytes a row) at scale 1, unsheared.
const wxSize kStartPicture(512, 512);

} // namespace

CMainFrame::CMainFrame(const std::string& ramName, std::optional<int> index)
    : wxFrame(nullptr, wxID_ANY, Text(IDR_FRAME)), m_strRamName(ramName) {
    SetSize(FromDIP(wxSize(720, 560))); // grows with the screen's scaling
    m_showMessage = [this](const wxString& text) {
        wxMessageBox(text, Text(AFX_IDS_APP_TITLE), wxOK | wxICON_ERROR, this);
    };
    m_showNotice = [this](const wxString& text) { ShowModelessNotice(text); };
    m_confirm = [this](const wxString& text) {
        return wxMessageBox(text, Text(AFX_IDS_APP_TITLE), wxYES_NO | wxICON_QUESTION, this) ==
               wxYES;
    };
    m_choosePath = [this]() -> std::optional<std::string> {
        const MemorySelection* selection = m_wndView->Selection();
        const wxString name =
            selection ? Text(IDS_SAVE_NAME, {AddressText(static_cast<uint16_t>(selection->first))})
                      : wxString();
        wxFileDialog dialog(this, Text(IDS_SAVE_TITLE), wxString::FromUTF8(SaveDialogFolder()),
                            name, Text(IDS_BMP_FILTER), wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return dialog.GetPath().utf8_string();
    };

    // The emulator first: attach now, or wait for it on the watcher.
    m_pRamLink = std::make_unique<CRamLink>(
        ramName, [this] { CallAfter(&CMainFrame::OnEmulatorDetected); },
        [this] { CallAfter(&CMainFrame::OnEmulatorGone); });
    EnableLiveUpdate(m_bLiveUpdate);
    if (index)
        m_pRamLink->WatchIndex(*index);
    m_pRamLink->Start();
    m_bDetectedShown = m_pRamLink->IsAttached(); // found at once: its coming needs no word

    m_wndView = new CRamView(this, this);
    CreateStatusBar();
    CreateDialogBar();
    FillScaleCombo();
    SelectScaleInCombo(g_scales[m_nScaleIndex]);
    CreateMenu();

    auto* layout = new wxBoxSizer(wxVERTICAL);
    layout->Add(m_wndDlgBar, 0, wxEXPAND);
    layout->Add(m_wndView, 1, wxEXPAND);
    SetSizer(layout);
    Layout();
    SetAddress(0);
    // The picture starts 512 pixels wide and high: the BK's screen (64 bytes a row) at
    // scale 1. The window may not be made smaller than what shows a 512-pixel-wide
    // picture below the whole dialog bar.
    SetClientSize(GetClientSize() + kStartPicture - m_wndView->GetClientSize());
    SetMinClientSize(wxSize(std::max(GetClientSize().x, m_wndDlgBar->GetMinSize().x),
                            GetClientSize().y - kStartPicture.y + m_wndDlgBar->GetMinSize().y / 2));
    m_nStartFrameWidth = GetClientSize().x;
    // The scroll bar takes its room only once the window is shown, and on GTK settles
    // over a few size events: the first few sizes of the picture are corrected.
    m_wndView->Bind(wxEVT_SIZE, &CMainFrame::OnViewSize, this);

    Bind(wxEVT_BUTTON, &CMainFrame::OnSet, this, IDC_SET);
    Bind(wxEVT_CHOICE, &CMainFrame::OnScaleSelEndOk, this, IDC_SCALE);
    Bind(wxEVT_MENU, &CMainFrame::OnZoomIn, this, ID_VIEW_ZOOM_IN);
    Bind(wxEVT_MENU, &CMainFrame::OnZoomOut, this, ID_VIEW_ZOOM_OUT);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateZoomIn, this, ID_VIEW_ZOOM_IN);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateZoomOut, this, ID_VIEW_ZOOM_OUT);
    Bind(wxEVT_MENU, &CMainFrame::OnColorMode, this, ID_VIEW_COLOR_MODE);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateColorMode, this, ID_VIEW_COLOR_MODE);
    Bind(wxEVT_MENU, &CMainFrame::OnRefresh, this, ID_VIEW_REFRESH);
    Bind(wxEVT_MENU, &CMainFrame::OnLiveUpdate, this, ID_VIEW_LIVE_UPDATE);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateLiveUpdate, this, ID_VIEW_LIVE_UPDATE);
    Bind(wxEVT_TEXT_ENTER, &CMainFrame::OnSet, this, IDC_ADDRESS);
    Bind(wxEVT_MENU, &CMainFrame::OnSaveSelection, this, ID_FILE_SAVE_SELECTION);
    Bind(wxEVT_UPDATE_UI, &CRamView::OnUpdateSaveSelection, m_wndView, ID_FILE_SAVE_SELECTION);
    Bind(wxEVT_MENU, &CMainFrame::OnToggleStatusBar, this, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateStatusBar, this, ID_VIEW_STATUS_BAR);
    Bind(wxEVT_MENU, &CMainFrame::OnExit, this, ID_APP_EXIT);
    Bind(wxEVT_MENU, &CMainFrame::OnAppAbout, this, ID_APP_ABOUT);
    // The row and byte commands belong to the picture window.
    Bind(wxEVT_MENU, &CRamView::OnRowUp, m_wndView, ID_ROW_UP);
    Bind(wxEVT_MENU, &CRamView::OnRowDown, m_wndView, ID_ROW_DOWN);
    Bind(wxEVT_MENU, &CRamView::OnByteLeft, m_wndView, ID_BYTE_LEFT);
    Bind(wxEVT_MENU, &CRamView::OnByteRight, m_wndView, ID_BYTE_RIGHT);
    Bind(wxEVT_MENU, &CRamView::OnGoFirst, m_wndView, ID_GO_FIRST);
    Bind(wxEVT_MENU, &CRamView::OnGoLast, m_wndView, ID_GO_LAST);
    Bind(wxEVT_MENU, &CRamView::OnPageUp, m_wndView, ID_PAGE_UP);
    Bind(wxEVT_MENU, &CRamView::OnPageDown, m_wndView, ID_PAGE_DOWN);
    Bind(wxEVT_MENU, &CMainFrame::OnCopy, this, ID_EDIT_COPY);
    Bind(wxEVT_MENU, &CMainFrame::OnBkScreen, this, ID_VIEW_BK_SCREEN);
    const int lastRowBytes =
        ID_VIEW_ROW_BYTES_FIRST + static_cast<int>(g_rowBytesChoices.size()) - 1;
    Bind(wxEVT_MENU, &CMainFrame::OnRowBytes, this, ID_VIEW_ROW_BYTES_AUTO, lastRowBytes);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateRowBytes, this, ID_VIEW_ROW_BYTES_AUTO,
         lastRowBytes);
    const int lastEmulator = ID_VIEW_EMULATOR_FIRST + RAM_NAME_SUFFIXES - 1;
    Bind(wxEVT_MENU, &CMainFrame::OnChooseEmulator, this, ID_VIEW_ANY_EMULATOR, lastEmulator);
    Bind(wxEVT_UPDATE_UI, &CMainFrame::OnUpdateEmulator, this, ID_VIEW_ANY_EMULATOR, lastEmulator);
    Bind(wxEVT_MENU_OPEN, &CMainFrame::OnEmulatorMenuOpen, this);
    Bind(wxEVT_CHAR_HOOK, &CMainFrame::OnCharHook, this);
    Bind(wxEVT_SET_FOCUS, &CMainFrame::OnSetFocus, this);
    ShowLinkState();
    m_wndView->SetFocus();
}

// The watcher ends before the mapping it may still be opening is released.
CMainFrame::~CMainFrame() {
    m_pRamLink.reset();
}

namespace {

// GTK shows no key its menus cannot bind (Scroll Lock): there the key follows the label
// in brackets.
wxString WithKeyShown(const wxString& label) {
#ifdef __WXGTK__
    return label.BeforeFirst('\t') + " (" + label.AfterFirst('\t') + ")";
#else
    return label;
#endif
}

} // namespace

void CMainFrame::CreateMenu() {
    auto* file = new wxMenu;
    file->Append(ID_FILE_SAVE_SELECTION, Text(IDS_MENU_SAVE_SELECTION));
    file->Append(ID_APP_EXIT, Text(IDS_MENU_EXIT));
    auto* edit = new wxMenu;
    edit->Append(ID_EDIT_COPY, Text(IDS_MENU_COPY));
    auto* rowBytes = new wxMenu;
    rowBytes->AppendRadioItem(ID_VIEW_ROW_BYTES_AUTO, Text(IDS_MENU_ROW_BYTES_AUTO));
    for (size_t i = 0; i < g_rowBytesChoices.size(); ++i)
        rowBytes->AppendRadioItem(
            ID_VIEW_ROW_BYTES_FIRST + static_cast<int>(i),
            Text(IDS_MENU_ROW_BYTES_ITEM, {std::to_string(g_rowBytesChoices[i])}));
    m_emulatorMenu = new wxMenu;
    auto* view = new wxMenu;
    view->Append(ID_VIEW_ZOOM_IN, Text(IDS_MENU_ZOOM_IN));
    view->Append(ID_VIEW_ZOOM_OUT, Text(IDS_MENU_ZOOM_OUT));
    view->AppendSeparator();
    view->Append(ID_VIEW_BK_SCREEN, Text(IDS_MENU_BK_SCREEN));
    view->AppendSubMenu(rowBytes, Text(IDS_MENU_ROW_BYTES));
    view->AppendSeparator();
    view->AppendCheckItem(ID_VIEW_COLOR_MODE, WithKeyShown(Text(IDS_MENU_COLOR_MODE)));
    view->Append(ID_VIEW_REFRESH, Text(IDS_MENU_REFRESH));
    view->AppendCheckItem(ID_VIEW_LIVE_UPDATE, Text(IDS_MENU_LIVE_UPDATE));
    view->AppendSeparator();
    view->AppendSubMenu(m_emulatorMenu, Text(IDS_MENU_EMULATOR));
    view->AppendSeparator();
    view->AppendCheckItem(ID_VIEW_STATUS_BAR, Text(IDS_MENU_STATUS_BAR));
    auto* help = new wxMenu;
    help->Append(ID_APP_ABOUT, Text(IDS_MENU_ABOUT));
    auto* bar = new wxMenuBar;
    bar->Append(file, Text(IDS_MENU_FILE));
    bar->Append(edit, Text(IDS_MENU_EDIT));
    bar->Append(view, Text(IDS_MENU_VIEW));
    bar->Append(help, Text(IDS_MENU_HELP));
    SetMenuBar(bar);
    // Keys without a menu item of their own; F6 and Shift+F6 have no handler.
    wxAcceleratorEntry keys[] = {{wxACCEL_NORMAL, WXK_F6, ID_NEXT_PANE},
                                 {wxACCEL_SHIFT, WXK_F6, ID_PREV_PANE}};
    SetAcceleratorTable(wxAcceleratorTable(std::size(keys), keys));
}

// Scale, what is watched, the byte under the mouse, the selection.
void CMainFrame::CreateStatusBar() {
    m_wndStatusBar = wxFrame::CreateStatusBar(kPanes);
    const int styles[kPanes] = {wxSB_NORMAL, wxSB_FLAT, wxSB_NORMAL, wxSB_NORMAL};
    m_wndStatusBar->SetStatusStyles(kPanes, styles);
    UpdateScalePane(g_scales[m_nScaleIndex]);
}

// The scale, pointer and selection panes as wide as their texts: what is watched takes
// the rest.
void CMainFrame::SetPaneText(int pane, const wxString& text) {
    SetFittedStatusText(*m_wndStatusBar, pane, text, 1, 32);
}

// Address, its field and Set over Scale and its list, each as large as its text needs.
void CMainFrame::CreateDialogBar() {
    m_wndDlgBar = new wxPanel(this, wxID_ANY);
    const auto size = [this](int w, int h) {
        return m_wndDlgBar->ConvertDialogToPixels(wxSize(w, h));
    };
    const auto label = [this](StringId id) {
        return new wxStaticText(m_wndDlgBar, wxID_ANY, Text(id));
    };
    wxTextValidator octal(wxFILTER_INCLUDE_CHAR_LIST);
    octal.SetCharIncludes("01234567");
    m_address = new wxTextCtrl(m_wndDlgBar, IDC_ADDRESS, wxEmptyString, wxDefaultPosition,
                               size(40, 12), wxTE_PROCESS_ENTER, octal);
    m_address->SetMaxLength(6);
    m_scale = new wxChoice(m_wndDlgBar, IDC_SCALE, wxDefaultPosition, size(48, 12));
    const int gap = size(3, 3).x;
    auto* grid = new wxFlexGridSizer(2, 3, gap, gap);
    const auto labelFlags = wxSizerFlags().Right().CenterVertical();
    grid->Add(label(IDS_BAR_ADDRESS), labelFlags);
    grid->Add(m_address, wxSizerFlags().CenterVertical());
    grid->Add(new wxButton(m_wndDlgBar, IDC_SET, Text(IDS_BAR_SET), wxDefaultPosition,
                           wxDefaultSize, wxBU_EXACTFIT),
              wxSizerFlags().CenterVertical());
    grid->Add(label(IDS_BAR_SCALE), labelFlags);
    grid->Add(m_scale, wxSizerFlags().CenterVertical());
    auto* bar = new wxBoxSizer(wxHORIZONTAL);
    bar->Add(grid, wxSizerFlags().Border(wxALL, gap));
    m_wndDlgBar->SetSizer(bar);
    m_wndDlgBar->SetMinSize(bar->GetMinSize());
}

void CMainFrame::FillScaleCombo() {
    for (int scale : g_scales)
        m_scale->Append(Text(IDS_SCALE_ITEM, {std::to_string(scale)}),
                        reinterpret_cast<void*>(static_cast<intptr_t>(scale)));
}

void CMainFrame::SelectScaleInCombo(int scale) {
    for (unsigned i = 0; i < m_scale->GetCount(); ++i) {
        if (reinterpret_cast<intptr_t>(m_scale->GetClientData(i)) == scale) {
            m_scale->SetSelection(static_cast<int>(i));
            return;
        }
    }
}

void CMainFrame::UpdateScalePane(int scale) {
    SetPaneText(0, Text(IDS_SCALE_PANE, {std::to_string(scale)}));
}

void CMainFrame::SetAddress(unsigned value) {
    m_wAddress = static_cast<uint16_t>(value & 0xFFFF);
    m_address->ChangeValue(AddressText(m_wAddress));
}

const uint8_t* CMainFrame::ReadRamForPaint(int count) {
    m_pRamLink->ReadRam();
    m_pRamLink->SetVisibleRange(m_wAddress, count);
    return m_pRamLink->GetRam();
}

// The field's address, from the button or Enter; a text that is no address is said to
// be so and the picture stays where it is.
void CMainFrame::OnSet(wxCommandEvent&) {
    AddressProblem problem = AddressProblem::None;
    const auto address = ParseAddressText(m_address->GetValue().utf8_string(), &problem);
    if (!address) {
        m_showMessage(Text(problem == AddressProblem::TooLarge ? IDS_ADDRESS_TOO_LARGE
                                                               : IDS_ADDRESS_NOT_OCTAL));
        SetAddress(m_wAddress);
        return;
    }
    SetAddress(*address);
    m_wndView->UpdateScrollBar();
    m_wndView->Refresh(false);
    m_wndView->Update();
}

void CMainFrame::SetScaleIndex(int index) {
    m_nScaleIndex = index;
    m_wndView->SetScale(g_scales[index]);
    SelectScaleInCombo(g_scales[index]);
    UpdateScalePane(g_scales[index]);
}

void CMainFrame::OnScaleSelEndOk(wxCommandEvent&) {
    const int i = m_scale->GetSelection();
    if (i != wxNOT_FOUND)
        SetScaleIndex(i);
}

void CMainFrame::OnZoomIn(wxCommandEvent&) {
    if (CanZoomIn(m_nScaleIndex))
        SetScaleIndex(m_nScaleIndex + 1);
}

void CMainFrame::OnZoomOut(wxCommandEvent&) {
    if (CanZoomOut(m_nScaleIndex))
        SetScaleIndex(m_nScaleIndex - 1);
}

void CMainFrame::OnUpdateZoomIn(wxUpdateUIEvent& event) {
    event.Enable(CanZoomIn(m_nScaleIndex));
}
void CMainFrame::OnUpdateZoomOut(wxUpdateUIEvent& event) {
    event.Enable(CanZoomOut(m_nScaleIndex));
}

void CMainFrame::OnColorMode(wxCommandEvent&) {
    m_wndView->ToggleColor();
}

void CMainFrame::OnUpdateColorMode(wxUpdateUIEvent& event) {
    event.Check(m_wndView->IsColor());
}

void CMainFrame::OnRefresh(wxCommandEvent&) {
    m_wndView->Refresh();
    m_wndView->Update();
}

void CMainFrame::OnToggleStatusBar(wxCommandEvent&) {
    m_wndStatusBar->Show(!m_wndStatusBar->IsShown());
    SendSizeEvent();
}

void CMainFrame::OnUpdateStatusBar(wxUpdateUIEvent& event) {
    event.Check(m_wndStatusBar->IsShown());
}

void CMainFrame::OnExit(wxCommandEvent&) {
    Close();
}

void CMainFrame::OnAppAbout(wxCommandEvent&) {
    CAboutDlg about(this);
    about.ShowModal();
}

void CMainFrame::OnSetFocus(wxFocusEvent&) {
    m_wndView->SetFocus();
}

void CMainFrame::OnViewSize(wxSizeEvent& event) {
    event.Skip();
    if (m_nStartFits <= 0)
        return;
    --m_nStartFits;
    CallAfter([this] {
        if (GetClientSize().x != m_nStartFrameWidth) { // resized by someone else: theirs
            m_nStartFits = 0;
            return;
        }
        const int missing = kStartPicture.x - m_wndView->GetClientSize().x;
        if (missing == 0)
            return;
        SetMinClientSize(GetMinClientSize() + wxSize(missing, 0));
        SetClientSize(GetClientSize() + wxSize(missing, 0));
        m_nStartFrameWidth = GetClientSize().x;
    });
}

// The first coming of the emulator is told in a box; later ones in the status bar only.
void CMainFrame::OnEmulatorDetected() {
    ShowLinkState();
    m_wndView->Refresh();
    if (!m_bDetectedShown) {
        m_bDetectedShown = true;
        ShowNoticeOnce(Text(IDS_EMULATOR_DETECTED));
    }
}

// The background shows, the status bar says why, and the watcher waits for the next one.
void CMainFrame::OnEmulatorGone() {
    ShowLinkState();
    m_wndStatusBar->SetStatusText(Text(IDS_EMULATOR_GONE), 1);
    m_wndView->Refresh();
}

// What is watched, in the status bar and the title.
void CMainFrame::ShowLinkState() {
    const std::string attached = m_pRamLink->AttachedName();
    if (!attached.empty()) {
        m_wndStatusBar->SetStatusText(Text(IDS_WATCHING_PANE, {attached}), 1);
        SetTitle(Text(IDS_TITLE_WITH_OBJECT, {attached}));
        return;
    }
    const auto index = m_pRamLink->WatchedIndex();
    const std::string names =
        index ? FormatRamName(m_strRamName, *index)
              : FormatRamName(m_strRamName, 0) + "..." + std::to_string(RAM_NAME_SUFFIXES - 1);
    m_wndStatusBar->SetStatusText(Text(IDS_WAITING_PANE, {names}), 1);
    SetTitle(Text(IDR_FRAME));
}

// News is told without a modal box: the live picture goes on while it is shown.
void CMainFrame::ShowModelessNotice(const wxString& text) {
    auto* notice = new wxDialog(this, wxID_ANY, Text(AFX_IDS_APP_TITLE));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    const int margin = notice->FromDIP(12);
    sizer->Add(new wxStaticText(notice, wxID_ANY, text), 0, wxALL, margin);
    sizer->Add(notice->CreateButtonSizer(wxOK), 0, wxALIGN_CENTER | wxBOTTOM, margin);
    sizer->SetMinSize(notice->FromDIP(wxSize(260, -1))); // room for the caption too
    notice->SetSizerAndFit(sizer);
    notice->Bind(
        wxEVT_BUTTON, [notice](wxCommandEvent&) { notice->Destroy(); }, wxID_OK);
    notice->Bind(wxEVT_CLOSE_WINDOW, [notice](wxCloseEvent&) { notice->Destroy(); });
    notice->CentreOnParent();
    notice->Show();
}

void CMainFrame::ShowNoticeOnce(const wxString& text) {
    if (m_bMessageShown)
        return;
    m_bMessageShown = true;
    m_showNotice(text);
    m_bMessageShown = false;
}

void CMainFrame::PointerMoved(std::optional<unsigned> under) {
    const uint8_t* ram = m_pRamLink->GetRam();
    if (!under || !ram) {
        SetPaneText(2, wxEmptyString);
        return;
    }
    const auto address = static_cast<uint16_t>(*under);
    SetPaneText(2, Text(IDS_POINTER_PANE, {AddressText(address), AddressText(ram[address])}));
}

// What a save would take: the part of the selection that is shown.
void CMainFrame::SelectionChanged() {
    const auto selection = m_wndView->SavedPart();
    if (!selection || selection->Empty()) {
        SetPaneText(3, wxEmptyString);
        return;
    }
    SetPaneText(3, Text(IDS_SELECTION_PANE,
                        {AddressText(static_cast<uint16_t>(selection->first)),
                         AddressText(static_cast<uint16_t>(selection->Last())),
                         std::to_string(selection->columns), std::to_string(selection->rows)}));
}

// The byte under the point stays under it at the new scale, as far as memory's ends allow.
void CMainFrame::ZoomAt(Point point, bool in) {
    const int index = m_nScaleIndex + (in ? 1 : -1);
    if (index < 0 || index > kMaxScaleIndex)
        return;
    const ViewLayout before = m_wndView->Layout();
    const unsigned under = ByteAt(m_wAddress, point, before).value_or(m_wAddress);
    const wxSize client = m_wndView->GetClientSize();
    const ViewLayout after =
        MakeLayout(client.x, client.y, g_scales[index], m_wndView->GetRowBytesChoice());
    SetAddress(AddressShowing(under, point, after));
    SetScaleIndex(index);
}

// Address 0o40000, 64 bytes a row, the largest scale at which the screen fits.
void CMainFrame::OnBkScreen(wxCommandEvent&) {
    const wxSize client = m_wndView->GetClientSize();
    m_wndView->SetRowBytes(kScreenRowBytes);
    SetAddress(kScreenAddress);
    SetScaleIndex(ScreenScaleIndex(client.x, client.y));
}

void CMainFrame::OnRowBytes(wxCommandEvent& event) {
    const int i = event.GetId() - ID_VIEW_ROW_BYTES_FIRST;
    m_wndView->SetRowBytes(i >= 0 ? g_rowBytesChoices[static_cast<size_t>(i)] : kAutoRowBytes);
}

void CMainFrame::OnUpdateRowBytes(wxUpdateUIEvent& event) {
    const int i = event.GetId() - ID_VIEW_ROW_BYTES_FIRST;
    event.Check(m_wndView->GetRowBytesChoice() ==
                (i >= 0 ? g_rowBytesChoices[static_cast<size_t>(i)] : kAutoRowBytes));
}

// The objects that exist now, and the one watched even when it does not: listed as the
// View menu opens, before the submenu is shown (GTK sizes a menu before its own open
// event, and cut the names the first time).
void CMainFrame::OnEmulatorMenuOpen(wxMenuEvent& event) {
    event.Skip();
    if (event.GetMenu() != m_emulatorMenu->GetParent())
        return;
    while (m_emulatorMenu->GetMenuItemCount() > 0)
        m_emulatorMenu->Destroy(m_emulatorMenu->FindItemByPosition(0));
    m_emulatorMenu->AppendCheckItem(ID_VIEW_ANY_EMULATOR, Text(IDS_MENU_ANY_EMULATOR));
    std::vector<int> indices = m_pRamLink->ExistingIndices();
    if (const auto watched = m_pRamLink->WatchedIndex();
        watched && std::find(indices.begin(), indices.end(), *watched) == indices.end())
        indices.insert(std::upper_bound(indices.begin(), indices.end(), *watched), *watched);
    for (const int i : indices)
        m_emulatorMenu->AppendCheckItem(ID_VIEW_EMULATOR_FIRST + i,
                                        wxString::FromUTF8(FormatRamName(m_strRamName, i)));
}

void CMainFrame::OnChooseEmulator(wxCommandEvent& event) {
    const int i = event.GetId() - ID_VIEW_EMULATOR_FIRST;
    m_pRamLink->WatchIndex(i >= 0 ? std::optional<int>(i) : std::nullopt);
    ShowLinkState();
    m_wndView->Refresh();
}

void CMainFrame::OnUpdateEmulator(wxUpdateUIEvent& event) {
    const int i = event.GetId() - ID_VIEW_EMULATOR_FIRST;
    event.Check(m_pRamLink->WatchedIndex() == (i >= 0 ? std::optional<int>(i) : std::nullopt));
}

// The selection as far as it is shown, as a picture on the clipboard; in the address
// field, the field's own text.
void CMainFrame::OnCopy(wxCommandEvent&) {
    if (FindFocus() == m_address) {
        m_address->Copy();
        return;
    }
    const auto image = m_wndView->BuildSelectionImage();
    if (!image) {
        m_showMessage(Text(IDS_NOTHING_TO_COPY));
        return;
    }
    std::vector<uint8_t> rgb = SelectionRgb(*image);
    const wxBitmap picture(wxImage(image->width, image->height, rgb.data(), true));
    if (!wxTheClipboard->Open()) {
        m_showMessage(Text(IDS_COPY_FAILED));
        return;
    }
    wxTheClipboard->SetData(new wxBitmapDataObject(picture));
    wxTheClipboard->Close();
}

ViewerSettings CMainFrame::CurrentSettings() const {
    const wxSize client = m_wndView->GetClientSize();
    return {m_wAddress,
            m_nScaleIndex,
            m_wndView->IsColor(),
            m_bLiveUpdate,
            m_wndView->GetRowBytesChoice(),
            client.x,
            client.y};
}

void CMainFrame::ApplySettings(const ViewerSettings& stored) {
    const ViewerSettings settings = Checked(stored);
    if (settings.width > 0) {
        m_nStartFits = 0; // the size the user left, not the start size
        SetClientSize(GetClientSize() +
                      wxSize(static_cast<int>(settings.width), static_cast<int>(settings.height)) -
                      m_wndView->GetClientSize());
    }
    m_wndView->SetColor(settings.color);
    EnableLiveUpdate(settings.live);
    m_wndView->SetRowBytes(static_cast<int>(settings.rowBytes));
    SetAddress(static_cast<unsigned>(settings.address));
    SetScaleIndex(static_cast<int>(settings.scaleIndex));
}

void CMainFrame::OnLiveUpdate(wxCommandEvent&) {
    EnableLiveUpdate(!m_bLiveUpdate);
}

void CMainFrame::OnUpdateLiveUpdate(wxUpdateUIEvent& event) {
    event.Check(m_bLiveUpdate);
}

// The link's watcher looks at the memory; this thread wakes only to repaint.
void CMainFrame::EnableLiveUpdate(bool on) {
    m_bLiveUpdate = on;
    m_pRamLink->SetLiveUpdate(on ? CRamLink::ChangeHandler([this](int first, int last) {
        CallAfter([this, first, last] { m_wndView->RefreshBytes(first, last); });
    })
                                 : CRamLink::ChangeHandler());
}

// Arrows, Page Up and Down, Home, End, both keyboards' + and - and Scroll Lock move, zoom
// and colour the picture, except while the address field has the focus: there they stay
// the field's own editing keys. GTK takes none of + and Scroll Lock as an accelerator, and
// its scroll bar would page by its own measure, so all are here.
void CMainFrame::OnCharHook(wxKeyEvent& event) {
    int command = 0;
    switch (event.GetKeyCode()) {
    case WXK_UP:
        command = ID_ROW_UP;
        break;
    case WXK_DOWN:
        command = ID_ROW_DOWN;
        break;
    case WXK_LEFT:
        command = ID_BYTE_LEFT;
        break;
    case WXK_RIGHT:
        command = ID_BYTE_RIGHT;
        break;
    case WXK_HOME:
        command = ID_GO_FIRST;
        break;
    case WXK_END:
        command = ID_GO_LAST;
        break;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
        command = ID_PAGE_UP;
        break;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
        command = ID_PAGE_DOWN;
        break;
    case WXK_NUMPAD_ADD:
    case '+':
    case '=':
        command = ID_VIEW_ZOOM_IN;
        break;
    case WXK_NUMPAD_SUBTRACT:
    case '-':
        command = ID_VIEW_ZOOM_OUT;
        break;
    case WXK_SCROLL:
        command = ID_VIEW_COLOR_MODE;
        break;
    default:
        break;
    }
    const bool otherModifiers = (event.GetModifiers() & ~wxMOD_SHIFT) != 0; // '+' may need Shift
    if (!command || otherModifiers || FindFocus() == m_address) {
        event.Skip();
        return;
    }
    wxCommandEvent run(wxEVT_MENU, command);
    run.SetEventObject(this);
    ProcessWindowEvent(run);
}

void CMainFrame::OnSaveSelection(wxCommandEvent&) {
    const auto image = m_wndView->BuildSelectionImage();
    if (!image) {
        m_showMessage(Text(IDS_NOTHING_TO_SAVE));
        return;
    }
    const auto chosen = m_choosePath();
    if (!chosen)
        return;
    const std::string path = CompleteBmpPath(*chosen);
    if (path != *chosen && std::filesystem::exists(Utf8ToHostPath(path)) &&
        !m_confirm(Text(IDS_REPLACE_FILE, {path})))
        return;
    std::string reason;
    if (!WriteBmpFile(path, *image, &reason)) {
        m_showMessage(Text(IDS_CANT_SAVE_FILE) + "\n" + wxString::FromUTF8(path) + "\n" +
                      wxString::FromUTF8(reason));
        return;
    }
    m_strLastSaveFolder = wxFileName(wxString::FromUTF8(path)).GetPath().utf8_string();
}

// The folder of the last save, else the pictures folder, else the home folder.
std::string CMainFrame::SaveDialogFolder() const {
    if (!m_strLastSaveFolder.empty())
        return m_strLastSaveFolder;
    const wxString pictures = wxStandardPaths::Get().GetUserDir(wxStandardPaths::Dir_Pictures);
    return (wxDirExists(pictures) ? pictures : wxGetHomeDir()).utf8_string();
}
