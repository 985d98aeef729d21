#include <gtest/gtest.h>

#include <string>

#include "StrCon.h"

namespace {

TStringCollection& sc = StringCollection();

TEST(FindFrom, StartLimitsTheSearchAndReportsWholeTextPositions) {
  EXPECT_EQ(sc.FindFrom("b", "abc", 3, false), 0);
  EXPECT_EQ(sc.FindFrom("b", "abc", 2, false), 2);
  EXPECT_EQ(sc.FindFrom("b", "abcb", 3, false), 4);
  EXPECT_EQ(sc.FindFrom("b", "abc", 0, false), 2);
  EXPECT_EQ(sc.FindFrom("c", "abc", 4, false), 0);
  EXPECT_EQ(sc.FindFrom("c", "abc", 99, false), 0);
}

TEST(FindFrom, EmptyPatternIsNeverFound) {
  EXPECT_EQ(sc.FindFrom("", "abc", 0, false), 0);
  EXPECT_EQ(sc.FindFrom("", "", 1, true), 0);
}

TEST(FindFrom, IgnoreCaseFoldsLatinAndCyrillic) {
  // "привет" in "ПРИВЕТ мир"
  EXPECT_EQ(
      sc.FindFrom("\xEF\xF0\xE8\xE2\xE5\xF2", "\xCF\xD0\xC8\xC2\xC5\xD2 \xEC\xE8\xF0", 0, true), 1);
  EXPECT_EQ(sc.FindFrom("\xEF\xF0\xE8\xE2\xE5\xF2", "\xCF\xD0\xC8\xC2\xC5\xD2", 0, false), 0);
  EXPECT_EQ(sc.FindFrom("xY", "aaXy", 2, true), 3);
}

TEST(TextAfter, TakesTheFirstOccurrenceEvenInsideAWord) {
  EXPECT_EQ(sc.TextAfter("CAT", "CATALOG CAT FOOD", 0), "ALOG CAT FOOD");
  EXPECT_EQ(sc.TextAfter("CAT", "MY CAT IS", 1), " IS");
  EXPECT_EQ(sc.TextAfter("cat", "MY CAT IS", 1), "");
  EXPECT_EQ(sc.TextAfter("", "MY CAT IS", 1), "");
  EXPECT_EQ(sc.TextAfter("IS", "MY CAT IS", 1), "");
}

TEST(ReplaceText, ReplacesEveryOccurrenceCaseSensitively) {
  EXPECT_EQ(sc.ReplaceText("$Date", "D", "$Date and $date and $DATE, $Date"),
            "D and $date and $DATE, D");
  EXPECT_EQ(sc.ReplaceText("aa", "b", "aaaaa"), "bba");
}

TEST(ReplaceText, NewTextHoldingTheOldOneEndsAfterOnePass) {
  EXPECT_EQ(sc.ReplaceText("a", "aa", "abca"), "aabcaa");
  EXPECT_EQ(sc.ReplaceText("$KeyWord", "x$KeyWordx", "<$KeyWord>"), "<x$KeyWordx>");
}

TEST(ReplaceText, EmptyOldTextOrNoHitLeavesTheSource) {
  EXPECT_EQ(sc.ReplaceText("", "x", "abc"), "abc");
  EXPECT_EQ(sc.ReplaceText("q", "x", "abc"), "abc");
  EXPECT_EQ(sc.ReplaceText("abc", "", "abc"), "");
}

TEST(ReplaceText, KeepsTheWholeTailOfLongTexts) {
  std::string source = "$Date" + std::string(100000, 'x') + "$Date" + "end";
  std::string result = sc.ReplaceText("$Date", "01.01.2020", source);
  EXPECT_EQ(result, "01.01.2020" + std::string(100000, 'x') + "01.01.2020" + "end");
}

TEST(ReplaceNext, ReportsThePositionAfterTheInsertedText) {
  int pos = 0;
  EXPECT_EQ(sc.ReplaceNext("b", "XYZ", pos, TCharSet(), true, false, "abcb"), "aXYZcb");
  EXPECT_EQ(pos, 5);
  EXPECT_EQ(sc.ReplaceNext("b", "XYZ", pos, TCharSet(), true, false, "aXYZcb"), "aXYZcXYZ");
  EXPECT_EQ(pos, 9);
  EXPECT_EQ(sc.ReplaceNext("b", "XYZ", pos, TCharSet(), true, false, "aXYZcXYZ"), "aXYZcXYZ");
  EXPECT_EQ(pos, 0);
}

TEST(ReplaceNext, CaseInsensitiveKeepsTheSourceCaseOutsideTheHit) {
  int pos = 1;
  EXPECT_EQ(sc.ReplaceNext("CAT", "dog", pos, TCharSet(), false, false, "My Cat"), "My dog");
  EXPECT_EQ(pos, 7);
}

TEST(ReplaceNext, WholeWordNeedsDelimitersOnBothSides) {
  TCharSet blanks;
  blanks.set(' ');
  blanks.set(',');
  int pos = 1;
  EXPECT_EQ(sc.ReplaceNext("cat", "dog", pos, blanks, true, true, "concat cats cat,cat"),
            "concat cats dog,cat");
  EXPECT_EQ(pos, 16);
  EXPECT_EQ(sc.ReplaceEvery("cat", "dog", blanks, true, true, "cat concat cat"), "dog concat dog");
  // Without delimiters every hit is accepted.
  EXPECT_EQ(sc.ReplaceEvery("cat", "dog", TCharSet(), true, true, "concat"), "condog");
}

TEST(NthWord, PositionsPastTheLastWordRepeatIt) {
  EXPECT_EQ(NthWord("ONE TWO THREE", 1), "ONE");
  EXPECT_EQ(NthWord("ONE TWO THREE", 2), "TWO");
  EXPECT_EQ(NthWord("ONE TWO THREE", 3), "THREE");
  EXPECT_EQ(NthWord("ONE TWO THREE", 4), "THREE");
  EXPECT_EQ(NthWord("ONE TWO THREE", 13), "THREE");
  EXPECT_EQ(NthWord("ONE TWO THREE", 0), "ONE");
  EXPECT_EQ(NthWord("ONE TWO THREE", -5), "ONE");
  EXPECT_EQ(NthWord("", 3), "");
}

TEST(NthWord, BlanksEncloseEmptyWordsAndTabsAreOrdinary) {
  EXPECT_EQ(NthWord("ONE  TWO", 2), "");
  EXPECT_EQ(NthWord("ONE  TWO", 3), "TWO");
  EXPECT_EQ(NthWord(" ONE", 1), "");
  EXPECT_EQ(NthWord(" ONE", 2), "ONE");
  EXPECT_EQ(NthWord("ONE ", 2), "");
  EXPECT_EQ(NthWord("ONE ", 7), "");
  EXPECT_EQ(NthWord("A\tB C", 1), "A\tB");
}

TEST(StripPunctuation, RemovesOnlyTheFiveCharacters) {
  EXPECT_EQ(StripPunctuation("!.,:;"), "");
  EXPECT_EQ(StripPunctuation("WHAT?! NO... YES;; A-B \"Q\""), "WHAT? NO YES A-B \"Q\"");
  EXPECT_EQ(StripPunctuation("HI !"), "HI ");
}

TEST(FileNames, BackslashBeforeColon) {
  EXPECT_EQ(FileNameOnly("name.rec"), "name.rec");
  EXPECT_EQ(FileNameOnly("C:\\Scripts\\name.rec"), "name.rec");
  EXPECT_EQ(FileNameOnly("C:name.rec"), "name.rec");
  EXPECT_EQ(FileNameOnly("a\\b:c"), "b:c");
  EXPECT_EQ(FileNameOnly("folder\\"), "");
  EXPECT_EQ(FileBaseName("C:\\Plugins\\clock.plg"), "clock");
  EXPECT_EQ(FileBaseName("two.dots.rec"), "two");
  EXPECT_EQ(FileBaseName(".hidden"), "");
  EXPECT_EQ(FileBaseName("plain"), "plain");
}

TEST(FileNames, NoLengthLimit) {
  std::string longName(300, 'n');
  EXPECT_EQ(FileNameOnly("C:\\" + longName), longName);
  EXPECT_EQ(FileBaseName("C:\\" + longName + ".rec"), longName);
  EXPECT_EQ(ReverseText(longName + "ab"), "ba" + longName);
  EXPECT_EQ(ReverseText(""), "");
}

}  // namespace
