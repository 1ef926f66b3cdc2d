// The few operations whose rules differ between POSIX and Windows hosts.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The Windows-1251 name as one component of a host path: every character the host cannot
// hold in a name becomes '_' ('/' on every host; on Windows also <>:"\|?* and control
// characters, and a trailing dot or space), a reserved Windows device name gets '_' after
// its base ("CON.TXT" -> "CON_.TXT"), and "", "." and ".." become "_", "_" and "__".
std::string SafeHostName(std::string_view cp1251Name);

// What ReplaceHostFile did.
enum class FileWrite {
    Written,
    Link,       // a symbolic link is in the way; it is never followed
    NotRegular, // a directory, FIFO or device is in the way
    NotCreated, // no new file could be made in the folder
    Failed,     // writing failed part-way (a full disk); nothing was changed
};

// Writes the parts, in order, into a new file in the folder of `path` and renames it over
// `path` only when it is complete, so a failed write leaves any previous file intact and
// no partial one. Only a regular file is replaced; a hard link in the way is replaced by
// the new file, never written through.
FileWrite ReplaceHostFile(const std::filesystem::path& path,
                          std::initializer_list<std::span<const uint8_t>> parts);

// The temporary folder for extracted files. On POSIX a private folder of the user's own
// under $TMPDIR (or /tmp), created with mode 0700 and refused when someone else owns it
// or others may enter it; on Windows the user's temporary folder.
std::optional<std::filesystem::path> GetTempFolder();

// How the host's text editors take text: UTF-8 with LF line ends (POSIX desktops), or
// Windows-1251 with CR LF (Windows' Notepad).
enum class TextForm { Utf8Lf, Cp1251CrLf };
TextForm HostTextForm();

// True when the host's drop lists carry 16-bit paths (Windows); single-byte otherwise.
bool HostUsesWideDropPaths();

// The command line in UTF-8 (Windows passes its wide command line, not the ANSI one).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Standard output takes bytes unchanged (no CR added on Windows) and a Windows console
// shows UTF-8 text.
void UseBinaryUtf8Output();
