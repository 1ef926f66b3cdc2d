#include "FileSystem.h"

#include "Cp1251.h"
#include "DiskWords.h"
#include "FileSystemFormat.h"

#include <algorithm>

bool IsDirectoryNumber(int number) {
    return number >= 0 && number < kDirectoryNumbers;
}

CFileSystem::CFileSystem(std::span<const uint8_t> bytes, int rootDir,
                         const FileSystemFormat& format)
    : m_bytes(bytes), m_rootDir(rootDir), m_format(format), m_contents(kDirectoryNumbers) {}

std::string CFileSystem::GetFormatName() const {
    return m_format.name;
}

const std::vector<int>& CFileSystem::Contents(int dir) const {
    static const std::vector<int> none;
    return IsDirectoryNumber(dir) ? m_contents[static_cast<size_t>(dir)] : none;
}

std::span<const uint8_t> CFileSystem::RawName(const DiskEntry& entry) const {
    if (!InDisk(entry.rawName, entry.rawNameSize))
        return {};
    return m_bytes.subspan(entry.rawName, entry.rawNameSize);
}

ReadFault CFileSystem::Read(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    data.clear();
    if (entry.IsDirectory())
        return ReadFault::Unreadable;
    const ReadFault fault = ReadData(entry, data);
    if (fault != ReadFault::None)
        data.clear();
    return fault;
}

void CFileSystem::Add(DiskEntry entry) {
    entry.index = static_cast<int>(m_entries.size());
    if (IsDirectoryNumber(entry.holdingDir))
        m_contents[static_cast<size_t>(entry.holdingDir)].push_back(entry.index);
    m_entries.push_back(std::move(entry));
}

void CFileSystem::Finish() {
    AddLostDirectories();
}

// Directory numbers reached from the root through directory entries (deleted ones too:
// they open what they held), then, lowest first, each number still holding entries gets
// a Lost entry in the root, which makes what it reaches reachable in turn. A directory
// that holds itself, or a cycle, is so reached once.
void CFileSystem::AddLostDirectories() {
    std::vector<bool> reached(kDirectoryNumbers);
    std::vector<int> pending;
    const auto reach = [&](int dir) {
        if (IsDirectoryNumber(dir) && !reached[static_cast<size_t>(dir)]) {
            reached[static_cast<size_t>(dir)] = true;
            pending.push_back(dir);
        }
    };
    const auto spread = [&] {
        while (!pending.empty()) {
            const int dir = pending.back();
            pending.pop_back();
            for (const int index : m_contents[static_cast<size_t>(dir)]) {
                if (m_entries[static_cast<size_t>(index)].kind == DiskEntry::Kind::Directory)
                    reach(m_entries[static_cast<size_t>(index)].ownDir);
            }
        }
    };
    reach(m_rootDir);
    spread();
    for (int dir = 0; dir < kDirectoryNumbers; ++dir) {
        if (reached[static_cast<size_t>(dir)] || m_contents[static_cast<size_t>(dir)].empty())
            continue;
        DiskEntry lost;
        lost.holdingDir = m_rootDir;
        lost.ownDir = dir;
        lost.kind = DiskEntry::Kind::Lost;
        lost.name = "<" + std::to_string(dir) + ">";
        Add(std::move(lost));
        reach(dir);
        spread();
    }
}

bool CFileSystem::InDisk(long long offset, long long count) const {
    return offset >= 0 && count >= 0 && offset + count <= static_cast<long long>(m_bytes.size());
}

int CFileSystem::Byte(long long offset) const {
    return InDisk(offset, 1) ? m_bytes[static_cast<size_t>(offset)] : 0;
}

// A word the disk's end cuts is its low byte.
int CFileSystem::Word(long long offset) const {
    return InDisk(offset, 2) ? WordOf(&m_bytes[static_cast<size_t>(offset)]) : Byte(offset);
}

void CFileSystem::SetName(DiskEntry& entry, long long offset, int count) const {
    entry.rawName = static_cast<uint32_t>(offset);
    entry.rawNameSize = static_cast<uint8_t>(count);
    const auto raw = RawName(entry);
    std::string name(raw.begin(), raw.end());
    ConvertKoi8ToCp1251(reinterpret_cast<uint8_t*>(name.data()), static_cast<int>(name.size()));
    name.erase(name.find_last_not_of(' ') + 1);
    entry.name = std::move(name);
}

std::pair<std::string_view, std::string_view> CFileSystem::SplitName(std::string_view decoded) {
    std::string_view name = decoded.substr(0, 8);
    name = name.substr(0, name.find_last_not_of(' ') + 1);
    return {name, decoded.size() > 8 ? decoded.substr(8) : std::string_view()};
}

ReadFault CFileSystem::CopyBytes(long long offset, uint32_t length,
                                 std::vector<uint8_t>& data) const {
    if (!InDisk(offset, length))
        return ReadFault::Unreadable;
    const auto first = m_bytes.begin() + offset;
    data.assign(first, first + length);
    return ReadFault::None;
}

namespace {

constexpr long long kBlockSize = 512;

long long BlocksOf(const DiskEntry& file) {
    return (file.length + kBlockSize - 1) / kBlockSize;
}

bool Overlap(const DiskEntry& a, const DiskEntry& b) {
    return a.start < b.start + BlocksOf(b) && b.start < a.start + BlocksOf(a);
}

} // namespace

ReadFault CFileSystem::ReadBlocks(const DiskEntry& entry, std::vector<uint8_t>& data) const {
    if (entry.deleted && std::any_of(m_entries.begin(), m_entries.end(), [&](const auto& live) {
            return !live.deleted && !live.IsDirectory() && Overlap(entry, live);
        }))
        return ReadFault::Overwritten;
    return CopyBytes(entry.start * kBlockSize, entry.length, data);
}
