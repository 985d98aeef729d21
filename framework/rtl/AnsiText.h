// Windows-1251, the code page of every text the system keeps, to and from UTF-16, the
// encoding of the wide platform calls. Fixed tables, so Russian reads right whatever the
// system's own ANSI code page is.
#pragma once

#include <string>
#include <string_view>

char16_t AnsiCharToUtf16(unsigned char c);
// '?' for a character Windows-1251 has no byte for.
char Utf16CharToAnsi(char16_t c);

std::u16string AnsiToUtf16(std::string_view ansi);
// Surrogate pairs become one '?'.
std::string Utf16ToAnsi(std::u16string_view text);
