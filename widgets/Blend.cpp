#include "Blend.h"

#include <algorithm>
#include <cstring>
#include <vector>

// GCC cannot give 64-bit Windows code the 32-byte stack alignment that a spilled AVX2
// register needs, so the Windows build keeps to the generic rows.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define QV_BLEND_AVX2 1
#endif

namespace {

// x * w div 100 for x in 0..255 and w in 0..99 is (x * ceil(w * 2^16 / 100)) >> 16: the
// multiplier is less than 2^-16 too large, so x * w / 100 gains less than 0.004, which never
// reaches the next whole number (the fraction of x * w / 100 is at most 0.99).
uint16_t Multiplier(int weight) {
  return static_cast<uint16_t>((weight * 65536 + 99) / 100);
}

inline uint16_t MulHigh(uint16_t x, uint16_t m) {
  return static_cast<uint16_t>((uint32_t{x} * m) >> 16);
}

// Two bytes at a time in 16-bit lanes, the low and high byte apart: the loop maps onto
// vector high multiplies without byte shuffles.
[[gnu::always_inline]] inline void BlendRow(uint8_t* frame, const uint8_t* old, size_t count,
                                            uint16_t frameM, uint16_t oldM) {
  const size_t pairs = count / 2;
  for (size_t i = 0; i < pairs; ++i) {
    uint16_t f, o;
    std::memcpy(&f, frame + 2 * i, 2);
    std::memcpy(&o, old + 2 * i, 2);
    const auto low = static_cast<uint16_t>(MulHigh(f & 0xFF, frameM) + MulHigh(o & 0xFF, oldM));
    const auto high = static_cast<uint16_t>(MulHigh(f >> 8, frameM) + MulHigh(o >> 8, oldM));
    const auto mixed = static_cast<uint16_t>(low | high << 8);
    std::memcpy(frame + 2 * i, &mixed, 2);
  }
  if (count % 2)
    frame[count - 1] =
        static_cast<uint8_t>(MulHigh(frame[count - 1], frameM) + MulHigh(old[count - 1], oldM));
}

// The same loop compiled for each instruction set. Kept out of line so that the multipliers
// arrive as 16-bit parameters: inlined beside their computation, GCC widens the products to
// 32-bit lanes instead of using high multiplies.
[[gnu::noinline]] void BlendRowGeneric(uint8_t* frame, const uint8_t* old, size_t count,
                                       uint16_t frameM, uint16_t oldM) {
  BlendRow(frame, old, count, frameM, oldM);
}

#ifdef QV_BLEND_AVX2
[[gnu::target("avx2"), gnu::noinline]] void BlendRowAvx2(uint8_t* frame, const uint8_t* old,
                                                         size_t count, uint16_t frameM,
                                                         uint16_t oldM) {
  BlendRow(frame, old, count, frameM, oldM);
}
#endif

using RowFunction = void (*)(uint8_t*, const uint8_t*, size_t, uint16_t, uint16_t);

void BlendRows(RowFunction row, uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old,
               ptrdiff_t oldStride, int width, int height, int a) {
  if (width <= 0 || height <= 0) return;
  a = std::clamp(a, 0, 100);
  const size_t count = 3 * static_cast<size_t>(width);
  if (a == 0) return;
  if (a == 100) {  // the old picture's multiplier would not fit in 16 bits
    for (int y = 0; y < height; ++y)
      std::memmove(frame + y * frameStride, old + y * oldStride, count);
    return;
  }
  const uint16_t frameM = Multiplier(100 - a), oldM = Multiplier(a);
  for (int y = 0; y < height; ++y)
    row(frame + y * frameStride, old + y * oldStride, count, frameM, oldM);
}

void BlendGeneric(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old, ptrdiff_t oldStride,
                  int width, int height, int a) {
  BlendRows(BlendRowGeneric, frame, frameStride, old, oldStride, width, height, a);
}

#ifdef QV_BLEND_AVX2
void BlendAvx2(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old, ptrdiff_t oldStride,
               int width, int height, int a) {
  BlendRows(BlendRowAvx2, frame, frameStride, old, oldStride, width, height, a);
}
#endif

std::vector<BlendVariant> Variants() {
  std::vector<BlendVariant> variants;
#ifdef QV_BLEND_AVX2
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) variants.push_back({"avx2", BlendAvx2});
#endif
  variants.push_back({"generic", BlendGeneric});
  return variants;
}

}  // namespace

std::span<const BlendVariant> AvailableBlends() {
  static const std::vector<BlendVariant> variants = Variants();
  return variants;
}

void BlendBitmaps(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old, ptrdiff_t oldStride,
                  int width, int height, int a) {
  static const BlendFunction best = AvailableBlends().front().blend;
  best(frame, frameStride, old, oldStride, width, height, a);
}

void BlendBitmapsReference(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old,
                           ptrdiff_t oldStride, int width, int height, int a) {
  if (width <= 0 || height <= 0) return;
  a = std::clamp(a, 0, 100);
  for (int y = 0; y < height; ++y) {
    uint8_t* f = frame + y * frameStride;
    const uint8_t* o = old + y * oldStride;
    for (int i = 0; i < 3 * width; ++i)
      f[i] = static_cast<uint8_t>(f[i] * (100 - a) / 100 + o[i] * a / 100);
  }
}
