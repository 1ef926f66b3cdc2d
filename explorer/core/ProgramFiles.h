// Files from a disk image are never run: before an extracted file goes to the desktop's
// opener, this tells whether the opener would run it as a program. Images are untrusted
// input, and real disks carry names like AUTOEXEC.BAT and dozens of .EXE files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class OpenerHost { Windows, Posix };

// The host the program runs on.
OpenerHost ThisOpenerHost();

// True when the host's opener would run a file of this name and these first bytes:
// - on Windows, by its extension: the shell's PATHEXT list (the environment's, and the
//   usual one) and every other type the shell runs or installs (.scr .lnk .ps1 .msi .hta
//   .reg .jar ...);
// - on POSIX desktops, by the types the desktop treats as programs or launchers:
//   .desktop, shell scripts, Windows programs (which Wine runs), and by content: an ELF
//   or Windows executable, a script starting with "#!", a desktop entry.
bool WouldRunAsProgram(std::string_view fileName, std::span<const uint8_t> firstBytes,
                       OpenerHost host);

// The same for a file on disk (its first bytes are read); true when it cannot be read.
bool FileWouldRunAsProgram(const std::string& utf8Path, OpenerHost host);
