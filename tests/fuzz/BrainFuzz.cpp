// libFuzzer target: the knowledge-base readers and the answer engine over random Brain files,
// dates and questions, against a model of the file grammar and of the engine's rules.
// The files are read in pieces of random size, so that every line and keyword can straddle
// the readers' refills.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <map>

#include "AnswerEngine.h"
#include "FuzzCheck.h"
#include "FuzzInputs.h"
#include "KnowledgeBase.h"
#include "Random.h"

namespace {

using Lines = std::vector<std::string>;

// A read-only file whose reads return at most `maxRead` bytes.
class PieceFile final : public PlatformFile {
 public:
  PieceFile(std::string bytes, size_t maxRead) : bytes_(std::move(bytes)), maxRead_(maxRead) {}
  size_t Read(void* buffer, size_t count) override {
    count = std::min({count, bytes_.size() - at_, maxRead_ ? maxRead_ : count});
    std::memcpy(buffer, bytes_.data() + at_, count);
    at_ += count;
    return count;
  }
  void Write(const void*, size_t) override { throw EInOutError(kErrorAccessDenied); }
  uint64_t Size() override { return bytes_.size(); }
  void Seek(uint64_t position) override { at_ = std::min<size_t>(position, bytes_.size()); }
  void Truncate() override { throw EInOutError(kErrorAccessDenied); }
  void Flush() override {}

 private:
  std::string bytes_;
  size_t maxRead_;
  size_t at_ = 0;
};

class MemoryPlatform final : public PlatformServices {
 public:
  std::map<std::string, std::string> files;
  size_t maxRead = 0;
  std::string date;

  void UpperCaseBuffer(char* text, size_t length) const override {
    NativePlatform().UpperCaseBuffer(text, length);
  }
  void LowerCaseBuffer(char* text, size_t length) const override {
    NativePlatform().LowerCaseBuffer(text, length);
  }
  std::string ShortDate() const override { return date; }
  TimeOfDay UtcTimeOfDay() const override { return {}; }
  std::unique_ptr<PlatformFile> OpenFile(const TPath& path, FileMode mode) const override {
    auto found = files.find(path.Bytes());
    if (mode != FileMode::Read) throw EInOutError(kErrorAccessDenied);
    if (found == files.end()) throw EInOutError(kErrorFileNotFound);
    return std::make_unique<PieceFile>(found->second, maxRead);
  }
  void MoveFileOver(const TPath&, const TPath&) const override {
    throw EInOutError(kErrorAccessDenied);
  }
  void RemoveFile(const TPath&) const noexcept override {}
  bool FileExists(const TPath& path) const override { return files.count(path.Bytes()) != 0; }
};

// The grammar: a line ends at CR, an LF right after it belongs to the line end, byte 26 ends
// the file, a last line without an end still counts.
Lines SplitLines(std::string_view bytes) {
  bytes = bytes.substr(0, bytes.find('\x1a'));
  Lines lines;
  for (size_t at = 0; at < bytes.size();) {
    const size_t cr = std::min(bytes.find('\r', at), bytes.size());
    lines.emplace_back(bytes.substr(at, cr - at));
    at = cr + 1;
    if (at < bytes.size() && bytes[at] == '\n') ++at;
  }
  return lines;
}

std::string Word(const std::string& question, int n) {
  Lines words{""};
  for (char c : question)
    if (c == ' ')
      words.emplace_back();
    else
      words.back() += c;
  return words[std::min<size_t>(n, words.size()) - 1];
}

bool StartsWith(const std::string& line, char c) {
  return !line.empty() && line[0] == c;
}

Lines Pool(const Lines& lines, const std::string& keyword) {
  Lines pool;
  size_t i = 0;
  while (i < lines.size()) {
    if (lines[i++] != keyword) continue;
    while (i < lines.size() && !StartsWith(lines[i], '!')) ++i;
    if (i++ >= lines.size()) break;
    for (; i < lines.size(); ++i) {
      if (lines[i] != ".") pool.push_back(lines[i]);
      if (StartsWith(lines[i], '.')) break;
    }
    ++i;
  }
  return pool;
}

std::string ReplaceAll(const std::string& text, std::string_view old, std::string_view by) {
  std::string out;
  size_t at = 0;
  for (size_t hit; (hit = text.find(old, at)) != std::string::npos; at = hit + old.size())
    out.append(text, at, hit - at).append(by);
  return out.append(text, at);
}

uint32_t Draw(uint32_t seed, size_t n) {
  return static_cast<uint32_t>(uint64_t{seed * 134775813u + 1u} * n >> 32);
}

struct Model {
  const MemoryPlatform& platform;
  std::string keyword;

  std::string Expand(const std::string& text) const {
    return ReplaceAll(ReplaceAll(text, "$Date", platform.date), "$KeyWord", AnsiLowerCase(keyword));
  }
  // Markers go, in order; what they add goes to the end.
  bool Mark(std::string& answer, const std::string& question) const {
    std::string kept, added;
    bool close = false;
    for (char c : answer) {
      if (c == '*') {
        const size_t at = keyword.empty() ? std::string::npos : question.find(keyword);
        if (at != std::string::npos) added += AnsiLowerCase(question.substr(at + keyword.size()));
      } else if (c == '#') {
        added += AnsiLowerCase(keyword);
      } else if (c == '^') {
        close = true;
      } else {
        kept += c;
      }
    }
    answer = kept + added;
    return close;
  }
};

enum class Outcome { Answer, IoError, ListError };

template <class F>
Outcome Run(F&& call) {
  try {
    call();
    return Outcome::Answer;
  } catch (const EInOutError& e) {
    FUZZ_CHECK(e.ErrorCode() == kErrorFileNotFound);
    return Outcome::IoError;
  } catch (const EListError&) {
    return Outcome::ListError;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzz_input;
  if (size < kBrainControlSize) return 0;
  const BrainControl control = ReadBrainControl(data);
  const auto fields = SplitFields(
      {reinterpret_cast<const char*>(data) + kBrainControlSize, size - kBrainControlSize});
  auto field = [&](size_t i) { return std::string(i < fields.size() ? fields[i] : ""); };

  static MemoryPlatform platform;
  SetPlatform(platform);
  platform.files.clear();
  platform.maxRead = control.maxRead;
  platform.date = field(3);
  const std::string folder = "C:\\Q\\";
  const char* const names[] = {kAnswersFile, kDialogFile, kGreetingsFile};
  Lines lines[3];
  for (int i = 0; i < 3; ++i) {
    const std::string bytes = field(i), path = folder + names[i];
    lines[i] = SplitLines(bytes);
    if (control.flags & (1 << i)) continue;
    platform.files[path] = bytes;
    TBrainReader reader(std::make_unique<PieceFile>(bytes, control.maxRead));
    Lines read;
    for (std::string line; reader.ReadLine(line);) read.push_back(line);
    FUZZ_CHECK(read == lines[i]);
    FUZZ_CHECK(ReadListFile(path).Count() == static_cast<int>(lines[i].size()));
  }
  const Lines& answers = lines[0];
  auto isLine = [&](const std::string& w) {
    return std::find(answers.begin(), answers.end(), w) != answers.end();
  };
  // One keyword pass for a line that is there, wherever it lies, and for one cut short.
  if (!answers.empty() && !(control.flags & kNoAnswers)) {
    const std::string& line = answers[control.seed % answers.size()];
    const std::string path = folder + kAnswersFile;
    FUZZ_CHECK(FileHasLine(path, line));
    if (!line.empty()) {
      const std::string shorter = line.substr(0, line.size() - 1);
      FUZZ_CHECK(FileHasLine(path, shorter) == isLine(shorter));
    }
  }

  uint32_t seed = control.seed;
  GlobalRandom().SetSeedSource([&seed] { return seed; });
  TAnswerEngine engine(folder);
  Model model{platform, ""};

  // The greeting: no markers, and no keyword yet.
  const Lines& greetings = lines[2];
  Outcome greeted = Run([&] { engine.Greet(); });
  if (control.flags & kNoGreetings)
    FUZZ_CHECK(greeted == Outcome::IoError);
  else if (greetings.empty())
    FUZZ_CHECK(greeted == Outcome::ListError);
  else
    FUZZ_CHECK(greeted == Outcome::Answer &&
               engine.Answer() == model.Expand(greetings[Draw(seed, greetings.size())]));

  for (size_t q = 4; q < fields.size() && q < 4 + kMaxQuestions; ++q) {
    ++seed;
    const std::string typed(fields[q]);
    const std::string question = [&] {
      std::string s = AnsiUpperCase(typed);
      std::erase_if(
          s, [](char c) { return std::string_view("!.,:;").find(c) != std::string_view::npos; });
      return s;
    }();
    const std::string before = engine.Answer();
    std::string input = typed;
    bool close = false;
    const Outcome outcome = Run([&] { close = engine.AnswerQuestion(input); });

    Outcome expected = Outcome::Answer;
    std::string answer;
    bool found = false;
    if (control.flags & kNoAnswers) {
      expected = Outcome::IoError;
    } else {
      for (int n = 1; n <= 13; ++n)
        if (const std::string w = Word(question, n); isLine(w)) {
          model.keyword = w;
          found = true;
        }
      FUZZ_CHECK(engine.Keyword() == model.keyword);
      const Lines pool = found ? Pool(answers, model.keyword) : lines[1];
      // The gathering pass on its own, against the model.
      if (found) {
        TStringList gathered = engine.GatherAnswers();
        FUZZ_CHECK(gathered.Count() == static_cast<int>(pool.size()));
        for (size_t i = 0; i < pool.size(); ++i)
          FUZZ_CHECK(gathered[static_cast<int>(i)] == pool[i]);
      }
      if (!found && (control.flags & kNoDialog))
        expected = Outcome::IoError;
      else if (pool.empty())
        expected = Outcome::ListError;
      else
        answer = model.Expand(pool[Draw(seed, pool.size())]);
    }
    FUZZ_CHECK(outcome == expected);
    if (outcome != Outcome::Answer) {
      // A failed question leaves the field and the shown answer as they were.
      FUZZ_CHECK(input == typed && engine.Answer() == before);
      continue;
    }
    const bool shouldClose = model.Mark(answer, question);
    FUZZ_CHECK(input.empty() && engine.Question() == question);
    FUZZ_CHECK(engine.Answer() == answer && close == shouldClose);
  }
  GlobalRandom().SetSeedSource({});
  SetPlatform(NativePlatform());
  return 0;
}
