#include <gtest/gtest.h>

#include <set>
#include <string>

#include "AnswerEngine.h"
#include "BrainTestSupport.h"
#include "Random.h"

namespace {

using testing_support::WriteBytes;

class AnswerEngineTest : public testing_support::FakePlatformTest {
 protected:
  AnswerEngineTest() : engine(folder.Folder()) {
    std::filesystem::create_directory(folder.Path() / "Brain");
    GlobalRandom().SetSeedSource([this] { return seed; });
    Dialog("dialog one\r\ndialog two\r\n");
    Greetings("hello\r\n");
  }
  ~AnswerEngineTest() override { GlobalRandom().SetSeedSource({}); }

  void Answers(std::string_view text) {
    WriteBytes(folder.Path() / "Brain" / "Answers.brain", text);
  }
  void Dialog(std::string_view text) { WriteBytes(folder.Path() / "Brain" / "Dialog.brain", text); }
  void Greetings(std::string_view text) {
    WriteBytes(folder.Path() / "Brain" / "Greetings.brain", text);
  }

  // The index the generator's first draw over n gives after re-seeding with `seedValue`.
  static int FirstDraw(uint32_t seedValue, uint32_t n) {
    uint32_t next = seedValue * 134775813u + 1u;
    return static_cast<int>((static_cast<uint64_t>(next) * n) >> 32);
  }

  std::string Ask(std::string question, bool* closes = nullptr) {
    bool close = engine.AnswerQuestion(question);
    EXPECT_EQ(question, "");
    if (closes) *closes = close;
    return engine.Answer();
  }

  std::vector<std::string> Pool() {
    TStringList pool = engine.GatherAnswers();
    return std::vector<std::string>(pool.begin(), pool.end());
  }

  uint32_t seed = 0;
  TAnswerEngine engine;
};

using Lines = std::vector<std::string>;

// K, L, !, a1, a2, ., K, !, b1, .
constexpr char kTwoBlocks[] = "K\r\nL\r\n!\r\na1\r\na2\r\n.\r\nK\r\n!\r\nb1\r\n.\r\n";

TEST_F(AnswerEngineTest, TheRightmostMatchingWordIsTheKeyword) {
  Answers(kTwoBlocks);
  Ask("only L here");
  EXPECT_EQ(engine.Keyword(), "L");
  EXPECT_EQ(Pool(), (Lines{"a1", "a2"}));
  Ask("K then L");
  EXPECT_EQ(engine.Keyword(), "L");
  Ask("L then K");
  EXPECT_EQ(engine.Keyword(), "K");
  EXPECT_EQ(Pool(), (Lines{"a1", "a2", "b1"}));
  Ask("x K y L z K");
  EXPECT_EQ(engine.Keyword(), "K");
}

TEST_F(AnswerEngineTest, EachPoolEntryIsPickedByOneDraw) {
  Answers("A\r\n!\r\n1\r\n2\r\n.\r\nA\r\n!\r\n3\r\n4\r\n5\r\n.\r\n");
  std::set<std::string> seen;
  for (seed = 0; seed < 200; ++seed) {
    std::string answer = Ask("a");
    EXPECT_EQ(answer, std::to_string(FirstDraw(seed, 5) + 1));
    seen.insert(answer);
  }
  EXPECT_EQ(seen.size(), 5u);
}

TEST_F(AnswerEngineTest, OnlyThirteenWordsAreLookedAt) {
  Answers("W14\r\n!\r\nfourteen\r\n.\r\nW13\r\n!\r\nthirteen\r\n.\r\n");
  std::string words = "w1 w2 w3 w4 w5 w6 w7 w8 w9 w10 w11 w12 ";
  EXPECT_EQ(Ask(words + "w13 w14"), "thirteen");
  seed = 7;
  EXPECT_EQ(Ask(words + "x13 w14"), FirstDraw(7, 2) == 0 ? "dialog one" : "dialog two");
  EXPECT_EQ(engine.Keyword(), "W13");
}

TEST_F(AnswerEngineTest, QuestionsAreUpperCasedAndLoseFivePunctuationMarks) {
  // КОТ / кот
  Answers("\xCA\xCE\xD2\r\n!\r\ncat\r\n.\r\n");
  EXPECT_EQ(Ask("\xEA\xEE\xF2"), "cat");
  for (const char* mark : {"!", ".", ",", ":", ";"}) {
    EXPECT_EQ(Ask(std::string("my \xEA\xEE\xF2") + mark), "cat") << mark;
  }
  EXPECT_EQ(engine.Question(), "MY \xCA\xCE\xD2");
  EXPECT_NE(Ask("my \xEA\xEE\xF2?"), "cat");
  EXPECT_NE(Ask("my \"\xEA\xEE\xF2\""), "cat");
}

TEST_F(AnswerEngineTest, LowerCaseKeywordLinesNeverMatch) {
  Answers("hello\r\n!\r\nlower\r\n.\r\nHELLO\r\n!\r\nupper\r\n.\r\n");
  EXPECT_EQ(Ask("hello"), "upper");
}

TEST_F(AnswerEngineTest, EmptyWordsMatchOnlyEmptyLines) {
  Answers(kTwoBlocks);
  EXPECT_EQ(Ask(""), FirstDraw(0, 2) == 0 ? "dialog one" : "dialog two");
  EXPECT_EQ(engine.Keyword(), "");

  Answers("K\r\n!\r\nk\r\n.\r\n\r\nE\r\n!\r\nempty\r\n.\r\n");
  EXPECT_EQ(Ask(""), "empty");
  EXPECT_EQ(Ask("K  x"), "empty");
  // A trailing blank, also one left in front of a stripped "!", overrides the keyword.
  EXPECT_EQ(Ask("K "), "empty");
  EXPECT_EQ(Ask("K !"), "empty");
  EXPECT_EQ(Ask("K!"), "k");
}

TEST_F(AnswerEngineTest, AnAnswerLineCanBeTheKeyword) {
  Answers("K\r\n!\r\nFINE\r\n.\r\nL\r\n!\r\nnext block\r\n.\r\n");
  EXPECT_EQ(Ask("fine"), "next block");
  EXPECT_EQ(engine.Keyword(), "FINE");
}

TEST_F(AnswerEngineTest, TheKeywordOutlivesQuestionsThatMatchNothing) {
  Answers("CAT\r\n!\r\nmeow\r\n.\r\n");
  Dialog("about #\r\n");
  EXPECT_EQ(Ask("nothing"), "about ");
  EXPECT_EQ(Ask("cat"), "meow");
  EXPECT_EQ(Ask("nothing again"), "about cat");
  EXPECT_EQ(engine.Keyword(), "CAT");
}

TEST_F(AnswerEngineTest, PlaceholdersExpandCaseSensitively) {
  // ПРИВЕТ
  Answers("\xCF\xD0\xC8\xC2\xC5\xD2\r\n!\r\n$Date/$Date: $KeyWord, $keyword $DATE\r\n.\r\n");
  EXPECT_EQ(Ask("\xEF\xF0\xE8\xE2\xE5\xF2"),
            "01.02.2003/01.02.2003: \xEF\xF0\xE8\xE2\xE5\xF2, $keyword $DATE");
}

TEST_F(AnswerEngineTest, StarAppendsTheRestOfTheQuestion) {
  Answers("CAT\r\n!\r\nso*\r\n.\r\nDOG\r\n!\r\nyou *said\r\n.\r\n");
  EXPECT_EQ(Ask("my cat sleeps"), "so sleeps");
  EXPECT_EQ(Ask("my dog runs fast."), "you said runs fast");
  // The keyword's letters first occur inside the first word.
  EXPECT_EQ(Ask("dogma dog bites"), "you saidma dog bites");
  EXPECT_EQ(Ask("dog"), "you said");
}

TEST_F(AnswerEngineTest, MarkersAreHandledLeftToRightAndAppendedTextIsNotRescanned) {
  Answers("CAT\r\n!\r\nA#*B\r\n.\r\nDOG\r\n!\r\n*x#\r\n.\r\n");
  EXPECT_EQ(Ask("cat eats"), "ABcat eats");
  EXPECT_EQ(Ask("dog ^#*"), "x ^#*dog");
}

TEST_F(AnswerEngineTest, CaretClosesAfterTheAnswerIsShown) {
  Answers("BYE\r\n!\r\nSee ^you\r\n.\r\n");
  bool closes = false;
  EXPECT_EQ(Ask("bye", &closes), "See you");
  EXPECT_TRUE(closes);
  Ask("other", &closes);
  EXPECT_FALSE(closes);
}

TEST_F(AnswerEngineTest, DialogueFallbackUsesMarkersToo) {
  Answers("K\r\n!\r\nk\r\n.\r\n");
  Dialog("\r\nline * two\r\n");
  seed = 3;
  std::string answer = Ask("hm");
  EXPECT_EQ(answer, FirstDraw(3, 2) == 0 ? "" : "line  two");
}

TEST_F(AnswerEngineTest, FailuresLeaveTheFieldAndTheAnswer) {
  Greetings("greeting\r\n");
  engine.Greet();
  std::string field = "k question";

  auto expectFailure = [&](const std::string& message) {
    try {
      engine.AnswerQuestion(field);
      ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(field, "k question");
    EXPECT_EQ(engine.Answer(), "greeting");
  };

  expectFailure("File not found");  // no Answers.brain
  Answers("K\r\n!\r\n.\r\n");
  expectFailure("List index out of bounds (0)");
  EXPECT_EQ(engine.Keyword(), "K");
  EXPECT_EQ(engine.Question(), "K QUESTION");

  Answers("X\r\n");
  std::filesystem::remove(folder.Path() / "Brain" / "Dialog.brain");
  expectFailure("File not found");
  Dialog("");
  expectFailure("List index out of bounds (0)");
  EXPECT_EQ(engine.Keyword(), "K");
}

TEST_F(AnswerEngineTest, GreetingExpandsPlaceholdersButNotMarkers) {
  Greetings("Today is $Date, $KeyWord* # ^\r\n");
  engine.Greet();
  EXPECT_EQ(engine.Answer(), "Today is 01.02.2003, * # ^");
}

TEST_F(AnswerEngineTest, GreetingPicksAtRandomAndFailsOnAnEmptyList) {
  Greetings("g0\r\ng1\r\ng2\r\n\r\n");
  seed = 11;
  engine.Greet();
  EXPECT_EQ(engine.Answer(), Lines({"g0", "g1", "g2", ""})[FirstDraw(11, 4)]);
  Greetings("");
  EXPECT_THROW(engine.Greet(), EListError);
  std::filesystem::remove(folder.Path() / "Brain" / "Greetings.brain");
  EXPECT_THROW(engine.Greet(), EInOutError);
}

TEST_F(AnswerEngineTest, EveryQuestionReadsTheFilesAfresh) {
  Answers("K\r\n!\r\nfirst\r\n.\r\n");
  EXPECT_EQ(Ask("k"), "first");
  fake.opens = 0;
  Answers("K\r\n!\r\nsecond\r\n.\r\n");
  EXPECT_EQ(Ask("k"), "second");
  EXPECT_EQ(fake.opens, 14);
  Ask("nothing");
  EXPECT_EQ(fake.opens, 14 + 14);
}

}  // namespace
