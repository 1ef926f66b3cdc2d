#include "DiskImage.h"
#include "ImageBuilders.h"

#include <gtest/gtest.h>

#include <cstring>

using testimg::Bytes;
using testimg::PutWord;

namespace {

ImageFormat Detect(const Bytes& image) {
    return DetectImageFormat(image.data(), static_cast<int>(image.size()));
}

Bytes WithLabel(const char* label, size_t length, int size = 0x200) {
    Bytes image(size);
    std::memcpy(image.data() + 4, label, length);
    return image;
}

} // namespace

TEST(Detect, FamilyWordDecidesBeforeTheAndosLabel) {
    Bytes image = WithLabel("ANDOS  ", 7);
    EXPECT_EQ(Detect(image), FormatAndos);
    PutWord(image, 0x100, 0xA72E);
    EXPECT_EQ(Detect(image), FormatMicroDos);
    PutWord(image, 0x102, 0x530C);
    EXPECT_EQ(Detect(image), FormatMkDos);
    PutWord(image, 0x102, 0x530D);
    EXPECT_EQ(Detect(image), FormatMicroDos);
}

TEST(Detect, AndosLabelNeedsSevenCharactersThenZero) {
    EXPECT_EQ(Detect(WithLabel("andos  ", 7)), FormatAndos);
    EXPECT_EQ(Detect(WithLabel("ANDOS  X", 8)), FormatUnknown);
    EXPECT_EQ(Detect(WithLabel("ANDOS ", 6)), FormatUnknown);
    EXPECT_EQ(Detect(WithLabel("ANDOS   ", 8)), FormatUnknown);
    EXPECT_EQ(Detect(Bytes(0x200)), FormatUnknown);
}

TEST(Detect, ShortFilesReadOnlyTheBytesTheyHave) {
    Bytes image(0x200);
    PutWord(image, 0x100, 0xA72E);
    PutWord(image, 0x102, 0x530C);
    // Cut so that the second word is missing: no family member can be told.
    EXPECT_EQ(Detect(Bytes(image.begin(), image.begin() + 0x103)), FormatUnknown);
    EXPECT_EQ(Detect(Bytes(image.begin(), image.begin() + 0x104)), FormatMkDos);
    EXPECT_EQ(Detect(Bytes(image.begin(), image.begin() + 0x101)), FormatUnknown);

    // A label that runs to the end of the file without its zero byte.
    const Bytes label = WithLabel("ANDOS  ", 7, 11);
    EXPECT_EQ(Detect(label), FormatAndos);
    EXPECT_EQ(Detect(Bytes(label.begin(), label.begin() + 9)), FormatUnknown);
    EXPECT_EQ(DetectImageFormat(nullptr, 0), FormatUnknown);
}
