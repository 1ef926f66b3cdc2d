#include "MkDosImage.h"

#include "Cp1251.h"

namespace {

constexpr int kDirectoryMark = 0x7F;

} // namespace

std::string CMkDosImage::GetFormatName() {
    return "MKDOS";
}

bool CMkDosImage::IsDirectory() {
    return EntryByte(2) == kDirectoryMark;
}

int CMkDosImage::NameOffset() {
    return IsDirectory() ? 3 : 2;
}

int CMkDosImage::NameLength() {
    return IsDirectory() ? 13 : 14;
}

std::string CMkDosImage::GetName() {
    return EntryText(NameOffset(), NameLength());
}

void CMkDosImage::DecodeEntryName() {
    if (uint8_t* name = EntryBytes(NameOffset()))
        ConvertKoi8ToCp1251(name, NameLength());
}
