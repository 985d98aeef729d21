#include <gtest/gtest.h>

#include "AppTitle.h"

namespace {

std::string Title(std::string_view fileName) {
  return DefaultTitle(fileName, NativePlatform());
}

TEST(DefaultTitleTest, FolderAndExtensionGoAndTheRestIsLowerCased) {
  EXPECT_EQ(Title("C:\\Program Files\\Quelvoran\\QUELVORAN.EXE"), "Quelvoran");
  EXPECT_EQ(Title("C:\\x\\skin-Demo.exe"), "skin-demo");
  EXPECT_EQ(Title("quelvoran.exe"), "quelvoran");
}

TEST(DefaultTitleTest, CutAtTheFirstDot) {
  EXPECT_EQ(Title("C:\\a.b\\My.Tool.exe"), "My");
  EXPECT_EQ(Title("C:\\dir\\.hidden"), "");
  EXPECT_EQ(Title("C:\\dir\\NoExt"), "Noext");
}

TEST(DefaultTitleTest, RussianLettersAreLowerCasedInWindows1251) {
  // "ГЛАВНАЯ.EXE" -> "Главная"
  EXPECT_EQ(Title("C:\\\xC3\xCB\xC0\xC2\xCD\xC0\xDF.EXE"), "\xC3\xEB\xE0\xE2\xED\xE0\xFF");
  // The first character keeps its case even when lower: "ёЖ" -> "ёж"
  EXPECT_EQ(Title("\xB8\xC6"), "\xB8\xE6");
}

TEST(DefaultTitleTest, EmptyAndSingleCharacterNames) {
  EXPECT_EQ(Title(""), "");
  EXPECT_EQ(Title("C:\\dir\\"), "");
  EXPECT_EQ(Title("A"), "A");
}

}  // namespace
