#pragma once

#include <wx/app.h>

// Start-up shows the frame; nothing is stored.
class CTomsivarApp : public wxApp {
public:
    bool OnInit() override;
};
