#include "AndosImage.h"

#include "Cp1251.h"

#include <cstring>

namespace {

constexpr int kFatOffset = 0x600;
// 32-byte entries from 0xA00; directory numbers in bytes 20 and 21, address and length at 22
// and 28.
constexpr CatalogLayout kLayout = {0xA00, 32, 20, 21, 22, 28};
constexpr int kCatalogEnd = 0x1800;
constexpr int kClusterSize = 2048;
constexpr int kEndOfChain = 0xFFF;
constexpr int kDirectoryAttribute = 0x08;
constexpr int kDeletedMark = 0xE5;

constexpr int kExtensionOffset = 8;
constexpr int kAttributeOffset = 11;
constexpr int kFirstClusterOffset = 26;

int RoundUpToClusters(int length) {
    return (length + kClusterSize - 1) / kClusterSize * kClusterSize;
}

} // namespace

CAndosImage::CAndosImage(std::string path, std::vector<uint8_t> data)
    : CCatalogImage(std::move(path), std::move(data), kLayout) {}

std::string CAndosImage::GetFormatName() {
    return "ANDOS";
}

bool CAndosImage::IsEndMarker() const {
    return m_nPos >= kCatalogEnd || (EntryByte(0) == 0 && EntryWord(kFirstClusterOffset) == 0);
}

bool CAndosImage::IsDirectory() {
    return EntryByte(kAttributeOffset) == kDirectoryAttribute;
}

// Files read NAME.EXT (NAME without an extension); directories join the two parts.
std::string CAndosImage::GetName() {
    const std::string name = EntryText(0, 8);
    const std::string extension = EntryText(kExtensionOffset, 3);
    if (IsDirectory() || extension.empty())
        return name + extension;
    return name + "." + extension;
}

bool CAndosImage::IsDeleted() {
    const auto index = static_cast<size_t>(GetEntryIndex());
    return !IsEndOfCatalog() && index < m_deleted.size() && m_deleted[index];
}

void CAndosImage::DecodeEntryName() {
    uint8_t* name = EntryBytes(0);
    if (!name)
        return;
    const auto index = static_cast<size_t>(GetEntryIndex());
    if (m_deleted.size() <= index)
        m_deleted.resize(index + 1);
    m_deleted[index] = name[0] == kDeletedMark;
    ConvertKoi8ToCp1251(name, 11);
}

int CAndosImage::GetNextCluster(int cluster) const {
    const long long offset = kFatOffset + static_cast<long long>(cluster) * 3 / 2;
    if (cluster < 0 || !InImage(offset, 2))
        return -1;
    const int word = m_pData[offset] | m_pData[offset + 1] << 8;
    return cluster % 2 ? word >> 4 : word & 0xFFF;
}

// A chain that ends before the length is not the file: what it lacks would be made up.
bool CAndosImage::ReadClusterChain(int cluster, uint8_t* dest, int length) {
    const int limit = RoundUpToClusters(length);
    int copied = 0;
    for (; cluster != kEndOfChain; cluster = GetNextCluster(cluster)) {
        copied += kClusterSize;
        const long long offset = (static_cast<long long>(cluster) + 1) * kClusterSize;
        if (copied > limit || cluster < 0 || !InImage(offset, kClusterSize))
            return false;
        std::memcpy(dest, &m_pData[offset], kClusterSize);
        dest += kClusterSize;
    }
    if (copied < length) {
        m_readFault = ReadFault::ClustersEndEarly;
        return false;
    }
    return true;
}

// The buffer is replaced whether or not the chain can be read.
bool CAndosImage::ReadEntryData(const uint8_t*& data, int& address, int& length) {
    m_pFileBuffer.reset();
    m_pFileBuffer = std::make_unique<uint8_t[]>(RoundUpToClusters(GetLength()));
    if (!ReadClusterChain(EntryWord(kFirstClusterOffset), m_pFileBuffer.get(), GetLength()))
        return false;
    data = m_pFileBuffer.get();
    address = GetAddress();
    length = GetLength();
    return true;
}
