// What bkdisk's commands share: their parsed arguments, the way they report, and the
// images and directories they name.
#pragma once

#include "BkDiskStrings.h"
#include "DiskImage.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace bkdisk {

enum ExitCode { Success = 0, Failure = 1, Usage = 2 };

struct Arguments {
    std::vector<std::string> positional;
    std::set<std::string> flags;
    std::map<std::string, std::string> values; // of the options that take one
    bool help = false;
    std::string unknown;
    std::string missingValue; // an option given without its value

    std::string Value(const std::string& option) const;
};

// The arguments after the command's name. After "--" every argument is a path or a
// name, even one that starts with '-'.
Arguments Parse(const std::vector<std::string>& argv, const std::set<std::string>& known);

// "bkdisk: message" on standard error; Failure.
int Error(const std::string& message);
// The usage of a command, or the whole program's: mounting only where there is FUSE.
std::string UsageText(StringId usageId);
int UsageError(StringId usageId, const std::string& message);
// Everything asked for reached standard output, or the reason it did not is told.
int FinishOutput(int status);

// Read-only: images on read-only storage or without write permission are fine here.
std::unique_ptr<CDiskImage> OpenImage(const std::string& path);
// The directory or logical disk at `dir` (command-line path syntax; the root when empty);
// none with the reason told.
std::optional<Place> EnterDirectory(CDiskImage& image, const std::string& dir);

// The options that name a format a blank image is made of (--microdos, ...), from the
// table of formats; and joined by `separator`.
std::vector<std::string> FormatFlags();
std::string JoinedFormatFlags(const std::string& separator);

// The commands that change images.
int Format(const Arguments& args);
int Check(const Arguments& args);
int Add(const Arguments& args);
int Remove(const Arguments& args);
int MakeDirectory(const Arguments& args);
int Rename(const Arguments& args);

} // namespace bkdisk
