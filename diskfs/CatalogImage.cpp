#include "CatalogImage.h"

#include "Cp1251.h"

CCatalogImage::CCatalogImage(std::string path, std::vector<uint8_t> data,
                             const CatalogLayout& layout)
    : CDiskImage(std::move(path), std::move(data)), m_layout(layout) {}

int CCatalogImage::OwnDirNumber() const {
    return EntryByte(m_layout.ownDirOffset);
}

int CCatalogImage::HoldingDirNumber() const {
    return EntryByte(m_layout.holdingDirOffset);
}

int CCatalogImage::GetAddress() {
    return EntryWord(m_layout.addressOffset);
}

int CCatalogImage::GetLength() {
    return EntryWord(m_layout.lengthOffset);
}

bool CCatalogImage::InImage(long long offset, long long count) const {
    return offset >= 0 && count >= 0 && offset + count <= m_nSize;
}

int CCatalogImage::EntryByte(int offset) const {
    return InImage(m_nPos + offset, 1) ? m_pData[m_nPos + offset] : 0;
}

int CCatalogImage::EntryWord(int offset) const {
    return EntryByte(offset) | EntryByte(offset + 1) << 8;
}

uint8_t* CCatalogImage::EntryBytes(int offset) {
    return InImage(m_nPos, m_layout.entrySize) ? &m_pData[m_nPos + offset] : nullptr;
}

std::string CCatalogImage::EntryText(int offset, int count) const {
    if (!InImage(m_nPos, m_layout.entrySize))
        return {};
    const char* first = reinterpret_cast<const char*>(&m_pData[m_nPos + offset]);
    std::string_view text(first, count);
    text = text.substr(0, text.find('\0'));
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(0, last == std::string_view::npos ? 0 : last + 1));
}

bool CCatalogImage::IsEndOfCatalog() const {
    return !InImage(m_nPos, m_layout.entrySize) || IsEndMarker();
}

bool CCatalogImage::FirstEntry() {
    m_nPos = m_layout.firstEntry;
    return !IsEndOfCatalog();
}

bool CCatalogImage::NextEntry() {
    if (!IsEndOfCatalog()) // the cursor never moves past the end it has reached
        m_nPos += m_layout.entrySize;
    return !IsEndOfCatalog();
}

void CCatalogImage::DecodeNames() {
    for (bool more = FirstEntry(); more; more = NextEntry())
        DecodeEntryName();
}

bool CCatalogImage::IsRoot() {
    return m_nDir == 0;
}

int CCatalogImage::GetCurrentDir() {
    return m_nDir;
}

int CCatalogImage::GetEntryIndex() {
    return (m_nPos - m_layout.firstEntry) / m_layout.entrySize;
}

bool CCatalogImage::SeekEntry(int index) {
    if (index < 0 || index > (m_nSize - m_layout.firstEntry) / m_layout.entrySize)
        return false;
    m_nPos = m_layout.firstEntry + index * m_layout.entrySize;
    return !IsEndOfCatalog();
}

int CCatalogImage::GetDirNumber() {
    return OwnDirNumber();
}

int CCatalogImage::GetHoldingDir() {
    return HoldingDirNumber();
}

void CCatalogImage::SetCurrentDir(int number) {
    m_nDir = number;
}

bool CCatalogImage::ReadEntry(const uint8_t*& data, int& address, int& length) {
    data = nullptr;
    address = 0;
    length = 0;
    m_readFault = ReadFault::None;
    if (!IsEndOfCatalog() && !IsDirectory() && ReadEntryData(data, address, length))
        return true;
    if (m_readFault == ReadFault::None)
        m_readFault = ReadFault::Unreadable;
    return false;
}

bool CCatalogImage::IsDeleted() {
    return false;
}

void CCatalogImage::PushPosition() {
    m_dirStack.push_back(m_nDir);
    m_posStack.push_back(m_nPos);
}

void CCatalogImage::PopPosition() {
    if (!m_dirStack.empty()) {
        m_nDir = m_dirStack.back();
        m_dirStack.pop_back();
    }
    if (!m_posStack.empty()) {
        m_nPos = m_posStack.back();
        m_posStack.pop_back();
    }
}

int CCatalogImage::GetImageSize() {
    return m_nSize;
}

bool CCatalogImage::FindInCurrentDir(bool found) {
    while (found && HoldingDirNumber() != m_nDir)
        found = NextEntry();
    return found;
}

bool CCatalogImage::FindFirst() {
    return FindInCurrentDir(FirstEntry());
}

bool CCatalogImage::FindNext() {
    return FindInCurrentDir(NextEntry());
}

int CCatalogImage::GetParentDir(int n) {
    const int saved = m_nPos;
    int parent = 0;
    for (bool more = FirstEntry(); more; more = NextEntry()) {
        if (IsDirectory() && OwnDirNumber() == n) {
            parent = HoldingDirNumber();
            break;
        }
    }
    m_nPos = saved;
    return parent;
}

bool CCatalogImage::FindDirectory(std::string_view name, int& number) {
    for (bool more = FirstEntry(); more; more = NextEntry()) {
        if (IsDirectory() && EqualNoCase(GetName(), name)) {
            number = OwnDirNumber();
            return true;
        }
    }
    return false;
}

namespace {

std::string_view DropLeadingBackslashes(std::string_view text) {
    const auto first = text.find_first_not_of('\\');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

} // namespace

// A path whose components cannot all be resolved changes nothing.
bool CCatalogImage::ChangeDir(const std::string& path) {
    if (path.empty()) {
        m_nDir = 0;
        return true;
    }
    const int savedPos = m_nPos;
    int dir = m_nDir;
    bool resolved = true;
    for (std::string_view rest = path; resolved && !rest.empty();) {
        const auto slash = rest.find('\\');
        const std::string_view component = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view()
                                               : DropLeadingBackslashes(rest.substr(slash + 1));
        if (component == kParentDirPath)
            dir = GetParentDir(dir);
        else
            resolved = FindDirectory(component, dir);
    }
    m_nPos = savedPos;
    if (resolved)
        m_nDir = dir;
    return resolved;
}

bool CCatalogImage::ReadFile(const std::string& path, const uint8_t*& data, int& address,
                             int& length) {
    data = nullptr;
    address = 0;
    length = 0;
    PushPosition();
    const std::string_view whole = path;
    const auto slash = whole.rfind('\\');
    const std::string_view dir = slash == std::string_view::npos
                                     ? std::string_view()
                                     : DropLeadingBackslashes(whole.substr(0, slash));
    const std::string_view name =
        slash == std::string_view::npos ? whole : DropLeadingBackslashes(whole.substr(slash + 1));
    bool result = false;
    if (!name.empty() && (dir.empty() || ChangeDir(std::string(dir)))) {
        // A matching entry whose data step fails gives way to the next of the same name.
        for (bool more = FindFirst(); more; more = !result && FindNext()) {
            if (!IsDirectory() && EqualNoCase(GetName(), name))
                result = ReadEntryData(data, address, length);
        }
    }
    PopPosition();
    return result;
}
