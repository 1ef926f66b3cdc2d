// The pictures built into the program: toolbar cells, list icons and the program icon.
#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/imaglist.h>

// Cells 0..3 of the toolbar strip (256 x 32, mask colour 0xC0C0C0).
wxBitmap ToolbarBitmap(int cell);
// The list's 16 x 16 icons: 0 file, 1 directory (strip with mask colour 0xFF00FF).
void FillListImages(wxImageList& images);
wxBitmap ProgramIconBitmap();
wxIcon ProgramIcon();
