#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "BrainTestSupport.h"
#include "KnowledgeBase.h"

namespace {

using testing_support::FakePlatformTest;
using testing_support::ReadBytes;
using testing_support::WriteBytes;

// The line grammar, written as plainly as possible.
std::vector<std::string> ReferenceLines(std::string data) {
  if (auto stop = data.find('\x1a'); stop != std::string::npos) data.erase(stop);
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < data.size()) {
    size_t cr = data.find('\r', i);
    if (cr == std::string::npos) {
      lines.push_back(data.substr(i));
      break;
    }
    lines.push_back(data.substr(i, cr - i));
    i = cr + 1;
    if (i < data.size() && data[i] == '\n') ++i;
  }
  return lines;
}

std::vector<std::string> ReferenceGather(const std::vector<std::string>& lines,
                                         const std::string& keyword) {
  std::vector<std::string> pool;
  size_t i = 0;
  while (i < lines.size()) {
    if (lines[i++] != keyword) continue;
    while (i < lines.size() && (lines[i].empty() || lines[i][0] != '!')) ++i;
    if (i++ >= lines.size()) break;
    while (i < lines.size()) {
      const std::string& line = lines[i++];
      if (line != ".") pool.push_back(line);
      if (!line.empty() && line[0] == '.') break;
    }
  }
  return pool;
}

std::vector<std::string> Items(const TStringList& list) {
  return std::vector<std::string>(list.begin(), list.end());
}

class KnowledgeBaseTest : public FakePlatformTest {
 protected:
  std::string Put(std::string_view bytes, const std::string& name = "Answers.brain") {
    WriteBytes(folder.Path() / name, bytes);
    return folder.File(name);
  }
  std::vector<std::string> ReadLines(std::string_view bytes) {
    return Items(ReadListFile(Put(bytes)));
  }
};

using Lines = std::vector<std::string>;

TEST_F(KnowledgeBaseTest, LinesEndAtCrWithAnOptionalLf) {
  EXPECT_EQ(ReadLines("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\rb\r"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(ReadLines("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(ReadLines("\r\n"), (Lines{""}));
  EXPECT_EQ(ReadLines(""), (Lines{}));
}

TEST_F(KnowledgeBaseTest, LoneLfIsAnOrdinaryByte) {
  EXPECT_EQ(ReadLines("a\nb\nc"), (Lines{"a\nb\nc"}));
  EXPECT_EQ(ReadLines("a\r\n\nb\r\n"), (Lines{"a", "\nb"}));
}

TEST_F(KnowledgeBaseTest, CtrlZEndsTheFileAndTheLastLineNeedsNoEnd) {
  EXPECT_EQ(ReadLines("a\r\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\r\nb\x1a\r\nc\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(ReadLines("a\r\n\x1a"), (Lines{"a"}));
  EXPECT_EQ(ReadLines("\x1a"
                      "a\r\n"),
            (Lines{}));
}

TEST_F(KnowledgeBaseTest, ReaderReadsLinesLongerThanItsBuffer) {
  std::string longLine(300000, 'x');
  std::string path = Put(longLine + "\r\n" + "tail");
  TBrainReader reader(path);
  std::string line;
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, longLine);
  ASSERT_TRUE(reader.ReadLine(line));
  EXPECT_EQ(line, "tail");
  EXPECT_FALSE(reader.ReadLine(line));
}

TEST_F(KnowledgeBaseTest, MissingFilesFailWithTheirCodes) {
  try {
    ReadListFile(folder.File("Dialog.brain"));
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorFileNotFound);
    EXPECT_EQ(e.Message(), "File not found");
  }
  try {
    FileHasLine(folder.File("Missing\\Answers.brain"), "X");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorPathNotFound);
    EXPECT_EQ(e.Message(), "I/O error 3");
  }
}

TEST_F(KnowledgeBaseTest, FileHasLineComparesWholeLinesExactly) {
  std::string path = Put("HELLO\r\n!\r\nHi there\r\n.\r\nhello\r\n\r\nTAIL");
  EXPECT_TRUE(FileHasLine(path, "HELLO"));
  EXPECT_TRUE(FileHasLine(path, "Hi there"));
  EXPECT_TRUE(FileHasLine(path, "!"));
  EXPECT_TRUE(FileHasLine(path, "hello"));
  EXPECT_TRUE(FileHasLine(path, ""));
  EXPECT_TRUE(FileHasLine(path, "TAIL"));
  EXPECT_FALSE(FileHasLine(path, "HELL"));
  EXPECT_FALSE(FileHasLine(path, "ELLO"));
  EXPECT_FALSE(FileHasLine(path, "TAI"));
  EXPECT_FALSE(FileHasLine(path, "Hello"));
  EXPECT_FALSE(FileHasLine(path, "HELLO\r"));
}

TEST_F(KnowledgeBaseTest, FileHasLineStopsAtCtrlZ) {
  std::string path =
      Put("A\r\nB\x1a"
          "C\r\nD\r\n");
  EXPECT_TRUE(FileHasLine(path, "B"));
  EXPECT_FALSE(FileHasLine(path, "C"));
  EXPECT_FALSE(FileHasLine(path, "D"));
  EXPECT_FALSE(FileHasLine(path,
                           "B\x1a"
                           "C"));
}

TEST_F(KnowledgeBaseTest, EmptyLinesOnlyWhereTheGrammarHasThem) {
  EXPECT_FALSE(FileHasLine(Put("A\r\nB\r\n"), ""));
  EXPECT_FALSE(FileHasLine(Put(""), ""));
  EXPECT_FALSE(FileHasLine(Put("A\r\n\x1a\r\n"), ""));
  EXPECT_TRUE(FileHasLine(Put("\r\nA"), ""));
  EXPECT_TRUE(FileHasLine(Put("A\r\r\n"), ""));
  EXPECT_FALSE(FileHasLine(Put("A\n\nB"), ""));
}

TEST_F(KnowledgeBaseTest, FileHasLineOpensTheFileAfreshEachTime) {
  std::string path = Put("A\r\n");
  EXPECT_FALSE(FileHasLine(path, "B"));
  Put("A\r\nB\r\n");
  EXPECT_TRUE(FileHasLine(path, "B"));
  EXPECT_EQ(fake.opens, 2);
}

// Random files over a small alphabet, read in pieces of every size, against the plain reading.
TEST_F(KnowledgeBaseTest, ScansAgreeWithThePlainGrammarWhereverReadsAreCut) {
  std::mt19937 random(1234);
  const char alphabet[] = {'A', 'B', '!', '.', '\r', '\n', '\r', '\n', 'A', '\x1a'};
  const Lines words = {"", "A", "B", "AB", "BA", "AA", "!", ".", "\nA", "A\n", "A\nB", "AAA!"};
  for (int round = 0; round < 300; ++round) {
    std::string data;
    size_t length = random() % 60;
    for (size_t i = 0; i < length; ++i)
      data += alphabet[random() % (round % 3 == 0 ? sizeof alphabet : sizeof alphabet - 1)];
    std::string path = Put(data);
    Lines lines = ReferenceLines(data);
    fake.maxRead = 1 + random() % 7;
    SCOPED_TRACE(::testing::PrintToString(data) + " read by " + std::to_string(fake.maxRead));
    EXPECT_EQ(Items(ReadListFile(path)), lines);
    for (const auto& word : words) {
      bool expected = std::find(lines.begin(), lines.end(), word) != lines.end();
      EXPECT_EQ(FileHasLine(path, word), expected) << ::testing::PrintToString(word);
      EXPECT_EQ(Items(GatherBlockAnswers(path, word)), ReferenceGather(lines, word))
          << ::testing::PrintToString(word);
    }
  }
}

TEST_F(KnowledgeBaseTest, LargeFilesAgreeWithThePlainGrammar) {
  std::mt19937 random(99);
  std::string data;
  std::vector<std::string> keys;
  while (data.size() < 700000) {
    std::string key = "KEY" + std::to_string(random() % 5000);
    data += key + (random() % 2 ? "\r\n" : "\r");
    if (random() % 7 == 0) data += "\r\n";
    data += "!\r\n" + std::string(random() % 200, 'a') + "\r\n.\r\n";
    keys.push_back(key);
  }
  std::string path = Put(data);
  Lines lines = ReferenceLines(data);
  for (int i = 0; i < 40; ++i) {
    std::string word =
        i % 4 == 0 ? "KEY" + std::to_string(random() % 6000) : keys[random() % keys.size()];
    bool expected = std::find(lines.begin(), lines.end(), word) != lines.end();
    EXPECT_EQ(FileHasLine(path, word), expected) << word;
    EXPECT_EQ(Items(GatherBlockAnswers(path, word)), ReferenceGather(lines, word)) << word;
  }
  EXPECT_TRUE(FileHasLine(path, ""));
}

TEST_F(KnowledgeBaseTest, GatheringPoolsEveryBlockOfTheKeyword) {
  std::string path =
      Put("K\r\nL\r\n!\r\na1\r\na2\r\n.\r\nK\r\n!\r\nb1\r\n.\r\n"
          "M\r\n!\r\nm1\r\n...and the last\r\nnever read\r\n.\r\n");
  EXPECT_EQ(Items(GatherBlockAnswers(path, "L")), (Lines{"a1", "a2"}));
  EXPECT_EQ(Items(GatherBlockAnswers(path, "K")), (Lines{"a1", "a2", "b1"}));
  EXPECT_EQ(Items(GatherBlockAnswers(path, "M")), (Lines{"m1", "...and the last"}));
  EXPECT_EQ(Items(GatherBlockAnswers(path, "X")), (Lines{}));
}

TEST_F(KnowledgeBaseTest, EmptyLinesInsideABlockAreOrdinaryLines) {
  std::string path = Put("K\r\n\r\n!\r\n\r\na\r\n.\r\n");
  EXPECT_EQ(Items(GatherBlockAnswers(path, "K")), (Lines{"", "a"}));
}

TEST_F(KnowledgeBaseTest, EndOfFileInsideABlockKeepsTheAnswersReadSoFar) {
  EXPECT_EQ(Items(GatherBlockAnswers(Put("K\r\n!\r\na\r\nb"), "K")), (Lines{"a", "b"}));
  EXPECT_EQ(Items(GatherBlockAnswers(Put("K\r\n!\r\na\x1a"
                                         "b\r\n.\r\n"),
                                     "K")),
            (Lines{"a"}));
  EXPECT_EQ(Items(GatherBlockAnswers(Put("K\r\nL\r\n"), "K")), (Lines{}));
  EXPECT_EQ(Items(GatherBlockAnswers(Put("K\r\n!\r\n.\r\n"), "K")), (Lines{}));
}

// Writers.

const std::vector<std::string> kNoKeywords = {"", "", "", ""};

TEST_F(KnowledgeBaseTest, AppendWritesTheBlockWithCrLf) {
  std::string path = Put("OLD\r\n!\r\nold\r\n.\r\n");
  AppendBlock(path, std::vector<std::string>{"ONE", "", "TWO", ""},
              std::vector<std::string>{"first", "", "second", "third", "fourth", "sixth"});
  EXPECT_EQ(
      ReadBytes(folder.Path() / "Answers.brain"),
      "OLD\r\n!\r\nold\r\n.\r\nONE\r\nTWO\r\n!\r\nfirst\r\nsecond\r\nthird\r\nfourth\r\n.\r\n");
}

TEST_F(KnowledgeBaseTest, AppendWithEmptyBoxes) {
  std::string path = Put("");
  AppendBlock(path, kNoKeywords, {});
  EXPECT_EQ(ReadBytes(folder.Path() / "Answers.brain"), "!\r\n.\r\n");
  AppendBlock(path, std::vector<std::string>{"K"}, {});
  EXPECT_EQ(ReadBytes(folder.Path() / "Answers.brain"), "!\r\n.\r\nK\r\n!\r\n.\r\n");
  EXPECT_EQ(Items(GatherBlockAnswers(path, "K")), (Lines{}));
}

TEST_F(KnowledgeBaseTest, AppendJoinsAnUnendedLastLine) {
  std::string path = Put("K\r\n!\r\nlast");
  AppendBlock(path, std::vector<std::string>{"L"}, std::vector<std::string>{"x"});
  EXPECT_EQ(ReadListFile(path).Text(), "K\r\n!\r\nlastL\r\n!\r\nx\r\n.\r\n");
}

TEST_F(KnowledgeBaseTest, AppendCutsAtCtrlZAmongTheLast128Bytes) {
  std::string path =
      Put("A\r\n\x1a"
          "junk\x1a"
          "more");
  AppendBlock(path, std::vector<std::string>{"B"}, std::vector<std::string>{"b"});
  EXPECT_EQ(ReadBytes(folder.Path() / "Answers.brain"), "A\r\nB\r\n!\r\nb\r\n.\r\n");

  std::string early = "A\r\n\x1a" + std::string(200, 'z');
  path = Put(early);
  AppendBlock(path, std::vector<std::string>{"B"}, std::vector<std::string>{"b"});
  EXPECT_EQ(ReadBytes(folder.Path() / "Answers.brain"), early + "B\r\n!\r\nb\r\n.\r\n");

  std::string longTail = "A\r\n\x1a" + std::string(500, 'z');
  path = Put(longTail);
  AppendBlock(path, std::vector<std::string>{"B"}, std::vector<std::string>{"b"});
  EXPECT_EQ(ReadBytes(folder.Path() / "Answers.brain"), longTail + "B\r\n!\r\nb\r\n.\r\n");
}

TEST_F(KnowledgeBaseTest, AppendNeverCreatesTheFile) {
  try {
    AppendBlock(folder.File("Answers.brain"), std::vector<std::string>{"K"}, {});
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "File not found");
  }
  EXPECT_FALSE(std::filesystem::exists(folder.Path() / "Answers.brain"));
}

TEST_F(KnowledgeBaseTest, FailedAppendLeavesTheFileAsItWas) {
  const std::string original = "K\r\n!\r\nk\r\n.\r\n";
  const std::string withCtrlZ = original + "\x1a" + std::string(40, 'z');
  const std::vector<std::string> answers = {std::string(1000, 'a'), "b"};
  struct Case {
    const char* what;
    std::string content;
    std::function<void(testing_support::FakePlatform&)> inject;
    std::string message;
  };
  std::vector<Case> cases = {
      {"disk full", original, [](auto& f) { f.growthLimit = 20; }, "I/O error 112"},
      {"disk full at once", original, [](auto& f) { f.growthLimit = 0; }, "I/O error 112"},
      {"disk full over a Ctrl-Z tail", withCtrlZ, [](auto& f) { f.growthLimit = 0; },
       "I/O error 112"},
      {"write error", original, [](auto& f) { f.writeBudget = 7; }, "I/O error 1117"},
      {"turned read-only", original,
       [](auto& f) {
         f.writeBudget = 0;
         f.writeError = kErrorAccessDenied;
       },
       "File access denied"},
      {"flush error", withCtrlZ, [](auto& f) { f.flushError = 1117; }, "I/O error 1117"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.what);
    fake = testing_support::FakePlatform();
    std::string path = Put(c.content);
    c.inject(fake);
    try {
      AppendBlock(path, std::vector<std::string>{"NEW"}, answers);
      ADD_FAILURE() << "no error";
    } catch (const EInOutError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_EQ(ReadBytes(folder.Path() / "Answers.brain"), c.content);
  }
}

TEST_F(KnowledgeBaseTest, RewriteWritesTheTextExactly) {
  std::string path = folder.File("Greetings.brain");
  RewriteListFile(path, "Hi\r\nHello");
  EXPECT_EQ(ReadBytes(folder.Path() / "Greetings.brain"), "Hi\r\nHello");
  RewriteListFile(path, "One\r\n");
  EXPECT_EQ(ReadBytes(folder.Path() / "Greetings.brain"), "One\r\n");
  RewriteListFile(path, "");
  EXPECT_EQ(ReadBytes(folder.Path() / "Greetings.brain"), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

// Both whole-file writers: the list rewrite, and the stream save behind a macro's Save, which
// tells a file it could not create ("Cannot create file") from a copy that failed.
TEST_F(KnowledgeBaseTest, FailedRewriteLeavesTheTargetAndNoTemporary) {
  const std::string original = "old\r\nlines\r\n";
  TMemoryStream stream;
  const std::string text(5000, 'n');
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  using Inject = std::function<void(testing_support::FakePlatform&)>;
  const std::tuple<const char*, Inject, std::string> cases[] = {
      {"disk full", [](auto& f) { f.growthLimit = 100; }, "I/O error 112"},
      {"write error", [](auto& f) { f.writeBudget = 0; }, "I/O error 1117"},
      {"flush error", [](auto& f) { f.flushError = 1117; }, "I/O error 1117"},
      {"replace refused", [](auto& f) { f.replaceError = kErrorAccessDenied; },
       "File access denied"},
      {"no new files", [](auto& f) { f.createError = kErrorAccessDenied; }, ""},
  };
  const std::string path = folder.File("Dialog.brain");
  for (bool save : {false, true}) {
    for (auto& [what, inject, message] : cases) {
      SCOPED_TRACE(std::string(save ? "save: " : "rewrite: ") + what);
      fake = testing_support::FakePlatform();
      Put(original, "Dialog.brain");
      inject(fake);
      try {
        save ? stream.SaveToFile(path) : RewriteListFile(path, text);
        ADD_FAILURE() << "no error";
      } catch (const EFCreateError& e) {
        EXPECT_TRUE(save && message.empty()) << e.Message();
      } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), message.empty() ? "File access denied" : message);
        EXPECT_FALSE(save && message.empty());
      }
      EXPECT_EQ(ReadBytes(folder.Path() / "Dialog.brain"), original);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
    }
  }
}

TEST_F(KnowledgeBaseTest, RewriteNeedsTheFolder) {
  try {
    RewriteListFile(folder.File("Missing\\Dialog.brain"), "x");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode(), kErrorPathNotFound);
  }
}

TEST_F(KnowledgeBaseTest, RewriteRefusesAReadOnlyTarget) {
  namespace fs = std::filesystem;
  Put("keep\r\n", "Dialog.brain");
  fs::permissions(folder.Path() / "Dialog.brain",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (std::ofstream(folder.Path() / "Dialog.brain", std::ios::app))
    GTEST_SKIP() << "read-only files are writable for this user";
  try {
    RewriteListFile(folder.File("Dialog.brain"), "new\r\n");
    FAIL() << "no error";
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.Message(), "File access denied");
  }
  EXPECT_EQ(ReadBytes(folder.Path() / "Dialog.brain"), "keep\r\n");
}

}  // namespace
