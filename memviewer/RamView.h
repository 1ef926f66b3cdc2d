// The picture window: memory composed afresh at each paint, a vertical scroll bar over
// the address space, and a rectangle selected with the mouse.
#pragma once

#include "BitmapExport.h"
#include "Navigation.h"
#include "Renderer.h"

#include <wx/window.h>

#include <vector>

// What the picture window asks of the window around it.
class IRamViewHost {
public:
    virtual uint16_t GetAddress() const = 0;
    virtual void SetAddress(unsigned value) = 0;
    // The memory read afresh for a paint that shows `count` bytes from the address; null
    // while no emulator is attached.
    virtual const uint8_t* ReadRamForPaint(int count) = 0;
    // The memory as last read.
    virtual const uint8_t* GetRam() = 0;

protected:
    ~IRamViewHost() = default;
};

class CRamView : public wxWindow {
public:
    CRamView(IRamViewHost* host, wxWindow* parent);

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
    bool IsColor() const { return m_bColor != 0; }
    void ToggleColor();

private:
    friend struct TomsivarAccess; // tests and the development tools

    int m_bColor = 1;
    int m_nScale = 1;
    SelRect m_rcSel;
    const CPixelTables m_tables;
    std::vector<uint32_t> m_screen; // what the last paint drew (0x00RRGGBB); empty: background

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

    IRamViewHost* m_pHost;
    std::vector<PixelWord> m_picture; // composed memory, without the frame
    bool m_bReusePicture = false;
    int m_nThumbPos = 0; // where this window last put the scroll thumb
};
