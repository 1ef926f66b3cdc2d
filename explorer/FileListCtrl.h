// The catalog list and its drag and drop: rows dragged out become extracted files,
// and an image file dropped onto the list is opened.
#pragma once

#include <wx/dataobj.h>
#include <wx/dnd.h>
#include <wx/listctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Extracts the selection for a drag and gives its drop block (none when that failed).
using DropRenderer = std::function<std::optional<std::vector<uint8_t>>()>;
// Takes the files dropped onto the list (UTF-8 paths).
using DropOpener = std::function<void(const std::vector<std::string>&)>;

// The file list of a drag, rendered only when a receiver asks for it: each request
// extracts the selection again.
class CFileDataSource : public wxDataObjectSimple {
public:
    explicit CFileDataSource(DropRenderer render);

    size_t GetDataSize() const override;
    bool GetDataHere(void* buffer) const override;
    bool SetData(size_t, const void*) override { return false; }

    int RenderCount() const { return m_renders; }

private:
    // The file list of a fresh extraction in the host's form (a uri-list on X11, the
    // CF_HDROP block on Windows), kept until the bytes are fetched.
    const std::string& Render() const;

    DropRenderer m_render;
    mutable std::string m_rendered;
    mutable bool m_haveRendered = false;
    mutable int m_renders = 0;
};

class CFileDropSource : public wxDropSource {
public:
    CFileDropSource(wxDataObject& data, wxWindow* window);
    // The platform's standard drag cursors.
    bool GiveFeedback(wxDragResult) override { return false; }
};

class CImageDropTarget : public wxFileDropTarget {
public:
    explicit CImageDropTarget(DropOpener open) : m_open(std::move(open)) {}
    wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult def) override;
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) override;

private:
    DropOpener m_open;
};

class CFileListCtrl : public wxListCtrl {
public:
    CFileListCtrl(wxWindow* parent, int id, DropRenderer render, const wxPoint& pos,
                  const wxSize& size);
    // What a drag out of the list offers.
    CFileDataSource& DataSource() { return m_dataSource; }

private:
    void OnBeginDrag(wxListEvent& event);
    CFileDataSource m_dataSource;
};
