#include "ExplorerDlg.h"

#include "AboutDlg.h"
#include "BrowseFolderDialog.h"
#include "DropFiles.h"
#include "ExplorerResources.h"
#include "HostPlatform.h"
#include "ImageEdit.h"
#include "OpenerTypes.h"
#include "RavelkoStrings.h"
#include "WxText.h"

#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/richmsgdlg.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <climits>

using namespace ravelko;

namespace {

constexpr int kTimerPeriodMs = 10;

// The window as it was drawn, in dialog units: its margins, and the list's least size.
constexpr int kMargin = 5;
constexpr int kTopMargin = 10;
constexpr int kToolGap = 7;
const wxSize kListSize(267, 175);

const struct {
    int id;
    int cell;
    std::optional<StringId> tip;
} kTools[] = {
    {ID_OPEN_IMAGE, 0, IDS_OPEN_IMAGE},
    {ID_SAVE_BINS, 1, IDS_SAVE_BINS},
    {ID_VIEW_AS_TEXT, 2, IDS_VIEW_AS_TEXT},
    {ID_ADD_FILES, 4, IDS_ADD_FILES},
    {ID_NEW_FOLDER, 5, IDS_NEW_FOLDER},
    {ID_RENAME, 7, IDS_RENAME},
    {ID_DELETE, 6, IDS_DELETE},
    {ID_NEW_IMAGE, 8, IDS_NEW_IMAGE},
    {ID_APP_ABOUT, 3, IDS_ABOUT_BUTTON},
};

constexpr int kColumnMargin = 24; // a column's padding and its sort arrow
constexpr int kDigitWidth = 8;    // pixels, in the usual font at 96 dpi

const struct {
    StringId title;
    int width;
} kColumns[] = {{IDS_COLUMN_NAME, 150},
                {IDS_COLUMN_TYPE, 100},
                {IDS_COLUMN_ADDRESS, 100},
                {IDS_COLUMN_SIZE, 100}};

// Replace, Skip or Keep both, optionally for every later file of the export; Cancel (or
// closing the box) ends the export.
std::optional<std::pair<ExistingFile, bool>> AskAboutExistingFile(wxWindow* parent,
                                                                  const std::string& path) {
    wxRichMessageDialog box(parent,
                            wxString::FromUTF8(FormatResString(IDS_EXISTS_QUESTION, {path})),
                            wxString::FromUTF8(LoadResString(IDS_EXISTS_TITLE)),
                            wxYES_NO | wxCANCEL | wxHELP | wxICON_QUESTION);
    box.SetYesNoCancelLabels(wxString::FromUTF8(LoadResString(IDS_EXISTS_REPLACE)),
                             wxString::FromUTF8(LoadResString(IDS_EXISTS_SKIP)), wxID_CANCEL);
    box.SetHelpLabel(wxString::FromUTF8(LoadResString(IDS_EXISTS_KEEP_BOTH)));
    box.ShowCheckBox(wxString::FromUTF8(LoadResString(IDS_EXISTS_FOR_ALL)));
    ExistingFile choice;
    switch (box.ShowModal()) {
    case wxID_YES:
        choice = ExistingFile::Replace;
        break;
    case wxID_NO:
        choice = ExistingFile::Keep;
        break;
    case wxID_HELP:
        choice = ExistingFile::KeepBoth;
        break;
    default:
        return std::nullopt;
    }
    return std::pair(choice, box.IsCheckBoxChecked());
}

} // namespace

CProgress::CProgress(wxWindow* parent, ProgressWords words)
    : m_parent(parent), m_words(words), m_start(std::chrono::steady_clock::now()) {}

bool CProgress::operator()(size_t done, size_t total) {
    constexpr auto kQuietTime = std::chrono::milliseconds(500);
    if (!m_dialog && std::chrono::steady_clock::now() - m_start < kQuietTime)
        return true;
    const int maximum = static_cast<int>(std::min<size_t>(total, INT_MAX));
    const wxString text = wxString::FromUTF8(
        FormatResString(m_words.text, {std::to_string(done), std::to_string(total)}));
    if (!m_dialog)
        m_dialog = std::make_shared<wxProgressDialog>(
            wxString::FromUTF8(LoadResString(m_words.title)), text, maximum, m_parent,
            wxPD_CAN_ABORT | wxPD_APP_MODAL | wxPD_AUTO_HIDE);
    return m_dialog->Update(static_cast<int>(std::min<size_t>(done, INT_MAX)), text);
}

// clang-format off
wxBEGIN_EVENT_TABLE(CExplorerDlg, wxDialog)
    EVT_TOOL(ID_OPEN_IMAGE, CExplorerDlg::OnOpenImage)
    EVT_CLOSE(CExplorerDlg::OnClose)
    EVT_LIST_ITEM_ACTIVATED(IDC_FILE_LIST, CExplorerDlg::OnListActivated)
    EVT_LIST_ITEM_SELECTED(IDC_FILE_LIST, CExplorerDlg::OnSelectionChanged)
    EVT_LIST_ITEM_DESELECTED(IDC_FILE_LIST, CExplorerDlg::OnSelectionChanged)
    EVT_LIST_COL_CLICK(IDC_FILE_LIST, CExplorerDlg::OnColumnClick)
    EVT_TOOL(ID_SAVE_BINS, CExplorerDlg::OnSaveSelectionAsBins)
    EVT_TIMER(wxID_ANY, CExplorerDlg::OnTimer)
    EVT_TOOL(ID_APP_ABOUT, CExplorerDlg::OnAppAbout)
    EVT_TOOL(ID_VIEW_AS_TEXT, CExplorerDlg::OnViewAsText)
    EVT_CHECKBOX(IDC_ADD_BIN_EXTENSION, CExplorerDlg::OnAddBinExtension)
    EVT_CHAR_HOOK(CExplorerDlg::OnCharHook)
    EVT_TOOL(ID_ADD_FILES, CExplorerDlg::OnAddFiles)
    EVT_TOOL(ID_NEW_FOLDER, CExplorerDlg::OnNewFolder)
    EVT_TOOL(ID_DELETE, CExplorerDlg::OnDelete)
    EVT_TOOL(ID_RENAME, CExplorerDlg::OnRename)
    EVT_TOOL(ID_NEW_IMAGE, CExplorerDlg::OnNewImage)
    EVT_LIST_BEGIN_LABEL_EDIT(IDC_FILE_LIST, CExplorerDlg::OnBeginLabelEdit)
    EVT_LIST_END_LABEL_EDIT(IDC_FILE_LIST, CExplorerDlg::OnEndLabelEdit)
    EVT_LIST_ITEM_RIGHT_CLICK(IDC_FILE_LIST, CExplorerDlg::OnListRightClick)
wxEND_EVENT_TABLE()
    // clang-format on

    CExplorerDlg::CExplorerDlg(wxWindow* parent, int numberBase)
    : wxDialog(parent, wxID_ANY, LoadResString(IDS_CAPTION), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxRESIZE_BORDER | wxMINIMIZE_BOX | wxMAXIMIZE_BOX |
                   wxCLOSE_BOX),
      m_launcher(std::make_unique<CHostLauncher>(
          [this](const std::string& path, bool textEditor) { ShowNoProgram(path, textEditor); })),
      m_hIcon(ProgramIcon()), m_nNumberBase(numberBase), m_timer(this) {
    m_showMessage = [this](const wxString& text) { ShowBox(text, wxICON_ERROR); };
    m_showInfo = [this](const wxString& text) { ShowBox(text, wxICON_INFORMATION); };
    m_chooseFolder = [this](const std::string& start) -> std::optional<std::string> {
        CBrowseFolderDialog browser(this, LoadResString(IDS_BROWSE_TITLE), start);
        if (!browser.Browse())
            return std::nullopt;
        return browser.GetFolderPath();
    };
    m_progress = [this](ProgressWords words) { return ExportProgress(CProgress(this, words)); };
    m_askExisting = [this](const std::string& path) { return AskAboutExistingFile(this, path); };
    InitChangeDialogs();
    m_list = new CFileListCtrl(
        this, IDC_FILE_LIST, [this] { return RenderDropFiles(); }, wxDefaultPosition,
        ConvertDialogToPixels(kListSize));
    m_addBinCheck = new wxCheckBox(this, IDC_ADD_BIN_EXTENSION, LoadResString(IDS_ADD_BIN_CHECK));
    OnInitDialog();
}

CExplorerDlg::~CExplorerDlg() {
    m_timer.Stop();
}

void CExplorerDlg::OnInitDialog() {
    SetIcon(m_hIcon);
    if (const auto temp = GetTempFolder())
        RemoveStaleCopies(*temp, std::chrono::hours(24));
    CreateToolBar();
    InitList();
    CreateStatusBar();
    LayoutControls();
    WidenForColumns();
    AddAboutToSystemMenu();
    MarkControlsStale();
}

// GTK gives programs no system menu; on Windows its About entry is an ordinary command.
void CExplorerDlg::AddAboutToSystemMenu() {
#ifdef __WXMSW__
    const std::string& text = LoadResString(IDS_ABOUTBOX);
    wxMenu* menu = MSWGetSystemMenu();
    if (!menu || text.empty())
        return;
    menu->AppendSeparator();
    menu->Append(IDM_ABOUTBOX, text);
    Bind(wxEVT_MENU, &CExplorerDlg::OnAppAbout, this, IDM_ABOUTBOX);
#endif
}

void CExplorerDlg::CreateToolBar() {
    m_toolBar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTB_VERTICAL | wxTB_FLAT | wxTB_NODIVIDER);
    m_toolBar->SetToolBitmapSize(FromDIP(wxSize(32, 32)));
    for (const auto& tool : kTools)
        m_toolBar->AddTool(tool.id, wxEmptyString, ToolbarBitmap(tool.cell),
                           tool.tip ? wxString(LoadResString(*tool.tip)) : wxString());
    m_toolBar->Realize();
}

void CExplorerDlg::InitList() {
    m_dropTarget = new CImageDropTarget(
        [this](const std::vector<std::string>& paths) { OpenDroppedFiles(paths); });
    m_list->SetDropTarget(m_dropTarget);
    // The numbers' columns say their base; every column is as wide as its widest text
    // ("<DIR> deleted" in the type's) at least.
    const bool octal = m_nNumberBase == 1;
    // The widths are for the usual font; a larger one widens them alike.
    const double fontScale =
        std::max(1.0, m_list->GetTextExtent("0").x / static_cast<double>(FromDIP(kDigitWidth)));
    for (size_t i = 0; i < std::size(kColumns); ++i) {
        const bool number = i == CatalogOrder::kAddress || i == CatalogOrder::kSize;
        const wxString title =
            wxString::FromUTF8(LoadResString(kColumns[i].title) +
                               (number && octal ? LoadResString(IDS_OCTAL_SUFFIX) : std::string()));
        int width = std::max(static_cast<int>(FromDIP(kColumns[i].width) * fontScale),
                             m_list->GetTextExtent(title).x + kColumnMargin);
        if (i == CatalogOrder::kType)
            width = std::max(
                width, m_list->GetTextExtent(wxString::FromUTF8(LoadResString(IDS_DIR_TYPE) + " " +
                                                                LoadResString(IDS_DELETED_TYPE)))
                               .x +
                           kColumnMargin);
        m_list->InsertColumn(static_cast<long>(i), title, wxLIST_FORMAT_LEFT, width);
    }
    FillListImages(m_listImages);
    m_list->SetImageList(&m_listImages, wxIMAGE_LIST_SMALL);
}

// Where, the format, the size, the selection. As high as its font needs, each fixed pane as
// wide as its text.
void CExplorerDlg::CreateStatusBar() {
    m_statusBar = new wxStatusBar(this, wxID_ANY, 0);
    const int widths[] = {-1, 100, 100, 100};
    const int styles[] = {wxSB_SUNKEN, wxSB_SUNKEN, wxSB_SUNKEN, wxSB_FLAT};
    m_statusBar->SetFieldsCount(4, widths);
    m_statusBar->SetStatusStyles(4, styles);
    m_nStatusBarHeight = std::max(m_statusBar->GetBestSize().y,
                                  m_statusBar->GetCharHeight() + 2 * m_statusBar->GetBorderY() + 8);
}

void CExplorerDlg::SetPaneText(int pane, const wxString& text) {
    SetFittedStatusText(*m_statusBar, pane, text, 0, kColumnMargin);
}

// The toolbar beside the list, the check box under them, the status bar at the bottom:
// the list takes all growth, the toolbar its height. The window starts, and stays, at
// least as large as every control needs (every tool shows) and the list was drawn.
void CExplorerDlg::LayoutControls() {
    const auto dialogUnits = [this](int x, int y) { return ConvertDialogToPixels(wxSize(x, y)); };
    m_list->SetMinSize(dialogUnits(kListSize.x, kListSize.y));
    m_statusBar->SetMinSize(wxSize(-1, m_nStatusBarHeight));
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_toolBar, 0, wxEXPAND | wxLEFT, dialogUnits(kMargin, 0).x);
    row->Add(m_list, 1, wxEXPAND | wxLEFT | wxRIGHT, dialogUnits(kToolGap, 0).x);
    auto* window = new wxBoxSizer(wxVERTICAL);
    window->Add(row, 1, wxEXPAND | wxTOP, dialogUnits(0, kTopMargin).y);
    window->Add(m_addBinCheck, 0, wxALL, dialogUnits(kMargin, kMargin).y);
    window->Add(m_statusBar, 0, wxEXPAND);
    SetSizerAndFit(window);
}

void CExplorerDlg::ReleaseImage() {
    m_listing.reset();
    m_pImage.reset();
    MarkControlsStale();
}

void CExplorerDlg::ShowError(const wxString& text) {
    if (m_showMessage)
        m_showMessage(text);
}

// A box opened while Enter is still held (an Enter on a row that cannot be opened) would
// take the key's release for its own Enter and close at once: it waits for the release.
void CExplorerDlg::ShowBox(const wxString& text, long icon) {
    for (int waited = 0;
         waited < 100 && (wxGetKeyState(WXK_RETURN) || wxGetKeyState(WXK_NUMPAD_ENTER)); ++waited)
        wxMilliSleep(10);
    wxMessageBox(text, LoadResString(IDS_CAPTION), wxOK | icon, this);
}

// The new image replaces the open one only once it has opened: a failed open leaves the
// previous image, its rows and its buttons as they were.
int CExplorerDlg::OpenImage(const std::string& path) {
    OpenedImage opened = OpenImageForChanges(path);
    if (!opened.image) {
        ShowError(wxString::FromUTF8(
            OpenFailureText(path, Utf8FromPath(PathFromUtf8(path).filename()), opened.failure)));
        return 1;
    }
    TakeImage(std::move(opened.image), path, opened.freeSpace);
    m_strImageName = Utf8FromPath(PathFromUtf8(path).filename());
    m_strImagePath = path;
    m_imageReadOnly = m_readOnly = opened.readOnly;
    ShowWhere();
    m_statusBar->Update();
    return 0;
}

// The image in place of the open one, at its root. Its file's identity is kept: no export
// ever replaces it.
void CExplorerDlg::TakeImage(std::unique_ptr<CDiskImage> image, const std::string& path,
                             std::optional<FreeSpace> freeSpace) {
    m_listing.reset();
    m_pImage = std::move(image);
    m_listing = std::make_unique<CatalogListing>(*m_pImage);
    m_listing->SetOrder(m_order);
    m_freeSpace = freeSpace;
    m_stateDisk = m_pImage->HardDisk() ? kDiskList - 1 : 0;
    m_imageFile.clear();
    if (const auto identity = hostfiles::IdentityOf(PathFromUtf8(path)))
        m_imageFile.push_back(*identity);
    MarkControlsStale();
}

// The window starts wide enough to show every column; its minimum stays narrower.
void CExplorerDlg::WidenForColumns() {
    int columns = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, m_list) + 4;
    for (int i = 0; i < m_list->GetColumnCount(); ++i)
        columns += m_list->GetColumnWidth(i);
    if (const int missing = columns - m_list->GetClientSize().x; missing > 0) {
        SetClientSize(GetClientSize() + wxSize(missing, 0));
        Layout();
    }
}

// A new image: its first row selected too, so that Enter acts at once.
void CExplorerDlg::ShowNewImage() {
    Refill();
    if (m_list->GetItemCount() > 0)
        m_list->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CExplorerDlg::OnOpenImage(wxCommandEvent&) {
    wxFileDialog dialog(this, wxString::FromUTF8(LoadResString(IDS_OPEN_TITLE)), wxEmptyString,
                        wxEmptyString, LoadResString(IDS_IMAGE_FILTER), wxFD_OPEN);
    if (dialog.ShowModal() != wxID_OK)
        return;
    if (OpenImage(ToHostPath(dialog.GetPath())) == 0)
        ShowNewImage();
}

// Any file named on the command line is tried, whatever its extension.
void CExplorerDlg::OpenFromCommandLine(const std::string& path) {
    if (OpenImage(path) == 0)
        ShowNewImage();
}

// One dropped image opens; other files go onto the open disk. With no disk open, the first
// image among what was dropped opens.
void CExplorerDlg::OpenDroppedFiles(const std::vector<std::string>& paths) {
    const auto image = paths.size() == 1 || !m_pImage
                           ? std::find_if(paths.begin(), paths.end(), IsImageFileName)
                           : paths.end();
    if (image != paths.end()) {
        if (OpenImage(*image) == 0)
            ShowNewImage();
        return;
    }
    if (ComputeChangeState(m_listing.get(), {}, !m_readOnly).add)
        AddFiles(paths);
    else if (const auto why = WhyNoChanges())
        ShowError(*why);
}

void CExplorerDlg::FillList() {
    if (!m_listing)
        return;
    MarkControlsStale();
    m_list->DeleteAllItems();
    long index = 0;
    const wxColour deleted = wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT);
    for (const CatalogRow& row : m_listing->Rows(m_nNumberBase)) {
        m_list->InsertItem(index, FromCp1251(row.name), row.icon);
        m_list->SetItem(index, 1, row.type);
        m_list->SetItem(index, 2, row.address);
        m_list->SetItem(index, 3, row.size);
        if (row.deleted)
            m_list->SetItemTextColour(index, deleted);
        ++index;
    }
}

Selection CExplorerDlg::GetSelection() const {
    Selection selection;
    for (long item = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = m_list->GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        selection.push_back(static_cast<int>(item));
    return selection;
}

void CExplorerDlg::UpdateControls() {
    if (!m_list || !m_toolBar)
        return;
    const Selection selection = GetSelection();
    const ToolbarState state = ComputeToolbarState(m_listing.get(), selection);
    ShowSelectionTotals(selection);
    if (m_toolBar->GetToolEnabled(ID_SAVE_BINS) != state.saveEnabled)
        m_toolBar->EnableTool(ID_SAVE_BINS, state.saveEnabled);
    if (m_toolBar->GetToolEnabled(ID_VIEW_AS_TEXT) != state.viewEnabled)
        m_toolBar->EnableTool(ID_VIEW_AS_TEXT, state.viewEnabled);
    UpdateChangeTools(selection);
    m_addBinCheck->SetValue(m_bAddBinExtension);
}

// The enable rules run one tick after something they depend on changed, and the timer
// sleeps otherwise: waking a hundred times a second costs 2 % of a core, and collecting a
// selection of thousands of rows each time a third of one.
void CExplorerDlg::MarkControlsStale() {
    m_bControlsStale = true;
    if (!m_timer.IsRunning())
        m_timer.StartOnce(kTimerPeriodMs);
}

void CExplorerDlg::OnTimer(wxTimerEvent&) {
    if (!m_bControlsStale)
        return;
    m_bControlsStale = false;
    UpdateControls();
}

void CExplorerDlg::OnSelectionChanged(wxListEvent& event) {
    MarkControlsStale();
    event.Skip();
}

void CExplorerDlg::OnDblClkList() {
    const DblClkAction action = ChooseDblClkAction(m_listing.get(), GetSelection());
    switch (action.kind) {
    case DblClkAction::EnterParent:
        EnterParent();
        break;
    case DblClkAction::EnterDirectory:
        EnterDirectory(action.directory);
        break;
    case DblClkAction::OpenSelection:
        OpenSelection();
        break;
    case DblClkAction::Nothing:
        break;
    }
}

void CExplorerDlg::OnListActivated(wxListEvent&) {
    OnDblClkList();
}

// The directory (or logical disk) the row's own entry opens; a disk that cannot be read
// is explained, and the list stays where it was.
void CExplorerDlg::EnterDirectory(EntryRef entry) {
    const std::string name = m_pImage->Entry(entry).name;
    if (const auto failure = m_listing->Enter(entry)) {
        ShowError(wxString::FromUTF8(DiskFailureText(PrintableName(name), *failure)));
        return;
    }
    Refill();
}

// Back where the current directory was entered from, with the row entered as the current.
void CExplorerDlg::EnterParent() {
    if (const auto from = m_listing ? m_listing->Back() : std::nullopt)
        Refill(from);
}

// FillList, then the keyboard works at once: the list has the focus and a current row,
// the one of entry `current` (selected, so Enter acts on it) or else the first.
void CExplorerDlg::Refill(std::optional<EntryRef> current) {
    FillList();
    ShowWhere(); // an empty root's too
    if (m_list->GetItemCount() == 0)
        return;
    long named = -1;
    const auto& entries = m_listing->Entries();
    if (const auto it = std::find(entries.begin(), entries.end(), current); it != entries.end())
        named = (it - entries.begin()) + (m_listing->HasParentRow() ? 1 : 0);
    const long row = named >= 0 ? named : 0;
    if (named >= 0)
        m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    m_list->SetItemState(row, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
    m_list->EnsureVisible(row);
    m_list->SetFocus();
}

// The image's file name in the title, the current directory's path in the first pane,
// the current disk's format and size in the others.
void CExplorerDlg::ShowWhere() {
    FollowDisk();
    SetTitle(wxString::FromUTF8(
        FormatResString(m_pImage && m_imageReadOnly ? IDS_TITLE_READ_ONLY : IDS_TITLE_WITH_FILE,
                        {m_strImageName})));
    std::string where = LoadResString(IDS_ROOT_PATH);
    const auto trail = m_listing ? m_listing->TrailNames() : std::vector<std::string>();
    for (size_t i = 0; i < trail.size(); ++i)
        where += (i > 0 ? "\\" : "") + PrintableName(trail[i]);
    m_statusBar->SetStatusText(wxString::FromUTF8(where), 0);
    if (!m_listing)
        return;
    const Place place = m_listing->Current();
    SetPaneText(1, m_pImage->FormatName(place));
    SetPaneText(2, SizeText(m_pImage->DiskSize(place)));
}

// The disk's size, and what is free on a floppy (in one piece too, where a file needs one).
std::string CExplorerDlg::SizeText(long long size) const {
    const auto kb = [](long long bytes) { return std::to_string(bytes / 1024); };
    if (!m_freeSpace)
        return FormatResString(IDS_SIZE_KB, {kb(size)});
    if (!m_freeSpace->onePiece)
        return FormatResString(IDS_SIZE_FREE, {kb(size), kb(m_freeSpace->bytes)});
    return FormatResString(IDS_SIZE_FREE_PIECE,
                           {kb(size), kb(m_freeSpace->bytes), kb(*m_freeSpace->onePiece)});
}

std::optional<std::filesystem::path> CExplorerDlg::TempFolder() {
    auto folder = GetTempFolder();
    if (!folder)
        ShowError(LoadResString(IDS_NO_TEMP_FOLDER));
    return folder;
}

// Removed when the window goes (a copy of its own, in the folder it was written to).
void CExplorerDlg::RememberCopy(const std::filesystem::path& copy) {
    if (!m_tempCopies)
        m_tempCopies = std::make_unique<CTempCopies>(copy.parent_path());
    m_tempCopies->Remember(copy);
}

// An entry that cannot be read says why, as export does. A file whose name no opener
// may be given is shown as text at once; the others are copied as they are on the disk
// (a header only where the name ends in .bin), and their first bytes looked at too.
void CExplorerDlg::OpenSelection() {
    const Selection selection = GetSelection();
    if (SelectionHasDirectory(m_listing.get(), selection)) {
        ShowError(wxString::FromUTF8(LoadResString(IDS_OPEN_MIXED)));
        return;
    }
    const auto first = m_listing ? m_listing->EntryAt(selection.front()) : std::nullopt;
    const std::string name =
        first ? Cp1251ToUtf8(SafeHostName(m_pImage->Entry(*first).name)) : std::string();
    if (OpenerTypeOf(name, {}, ThisOpenerHost()) == OpenerType::Refused)
        return ShownAsText(selection);
    const auto temp = TempFolder();
    if (!temp)
        return;
    ExportOptions options = OptionsFor(true);
    options.headerOnlyInBinFiles = true;
    const ExportResult result = ExportSelection(m_listing.get(), selection, *temp, options);
    const bool opened = !result.topLevel.empty() && result.topLevel.front();
    if (result.error || result.cancelled || !opened) {
        ShowError(wxString::FromUTF8(result.error ? *result.error : ExportSummary(result)));
        return;
    }
    for (const auto& copy : result.topLevel) {
        if (copy)
            RememberCopy(*copy);
    }
    const std::string path = Utf8FromPath(*result.topLevel.front());
    if (FileOpenerType(path, ThisOpenerHost()) == OpenerType::Refused)
        return ShownAsText(selection);
    ShowWhere(); // no word left from an earlier refusal
    if (!m_launcher->OpenWithDefaultApp(path))
        ShowNoProgram(path, false);
}

void CExplorerDlg::ShownAsText(const Selection& selection) {
    ShowAsText(selection);
    m_statusBar->SetStatusText(wxString::FromUTF8(LoadResString(IDS_NEVER_RUN)), 0);
}

// Nothing visible happens when no program starts: the user is told, with the file's path.
void CExplorerDlg::OpenInTextEditor(const std::filesystem::path& path) {
    RememberCopy(path);
    if (!m_launcher->OpenInTextEditor(Utf8FromPath(path)))
        ShowNoProgram(Utf8FromPath(path), true);
}

// A file no program takes may still be read: the text view is offered.
void CExplorerDlg::ShowNoProgram(const std::string& path, bool textEditor) {
    if (textEditor) {
        ShowError(wxString::FromUTF8(FormatResString(IDS_NO_PROGRAM, {path})));
        return;
    }
    if (!m_confirm(wxString::FromUTF8(FormatResString(IDS_NO_PROGRAM_SHOW_TEXT, {path}))))
        return;
    const auto temp = TempFolder();
    if (!temp)
        return;
    std::string problem;
    if (const auto text = WriteTextViewOfFile(PathFromUtf8(path), *temp, &problem))
        OpenInTextEditor(*text);
    else
        ShowError(wxString::FromUTF8(problem));
}

void CExplorerDlg::OnSaveSelectionAsBins(wxCommandEvent&) {
    // The chooser starts where the last export went (at first in the home folder).
    const auto folder = m_chooseFolder(m_strLastExportFolder.empty() ? ToHostPath(wxGetHomeDir())
                                                                     : m_strLastExportFolder);
    if (!folder)
        return;
    m_strLastExportFolder = *folder;
    const ExportResult result =
        ExportSelection(m_listing.get(), GetSelection(), PathFromUtf8(*folder), OptionsFor(false));
    const std::string summary = result.error ? *result.error : ExportSummary(result);
    if (!summary.empty()) {
        // Files kept beside others, or replaced, are news; files left out are a fault.
        (ExportedWhole(result) ? m_showInfo : m_showMessage)(wxString::FromUTF8(summary));
        return;
    }
    // Everything written: the status bar says so, no box to close.
    m_statusBar->SetStatusText(
        wxString::FromUTF8(
            FormatResString(IDS_EXPORTED_TO, {std::to_string(result.filesWritten), *folder})),
        0);
}

void CExplorerDlg::OnViewAsText(wxCommandEvent&) {
    if (m_pImage)
        ShowAsText(GetSelection());
}

void CExplorerDlg::ShowAsText(const Selection& selection) {
    const auto temp = TempFolder();
    if (!temp)
        return;
    std::string problem;
    if (const auto path = WriteTextView(m_listing.get(), selection, *temp, &problem))
        OpenInTextEditor(*path);
    else if (!problem.empty())
        ShowError(wxString::FromUTF8(problem));
}

std::optional<std::vector<uint8_t>> CExplorerDlg::RenderDropFiles() {
    const auto temp = GetTempFolder();
    if (!temp)
        return std::nullopt;
    auto block = ::RenderDropFiles(m_listing.get(), GetSelection(), *temp, HostUsesWideDropPaths(),
                                   OptionsFor(true));
    for (const std::string& copy : block ? ReadDropPaths(*block) : std::vector<std::string>())
        RememberCopy(PathFromUtf8(copy));
    return block;
}

// Our own temporary folder holds only our extracts: an earlier one is replaced. In the
// user's folders a file in the way is asked about, once for all when the user says so.
ExportOptions CExplorerDlg::OptionsFor(bool tempFolder) const {
    ExportOptions options;
    options.addBinExtension = m_bAddBinExtension;
    options.existing = ExistingFile::Replace;
    options.neverReplace = m_imageFile;
    options.progress = m_progress({IDS_PROGRESS_TITLE, IDS_PROGRESS_TEXT});
    if (!tempFolder) {
        auto forAll = std::make_shared<std::optional<ExistingFile>>();
        options.askExisting =
            [this, forAll](const std::filesystem::path& path) -> std::optional<ExistingFile> {
            if (*forAll)
                return *forAll;
            const auto answer = m_askExisting(Utf8FromPath(path));
            if (answer && answer->second)
                *forAll = answer->first;
            return answer ? std::optional(answer->first) : std::nullopt;
        };
    }
    return options;
}

// The count of the selected entries and their files' bytes; nothing without a selection.
void CExplorerDlg::ShowSelectionTotals(const Selection& selection) {
    const SelectionTotals totals = TotalsOf(m_listing.get(), selection);
    SetPaneText(3, totals.entries == 0
                       ? wxString()
                       : wxString::FromUTF8(FormatResString(
                             IDS_SELECTION_TOTALS,
                             {std::to_string(totals.entries), std::to_string(totals.bytes)})));
}

// A header's click orders the rows by it, up, then down, then as the catalog has them; the
// current row and the selected ones stay so, wherever they move.
void CExplorerDlg::OnColumnClick(wxListEvent& event) {
    m_order = NextOrder(m_order, event.GetColumn());
    ShowSortIndicator();
    if (!m_listing)
        return;
    const long focused = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED);
    const auto current =
        focused >= 0 ? m_listing->EntryAt(static_cast<int>(focused)) : std::nullopt;
    std::vector<EntryRef> selected;
    for (const int row : GetSelection()) {
        if (const auto ref = m_listing->EntryAt(row))
            selected.push_back(*ref);
    }
    m_listing->SetOrder(m_order);
    Refill(current);
    const long first = m_listing->HasParentRow() ? 1 : 0;
    const auto& entries = m_listing->Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (std::find(selected.begin(), selected.end(), entries[i]) != selected.end())
            m_list->SetItemState(first + static_cast<long>(i), wxLIST_STATE_SELECTED,
                                 wxLIST_STATE_SELECTED);
    }
}

void CExplorerDlg::ShowSortIndicator() {
    if (m_order.column == CatalogOrder::kCatalog)
        m_list->RemoveSortIndicator();
    else
        m_list->ShowSortIndicator(m_order.column, !m_order.descending);
}

// Sizes are kept in pixels of a 96-dpi screen, so that they read back the same on a screen
// of another scale.
ExplorerSettings CExplorerDlg::CurrentSettings() const {
    ExplorerSettings settings;
    for (size_t i = 0; i < settings.columnWidths.size(); ++i)
        settings.columnWidths[i] = ToDIP(m_list->GetColumnWidth(static_cast<int>(i)));
    settings.width = ToDIP(GetClientSize()).x;
    settings.height = ToDIP(GetClientSize()).y;
    settings.addBinExtension = m_bAddBinExtension;
    return settings;
}

void CExplorerDlg::ApplySettings(const ExplorerSettings& stored) {
    const ExplorerSettings settings = CheckedSettings(stored);
    for (size_t i = 0; i < settings.columnWidths.size(); ++i) {
        if (settings.columnWidths[i] > 0)
            m_list->SetColumnWidth(static_cast<int>(i),
                                   FromDIP(static_cast<int>(settings.columnWidths[i])));
    }
    if (settings.width > 0)
        SetClientSize(
            FromDIP(wxSize(static_cast<int>(settings.width), static_cast<int>(settings.height))));
    m_bAddBinExtension = settings.addBinExtension;
    MarkControlsStale();
}

void CExplorerDlg::OnAppAbout(wxCommandEvent&) {
    CAboutDlg about(this);
    about.ShowModal();
}

void CExplorerDlg::OnAddBinExtension(wxCommandEvent&) {
    m_bAddBinExtension = !m_bAddBinExtension;
    MarkControlsStale();
}

// The window's keys: a tool button's command runs only while the button is enabled; a
// changing command's key says why it cannot run when no change can be made at all.
void CExplorerDlg::OnCharHook(wxKeyEvent& event) {
    if (m_list->GetEditControl()) { // a name being typed in place takes every key
        event.Skip();
        return;
    }
    const int key = event.GetKeyCode();
    const bool control = event.GetModifiers() == wxMOD_CONTROL;
    int tool = 0;
    if (control && key == 'O')
        tool = ID_OPEN_IMAGE;
    else if (control && key == 'E')
        tool = ID_SAVE_BINS;
    else if (event.GetModifiers() == wxMOD_NONE && key == WXK_F3)
        tool = ID_VIEW_AS_TEXT;
    else if (event.GetModifiers() == wxMOD_NONE && key == WXK_F1)
        tool = ID_APP_ABOUT;
    else if (event.GetModifiers() == wxMOD_NONE && key == WXK_INSERT)
        tool = ID_ADD_FILES;
    else if (event.GetModifiers() == (wxMOD_CONTROL | wxMOD_SHIFT) && key == 'N')
        tool = ID_NEW_FOLDER;
    else if (event.GetModifiers() == wxMOD_NONE && key == WXK_DELETE)
        tool = ID_DELETE;
    else if (event.GetModifiers() == wxMOD_NONE && key == WXK_F2)
        tool = ID_RENAME;
    else if (control && key == 'N')
        tool = ID_NEW_IMAGE;
    if (tool) {
        UpdateControls();
        if (m_toolBar->GetToolEnabled(tool)) {
            wxCommandEvent command(wxEVT_TOOL, tool);
            command.SetEventObject(m_toolBar);
            ProcessWindowEvent(command);
        } else if (const auto why = IsChangeTool(tool) ? WhyNoChanges() : std::nullopt) {
            ShowError(*why);
        }
        return;
    }
    if (control && key == 'A') {
        SelectAll();
        return;
    }
    if (key == WXK_MENU || (event.GetModifiers() == wxMOD_SHIFT && key == WXK_F10)) {
        ShowDiskMenu(m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_FOCUSED));
        return;
    }
    switch (key) {
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        OnOK();
        break;
    case WXK_ESCAPE:
        OnCancel();
        break;
    case WXK_BACK:
        EnterParent();
        break;
    default:
        event.Skip();
    }
}

// Every row but "..".
void CExplorerDlg::SelectAll() {
    const long first = m_listing && m_listing->HasParentRow() ? 1 : 0;
    for (long row = 0; row < m_list->GetItemCount(); ++row)
        m_list->SetItemState(row, row >= first ? wxLIST_STATE_SELECTED : 0, wxLIST_STATE_SELECTED);
    MarkControlsStale();
}

// Enter acts on the selection like a double-click; the window stays open.
void CExplorerDlg::OnOK() {
    OnDblClkList();
}

void CExplorerDlg::OnCancel() {
    ReleaseImage();
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

void CExplorerDlg::OnClose(wxCloseEvent&) {
    OnCancel();
}
