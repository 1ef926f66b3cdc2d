#include "Launcher.h"

#include <wx/mimetype.h>
#include <wx/utils.h>

#include <memory>

void CHostLauncher::OpenWithDefaultApp(const std::string& path) {
    wxLaunchDefaultApplication(wxString::FromUTF8(path));
}

#ifdef _WIN32

void CHostLauncher::OpenInTextEditor(const std::string& path) {
    wxExecute("notepad " + wxString::FromUTF8(path), wxEXEC_ASYNC);
}

#else

// The desktop's application for plain text; xdg-open when none is registered.
void CHostLauncher::OpenInTextEditor(const std::string& path) {
    const wxString file = wxString::FromUTF8(path);
    std::unique_ptr<wxFileType> type(wxTheMimeTypesManager->GetFileTypeFromMimeType("text/plain"));
    wxString command;
    if (type && type->GetOpenCommand(&command, wxFileType::MessageParameters(file, "text/plain")) &&
        !command.empty() && wxExecute(command, wxEXEC_ASYNC) > 0)
        return;
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    wxExecute(argv, wxEXEC_ASYNC);
}

#endif
