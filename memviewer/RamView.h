// The picture window: memory composed afresh at each paint, a vertical scroll bar over
// the address space, and a rectangle selected with the mouse.
#pragma once

#include "BitmapExport.h"
#include "Navigation.h"
#include "Renderer.h"

#include <wx/window.h>

#include <vector>

class CMainFrame;

class CRamView : public wxWindow {
public:
    CRamView(CMainFrame* frame, wxWindow* parent);

    void SetScale(int scale);
    void UpdateScrollBar();
    int BytesPerRow() const;
    int BytesPerPage() const;
    bool HasSelection() const { return ::HasSelection(m_rcSel); }
    std::optional<SelectionImage> BuildSelectionImage() const;
    // Draws the picture (or the empty background) on `dc`, composing it from memory.
    void RenderRam(wxDC& dc);

    void OnRowUp(wxCommandEvent&);
    void OnRowDown(wxCommandEvent&);
    void OnByteLeft(wxCommandEvent&);
    void OnByteRight(wxCommandEvent&);
    void OnGoFirst(wxCommandEvent&);
    void OnGoLast(wxCommandEvent&);
    void OnUpdateSaveSelection(wxUpdateUIEvent& event);

    int m_bColor = 1;
    int m_nScale = 1;
    SelRect m_rcSel;
    const CPixelTables m_tables;
    std::vector<uint32_t> m_screen; // what the last paint drew (0x00RRGGBB); empty: background

private:
    void MoveTo(uint16_t address);
    // A change of the selection alone: repaint the last picture with the new frame.
    void DrawSelectionChange();
    void OnPaint(wxPaintEvent&);
    void OnEraseBackground(wxEraseEvent&) {}
    void OnSize(wxSizeEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnLButtonDown(wxMouseEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnLButtonUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent&) {}

    CMainFrame* m_pFrame;
    std::vector<PixelWord> m_picture; // composed memory, without the frame
    bool m_bReusePicture = false;
    int m_nThumbPos = 0; // where this window last put the scroll thumb
};
