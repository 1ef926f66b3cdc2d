#include "MicroDosImage.h"

#include "Cp1251.h"

namespace {

constexpr int kFirstEntry = 0x140;
constexpr int kEntrySize = 24;
constexpr int kBlockSize = 512;
constexpr int kNameOffset = 2;
constexpr int kNameLength = 14;
constexpr int kStartBlockOffset = 16;
constexpr int kAddressOffset = 20;
constexpr int kLengthOffset = 22;

} // namespace

CMicroDosImage::CMicroDosImage(std::string path, std::vector<uint8_t> data)
    : CCatalogImage(std::move(path), std::move(data), kFirstEntry, kEntrySize) {}

std::string CMicroDosImage::GetFormatName() {
    return "MicroDOS";
}

bool CMicroDosImage::IsEndMarker() const {
    return EntryByte(0) == 0 && EntryByte(1) == 0 && EntryByte(2) == 0;
}

int CMicroDosImage::OwnDirNumber() const {
    return EntryByte(0);
}

int CMicroDosImage::HoldingDirNumber() const {
    return EntryByte(1);
}

bool CMicroDosImage::IsDirectory() {
    return GetAddress() == 0 && GetLength() == 0;
}

std::string CMicroDosImage::GetName() {
    return EntryText(kNameOffset, kNameLength);
}

int CMicroDosImage::GetAddress() {
    return EntryWord(kAddressOffset);
}

int CMicroDosImage::GetLength() {
    return EntryWord(kLengthOffset);
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
