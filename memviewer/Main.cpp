#include "TomsivarApp.h"

#ifdef __WXGTK__
#include <cstdlib>

namespace {

// Classic scroll bars, unless the user chose otherwise: an overlay bar comes and goes,
// and the picture's width (bytes a row) with it. Read by GTK when it starts, before main.
const bool g_classicScrollBars = setenv("GTK_OVERLAY_SCROLLING", "0", 0) == 0;

} // namespace
#endif

wxIMPLEMENT_APP(CTomsivarApp);
