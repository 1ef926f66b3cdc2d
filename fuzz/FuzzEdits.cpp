#include "FuzzTargets.h"

#include "Cp1251.h"
#include "DiskEditor.h"
#include "ImageBuilders.h"
#include "OwnReaders.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

// The input, read a byte or a word at a time; zeros once it runs out.
class Input {
public:
    Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Empty() const { return m_at >= m_size; }
    int Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    int Word() { return Byte() | Byte() << 8; }
    std::span<const uint8_t> Rest(size_t most) {
        const size_t count = std::min(most, m_size - std::min(m_at, m_size));
        const auto rest = std::span(m_data + std::min(m_at, m_size), count);
        m_at += count;
        return rest;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

const FileSystemFormat& Writable(int choice) {
    const auto formats = WritableFormats();
    return *formats[static_cast<size_t>(choice) % formats.size()];
}

// A blank disk of the format, with input bytes laid over its tables (the MicroDOS header
// and catalog, the ANDOS FATs and catalog, the CSIDOS catalog) and its marks planted
// again. All but CSIDOS (whose catalog counts the disk's blocks) are cut to 64 KB: a
// smaller disk makes more runs a second.
std::vector<uint8_t> DiskFrom(const FileSystemFormat& format, std::span<const uint8_t> tables) {
    std::vector<uint8_t> disk = format.Blank();
    const bool family = format.id == FormatMicroDos || format.id == FormatMkDos;
    if (format.id != FormatCsidos)
        disk.resize(0x10000);
    const size_t start = family ? 030 : format.id == FormatAndos ? 0x200 : 0x400;
    std::copy(tables.begin(), tables.end(), disk.begin() + static_cast<long>(start));
    if (family) {
        testimg::PutWord(disk, 0x100, 0xA72E);
        testimg::PutWord(disk, 0x102, format.id == FormatMkDos ? 0x530C : 0);
    }
    return disk;
}

const std::array<std::string, 10> kNames = {
    "GAME", "GAME.BIN",     "\xC8\xC3\xD0\xDB", "A.B.C", "", "NAME ", "ABCDEFGHIJKLMNOP",
    "x*y",  "\xC5\xC4\xC0", "DOC.TXT"};

std::vector<int> Live(const CFileSystem& disk, bool directories) {
    std::vector<int> found;
    for (const DiskEntry& entry : disk.Entries()) {
        if (!entry.deleted && entry.kind != DiskEntry::Kind::Lost &&
            (!directories || entry.kind == DiskEntry::Kind::Directory))
            found.push_back(entry.index);
    }
    return found;
}

int CountNamed(const CFileSystem& disk, const DiskEntry& like) {
    return static_cast<int>(
        std::count_if(disk.Entries().begin(), disk.Entries().end(), [&](const DiskEntry& entry) {
            return !entry.deleted && entry.holdingDir == like.holdingDir &&
                   entry.kind == like.kind && EqualNoCase(entry.name, like.name);
        }));
}

void CheckAdded(const CDiskEditor& editor, const EditResult& result, const std::string& name,
                uint16_t address, const std::vector<uint8_t>& data) {
    const auto& entries = editor.Disk().Entries();
    FUZZ_CHECK(result.index >= 0 && result.index < static_cast<int>(entries.size()));
    const DiskEntry& entry = entries[static_cast<size_t>(result.index)];
    FUZZ_CHECK(EqualNoCase(entry.name, name) && entry.address == address);
    std::vector<uint8_t> read;
    FUZZ_CHECK(editor.Disk().Read(entry, read) == ReadFault::None && read == data);
}

// Every file the tests' own reader read before an accepted change reads the same after it,
// or is gone (removed, renamed, or replaced by a file of `added`'s name).
void CheckOthersKept(const own::Disk& before, const std::vector<uint8_t>& bytes,
                     const std::string& added) {
    if (!before.problem.empty())
        return;
    const own::Disk after = own::ReadAny(bytes);
    for (const auto& [path, file] : before.files) {
        const auto now = after.files.find(path);
        const std::string last = path.substr(path.rfind('/') + 1);
        if (now != after.files.end() && !(!added.empty() && EqualNoCase(last, added)))
            FUZZ_CHECK(now->second.address == file.address && now->second.data == file.data);
    }
}

// One change the input asks for, checked: a refusal leaves every byte, an added file
// reads back, a removed entry is gone, a renamed or moved one has its new name and place,
// and no other file changes.
void Change(CDiskEditor& editor, Input& input) {
    const CFileSystem& disk = editor.Disk();
    const auto dirs = Live(disk, true), entries = Live(disk, false);
    const int dirChoice = input.Byte();
    const int dir = dirChoice % (dirs.size() + 1) == 0
                        ? disk.RootDir()
                        : disk.Entries()[static_cast<size_t>(dirs[dirChoice % dirs.size()])].ownDir;
    const int entryChoice = input.Byte();
    const std::string& name = kNames[static_cast<size_t>(input.Byte()) % kNames.size()];
    const std::vector<uint8_t> before = editor.Bytes();
    const own::Disk read = own::ReadAny(before);
    std::string added;
    EditResult result;
    switch (input.Byte() % 5) {
    case 0:
    case 1: {
        const auto address = static_cast<uint16_t>(input.Word());
        std::vector<uint8_t> data(static_cast<size_t>(input.Word()) * 2);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<uint8_t>(i * 31);
        result = editor.AddFile(dir, name, address, data, entryChoice % 2);
        added = name;
        if (result.error == EditError::None)
            CheckAdded(editor, result, name, address, data);
        break;
    }
    case 2:
        result = editor.MakeDirectory(dir, name);
        break;
    case 3: {
        if (entries.empty())
            return;
        const DiskEntry entry =
            disk.Entries()[static_cast<size_t>(entries[entryChoice % entries.size()])];
        const int named = CountNamed(disk, entry);
        result = editor.Remove(entry.index, entryChoice % 2);
        if (result.error == EditError::None)
            FUZZ_CHECK(CountNamed(editor.Disk(), entry) < named);
        break;
    }
    default: {
        if (entries.empty())
            return;
        const int index = entries[entryChoice % entries.size()];
        const bool move = entryChoice & 2;
        result = move ? editor.Move(index, dir, name) : editor.Rename(index, name);
        if (result.error != EditError::None)
            break;
        const DiskEntry& now = editor.Disk().Entries()[static_cast<size_t>(result.index)];
        FUZZ_CHECK(EqualNoCase(now.name, name) && (!move || now.holdingDir == dir));
    }
    }
    if (result.error != EditError::None)
        FUZZ_CHECK(editor.Bytes() == before);
    else
        CheckOthersKept(read, editor.Bytes(), added);
    FUZZ_CHECK(editor.FreeBytes() >= 0 &&
               editor.FreeBytes() <= static_cast<long long>(editor.Bytes().size()));
    const auto largest = editor.LargestFreePiece();
    FUZZ_CHECK(!largest || (*largest >= 0 && *largest <= editor.FreeBytes()));
}

} // namespace

void FuzzDiskEdits(const uint8_t* data, size_t size) {
    Input input(data, size);
    const int mode = input.Byte();
    const FileSystemFormat& format = Writable(mode);
    const auto tables = mode & 0x80 ? input.Rest(static_cast<size_t>(input.Word()) % 0x1800)
                                    : std::span<const uint8_t>();
    auto editor = EditDisk(DiskFrom(format, tables));
    if (!editor)
        return;
    for (int changes = 0; changes < 32 && !input.Empty(); ++changes)
        Change(*editor, input);
}
