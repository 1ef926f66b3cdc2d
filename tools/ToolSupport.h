// What the memory tools share: option values, memory dumps and messages.
#pragma once

#include "ToolStrings.h"

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An octal or decimal option value; none when `text` is not wholly a number of that base.
std::optional<unsigned> ParseNumber(const std::string& text, int base);

// The value of the option at argv[i] (i moves onto it), as a number of `base` from `low`
// to `high`, as any text, or as a base name of shared-memory objects. None, with the
// message in `problem`, when it is missing or out of range.
std::optional<unsigned> NumberValue(int argc, char** argv, int& i, int base, unsigned low,
                                    unsigned high, std::string& problem);
std::optional<std::string> TextValue(int argc, char** argv, int& i, std::string& problem);
std::optional<std::string> NameValue(int argc, char** argv, int& i, std::string& problem);

template <typename T> void Assign(T& target, const std::optional<T>& value) {
    if (value)
        target = *value;
}

// Reads the dump file into `memory` (64 KB) from `at` on, never more than fits: the
// number of bytes it held. None, with the system's reason, when it cannot be read.
std::optional<size_t> LoadDump(const std::string& path, unsigned at, std::vector<uint8_t>& memory,
                               std::string& reason);

// True when the command line holds `flag` (or `alias`) anywhere.
bool HasFlag(int argc, char** argv, std::string_view flag, std::string_view alias = {});

// The usage to standard output; returns 0 for the exit status.
int PrintUsage(memtools::StringId usageId);
// "program 1.1" to standard output; returns 0.
int PrintVersion(const char* program);

// Says what is wrong with the command line (when it is known) and prints the usage to
// standard error; returns 2 for the exit status.
int Usage(const char* program, memtools::StringId usageId, const std::string& problem);

// Prints "program: message" to standard error; returns 1 for the exit status.
int Fail(const char* program, const std::string& message);

// A tool's main: --help and --version to standard output (exit 0), a bad command line with what is
// wrong and the usage (exit 2), otherwise `run`'s status; an exception (out of memory,
// say) becomes a message and exit 1, never an abort.
template <typename Options>
int RunTool(const char* program, memtools::StringId usageId, int argc, char** argv,
            std::optional<Options> (*parse)(int, char**, std::string&),
            int (*run)(const Options&)) {
    if (HasFlag(argc, argv, "--help", "-h"))
        return PrintUsage(usageId);
    if (HasFlag(argc, argv, "--version"))
        return PrintVersion(program);
    std::string bad;
    const std::optional<Options> options = parse(argc, argv, bad);
    if (!options)
        return Usage(program, usageId, bad);
    try {
        return run(*options);
    } catch (const std::exception& error) {
        return Fail(program, error.what());
    }
}

// The built-in test picture in the screen area (0o40000, 64 bytes a row, 256 rows):
// colour bars, every byte value, and rings; `frame` shifts the bars for animation.
void DrawTestPicture(std::vector<uint8_t>& memory, int frame);
