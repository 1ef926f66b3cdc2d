#include "DiskImage.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

struct CDiskImage::Disk {
    std::vector<uint8_t> bytes;
    std::unique_ptr<CFileSystem> fs;
    OpenFailure failure;
};

CDiskImage::CDiskImage(std::string path, std::vector<uint8_t> bytes, const FileSystemFormat& format)
    : m_strPath(std::move(path)), m_imageSize(static_cast<long long>(bytes.size())),
      m_loaded(std::make_unique<Disk>()) {
    m_loaded->bytes = std::move(bytes);
    m_loaded->fs = format.open(m_loaded->bytes, format);
}

CDiskImage::CDiskImage(std::string path, std::unique_ptr<ByteSource> source, HardDiskLayout layout)
    : m_strPath(std::move(path)), m_imageSize(source->Size()), m_hardDisk(std::move(layout)),
      m_source(std::move(source)) {
    for (size_t i = 0; i < m_hardDisk->disks.size(); ++i) {
        DiskEntry row;
        row.index = static_cast<int>(i);
        row.holdingDir = 0;
        row.ownDir = static_cast<int>(i);
        row.kind = DiskEntry::Kind::Disk;
        row.name = std::to_string(i);
        row.length = static_cast<uint32_t>(m_hardDisk->disks[i].size);
        m_diskRows.push_back(std::move(row));
        m_diskNumbers.push_back(static_cast<int>(i));
    }
}

CDiskImage::~CDiskImage() = default;

std::span<const uint8_t> CDiskImage::FloppyBytes() const {
    if (m_hardDisk || !m_loaded)
        return {};
    return m_loaded->bytes;
}

std::vector<uint8_t> CDiskImage::TakeFloppyBytes() {
    if (m_hardDisk || !m_loaded)
        return {};
    m_loaded->fs.reset(); // it reads the bytes that go
    std::vector<uint8_t> bytes = std::move(m_loaded->bytes);
    m_loaded.reset();
    return bytes;
}

std::string CDiskImage::GetFormatName() const {
    if (m_hardDisk)
        return m_hardDisk->header ? "Hard disk" : "Hard disk (no header)";
    return m_loaded->fs->GetFormatName();
}

std::span<const uint8_t> CDiskImage::DiskBytes(int disk) {
    if (!m_hardDisk)
        return disk == 0 ? FloppyBytes() : std::span<const uint8_t>();
    Load(disk);
    return m_loaded && m_loadedDisk == disk ? std::span<const uint8_t>(m_loaded->bytes)
                                            : std::span<const uint8_t>();
}

Place CDiskImage::Root() const {
    return m_hardDisk ? Place{kDiskList, 0} : Place{0, m_loaded->fs->RootDir()};
}

OpenFailure CDiskImage::ReadLogicalDisk(int disk, Disk& into) {
    const HardDiskLayout::LogicalDisk& where = m_hardDisk->disks[static_cast<size_t>(disk)];
    if (where.size > kMaxImageSize)
        return {OpenFailure::TooLarge, {}};
    // A disk the file ends inside gives what is there, as a floppy cut short does: what
    // lies past the end is unreadable, never made up.
    const long long end = where.offset + where.size;
    const OpenFailure cut{OpenFailure::CutShort, {}, end - m_imageSize};
    const long long present = std::min(end, m_imageSize) - where.offset;
    if (present <= 0)
        return cut;
    into.bytes.resize(static_cast<size_t>(present));
    std::string error;
    if (!m_source->ReadAt(where.offset, into.bytes, error))
        return {OpenFailure::CannotRead, error};
    InvertBytes(into.bytes);
    const FileSystemFormat* format = DetectFileSystem(into.bytes);
    if (!format) // the part missing may be what would have told the format
        return end > m_imageSize ? cut : OpenFailure{OpenFailure::UnknownFormat, {}};
    into.fs = format->open(into.bytes, *format);
    return {};
}

const CFileSystem* CDiskImage::Load(int disk, OpenFailure* why) {
    if (!m_hardDisk)
        return disk == 0 ? m_loaded->fs.get() : nullptr;
    if (disk < 0 || static_cast<size_t>(disk) >= m_hardDisk->disks.size())
        return nullptr;
    if (!m_loaded || m_loadedDisk != disk) {
        m_loaded.reset(); // one logical disk in memory at a time
        auto loaded = std::make_unique<Disk>();
        loaded->failure = ReadLogicalDisk(disk, *loaded);
        if (loaded->failure.kind != OpenFailure::None)
            loaded->bytes = {};
        m_loaded = std::move(loaded);
        m_loadedDisk = disk;
    }
    if (why)
        *why = m_loaded->failure;
    return m_loaded->fs.get();
}

std::vector<int> CDiskImage::Contents(Place place) {
    if (m_hardDisk && place.disk == kDiskList)
        return m_diskNumbers;
    const CFileSystem* fs = Load(place.disk);
    return fs ? fs->Contents(place.dir) : std::vector<int>();
}

DiskEntry CDiskImage::Entry(EntryRef ref) {
    const DiskEntry* entry = Find(ref);
    return entry ? *entry : DiskEntry{};
}

const DiskEntry* CDiskImage::Find(EntryRef ref) {
    if (m_hardDisk && ref.disk == kDiskList) {
        if (ref.index >= 0 && static_cast<size_t>(ref.index) < m_diskRows.size())
            return &m_diskRows[static_cast<size_t>(ref.index)];
        return nullptr;
    }
    const CFileSystem* fs = Load(ref.disk);
    if (!fs || ref.index < 0 || static_cast<size_t>(ref.index) >= fs->Entries().size())
        return nullptr;
    return &fs->Entries()[static_cast<size_t>(ref.index)];
}

std::vector<EntryRef> CDiskImage::List(Place place) {
    std::vector<EntryRef> refs;
    for (const int index : Contents(place))
        refs.push_back({place.disk, index});
    return refs;
}

std::optional<Place> CDiskImage::Enter(EntryRef ref, OpenFailure* why) {
    const DiskEntry entry = Entry(ref);
    if (entry.kind == DiskEntry::Kind::Disk) {
        const CFileSystem* fs = Load(entry.ownDir, why);
        return fs ? std::optional(Place{entry.ownDir, fs->RootDir()}) : std::nullopt;
    }
    if (!entry.IsDirectory())
        return std::nullopt;
    return Place{ref.disk, entry.ownDir};
}

ReadFault CDiskImage::Read(EntryRef ref, std::vector<uint8_t>& data) {
    data.clear();
    const CFileSystem* fs = ref.disk == kDiskList ? nullptr : Load(ref.disk);
    if (!fs || ref.index < 0 || static_cast<size_t>(ref.index) >= fs->Entries().size())
        return ReadFault::Unreadable;
    return fs->Read(fs->Entries()[static_cast<size_t>(ref.index)], data);
}

std::string CDiskImage::FormatName(Place place) {
    if (m_hardDisk && place.disk == kDiskList)
        return GetFormatName();
    const CFileSystem* fs = Load(place.disk);
    return fs ? fs->GetFormatName() : std::string();
}

long long CDiskImage::DiskSize(Place place) {
    if (m_hardDisk && place.disk == kDiskList)
        return m_imageSize;
    const CFileSystem* fs = Load(place.disk);
    if (!fs)
        return 0;
    // A logical disk's size is its table's, however much of it the file holds.
    return m_hardDisk ? m_hardDisk->disks[static_cast<size_t>(place.disk)].size
                      : static_cast<long long>(fs->Size());
}

bool ByteSource::TakeAll(std::vector<uint8_t>& out, std::string& error) {
    out.resize(static_cast<size_t>(Size()));
    return ReadAt(0, out, error);
}

namespace {

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    long long Size() const override { return static_cast<long long>(m_bytes.size()); }
    bool ReadAt(long long offset, std::span<uint8_t> out, std::string&) override {
        if (offset < 0 || offset + static_cast<long long>(out.size()) > Size())
            return false;
        std::copy_n(m_bytes.begin() + offset, out.size(), out.begin());
        return true;
    }
    bool TakeAll(std::vector<uint8_t>& out, std::string&) override {
        out = std::move(m_bytes);
        return true;
    }

private:
    std::vector<uint8_t> m_bytes;
};

std::string SystemError() {
    return std::error_code(errno ? errno : EIO, std::generic_category()).message();
}

// The file is open only while it is read: an image left open in the window would look to
// our writers (and to the emulator) like one another program holds.
class FileSource : public ByteSource {
public:
    FileSource(fs::path path, long long size) : m_path(std::move(path)), m_size(size) {}
    long long Size() const override { return m_size; }
    bool ReadAt(long long offset, std::span<uint8_t> out, std::string& error) override {
        errno = 0;
        std::ifstream file(m_path, std::ios::binary);
        if (!file || !file.seekg(offset) ||
            !file.read(reinterpret_cast<char*>(out.data()),
                       static_cast<std::streamsize>(out.size()))) {
            error = SystemError();
            return false;
        }
        return true;
    }

private:
    fs::path m_path;
    long long m_size;
};

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

// The size of an image file that can be opened as asked; none with the reason.
std::optional<long long> ImageFileSize(const fs::path& path, bool requireWritable,
                                       OpenFailure& failure) {
    failure = CheckImageFile(path, requireWritable);
    if (failure.kind != OpenFailure::None)
        return std::nullopt;
    errno = 0;
    const auto mode = requireWritable ? std::ios::in | std::ios::out : std::ios::in;
    std::fstream file(path, mode | std::ios::binary);
    std::streamoff size = -1;
    if (file && file.seekg(0, std::ios::end))
        size = file.tellg();
    if (size < 0) {
        failure = {OpenFailure::CannotRead, SystemError()};
        return std::nullopt;
    }
    return size;
}

} // namespace

std::unique_ptr<CDiskImage> OpenDiskImage(std::string path, std::unique_ptr<ByteSource> source,
                                          OpenFailure& failure) {
    failure = {};
    const long long size = source->Size();
    std::string error;
    // A hard disk kept without its header is known by its table alone, which a floppy's
    // bytes could match by chance: it is one only where no floppy format takes them.
    std::optional<HardDiskLayout> headerless;
    if (size >= kHeaderlessHead) {
        std::vector<uint8_t> head(static_cast<size_t>(std::min(size, kHardDiskHead)));
        if (!source->ReadAt(0, head, error)) {
            failure = {OpenFailure::CannotRead, error};
            return nullptr;
        }
        if (auto layout = ReadHardDiskLayout(head))
            return std::make_unique<CDiskImage>(std::move(path), std::move(source),
                                                std::move(*layout));
        headerless = ReadHeaderlessLayout(head);
    }
    if (size > kMaxImageSize) {
        if (headerless)
            return std::make_unique<CDiskImage>(std::move(path), std::move(source),
                                                std::move(*headerless));
        failure.kind = OpenFailure::TooLarge;
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (!source->TakeAll(bytes, error)) {
        failure = {OpenFailure::CannotRead, error};
        return nullptr;
    }
    const FileSystemFormat* format = DetectFileSystem(bytes);
    if (!format && headerless)
        return std::make_unique<CDiskImage>(std::move(path),
                                            std::make_unique<MemorySource>(std::move(bytes)),
                                            std::move(*headerless));
    if (!format) {
        failure.kind = OpenFailure::UnknownFormat;
        return nullptr;
    }
    return std::make_unique<CDiskImage>(std::move(path), std::move(bytes), *format);
}

std::optional<HardDiskLayout> HardDiskLayoutOf(const std::string& path) {
    const fs::path file(std::u8string(path.begin(), path.end()));
    OpenFailure why;
    const auto size = ImageFileSize(file, false, why);
    if (!size)
        return std::nullopt;
    FileSource source(file, *size);
    std::vector<uint8_t> head(static_cast<size_t>(std::min(*size, kHardDiskHead)));
    std::string error;
    if (!source.ReadAt(0, head, error))
        return std::nullopt;
    if (auto layout = ReadHardDiskLayout(head))
        return layout;
    if (!ReadHeaderlessLayout(head))
        return std::nullopt;
    const auto image = OpenDiskImage(path, nullptr, ImageAccess::ReadOnly);
    return image && image->HardDisk() ? std::optional(*image->HardDisk()) : std::nullopt;
}

std::unique_ptr<CDiskImage> CreateDiskImage(std::string path, std::vector<uint8_t> bytes) {
    OpenFailure failure;
    return OpenDiskImage(std::move(path), std::make_unique<MemorySource>(std::move(bytes)),
                         failure);
}

std::unique_ptr<CDiskImage> OpenDiskImage(const std::string& path, OpenFailure* failure,
                                          ImageAccess access) {
    const fs::path file(std::u8string(path.begin(), path.end()));
    OpenFailure why;
    std::unique_ptr<CDiskImage> image;
    if (const auto size = ImageFileSize(file, access == ImageAccess::ReadWrite, why))
        image = OpenDiskImage(path, std::make_unique<FileSource>(file, *size), why);
    if (failure)
        *failure = why;
    return image;
}
