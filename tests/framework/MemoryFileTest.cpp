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
  auto read = [&](size_t count) { return std::string(buffer, file->Read(buffer, count)); };
  EXPECT_EQ(read(5), "one\r\n");
  EXPECT_EQ(read(sizeof buffer), "two");
  EXPECT_EQ(read(sizeof buffer), "");
  file->Seek(6);
  EXPECT_EQ(read(sizeof buffer), "wo");
  file->Seek(100);
  EXPECT_EQ(read(sizeof buffer), "");

  try {
    file->Write("x", 1);
    FAIL() << "a write went through";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorAccessDenied);
  }
  EXPECT_THROW(file->Truncate(), EInOutError);
  file->Seek(0);
  EXPECT_EQ(read(sizeof buffer), "one\r\ntwo");
}

}  // namespace
