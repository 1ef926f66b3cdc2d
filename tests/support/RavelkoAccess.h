// Ravelko's window parts, for tests and the development tools (a friend of the window).
#pragma once

#include "ExplorerDlg.h"

struct RavelkoAccess {
    CExplorerDlg* dlg;

    CFileListCtrl& List() const { return *dlg->m_list; }
    wxToolBar& ToolBar() const { return *dlg->m_toolBar; }
    wxStatusBar& StatusBar() const { return *dlg->m_statusBar; }
    wxCheckBox& AddBinCheck() const { return *dlg->m_addBinCheck; }
    CImageDropTarget& DropTarget() const { return *dlg->m_dropTarget; }
    const CDiskImage* Image() const { return dlg->m_pImage.get(); }
    bool AddBinExtension() const { return dlg->m_bAddBinExtension; }
    auto& ShowMessage() const { return dlg->m_showMessage; }
    auto& ShowInfo() const { return dlg->m_showInfo; }
    auto& ChooseFolder() const { return dlg->m_chooseFolder; }
    auto& ProgressFactory() const { return dlg->m_progress; }
    auto& AskExisting() const { return dlg->m_askExisting; }
    auto& Launcher() const { return dlg->m_launcher; }
    auto& ChooseFiles() const { return dlg->m_chooseFiles; }
    auto& AskFolderName() const { return dlg->m_askFolderName; }
    auto& Confirm() const { return dlg->m_confirm; }
    auto& ChooseNewImage() const { return dlg->m_chooseNewImage; }
    auto& ChooseDiskFormat() const { return dlg->m_chooseDiskFormat; }
    void FormatDisk(int disk) const { dlg->FormatDisk(disk); } // as its row's menu does
    void DoubleClick() const { dlg->OnDblClkList(); }
    // A toolbar command as a click on its button sends it.
    void Command(int tool) const {
        wxCommandEvent event(wxEVT_TOOL, tool);
        event.SetEventObject(&ToolBar());
        ToolBar().ProcessWindowEvent(event);
    }
    // A key as the window's key hook gets it.
    void Key(int code, int modifiers = wxMOD_NONE) const {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = code;
        event.m_controlDown = modifiers & wxMOD_CONTROL;
        event.m_shiftDown = modifiers & wxMOD_SHIFT;
        dlg->ProcessWindowEvent(event);
    }
    std::string Pane(int pane) const { return StatusBar().GetStatusText(pane).utf8_string(); }
    auto RenderDropFiles() const { return dlg->RenderDropFiles(); }
};
