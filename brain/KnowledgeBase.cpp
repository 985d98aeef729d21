#include "KnowledgeBase.h"

#include "LineScan.h"
#include "ReplacingFile.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kCR = '\r';
constexpr char kLF = '\n';
constexpr char kEndOfFile = 26;
constexpr size_t kChunkSize = 256 * 1024;
constexpr size_t kSmallestChunk = 4096;
constexpr size_t kNone = kNoPosition;

// Reads a file in large chunks and walks it line by line in the brain grammar. Between
// calls it always stands at the start of a line. Byte 26 is looked for only in the bytes
// about to be used, so that the keyword scan can test for it in the same pass.
class LineScanner {
 public:
  explicit LineScanner(const TPath& path)
      : LineScanner(Platform().OpenFile(path, FileMode::Read)) {}
  explicit LineScanner(std::unique_ptr<PlatformFile> file)
      : file_(std::move(file)), unread_(file_->Size()) {}

  // The next line; false at the end of the file.
  bool NextLine(std::string& line) {
    SkipPendingLF();
    if (pos_ == end_) Refill();
    CutAtEndOfFile();
    if (pos_ == end_) return false;
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
      Refill();
      CutAtEndOfFile();
      if (pos_ == end_) return true;
    }
  }

  // Moves past the next line equal to `wanted`; false, at the end of the file, if none.
  bool SkipToLine(std::string_view wanted) {
    if (wanted.find(kCR) != std::string_view::npos ||
        wanted.find(kEndOfFile) != std::string_view::npos) {
      finished_ = true;
      pos_ = end_;
      return false;
    }
    bool atLineStart = true;
    for (;;) {
      SkipPendingLF();
      size_t hit = FindLine(wanted, atLineStart);
      if (hit != kNone) {
        pos_ = hit + wanted.size() + 1;
        clean_ = std::max(clean_, pos_);
        pendingLF_ = true;
        return true;
      }
      if (finished_) {
        size_t last = LastLineStart(atLineStart, wanted.size());
        bool match = last != kNone && last < end_ && end_ - last == wanted.size() &&
                     std::memcmp(Data() + last, wanted.data(), wanted.size()) == 0;
        pos_ = end_;
        return match;
      }
      // Keep only the unfinished last line, and only while it can still equal `wanted`.
      size_t last = LastLineStart(atLineStart, wanted.size());
      if (last != kNone && end_ - last <= wanted.size()) {
        pendingLF_ = last == end_ && end_ > pos_ && Data()[end_ - 1] == kCR;
        pos_ = last;
        atLineStart = true;
      } else {
        pos_ = end_;
        atLineStart = false;
      }
      Refill();
    }
  }

 private:
  const char* Data() const { return buffer_.get(); }

  // An LF right after a CR belongs to that line end.
  void SkipPendingLF() {
    if (!pendingLF_) return;
    if (pos_ == end_) Refill();
    if (pos_ < end_ && Data()[pos_] == kLF) ++pos_;
    pendingLF_ = false;
  }

  // Keeps the unread bytes and appends the next chunk.
  void Refill() {
    if (finished_) return;
    size_t kept = end_ - pos_;
    // Brain files are small and read several times a question: a chunk the size of what is
    // left (one byte more, to see the end) spares a large allocation for each.
    const size_t chunk =
        static_cast<size_t>(std::clamp<uint64_t>(unread_ + 1, kSmallestChunk, kChunkSize));
    if (!buffer_ || capacity_ < kept + chunk) {
      size_t capacity = kept + chunk;
      auto grown = std::make_unique_for_overwrite<char[]>(capacity);
      if (kept) std::memcpy(grown.get(), Data() + pos_, kept);
      buffer_ = std::move(grown);
      capacity_ = capacity;
    } else if (kept && pos_) {
      std::memmove(buffer_.get(), Data() + pos_, kept);
    }
    clean_ = clean_ > pos_ ? std::min(clean_ - pos_, kept) : 0;
    pos_ = 0;
    end_ = kept;
    size_t count = file_->Read(buffer_.get() + kept, capacity_ - kept);
    if (count == 0) finished_ = true;
    unread_ -= std::min<uint64_t>(unread_, count);
    end_ = kept + count;
  }

  // Byte 26 ends the file: drops it and everything after it.
  void CutAt(size_t stop) {
    end_ = stop;
    clean_ = stop;
    finished_ = true;
  }

  void CutAtEndOfFile() {
    if (clean_ >= end_) return;
    size_t from = std::max(clean_, pos_);
    auto* stop = static_cast<const char*>(std::memchr(Data() + from, kEndOfFile, end_ - from));
    if (stop)
      CutAt(static_cast<size_t>(stop - Data()));
    else
      clean_ = end_;
  }

  // Where the last line of the buffered bytes starts, kNone if it started before them.
  // Looks back no further than a line of `longest` bytes could start, so that a file
  // without CRs is not searched backwards chunk after chunk.
  size_t LastLineStart(bool atLineStart, size_t longest) const {
    const char* data = Data();
    const size_t stop = end_ - pos_ > longest + 2 ? end_ - longest - 2 : pos_;
    size_t i = end_;
    while (i > stop && data[i - 1] != kCR) --i;
    if (i == stop) return atLineStart && stop == pos_ ? pos_ : kNone;
    if (i < end_ && data[i] == kLF) ++i;
    return i;
  }

  bool LineStartsAt(size_t p) const {
    const char* data = Data();
    if (data[p - 1] == kCR) return data[p] != kLF;
    return data[p - 1] == kLF && p >= pos_ + 2 && data[p - 2] == kCR;
  }

  // The first complete line in the buffer equal to `wanted` (followed by its CR). Returns
  // kNone once every buffered byte is known to lie before the end of the file.
  size_t FindLine(std::string_view wanted, bool atLineStart) {
    const size_t length = wanted.size();
    const char first = length ? wanted[0] : kCR;
    const char* data = Data();
    auto equalAt = [&](size_t p) {
      return data[p + length] == kCR && std::memcmp(data + p, wanted.data(), length) == 0;
    };
    const ScanFunction scan = BestScan();
    for (;;) {
      if (end_ - pos_ < length + 1 || data[pos_] == kEndOfFile) {
        CutAtEndOfFile();
        return kNone;
      }
      // A line equal to `wanted` holds no byte 26, so a match needs no test for it.
      if (atLineStart && equalAt(pos_)) return pos_;
      const size_t last = end_ - length - 1;  // the last position whose line end is buffered
      bool cut = false;
      for (size_t p = pos_ + 1; p <= last; ++p) {
        p = scan(data, p, last, length, first);
        if (p == kNone) break;
        if (data[p] == kEndOfFile) {
          CutAt(p);
          cut = true;
          break;
        }
        if (LineStartsAt(p) && equalAt(p)) return p;
      }
      if (cut) continue;
      clean_ = std::max(clean_, last + 1);
      CutAtEndOfFile();
      return kNone;
    }
  }

  std::unique_ptr<PlatformFile> file_;
  uint64_t unread_;  // as the file's size said at the start
  std::unique_ptr<char[]> buffer_;
  size_t capacity_ = 0;
  size_t pos_ = 0, end_ = 0;
  size_t clean_ = 0;  // the bytes before it hold no byte 26
  bool pendingLF_ = false;
  bool finished_ = false;
};

bool StartsWith(const std::string& line, char c) {
  return !line.empty() && line[0] == c;
}

}  // namespace

struct TBrainReader::Impl {
  explicit Impl(const TPath& path) : scanner(path) {}
  explicit Impl(std::unique_ptr<PlatformFile> file) : scanner(std::move(file)) {}
  LineScanner scanner;
};

TBrainReader::TBrainReader(const TPath& path) : impl_(std::make_unique<Impl>(path)) {}
TBrainReader::TBrainReader(std::unique_ptr<PlatformFile> file)
    : impl_(std::make_unique<Impl>(std::move(file))) {}
TBrainReader::~TBrainReader() = default;

bool TBrainReader::ReadLine(std::string& line) {
  return impl_->scanner.NextLine(line);
}

TStringList ReadListFile(const TPath& path) {
  LineScanner scanner(path);
  TStringList list;
  std::string line;
  while (scanner.NextLine(line)) list.Add(line);
  return list;
}

bool FileHasLine(const TPath& path, std::string_view line) {
  LineScanner scanner(path);
  return scanner.SkipToLine(line);
}

TStringList GatherBlockAnswers(const TPath& path, std::string_view keyword) {
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

void AppendBlock(const TPath& path, std::span<const std::string> keywords,
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

void RewriteListFile(const TPath& path, std::string_view text) {
  TReplacingFile file(Platform(), path);
  file.Write(text.data(), text.size());
  file.Commit();
}
