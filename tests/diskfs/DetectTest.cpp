#include "DiskImage.h"
#include "ImageBuilders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string_view>

using testimg::Bytes;

namespace {

// An image of `size` bytes with `label` at offset 4 and the two family words at 0x100.
Bytes Image(std::string_view label, int family = 0, int member = 0, size_t size = 0x200) {
    Bytes image(std::max<size_t>(size, 0x104));
    std::memcpy(image.data() + 4, label.data(), label.size());
    testimg::PutWord(image, 0x100, family);
    testimg::PutWord(image, 0x102, member);
    image.resize(size);
    return image;
}

} // namespace

// The family word decides before the ANDOS label; the label needs seven characters, then
// a zero; a short file is read only as far as it goes.
TEST(Detect, FamilyWordsLabelAndShortFiles) {
    const struct {
        Bytes image;
        ImageFormat format;
    } cases[] = {
        {Image("ANDOS  "), FormatAndos},
        {Image("andos  "), FormatAndos},
        {Image("ANDOS  ", 0xA72E), FormatMicroDos},
        {Image("ANDOS  ", 0xA72E, 0x530C), FormatMkDos},
        {Image("ANDOS  ", 0xA72E, 0x530D), FormatMicroDos},
        {Image("ANDOS  X"), FormatUnknown},
        {Image("ANDOS "), FormatUnknown},
        {Image("ANDOS   "), FormatUnknown},
        {Image(""), FormatUnknown},
        {Image("", 0xA72E, 0x530C, 0x104), FormatMkDos},
        {Image("", 0xA72E, 0x530C, 0x103), FormatUnknown}, // the second word is missing
        {Image("", 0xA72E, 0x530C, 0x101), FormatUnknown},
        {Image("ANDOS  ", 0, 0, 11), FormatAndos}, // the label runs to the end, without zero
        {Image("ANDOS  ", 0, 0, 9), FormatUnknown},
    };
    const auto detected = [](std::span<const uint8_t> bytes) {
        const FileSystemFormat* format = DetectFileSystem(bytes);
        return format ? format->id : FormatUnknown;
    };
    for (const auto& c : cases)
        EXPECT_EQ(detected(c.image), c.format) << c.image.size() << " bytes, case " << &c - cases;
    EXPECT_EQ(detected({}), FormatUnknown);
}
