#include "DiskImage.h"

#include "Cp1251.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

CDiskImage::CDiskImage(std::string path, std::vector<uint8_t> data)
    : m_strPath(std::move(path)), m_pData(std::move(data)),
      m_nSize(static_cast<int>(m_pData.size())) {}

namespace {

constexpr int kFamilyOffset = 0x100;
constexpr int kFamilyMark = 0xA72E;
constexpr int kMkDosOffset = 0x102;
constexpr int kMkDosMark = 0x530C;
constexpr int kAndosLabelOffset = 4;

// The little-endian word at offset, or -1 when the image is too short to hold it.
int WordAt(const uint8_t* data, int size, int offset) {
    return offset + 2 <= size ? data[offset] | data[offset + 1] << 8 : -1;
}

// Bytes from offset 4 up to the first zero byte (or the end of a short image).
bool HasAndosLabel(const uint8_t* data, int size) {
    if (size <= kAndosLabelOffset)
        return false;
    const char* label = reinterpret_cast<const char*>(data + kAndosLabelOffset);
    const auto length = strnlen(label, static_cast<size_t>(size - kAndosLabelOffset));
    return EqualNoCase(std::string_view(label, length), "ANDOS  ");
}

OpenFailure CannotRead(std::error_code error) {
    return {OpenFailure::CannotRead, error.message()};
}

// Refuses what is not a regular file, and without a write permission bit when asked to.
OpenFailure CheckImageFile(const fs::path& path, bool requireWritable) {
    std::error_code error;
    const auto status = fs::status(path, error);
    if (error)
        return CannotRead(error);
    if (fs::is_directory(status))
        return CannotRead(std::make_error_code(std::errc::is_a_directory));
    if (!fs::is_regular_file(status)) // a FIFO or device would block or never end
        return CannotRead(std::make_error_code(std::errc::invalid_argument));
    constexpr auto writable =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (requireWritable && (status.permissions() & writable) == fs::perms::none)
        return {OpenFailure::ReadOnly, {}};
    return {};
}

// Reads the whole file (a UTF-8 path on every host); only regular files qualify, and with
// `requireWritable` only those that can be opened for writing.
OpenFailure ReadWholeImage(const std::string& utf8Path, bool requireWritable,
                           std::vector<uint8_t>& bytes) {
    const fs::path path(std::u8string(utf8Path.begin(), utf8Path.end()));
    if (OpenFailure refused = CheckImageFile(path, requireWritable);
        refused.kind != OpenFailure::None)
        return refused;
    errno = 0;
    const auto mode = requireWritable ? std::ios::in | std::ios::out : std::ios::in;
    std::fstream file(path, mode | std::ios::binary);
    const auto systemError = [] {
        return CannotRead(std::error_code(errno ? errno : EIO, std::generic_category()));
    };
    if (!file || !file.seekg(0, std::ios::end))
        return systemError();
    const std::streamoff size = file.tellg();
    if (size < 0)
        return systemError();
    if (size > kMaxImageSize)
        return {OpenFailure::TooLarge, {}};
    bytes.resize(static_cast<size_t>(size));
    if (!file.seekg(0) || !file.read(reinterpret_cast<char*>(bytes.data()), size))
        return systemError();
    return {};
}

} // namespace

ImageFormat DetectImageFormat(const uint8_t* data, int size) {
    if (WordAt(data, size, kFamilyOffset) == kFamilyMark) {
        const int second = WordAt(data, size, kMkDosOffset);
        if (second < 0)
            return FormatUnknown;
        return second == kMkDosMark ? FormatMkDos : FormatMicroDos;
    }
    return HasAndosLabel(data, size) ? FormatAndos : FormatUnknown;
}

int OpenDiskImage(const std::string& path, std::unique_ptr<CDiskImage>& reader,
                  OpenFailure* failure, ImageAccess access) {
    reader.reset();
    std::vector<uint8_t> bytes;
    OpenFailure why = ReadWholeImage(path, access == ImageAccess::ReadWrite, bytes);
    if (why.kind == OpenFailure::None) {
        reader = CreateDiskImage(path, std::move(bytes));
        if (!reader)
            why.kind = OpenFailure::UnknownFormat;
    }
    if (failure)
        *failure = why;
    return reader ? 0 : 1;
}
