#include "Formats.h"

#include "AndosImage.h"
#include "Cp1251.h"
#include "CsidosImage.h"
#include "FormatEditors.h"
#include "MicroDosImage.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kFamilyOffset = 0x100;
constexpr int kFamilyMark = 0xA72E;
constexpr size_t kMkDosOffset = 0x102;
constexpr int kMkDosMark = 0x530C;
constexpr size_t kAndosLabelOffset = 4;

// The little-endian word at offset, or -1 when the bytes are too short to hold it.
int WordAt(std::span<const uint8_t> bytes, size_t offset) {
    return offset + 2 <= bytes.size() ? bytes[offset] | bytes[offset + 1] << 8 : -1;
}

bool IsMicroDos(std::span<const uint8_t> bytes) {
    const int second = WordAt(bytes, kMkDosOffset);
    return WordAt(bytes, kFamilyOffset) == kFamilyMark && second >= 0 && second != kMkDosMark;
}

bool IsMkDos(std::span<const uint8_t> bytes) {
    return WordAt(bytes, kFamilyOffset) == kFamilyMark && WordAt(bytes, kMkDosOffset) == kMkDosMark;
}

// Bytes from offset 4 up to the first zero byte (or the end of short bytes).
bool IsAndos(std::span<const uint8_t> bytes) {
    if (bytes.size() <= kAndosLabelOffset || WordAt(bytes, kFamilyOffset) == kFamilyMark)
        return false;
    const char* label = reinterpret_cast<const char*>(bytes.data() + kAndosLabelOffset);
    const auto length = strnlen(label, bytes.size() - kAndosLabelOffset);
    return EqualNoCase(std::string_view(label, length), "ANDOS  ");
}

template <class Reader> std::unique_ptr<CFileSystem> Open(std::span<const uint8_t> bytes) {
    return std::make_unique<Reader>(bytes);
}

template <bool kMkDos> std::unique_ptr<CFileSystem> OpenMicroDos(std::span<const uint8_t> bytes) {
    return std::make_unique<CMicroDosImage>(bytes, kMkDos);
}

// One row a format.
// clang-format off
constexpr FileSystemFormat kFormats[] = {
    {FormatMicroDos, "MicroDOS", {14, 0, 14}, IsMicroDos, OpenMicroDos<false>, EditMicroDos,
     BlankMicroDos},
    {FormatMkDos, "MKDOS", {14, 0, 13}, IsMkDos, OpenMicroDos<true>, EditMicroDos, BlankMkDos},
    {FormatAndos, "ANDOS", {8, 3, 11}, IsAndos, Open<CAndosImage>, EditAndos, BlankAndos},
    {FormatCsidos, "CSIDOS", {8, 3, 8}, CCsidosImage::Detect, Open<CCsidosImage>, EditCsidos,
     BlankCsidos},
};
// clang-format on

} // namespace

std::span<const FileSystemFormat> FileSystemFormats() {
    return kFormats;
}

std::vector<const FileSystemFormat*> WritableFormats() {
    std::vector<const FileSystemFormat*> formats;
    for (const FileSystemFormat& format : kFormats) {
        if (format.blank)
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

ImageFormat DetectImageFormat(const uint8_t* data, int size) {
    const FileSystemFormat* format =
        DetectFileSystem({data, static_cast<size_t>(std::max(size, 0))});
    return format ? format->id : FormatUnknown;
}
