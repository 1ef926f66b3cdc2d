#include "TomsivarApp.h"

#ifdef __WXGTK__
#include <cstdlib>

namespace {

// Classic scroll bars, unless the user chose otherwise: an overlay bar comes and goes,
// and the picture's width (bytes a row) with it. Read by GTK when it starts, before main.
const bool g_classicScrollBars = setenv("GTK_OVERLAY_SCROLLING", "0", 0) == 0;

} // namespace

wxIMPLEMENT_APP_NO_MAIN(CTomsivarApp);

// Our options are read before the toolkit starts, and the toolkit is given none of them:
// GTK takes --name for its own. --help and wrong arguments need no display.
int main(int argc, char** argv) {
    const ViewerArgs args = ParseCommandLine({argv + 1, argv + argc});
    if (const auto code = AnswerCommandLine(args))
        return *code;
    CommandLineArgs() = args;
    int toolkitArgc = 1;
    return wxEntry(toolkitArgc, argv);
}
#else
wxIMPLEMENT_APP(CTomsivarApp);
#endif
