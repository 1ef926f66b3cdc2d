#pragma once

#include "ExplorerSettings.h"
#include "RavelkoArgs.h"

#include <wx/app.h>
#include <wx/config.h>

#include <optional>

// Start-up runs the window modally, with the settings of the last run and the image of the
// command line opened; the program ends when it closes, storing the settings.
class CExplorerApp : public wxApp {
public:
    bool OnInit() override;
    int OnRun() override;

    // 0 decimal, 1 octal, 2 hexadecimal: the catalog's numbers; octal for the whole run.
    int m_nNumberBase = 1;

private:
    RavelkoArgs m_args;
};

// Prints what the command line alone answers; its exit code, or none when the window runs.
std::optional<int> AnswerCommandLine(const RavelkoArgs& args);

ExplorerSettings ReadSettings(const wxConfigBase& config);
void WriteSettings(wxConfigBase& config, const ExplorerSettings& settings);
