#include "DiskEditor.h"

#include "Cp1251.h"

#include <algorithm>
#include <map>

CDiskEditor::CDiskEditor(std::vector<uint8_t> bytes, const FileSystemFormat& format)
    : m_bytes(std::move(bytes)), m_format(format) {
    Reread();
}

CDiskEditor::~CDiskEditor() = default;

void CDiskEditor::Reread() {
    m_disk = m_format.open(m_bytes, m_format);
}

// Every change runs on the bytes in place and is undone whole when it fails part-way,
// from what the bytes it changed held before.
template <class Attempt> EditResult CDiskEditor::Undoable(Attempt change) {
    if (!LayoutFaults().empty())
        return {EditError::UnknownLayout};
    m_journal.clear();
    const EditResult result = change();
    if (result.error != EditError::None) {
        for (auto saved = m_journal.rbegin(); saved != m_journal.rend(); ++saved)
            std::copy(saved->bytes.begin(), saved->bytes.end(),
                      m_bytes.begin() + static_cast<long>(saved->offset));
        Reread();
    }
    m_journal.clear();
    return result;
}

std::vector<LayoutFault> CDiskEditor::LayoutFaults() const {
    std::vector<LayoutFault> faults;
    FindLayoutFaults(faults);
    FindDirectoryCycles(faults);
    return faults;
}

// A live directory whose way up never reaches the root, because it passes through itself.
// (A way up that stops at a number no directory opens ends: the reader lists such entries
// at the root.)
void CDiskEditor::FindDirectoryCycles(std::vector<LayoutFault>& faults) const {
    const auto& entries = m_disk->Entries();
    std::map<int, const DiskEntry*> opening; // directory number -> the first entry opening it
    for (const DiskEntry& entry : entries) {
        if (entry.kind == DiskEntry::Kind::Directory && !entry.deleted)
            opening.emplace(entry.ownDir, &entry);
    }
    for (const auto& [number, directory] : opening) {
        int up = directory->holdingDir;
        for (size_t steps = 0; up != m_disk->RootDir() && steps <= opening.size(); ++steps) {
            if (up == number) {
                faults.push_back({LayoutFault::Kind::DirectoryCycle, directory->name});
                break;
            }
            const auto parent = opening.find(up);
            if (parent == opening.end())
                break;
            up = parent->second->holdingDir;
        }
    }
}

std::span<uint8_t> CDiskEditor::Writable(size_t offset, size_t count) {
    const auto first = m_bytes.begin() + static_cast<long>(offset);
    m_journal.push_back({offset, {first, first + static_cast<long>(count)}});
    return {&m_bytes[offset], count};
}

EditResult CDiskEditor::AddFile(int dir, std::string_view name, uint16_t address,
                                std::span<const uint8_t> data, bool replace) {
    return Undoable([&] { return AddChecked(dir, name, address, data, replace); });
}

EditResult CDiskEditor::MakeDirectory(int dir, std::string_view name) {
    return Undoable([&] { return MakeChecked(dir, name); });
}

EditResult CDiskEditor::Remove(int index, bool recursive) {
    return Undoable([&] { return RemoveChecked(index, recursive); });
}

EditResult CDiskEditor::Rename(int index, std::string_view name) {
    const auto& entries = m_disk->Entries();
    const bool known = index >= 0 && index < static_cast<int>(entries.size());
    return Move(index, known ? entries[static_cast<size_t>(index)].holdingDir : -1, name);
}

EditResult CDiskEditor::Move(int index, int dir, std::string_view name) {
    return Undoable([&] { return MoveChecked(index, dir, name); });
}

std::optional<long long> CDiskEditor::LargestFreePiece() const {
    const auto units = LargestFreeUnits();
    return units ? std::optional(*units * UnitSize()) : std::nullopt;
}

EditResult CDiskEditor::AddChecked(int dir, std::string_view name, uint16_t address,
                                   std::span<const uint8_t> data, bool replace) {
    if (!IsLiveDirectory(dir))
        return {EditError::NotFound};
    std::string stored, shown;
    if (const EditError error = NameFor(name, false, stored, shown); error != EditError::None)
        return {error};
    if (const DiskEntry* old = LiveNamed(dir, shown)) {
        if (old->IsDirectory())
            return {EditError::DirectoryInTheWay};
        if (!replace)
            return {EditError::NameExists};
        Erase(*old);
        Reread();
    }
    if (const EditError error = PutFile(dir, stored, address, data); error != EditError::None) {
        // Formats whose files are one run of blocks need the space in one piece.
        const bool pieces =
            error == EditError::DiskFull && FreeBytes() >= static_cast<long long>(data.size());
        return {pieces ? EditError::FreeSpaceInPieces : error};
    }
    Reread();
    return {EditError::None, FindLive(dir, shown, false)};
}

EditResult CDiskEditor::MakeChecked(int dir, std::string_view name) {
    if (!IsLiveDirectory(dir))
        return {EditError::NotFound};
    std::string stored, shown;
    if (const EditError error = NameFor(name, true, stored, shown); error != EditError::None)
        return {error};
    if (LiveNamed(dir, shown))
        return {EditError::NameExists};
    const int number = FreeDirectoryNumber();
    if (number < 0)
        return {EditError::NoDirectoryNumber};
    if (const EditError error = PutDirectory(dir, stored, number); error != EditError::None)
        return {error};
    Reread();
    return {EditError::None, FindLive(dir, shown, true)};
}

// Depth first: the entries of a directory go before the directory itself. Each erase
// re-reads the catalog and may move entries, so the directory is looked up afresh by
// what it is each time round.
EditResult CDiskEditor::RemoveChecked(int index, bool recursive) {
    const auto& entries = m_disk->Entries();
    if (index < 0 || index >= static_cast<int>(entries.size()) || entries[index].deleted ||
        entries[index].kind == DiskEntry::Kind::Lost)
        return {EditError::NotFound};
    const DiskEntry entry = entries[index];
    const auto current = [&] { return FindAgain(entry); };
    // A directory entry that opens the root is removed alone, never with the root's entries.
    const bool opensOwn =
        entry.kind == DiskEntry::Kind::Directory && entry.ownDir != m_disk->RootDir();
    for (const DiskEntry* self = current(); self && opensOwn; self = current()) {
        const auto& inside = m_disk->Contents(entry.ownDir);
        const auto live = std::find_if(inside.begin(), inside.end(), [&](int i) {
            return !m_disk->Entries()[static_cast<size_t>(i)].deleted && i != self->index;
        });
        if (live == inside.end())
            break;
        if (!recursive)
            return {EditError::NotEmpty};
        if (const EditResult inner = RemoveChecked(*live, true); inner.error != EditError::None)
            return inner;
    }
    const DiskEntry* self = current();
    if (!self)
        return {EditError::NotFound};
    Erase(*self);
    Reread();
    return {EditError::None};
}

EditResult CDiskEditor::MoveChecked(int index, int dir, std::string_view name) {
    const auto& entries = m_disk->Entries();
    if (index < 0 || index >= static_cast<int>(entries.size()) || entries[index].deleted ||
        entries[index].kind == DiskEntry::Kind::Lost || !IsLiveDirectory(dir))
        return {EditError::NotFound};
    const DiskEntry entry = entries[index];
    const bool directory = entry.IsDirectory();
    if (directory && IsInside(dir, entry.ownDir))
        return {EditError::IntoItself};
    std::string stored, shown;
    if (const EditError error = NameFor(name, directory, stored, shown); error != EditError::None)
        return {error};
    const DiskEntry* other = LiveNamed(dir, shown);
    if (other && other->index != entry.index)
        return {EditError::NameExists};
    PutName(entry, stored);
    if (dir != entry.holdingDir)
        PutHolder(entry, dir);
    Reread();
    return {EditError::None, FindLive(dir, shown, directory)};
}

bool CDiskEditor::IsInside(int dir, int ancestor) const {
    const auto& entries = m_disk->Entries();
    // Each step goes one directory up; a cycle (which the layout check refuses) ends too.
    for (size_t steps = 0; steps <= entries.size() && dir != m_disk->RootDir(); ++steps) {
        if (dir == ancestor)
            return true;
        const auto opener = std::find_if(entries.begin(), entries.end(), [&](const DiskEntry& e) {
            return !e.deleted && e.IsDirectory() && e.ownDir == dir;
        });
        if (opener == entries.end())
            return false;
        dir = opener->holdingDir;
    }
    return dir == ancestor;
}

const DiskEntry* CDiskEditor::FindAgain(const DiskEntry& like) const {
    for (const DiskEntry& e : m_disk->Entries()) {
        if (!e.deleted && e.holdingDir == like.holdingDir && e.name == like.name &&
            e.kind == like.kind && e.start == like.start && e.ownDir == like.ownDir)
            return &e;
    }
    return nullptr;
}

EditError CDiskEditor::CheckName(std::string_view name, bool directory,
                                 std::string* shownAs) const {
    std::string stored, shown;
    const EditError error = NameFor(name, directory, stored, shown);
    if (shownAs)
        *shownAs = shown;
    return error;
}

// A name the catalog would show otherwise (a trailing blank dropped, say) is refused.
EditError CDiskEditor::NameFor(std::string_view name, bool directory, std::string& stored,
                               std::string& shown) const {
    if (name == "." || name == "..")
        return EditError::NameReserved;
    if (const EditError error = StoredName(name, directory, stored); error != EditError::None)
        return error;
    shown = ShownName(stored, directory);
    return EqualNoCase(shown, name) ? EditError::None : EditError::NameBadCharacter;
}

const DiskEntry* CDiskEditor::LiveNamed(int dir, std::string_view shown) const {
    for (const int i : m_disk->Contents(dir)) {
        const DiskEntry& entry = m_disk->Entries()[i];
        if (!entry.deleted && entry.kind != DiskEntry::Kind::Lost && EqualNoCase(entry.name, shown))
            return &entry;
    }
    return nullptr;
}

int CDiskEditor::FindLive(int dir, std::string_view shown, bool directory) const {
    for (const int i : m_disk->Contents(dir)) {
        const DiskEntry& entry = m_disk->Entries()[i];
        if (!entry.deleted && entry.IsDirectory() == directory && entry.name == shown)
            return entry.index;
    }
    return -1;
}

// The root, or a number a live directory entry opens.
bool CDiskEditor::IsLiveDirectory(int dir) const {
    if (dir == m_disk->RootDir())
        return true;
    const auto& entries = m_disk->Entries();
    return std::any_of(entries.begin(), entries.end(), [&](const DiskEntry& entry) {
        return !entry.deleted && entry.kind == DiskEntry::Kind::Directory && entry.ownDir == dir;
    });
}

// A number no entry opens or is held by, deleted ones included: a new directory must not
// take in what an old one left behind.
int CDiskEditor::FreeDirectoryNumber() const {
    std::vector<bool> used(kDirectoryNumbers);
    for (const DiskEntry& entry : m_disk->Entries()) {
        if (IsDirectoryNumber(entry.ownDir))
            used[static_cast<size_t>(entry.ownDir)] = true;
        if (IsDirectoryNumber(entry.holdingDir))
            used[static_cast<size_t>(entry.holdingDir)] = true;
    }
    for (int number = FirstDirectoryNumber(); number <= LastDirectoryNumber(); ++number) {
        if (!used[static_cast<size_t>(number)])
            return number;
    }
    return -1;
}

std::unique_ptr<CDiskEditor> EditDisk(std::vector<uint8_t> bytes) {
    const FileSystemFormat* format = DetectFileSystem(bytes);
    if (!format || !format->edit)
        return nullptr;
    return format->edit(std::move(bytes), *format);
}
