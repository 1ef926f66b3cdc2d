#include "CatalogPath.h"

#include "Cp1251.h"
#include "HostNames.h"

#include <algorithm>
#include <charconv>
#include <functional>

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
    if (cp1251.starts_with('-')) {
        AppendEscape(escaped, '-');
        cp1251.remove_prefix(1);
    }
    for (const char c : cp1251) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte) || std::string_view("%/\\;").find(c) != std::string_view::npos)
            AppendEscape(escaped, byte);
        else
            escaped += c;
    }
    std::string text = Cp1251ToUtf8(escaped);
    if (occurrence > 1 || escaped.empty())
        text += ";" + std::to_string(occurrence);
    return text;
}

bool IsDirectoryNumber(int number) {
    return number >= 0 && number < kDirectoryNumbers;
}

std::vector<std::vector<int>> EntriesByDirectory(CDiskImage& image) {
    std::vector<std::vector<int>> contents(kDirectoryNumbers);
    image.PushPosition();
    for (int index = 0; image.SeekEntry(index); ++index) {
        if (const int holding = image.GetHoldingDir(); IsDirectoryNumber(holding))
            contents[static_cast<size_t>(holding)].push_back(index);
    }
    image.PopPosition();
    return contents;
}

size_t FoldedNameHash(std::string_view cp1251) {
    return std::hash<std::string>()(FoldName(cp1251));
}

std::vector<std::pair<size_t, int>> SortedByNameHash(CDiskImage& image,
                                                     const std::vector<int>& entries) {
    std::vector<std::pair<size_t, int>> sorted;
    sorted.reserve(entries.size());
    for (const int index : entries) {
        image.SeekEntry(index);
        sorted.emplace_back(FoldedNameHash(image.GetName()), index);
    }
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

namespace {

// Each directory's entries sorted by name hash, made when a path first passes through it:
// a path of a thousand names through one large directory sorts it once.
class NameIndex {
public:
    explicit NameIndex(CDiskImage& image)
        : m_image(image), m_contents(EntriesByDirectory(image)), m_sorted(kDirectoryNumbers) {}

    // The `occurrence`-th entry of that name (any case) in the directory, in catalog order.
    std::optional<int> Find(int directory, const PathName& name) {
        if (!IsDirectoryNumber(directory))
            return std::nullopt;
        const auto& sorted = Sorted(directory);
        const size_t hash = FoldedNameHash(name.name);
        auto item = std::lower_bound(sorted.begin(), sorted.end(), std::pair(hash, 0));
        for (int seen = 0; item != sorted.end() && item->first == hash; ++item) {
            m_image.SeekEntry(item->second);
            if (EqualNoCase(m_image.GetName(), name.name) && ++seen == name.occurrence)
                return item->second;
        }
        return std::nullopt;
    }

private:
    const std::vector<std::pair<size_t, int>>& Sorted(int directory) {
        auto& sorted = m_sorted[static_cast<size_t>(directory)];
        if (!sorted)
            sorted = SortedByNameHash(m_image, m_contents[static_cast<size_t>(directory)]);
        return *sorted;
    }

    CDiskImage& m_image;
    std::vector<std::vector<int>> m_contents;
    std::vector<std::optional<std::vector<std::pair<size_t, int>>>> m_sorted;
};

} // namespace

std::optional<ResolvedEntry> ResolveCatalogPath(CDiskImage& image,
                                                const std::vector<PathName>& path) {
    if (path.empty())
        return std::nullopt;
    image.PushPosition();
    NameIndex index(image);
    std::optional<ResolvedEntry> found;
    for (int directory = image.GetCurrentDir(); const PathName& name : path) {
        const auto entry =
            found && !found->isDirectory ? std::nullopt : index.Find(directory, name);
        if (!entry || !image.SeekEntry(*entry)) {
            found.reset();
            break;
        }
        found = ResolvedEntry{directory, *entry, image.IsDirectory()};
        directory = image.GetDirNumber();
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
