// Other programs run by the integration tests (POSIX).
#pragma once

#include <string>

struct CommandOutput {
    int status; // the exit status; -1 when the command did not exit normally
    std::string out;
};

// Runs `command` through the shell and collects its standard output.
CommandOutput RunCommand(const std::string& command);

// `text` inside single quotes, safe for the shell whatever it holds.
std::string ShellQuote(const std::string& text);
