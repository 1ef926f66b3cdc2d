#include "TomsivarApp.h"

wxIMPLEMENT_APP(CTomsivarApp);
