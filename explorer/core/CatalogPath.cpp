#include "CatalogPath.h"

#include "Cp1251.h"
#include "HostNames.h"

#include <charconv>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

void AppendEscape(std::string& out, unsigned char c) {
    static const char* hex = "0123456789ABCDEF";
    out += {'%', hex[c >> 4], hex[c & 15]};
}

// A trailing ";N" with N >= 1 is an occurrence; anything else stays part of the name.
PathName SplitOccurrence(std::string_view text) {
    const auto semicolon = text.rfind(';');
    if (semicolon != std::string_view::npos) {
        const std::string_view digits = text.substr(semicolon + 1);
        int occurrence = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), occurrence);
        if (!digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
            occurrence >= 1)
            return {std::string(text.substr(0, semicolon)), occurrence};
    }
    return {std::string(text), 1};
}

std::string Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) << 4 | HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::vector<PathName> ParseCatalogPath(std::string_view utf8) {
    const char separator = utf8.find('\\') != std::string_view::npos ? '\\' : '/';
    std::vector<PathName> names;
    while (!utf8.empty()) {
        const auto end = utf8.find(separator);
        const std::string_view component = utf8.substr(0, end);
        utf8 = end == std::string_view::npos ? std::string_view() : utf8.substr(end + 1);
        if (component.empty())
            continue;
        // The occurrence is split off before escapes are read, so "%3B2" is a name.
        PathName name = SplitOccurrence(component);
        name.name = Unescape(Utf8ToCp1251(name.name));
        names.push_back(std::move(name));
    }
    return names;
}

std::string FormatPathName(std::string_view cp1251, int occurrence) {
    std::string escaped;
    for (const char c : cp1251) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte) || std::string_view("%/\\;").find(c) != std::string_view::npos)
            AppendEscape(escaped, byte);
        else
            escaped += c;
    }
    std::string text = Cp1251ToUtf8(escaped);
    if (occurrence > 1 || cp1251.empty())
        text += ";" + std::to_string(occurrence);
    return text;
}

std::optional<ResolvedEntry> ResolveCatalogPath(CDiskImage& image,
                                                const std::vector<PathName>& path) {
    image.PushPosition();
    std::optional<ResolvedEntry> found;
    for (size_t i = 0; i < path.size(); ++i) {
        found.reset();
        int seen = 0;
        for (bool more = image.FindFirst(); more && !found; more = image.FindNext()) {
            if (EqualNoCase(image.GetName(), path[i].name) && ++seen == path[i].occurrence)
                found = ResolvedEntry{image.GetCurrentDir(), image.GetEntryIndex(),
                                      image.IsDirectory()};
        }
        if (!found || (i + 1 < path.size() && !found->isDirectory)) {
            found.reset();
            break;
        }
        if (i + 1 < path.size() && image.SeekEntry(found->entry))
            image.SetCurrentDir(image.GetDirNumber());
    }
    image.PopPosition();
    return found;
}

std::string PrintableHostPath(std::string_view utf8) {
    std::string text;
    for (const char c : utf8) {
        if (IsControl(static_cast<unsigned char>(c)))
            AppendEscape(text, static_cast<unsigned char>(c));
        else
            text += c;
    }
    return text;
}
