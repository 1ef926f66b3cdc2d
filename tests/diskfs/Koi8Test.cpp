#include "Cp1251.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <vector>

namespace {

#ifdef _WIN32
// Windows' own KOI8-R (code page 20866) and Windows-1251 tables, an independent reference.
uint8_t ReferenceKoi8ToCp1251(uint8_t koi) {
    const char in = static_cast<char>(koi);
    wchar_t wide = 0;
    char out = 0;
    EXPECT_EQ(MultiByteToWideChar(20866, 0, &in, 1, &wide, 1), 1);
    EXPECT_EQ(WideCharToMultiByte(1251, 0, &wide, 1, &out, 1, nullptr, nullptr), 1);
    return static_cast<uint8_t>(out);
}
#else
// glibc's own KOI8-R to CP1251 converter, an independent reference for the letters.
uint8_t ReferenceKoi8ToCp1251(uint8_t koi) {
    iconv_t cd = iconv_open("CP1251", "KOI8-R");
    if (cd == reinterpret_cast<iconv_t>(-1))
        ADD_FAILURE() << "iconv lacks KOI8-R";
    char in = static_cast<char>(koi), out = 0;
    char* inp = &in;
    char* outp = &out;
    size_t inLeft = 1, outLeft = 1;
    EXPECT_NE(iconv(cd, &inp, &inLeft, &outp, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    return static_cast<uint8_t>(out);
}
#endif

} // namespace

TEST(Koi8, CyrillicLettersMatchThePublishedMapping) {
    for (int koi = 0xC0; koi <= 0xFF; ++koi) {
        uint8_t c = static_cast<uint8_t>(koi);
        ConvertKoi8ToCp1251(&c, 1);
        EXPECT_EQ(c, ReferenceKoi8ToCp1251(static_cast<uint8_t>(koi))) << std::hex << koi;
    }
}

// Control bytes become spaces except tab and line feed; 0x20 to 0xBF stay; the count is
// respected.
TEST(Koi8, ControlBytesMiddleRangeAndCount) {
    std::vector<uint8_t> bytes = {0x09, 0x0A, 0x0D, 0x00, 0x1F};
    for (int c = 0x20; c <= 0xBF; ++c)
        bytes.push_back(static_cast<uint8_t>(c));
    std::vector<uint8_t> expected = bytes;
    expected[2] = expected[3] = expected[4] = 0x20;
    ConvertKoi8ToCp1251(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_EQ(bytes, expected);

    uint8_t guarded[2] = {0xC1, 0xC1};
    for (int count : {1, 0, -5})
        ConvertKoi8ToCp1251(guarded, count);
    EXPECT_EQ(guarded[0], 0xE0);
    EXPECT_EQ(guarded[1], 0xC1);
}

TEST(CaseFolding, AsciiAndCyrillicCompareWithoutCase) {
    EXPECT_TRUE(EqualNoCase("Game.Txt", "GAME.TXT"));
    EXPECT_TRUE(EqualNoCase("\xE8\xE3\xF0\xE0", "\xC8\xC3\xD0\xC0")); // игра / ИГРА
    EXPECT_TRUE(EqualNoCase("\xB8", "\xA8"));                         // ё / Ё
    EXPECT_FALSE(EqualNoCase("GAME", "GAMES"));
    EXPECT_FALSE(EqualNoCase("A", "\xC0")); // Latin A is not Cyrillic А
    EXPECT_FALSE(EqualNoCase("@", "`"));    // only letters fold
}
