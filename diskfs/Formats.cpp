#include "Formats.h"

#include "AndosImage.h"
#include "CsidosImage.h"
#include "MicroDosImage.h"

#include <algorithm>

namespace {

template <class Reader>
std::unique_ptr<CFileSystem> Open(std::span<const uint8_t> bytes, const FileSystemFormat& format) {
    return std::make_unique<Reader>(bytes, format);
}

// A 16-bit block count in the disk's header; the catalog and a little room for files at least.
constexpr decltype(FileSystemFormat::sizes) kAnyBlocks{64, 0xFFFF};

// One row a format.
// clang-format off
constexpr FileSystemFormat kFormats[] = {
    {FormatMicroDos, "MicroDOS", {14, 0, 14}, CMicroDosImage::DetectMicroDos,
     Open<CMicroDosImage>, EditMicroDos, BlankMicroDos, kAnyBlocks},
    {FormatMkDos, "MKDOS", {14, 0, 13}, CMicroDosImage::DetectMkDos, Open<CMicroDosImage>,
     EditMicroDos, BlankMkDos, kAnyBlocks},
    {FormatAndos, "ANDOS", {8, 3, 11}, CAndosImage::Detect, Open<CAndosImage>, EditAndos,
     BlankAndos, {kBlankBlocks, kBlankBlocks}},
    {FormatCsidos, "CSIDOS", {8, 3, 8}, CCsidosImage::Detect, Open<CCsidosImage>, EditCsidos,
     BlankCsidos, kAnyBlocks},
};
// clang-format on

} // namespace

std::unique_ptr<CFileSystem> FileSystemFormat::Open(std::span<const uint8_t> bytes) const {
    return open(bytes, *this);
}

std::vector<uint8_t> FileSystemFormat::Blank() const {
    return blank(kBlankBlocks);
}

std::optional<long long> FileSystemFormat::BlocksOn(long long diskBlocks) const {
    if (diskBlocks < sizes.least)
        return std::nullopt;
    return std::min(diskBlocks, sizes.most);
}

std::span<const FileSystemFormat> FileSystemFormats() {
    return kFormats;
}

std::vector<const FileSystemFormat*> WritableFormats() {
    std::vector<const FileSystemFormat*> formats;
    for (const FileSystemFormat& format : kFormats) {
        if (format.edit)
            formats.push_back(&format);
    }
    return formats;
}

const FileSystemFormat* DetectFileSystem(std::span<const uint8_t> bytes) {
    for (const FileSystemFormat& format : kFormats) {
        if (format.detect(bytes))
            return &format;
    }
    return nullptr;
}
