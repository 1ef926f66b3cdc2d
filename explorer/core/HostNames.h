// Catalog names (Windows-1251) as host file names, and back.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// UTF-8 form of Windows-1251 text. Every byte has its own code point (0x98, unassigned
// in Windows-1251, becomes U+FFFD) so that Utf8ToCp1251 gives the bytes back.
std::string Cp1251ToUtf8(std::string_view cp1251);
// Windows-1251 form of UTF-8 text; characters without a Windows-1251 code become '?'.
std::string Utf8ToCp1251(std::string_view utf8);
// The same, for a name to be written: none when a character has no Windows-1251 code (or
// the text is not UTF-8), instead of a '?' in its place.
std::optional<std::string> Utf8ToCp1251Exactly(std::string_view utf8);

// UTF-8 form of UTF-16 little-endian code units; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// UTF-16 form of UTF-8 text; malformed bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// Host paths travel through the program as UTF-8 strings on every host; these convert
// at the file system's edge (wide file names on Windows, the bytes on POSIX).
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// The names given to the entries written into one host folder during one export: each
// made safe for the host (SafeHostName) and unique in the folder without regard to letter
// case as hosts that ignore it see case ("X" next to "X.bin", "DUP" next to "dup", "Ў"
// next to "ў", a second "MC"), by "~1", "~2", ... before the extension.
class HostFolderNames {
public:
    // The host name (Windows-1251) for the next entry that wants `name`.
    std::string Claim(std::string_view name);

private:
    // Folded names live end to end in one string and are found through an open-addressed
    // table of their offsets: a folder of a million names costs about 25 bytes a name,
    // where a map of strings would cost a hundred.
    std::optional<uint32_t> Find(std::string_view folded) const;
    // False when the name was taken already.
    bool Insert(std::string_view folded);
    std::string_view At(uint32_t offset) const;
    size_t Slot(std::string_view folded) const;
    void Place(uint32_t entry); // into the first free slot from its name's

    std::string m_names;           // folded names, each ended by a zero byte
    std::vector<uint32_t> m_slots; // entries: offset + 1 of a name in m_names; 0 for a free slot
    size_t m_count = 0;
    std::unordered_map<uint32_t, int> m_suffixes; // offset of a wanted name -> last suffix tried
};
