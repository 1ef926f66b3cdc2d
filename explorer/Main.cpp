#include "ExplorerApp.h"

#ifdef __WXGTK__
wxIMPLEMENT_APP_NO_MAIN(CExplorerApp);

// --help, --version and wrong arguments are answered before the toolkit starts: they
// need no display.
int main(int argc, char** argv) {
    if (const auto code = AnswerCommandLine(ParseRavelkoArgs({argv + 1, argv + argc})))
        return *code;
    return wxEntry(argc, argv);
}
#else
wxIMPLEMENT_APP(CExplorerApp);
#endif
