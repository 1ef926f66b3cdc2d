// The window's commands that change the open image: files added (from a dialog or dropped
// onto the list), folders made, entries deleted and renamed in place, new blank images.
// The decisions and the writing are the explorer core's; this carries them to the screen.
#include "ExplorerDlg.h"

#include "CatalogPath.h"
#include "FormatChoiceDialog.h"
#include "HostNames.h"
#include "ImageEdit.h"
#include "RavelkoStrings.h"
#include "WxText.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>

#include <algorithm>

using namespace ravelko;

namespace {

wxString Text(StringId id) {
    return wxString::FromUTF8(LoadResString(id));
}

// The row of the formats' names (and of `more` after them) the user chooses; none when the
// user cancels.
std::optional<size_t> ChooseFormatRow(wxWindow* parent, const wxString& prompt,
                                      const wxString& title,
                                      const std::vector<const FileSystemFormat*>& formats,
                                      const wxString& more = {}) {
    wxArrayString names;
    for (const FileSystemFormat* format : formats)
        names.Add(format->name);
    if (!more.empty())
        names.Add(more);
    CFormatChoiceDialog choice(parent, prompt, title, names);
    // Its list is made for three rows or so: every format is to be seen at once.
    choice.SetSize(choice.GetSize() + wxSize(0, 2 * choice.GetCharHeight()));
    if (choice.ShowModal() != wxID_OK)
        return std::nullopt;
    return static_cast<size_t>(choice.GetSelection());
}

const FileSystemFormat* ChooseFormat(wxWindow* parent, const wxString& prompt,
                                     const wxString& title) {
    const auto formats = WritableFormats();
    const auto row = ChooseFormatRow(parent, prompt, title, formats);
    return row ? formats[*row] : nullptr;
}

} // namespace

void CExplorerDlg::InitChangeDialogs() {
    m_chooseFiles = [this] {
        wxFileDialog dialog(this, Text(IDS_ADD_FILES_TITLE), m_addFolder, wxEmptyString,
                            wxFileSelectorDefaultWildcardStr, wxFD_OPEN | wxFD_MULTIPLE);
        std::vector<std::string> paths;
        if (dialog.ShowModal() == wxID_OK) {
            m_addFolder = dialog.GetDirectory(); // the next files likely come from there too
            wxArrayString chosen;
            dialog.GetPaths(chosen);
            for (const wxString& path : chosen)
                paths.push_back(ToHostPath(path));
        }
        return paths;
    };
    m_askFolderName = [this](const std::string& typed) -> std::optional<std::string> {
        wxTextEntryDialog dialog(this, Text(IDS_NEW_FOLDER_PROMPT), Text(IDS_NEW_FOLDER_TITLE),
                                 wxString::FromUTF8(typed));
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        return dialog.GetValue().utf8_string();
    };
    m_confirm = [this](const wxString& question) {
        return wxMessageBox(question, Text(IDS_CAPTION), wxYES_NO | wxICON_QUESTION, this) == wxYES;
    };
    m_chooseNewImage = [this]() -> std::optional<NewImageChoice> {
        const auto formats = WritableFormats();
        const auto row =
            ChooseFormatRow(this, Text(IDS_NEW_IMAGE_FORMAT), Text(IDS_NEW_IMAGE_TITLE), formats,
                            Text(IDS_NEW_HARD_DISK_ROW));
        if (!row)
            return std::nullopt;
        const FileSystemFormat* format = *row < formats.size() ? formats[*row] : nullptr;
        std::vector<long long> hardDisk;
        if (!format) {
            format = ChooseFormat(this, Text(IDS_NEW_HARD_DISK_FORMAT), Text(IDS_NEW_IMAGE_TITLE));
            wxTextEntryDialog sizes(this, Text(IDS_NEW_HARD_DISK_SIZES), Text(IDS_NEW_IMAGE_TITLE),
                                    "4x800K");
            while (format && hardDisk.empty()) { // sizes it cannot read are asked for again
                if (sizes.ShowModal() != wxID_OK)
                    return std::nullopt;
                const std::string typed = sizes.GetValue().utf8_string();
                const auto parsed = ParseDiskSizes(typed);
                const auto fault = parsed ? HardDiskSizesFault(*parsed, *format)
                                          : FormatResString(IDS_BAD_DISK_SIZES, {typed});
                if (fault)
                    ShowError(wxString::FromUTF8(*fault));
                else
                    hardDisk = *parsed;
            }
        }
        if (!format)
            return std::nullopt;
        const wxString extension = hardDisk.empty() ? "img" : "hdi";
        wxFileDialog dialog(this, Text(IDS_NEW_IMAGE_TITLE), wxEmptyString, "new." + extension,
                            LoadResString(IDS_IMAGE_FILTER), wxFD_SAVE);
        if (dialog.ShowModal() != wxID_OK)
            return std::nullopt;
        wxFileName file(dialog.GetPath()); // a name typed without an extension gets one,
        if (!file.HasExt())                // or the open dialog would not list it
            file.SetExt(extension);
        return NewImageChoice{ToHostPath(file.GetFullPath()), format, hardDisk};
    };
    m_chooseDiskFormat = [this](int disk) -> const FileSystemFormat* {
        return ChooseFormat(
            this,
            wxString::FromUTF8(FormatResString(IDS_FORMAT_DISK_PROMPT, {std::to_string(disk)})),
            Text(IDS_FORMAT_DISK_TITLE));
    };
}

bool CExplorerDlg::IsChangeTool(int tool) {
    return tool == ID_ADD_FILES || tool == ID_NEW_FOLDER || tool == ID_DELETE || tool == ID_RENAME;
}

// Enabled only while a change can be made; otherwise each says why in its tooltip.
void CExplorerDlg::UpdateChangeTools(const Selection& selection) {
    const ChangeState state = ComputeChangeState(m_listing.get(), selection, !m_readOnly);
    const struct {
        int id;
        StringId tip;
        bool enabled;
    } tools[] = {{ID_ADD_FILES, IDS_ADD_FILES, state.add},
                 {ID_NEW_FOLDER, IDS_NEW_FOLDER, state.add},
                 {ID_DELETE, IDS_DELETE, state.remove},
                 {ID_RENAME, IDS_RENAME, state.rename}};
    bool changed = false;
    for (const auto& tool : tools) {
        if (m_toolBar->GetToolEnabled(tool.id) != tool.enabled) {
            m_toolBar->EnableTool(tool.id, tool.enabled);
            changed = true;
        }
        const auto why = m_pImage ? WhyNoChanges() : std::nullopt;
        const std::string tip = LoadResString(tool.tip) + (why ? "\n" + why->utf8_string() : "");
        if (m_toolBar->GetToolShortHelp(tool.id).utf8_string() != tip)
            m_toolBar->SetToolShortHelp(tool.id, wxString::FromUTF8(tip));
    }
    if (changed) // GTK leaves a tall toolbar's tools drawn in their old state otherwise
        m_toolBar->Refresh();
}

std::optional<wxString> CExplorerDlg::WhyNoChanges() const {
    if (!m_pImage)
        return Text(IDS_OPEN_IMAGE_FIRST);
    if (m_readOnly)
        return wxString::FromUTF8(*m_readOnly);
    if (m_listing && m_listing->Current().disk == kDiskList)
        return Text(IDS_ENTER_DISK_FIRST);
    return std::nullopt;
}

bool CExplorerDlg::ImageFreeForChanges() {
    const auto held = HeldElsewhereText(m_strImagePath);
    if (held)
        ShowError(wxString::FromUTF8(*held));
    return !held;
}

// The image file is read afresh: when it is no longer what the window shows (another
// program changed it), nothing is changed and the window shows it as it is now. It is
// checked again under the writers' lock just before it is replaced, so that nothing another
// program writes while the user answers a question is lost.
bool CExplorerDlg::ChangeImage(const DiskChange& change, long row,
                               std::optional<EditTarget> target) {
    using Kind = ChangeOutcome::Kind;
    if (!target) // the disk shown
        target = EditTarget{m_pImage->HardDisk() ? std::optional(m_listing->Current().disk)
                                                 : std::nullopt,
                            nullptr};
    const ChangeRequest request{
        m_pImage->DiskBytes(target->disk.value_or(0)),
        false,
        [this](const std::string& printable, uint64_t links) {
            return m_confirm(wxString::FromUTF8(
                FormatResString(IDS_BREAK_LINKS_QUESTION, {printable, std::to_string(links)})));
        },
        true,
        *target,
        [this, &target] {
            return m_confirm(wxString::FromUTF8(
                FormatResString(IDS_FORMAT_OVER_QUESTION,
                                {std::to_string(target->disk.value_or(0)), target->blank->name})));
        }};
    ChangeOutcome outcome = ChangeImageFile(m_strImagePath, request, change);
    switch (outcome.kind) {
    case Kind::Written:
        ShowChangedImage(outcome, row);
        return false;
    case Kind::ChangedElsewhere:
        ShowChangedImage(outcome);
        ShowError(Text(IDS_IMAGE_CHANGED_ELSEWHERE));
        return false;
    case Kind::Refused:
        ShowError(wxString::FromUTF8(outcome.text + "\n" + LoadResString(IDS_EDIT_UNCHANGED)));
        return outcome.nameRefused;
    case Kind::Declined:
        return false;
    default:
        ShowError(wxString::FromUTF8(outcome.text));
        if (outcome.madeReadOnly) { // shown so from now on, its commands greyed
            m_imageReadOnly = m_readOnly = WhyReadOnly(*m_pImage, false);
            ShowWhere();
            MarkControlsStale();
        }
        return false;
    }
}

// The new bytes in place of the old, in the directory that was shown (found again by
// the names entered), with the entries the change made selected.
void CExplorerDlg::ShowChangedImage(ChangeOutcome& outcome, long otherwise) {
    const std::vector<std::string>& made = outcome.made;
    const std::vector<std::string> trail = m_listing->TrailNames();
    TakeImage(std::move(outcome.image), m_strImagePath, outcome.freeSpace);
    m_listing->EnterTrail(trail);
    Refill();
    const long first = m_listing->HasParentRow() ? 1 : 0;
    const auto& entries = m_listing->Entries();
    bool focused = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        const DiskEntry entry = m_pImage->Entry(entries[i]);
        if (entry.deleted || std::find(made.begin(), made.end(), entry.name) == made.end())
            continue;
        const long row = first + static_cast<long>(i);
        m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        if (!focused) {
            m_list->SetItemState(row, wxLIST_STATE_FOCUSED, wxLIST_STATE_FOCUSED);
            m_list->EnsureVisible(row);
            focused = true;
        }
    }
    if (!focused && m_list->GetItemCount() > 0) {
        const long row = m_listing->LiveRowNear(static_cast<int>(otherwise));
        m_list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                             wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
        m_list->EnsureVisible(row);
    }
    MarkControlsStale();
}

// An entry of a file's name already there is replaced once the user says so, for the
// rest of the files too; many files show their progress, with Cancel. Folders go on as
// directories with all they hold.
void CExplorerDlg::AddFiles(const std::vector<std::string>& paths) {
    std::optional<bool> replace;
    ExportProgress progress = m_progress({IDS_ADD_PROGRESS_TITLE, IDS_ADD_PROGRESS_TEXT});
    const AddControl control{
        [&](const std::string& name) {
            if (!replace)
                replace = m_confirm(wxString::FromUTF8(
                    FormatResString(IDS_REPLACE_QUESTION, {PrintableName(name)})));
            return *replace;
        },
        [&](size_t done, size_t total) { return !progress || progress(done, total); }, true};
    const int dir = m_listing->Current().dir;
    ChangeImage([&](CDiskEditor& editor, std::vector<std::string>& made) {
        const auto why = AddHostFiles(editor, dir, paths, kDefaultLoadAddress, control, &made);
        progress = nullptr; // its dialog closes before any message, and gives the list back
        // A No to replacing is the user's own choice, not a fault to explain.
        return ChangeStep{why && replace == false ? LoadResString(IDS_EDIT_CANCELLED) : why};
    });
    m_list->SetFocus();
}

void CExplorerDlg::OnAddFiles(wxCommandEvent&) {
    if (!ImageFreeForChanges())
        return;
    const auto paths = m_chooseFiles();
    if (!paths.empty())
        AddFiles(paths);
}

// A name the disk refuses is asked for again, as typed, to be mended.
void CExplorerDlg::OnNewFolder(wxCommandEvent&) {
    if (!ImageFreeForChanges())
        return;
    const int dir = m_listing->Current().dir;
    std::string typed;
    for (bool nameRefused = true; nameRefused;) {
        const auto name = m_askFolderName(typed);
        if (!name)
            return;
        nameRefused = ChangeImage([&](CDiskEditor& editor, std::vector<std::string>& made) {
            return MakeTypedDirectory(editor, dir, *name, made);
        });
        typed = *name;
    }
}

// Each entry is found again by what it is before it goes: an earlier removal may have
// moved it, or taken it with its directory. Afterwards the live entry nearest the first of
// them is selected, as a list of files is worked through.
void CExplorerDlg::OnDelete(wxCommandEvent&) {
    const Selection selection = GetSelection();
    const auto refs = RemovableEntries(*m_listing, selection);
    if (refs.empty() || !ImageFreeForChanges() ||
        !m_confirm(wxString::FromUTF8(DeleteQuestion(*m_listing, refs))))
        return;
    std::vector<Doomed> doomed;
    for (const EntryRef& ref : refs) {
        const DiskEntry entry = m_pImage->Entry(ref);
        doomed.push_back({entry, PrintableName(entry.name)});
    }
    ChangeImage([&](CDiskEditor& editor,
                    std::vector<std::string>&) { return RemoveEntries(editor, doomed, true); },
                *std::min_element(selection.begin(), selection.end()));
}

// F2 edits the name in place; the change is made when the editing ends.
void CExplorerDlg::OnRename(wxCommandEvent&) {
    const Selection selection = GetSelection();
    if (selection.size() == 1 && ImageFreeForChanges())
        m_list->EditLabel(selection.front());
}

// A click on a selected row starts editing too: only a row that Rename may change is
// edited, never "..", a deleted entry or a row of a disk that is only read.
void CExplorerDlg::OnBeginLabelEdit(wxListEvent& event) {
    const Selection selection = GetSelection();
    if (!ComputeChangeState(m_listing.get(), selection, !m_readOnly).rename ||
        selection.front() != event.GetIndex() || !ImageFreeForChanges())
        event.Veto();
}

void CExplorerDlg::OnEndLabelEdit(wxListEvent& event) {
    event.Veto(); // the list is filled again from the disk
    const auto ref =
        m_listing ? m_listing->EntryAt(static_cast<int>(event.GetIndex())) : std::nullopt;
    if (event.IsEditCancelled() || !ref || m_readOnly)
        return;
    const std::string name = event.GetLabel().utf8_string();
    if (Utf8ToCp1251(name) == m_pImage->Entry(*ref).name)
        return;
    // Moved out of the directory, it leaves the selection to the live row nearest its own.
    const bool nameRefused = ChangeImage(
        [&](CDiskEditor& editor, std::vector<std::string>& made) {
            return MoveToTypedName(editor, ref->index, name, made);
        },
        event.GetIndex());
    if (nameRefused) // edited again, as typed, to be mended (once this editor has gone)
        CallAfter([this, row = event.GetIndex(), typed = event.GetLabel()] {
            m_list->EditLabel(row);
            if (wxTextCtrl* edit = m_list->GetEditControl())
                edit->SetValue(typed);
        });
}

void CExplorerDlg::OnNewImage(wxCommandEvent&) {
    const auto chosen = m_chooseNewImage();
    if (!chosen)
        return;
    if (const auto error =
            chosen->hardDisk.empty()
                ? WriteBlankImage(chosen->path, *chosen->format)
                : WriteBlankHardDisk(chosen->path, chosen->hardDisk, *chosen->format)) {
        ShowError(wxString::FromUTF8(*error));
        return;
    }
    if (OpenImage(chosen->path) == 0)
        ShowNewImage();
}

void CExplorerDlg::FollowDisk() {
    if (!m_pImage || !m_pImage->HardDisk() || !m_listing)
        return;
    const int disk = m_listing->Current().disk;
    if (disk == m_stateDisk)
        return;
    m_stateDisk = disk;
    const DiskState state = m_imageReadOnly ? DiskState{} : LogicalDiskState(*m_pImage, disk);
    m_readOnly = m_imageReadOnly ? m_imageReadOnly : state.readOnly;
    m_freeSpace = state.freeSpace;
    MarkControlsStale();
}

void CExplorerDlg::OnListRightClick(wxListEvent& event) {
    ShowDiskMenu(event.GetIndex());
}

// A <DISK> row of the list of a hard disk's logical disks offers to format it.
void CExplorerDlg::ShowDiskMenu(long row) {
    const auto ref = m_listing && m_listing->Current().disk == kDiskList
                         ? m_listing->EntryAt(static_cast<int>(row))
                         : std::nullopt;
    if (!ref)
        return;
    wxMenu menu;
    menu.Append(ID_FORMAT_DISK, wxString::FromUTF8(FormatResString(IDS_FORMAT_DISK_MENU,
                                                                   {std::to_string(ref->index)})));
    menu.Enable(ID_FORMAT_DISK, !m_imageReadOnly);
    wxRect rect; // at the row, also when a key opened the menu
    m_list->GetItemRect(row, rect);
    const wxPoint at = ScreenToClient(
        m_list->ClientToScreen(rect.GetPosition() + wxPoint(rect.height, rect.height)));
    if (GetPopupMenuSelectionFromUser(menu, at) == ID_FORMAT_DISK)
        FormatDisk(ref->index);
}

// The logical disk made a blank disk of the format chosen; one that is not empty only once
// the user says so. The list of disks stays, with the disk's row selected.
void CExplorerDlg::FormatDisk(int disk) {
    if (m_imageReadOnly) {
        ShowError(wxString::FromUTF8(*m_imageReadOnly));
        return;
    }
    if (const auto cut = WhyCut(*m_pImage, disk)) { // said before a format is chosen
        ShowError(wxString::FromUTF8(*cut));
        return;
    }
    if (!ImageFreeForChanges())
        return;
    const FileSystemFormat* format = m_chooseDiskFormat(disk);
    if (!format)
        return;
    ChangeImage([](CDiskEditor&, std::vector<std::string>&) { return ChangeStep{}; }, disk,
                EditTarget{disk, format});
}
