#include "ExplorerApp.h"

wxIMPLEMENT_APP(CExplorerApp);
