#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "Classes.h"

namespace {

std::string Contents(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("qv_stream_" + name)).string();
}

TEST(MemoryStreamTest, ReadWriteSeekAndSize) {
  TMemoryStream s;
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
  EXPECT_EQ(s.Write("hello", 5), 5);
  EXPECT_EQ(s.Position(), 5);
  s.Seek(-2, soEnd);
  EXPECT_EQ(s.Write("LO!", 3), 3);
  EXPECT_EQ(Contents(s), "helLO!");
  s.SetPosition(1);
  char buffer[16] = {};
  EXPECT_EQ(s.Read(buffer, 16), 5);
  EXPECT_STREQ(buffer, "elLO!");
  EXPECT_EQ(s.Read(buffer, 1), 0);
  s.Seek(-1, soCurrent);
  EXPECT_EQ(s.Position(), 5);
  // A position before the start moves nothing.
  s.SetPosition(-3);
  EXPECT_EQ(s.Read(buffer, 1), 0);
  EXPECT_EQ(s.Write("x", 1), 0);
  s.SetSize(2);
  EXPECT_EQ(Contents(s), "he");
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Position(), 0);
}

TEST(MemoryStreamTest, WritingPastTheEndFillsTheGapWithZeros) {
  TMemoryStream s;
  s.SetPosition(3);
  s.WriteBuffer("a", 1);
  ASSERT_EQ(s.Size(), 4);
  EXPECT_EQ(std::memcmp(s.Memory(), "\0\0\0a", 4), 0);
}

TEST(MemoryStreamTest, ShortReadBufferRaisesStreamReadError) {
  TMemoryStream s;
  s.WriteBuffer("ab", 2);
  s.SetPosition(0);
  char buffer[4];
  try {
    s.ReadBuffer(buffer, 3);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
}

TEST(MemoryStreamTest, CopyFromAndLoadFromStream) {
  TMemoryStream source, dest;
  source.WriteBuffer("0123456789", 10);
  source.SetPosition(4);
  EXPECT_EQ(dest.CopyFrom(source, 3), 3);
  EXPECT_EQ(Contents(dest), "456");
  // Count 0: all of the source from its start.
  EXPECT_EQ(dest.CopyFrom(source, 0), 10);
  EXPECT_EQ(Contents(dest), "4560123456789");
  source.SetPosition(9);
  EXPECT_THROW(dest.CopyFrom(source, 5), EReadError);
  dest.LoadFromStream(source);
  EXPECT_EQ(Contents(dest), "0123456789");
  EXPECT_EQ(dest.Position(), 0);
}

TEST(MemoryStreamTest, FileRoundTripKeepsEveryByte) {
  std::string path = TempPath("roundtrip.bin");
  TMemoryStream s;
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  bytes += "\r\n\x1A";
  s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s.SaveToFile(path);
  TMemoryStream back;
  back.WriteBuffer("old", 3);
  back.LoadFromFile(path);
  EXPECT_EQ(Contents(back), bytes);
  EXPECT_EQ(back.Position(), 0);
  // An empty stream makes an empty file.
  TMemoryStream().SaveToFile(path);
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  std::remove(path.c_str());
}

TEST(MemoryStreamTest, FileErrorsCarryTheFileName) {
  std::string missing = TempPath("missing.bin");
  std::remove(missing.c_str());
  TMemoryStream s;
  s.WriteBuffer("keep", 4);
  try {
    s.LoadFromFile(missing);
    FAIL();
  } catch (const EFOpenError& e) {
    // The path stays apart from the text; the error box's full stop follows it.
    EXPECT_EQ(ErrorBoxText(e.ErrorText()), (TErrorText{"Cannot open file ", missing, "."}));
  }
  EXPECT_EQ(Contents(s), "keep");
  std::string noFolder = TempPath("no_such_folder") + "/file.bin";
  try {
    s.SaveToFile(noFolder);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.ErrorText(), (TErrorText{"Cannot create file ", noFolder, ""}));
  }
}

}  // namespace
