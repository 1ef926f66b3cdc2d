// Character handling of catalog names: the computer's KOI-8 code to Windows-1251,
// and the one comparison without regard to letter case used wherever names meet.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Converts count bytes in place. Tab and line feed stay, other control bytes become
// spaces, 0x20..0xBF stay, and the KOI-8 letters 0xC0..0xFF become their Windows-1251 codes.
void ConvertKoi8ToCp1251(uint8_t* bytes, int count);

// Windows-1251 text in the computer's KOI-8 code; false when a character has no KOI-8
// code that reads back as itself (control characters, DEL, and 0x80..0xBF but for none).
bool ConvertCp1251ToKoi8(std::string_view cp1251, std::string& koi8);

// Upper-case form of a Windows-1251 byte: ASCII letters, the Cyrillic block and 'ё'.
uint8_t FoldCase(uint8_t c);

// The upper-case form of a Windows-1251 string: equal for names EqualNoCase calls equal.
std::string FoldName(std::string_view name);

// True when the two Windows-1251 strings are equal without regard to letter case.
bool EqualNoCase(std::string_view a, std::string_view b);
