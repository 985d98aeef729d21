#include "Blend.h"

#include <algorithm>
#include <cstring>
#include <vector>

// GCC cannot give 64-bit Windows code the 32-byte stack alignment that a spilled AVX2
// register needs, so the Windows build keeps to SSE2, which every x86-64 has.
#if defined(__SSE2__)
#define QV_BLEND_SSE2 1
#include <emmintrin.h>
#endif
#if defined(QV_BLEND_SSE2) && !defined(_WIN32)
#define QV_BLEND_AVX2 1
#include <immintrin.h>
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

// The rows of a picture, each in 16-bit lanes. Kept out of line so that the multipliers
// arrive as 16-bit parameters: inlined beside their computation, GCC widens the products to
// 32-bit lanes instead of using high multiplies.
[[gnu::noinline]] void BlendRowsGeneric(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old,
                                        ptrdiff_t oldStride, size_t count, int height,
                                        uint16_t frameM, uint16_t oldM) {
  for (int y = 0; y < height; ++y)
    BlendRow(frame + y * frameStride, old + y * oldStride, count, frameM, oldM);
}

#ifdef QV_BLEND_SSE2
inline __m128i Load(const uint8_t* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(uint8_t* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// 16 bytes widened to 16-bit lanes, high-multiplied, added and packed back (no sum passes
// 255). The multiplies bound it: four for 16 bytes, as each term is truncated on its own.
inline __m128i Mix(__m128i f, __m128i o, __m128i frameM, __m128i oldM) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i low = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpacklo_epi8(f, zero), frameM),
                                    _mm_mulhi_epu16(_mm_unpacklo_epi8(o, zero), oldM));
  const __m128i high = _mm_add_epi16(_mm_mulhi_epu16(_mm_unpackhi_epi8(f, zero), frameM),
                                     _mm_mulhi_epu16(_mm_unpackhi_epi8(o, zero), oldM));
  return _mm_packus_epi16(low, high);
}

// A row's last 16 bytes are mixed from untouched bytes together with the last whole step
// and stored after it, over the bytes they share: no scalar tail.
[[gnu::noinline]] void BlendRowsSse2(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old,
                                     ptrdiff_t oldStride, size_t count, int height, uint16_t frameM,
                                     uint16_t oldM) {
  constexpr size_t kStep = 16;
  if (count < kStep)
    return BlendRowsGeneric(frame, frameStride, old, oldStride, count, height, frameM, oldM);
  const __m128i fm = _mm_set1_epi16(static_cast<short>(frameM));
  const __m128i om = _mm_set1_epi16(static_cast<short>(oldM));
  for (int y = 0; y < height; ++y, frame += frameStride, old += oldStride) {
    size_t i = 0;
    for (; i + 2 * kStep <= count; i += kStep)
      Store(frame + i, Mix(Load(frame + i), Load(old + i), fm, om));
    const __m128i next = Mix(Load(frame + i), Load(old + i), fm, om);
    const __m128i last = Mix(Load(frame + count - kStep), Load(old + count - kStep), fm, om);
    Store(frame + i, next);
    Store(frame + count - kStep, last);
  }
}
#endif

#ifdef QV_BLEND_AVX2
#define QV_AVX2 gnu::target("avx2"), gnu::always_inline
[[QV_AVX2]] inline __m256i Load32(const uint8_t* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
[[QV_AVX2]] inline void Store(uint8_t* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

[[QV_AVX2]] inline __m256i Mix(__m256i f, __m256i o, __m256i frameM, __m256i oldM) {
  const __m256i low = _mm256_set1_epi16(0x00FF);
  const __m256i high = _mm256_set1_epi16(static_cast<short>(0xFF00));
  const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(f, low), frameM),
                                        _mm256_mulhi_epu16(_mm256_and_si256(o, low), oldM));
  const __m256i odd = _mm256_add_epi16(
      _mm256_and_si256(_mm256_mulhi_epu16(_mm256_and_si256(f, high), frameM), high),
      _mm256_and_si256(_mm256_mulhi_epu16(_mm256_and_si256(o, high), oldM), high));
  return _mm256_or_si256(even, odd);
}

[[gnu::target("avx2"), gnu::noinline]] void BlendRowsAvx2(uint8_t* frame, ptrdiff_t frameStride,
                                                          const uint8_t* old, ptrdiff_t oldStride,
                                                          size_t count, int height, uint16_t frameM,
                                                          uint16_t oldM) {
  constexpr size_t kStep = 32;
  if (count < kStep)
    return BlendRowsSse2(frame, frameStride, old, oldStride, count, height, frameM, oldM);
  const __m256i fm = _mm256_set1_epi16(static_cast<short>(frameM));
  const __m256i om = _mm256_set1_epi16(static_cast<short>(oldM));
  for (int y = 0; y < height; ++y, frame += frameStride, old += oldStride) {
    size_t i = 0;
    for (; i + 2 * kStep <= count; i += kStep)
      Store(frame + i, Mix(Load32(frame + i), Load32(old + i), fm, om));
    const __m256i next = Mix(Load32(frame + i), Load32(old + i), fm, om);
    const __m256i last = Mix(Load32(frame + count - kStep), Load32(old + count - kStep), fm, om);
    Store(frame + i, next);
    Store(frame + count - kStep, last);
  }
}
#undef QV_AVX2
#endif

using RowsFunction = void (*)(uint8_t*, ptrdiff_t, const uint8_t*, ptrdiff_t, size_t, int, uint16_t,
                              uint16_t);

template <RowsFunction rows>
void Blend(uint8_t* frame, ptrdiff_t frameStride, const uint8_t* old, ptrdiff_t oldStride,
           int width, int height, int a) {
  if (width <= 0 || height <= 0) return;
  a = std::clamp(a, 0, 100);
  const size_t count = 3 * static_cast<size_t>(width);
  if (a == 0) return;
  if (a == 100) {  // the old picture's multiplier would not fit in 16 bits
    for (int y = 0; y < height; ++y)
      std::memmove(frame + y * frameStride, old + y * oldStride, count);
    return;
  }
  rows(frame, frameStride, old, oldStride, count, height, Multiplier(100 - a), Multiplier(a));
}

std::vector<BlendVariant> Variants() {
  std::vector<BlendVariant> variants;
#ifdef QV_BLEND_AVX2
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) variants.push_back({"avx2", Blend<BlendRowsAvx2>});
#endif
#ifdef QV_BLEND_SSE2
  variants.push_back({"sse2", Blend<BlendRowsSse2>});
#endif
  variants.push_back({"generic", Blend<BlendRowsGeneric>});
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
