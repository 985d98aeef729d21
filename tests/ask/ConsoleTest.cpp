#include <gtest/gtest.h>

#include "Console.h"

namespace {

#ifdef _WIN32
constexpr char kUtf8[] = "65001";
#else
constexpr char kUtf8[] = "UTF-8";
#endif

// "Привет, Ёж!" in both encodings.
constexpr char kUtf8Text[] = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, \xD0\x81\xD0\xB6!";
constexpr char kAnsiText[] = "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6!";

TEST(ConsoleText, ConvertsUtf8AndWindows1251BothWays) {
  const TConsoleText console(kUtf8);
  EXPECT_EQ(console.ToAnsi(kUtf8Text), kAnsiText);
  EXPECT_EQ(console.FromAnsi(kAnsiText), kUtf8Text);
  EXPECT_EQ(console.ToAnsi(""), "");
  EXPECT_EQ(console.FromAnsi("ascii $Date"), "ascii $Date");
  // Typed text longer than one conversion buffer.
  std::string longUtf8, longAnsi;
  for (int i = 0; i < 1000; ++i) longUtf8 += kUtf8Text, longAnsi += kAnsiText;
  EXPECT_EQ(console.ToAnsi(longUtf8), longAnsi);
  EXPECT_EQ(console.FromAnsi(longAnsi), longUtf8);
}

TEST(ConsoleText, CharactersWithoutCounterpartBecomeQuestionMarks) {
  const TConsoleText console(kUtf8);
  // A CJK character has no Windows-1251 byte.
  EXPECT_EQ(console.ToAnsi("a\xE6\x97\xA5z"), "a?z");
#ifndef _WIN32
  // A broken sequence is one unknown character, and the rest still converts.
  EXPECT_EQ(console.ToAnsi("a\xD0 \xD0\x9F"), "a? \xCF");
#endif
}

TEST(ConsoleText, ExecutableFolderHoldsTheTestProgram) {
  const std::string folder = ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '/');
  EXPECT_NE(folder.back(), '\\');
}

}  // namespace
