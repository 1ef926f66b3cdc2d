#include "ExplorerApp.h"

#include "ExplorerDlg.h"
#include "WxCommon.h"

#include <wx/image.h>

#include <iostream>

std::optional<int> AnswerCommandLine(const RavelkoArgs& args) {
    const auto answer = AnswerArgs(args);
    if (answer)
        (answer->toOutput ? std::cout : std::cerr) << answer->text;
    return answer ? std::optional(answer->exitCode) : std::nullopt;
}

bool CExplorerApp::OnInit() {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i].utf8_string());
    m_args = ParseRavelkoArgs(args);
    wxInitAllImageHandlers();
    SetAppName("Ravelko");
    SetVendorName("Local AppWizard-Generated Applications");
    UseSettingsStore(*this);
    return true;
}

int CExplorerApp::OnRun() {
    if (const auto exitCode = AnswerCommandLine(m_args))
        return *exitCode;
    CExplorerDlg dialog(nullptr, m_nNumberBase);
    SetTopWindow(&dialog);
    dialog.ApplySettings(ReadSettings(*wxConfigBase::Get()));
    if (m_args.image) // once the window is up: a failed open's message needs it
        dialog.CallAfter([&dialog, path = *m_args.image] { dialog.OpenFromCommandLine(path); });
    dialog.ShowModal();
    WriteSettings(*wxConfigBase::Get(), dialog.CurrentSettings());
    return 0;
}

namespace {

wxString ColumnKey(size_t column) {
    return wxString::Format("Column%zuWidth", column);
}

} // namespace

ExplorerSettings ReadSettings(const wxConfigBase& config) {
    ExplorerSettings settings;
    for (size_t i = 0; i < settings.columnWidths.size(); ++i)
        config.Read(ColumnKey(i), &settings.columnWidths[i]);
    config.Read("Width", &settings.width);
    config.Read("Height", &settings.height);
    config.Read("AddBinExtension", &settings.addBinExtension);
    return CheckedSettings(settings);
}

void WriteSettings(wxConfigBase& config, const ExplorerSettings& settings) {
    for (size_t i = 0; i < settings.columnWidths.size(); ++i)
        config.Write(ColumnKey(i), settings.columnWidths[i]);
    config.Write("Width", settings.width);
    config.Write("Height", settings.height);
    config.Write("AddBinExtension", settings.addBinExtension);
    FlushQuietly(config);
}
