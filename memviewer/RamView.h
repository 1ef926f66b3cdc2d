// The picture window: memory composed afresh at each paint in rows of a chosen or fitting
// width, a vertical scroll bar over the rows of the address space, the wheel, and a
// rectangle of memory selected with the mouse.
#pragma once

#include "BitmapExport.h"
#include "Navigation.h"
#include "Renderer.h"

#include <wx/window.h>

#include <optional>
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
    // The byte under the mouse changed (none: the mouse is off the picture).
    virtual void PointerMoved(std::optional<unsigned> under) = 0;
    virtual void SelectionChanged() = 0;
    // Ctrl+wheel: one scale step in or out, keeping the byte under the point in place.
    virtual void ZoomAt(Point point, bool in) = 0;

protected:
    ~IRamViewHost() = default;
};

class CRamView : public wxWindow {
public:
    CRamView(IRamViewHost* host, wxWindow* parent);

    void SetScale(int scale);
    // kAutoRowBytes or a value of g_rowBytesChoices.
    void SetRowBytes(int chosen);
    int GetRowBytesChoice() const { return m_nRowBytes; }
    ViewLayout Layout() const;
    void UpdateScrollBar();
    int BytesPerRow() const { return Layout().rowBytes; }
    // The selection, when there is one made in rows of this layout's width.
    const MemorySelection* Selection() const;
    bool HasSelection() const { return Selection() != nullptr; }
    // The part of the selection a save takes: as far as it is shown; none when nothing
    // of it is.
    std::optional<MemorySelection> SavedPart() const;
    // The selected rectangle as far as it is shown; none when nothing of it is.
    std::optional<SelectionImage> BuildSelectionImage() const;
    // Draws the picture (or the empty background) on `dc`, composing it from memory.
    void RenderRam(wxDC& dc);
    void RenderRam(wxDC& dc, wxRect area);
    // Live update: the bytes first..last from the picture's start changed.
    void RefreshBytes(int first, int last);

    void OnRowUp(wxCommandEvent&);
    void OnRowDown(wxCommandEvent&);
    void OnByteLeft(wxCommandEvent&);
    void OnByteRight(wxCommandEvent&);
    void OnGoFirst(wxCommandEvent&);
    void OnGoLast(wxCommandEvent&);
    // By exactly the rows shown, clamped to the last page, the byte in its row kept.
    void OnPageUp(wxCommandEvent&);
    void OnPageDown(wxCommandEvent&);
    void OnUpdateSaveSelection(wxUpdateUIEvent& event);
    bool IsColor() const { return m_bColor != 0; }
    void SetColor(bool color);
    void ToggleColor() { SetColor(!IsColor()); }
    void MoveTo(uint16_t address);

private:
    friend struct TomsivarAccess; // tests and the development tools

    int m_bColor = 1;
    int m_nScale = 1;
    int m_nRowBytes = kAutoRowBytes;
    std::optional<MemorySelection> m_selection;
    Corner m_anchor{};        // where the drag began
    int m_nWheelRotation = 0; // below one notch, kept for the next wheel event
    const CPixelTables m_tables;
    std::vector<uint32_t> m_screen; // what the last paint drew (0x00RRGGBB); empty: background

    void ClearSelection();
    // A change of the selection alone: repaint the last picture with the new frame.
    void DrawSelectionChange();
    void OnPaint(wxPaintEvent&);
    void TellPointer();
    void OnEraseBackground(wxEraseEvent&) {}
    void OnSize(wxSizeEvent& event);
    void OnScroll(wxScrollWinEvent& event);
    void OnWheel(wxMouseEvent& event);
    void OnLButtonDown(wxMouseEvent& event);
    void OnMouseMove(wxMouseEvent& event);
    void OnMouseLeave(wxMouseEvent& event);
    void OnLButtonUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent&) {}

    IRamViewHost* m_pHost;
    std::vector<PixelWord> m_picture; // composed memory, without the frame
    bool m_bReusePicture = false;
};
