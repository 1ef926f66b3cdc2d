#include "HostNames.h"

#include "HostPlatform.h"

#include <algorithm>
#include <array>
#include <functional>
#include <utility>

namespace {

// Code points of Windows-1251 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr std::array<char32_t, 64> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

char32_t CodePoint(unsigned char c) {
    if (c < 0x80)
        return c;
    if (c < 0xC0)
        return kHighHalf[c - 0x80];
    return 0x0410 + (c - 0xC0);
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char Cp1251Byte(char32_t cp) {
    if (cp < 0x80)
        return static_cast<char>(cp);
    if (cp >= 0x0410 && cp <= 0x044F)
        return static_cast<char>(0xC0 + (cp - 0x0410));
    const auto it = std::find(kHighHalf.begin(), kHighHalf.end(), cp);
    return it == kHighHalf.end() ? '?' : static_cast<char>(0x80 + (it - kHighHalf.begin()));
}

// Decodes one UTF-8 sequence at text[i], advancing i; malformed bytes give U+FFFF.
char32_t DecodeUtf8(std::string_view text, size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4 || i + extra > text.size())
        return 0xFFFF;
    char32_t cp = lead & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80)
            return 0xFFFF;
        cp = cp << 6 | (next & 0x3F);
        ++i;
    }
    return cp;
}

// Letters as hosts that ignore case compare them: every Cyrillic pair of Windows-1251
// (Ѓ and ѓ, Ў and ў, ...), not only those the catalog's own comparison folds.
std::string HostFoldedName(std::string_view cp1251) {
    std::string folded;
    for (const char c : cp1251) {
        char32_t cp = CodePoint(static_cast<unsigned char>(c));
        if (cp >= 'a' && cp <= 'z')
            cp -= 0x20;
        else if (cp >= 0x0430 && cp <= 0x044F)
            cp -= 0x20;
        else if (cp >= 0x0450 && cp <= 0x045F)
            cp -= 0x50;
        else if (cp == 0x0491)
            cp = 0x0490;
        AppendUtf8(folded, cp);
    }
    return folded;
}

} // namespace

std::string Cp1251ToUtf8(std::string_view cp1251) {
    std::string out;
    out.reserve(cp1251.size() * 2);
    for (char c : cp1251)
        AppendUtf8(out, CodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();)
        out += Cp1251Byte(DecodeUtf8(utf8, i));
    return out;
}

std::optional<std::string> Utf8ToCp1251Exactly(std::string_view utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = DecodeUtf8(utf8, i);
        const char byte = Cp1251Byte(cp);
        if (byte == '?' && cp != U'?')
            return std::nullopt;
        out += byte;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    for (size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] <= 0xDFFF)
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        else if (cp >= 0xD800 && cp <= 0xDFFF)
            cp = 0xFFFD;
        AppendUtf8(out, cp);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size();) {
        char32_t cp = DecodeUtf8(utf8, i);
        if (cp == 0xFFFF || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string_view HostFolderNames::At(uint32_t offset) const {
    const std::string_view rest = std::string_view(m_names).substr(offset);
    return rest.substr(0, rest.find('\0'));
}

size_t HostFolderNames::Slot(std::string_view folded) const {
    return std::hash<std::string_view>()(folded) & (m_slots.size() - 1);
}

std::optional<uint32_t> HostFolderNames::Find(std::string_view folded) const {
    if (m_slots.empty())
        return std::nullopt;
    for (size_t slot = Slot(folded); m_slots[slot] != 0; slot = (slot + 1) & (m_slots.size() - 1)) {
        if (At(m_slots[slot] - 1) == folded)
            return m_slots[slot] - 1;
    }
    return std::nullopt;
}

bool HostFolderNames::Insert(std::string_view folded) {
    if (Find(folded))
        return false;
    if (2 * (m_count + 1) > m_slots.size()) { // at most half full: probes stay short
        const std::vector<uint32_t> old = std::exchange(m_slots, {});
        m_slots.resize(std::max<size_t>(64, 2 * old.size()));
        for (const uint32_t entry : old) {
            if (entry != 0)
                Place(entry);
        }
    }
    const auto entry = static_cast<uint32_t>(m_names.size()) + 1;
    m_names.append(folded).push_back('\0');
    Place(entry);
    ++m_count;
    return true;
}

void HostFolderNames::Place(uint32_t entry) {
    size_t slot = Slot(At(entry - 1));
    while (m_slots[slot] != 0)
        slot = (slot + 1) & (m_slots.size() - 1);
    m_slots[slot] = entry;
}

std::string HostFolderNames::Claim(std::string_view name) {
    const std::string safe = SafeHostName(name);
    const std::string folded = HostFoldedName(safe);
    if (Insert(folded))
        return safe;
    const auto dot = safe.rfind('.');
    const size_t stem = dot == std::string::npos || dot == 0 ? safe.size() : dot;
    // The suffix count lives with the wanted name, so a thousand entries of one name cost
    // a thousand tries, not half a million.
    for (int& suffix = m_suffixes[*Find(folded)];;) {
        const std::string candidate =
            safe.substr(0, stem) + "~" + std::to_string(++suffix) + safe.substr(stem);
        if (Insert(HostFoldedName(candidate)))
            return candidate;
    }
}
