// quelvoran-ask: the character's conversation without the window, and the Brain linter.
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "AnswerEngine.h"
#include "AskOptions.h"
#include "BrainCheck.h"
#include "Console.h"
#include "Platform.h"
#include "Random.h"
#include "SysUtils.h"
#ifdef _WIN32
#include "Win32Platform.h"
#endif

namespace {

// The platform's services with a fixed short date.
class TFixedDatePlatform : public PlatformServices {
 public:
  TFixedDatePlatform(PlatformServices& base, std::string date)
      : base_(base), date_(std::move(date)) {}

  void UpperCaseBuffer(char* text, size_t length) const override {
    base_.UpperCaseBuffer(text, length);
  }
  void LowerCaseBuffer(char* text, size_t length) const override {
    base_.LowerCaseBuffer(text, length);
  }
  std::string ShortDate() const override { return date_; }
  TimeOfDay UtcTimeOfDay() const override { return base_.UtcTimeOfDay(); }
  std::unique_ptr<PlatformFile> OpenFile(const TPath& path, FileMode mode) const override {
    return base_.OpenFile(path, mode);
  }
  void MoveFileOver(const TPath& from, const TPath& to) const override {
    base_.MoveFileOver(from, to);
  }
  void RemoveFile(const TPath& path) const noexcept override { base_.RemoveFile(path); }
  bool FileExists(const TPath& path) const override { return base_.FileExists(path); }

 private:
  PlatformServices& base_;
  std::string date_;
};

void Write(std::FILE* stream, const std::string& bytes) {
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

// One line of standard input: LF ends it, a CR right before the LF is dropped, a last
// line without LF counts.
bool ReadQuestion(std::string& line) {
  line.clear();
  int c;
  bool any = false;
  while ((c = std::getc(stdin)) != EOF) {
    any = true;
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return true;
    }
    line += static_cast<char>(c);
  }
  return any;
}

// The bytes as they are: the text's Windows-1251, a path's own code page.
std::string Unconverted(const TErrorText& error) {
  return error.Text + (error.File ? error.File->Bytes() : std::string()) + error.Tail;
}

class TOutput {
 public:
  TOutput(bool tsv, const TConsoleText& console) : tsv_(tsv), console_(console) {}

  void Text(const char* kind, const std::string& text) const {
    Write(stdout, tsv_ ? TsvLine(kind, text) : console_.FromAnsi(text) + "\n");
  }
  void Error(const std::exception& e) const {
    const TErrorText error = ErrorBoxText(ExceptionErrorText(e));
    if (tsv_)
      Write(stdout, TsvLine("error", Unconverted(error)));
    else
      Write(stderr, console_.FromError(error) + "\n");
  }

 private:
  bool tsv_;
  const TConsoleText& console_;
};

int Converse(const TAskOptions& options, const TPath& appFolder, const TConsoleText& console) {
  if (options.seed) {
    GlobalRandom().SetSeedSource([next = *options.seed]() mutable { return next++; });
  }
  PlatformServices& base = Platform();
  std::unique_ptr<TFixedDatePlatform> fixedDate;
  if (options.date) {
    std::string date = options.tsv ? *options.date : console.ArgumentToAnsi(*options.date);
    fixedDate = std::make_unique<TFixedDatePlatform>(base, std::move(date));
    SetPlatform(*fixedDate);
  }
  // The fixed date must not outlive this call as the program's platform.
  struct TRestore {
    PlatformServices& services;
    ~TRestore() { SetPlatform(services); }
  } restore{base};

  const TOutput output(options.tsv, console);
  TAnswerEngine engine(appFolder);
  // The window goes on without a greeting when it fails.
  try {
    engine.Greet();
    output.Text("greeting", engine.Answer());
  } catch (const std::exception& e) {
    output.Error(e);
  }

  std::string line;
  while (ReadQuestion(line)) {
    std::string field = options.tsv ? line : console.ToAnsi(line);
    try {
      const bool closes = engine.AnswerQuestion(field);
      output.Text("answer", engine.Answer());
      if (closes) return 0;
    } catch (const std::exception& e) {
      output.Error(e);
    }
  }
  return 0;
}

int Check(const TPath& appFolder, const TConsoleText& console) {
  const std::vector<TBrainFinding> findings = CheckBrain(appFolder);
  for (const TBrainFinding& finding : findings)
    Write(stdout, console.FromAnsi(FormatFinding(finding)) + "\n");
  return findings.empty() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  SetBinaryStdio();
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    Write(stdout, kAskUsage);
    return 0;
  }
  std::string error;
  const auto options = ParseAskArguments(arguments, error);
  if (!options) {
    Write(stderr, "quelvoran-ask: " + error + "\n" + kAskUsage);
    return 2;
  }
#ifdef _WIN32
  // Answer as the character does: the system's case mapping and date format.
  SetPlatform(Win32Platform());
#endif
  try {
    const TConsoleText console;
    const TPath appFolder = AppFolderFor(options->appDir.value_or(ExecutableFolder()));
    return options->check ? Check(appFolder, console) : Converse(*options, appFolder, console);
  } catch (const std::exception& e) {
    Write(stderr, "quelvoran-ask: " + Unconverted(ErrorBoxText(ExceptionErrorText(e))) + "\n");
    return 1;
  }
}
