#include "CatalogPath.h"

#include "Cp1251.h"
#include "HostNames.h"

#include <algorithm>
#include <charconv>
#include <compare>
#include <functional>
#include <map>
#include <unordered_map>

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

NewName ParseNewName(std::string_view utf8) {
    if (SplitOccurrence(utf8).name.size() != utf8.size())
        return {{}, NewNameFault::Occurrence};
    const auto cp1251 = Utf8ToCp1251Exactly(utf8);
    if (!cp1251)
        return {{}, NewNameFault::BadCharacter};
    std::string name = Unescape(*cp1251);
    return {name, name.empty() ? NewNameFault::Empty : NewNameFault::None};
}

std::pair<std::string_view, std::string_view> SplitLastName(std::string_view utf8) {
    const char separator = utf8.find('\\') != std::string_view::npos ? '\\' : '/';
    while (!utf8.empty() && utf8.back() == separator)
        utf8.remove_suffix(1);
    const auto last = utf8.rfind(separator);
    if (last == std::string_view::npos)
        return {std::string_view(), utf8};
    return {utf8.substr(0, last), utf8.substr(last + 1)};
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

namespace {

size_t FoldedNameHash(std::string_view cp1251) {
    return std::hash<std::string>()(FoldName(cp1251));
}

// An entry's place among the entries of its name: live ones first, so that a plain name
// means the live file after a deleted one of that name (a file deleted, then added again).
struct NameKey {
    size_t hash; // of the folded name
    bool deleted;
    size_t index; // in catalog order
    auto operator<=>(const NameKey&) const = default;
};

// Entries of one name without regard to case stand together, live ones first, each group
// in catalog order.
std::vector<NameKey> SortedByNameHash(std::span<const DiskEntry* const> entries) {
    std::vector<NameKey> sorted;
    sorted.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        sorted.push_back({FoldedNameHash(entries[i]->name), entries[i]->deleted, i});
    std::sort(sorted.begin(), sorted.end());
    return sorted;
}

} // namespace

std::vector<int> Occurrences(std::span<const DiskEntry* const> entries) {
    const auto byHash = SortedByNameHash(entries);
    std::vector<int> occurrences(entries.size(), 1);
    for (auto run = byHash.begin(); run != byHash.end();) {
        const auto end = std::find_if(run, byHash.end(),
                                      [&](const NameKey& item) { return item.hash != run->hash; });
        if (end - run > 1) {
            std::unordered_map<std::string, int> seen;
            for (auto item = run; item != end; ++item)
                occurrences[item->index] = ++seen[FoldName(entries[item->index]->name)];
        }
        run = end;
    }
    return occurrences;
}

namespace {

// Each directory's entries sorted by name hash, made when a path first passes through it:
// a path of a thousand names through one large directory sorts it once.
class NameIndex {
public:
    explicit NameIndex(CDiskImage& image) : m_image(image) {}

    // The `occurrence`-th entry of that name (any case) in the directory, live ones first.
    std::optional<DiskEntry> Find(Place directory, const PathName& name) {
        auto& cached = m_sorted[directory];
        if (cached.entries.empty() && cached.sorted.empty()) {
            for (const int index : m_image.Contents(directory))
                cached.entries.push_back(m_image.Entry({directory.disk, index}));
            std::vector<const DiskEntry*> each;
            for (const DiskEntry& entry : cached.entries)
                each.push_back(&entry);
            cached.sorted = SortedByNameHash(each);
        }
        const size_t hash = FoldedNameHash(name.name);
        auto item =
            std::lower_bound(cached.sorted.begin(), cached.sorted.end(), NameKey{hash, false, 0});
        for (int seen = 0; item != cached.sorted.end() && item->hash == hash; ++item) {
            const DiskEntry& entry = cached.entries[item->index];
            if (EqualNoCase(entry.name, name.name) && ++seen == name.occurrence)
                return entry;
        }
        return std::nullopt;
    }

private:
    struct Directory {
        std::vector<DiskEntry> entries;
        std::vector<NameKey> sorted;
    };
    CDiskImage& m_image;
    std::map<Place, Directory> m_sorted;
};

} // namespace

std::optional<ResolvedEntry> ResolveCatalogPath(CDiskImage& image, Place start,
                                                const std::vector<PathName>& path) {
    NameIndex index(image);
    std::optional<ResolvedEntry> found;
    std::optional<Place> directory = start;
    for (const PathName& name : path) {
        const auto entry = directory ? index.Find(*directory, name) : std::nullopt;
        if (!entry)
            return std::nullopt;
        const EntryRef ref{directory->disk, entry->index};
        found = ResolvedEntry{*directory, ref, entry->IsDirectory()};
        directory = entry->IsDirectory() ? image.Enter(ref) : std::nullopt;
    }
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
