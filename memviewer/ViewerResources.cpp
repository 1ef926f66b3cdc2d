#include "ViewerResources.h"

#include "WxCommon.h"

// XPM: both the GTK and the Windows build read it, and so does the desktop.
#include "tomsivar.xpm"

wxBitmap ViewerIconBitmap() {
    return wxBitmap(tomsivar_xpm);
}

wxIcon ViewerIcon() {
    return IconFromBitmap(ViewerIconBitmap());
}
