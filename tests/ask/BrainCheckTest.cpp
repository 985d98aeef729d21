#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "BrainCheck.h"
#include "KnowledgeBase.h"

namespace {

using Findings = std::vector<TBrainFinding>;

// Lines joined with CR LF, each one ended.
std::string Crlf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) (text += line) += "\r\n";
  return text;
}

std::vector<int> LinesOf(const Findings& findings) {
  std::vector<int> lines;
  for (const auto& finding : findings) lines.push_back(finding.line);
  return lines;
}

bool Mentions(const TBrainFinding& finding, std::string_view text) {
  return finding.message.find(text) != std::string::npos;
}

TEST(BrainCheckAnswers, WellFormedBlocksAreClean) {
  // "КОТ" and "Мяу" in Windows-1251; '?' and digits are allowed in keywords.
  EXPECT_EQ(CheckAnswersFile(Crlf({"HELLO", "HI?", "2024", "!", "Hello, $KeyWord!", "Hi *", ".",
                                   "\xCA\xCE\xD2", "!", "\xCC\xFF\xF3.", "."})),
            Findings{});
  // The last line may lack its line end.
  EXPECT_EQ(CheckAnswersFile("A\r\n!\r\nx\r\n."), Findings{});
  EXPECT_EQ(CheckAnswersFile(""), Findings{});
}

TEST(BrainCheckAnswers, KeywordsThatNoQuestionWordEquals) {
  // "кот" in lower case, a blank, and each of the five stripped characters.
  const Findings findings = CheckAnswersFile(Crlf(
      {"\xEA\xEE\xF2", "Cat", "TWO WORDS", "A!", "B.", "C,", "D:", "E;", "OK", "!", "x", "."}));
  ASSERT_EQ(LinesOf(findings), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_TRUE(Mentions(findings[0], "lower-case"));
  EXPECT_TRUE(Mentions(findings[1], "lower-case"));
  EXPECT_TRUE(Mentions(findings[2], "blank"));
  EXPECT_TRUE(Mentions(findings[3], "'!'"));
  EXPECT_TRUE(Mentions(findings[7], "';'"));
  EXPECT_EQ(findings[0].file, "Answers.brain");
}

TEST(BrainCheckAnswers, BlocksWithoutAnswersOrKeywords) {
  const Findings alone = CheckAnswersFile(Crlf({"K", "!", ".", "L", "!", "a", "."}));
  ASSERT_EQ(alone.size(), 1u);
  EXPECT_EQ(alone[0].line, 1);
  EXPECT_TRUE(Mentions(alone[0], "block without answers: a question with \"K\" fails"));

  // Another block of the same keyword fills the pool: the empty block is still pointless.
  const Findings pooled = CheckAnswersFile(Crlf({"K", "!", ".", "K", "!", "a", "."}));
  ASSERT_EQ(pooled.size(), 1u);
  EXPECT_EQ(pooled[0].message, "block without answers");

  const Findings headless = CheckAnswersFile(Crlf({"!", "a", "."}));
  ASSERT_EQ(headless.size(), 1u);
  EXPECT_TRUE(Mentions(headless[0], "without keyword"));
}

TEST(BrainCheckAnswers, AnswerBeginningWithFullStopClosesTheBlock) {
  // "more" and "." then read as keyword lines of the next block.
  const Findings findings =
      CheckAnswersFile(Crlf({"K", "!", "...well", "more", ".", "L", "!", "b", "."}));
  ASSERT_EQ(LinesOf(findings), (std::vector<int>{3, 4, 5}));
  EXPECT_TRUE(Mentions(findings[0], "closes its block"));

  const Findings stray =
      CheckAnswersFile(Crlf({"K", "!", "a", "...and b", ".", "L", "!", "c", "."}));
  ASSERT_EQ(LinesOf(stray), (std::vector<int>{4, 5}));
  EXPECT_TRUE(Mentions(stray[1], "already closed"));
}

TEST(BrainCheckAnswers, BlockNotClosedBeforeTheEnd) {
  const Findings inAnswers = CheckAnswersFile(Crlf({"A", "!", "a", ".", "K", "!", "x"}));
  ASSERT_EQ(inAnswers.size(), 1u);
  EXPECT_EQ(inAnswers[0].line, 5);
  EXPECT_TRUE(Mentions(inAnswers[0], "not closed"));

  const Findings inKeywords = CheckAnswersFile(Crlf({"K", "L"}));
  ASSERT_EQ(inKeywords.size(), 1u);
  EXPECT_EQ(inKeywords[0].line, 1);
}

TEST(BrainCheckAnswers, EmptyLinesAreMatchedByEmptyWords) {
  const Findings findings =
      CheckAnswersFile(Crlf({"K", "", "!", "a", "", "b", ".", "", "L", "!", "c", "."}));
  ASSERT_EQ(LinesOf(findings), (std::vector<int>{2, 5, 8}));
  EXPECT_TRUE(Mentions(findings[0], "inside a block"));
  EXPECT_TRUE(Mentions(findings[1], "empty answer"));
  EXPECT_TRUE(Mentions(findings[2], "between blocks"));
}

TEST(BrainCheckAnswers, UpperCaseAnswerEqualToAQuestionWord) {
  const Findings findings = CheckAnswersFile(Crlf({"K", "!", "YES", "Yes.", "OK?", "."}));
  ASSERT_EQ(LinesOf(findings), (std::vector<int>{3, 5}));
  EXPECT_TRUE(Mentions(findings[0], "equals a question word"));
}

TEST(BrainCheckGrammar, CtrlZHidesTheRest) {
  // The hidden part would be an unclosed block; the readers never see it.
  const Findings findings = CheckAnswersFile(Crlf({"K", "!", "a", "."}) + "\x1A" + "L\r\n!\r\n");
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].line, 5);
  EXPECT_TRUE(Mentions(findings[0], "Ctrl-Z"));

  // Inside a line: the line is cut there and the block is left open.
  const Findings cut = CheckAnswersFile(
      "K\r\n!\r\nab\x1A"
      "c\r\n.\r\n");
  EXPECT_EQ(LinesOf(cut), (std::vector<int>{1, 3}));

  // A Ctrl-Z as the very last byte, the old end-of-file mark, hides nothing.
  EXPECT_EQ(CheckAnswersFile(Crlf({"K", "!", "a", "."}) + "\x1A\x1A"), Findings{});
}

TEST(BrainCheckGrammar, UnixLineEndsMakeOneLongLine) {
  const Findings findings = CheckAnswersFile("K\n!\na\n.\n");
  ASSERT_FALSE(findings.empty());
  EXPECT_EQ(findings[0].line, 1);
  EXPECT_TRUE(Mentions(findings[0], "LF without CR (4 in the file)"));
  // The one line is a keyword line holding '!' and its block never closes.
  EXPECT_EQ(findings.size(), 3u);

  const Findings later = CheckListFile("one\r\ntwo\nthree\r\n", TListKind::Dialog);
  ASSERT_EQ(later.size(), 1u);
  EXPECT_EQ(later[0].line, 2);
}

TEST(BrainCheckGrammar, TextSavedAsUtf8) {
  // "Привет" and "Как дела" in UTF-8: the second line holds the first sequence.
  const Findings findings = CheckListFile(
      "Hi\r\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\r\n\xD0\x9A\xD0\xB0\xD0\xBA\r\n",
      TListKind::Dialog);
  ASSERT_EQ(findings.size(), 1u);
  EXPECT_EQ(findings[0].line, 2);
  EXPECT_TRUE(Mentions(findings[0], "UTF-8"));
  // The same in Windows-1251, and a 1251 text that happens to hold one valid pair
  // ("Ђ" after "Р" is 0xD0 0x80) among others that are not.
  EXPECT_EQ(CheckListFile("Hi\r\n\xCF\xF0\xE8\xE2\xE5\xF2\r\n", TListKind::Dialog), Findings{});
  EXPECT_EQ(CheckListFile("\xD0\x80 \xCF\xF0\xE8\r\n", TListKind::Dialog), Findings{});
  // A byte-order mark alone is UTF-8 too.
  EXPECT_EQ(CheckListFile("\xEF\xBB\xBFHi\r\n", TListKind::Dialog).size(), 1u);
}

TEST(BrainCheckGrammar, LineNumbersAreTheReaders) {
  const std::string bytes = "a\r\nb\rc\nd\r\n\r\ne\r\r\nlast";
  const auto path = std::filesystem::temp_directory_path() / "qv-braincheck-lines.brain";
  {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
  }
  int count = 0;
  {
    TBrainReader reader(path.string());
    std::string line;
    while (reader.ReadLine(line)) ++count;
  }
  std::filesystem::remove(path);
  // The lone LF and the empty entries are reported on the readers' line numbers.
  const Findings findings = CheckListFile(bytes, TListKind::Dialog);
  ASSERT_EQ(count, 7);
  EXPECT_EQ(LinesOf(findings), (std::vector<int>{3, 4, 6}));
}

TEST(BrainCheckLists, EmptyListsAndEntries) {
  const Findings none = CheckListFile("", TListKind::Greetings);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].line, 0);
  EXPECT_EQ(none[0].file, "Greetings.brain");
  EXPECT_TRUE(Mentions(none[0], "no greetings"));

  const Findings hidden = CheckListFile("\x1AHi\r\n", TListKind::Dialog);
  EXPECT_EQ(LinesOf(hidden), (std::vector<int>{0, 1}));

  const Findings blank = CheckListFile(Crlf({"Hi", "", "Bye"}), TListKind::Dialog);
  ASSERT_EQ(LinesOf(blank), (std::vector<int>{2}));
  EXPECT_TRUE(Mentions(blank[0], "empty entry"));
}

TEST(BrainCheckLists, GreetingsShowMarkersAndLoseTheKeyword) {
  const Findings findings = CheckListFile(
      Crlf({"Hi $KeyWord", "Today is $Date", "Bye^", "# and *"}), TListKind::Greetings);
  ASSERT_EQ(LinesOf(findings), (std::vector<int>{1, 3, 4}));
  EXPECT_TRUE(Mentions(findings[1], "'^'"));
  EXPECT_TRUE(Mentions(findings[2], "'#'"));
  // Dialogue lines carry markers and the keyword of the last match.
  EXPECT_EQ(CheckListFile(Crlf({"Hi $KeyWord", "Bye^", "# and *"}), TListKind::Dialog), Findings{});
}

TEST(BrainCheckFolder, ReportsMissingFilesAndFormatsFindings) {
  const auto folder = std::filesystem::temp_directory_path() / "qv-braincheck-folder";
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "Brain");
  {
    std::ofstream(folder / "Brain" / "Answers.brain", std::ios::binary) << "K\r\n!\r\n.\r\n";
    std::ofstream(folder / "Brain" / "Greetings.brain", std::ios::binary) << "Hi\r\n";
  }
  const Findings findings = CheckBrain(folder.string() + "\\");
  std::filesystem::remove_all(folder);
  ASSERT_EQ(findings.size(), 2u);
  EXPECT_EQ(FormatFinding(findings[0]),
            "Brain\\Answers.brain:1: block without answers: a question with \"K\" fails with a "
            "list error");
  EXPECT_EQ(FormatFinding(findings[1]), "Brain\\Dialog.brain:0: cannot be read: File not found");
}

}  // namespace
