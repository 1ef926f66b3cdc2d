// What the viewer keeps between runs, and what its command line asks for.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct ViewerSettings {
    long address = 0;
    long scaleIndex = 0;
    bool color = true;
    bool live = true;
    long rowBytes = 0; // kAutoRowBytes, or a value of g_rowBytesChoices
    long width = 0;    // the picture's client size; 0 for the start size
    long height = 0;
    bool operator==(const ViewerSettings&) const = default;
};

// Values read back from storage, each kept only when the viewer can show it (a file
// edited by hand, or written by another version, must not start a broken window).
ViewerSettings Checked(const ViewerSettings& stored);

struct ViewerArgs {
    std::optional<int> index; // watch ZELMARIN_RAM<index> only
    std::string name;         // the objects' base name
    bool help = false;
    bool version = false;
    std::string error; // what was wrong with the arguments; empty when nothing was
};

// --index N (0 to 63), --name BASE, --help, --version.
ViewerArgs ParseViewerArgs(const std::vector<std::string>& args, const std::string& defaultName);
