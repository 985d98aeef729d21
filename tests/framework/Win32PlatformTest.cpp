#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>

#include "Classes.h"
#include "Win32Platform.h"

namespace {

std::string TempFolder() {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  return path;
}

std::string Differences(void (PlatformServices::*map)(char*, size_t) const) {
  std::string differ;
  for (int c = 0; c < 256; ++c) {
    char system = static_cast<char>(c), native = static_cast<char>(c);
    (Win32Platform().*map)(&system, 1);
    (NativePlatform().*map)(&native, 1);
    if (system != native) {
      char entry[32];
      std::snprintf(entry, sizeof entry, " %02X:%02X/%02X", c, static_cast<unsigned char>(system),
                    static_cast<unsigned char>(native));
      differ += entry;
    }
  }
  return differ;
}

TEST(Win32PlatformTest, CaseMappingMatchesTheNativeTablesForEveryByte) {
  ASSERT_EQ(GetACP(), 1251u) << "the tests need code page 1251 (LANG=ru_RU.UTF-8)";
  EXPECT_EQ(Differences(&PlatformServices::UpperCaseBuffer), "") << "byte:system/native";
  EXPECT_EQ(Differences(&PlatformServices::LowerCaseBuffer), "") << "byte:system/native";
}

TEST(Win32PlatformTest, WholeBuffersAreMappedInPlace) {
  // "Привет, World" -> "ПРИВЕТ, WORLD"
  std::string text = "\xCF\xF0\xE8\xE2\xE5\xF2, World";
  Win32Platform().UpperCaseBuffer(text.data(), text.size());
  EXPECT_EQ(text, "\xCF\xD0\xC8\xC2\xC5\xD2, WORLD");
  Win32Platform().LowerCaseBuffer(text.data(), text.size());
  EXPECT_EQ(text, "\xEF\xF0\xE8\xE2\xE5\xF2, world");
}

TEST(Win32PlatformTest, ShortDateAndClock) {
  EXPECT_FALSE(Win32Platform().ShortDate().empty());
  TimeOfDay now = Win32Platform().UtcTimeOfDay();
  EXPECT_GE(now.hour, 0);
  EXPECT_LT(now.hour, 24);
  EXPECT_LT(now.minute, 60);
  EXPECT_LT(now.millisecond, 1000);
}

TEST(Win32PlatformTest, OpeningMissingFilesGivesTheSystemCodes) {
  std::string folder = TempFolder();
  try {
    Win32Platform().OpenFile(folder + "qv_missing_file.txt", FileMode::Read);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorFileNotFound);
    EXPECT_EQ(e.Message(), "File not found");
  }
  try {
    Win32Platform().OpenFile(folder + "qv_missing_folder\\file.txt", FileMode::Create);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorPathNotFound);
    EXPECT_EQ(e.Message(), "I/O error 3");
  }
}

TEST(Win32PlatformTest, WriteReadTruncateAndReplace) {
  std::string from = TempFolder() + "qv_replace_from.txt", to = TempFolder() + "qv_replace_to.txt";
  {
    auto file = Win32Platform().OpenFile(to, FileMode::Create);
    file->Write("old contents", 12);
    file->Flush();
  }
  {
    auto file = Win32Platform().OpenFile(from, FileMode::Create);
    file->Write("new contents", 12);
  }
  {
    auto file = Win32Platform().OpenFile(from, FileMode::ReadWrite);
    EXPECT_EQ(file->Size(), 12u);
    file->Seek(3);
    file->Truncate();
    EXPECT_EQ(file->Size(), 3u);
  }
  Win32Platform().MoveFileOver(from, to);
  EXPECT_FALSE(Win32Platform().FileExists(from));
  ASSERT_TRUE(Win32Platform().FileExists(to));
  EXPECT_FALSE(Win32Platform().FileExists(TempFolder()));
  auto file = Win32Platform().OpenFile(to, FileMode::Read);
  char buffer[16] = {};
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 3u);
  EXPECT_STREQ(buffer, "new");
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 0u);
  file.reset();
  Win32Platform().RemoveFile(to);
  EXPECT_FALSE(Win32Platform().FileExists(to));
  // Removing what is not there is silent.
  Win32Platform().RemoveFile(to);
}

TEST(Win32PlatformTest, MemoryStreamFilesThroughTheSystem) {
  SetPlatform(Win32Platform());
  std::string path = TempFolder() + "qv_stream.bin";
  TMemoryStream stream;
  stream.WriteBuffer("\x00\x01\x02\xFF", 4);
  stream.SaveToFile(path);
  TMemoryStream back;
  back.LoadFromFile(path);
  ASSERT_EQ(back.Size(), 4);
  EXPECT_EQ(static_cast<const unsigned char*>(back.Memory())[3], 0xFF);
  Win32Platform().RemoveFile(path);
  EXPECT_THROW(back.LoadFromFile(path), EFOpenError);
  EXPECT_THROW(back.SaveToFile(TempFolder() + "qv_no_folder\\x.bin"), EFCreateError);
  SetPlatform(NativePlatform());
}

}  // namespace
