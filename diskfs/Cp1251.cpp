#include "Cp1251.h"

#include <algorithm>

namespace {

// Windows-1251 code of each KOI-8 letter 0xC0..0xFF. KOI-8 orders the alphabet by the
// Latin letters the Cyrillic ones sound like, lower case first.
constexpr uint8_t kKoi8Letters[64] = {
    0xFE, 0xE0, 0xE1, 0xF6, 0xE4, 0xE5, 0xF4, 0xE3, 0xF5, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE,
    0xEF, 0xFF, 0xF0, 0xF1, 0xF2, 0xF3, 0xE6, 0xE2, 0xFC, 0xFB, 0xE7, 0xF8, 0xFD, 0xF9, 0xF7, 0xFA,
    0xDE, 0xC0, 0xC1, 0xD6, 0xC4, 0xC5, 0xD4, 0xC3, 0xD5, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE,
    0xCF, 0xDF, 0xD0, 0xD1, 0xD2, 0xD3, 0xC6, 0xC2, 0xDC, 0xDB, 0xC7, 0xD8, 0xDD, 0xD9, 0xD7, 0xDA,
};

} // namespace

void ConvertKoi8ToCp1251(uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i) {
        uint8_t& c = bytes[i];
        if (c >= 0xC0)
            c = kKoi8Letters[c - 0xC0];
        else if (c < 0x20 && c != 0x09 && c != 0x0A)
            c = 0x20;
    }
}

uint8_t FoldCase(uint8_t c) {
    if (c >= 'a' && c <= 'z')
        return static_cast<uint8_t>(c - 'a' + 'A');
    if (c >= 0xE0)
        return static_cast<uint8_t>(c - 0x20);
    if (c == 0xB8) // 'ё'
        return 0xA8;
    return c;
}

std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        c = static_cast<char>(FoldCase(static_cast<uint8_t>(c)));
    return folded;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return FoldCase(static_cast<uint8_t>(x)) == FoldCase(static_cast<uint8_t>(y));
    });
}

bool ConvertCp1251ToKoi8(std::string_view cp1251, std::string& koi8) {
    koi8.clear();
    for (const char c : cp1251) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            koi8 += c;
            continue;
        }
        if (byte < 0xC0)
            return false;
        // The KOI-8 letter that reads back as this one: the letters map onto each other.
        for (int koi = 0xC0; koi <= 0xFF; ++koi) {
            auto decoded = static_cast<uint8_t>(koi);
            ConvertKoi8ToCp1251(&decoded, 1);
            if (decoded == byte)
                koi8 += static_cast<char>(koi);
        }
    }
    return true;
}
