#include "ExplorerApp.h"

#include "ExplorerDlg.h"

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
    return true;
}

int CExplorerApp::OnRun() {
    if (const auto exitCode = AnswerCommandLine(m_args))
        return *exitCode;
    CExplorerDlg dialog(nullptr, m_nNumberBase);
    SetTopWindow(&dialog);
    if (m_args.image) // once the window is up: a failed open's message needs it
        dialog.CallAfter([&dialog, path = *m_args.image] { dialog.OpenFromCommandLine(path); });
    dialog.ShowModal();
    return 0;
}
