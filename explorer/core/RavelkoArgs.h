// Ravelko's command line: ravelko [IMAGE], --help, --version.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct RavelkoArgs {
    std::optional<std::string> image; // opened at start
    bool help = false;
    bool version = false;
    std::string error; // what was wrong with the arguments; empty when nothing was
};

RavelkoArgs ParseRavelkoArgs(const std::vector<std::string>& args);

// What the command line alone answers (usage, version, what is wrong), for standard
// output (`toOutput`) or standard error, and the exit code; none when the window runs.
struct ArgsAnswer {
    std::string text;
    bool toOutput;
    int exitCode;
};
std::optional<ArgsAnswer> AnswerArgs(const RavelkoArgs& args);
