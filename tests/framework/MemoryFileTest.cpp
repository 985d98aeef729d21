#include <gtest/gtest.h>

#include <string>

#include "Platform.h"
#include "SysUtils.h"

namespace {

TEST(MemoryFileTest, ReadsItsOwnCopyAndRefusesWrites) {
  std::string bytes = "one\r\ntwo";
  auto file = MemoryFile(bytes);
  bytes = "changed";
  EXPECT_EQ(file->Size(), 8u);

  char buffer[8] = {};
  EXPECT_EQ(file->Read(buffer, 5), 5u);
  EXPECT_EQ(std::string(buffer, 5), "one\r\n");
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 3u);
  EXPECT_EQ(std::string(buffer, 3), "two");
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 0u);

  file->Seek(6);
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 2u);
  EXPECT_EQ(std::string(buffer, 2), "wo");
  file->Seek(100);
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 0u);

  try {
    file->Write("x", 1);
    FAIL() << "a write went through";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorAccessDenied);
  }
  EXPECT_THROW(file->Truncate(), EInOutError);
  file->Seek(0);
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 8u);
  EXPECT_EQ(std::string(buffer, 8), "one\r\ntwo");
}

}  // namespace
