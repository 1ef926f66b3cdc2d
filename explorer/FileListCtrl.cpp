#include "FileListCtrl.h"

#include "DropFiles.h"

#include <cstring>

CFileDataSource::CFileDataSource(DropRenderer render)
    : wxDataObjectSimple(wxDF_FILENAME), m_render(std::move(render)) {}

const std::string& CFileDataSource::Render() const {
    if (!m_haveRendered) {
        const auto block = m_render();
#ifdef __WXMSW__
        // The Windows shell takes the CF_HDROP block itself.
        m_rendered = block ? std::string(block->begin(), block->end()) : std::string();
#else
        // X11 desktops take the paths as a uri-list.
        m_rendered = block ? ToUriList(ReadDropPaths(*block)) : std::string();
#endif
        m_haveRendered = true;
        ++m_renders;
    }
    return m_rendered;
}

size_t CFileDataSource::GetDataSize() const {
    return Render().size();
}

bool CFileDataSource::GetDataHere(void* buffer) const {
    const std::string& list = Render();
    std::memcpy(buffer, list.data(), list.size());
    m_haveRendered = false; // the next request extracts anew
    return !list.empty();
}

CFileDropSource::CFileDropSource(wxDataObject& data, wxWindow* window)
    : wxDropSource(data, window) {}

wxDragResult CImageDropTarget::OnDragOver(wxCoord, wxCoord, wxDragResult) {
    return wxDragCopy;
}

bool CImageDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& files) {
    std::vector<std::string> paths;
    for (const wxString& file : files)
        paths.push_back(file.utf8_string());
    if (!paths.empty())
        m_open(paths);
    return true;
}

CFileListCtrl::CFileListCtrl(wxWindow* parent, int id, DropRenderer render, const wxPoint& pos,
                             const wxSize& size)
    : wxListCtrl(parent, id, pos, size, wxLC_REPORT | wxLC_EDIT_LABELS | wxBORDER_SUNKEN),
      m_dataSource(std::move(render)) {
    Bind(wxEVT_LIST_BEGIN_DRAG, &CFileListCtrl::OnBeginDrag, this);
}

void CFileListCtrl::OnBeginDrag(wxListEvent&) {
    CFileDropSource source(m_dataSource, this);
    source.DoDragDrop(wxDrag_CopyOnly);
}
