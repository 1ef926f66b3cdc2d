// The X11 desktop's programs for a kind of file (freedesktop.org desktop entries and
// MIME associations), for opening an extracted file in a window of its own.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Where the desktop keeps its settings and program entries, most important first.
struct XdgDirs {
    std::vector<std::filesystem::path> config; // $XDG_CONFIG_HOME, then $XDG_CONFIG_DIRS
    std::vector<std::filesystem::path> data;   // $XDG_DATA_HOME, then $XDG_DATA_DIRS
};

XdgDirs XdgDirsFromEnvironment();

// The command line that opens `path` in a program with a window of its own for
// `mimeType`: the desktop's defaults first (mimeapps.list), then the programs registered
// for the type (mimeinfo.cache), passing over programs that need a terminal and hidden
// entries. None when no such program is known.
std::optional<std::vector<std::string>>
GraphicalOpener(const std::string& mimeType, const std::string& path, const XdgDirs& dirs);
