// Files from a disk image are untrusted: whoever made the disk chose their names and bytes
// (even the 4 header bytes of a .bin). Such a file goes to the host's opener only when its
// type is plain data that no opener runs: text, pictures and sound. Everything else (a
// program, a script, an office document with macros, a disk image, a help file, a page, a
// file of no known type) is shown as text instead. One list serves both hosts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

enum class OpenerHost { Windows, Posix };

// The host the program runs on.
OpenerHost ThisOpenerHost();

enum class OpenerType { Refused, Text, Picture, Sound };

// What the host's opener would make of a file of this name and these first bytes: a
// passive type by the name's extension (as the host reads it: Windows drops trailing dots
// and spaces), Refused for any other name, and for content that starts as a program
// whatever its name (an ELF or Windows executable, "#!", a desktop entry).
OpenerType OpenerTypeOf(std::string_view fileName, std::span<const uint8_t> firstBytes,
                        OpenerHost host);

// The same for a file on disk (its first bytes are read); Refused when it cannot be read.
OpenerType FileOpenerType(const std::string& utf8Path, OpenerHost host);
