// Toolkit glue both programs share.
#pragma once

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/config.h>
#include <wx/dialog.h>
#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/icon.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/stdpaths.h>

#include <vector>

// wx on Windows reads command ids as signed 16-bit numbers: command numbers fold into
// 0..0x7FFF, or toolbar buttons and menu entries would send ids that match no handler.
constexpr int WxCommand(int id) {
    return id & 0x7FFF;
}

inline wxIcon IconFromBitmap(const wxBitmap& bitmap) {
    wxIcon icon;
    icon.CopyFromBitmap(bitmap);
    return icon;
}

// Sets a pane's text; every pane but `stretching` is then as wide as its text and `margin`,
// and the stretching one takes the rest: no text is cut whatever the font.
inline void SetFittedStatusText(wxStatusBar& bar, int pane, const wxString& text, int stretching,
                                int margin) {
    if (bar.GetStatusText(pane) == text)
        return;
    bar.SetStatusText(text, pane);
    std::vector<int> widths(static_cast<size_t>(bar.GetFieldsCount()));
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = static_cast<int>(i) == stretching
                        ? -1
                        : bar.GetTextExtent(bar.GetStatusText(static_cast<int>(i))).x + margin;
    bar.SetStatusWidths(static_cast<int>(widths.size()), widths.data());
}

// An About box: the program's picture, its lines of text under each other, and the OK
// button at the top right; laid out by the texts' own sizes, never smaller than the box of
// 239 x 82 dialog units it was drawn as.
inline void LayOutAboutBox(wxDialog& box, const wxBitmap& picture,
                           const std::vector<wxString>& lines, const wxString& ok) {
    const int gap = box.ConvertDialogToPixels(wxSize(7, 7)).x;
    auto* texts = new wxBoxSizer(wxVERTICAL);
    for (const wxString& line : lines)
        texts->Add(new wxStaticText(&box, wxID_ANY, line), 0, wxBOTTOM, gap);
    auto* button = new wxButton(&box, wxID_OK, ok);
    wxSize buttonSize = button->GetBestSize();
    buttonSize.IncTo(box.ConvertDialogToPixels(wxSize(50, 14)));
    button->SetMinSize(buttonSize);
    button->SetDefault();
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(new wxStaticBitmap(&box, wxID_ANY, picture), 0, wxALL, 2 * gap);
    row->Add(texts, 1, wxTOP | wxRIGHT, gap + gap / 2);
    row->Add(button, 0, wxALL, gap);
    box.SetMinClientSize(box.ConvertDialogToPixels(wxSize(239, 82)));
    box.SetSizerAndFit(row);
}

// The program's settings: ~/.config/APP/APP.conf on Linux (the folder made when missing);
// on Windows the registry under HKEY_CURRENT_USER\Software\VENDOR\APP.
inline void UseSettingsStore(const wxApp& app) {
#ifndef __WXMSW__
    wxStandardPaths::Get().SetFileLayout(wxStandardPaths::FileLayout_XDG);
    const wxFileName file(wxStandardPaths::Get().GetUserConfigDir() + "/" + app.GetAppName(),
                          app.GetAppName() + ".conf");
    wxFileName::Mkdir(file.GetPath(), 0700, wxPATH_MKDIR_FULL);
    wxConfigBase::Set(new wxFileConfig(app.GetAppName(), app.GetVendorName(), file.GetFullPath(),
                                       wxEmptyString, wxCONFIG_USE_LOCAL_FILE));
#else
    (void)app; // the toolkit's own store is the registry's
#endif
}

// Settings that cannot be stored are not worth a box on the way out.
inline void FlushQuietly(wxConfigBase& config) {
    const wxLogNull quiet;
    config.Flush();
}
