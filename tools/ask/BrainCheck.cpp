#include "BrainCheck.h"

#include <algorithm>
#include <memory>

#include "KnowledgeBase.h"
#include "Platform.h"
#include "SysUtils.h"

namespace {

constexpr char kCtrlZ = 26;
constexpr std::string_view kStripped = "!.,:;";

// A file as the readers see it, with what their reading hides.
struct TReadFile {
  std::vector<std::string> lines;
  int ctrlZLine = 0;  // the line holding a byte 26 that hides something after it
  int loneLfLine = 0;
  int loneLfCount = 0;
  int utf8Line = 0;  // the first line of a text that reads as UTF-8
};

// Length of the UTF-8 sequence starting at `at`, 0 if there is none.
size_t Utf8SequenceLength(std::string_view bytes, size_t at) {
  const auto lead = static_cast<unsigned char>(bytes[at]);
  size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                  : lead >= 0xE0 && lead <= 0xEF ? 3
                  : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                 : 0;
  if (length == 0 || at + length > bytes.size()) return 0;
  for (size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(bytes[at + i]) & 0xC0) != 0x80) return 0;
  return length;
}

// Whether every byte from 0x80 up is part of a UTF-8 sequence; `sequences` tells whether
// there was one. A sequence never spans a line end: its bytes are all 0x80 or above.
bool ReadsAsUtf8(std::string_view line, bool& sequences) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (static_cast<unsigned char>(line[i]) < 0x80) continue;
    const size_t length = Utf8SequenceLength(line, i);
    if (length == 0) return false;
    sequences = true;
    i += length - 1;
  }
  return true;
}

TReadFile Read(std::string_view bytes) {
  TReadFile file;
  TBrainReader reader(MemoryFile(std::string(bytes)));
  bool utf8 = true;
  int firstSequenceLine = 0;
  for (std::string line; reader.ReadLine(line);) {
    const int number = static_cast<int>(file.lines.size()) + 1;
    // The readers keep an LF that follows no CR inside the line.
    if (const auto count = std::ranges::count(line, '\n')) {
      if (file.loneLfCount == 0) file.loneLfLine = number;
      file.loneLfCount += static_cast<int>(count);
    }
    if (utf8) {
      bool sequences = false;
      utf8 = ReadsAsUtf8(line, sequences);
      if (sequences && firstSequenceLine == 0) firstSequenceLine = number;
    }
    file.lines.push_back(std::move(line));
  }
  if (utf8) file.utf8Line = firstSequenceLine;
  const size_t end = bytes.find(kCtrlZ);
  if (end != std::string_view::npos &&
      bytes.find_first_not_of(kCtrlZ, end) != std::string_view::npos) {
    // The byte 26 opens a line of its own unless the text before it ends amid a line.
    const std::string_view visible = bytes.substr(0, end);
    const bool amidLine =
        !visible.empty() && !visible.ends_with('\r') && !visible.ends_with("\r\n");
    file.ctrlZLine = static_cast<int>(file.lines.size()) + (amidLine ? 0 : 1);
  }
  return file;
}

void AddGrammarFindings(const TReadFile& file, const std::string& name,
                        std::vector<TBrainFinding>& findings) {
  if (file.ctrlZLine != 0)
    findings.push_back({name, file.ctrlZLine,
                        "byte 26 (Ctrl-Z) ends the file here for the readers; what follows is "
                        "never read"});
  if (file.loneLfLine != 0)
    findings.push_back({name, file.loneLfLine,
                        "LF without CR (" + std::to_string(file.loneLfCount) +
                            " in the file): lines end only at CR, so these lines run together"});
  if (file.utf8Line != 0)
    findings.push_back(
        {name, file.utf8Line, "the text reads as UTF-8: the files must be saved in Windows-1251"});
}

// Why a line can never equal a word of a normalised question; empty if it can.
std::string WhyNeverAWord(const std::string& line) {
  if (line.find(' ') != std::string::npos) return "it holds a blank";
  if (size_t at = line.find_first_of(kStripped); at != std::string::npos)
    return std::string("it holds '") + line[at] + "', which questions lose";
  if (AnsiUpperCase(line) != line) return "it holds lower-case letters";
  return {};
}

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

// The answers the engine gathers for `keyword`, counted as it gathers them.
int PoolSize(const std::vector<std::string>& lines, const std::string& keyword) {
  int count = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != keyword) continue;
    while (++i < lines.size() && !lines[i].starts_with('!')) {
    }
    while (++i < lines.size()) {
      if (lines[i] != ".") ++count;
      if (lines[i].starts_with('.')) break;
    }
  }
  return count;
}

std::string ReadWhole(const TPath& path) {
  std::unique_ptr<PlatformFile> file = Platform().OpenFile(path, FileMode::Read);
  std::string bytes;
  char buffer[65536];
  while (size_t count = file->Read(buffer, sizeof buffer)) bytes.append(buffer, count);
  return bytes;
}

void SortByLine(std::vector<TBrainFinding>& findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const TBrainFinding& a, const TBrainFinding& b) { return a.line < b.line; });
}

}  // namespace

std::vector<TBrainFinding> CheckAnswersFile(std::string_view bytes) {
  const std::string name = "Answers.brain";
  const TReadFile file = Read(bytes);
  std::vector<TBrainFinding> findings;
  AddGrammarFindings(file, name, findings);
  auto add = [&](int line, std::string message) {
    findings.push_back({name, line, std::move(message)});
  };

  enum class State { Outside, Keywords, Answers } state = State::Outside;
  int blockStart = 0, answers = 0;
  std::vector<std::string> keywords;
  bool closedByAnswer = false;
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const std::string& line = file.lines[i];
    const int number = static_cast<int>(i) + 1;
    switch (state) {
      case State::Outside:
        if (line.empty()) {
          add(number,
              "empty line between blocks: a question with two blanks in a row or a trailing "
              "blank matches it");
        } else if (line.starts_with('!')) {
          add(number, "block without keyword lines: no question reaches its answers");
          state = State::Answers;
          blockStart = number;
          answers = 0;
          keywords.clear();
        } else if (line.starts_with('.')) {
          add(number, closedByAnswer ? "closer outside a block: the answer beginning with \".\" "
                                       "above already closed the block"
                                     : "closer outside a block");
        } else {
          state = State::Keywords;
          blockStart = number;
          keywords.clear();
          --i;
        }
        closedByAnswer = false;
        break;
      case State::Keywords:
        if (line.starts_with('!')) {
          state = State::Answers;
          answers = 0;
        } else if (line.empty()) {
          add(number, "empty line inside a block: a question with an empty word matches it");
        } else {
          keywords.push_back(line);
          if (std::string why = WhyNeverAWord(line); !why.empty())
            add(number, "keyword " + Quoted(line) + " can never match: " + why);
        }
        break;
      case State::Answers:
        if (line == ".") {
          if (answers == 0) {
            std::string message = "block without answers";
            for (const std::string& keyword : keywords)
              if (WhyNeverAWord(keyword).empty() && PoolSize(file.lines, keyword) == 0) {
                message += ": a question with " + Quoted(keyword) + " fails with a list error";
                break;
              }
            add(blockStart, message);
          }
          state = State::Outside;
        } else if (line.starts_with('.')) {
          add(number, "answer beginning with \".\" closes its block");
          state = State::Outside;
          closedByAnswer = true;
        } else {
          ++answers;
          if (line.empty())
            add(number, "empty line inside a block: an empty answer");
          else if (WhyNeverAWord(line).empty())
            add(number, "answer " + Quoted(line) +
                            " equals a question word: that word takes the answers of the "
                            "next block");
        }
        break;
    }
  }
  if (state != State::Outside) add(blockStart, "block not closed before the end of the file");
  SortByLine(findings);
  return findings;
}

std::vector<TBrainFinding> CheckListFile(std::string_view bytes, TListKind kind) {
  const bool greetings = kind == TListKind::Greetings;
  const std::string name = greetings ? "Greetings.brain" : "Dialog.brain";
  const TReadFile file = Read(bytes);
  std::vector<TBrainFinding> findings;
  AddGrammarFindings(file, name, findings);
  if (file.lines.empty())
    findings.push_back({name, 0,
                        std::string(greetings ? "no greetings" : "no dialogue lines") +
                            ": picking one fails with a list error"});
  for (size_t i = 0; i < file.lines.size(); ++i) {
    const std::string& line = file.lines[i];
    const int number = static_cast<int>(i) + 1;
    if (line.empty()) {
      findings.push_back({name, number, "empty entry: the character shows nothing"});
      continue;
    }
    if (!greetings) continue;
    if (line.find("$KeyWord") != std::string::npos)
      findings.push_back({name, number, "$KeyWord in a greeting is always empty"});
    if (size_t at = line.find_first_of("*#^"); at != std::string::npos)
      findings.push_back(
          {name, number, std::string("marker '") + line[at] + "' in a greeting is shown as it is"});
  }
  SortByLine(findings);
  return findings;
}

std::vector<TBrainFinding> CheckBrain(const TPath& appFolder) {
  struct {
    const char* path;
    const char* name;
    int kind;  // -1: answers
  } const files[] = {{kAnswersFile, "Answers.brain", -1},
                     {kGreetingsFile, "Greetings.brain", static_cast<int>(TListKind::Greetings)},
                     {kDialogFile, "Dialog.brain", static_cast<int>(TListKind::Dialog)}};
  std::vector<TBrainFinding> findings;
  for (const auto& entry : files) {
    std::string bytes;
    try {
      bytes = ReadWhole(appFolder + entry.path);
    } catch (const std::exception& e) {
      findings.push_back({entry.name, 0, "cannot be read: " + ExceptionMessage(e)});
      continue;
    }
    auto found = entry.kind < 0 ? CheckAnswersFile(bytes)
                                : CheckListFile(bytes, static_cast<TListKind>(entry.kind));
    findings.insert(findings.end(), found.begin(), found.end());
  }
  return findings;
}

std::string FormatFinding(const TBrainFinding& finding) {
  return "Brain\\" + finding.file + ":" + std::to_string(finding.line) + ": " + finding.message;
}
