// One fading frame of the text fader: the blend of two 24-bit pictures with DIB strides,
// beside a memcpy of the same bytes, at the speech area's size and at a wide strip. Timed by
// hand, so that the Windows build runs it too (under Wine): the least time of many batches,
// which a busy machine disturbs least.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
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

// Keeps the compiler from dropping work whose result is never read.
volatile uint8_t sink;

// Microseconds per call of `work`, the least over batches of about a millisecond each.
template <class Work>
double Microseconds(Work work) {
  using Clock = std::chrono::steady_clock;
  int calls = 1;
  for (;;) {  // a batch long enough for the clock
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) work();
    if (Clock::now() - start > std::chrono::microseconds(1000)) break;
    calls *= 2;
  }
  double least = 1e30;
  const auto end = Clock::now() + std::chrono::milliseconds(400);
  while (Clock::now() < end) {
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) work();
    const std::chrono::duration<double, std::micro> took = Clock::now() - start;
    least = std::min(least, took.count() / calls);
  }
  return least;
}

}  // namespace

int main() {
  std::printf("%-10s %-8s %12s %12s %12s\n", "size", "variant", "blend us", "memcpy us",
              "blend/copy");
  for (const auto& size : kSizes) {
    Pictures p(size);
    const double copy = Microseconds([&] {
      std::memcpy(p.frame.data(), p.old.data(), p.frame.size());
      sink = p.frame[p.frame.size() / 2];
    });
    for (const BlendVariant& variant : AvailableBlends()) {
      int a = 0;
      const double blend = Microseconds([&] {
        a = a % 99 + 1;  // 1..99: every frame of a fade mixes both pictures
        variant.blend(p.frame.data(), p.stride, p.old.data(), p.stride, size.width, size.height, a);
        sink = p.frame[p.frame.size() / 2];
      });
      std::printf("%-10s %-8s %12.2f %12.2f %12.2f\n", size.name, variant.name, blend, copy,
                  blend / copy);
    }
  }
  return 0;
}
