// Starting other programs on extracted files: behind an interface, so that tests see
// what would be started without starting it.
#pragma once

#include <functional>
#include <string>

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Each takes a UTF-8 path and returns false when no program could be started for it.
    // Opens the file with the program the host associates with its name.
    virtual bool OpenWithDefaultApp(const std::string& path) = 0;
    // Shows the file in the host's text editor.
    virtual bool OpenInTextEditor(const std::string& path) = 0;
};

// Runs on the UI thread with the path, and whether it went to the text editor, when a
// started opener ends in failure later (on X11 desktops: no program is associated with it).
using OpenerGaveUp = std::function<void(const std::string& path, bool textEditor)>;

class CHostLauncher : public ILauncher {
public:
    explicit CHostLauncher(OpenerGaveUp gaveUp);
    bool OpenWithDefaultApp(const std::string& path) override;
    bool OpenInTextEditor(const std::string& path) override;

private:
    OpenerGaveUp m_gaveUp;
};
