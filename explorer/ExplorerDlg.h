// Ravelko's one window: the catalog list, the vertical toolbar, the 'Add ".bin"
// extension' check box and the status bar. The decisions come from the explorer core;
// this class carries them to the screen.
#pragma once

#include "CatalogView.h"
#include "ExplorerSettings.h"
#include "Export.h"
#include "DiskEditor.h"
#include "DiskImage.h"
#include "FileListCtrl.h"
#include "ImageChange.h"
#include "Launcher.h"
#include "TempCopies.h"
#include "RavelkoStrings.h"
#include "WxCommon.h"

#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/imaglist.h>
#include <wx/statusbr.h>
#include <wx/timer.h>
#include <wx/toolbar.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

enum ExplorerControlId {
    IDC_FILE_LIST = 1001,
    IDC_ADD_BIN_EXTENSION = 1004,
    ID_OPEN_IMAGE = 1000,
    ID_SAVE_BINS = 1002,
    ID_ADD_FILES = 1005,
    ID_NEW_FOLDER = 1006,
    ID_DELETE = 1007,
    ID_RENAME = 1008,
    ID_NEW_IMAGE = 1009,
    ID_FORMAT_DISK = 1010, // the menu of a hard disk's <DISK> row
    ID_VIEW_AS_TEXT = WxCommand(32778),
    ID_APP_ABOUT = WxCommand(57664),
    IDM_ABOUTBOX = 16, // the About entry of the system menu
};

class wxProgressDialog;

// A new image as the user chose it: its path (UTF-8), its format, and for a hard disk the
// sizes of its logical disks in bytes (empty for a floppy).
struct NewImageChoice {
    std::string path;
    const FileSystemFormat* format;
    std::vector<long long> hardDisk;
};

// The progress of a long export: a dialog with Cancel once it has taken half a second.
// The words of a progress dialog: its title, and its line of how many of how many.
struct ProgressWords {
    ravelko::StringId title;
    ravelko::StringId text;
};

class CProgress {
public:
    CProgress(wxWindow* parent, ProgressWords words);
    // False once the user has cancelled.
    bool operator()(size_t done, size_t total);

private:
    wxWindow* m_parent;
    ProgressWords m_words;
    std::chrono::steady_clock::time_point m_start;
    std::shared_ptr<wxProgressDialog> m_dialog; // shared: the callback is copied around
};

class CExplorerDlg : public wxDialog {
public:
    // `numberBase`: how the catalog's numbers are shown (0 decimal, 1 octal, 2 hexadecimal).
    explicit CExplorerDlg(wxWindow* parent, int numberBase = 1);
    ~CExplorerDlg() override;

    // 0 on success; a failure has been shown to the user when it returns.
    int OpenImage(const std::string& path);
    // One dropped disk image is opened; other files are added to the current directory.
    void OpenDroppedFiles(const std::vector<std::string>& paths);
    void OpenFromCommandLine(const std::string& path);

    ExplorerSettings CurrentSettings() const;
    void ApplySettings(const ExplorerSettings& settings);

private:
    friend struct RavelkoAccess; // tests and the development tools

    void OnInitDialog();
    void AddAboutToSystemMenu();
    void CreateToolBar();
    void InitList();
    void CreateStatusBar();
    void LayoutControls();
    void ReleaseImage();
    // `freeSpace`: the floppy's, as read with the image.
    void TakeImage(std::unique_ptr<CDiskImage> image, const std::string& path,
                   std::optional<FreeSpace> freeSpace);
    void FillList();
    void UpdateControls();
    void OnDblClkList();
    // Extracts the selection and opens the first file with the desktop's program, or
    // shows it as text when that program would run it.
    void OpenSelection();
    void ShowAsText(const Selection& selection);
    // The text view in place of the host's opener, and why, in the status bar.
    void ShownAsText(const Selection& selection);
    // The path block of a drag out; none when the extraction failed part-way.
    std::optional<std::vector<uint8_t>> RenderDropFiles();
    Selection GetSelection() const;
    void EnterDirectory(EntryRef entry);
    void EnterParent();
    void Refill(std::optional<EntryRef> current = std::nullopt);
    void ShowWhere();
    std::string SizeText(long long size) const;
    void ShowError(const wxString& text);
    void ShowBox(const wxString& text, long icon);
    void OpenInTextEditor(const std::filesystem::path& path);
    // No program took the file: said, with the text view offered for a file of the disk.
    void ShowNoProgram(const std::string& path, bool textEditor);
    std::optional<std::filesystem::path> TempFolder();
    void RememberCopy(const std::filesystem::path& copy);
    // The options of an export: into our own temporary folder, or a folder of the user's.
    ExportOptions OptionsFor(bool tempFolder) const;

    void OnOpenImage(wxCommandEvent& event);
    void OnClose(wxCloseEvent& event);
    void OnListActivated(wxListEvent& event);
    void OnSaveSelectionAsBins(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnSelectionChanged(wxListEvent& event);
    void MarkControlsStale();
    void OnAppAbout(wxCommandEvent& event);
    void OnViewAsText(wxCommandEvent& event);
    void OnAddBinExtension(wxCommandEvent& event);
    void OnCharHook(wxKeyEvent& event);
    void SelectAll();
    void WidenForColumns();
    void ShowNewImage();
    void OnColumnClick(wxListEvent& event);
    void ShowSortIndicator();
    void SetPaneText(int pane, const wxString& text);
    void ShowSelectionTotals(const Selection& selection);
    void OnOK();
    void OnCancel();

    // Changing the image (ExplorerChanges.cpp). A change is made on the image file as it
    // is now, written as a new file, then shown: the same directory, what it made selected.
    void InitChangeDialogs();
    // `row`, `otherwise`: where the selection goes afterwards when the change made nothing
    // (to the live entry nearest that row). True when the disk refused a name, which the
    // user may mend.
    bool ChangeImage(const DiskChange& change, long row = 0,
                     std::optional<EditTarget> target = std::nullopt);
    // False, once the user is told, when another program has the image open: asked before
    // the user is asked anything for a change.
    bool ImageFreeForChanges();
    void ShowChangedImage(ChangeOutcome& outcome, long otherwise = 0);
    void AddFiles(const std::vector<std::string>& paths);
    static bool IsChangeTool(int tool); // Add files, New folder, Delete, Rename
    void UpdateChangeTools(const Selection& selection);
    // Why no change can be made now (no image, one that is only read, a hard disk's list of
    // logical disks); none when one can.
    std::optional<wxString> WhyNoChanges() const;
    void OnAddFiles(wxCommandEvent& event);
    void OnNewFolder(wxCommandEvent& event);
    void OnDelete(wxCommandEvent& event);
    void OnRename(wxCommandEvent& event);
    void OnBeginLabelEdit(wxListEvent& event);
    void OnEndLabelEdit(wxListEvent& event);
    void OnNewImage(wxCommandEvent& event);
    // A hard disk's logical disks: each has its own free space and reason not to be changed,
    // and a <DISK> row's menu formats it.
    void FollowDisk();
    void OnListRightClick(wxListEvent& event);
    void ShowDiskMenu(long row);
    void FormatDisk(int disk);

    // What the window uses of the desktop, replaceable so that tests need none of it.
    std::function<void(const wxString&)> m_showMessage; // a fault
    std::function<void(const wxString&)> m_showInfo;    // news, nothing wrong
    std::function<std::optional<std::string>(const std::string& start)>
        m_chooseFolder;                                      // UTF-8 folders
    std::function<ExportProgress(ProgressWords)> m_progress; // a fresh one for each task
    // What to do with a file already in the way (UTF-8 path): the choice and whether it
    // holds for every later one of this export; none cancels the export.
    std::function<std::optional<std::pair<ExistingFile, bool>>(const std::string& path)>
        m_askExisting;
    std::unique_ptr<ILauncher> m_launcher;
    std::function<std::vector<std::string>()> m_chooseFiles; // host files to add (UTF-8)
    wxString m_addFolder;                                    // where files were last added from
    std::function<std::optional<std::string>(const std::string& typed)> m_askFolderName;
    std::function<bool(const wxString& question)> m_confirm;
    std::unique_ptr<CTempCopies> m_tempCopies; // what this window put in the temporary folder
    // A new image; none when the user cancels.
    std::function<std::optional<NewImageChoice>()> m_chooseNewImage;
    // The format logical disk N is to be made blank in; none when the user cancels.
    std::function<const FileSystemFormat*(int disk)> m_chooseDiskFormat;

    CImageDropTarget* m_dropTarget = nullptr; // owned by the list once registered
    CFileListCtrl* m_list = nullptr;
    wxIcon m_hIcon;
    wxToolBar* m_toolBar = nullptr;
    wxImageList m_listImages;
    std::unique_ptr<CDiskImage> m_pImage;
    std::unique_ptr<CatalogListing> m_listing;        // over m_pImage
    std::string m_strImageName;                       // the open image's file name (UTF-8)
    std::string m_strImagePath;                       // and its path (UTF-8)
    std::optional<std::string> m_imageReadOnly;       // why the open image cannot be changed
    std::optional<std::string> m_readOnly;            // or the disk shown, which may differ
    std::optional<FreeSpace> m_freeSpace;             // the disk shown's
    int m_stateDisk = kDiskList - 1;                  // whose state those are (none yet)
    std::vector<hostfiles::FileIdentity> m_imageFile; // the open image's file: never replaced
    std::string m_strLastExportFolder;                // where the last export went (UTF-8)
    bool m_bAddBinExtension = true;
    const int m_nNumberBase;
    int m_nStatusBarHeight = 0; // the font's: set with the bar
    CatalogOrder m_order;       // kept for every directory and image
    wxStatusBar* m_statusBar = nullptr;
    wxCheckBox* m_addBinCheck = nullptr;
    wxTimer m_timer;
    bool m_bControlsStale =
        true; // the selection, directory, image or flag changed since UpdateControls

    wxDECLARE_EVENT_TABLE();
};
