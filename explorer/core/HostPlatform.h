// The few operations whose rules differ between POSIX and Windows hosts.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <streambuf>
#include <string_view>
#include <vector>

// The Windows-1251 name as one component of a host path: every character the host cannot
// hold in a name becomes '_' ('/' and control characters on every host; on Windows also
// <>:"\|?*, and a trailing dot or space), a leading '.' becomes '_' (never a hidden
// file), a reserved Windows device name gets '_' after its base ("CON.TXT" -> "CON_.TXT"),
// and "", "." and ".." become "_", "_" and "__".
std::string SafeHostName(std::string_view cp1251Name);

// The temporary folder for extracted files. On POSIX a private folder of the user's own
// under $TMPDIR (or /tmp), created with mode 0700 and refused when someone else owns it
// or others may enter it; on Windows the user's temporary folder.
std::optional<std::filesystem::path> GetTempFolder();

// How the host's text editors take text: UTF-8 with LF line ends (POSIX desktops), UTF-16LE
// with a byte-order mark and CR LF (Windows' Notepad, whatever the code page), or
// Windows-1251 with CR LF (what `bkdisk cat --text` writes).
enum class TextForm { Utf8Lf, Utf16BomCrLf, Cp1251CrLf };
TextForm HostTextForm();

// True when the host's drop lists carry 16-bit paths (Windows); single-byte otherwise.
bool HostUsesWideDropPaths();

// The command line in UTF-8 (Windows passes its wide command line, not the ANSI one).
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// Host file arguments with their wildcards ('*', '?' in the last name) matched against the
// folder's files, in name order, on Windows, whose shell leaves them to the program; a
// pattern that matches nothing stays as it is. POSIX shells have matched them already.
std::vector<std::string> ExpandHostPatterns(const std::vector<std::string>& paths);

// How a command-line tool's UTF-8 text reaches its reader. POSIX: as written. Windows: a
// console shows it through its wide characters, whatever its code page (never changed); a
// pipe or file gets it in the console's output code page (the OEM one without a console)
// with CR LF, as the console's own tools expect, or, with `utf8`, as on POSIX. With
// `rawStdout`, standard output carries bytes of its own (a file's), passed unchanged.
void UseHostOutput(bool utf8, bool rawStdout);

// UTF-8 text in Windows code page `codePage` with CR LF line ends (Windows only).
std::string Utf8ToCodePageCrLf(std::string_view utf8, unsigned codePage);

// The length of the longest start of `bytes` that ends between UTF-8 sequences: what can
// be shown now, the rest waiting for the bytes that complete it.
size_t CompleteUtf8Length(std::string_view bytes);

// A stream's buffer that hands its UTF-8 text on in whole sequences only (the bytes of a
// cut one wait for the rest), at every flush and every 4 KB: a Windows console's, which
// shows each piece as wide characters.
class WholeUtf8Buffer : public std::streambuf {
public:
    explicit WholeUtf8Buffer(std::function<void(std::string_view)> write);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    static constexpr size_t kChunk = 4096;
    void Add(const std::string& bytes);
    void Pass();

    std::function<void(std::string_view)> m_write;
    std::string m_pending;
};
