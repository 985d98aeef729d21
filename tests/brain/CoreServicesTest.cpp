#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "BrainTestSupport.h"
#include "Classes.h"
#include "Platform.h"
#include "Random.h"
#include "SysUtils.h"

namespace {

TEST(Cp1251Case, MapsLatinCyrillicAndTheOtherSlavicLetters) {
  // ё Ё я Я ђ Ђ ѓ Ѓ љ Љ ў Ў ј Ј ґ Ґ є Є ї Ї і І ѕ Ѕ
  const std::string lower =
      "az\xB8\xE0\xFF\x90\x83\x9A\x9C\x9D\x9E\x9F\xA2\xBC\xB4\xBA\xBF\xB3\xBE";
  const std::string upper =
      "AZ\xA8\xC0\xDF\x80\x81\x8A\x8C\x8D\x8E\x8F\xA1\xA3\xA5\xAA\xAF\xB2\xBD";
  EXPECT_EQ(AnsiUpperCase(lower), upper);
  EXPECT_EQ(AnsiLowerCase(upper), lower);
  EXPECT_EQ(AnsiUpperCase(upper), upper);
  EXPECT_EQ(AnsiLowerCase(lower), lower);
}

TEST(Cp1251Case, LeavesEveryOtherByteAlone) {
  // Digits, signs, µ, №, «», the undefined 0x98 and NUL.
  std::string others = "09 !?@[`{~\x7F\xB5\xB9\xAB\xBB\x98\xA0\x85\x96";
  others += '\0';
  EXPECT_EQ(AnsiUpperCase(others), others);
  EXPECT_EQ(AnsiLowerCase(others), others);
  int changedUp = 0, changedDown = 0;
  for (int c = 0; c < 256; ++c) {
    std::string one(1, static_cast<char>(c));
    changedUp += AnsiUpperCase(one) != one;
    changedDown += AnsiLowerCase(one) != one;
  }
  // 26 Latin, 32 Russian, Ё and 14 other pairs.
  EXPECT_EQ(changedUp, 26 + 32 + 1 + 14);
  EXPECT_EQ(changedDown, 26 + 32 + 1 + 14);
}

TEST(NativeServices, DateAndTimeOfDay) {
  EXPECT_TRUE(std::regex_match(NativePlatform().ShortDate(), std::regex(R"(\d\d\.\d\d\.\d{4})")));
  TimeOfDay now = NativePlatform().UtcTimeOfDay();
  EXPECT_GE(now.hour, 0);
  EXPECT_LT(now.hour, 24);
  EXPECT_LT(now.minute, 60);
  EXPECT_LT(now.second, 60);
  EXPECT_LT(now.millisecond, 1000);
}

int OpenErrorCode(const std::string& path, FileMode mode) {
  try {
    NativePlatform().OpenFile(path, mode);
  } catch (const EInOutError& e) {
    return e.ErrorCode();
  }
  return 0;
}

TEST(NativeServices, OpenFailuresCarryWindowsCodes) {
  testing_support::TempFolder folder;
  EXPECT_EQ(OpenErrorCode(folder.File("none.brain"), FileMode::Read), kErrorFileNotFound);
  EXPECT_EQ(OpenErrorCode(folder.File("none.brain"), FileMode::ReadWrite), kErrorFileNotFound);
  EXPECT_EQ(OpenErrorCode(folder.File("Brain\\none.brain"), FileMode::Read), kErrorPathNotFound);
  EXPECT_EQ(OpenErrorCode(folder.File("Brain\\none.brain"), FileMode::Create), kErrorPathNotFound);
  std::filesystem::create_directory(folder.Path() / "Brain");
  EXPECT_EQ(OpenErrorCode(folder.File("Brain"), FileMode::Read), kErrorAccessDenied);
}

TEST(NativeServices, FilesReadWriteSeekAndTruncate) {
  testing_support::TempFolder folder;
  const std::string path = folder.File("data.bin");
  {
    auto file = NativePlatform().OpenFile(path, FileMode::Create);
    file->Write("hello\r\nworld", 12);
    file->Flush();
  }
  EXPECT_TRUE(NativePlatform().FileExists(path));
  EXPECT_FALSE(NativePlatform().FileExists(folder.File("other.bin")));
  EXPECT_FALSE(NativePlatform().FileExists(folder.Folder()));
  {
    auto file = NativePlatform().OpenFile(path, FileMode::ReadWrite);
    EXPECT_EQ(file->Size(), 12u);
    file->Seek(5);
    file->Truncate();
    file->Write("!", 1);
  }
  EXPECT_EQ(testing_support::ReadBytes(folder.Path() / "data.bin"), "hello!");
  NativePlatform().MoveFileOver(path, folder.File("moved.bin"));
  EXPECT_FALSE(NativePlatform().FileExists(path));
  EXPECT_EQ(testing_support::ReadBytes(folder.Path() / "moved.bin"), "hello!");
}

TEST(RandomGenerator, FollowsTheLinearCongruence) {
  TRandomGenerator random;
  random.SetSeed(1);
  EXPECT_EQ(random.Random(100), 3u);
  EXPECT_EQ(random.Seed(), 134775814u);
  random.SetSeed(0xFFFFFFFFu);
  EXPECT_EQ(random.Random(1000), 968u);
  EXPECT_EQ(random.Seed(), 4160191484u);
  random.SetSeed(12345);
  EXPECT_EQ(random.Random(10), 3u);
  EXPECT_EQ(random.Random(10), 2u);
  EXPECT_EQ(random.Random(10), 0u);
  EXPECT_EQ(random.Random(0), 0u);
  EXPECT_EQ(random.Random(1), 0u);
}

TEST(RandomGenerator, SeedsFromTheUtcTimeOfDayInMilliseconds) {
  testing_support::FakePlatform fake;
  fake.time = {13, 45, 30, 250};
  SetPlatform(fake);
  TRandomGenerator random;
  random.Randomize();
  SetPlatform(NativePlatform());
  EXPECT_EQ(random.Seed(), ((13u * 60 + 45) * 60 + 30) * 1000 + 250);

  random.SetSeedSource([] { return 77u; });
  random.Randomize();
  EXPECT_EQ(random.Seed(), 77u);
}

TEST(ErrorTexts, InOutAndListErrors) {
  EXPECT_EQ(EInOutError(2).Message(), "File not found");
  EXPECT_EQ(EInOutError(5).Message(), "File access denied");
  EXPECT_EQ(EInOutError(3).Message(), "I/O error 3");
  EXPECT_EQ(EInOutError(112).Message(), "I/O error 112");
  EXPECT_EQ(EInOutError(112).ErrorCode(), 112);
  TStringList empty;
  try {
    (void)empty[0];
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (0)");
  }
}

TEST(ErrorTexts, BoxAddsAFullStopAfterCharactersSortingAfterIt) {
  EXPECT_EQ(ErrorBoxText("File not found"), "File not found.");
  EXPECT_EQ(ErrorBoxText("List index out of bounds (0)"), "List index out of bounds (0)");
  EXPECT_EQ(ErrorBoxText("I/O error 112"), "I/O error 112.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Dash-"), "Dash-");
  EXPECT_EQ(ErrorBoxText("Slash/"), "Slash/.");
  EXPECT_EQ(ErrorBoxText("\xC0"), "\xC0.");  // А sorts after '.' as a byte
  EXPECT_EQ(ErrorBoxText(""), "");
}

}  // namespace
