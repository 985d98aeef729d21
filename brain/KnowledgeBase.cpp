#include "KnowledgeBase.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kEndOfFile = 26;
constexpr size_t kChunkSize = 128 * 1024;

constexpr size_t kNone = static_cast<size_t>(-1);

// The first position p in from..last (from >= 1) where a line equal to a text of `length`
// bytes beginning with `first` could start: a CR or LF before p, `first` at p and a CR at
// p + length. Blocks of W bytes are tested at once.
template <size_t W>
struct Vectors;
template <>
struct Vectors<16> {
  using Block = char __attribute__((vector_size(16)));
  using Words = unsigned long long __attribute__((vector_size(16)));
};
template <>
struct Vectors<32> {
  using Block = char __attribute__((vector_size(32)));
  using Words = unsigned long long __attribute__((vector_size(32)));
};

template <size_t W>
[[gnu::always_inline]] inline size_t ScanCandidates(const char* data, size_t from, size_t last,
                                                    size_t length, char first) {
  using Block = typename Vectors<W>::Block;
  using Words = typename Vectors<W>::Words;
  auto none = [](Block block) {
    Words words = reinterpret_cast<Words>(block);
    unsigned long long any = 0;
    for (size_t i = 0; i < W / 8; ++i) any |= words[i];
    return any == 0;
  };
  const Block crs = Block{} + kCR, lfs = Block{} + kLF, firsts = Block{} + first;
  size_t p = from;
  for (; p + W <= last + 1; p += W) {
    Block here, after, before;
    std::memcpy(&here, data + p, W);
    std::memcpy(&after, data + p + length, W);
    Block hits = (here == firsts) & (after == crs);
    if (none(hits)) continue;
    std::memcpy(&before, data + p - 1, W);
    hits &= (before == crs) | (before == lfs);
    if (none(hits)) continue;
    for (size_t i = 0; i < W; ++i)
      if (hits[i]) return p + i;
  }
  for (; p <= last; ++p)
    if (data[p] == first && data[p + length] == kCR && (data[p - 1] == kCR || data[p - 1] == kLF))
      return p;
  return kNone;
}

#if defined(__x86_64__) || defined(__i386__)
[[gnu::target("avx2")]] size_t ScanCandidatesAvx2(const char* data, size_t from, size_t last,
                                                  size_t length, char first) {
  const __m256i crs = _mm256_set1_epi8(kCR), lfs = _mm256_set1_epi8(kLF);
  const __m256i firsts = _mm256_set1_epi8(first);
  // Lambdas would not inherit the target, so the loads are spelt out.
#define QV_LOAD(at) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + (at)))
  size_t p = from;
  for (; p + 64 <= last + 1; p += 64) {
    __m256i low = _mm256_and_si256(_mm256_cmpeq_epi8(QV_LOAD(p), firsts),
                                   _mm256_cmpeq_epi8(QV_LOAD(p + length), crs));
    __m256i high = _mm256_and_si256(_mm256_cmpeq_epi8(QV_LOAD(p + 32), firsts),
                                    _mm256_cmpeq_epi8(QV_LOAD(p + 32 + length), crs));
    __m256i both = _mm256_or_si256(low, high);
    if (_mm256_testz_si256(both, both)) continue;
    __m256i before = QV_LOAD(p - 1);
    low = _mm256_and_si256(
        low, _mm256_or_si256(_mm256_cmpeq_epi8(before, crs), _mm256_cmpeq_epi8(before, lfs)));
    before = QV_LOAD(p + 31);
    high = _mm256_and_si256(
        high, _mm256_or_si256(_mm256_cmpeq_epi8(before, crs), _mm256_cmpeq_epi8(before, lfs)));
    uint64_t hits = static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
                    static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
    if (hits) return p + static_cast<size_t>(__builtin_ctzll(hits));
  }
#undef QV_LOAD
  return ScanCandidates<16>(data, p, last, length, first);
}

const bool kHasAvx2 = __builtin_cpu_supports("avx2");
#endif

size_t NextCandidate(const char* data, size_t from, size_t last, size_t length, char first) {
#if defined(__x86_64__) || defined(__i386__)
  if (kHasAvx2) return ScanCandidatesAvx2(data, from, last, length, first);
#endif
  return ScanCandidates<16>(data, from, last, length, first);
}

// Reads a file in large chunks and walks it line by line in the brain grammar. Between
// calls it always stands at the start of a line.
class LineScanner {
 public:
  explicit LineScanner(const std::string& path)
      : file_(Platform().OpenFile(path, FileMode::Read)) {}

  // The next line; false at the end of the file.
  bool NextLine(std::string& line) {
    SkipPendingLF();
    if (pos_ == end_ && !Refill()) return false;
    line.clear();
    for (;;) {
      auto* cr = static_cast<const char*>(std::memchr(Data() + pos_, kCR, end_ - pos_));
      if (cr) {
        size_t at = static_cast<size_t>(cr - Data());
        line.append(Data() + pos_, at - pos_);
        pos_ = at + 1;
        pendingLF_ = true;
        return true;
      }
      line.append(Data() + pos_, end_ - pos_);
      pos_ = end_;
      if (!Refill()) return true;
    }
  }

  // Moves past the next line equal to `wanted`; false, at the end of the file, if none.
  bool SkipToLine(std::string_view wanted) {
    if (wanted.find(kCR) != std::string_view::npos ||
        wanted.find(kEndOfFile) != std::string_view::npos) {
      Finish();
      return false;
    }
    bool atLineStart = true;
    for (;;) {
      SkipPendingLF();
      size_t hit = FindLine(wanted, atLineStart);
      if (hit != kNone) {
        pos_ = hit + wanted.size() + 1;
        pendingLF_ = true;
        return true;
      }
      if (finished_) {
        size_t last = LastLineStart(atLineStart);
        bool match = last != kNone && last < end_ && end_ - last == wanted.size() &&
                     std::memcmp(Data() + last, wanted.data(), wanted.size()) == 0;
        pos_ = end_;
        return match;
      }
      // Keep only the unfinished last line, and only while it can still equal `wanted`.
      size_t last = LastLineStart(atLineStart);
      if (last != kNone && end_ - last <= wanted.size()) {
        pendingLF_ = last == end_ && end_ > pos_ && Data()[end_ - 1] == kCR;
        pos_ = last;
        atLineStart = true;
      } else {
        pos_ = end_;
        atLineStart = false;
      }
      if (!Refill() && !finished_) return false;
    }
  }

 private:
  const char* Data() const { return buffer_.get(); }

  void Finish() {
    finished_ = true;
    pos_ = end_;
  }

  // An LF right after a CR belongs to that line end.
  void SkipPendingLF() {
    if (!pendingLF_) return;
    if (pos_ == end_) Refill();
    if (pos_ < end_ && Data()[pos_] == kLF) ++pos_;
    pendingLF_ = false;
  }

  // Keeps the unread bytes and appends the next chunk; false when nothing was added.
  bool Refill() {
    if (finished_) return false;
    size_t kept = end_ - pos_;
    if (!buffer_ || capacity_ < kept + kChunkSize) {
      size_t capacity = kept + kChunkSize;
      auto grown = std::make_unique_for_overwrite<char[]>(capacity);
      if (kept) std::memcpy(grown.get(), Data() + pos_, kept);
      buffer_ = std::move(grown);
      capacity_ = capacity;
    } else if (kept && pos_) {
      std::memmove(buffer_.get(), Data() + pos_, kept);
    }
    pos_ = 0;
    end_ = kept;
    size_t count = file_->Read(buffer_.get() + kept, capacity_ - kept);
    if (count == 0) {
      finished_ = true;
      return false;
    }
    auto* stop = static_cast<const char*>(std::memchr(Data() + kept, kEndOfFile, count));
    if (stop) {
      count = static_cast<size_t>(stop - (Data() + kept));
      finished_ = true;
    }
    end_ = kept + count;
    return count > 0;
  }

  // Where the last line of the buffered bytes starts, kNone if it started before them.
  size_t LastLineStart(bool atLineStart) const {
    const char* data = Data();
    size_t i = end_;
    while (i > pos_ && data[i - 1] != kCR) --i;
    if (i == pos_) return atLineStart ? pos_ : kNone;
    if (i < end_ && data[i] == kLF) ++i;
    return i;
  }

  bool LineStartsAt(size_t p) const {
    const char* data = Data();
    if (data[p - 1] == kCR) return data[p] != kLF;
    return data[p - 1] == kLF && p >= pos_ + 2 && data[p - 2] == kCR;
  }

  // The first complete line in the buffer equal to `wanted` (followed by its CR).
  size_t FindLine(std::string_view wanted, bool atLineStart) const {
    const size_t length = wanted.size();
    if (end_ - pos_ < length + 1) return kNone;
    const char* data = Data();
    auto equalAt = [&](size_t p) {
      return data[p + length] == kCR && std::memcmp(data + p, wanted.data(), length) == 0;
    };
    if (atLineStart && equalAt(pos_)) return pos_;
    const char first = length ? wanted[0] : kCR;
    const size_t last = end_ - length - 1;  // the last position whose line end is buffered
    for (size_t p = pos_ + 1; p <= last; ++p) {
      p = NextCandidate(data, p, last, length, first);
      if (p == kNone) break;
      if (LineStartsAt(p) && equalAt(p)) return p;
    }
    return kNone;
  }

  std::unique_ptr<PlatformFile> file_;
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t pos_ = 0, end_ = 0;
  bool pendingLF_ = false;
  bool finished_ = false;
};

bool StartsWith(const std::string& line, char c) {
  return !line.empty() && line[0] == c;
}

}  // namespace

struct TBrainReader::Impl {
  explicit Impl(const std::string& path) : scanner(path) {}
  LineScanner scanner;
};

TBrainReader::TBrainReader(const std::string& path) : impl_(std::make_unique<Impl>(path)) {}
TBrainReader::~TBrainReader() = default;

bool TBrainReader::ReadLine(std::string& line) {
  return impl_->scanner.NextLine(line);
}

TStringList ReadListFile(const std::string& path) {
  LineScanner scanner(path);
  TStringList list;
  std::string line;
  while (scanner.NextLine(line)) list.Add(line);
  return list;
}

bool FileHasLine(const std::string& path, std::string_view line) {
  LineScanner scanner(path);
  return scanner.SkipToLine(line);
}

TStringList GatherBlockAnswers(const std::string& path, std::string_view keyword) {
  LineScanner scanner(path);
  TStringList pool;
  std::string line;
  while (scanner.SkipToLine(keyword)) {
    bool opened = false;
    while (scanner.NextLine(line))
      if (StartsWith(line, '!')) {
        opened = true;
        break;
      }
    if (!opened) break;
    bool closed = false;
    while (scanner.NextLine(line)) {
      if (line != ".") pool.Add(line);
      if (StartsWith(line, '.')) {
        closed = true;
        break;
      }
    }
    if (!closed) break;
  }
  return pool;
}

void AppendBlock(const std::string& path, std::span<const std::string> keywords,
                 std::span<const std::string> answerLines) {
  std::string text;
  for (const auto& keyword : keywords)
    if (!keyword.empty()) text += keyword + "\r\n";
  text += "!\r\n";
  for (size_t i = 0; i < answerLines.size() && i < 5; ++i)
    if (!answerLines[i].empty()) text += answerLines[i] + "\r\n";
  text += ".\r\n";

  auto file = Platform().OpenFile(path, FileMode::ReadWrite);
  const uint64_t size = file->Size();
  const uint64_t tailStart = size > 128 ? size - 128 : 0;
  std::string tail(static_cast<size_t>(size - tailStart), '\0');
  file->Seek(tailStart);
  for (size_t done = 0; done < tail.size();) {
    size_t count = file->Read(tail.data() + done, tail.size() - done);
    if (count == 0) {
      tail.resize(done);
      break;
    }
    done += count;
  }
  uint64_t start = tailStart + tail.size();
  auto stop = tail.find(kEndOfFile);
  if (stop != std::string::npos) start = tailStart + stop;

  try {
    file->Seek(start);
    file->Write(text.data(), text.size());
    file->Truncate();
    file->Flush();
  } catch (...) {
    // Put back what was there, so that a failed save loses nothing.
    try {
      file->Seek(start);
      if (stop != std::string::npos) file->Write(tail.data() + stop, tail.size() - stop);
      file->Seek(size);
      file->Truncate();
      file->Flush();
    } catch (...) {
    }
    throw;
  }
}

void RewriteListFile(const std::string& path, std::string_view text) {
  PlatformServices& platform = Platform();
  // Replacing the file must not get round a target that cannot be written.
  if (platform.FileExists(path)) platform.OpenFile(path, FileMode::ReadWrite);
  const std::string temporary = path + ".tmp";
  auto file = platform.OpenFile(temporary, FileMode::Create);
  try {
    file->Write(text.data(), text.size());
    file->Flush();
    file.reset();
    platform.ReplaceFile(temporary, path);
  } catch (...) {
    file.reset();
    platform.RemoveFile(temporary);
    throw;
  }
}
