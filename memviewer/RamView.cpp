#include "RamView.h"

#include "ScreenDraw.h"
#include "ScreenPicture.h"

#include <wx/dcclient.h>
#include <wx/utils.h>
#include <wx/settings.h>

CRamView::CRamView(IRamViewHost* host, wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxVSCROLL | wxBORDER_SUNKEN | wxWANTS_CHARS),
      m_pHost(host) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CRamView::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &CRamView::OnEraseBackground, this);
    Bind(wxEVT_SIZE, &CRamView::OnSize, this);
    for (auto type : {wxEVT_SCROLLWIN_LINEUP, wxEVT_SCROLLWIN_LINEDOWN, wxEVT_SCROLLWIN_PAGEUP,
                      wxEVT_SCROLLWIN_PAGEDOWN, wxEVT_SCROLLWIN_THUMBTRACK,
                      wxEVT_SCROLLWIN_THUMBRELEASE, wxEVT_SCROLLWIN_TOP, wxEVT_SCROLLWIN_BOTTOM})
        Bind(type, &CRamView::OnScroll, this);
    Bind(wxEVT_MOUSEWHEEL, &CRamView::OnWheel, this);
    Bind(wxEVT_LEFT_DOWN, &CRamView::OnLButtonDown, this);
    Bind(wxEVT_MOTION, &CRamView::OnMouseMove, this);
    Bind(wxEVT_LEAVE_WINDOW, &CRamView::OnMouseLeave, this);
    Bind(wxEVT_LEFT_UP, &CRamView::OnLButtonUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CRamView::OnCaptureLost, this);
}

ViewLayout CRamView::Layout() const {
    const wxSize client = GetClientSize();
    return MakeLayout(client.x, client.y, m_nScale, m_nRowBytes);
}

const MemorySelection* CRamView::Selection() const {
    return m_selection && m_selection->rowBytes == Layout().rowBytes ? &*m_selection : nullptr;
}

void CRamView::RenderRam(wxDC& dc) {
    RenderRam(dc, wxRect(GetClientSize()));
}

// Each paint shows the memory as it is now, as the mapping once did. Only the picture
// rows of `area` are composed and converted again (the rest is as last painted), unless
// the picture's size changed.
void CRamView::RenderRam(wxDC& dc, wxRect area) {
    const ViewLayout layout = Layout();
    const uint8_t* ram = m_pHost->ReadRamForPaint(layout.ShownBytes());
    const wxSize client = GetClientSize();
    if (!ram || client.x <= 0 || client.y <= 0) {
        dc.SetBackground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
        dc.Clear();
        m_screen.clear();
        return;
    }
    const size_t words = static_cast<size_t>(StrideWords(client.x)) * client.y;
    const size_t pixels = static_cast<size_t>(client.x) * client.y;
    if (m_picture.size() != words || m_screen.size() != pixels) {
        m_picture.assign(words, 0);
        m_screen.assign(pixels, 0);
        area = wxRect(client);
    }
    const int top = std::max(area.GetTop(), 0) / m_nScale * m_nScale;
    const int bottom = std::min(area.GetBottom() + 1, client.y);
    if (!m_bReusePicture)
        ComposePicture(ram, m_pHost->GetAddress(),
                       {client.x, client.y, m_nScale, m_bColor != 0, layout.rowBytes}, m_tables,
                       m_picture.data(), top, bottom);
    const SelRect frame =
        Selection() ? FrameOf(*Selection(), m_pHost->GetAddress(), layout) : SelRect{};
    const size_t stride = static_cast<size_t>(StrideWords(client.x));
    InvertSelectionFrame(m_picture.data(), client.x, client.y, frame);
    if (bottom > top)
        ConvertToXrgb(m_picture.data() + top * stride, client.x, bottom - top,
                      m_screen.data() + static_cast<size_t>(top) * client.x);
    InvertSelectionFrame(m_picture.data(), client.x, client.y, frame); // back to memory alone
    DrawXrgb(dc, m_screen.data(), client.x, client.y);
}

// The rows of the bytes first..last of the picture, counted from its start, painted anew.
void CRamView::RefreshBytes(int first, int last) {
    const int rowBytes = Layout().rowBytes;
    const int top = first / rowBytes * m_nScale, bottom = (last / rowBytes + 1) * m_nScale;
    RefreshRect(wxRect(0, top, GetClientSize().x, bottom - top), false);
}

void CRamView::OnPaint(wxPaintEvent&) {
    {
        wxPaintDC dc(this);
        RenderRam(dc, GetUpdateRegion().GetBox());
    }
    m_bReusePicture = false;
    TellPointer();
    if (m_selection) // scrolled, or moved to another address: less of it may be shown
        m_pHost->SelectionChanged();
}

// The byte under the pointer as the picture is now: after keys, the wheel, a new address
// or new memory, the status bar says what the pointer rests on, not what it once did.
void CRamView::TellPointer() {
    const wxPoint at = ScreenToClient(wxGetMousePosition());
    if (!GetClientRect().Contains(at)) // leaving the picture said so
        return;
    m_pHost->PointerMoved(m_screen.empty() ? std::nullopt
                                           : ByteAt(m_pHost->GetAddress(), {at.x, at.y}, Layout()));
}

// A selection made in rows of another width is no rectangle there: it is hidden until its
// rows come back.
void CRamView::OnSize(wxSizeEvent& event) {
    event.Skip();
    if (m_selection)
        m_pHost->SelectionChanged();
    UpdateScrollBar();
    Refresh(false);
}

void CRamView::UpdateScrollBar() {
    const ScrollInfo info = MakeScrollInfo(m_pHost->GetAddress(), Layout());
    SetScrollbar(wxVERTICAL, info.pos, info.page, info.range);
}

void CRamView::OnScroll(wxScrollWinEvent& event) {
    if (event.GetOrientation() != wxVERTICAL)
        return;
    const wxEventType type = event.GetEventType();
    const ScrollCode code = type == wxEVT_SCROLLWIN_LINEUP         ? ScrollCode::LineUp
                            : type == wxEVT_SCROLLWIN_LINEDOWN     ? ScrollCode::LineDown
                            : type == wxEVT_SCROLLWIN_PAGEUP       ? ScrollCode::PageUp
                            : type == wxEVT_SCROLLWIN_PAGEDOWN     ? ScrollCode::PageDown
                            : type == wxEVT_SCROLLWIN_TOP          ? ScrollCode::Top
                            : type == wxEVT_SCROLLWIN_BOTTOM       ? ScrollCode::Bottom
                            : type == wxEVT_SCROLLWIN_THUMBTRACK   ? ScrollCode::Thumb
                            : type == wxEVT_SCROLLWIN_THUMBRELEASE ? ScrollCode::Thumb
                                                                   : ScrollCode::Other;
    if (const auto address =
            ScrollAddress(code, m_pHost->GetAddress(), event.GetPosition(), Layout()))
        MoveTo(*address);
}

// Three rows a notch; with Ctrl, a zoom step around the byte under the mouse.
void CRamView::OnWheel(wxMouseEvent& event) {
    if (event.GetWheelAxis() != wxMOUSE_WHEEL_VERTICAL || event.GetWheelDelta() <= 0)
        return;
    m_nWheelRotation += event.GetWheelRotation();
    const int notches = m_nWheelRotation / event.GetWheelDelta();
    m_nWheelRotation -= notches * event.GetWheelDelta();
    if (notches == 0)
        return;
    if (event.ControlDown()) {
        m_pHost->ZoomAt({event.GetPosition().x, event.GetPosition().y}, notches > 0);
        return;
    }
    MoveTo(ScrollRows(m_pHost->GetAddress(), -notches * kWheelRows, Layout()));
}

void CRamView::MoveTo(uint16_t address) {
    m_pHost->SetAddress(address);
    UpdateScrollBar();
    Refresh(false);
    Update();
}

void CRamView::OnGoFirst(wxCommandEvent&) {
    MoveTo(0);
}
void CRamView::OnGoLast(wxCommandEvent&) {
    MoveTo(LastPageAddress(Layout()));
}

void CRamView::OnPageUp(wxCommandEvent&) {
    MoveTo(*ScrollAddress(ScrollCode::PageUp, m_pHost->GetAddress(), 0, Layout()));
}
void CRamView::OnPageDown(wxCommandEvent&) {
    MoveTo(*ScrollAddress(ScrollCode::PageDown, m_pHost->GetAddress(), 0, Layout()));
}

void CRamView::OnRowUp(wxCommandEvent&) {
    MoveTo(RowUp(m_pHost->GetAddress(), BytesPerRow()));
}
void CRamView::OnRowDown(wxCommandEvent&) {
    MoveTo(RowDown(m_pHost->GetAddress(), BytesPerRow()));
}
void CRamView::OnByteLeft(wxCommandEvent&) {
    MoveTo(ByteLeft(m_pHost->GetAddress()));
}
void CRamView::OnByteRight(wxCommandEvent&) {
    MoveTo(ByteRight(m_pHost->GetAddress()));
}

void CRamView::OnUpdateSaveSelection(wxUpdateUIEvent& event) {
    event.Enable(HasSelection());
}

void CRamView::SetColor(bool color) {
    m_bColor = color ? 1 : 0;
    Refresh();
    Update();
}

void CRamView::SetScale(int scale) {
    m_nScale = scale;
    ClearSelection();
    UpdateScrollBar();
    Refresh(false);
    Update();
}

void CRamView::SetRowBytes(int chosen) {
    m_nRowBytes = chosen;
    if (m_selection)
        m_pHost->SelectionChanged();
    UpdateScrollBar();
    Refresh(false);
    Update();
}

void CRamView::ClearSelection() {
    m_selection.reset();
    m_pHost->SelectionChanged();
}

std::optional<MemorySelection> CRamView::SavedPart() const {
    const MemorySelection* selection = Selection();
    return selection ? VisiblePart(*selection, m_pHost->GetAddress(), Layout()) : std::nullopt;
}

std::optional<SelectionImage> CRamView::BuildSelectionImage() const {
    const auto visible = SavedPart();
    return visible ? ComposeSelection(m_pHost->GetRam(), *visible, IsColor(), m_tables)
                   : std::nullopt;
}

void CRamView::DrawSelectionChange() {
    m_bReusePicture = !m_picture.empty();
    Refresh(false);
    Update();
    m_pHost->SelectionChanged();
}

void CRamView::OnLButtonDown(wxMouseEvent& event) {
    SetFocus();
    if (!HasCapture())
        CaptureMouse();
    const ViewLayout layout = Layout();
    m_anchor =
        CornerAt(m_pHost->GetAddress(), {event.GetPosition().x, event.GetPosition().y}, layout);
    m_selection = SelectionBetween(m_anchor, m_anchor, layout.rowBytes);
    DrawSelectionChange();
    event.Skip();
}

// While the button is held the pointer stays within reach of one byte column past the
// right edge and one row past the bottom. Every move tells the byte under it.
void CRamView::OnMouseMove(wxMouseEvent& event) {
    event.Skip();
    const ViewLayout layout = Layout();
    const uint16_t address = m_pHost->GetAddress();
    const Point p{event.GetPosition().x, event.GetPosition().y};
    if (!HasCapture()) {
        m_pHost->PointerMoved(m_screen.empty() ? std::nullopt : ByteAt(address, p, layout));
        return;
    }
    const wxSize client = GetClientSize();
    const Point clamped = ClampDragPoint(p, client.x, client.y, m_nScale);
    if (clamped != p)
        WarpPointer(clamped.x, clamped.y);
    m_selection = SelectionBetween(m_anchor, CornerAt(address, clamped, layout), layout.rowBytes);
    DrawSelectionChange();
    m_pHost->PointerMoved(ByteAt(address, clamped, layout)); // where the drag is now
}

void CRamView::OnMouseLeave(wxMouseEvent& event) {
    event.Skip();
    m_pHost->PointerMoved(std::nullopt);
}

void CRamView::OnLButtonUp(wxMouseEvent& event) {
    if (HasCapture())
        ReleaseMouse();
    event.Skip();
}
