#include "RamView.h"

#include "ScreenDraw.h"
#include "ScreenPicture.h"

#include <wx/dcclient.h>
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
    Bind(wxEVT_LEFT_DOWN, &CRamView::OnLButtonDown, this);
    Bind(wxEVT_MOTION, &CRamView::OnMouseMove, this);
    Bind(wxEVT_LEFT_UP, &CRamView::OnLButtonUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CRamView::OnCaptureLost, this);
}

int CRamView::BytesPerRow() const {
    return ::BytesPerRow(GetClientSize().x, m_nScale);
}

int CRamView::BytesPerPage() const {
    const wxSize client = GetClientSize();
    return ::BytesPerPage(client.x, client.y, m_nScale);
}

// Each paint shows the memory as it is now, as the mapping once did.
void CRamView::RenderRam(wxDC& dc) {
    const uint8_t* ram = m_pHost->ReadRamForPaint(BytesPerPage());
    const wxSize client = GetClientSize();
    if (!ram || client.x <= 0 || client.y <= 0) {
        dc.SetBackground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
        dc.Clear();
        m_screen.clear();
        return;
    }
    const size_t words = static_cast<size_t>(StrideWords(client.x)) * client.y;
    if (!m_bReusePicture || m_picture.size() != words) {
        m_picture.assign(words, 0);
        ComposePicture(ram, m_pHost->GetAddress(), {client.x, client.y, m_nScale, m_bColor != 0},
                       m_tables, m_picture.data());
    }
    m_screen.resize(static_cast<size_t>(client.x) * client.y);
    InvertSelectionFrame(m_picture.data(), client.x, client.y, m_rcSel);
    ConvertToXrgb(m_picture.data(), client.x, client.y, m_screen.data());
    InvertSelectionFrame(m_picture.data(), client.x, client.y, m_rcSel); // back to memory alone
    DrawXrgb(dc, m_screen.data(), client.x, client.y);
}

void CRamView::OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    RenderRam(dc);
    m_bReusePicture = false;
}

void CRamView::OnSize(wxSizeEvent& event) {
    event.Skip();
    UpdateScrollBar();
    Refresh(false);
}

void CRamView::UpdateScrollBar() {
    const ScrollInfo info = MakeScrollInfo(m_pHost->GetAddress(), BytesPerPage());
    m_nThumbPos = info.pos;
    SetScrollbar(wxVERTICAL, info.pos, info.page, info.max - info.min + 1);
}

void CRamView::OnScroll(wxScrollWinEvent& event) {
    if (event.GetOrientation() != wxVERTICAL)
        return;
    const wxEventType type = event.GetEventType();
    const ScrollCode code = type == wxEVT_SCROLLWIN_LINEUP         ? ScrollCode::LineUp
                            : type == wxEVT_SCROLLWIN_LINEDOWN     ? ScrollCode::LineDown
                            : type == wxEVT_SCROLLWIN_PAGEUP       ? ScrollCode::PageUp
                            : type == wxEVT_SCROLLWIN_PAGEDOWN     ? ScrollCode::PageDown
                            : type == wxEVT_SCROLLWIN_THUMBTRACK   ? ScrollCode::ThumbTrack
                            : type == wxEVT_SCROLLWIN_THUMBRELEASE ? ScrollCode::ThumbPosition
                                                                   : ScrollCode::Other;
    // The step starts from where this window last put the thumb: the toolkit may have
    // moved it already.
    const auto position =
        NewScrollPosition(code, m_nThumbPos, event.GetPosition(), BytesPerRow(), BytesPerPage());
    if (!position)
        return;
    m_nThumbPos = *position;
    SetScrollPos(wxVERTICAL, *position);
    m_pHost->SetAddress(static_cast<unsigned>(*position));
    Refresh(false);
    Update();
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
    MoveTo(LastPageAddress(BytesPerPage()));
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

void CRamView::ToggleColor() {
    m_bColor = m_bColor ? 0 : 1;
    Refresh();
    Update();
}

void CRamView::SetScale(int scale) {
    m_nScale = scale;
    m_rcSel = SelRect{};
    UpdateScrollBar();
    Refresh(false);
    Update();
}

std::optional<SelectionImage> CRamView::BuildSelectionImage() const {
    return ::BuildSelectionImage(
        m_pHost->GetRam(),
        {m_pHost->GetAddress(), m_nScale, m_bColor != 0, GetClientSize().x, m_rcSel}, m_tables);
}

void CRamView::DrawSelectionChange() {
    m_bReusePicture = !m_picture.empty();
    Refresh(false);
    Update();
}

void CRamView::OnLButtonDown(wxMouseEvent& event) {
    SetFocus();
    if (!HasCapture())
        CaptureMouse();
    const wxPoint p = event.GetPosition();
    m_rcSel = BeginSelection({p.x, p.y}, m_nScale);
    DrawSelectionChange();
    event.Skip();
}

// While the button is held the pointer stays within reach of one byte column past the
// right edge and one row past the bottom.
void CRamView::OnMouseMove(wxMouseEvent& event) {
    event.Skip();
    if (!HasCapture())
        return;
    const wxSize client = GetClientSize();
    const Point p{event.GetPosition().x, event.GetPosition().y};
    const Point clamped = ClampDragPoint(p, client.x, client.y, m_nScale);
    if (clamped != p)
        WarpPointer(clamped.x, clamped.y);
    m_rcSel = DragSelection(m_rcSel, clamped, m_nScale, client.x, client.y);
    DrawSelectionChange();
}

void CRamView::OnLButtonUp(wxMouseEvent& event) {
    if (HasCapture())
        ReleaseMouse();
    event.Skip();
}
