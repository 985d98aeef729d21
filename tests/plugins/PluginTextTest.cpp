// The integers of plugin.ini and the names it gives for the picture and the sound.
#include <gtest/gtest.h>

#include <string>

#include "SysUtils.h"

namespace {

constexpr int kAbsent = -777;  // a default no case converts to

TEST(StrToIntDef, ConvertsWholeDecimalAndHexadecimalValues) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"0", 0},
      {"10", 10},
      {"0040", 40},  // leading zeros are decimal, not octal
      {"-5", -5},
      {"+5", 5},
      {"-0", 0},
      {"$10", 16},
      {"0x10", 16},
      {"0X1f", 31},
      {"$aBcD", 0xABCD},
      {"-$10", -16},
      {"-0x10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"$7FFFFFFF", 2147483647},
      {"-$80000000", -2147483647 - 1},
      {"0x000000000000001", 1},
      {"00000000000000000000042", 42},
      // The platform's profile reader trims blanks itself; a value given directly may have them.
      {" 12", 12},
      {"12\t", 12},
      {"\t -3  ", -3},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StrToIntDef(c.text, kAbsent), c.value) << '"' << c.text << '"';
    int value = kAbsent;
    EXPECT_TRUE(TryStrToInt(c.text, value)) << '"' << c.text << '"';
    EXPECT_EQ(value, c.value);
  }
}

TEST(StrToIntDef, AnythingElseCountsAsAbsent) {
  for (const char* text : {"",
                           " ",
                           "-",
                           "+",
                           "$",
                           "0x",
                           "-$",
                           "+0x",  // no digits
                           "12a",
                           "1 2",
                           "- 5",
                           "$ 10",
                           "0x 10",
                           "5.",  // not whole
                           "1e3",
                           "0b101",
                           "x10",
                           "0x-5",
                           "$-5",
                           "--5",  // other forms
                           "+-5",
                           "$$1",
                           "0xx1",
                           "\xD1\xE5\xEC\xFC",  // Russian text
                           "2147483648",
                           "-2147483649",
                           "99999999999999999999",  // too large
                           "$80000000",
                           "$FFFFFFFF",
                           "0x100000000",
                           "-$80000001",
                           "12\n",
                           "\n12",
                           "\xA0"
                           "12"}) {  // only spaces and tabs are blanks
    EXPECT_EQ(StrToIntDef(text, kAbsent), kAbsent) << '"' << text << '"';
    int value = 31;
    EXPECT_FALSE(TryStrToInt(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, 31) << "a refused text leaves the value alone";
  }
  // A text with a NUL inside is not cut there.
  EXPECT_EQ(StrToIntDef(std::string_view("12\0"
                                         "3",
                                         4),
                        kAbsent),
            kAbsent);
}

TEST(IsNameWithinFolder, AcceptsNamesInTheFolderAndBelowIt) {
  for (const char* name : {"pic.bmp", "Hat.bmp", "snd.wav", "img\\pic.bmp", "img/pic.bmp",
                           ".\\pic.bmp", "a..b.bmp", "..pic.bmp", "pic..", ".hidden",
                           "\xCA\xE0\xF0\xF2\xE8\xED\xEA\xE0.bmp",  // a Russian name
                           "console.bmp", "COM10.wav", "nul_sound.wav"}) {
    EXPECT_TRUE(IsNameWithinFolder(name)) << '"' << name << '"';
  }
}

TEST(IsNameWithinFolder, RefusesNamesThatLeaveTheFolder) {
  for (const char* name : {"",
                           "..",
                           "..\\pic.bmp",
                           "img\\..\\..\\pic.bmp",
                           "../pic.bmp",
                           "img/..",
                           "...\\pic.bmp",
                           ". .\\pic.bmp",
                           ".. \\pic.bmp",
                           "\\pic.bmp",
                           "/etc/passwd",
                           "\\\\server\\share\\pic.bmp",
                           "\\\\?\\C:\\pic.bmp",
                           "C:\\pic.bmp",
                           "C:pic.bmp",
                           "pic.bmp:stream",
                           "CON",
                           "con.bmp",
                           "NUL",
                           "Aux.wav",
                           "prn .bmp",
                           "COM1",
                           "lpt9.bmp",
                           "img\\CONOUT$",
                           "img\\con.bmp.txt",
                           "*.bmp",
                           "pic?.bmp",
                           "a|b",
                           "a<b",
                           "a>b",
                           "\"pic.bmp\"",
                           "pic\x01.bmp"}) {
    EXPECT_FALSE(IsNameWithinFolder(name)) << '"' << name << '"';
  }
}

}  // namespace
