// Time per question against generated knowledge bases, beside the I/O floor: opening and
// reading the same Answers.brain 14 times with plain reads.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AnswerEngine.h"
#include "Platform.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kReadSize = 64 * 1024;

struct Size {
  const char* name;
  size_t bytes;
};
constexpr Size kSizes[] = {{"10KB", 10 * 1024}, {"1MB", 1024 * 1024}, {"10MB", 10 * 1024 * 1024}};

// Windows-1251 upper-case (А..Я) or lower-case (а..я) letters.
std::string CyrillicWord(std::mt19937& random, bool upper, int minLength, int maxLength) {
  std::string word;
  int length = minLength + static_cast<int>(random() % (maxLength - minLength + 1));
  for (int i = 0; i < length; ++i)
    word += static_cast<char>((upper ? 0xC0 : 0xE0) + static_cast<int>(random() % 32));
  return word;
}

struct Base {
  fs::path folder;
  std::string appFolder;
  std::string answers;
  std::string matchQuestion;    // its keyword is the 13th word, in the last block
  std::string noMatchQuestion;  // 13 words, none of them a line of the file
};

std::vector<std::unique_ptr<Base>>& Bases() {
  static std::vector<std::unique_ptr<Base>> bases;
  return bases;
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::unique_ptr<Base> Generate(const fs::path& root, const Size& size) {
  auto base = std::make_unique<Base>();
  base->folder = root / size.name;
  fs::create_directories(base->folder / "Brain");
  base->appFolder = base->folder.string() + "/";
  base->answers = base->appFolder + "Brain\\Answers.brain";

  std::mt19937 random(static_cast<unsigned>(size.bytes));
  std::set<std::string> lines;
  std::string text;
  std::string lastKeyword;
  while (text.size() < size.bytes) {
    int keywords = 1 + static_cast<int>(random() % 3);
    for (int k = 0; k < keywords; ++k) {
      lastKeyword = CyrillicWord(random, true, 3, 10);
      text += lastKeyword + "\r\n";
      lines.insert(lastKeyword);
    }
    text += "!\r\n";
    int answers = 1 + static_cast<int>(random() % 4);
    for (int a = 0; a < answers; ++a) {
      std::string answer = CyrillicWord(random, true, 1, 1);
      int words = 3 + static_cast<int>(random() % 10);
      for (int w = 0; w < words; ++w) {
        answer += ' ';
        answer += CyrillicWord(random, false, 1, 9);
      }
      answer += random() % 3 ? "." : ", $KeyWord?";
      text += answer + "\r\n";
    }
    text += ".\r\n\r\n";
  }
  WriteFile(base->folder / "Brain" / "Answers.brain", text);
  WriteFile(base->folder / "Brain" / "Dialog.brain", "\xC4\xE0?\r\n\xCD\xE5\xF2.\r\n");
  WriteFile(base->folder / "Brain" / "Greetings.brain", "\xCF\xF0\xE8\xE2\xE5\xF2!\r\n");

  auto unknownWord = [&] {
    for (;;) {
      std::string word = CyrillicWord(random, true, 5, 8);
      if (!lines.count(word)) return word;
    }
  };
  for (int n = 1; n <= 13; ++n) {
    std::string word = unknownWord();
    base->noMatchQuestion += (n > 1 ? " " : "") + word;
    base->matchQuestion += (n > 1 ? " " : "") + (n < 13 ? word : lastKeyword);
  }
  return base;
}

void Question(benchmark::State& state, const Base* base, bool match) {
  TAnswerEngine engine(base->appFolder);
  const std::string& question = match ? base->matchQuestion : base->noMatchQuestion;
  for (auto _ : state) {
    std::string field = question;
    engine.AnswerQuestion(field);
    benchmark::DoNotOptimize(engine.Answer());
  }
  if (match != !engine.Keyword().empty())
    state.SkipWithError("the question did not match as planned");
}

void Floor(benchmark::State& state, const Base* base) {
  std::string path = fs::path(base->folder / "Brain" / "Answers.brain").string();
  std::vector<char> buffer(kReadSize);
  for (auto _ : state) {
    size_t total = 0;
    for (int pass = 0; pass < 14; ++pass) {
      int fd = ::open(path.c_str(), O_RDONLY);
      if (fd < 0) {
        state.SkipWithError("cannot open");
        return;
      }
      ssize_t n;
      while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) total += static_cast<size_t>(n);
      ::close(fd);
    }
    benchmark::DoNotOptimize(total);
  }
}

// Keeps every run's time so the ratios can be printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
        // The fastest repetition: other work on the machine only ever adds time.
        double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
        Keep(real[Name(run)], run.GetAdjustedRealTime() / unit);
        Keep(cpu[Name(run)], run.GetAdjustedCPUTime() / unit);
      }
  }
  // Seconds per iteration, the least of the repetitions.
  std::map<std::string, double> real, cpu;

 private:
  static void Keep(double& least, double seconds) {
    if (least == 0 || seconds < least) least = seconds;
  }
  static std::string Name(const Run& run) {
    std::string name = run.benchmark_name();
    const std::string suffix = "/real_time";
    if (name.size() > suffix.size() && name.ends_with(suffix))
      name.resize(name.size() - suffix.size());
    return name;
  }
};

}  // namespace

int main(int argc, char** argv) {
  const fs::path root =
      fs::temp_directory_path() / ("qv-bench-brain-" + std::to_string(::getpid()));
  for (const auto& size : kSizes) {
    Bases().push_back(Generate(root, size));
    const Base* base = Bases().back().get();
    std::string suffix = std::string("/") + size.name;
    benchmark::RegisterBenchmark(("Question13thWord" + suffix).c_str(), Question, base, true)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("QuestionNoMatch" + suffix).c_str(), Question, base, false)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("Floor14Reads" + suffix).c_str(), Floor, base)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }

  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  for (auto* kind : {"real", "cpu"}) {
    const auto& times = kind == std::string("real") ? reporter.real : reporter.cpu;
    std::printf("\n%s time  %14s %14s %14s %10s %10s\n", kind, "13th word ms", "no match ms",
                "floor ms", "13th/floor", "none/floor");
    for (const auto& size : kSizes) {
      std::string suffix = std::string("/") + size.name;
      auto get = [&](const std::string& name) {
        auto it = times.find(name + suffix);
        return it == times.end() ? 0.0 : it->second;
      };
      double match = get("Question13thWord"), none = get("QuestionNoMatch"),
             floor = get("Floor14Reads");
      if (floor <= 0) continue;
      std::printf("%-10s %14.3f %14.3f %14.3f %10.2f %10.2f\n", size.name, match * 1e3, none * 1e3,
                  floor * 1e3, match / floor, none / floor);
    }
  }
  std::error_code ignored;
  fs::remove_all(root, ignored);
  return 0;
}
