// Tomsivar's frame and picture window parts, for tests and the development tools (a friend
// of both).
#pragma once

#include "MainFrame.h"

struct TomsivarAccess {
    CMainFrame* frame;

    CRamView& View() const { return *frame->m_wndView; }
    CRamLink& Link() const { return *frame->m_pRamLink; }
    wxTextCtrl& AddressField() const { return *frame->m_address; }
    wxChoice& ScaleChoice() const { return *frame->m_scale; }
    wxMenu* EmulatorMenu() const { return frame->m_emulatorMenu; }
    int ScaleIndex() const { return frame->m_nScaleIndex; }
    bool LiveUpdate() const { return frame->m_bLiveUpdate; }
    auto& ShowMessage() const { return frame->m_showMessage; }
    auto& ShowNotice() const { return frame->m_showNotice; }
    auto& ChoosePath() const { return frame->m_choosePath; }
    auto& Confirm() const { return frame->m_confirm; }
    int Scale() const { return View().m_nScale; }
    void SetScale(int scale) const { View().m_nScale = scale; }
    const MemorySelection* Selection() const { return View().Selection(); }
    void Select(const MemorySelection& selection) const {
        View().m_selection = selection;
        frame->SelectionChanged();
    }
    const std::vector<uint32_t>& Screen() const { return View().m_screen; }
};
