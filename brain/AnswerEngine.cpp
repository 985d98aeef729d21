#include "AnswerEngine.h"

#include "KnowledgeBase.h"
#include "Platform.h"
#include "Random.h"
#include "StrCon.h"

namespace {

constexpr int kKeywordPositions = 13;

const std::string& PickAtRandom(const TStringList& list) {
  return list[static_cast<int>(GlobalRandom().Random(static_cast<uint32_t>(list.Count())))];
}

}  // namespace

TAnswerEngine::TAnswerEngine(TPath appFolder) : appFolder_(std::move(appFolder)) {}

bool TAnswerEngine::AnswerQuestion(std::string& inputField) {
  GlobalRandom().Randomize();
  question_ = StripPunctuation(AnsiUpperCase(inputField));
  std::string answer;
  if (FindKeyword())
    answer = ExpandPlaceholders(PickAtRandom(GatherAnswers()));
  else
    answer = ExpandPlaceholders(RandomDialogLine());
  inputField.clear();
  bool close = ApplyMarkers(answer);
  answer_ = std::move(answer);
  return close;
}

void TAnswerEngine::Greet() {
  GlobalRandom().Randomize();
  TStringList greetings = ReadListFile(Path(kGreetingsFile));
  answer_ = ExpandPlaceholders(PickAtRandom(greetings));
}

bool TAnswerEngine::FindKeyword() {
  bool found = false;
  const TPath answers = Path(kAnswersFile);
  for (int n = 1; n <= kKeywordPositions; ++n) {
    std::string word = NthWord(question_, n);
    if (FileHasLine(answers, word)) {
      keyword_ = std::move(word);
      found = true;
    }
  }
  return found;
}

TStringList TAnswerEngine::GatherAnswers() const {
  return GatherBlockAnswers(Path(kAnswersFile), keyword_);
}

std::string TAnswerEngine::RandomDialogLine() const {
  TStringList lines = ReadListFile(Path(kDialogFile));
  return PickAtRandom(lines);
}

std::string TAnswerEngine::ExpandPlaceholders(const std::string& text) const {
  TStringCollection& strings = StringCollection();
  std::string result = strings.ReplaceText("$Date", Platform().ShortDate(), text);
  return strings.ReplaceText("$KeyWord", AnsiLowerCase(keyword_), result);
}

bool TAnswerEngine::ApplyMarkers(std::string& answer) const {
  std::string kept, added;
  bool close = false;
  for (char c : answer) {
    switch (c) {
      case '*':
        added += AnsiLowerCase(StringCollection().TextAfter(keyword_, question_, 1));
        break;
      case '#':
        added += AnsiLowerCase(keyword_);
        break;
      case '^':
        close = true;
        break;
      default:
        kept += c;
    }
  }
  answer = kept + added;
  return close;
}
