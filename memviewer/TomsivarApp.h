#pragma once

#include "ViewerOptions.h"

#include <wx/app.h>
#include <wx/config.h>

#include <optional>
#include <string>
#include <vector>

// Start-up: the command line, then the frame with the settings of the last run, which
// are stored again when it closes.
class CTomsivarApp : public wxApp {
public:
    bool OnInit() override;
    int OnRun() override;

private:
    std::optional<int> m_exitCode; // set when the command line ends the program at once
};

// The arguments after the program's name, with the string table's base name.
ViewerArgs ParseCommandLine(const std::vector<std::string>& args);
// Prints the usage for --help, or what is wrong and the usage: the exit code then.
std::optional<int> AnswerCommandLine(const ViewerArgs& args);
// The arguments as read before the toolkit started, where the program's own main reads
// them; none where the toolkit's entry point hands them to the application.
std::optional<ViewerArgs>& CommandLineArgs();

ViewerSettings ReadSettings(const wxConfigBase& config);
void WriteSettings(wxConfigBase& config, const ViewerSettings& settings);
