#include "KnowledgeBase.h"

#include <cstring>
#include <vector>

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kEndOfFile = 26;
constexpr size_t kChunkSize = 64 * 1024;

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
  static constexpr size_t kNone = static_cast<size_t>(-1);

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
    // Candidates: a CR or LF before, the first byte of `wanted` (a CR for an empty line) at
    // the position, and a CR just after the line's length.
    const char first = length ? wanted[0] : kCR;
    const size_t last = end_ - length - 1;  // the last position whose line end is buffered
    size_t p = pos_ + 1;
    using Block = char __attribute__((vector_size(16)));
    using Bits = unsigned long long __attribute__((vector_size(16)));
    const Block crs = {kCR, kCR, kCR, kCR, kCR, kCR, kCR, kCR,
                       kCR, kCR, kCR, kCR, kCR, kCR, kCR, kCR};
    const Block lfs = {kLF, kLF, kLF, kLF, kLF, kLF, kLF, kLF,
                       kLF, kLF, kLF, kLF, kLF, kLF, kLF, kLF};
    const Block firsts = {first, first, first, first, first, first, first, first,
                          first, first, first, first, first, first, first, first};
    for (; p + 16 <= last + 1; p += 16) {
      Block here, before, after;
      std::memcpy(&here, data + p, 16);
      std::memcpy(&after, data + p + length, 16);
      Block hits = (here == firsts) & (after == crs);
      Bits any = reinterpret_cast<Bits>(hits);
      if (!(any[0] | any[1])) continue;
      std::memcpy(&before, data + p - 1, 16);
      hits &= (before == crs) | (before == lfs);
      any = reinterpret_cast<Bits>(hits);
      if (!(any[0] | any[1])) continue;
      for (size_t i = 0; i < 16; ++i)
        if (hits[i] && LineStartsAt(p + i) && equalAt(p + i)) return p + i;
    }
    for (; p <= last; ++p)
      if (data[p] == first && LineStartsAt(p) && equalAt(p)) return p;
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
