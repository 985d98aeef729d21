#include <gtest/gtest.h>

#include <string>

#include "AnsiText.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {

#ifndef _WIN32
// The C library's own Windows-1251 table is the reference (it has no character for 0x98).
TEST(AnsiTextTest, EveryByteMapsAsTheReferenceTableAndBack) {
  iconv_t cd = iconv_open("UTF-16LE", "CP1251");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  for (int c = 1; c < 256; ++c) {
    if (c == 0x98) continue;
    char in = static_cast<char>(c), out[4] = {};
    char *inp = &in, *outp = out;
    size_t inLeft = 1, outLeft = sizeof out;
    ASSERT_NE(iconv(cd, &inp, &inLeft, &outp, &outLeft), static_cast<size_t>(-1)) << c;
    const char16_t expected = static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                    static_cast<unsigned char>(out[1]) << 8);
    EXPECT_EQ(AnsiCharToUtf16(static_cast<unsigned char>(c)), expected) << c;
    EXPECT_EQ(static_cast<unsigned char>(Utf16CharToAnsi(expected)), c) << c;
  }
  iconv_close(cd);
}
#endif

TEST(AnsiTextTest, RussianRoundTripsAndForeignCharactersBecomeQuestionMarks) {
  const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2, \xB8\xEB\xEA\xE0!";  // Привет, ёлка!
  const std::u16string wide = AnsiToUtf16(ansi);
  EXPECT_EQ(wide, u"Привет, ёлка!");
  EXPECT_EQ(Utf16ToAnsi(wide), ansi);
  EXPECT_EQ(Utf16ToAnsi(u"a\u00E9b\U0001F600c"), "a?b?c");
  EXPECT_EQ(Utf16ToAnsi(std::u16string(1, u'\xD800')), "?");
  EXPECT_EQ(AnsiToUtf16(std::string(1, '\0')), std::u16string(1, u'\0'));
}

}  // namespace
