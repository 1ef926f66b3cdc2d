#include "TomsivarApp.h"

#include "MainFrame.h"
#include "TomsivarStrings.h"
#include "ViewerResources.h"
#include "WxCommon.h"

#include <wx/image.h>

#include <iostream>

using namespace tomsivar;

ViewerArgs ParseCommandLine(const std::vector<std::string>& args) {
    return ParseViewerArgs(args, LoadResString(IDS_RAM_NAME));
}

std::optional<int> AnswerCommandLine(const ViewerArgs& args) {
    if (args.help || args.version) {
        std::cout << LoadResString(args.help ? IDS_USAGE : IDS_ABOUT_VERSION)
                  << (args.help ? "" : "\n");
        return 0;
    }
    if (!args.error.empty()) {
        std::cerr << args.error << "\n" << LoadResString(IDS_USAGE);
        return 2;
    }
    return std::nullopt;
}

std::optional<ViewerArgs>& CommandLineArgs() {
    static std::optional<ViewerArgs> args;
    return args;
}

bool CTomsivarApp::OnInit() {
    if (!CommandLineArgs()) {
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i)
            args.push_back(argv[i].utf8_string());
        CommandLineArgs() = ParseCommandLine(args);
    }
    const ViewerArgs parsed = *CommandLineArgs();
    if ((m_exitCode = AnswerCommandLine(parsed)))
        return true;
    wxInitAllImageHandlers();
    SetAppName("Tomsivar");
    SetVendorName("Local AppWizard-Generated Applications");
    UseSettingsStore(*this);
    auto* frame = new CMainFrame(parsed.name, parsed.index);
    SetTopWindow(frame);
    frame->SetIcon(ViewerIcon());
    frame->ApplySettings(ReadSettings(*wxConfigBase::Get()));
    frame->Bind(wxEVT_CLOSE_WINDOW, [frame](wxCloseEvent& event) {
        WriteSettings(*wxConfigBase::Get(), frame->CurrentSettings());
        event.Skip();
    });
    frame->Show();
    return true;
}

int CTomsivarApp::OnRun() {
    return m_exitCode ? *m_exitCode : wxApp::OnRun();
}

ViewerSettings ReadSettings(const wxConfigBase& config) {
    ViewerSettings settings;
    config.Read("Address", &settings.address);
    config.Read("Scale", &settings.scaleIndex);
    config.Read("Color", &settings.color);
    config.Read("LiveUpdate", &settings.live);
    config.Read("BytesPerRow", &settings.rowBytes);
    config.Read("Width", &settings.width);
    config.Read("Height", &settings.height);
    return Checked(settings);
}

void WriteSettings(wxConfigBase& config, const ViewerSettings& settings) {
    config.Write("Address", settings.address);
    config.Write("Scale", settings.scaleIndex);
    config.Write("Color", settings.color);
    config.Write("LiveUpdate", settings.live);
    config.Write("BytesPerRow", settings.rowBytes);
    config.Write("Width", settings.width);
    config.Write("Height", settings.height);
    FlushQuietly(config);
}
