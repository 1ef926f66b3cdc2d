// What the memory tools share: option values, memory dumps and messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// An octal or decimal option value; none when `text` is not wholly a number of that base.
std::optional<unsigned> ParseNumber(const std::string& text, int base);

// Reads the dump file into `memory` (64 KB) from `at` on, never more than fits. False
// when the file cannot be read (a folder, say).
bool LoadDump(const std::string& path, unsigned at, std::vector<uint8_t>& memory);

// String `id` of the viewer's table with its "%s" replaced by `value`.
std::string Message(int id, const std::string& value = "");

// True when the command line asks for --help (or -h).
bool IsHelp(int argc, char** argv);

// Names the bad argument (when there is one) and prints the usage to standard error;
// returns 2 for the exit status.
int Usage(const char* program, int usageId, const std::string& bad);

// Prints "program: message" to standard error; returns 1 for the exit status.
int Fail(const char* program, const std::string& message);

// The built-in test picture in the screen area (0o40000, 64 bytes a row, 256 rows):
// colour bars, every byte value, and rings; `frame` shifts the bars for animation.
void DrawTestPicture(std::vector<uint8_t>& memory, int frame);
