// The integers of plugin.ini and the names it gives for the picture and the sound.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "SysUtils.h"

namespace {

using namespace std::string_view_literals;

void ExpectValues(std::initializer_list<std::pair<const char*, int>> cases) {
  for (const auto& [text, expected] : cases) {
    int value = -777;
    EXPECT_TRUE(TryStrToInt(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, expected) << '"' << text << '"';
    EXPECT_EQ(StrToIntDef(text, -777), expected) << '"' << text << '"';
  }
}

void ExpectAbsent(std::initializer_list<std::string_view> texts) {
  for (std::string_view text : texts) {
    EXPECT_EQ(StrToIntDef(text, -777), -777) << '"' << text << '"';
    int value = 31;
    EXPECT_FALSE(TryStrToInt(text, value)) << '"' << text << '"';
    EXPECT_EQ(value, 31) << "a refused text leaves the value alone";
  }
}

TEST(StrToIntDef, WholeDecimalAndHexadecimalValuesOnly) {
  // Leading zeros are decimal, not octal; a value given directly may have blanks around it.
  ExpectValues({{"0", 0},
                {"0040", 40},
                {"-5", -5},
                {"+5", 5},
                {" 12", 12},
                {"\t -3  ", -3},
                {"2147483647", INT_MAX},
                {"-2147483648", INT_MIN},
                {"00000000000000000000042", 42},
                {"$10", 16},
                {"0x10", 16},
                {"0X1f", 31},
                {"$aBcD", 0xABCD},
                {"-$10", -16},
                {"$7FFFFFFF", INT_MAX},
                {"-$80000000", INT_MIN},
                {"0x000000000000001", 1}});
  // No digits, not whole, other forms, Russian text.
  ExpectAbsent({"", " ", "-", "+", "$", "0x", "-$", "+0x", "12a", "1 2", "- 5", "$ 10", "0x 10",
                "5.", "1e3", "0b101", "x10", "0x-5", "$-5"});
  ExpectAbsent({"--5", "+-5", "$$1", "0xx1", "\xD1\xE5\xEC\xFC"});
  // Too large; only spaces and tabs are blanks; a NUL inside does not cut the text.
  ExpectAbsent({"2147483648", "-2147483649", "99999999999999999999", "$80000000", "$FFFFFFFF",
                "0x100000000", "-$80000001", "12\n", "\n12",
                "\xA0"
                "12",
                "12\0"
                "3"sv});
}

TEST(IsNameWithinFolder, NamesThatLeaveTheFolderAreRefused) {
  for (const char* name : {"pic.bmp", "Hat.bmp", "img\\pic.bmp", "img/pic.bmp", ".\\pic.bmp",
                           "a..b.bmp", "..pic.bmp", "pic..", ".hidden", "console.bmp", "COM10.wav",
                           "nul_sound.wav", "\xCA\xE0\xF0\xF2\xE8\xED\xEA\xE0.bmp"})
    EXPECT_TRUE(IsNameWithinFolder(name)) << '"' << name << '"';
  for (const char* name :
       {"", "..", "..\\pic.bmp", "img\\..\\..\\pic.bmp", "../pic.bmp", "img/..", "...\\pic.bmp",
        ". .\\pic.bmp", ".. \\pic.bmp", "\\pic.bmp", "/etc/passwd", "\\\\server\\share\\pic.bmp",
        "\\\\?\\C:\\pic.bmp", "C:\\pic.bmp", "C:pic.bmp", "pic.bmp:stream"})
    EXPECT_FALSE(IsNameWithinFolder(name)) << '"' << name << '"';
  // Devices in any folder and with any extension, wildcards and control characters.
  for (const char* name :
       {"CON", "con.bmp", "NUL", "Aux.wav", "prn .bmp", "COM1", "lpt9.bmp", "img\\CONOUT$",
        "COM\xB9.bmp", "lpt\xB2", "img\\Com\xB3 .wav", "img\\con.bmp.txt", "*.bmp", "pic?.bmp",
        "a|b", "a<b", "a>b", "\"pic.bmp\"", "pic\x01.bmp"})
    EXPECT_FALSE(IsNameWithinFolder(name)) << '"' << name << '"';
}

}  // namespace
