#include "DropFiles.h"

#include "Cp1251.h"
#include "HostNames.h"
#include "RavelkoStrings.h"

#include <algorithm>
#include <cctype>
#include <cstring>

using namespace ravelko;

namespace {

constexpr size_t kWideFlagOffset = 16;

uint32_t ReadUint32(std::span<const uint8_t> block, size_t offset) {
    return block[offset] | block[offset + 1] << 8 | block[offset + 2] << 16 |
           static_cast<uint32_t>(block[offset + 3]) << 24;
}

std::optional<std::string> ReadNarrowPath(std::span<const uint8_t> text) {
    const auto end = std::find(text.begin(), text.end(), 0);
    if (end == text.end())
        return std::nullopt;
    return std::string(text.begin(), end);
}

// 16-bit units before the terminator.
size_t CountUnits(std::span<const uint8_t> text) {
    size_t units = 0;
    while (2 * units + 1 < text.size() && (text[2 * units] | text[2 * units + 1]))
        ++units;
    return units;
}

std::optional<std::string> ReadWidePath(std::span<const uint8_t> text) {
    std::u16string units;
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(text[i] | text[i + 1] << 8);
        if (unit == 0)
            return Utf16ToUtf8(units);
        units += unit;
    }
    return std::nullopt;
}

} // namespace

std::vector<uint8_t> BuildDropBlock(const std::vector<std::string>& paths, bool wide) {
    const size_t unit = wide ? 2 : 1;
    std::vector<uint8_t> block(unit * (paths.size() * kDropPathSlot + 1) + kDropHeaderSize, 0);
    block[0] = static_cast<uint8_t>(kDropHeaderSize);
    block[kWideFlagOffset] = wide ? 1 : 0;
    size_t offset = kDropHeaderSize;
    for (const std::string& path : paths) {
        const std::u16string units =
            wide ? Utf8ToUtf16(path) : std::u16string(path.begin(), path.end());
        if (units.empty() || units.size() + 1 > kDropPathSlot ||
            units.find(u'\0') != std::u16string::npos)
            continue;
        for (char16_t c : units) {
            block[offset] = static_cast<uint8_t>(c);
            if (wide)
                block[offset + 1] = static_cast<uint8_t>(c >> 8);
            offset += unit;
        }
        offset += unit;
    }
    return block;
}

std::vector<std::string> ReadDropPaths(std::span<const uint8_t> block) {
    std::vector<std::string> paths;
    if (block.size() < kDropHeaderSize)
        return paths;
    const bool wide = ReadUint32(block, kWideFlagOffset) != 0;
    for (size_t offset = ReadUint32(block, 0); offset < block.size();) {
        const auto text = block.subspan(offset);
        const auto path = wide ? ReadWidePath(text) : ReadNarrowPath(text);
        if (!path || path->empty())
            break;
        paths.push_back(*path);
        offset += wide ? 2 * CountUnits(text) + 2 : path->size() + 1;
    }
    return paths;
}

std::optional<std::string> ReadFirstDropPath(std::span<const uint8_t> block) {
    auto paths = ReadDropPaths(block);
    if (paths.empty())
        return std::nullopt;
    return paths.front();
}

std::string ToUriList(const std::vector<std::string>& paths) {
    static const char* hex = "0123456789ABCDEF";
    std::string list;
    for (const std::string& path : paths) {
        list += "file://";
        for (unsigned char c : path) {
            if (std::isalnum(c) || std::strchr("/-._~", c))
                list += static_cast<char>(c);
            else
                list += {'%', hex[c >> 4], hex[c & 15]};
        }
        list += "\r\n";
    }
    return list;
}

bool IsImageFileName(const std::string& path) {
    const auto dot = path.rfind('.');
    const std::string extension = dot == std::string::npos ? path : path.substr(dot + 1);
    return EqualNoCase(extension, LoadResString(IDS_EXT_IMG)) ||
           EqualNoCase(extension, LoadResString(IDS_EXT_BKD)) ||
           EqualNoCase(extension, LoadResString(IDS_EXT_DSK)) ||
           EqualNoCase(extension, LoadResString(IDS_EXT_HDI));
}

std::optional<std::vector<uint8_t>> RenderDropFiles(const CatalogListing* listing,
                                                    const Selection& selection,
                                                    const std::filesystem::path& tempFolder,
                                                    bool wide, ExportOptions options) {
    options.existing = ExistingFile::Replace;
    options.askExisting = nullptr;
    const ExportResult result = ExportSelection(listing, selection, tempFolder, options);
    if (result.error || result.cancelled)
        return std::nullopt;
    // Every top-level entry keeps its slot; one that was not extracted (its data cannot be
    // read, something else is in the way) is not listed, so no stale file is handed over.
    std::vector<std::string> paths;
    for (const auto& path : result.topLevel)
        paths.push_back(path ? Utf8FromPath(*path) : std::string());
    return BuildDropBlock(paths, wide);
}
