#include "MicroDosImage.h"

#include "Cp1251.h"

namespace {

// 24-byte entries from 0x140; directory numbers in bytes 0 and 1, address and length at 20 and 22.
constexpr CatalogLayout kLayout = {0x140, 24, 0, 1, 20, 22};
constexpr int kBlockSize = 512;
constexpr int kNameOffset = 2;
constexpr int kNameLength = 14;
constexpr int kStartBlockOffset = 16;

} // namespace

CMicroDosImage::CMicroDosImage(std::string path, std::vector<uint8_t> data)
    : CCatalogImage(std::move(path), std::move(data), kLayout) {}

std::string CMicroDosImage::GetFormatName() {
    return "MicroDOS";
}

bool CMicroDosImage::IsEndMarker() const {
    return EntryByte(0) == 0 && EntryByte(1) == 0 && EntryByte(2) == 0;
}

bool CMicroDosImage::IsDirectory() {
    return GetAddress() == 0 && GetLength() == 0;
}

std::string CMicroDosImage::GetName() {
    return EntryText(kNameOffset, kNameLength);
}

void CMicroDosImage::DecodeEntryName() {
    if (uint8_t* name = EntryBytes(kNameOffset))
        ConvertKoi8ToCp1251(name, kNameLength);
}

// Data that does not lie wholly inside the image makes the step fail.
bool CMicroDosImage::ReadEntryData(const uint8_t*& data, int& address, int& length) {
    const long long start = static_cast<long long>(EntryWord(kStartBlockOffset)) * kBlockSize;
    if (!InImage(start, GetLength()))
        return false;
    data = m_pData.data() + start;
    address = GetAddress();
    length = GetLength();
    return true;
}
