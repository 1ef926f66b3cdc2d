// Starting other programs on extracted files: behind an interface, so that tests see
// what would be started without starting it.
#pragma once

#include <string>

class ILauncher {
public:
    virtual ~ILauncher() = default;
    // Opens the file with the program the host associates with its name.
    virtual void OpenWithDefaultApp(const std::string& path) = 0;
    // Shows the file in the host's text editor.
    virtual void OpenInTextEditor(const std::string& path) = 0;
};

class CHostLauncher : public ILauncher {
public:
    void OpenWithDefaultApp(const std::string& path) override;
    void OpenInTextEditor(const std::string& path) override;
};
