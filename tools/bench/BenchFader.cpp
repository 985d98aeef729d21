// One fading frame of the text fader: the blend of two 24-bit pictures with DIB strides,
// beside a memcpy of the same bytes, at the speech area's size and at a wide strip.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "Blend.h"

namespace {

struct Size {
  const char* name;
  int width, height;
};
constexpr Size kSizes[] = {{"134x54", 134, 54}, {"1920x200", 1920, 200}};

struct Pictures {
  ptrdiff_t stride;
  std::vector<uint8_t> frame, old;
  explicit Pictures(const Size& size)
      : stride((3 * size.width + 3) / 4 * 4),
        frame(static_cast<size_t>(stride) * size.height),
        old(frame.size()) {
    std::mt19937 random(1);
    for (auto& b : frame) b = static_cast<uint8_t>(random());
    for (auto& b : old) b = static_cast<uint8_t>(random());
  }
};

void Blend(benchmark::State& state, Size size, BlendFunction blend) {
  Pictures p(size);
  int a = 0;
  for (auto _ : state) {
    a = a % 99 + 1;  // 1..99: every frame of a fade mixes both pictures
    blend(p.frame.data(), p.stride, p.old.data(), p.stride, size.width, size.height, a);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(p.frame.size()));
}

void Copy(benchmark::State& state, Size size) {
  Pictures p(size);
  for (auto _ : state) {
    std::memcpy(p.frame.data(), p.old.data(), p.frame.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(p.frame.size()));
}

// Keeps the fastest run of each benchmark for the ratios printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& run : runs)
      if (!run.error_occurred && run.run_type == Run::RT_Iteration) {
        double seconds = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        double& least = cpu[run.benchmark_name()];
        if (least == 0 || seconds < least) least = seconds;
      }
  }
  std::map<std::string, double> cpu;  // seconds per iteration
};

}  // namespace

int main(int argc, char** argv) {
  for (const auto& size : kSizes) {
    const std::string suffix = std::string("/") + size.name;
    for (const BlendVariant& variant : AvailableBlends())
      benchmark::RegisterBenchmark(("Blend/" + std::string(variant.name) + suffix).c_str(), Blend,
                                   size, variant.blend)
          ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(("Memcpy" + suffix).c_str(), Copy, size)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n%-10s %-8s %12s %12s %12s\n", "size", "variant", "blend us", "memcpy us",
              "blend/copy");
  for (const auto& size : kSizes) {
    const std::string suffix = std::string("/") + size.name;
    const double copy = reporter.cpu["Memcpy" + suffix];
    for (const BlendVariant& variant : AvailableBlends()) {
      const double blend = reporter.cpu["Blend/" + std::string(variant.name) + suffix];
      if (blend <= 0 || copy <= 0) continue;
      std::printf("%-10s %-8s %12.2f %12.2f %12.2f\n", size.name, variant.name, blend * 1e6,
                  copy * 1e6, blend / copy);
    }
  }
  return 0;
}
