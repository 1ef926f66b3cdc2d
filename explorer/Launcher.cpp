#include "Launcher.h"

#include <wx/utils.h>

CHostLauncher::CHostLauncher(OpenerGaveUp gaveUp) : m_gaveUp(std::move(gaveUp)) {}

#ifdef _WIN32

// The shell's association, and the text editor by the command line "notepad <path>";
// both report at once whether they started.
bool CHostLauncher::OpenWithDefaultApp(const std::string& path) {
    return wxLaunchDefaultApplication(wxString::FromUTF8(path));
}

bool CHostLauncher::OpenInTextEditor(const std::string& path) {
    return wxExecute("notepad " + wxString::FromUTF8(path), wxEXEC_ASYNC) > 0;
}

#else

#include "DesktopEntries.h"

#include <wx/process.h>

namespace {

// A started opener; when it ends in failure the user is told which file it was.
class COpenerProcess : public wxProcess {
public:
    COpenerProcess(OpenerGaveUp gaveUp, std::string path, bool textEditor)
        : m_gaveUp(std::move(gaveUp)), m_path(std::move(path)), m_textEditor(textEditor) {}
    void OnTerminate(int, int status) override {
        if (status != 0 && m_gaveUp)
            m_gaveUp(m_path, m_textEditor);
        delete this;
    }

private:
    OpenerGaveUp m_gaveUp;
    std::string m_path;
    bool m_textEditor;
};

// Runs `args` without a shell reading them (names come from disk images) and with their
// output kept off the explorer's own: sh only redirects and then becomes the program.
bool StartQuietly(const wxArrayString& args, OpenerGaveUp gaveUp, const std::string& path,
                  bool textEditor) {
    std::vector<wxString> argv = {"sh", "-c", "exec \"$@\" >/dev/null 2>&1", "sh"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<const wxChar*> pointers;
    for (const wxString& arg : argv)
        pointers.push_back(arg.wc_str());
    pointers.push_back(nullptr);
    auto* process = new COpenerProcess(std::move(gaveUp), path, textEditor);
    if (wxExecute(pointers.data(), wxEXEC_ASYNC, process) > 0)
        return true;
    delete process; // never started: it will not be told of an end
    return false;
}

wxArrayString XdgOpen(const std::string& path) {
    wxArrayString args;
    args.Add("xdg-open");
    args.Add(wxString::FromUTF8(path));
    return args;
}

} // namespace

// xdg-open finds the desktop's program; it fails when there is none.
bool CHostLauncher::OpenWithDefaultApp(const std::string& path) {
    return StartQuietly(XdgOpen(path), m_gaveUp, path, false);
}

// The desktop's editor for plain text, or the next one it knows that has a window of its
// own (a terminal editor started from here would have no terminal); else xdg-open, which
// gives a terminal program a terminal. The toolkit's mailcap lookup is never asked: it
// cannot tell a terminal program from a windowed one.
bool CHostLauncher::OpenInTextEditor(const std::string& path) {
    const auto editor = GraphicalOpener("text/plain", path, XdgDirsFromEnvironment());
    if (!editor)
        return StartQuietly(XdgOpen(path), m_gaveUp, path, true);
    wxArrayString args;
    for (const std::string& arg : *editor)
        args.Add(wxString::FromUTF8(arg));
    return StartQuietly(args, m_gaveUp, path, true);
}

#endif
