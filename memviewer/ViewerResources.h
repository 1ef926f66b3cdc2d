#pragma once

#include <wx/bitmap.h>
#include <wx/icon.h>

// The program icon, built into the program.
wxBitmap ViewerIconBitmap();
wxIcon ViewerIcon();
