#include "TomsivarApp.h"

#ifdef __WXGTK__
#include <cstdlib>

namespace {

// Classic scroll bars, unless the user chose otherwise: an overlay bar comes and goes,
// and the picture's width (bytes a row) with it. Read by GTK when it starts, before main.
const bool g_classicScrollBars = setenv("GTK_OVERLAY_SCROLLING", "0", 0) == 0;

} // namespace

wxIMPLEMENT_APP_NO_MAIN(CTomsivarApp);

// --help and wrong arguments are answered before the toolkit starts: they need no display.
int main(int argc, char** argv) {
    if (const auto code = AnswerCommandLine(ParseCommandLine({argv + 1, argv + argc})))
        return *code;
    return wxEntry(argc, argv);
}
#else
wxIMPLEMENT_APP(CTomsivarApp);
#endif
