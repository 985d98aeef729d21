#include "LineScan.h"

#include <cstdint>
#include <cstring>
#include <vector>

// GCC cannot give 64-bit Windows code the 32-byte stack alignment that a spilled AVX2
// register needs (it spills with aligned moves), so the Windows build keeps to the generic scan.
#if (defined(__x86_64__) || defined(__i386__)) && !defined(_WIN32)
#define QV_SCAN_AVX2 1
#include <immintrin.h>
#endif

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kEndOfFile = 26;

using Block = char __attribute__((vector_size(16)));
using Words = unsigned long long __attribute__((vector_size(16)));

[[gnu::always_inline]] inline bool IsCandidate(const char* data, size_t p, size_t length,
                                               char first) {
  return data[p] == kEndOfFile || (data[p] == first && data[p + length] == kCR &&
                                   (data[p - 1] == kCR || data[p - 1] == kLF));
}

size_t ScanCandidatesGeneric(const char* data, size_t from, size_t last, size_t length,
                             char first) {
  const Block crs = Block{} + kCR, lfs = Block{} + kLF, firsts = Block{} + first;
  const Block stops = Block{} + kEndOfFile;
  size_t p = from;
  for (; p + 16 <= last + 1; p += 16) {
    Block here, after, before;
    std::memcpy(&here, data + p, 16);
    std::memcpy(&after, data + p + length, 16);
    Block stop = here == stops;
    Block hits = (here == firsts) & (after == crs);
    Words any = reinterpret_cast<Words>(hits | stop);
    if (!(any[0] | any[1])) continue;
    std::memcpy(&before, data + p - 1, 16);
    hits = (hits & ((before == crs) | (before == lfs))) | stop;
    for (size_t i = 0; i < 16; ++i)
      if (hits[i]) return p + i;
  }
  for (; p <= last; ++p)
    if (IsCandidate(data, p, length, first)) return p;
  return kNoPosition;
}

#ifdef QV_SCAN_AVX2
// Intrinsics only inline into functions of their target, hence the macros instead of lambdas.
#define QV_LOAD256(at) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + (at)))

[[gnu::target("avx2")]] size_t ScanCandidatesAvx2(const char* data, size_t from, size_t last,
                                                  size_t length, char first) {
  const __m256i crs = _mm256_set1_epi8(kCR), lfs = _mm256_set1_epi8(kLF);
  const __m256i firsts = _mm256_set1_epi8(first), stops = _mm256_set1_epi8(kEndOfFile);
  size_t p = from;
  // Aligned loads of the bytes at p, so that only the shifted loads cross cache lines.
  for (; p <= last && reinterpret_cast<uintptr_t>(data + p) % 32 != 0; ++p)
    if (IsCandidate(data, p, length, first)) return p;
  for (; p + 64 <= last + 1; p += 64) {
    __m256i here = _mm256_load_si256(reinterpret_cast<const __m256i*>(data + p));
    __m256i here2 = _mm256_load_si256(reinterpret_cast<const __m256i*>(data + p + 32));
    __m256i low = _mm256_and_si256(_mm256_cmpeq_epi8(here, firsts),
                                   _mm256_cmpeq_epi8(QV_LOAD256(p + length), crs));
    __m256i high = _mm256_and_si256(_mm256_cmpeq_epi8(here2, firsts),
                                    _mm256_cmpeq_epi8(QV_LOAD256(p + 32 + length), crs));
    __m256i stop = _mm256_or_si256(_mm256_cmpeq_epi8(here, stops), _mm256_cmpeq_epi8(here2, stops));
    __m256i any = _mm256_or_si256(_mm256_or_si256(low, high), stop);
    if (_mm256_testz_si256(any, any)) continue;
    __m256i before = QV_LOAD256(p - 1);
    low = _mm256_and_si256(
        low, _mm256_or_si256(_mm256_cmpeq_epi8(before, crs), _mm256_cmpeq_epi8(before, lfs)));
    low = _mm256_or_si256(low, _mm256_cmpeq_epi8(here, stops));
    before = QV_LOAD256(p + 31);
    high = _mm256_and_si256(
        high, _mm256_or_si256(_mm256_cmpeq_epi8(before, crs), _mm256_cmpeq_epi8(before, lfs)));
    high = _mm256_or_si256(high, _mm256_cmpeq_epi8(here2, stops));
    uint64_t hits = static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
                    static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
    if (hits) return p + static_cast<size_t>(__builtin_ctzll(hits));
  }
  return ScanCandidatesGeneric(data, p, last, length, first);
}

#undef QV_LOAD256

#endif

std::vector<ScanVariant> Variants() {
  std::vector<ScanVariant> variants;
#ifdef QV_SCAN_AVX2
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) variants.push_back({"avx2", ScanCandidatesAvx2});
#endif
  variants.push_back({"generic", ScanCandidatesGeneric});
  return variants;
}

}  // namespace

std::span<const ScanVariant> AvailableScans() {
  static const std::vector<ScanVariant> variants = Variants();
  return variants;
}

ScanFunction BestScan() {
  static const ScanFunction best = AvailableScans().front().scan;
  return best;
}
