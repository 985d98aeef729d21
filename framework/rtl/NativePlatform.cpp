// The native platform services: Windows-1251 case tables, POSIX files and the C++ clock;
// and the in-memory file.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "Platform.h"
#include "SysUtils.h"

#ifdef _WIN32
#include <io.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace {

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};

  CaseTables() {
    for (int c = 0; c < 256; ++c) upper[c] = lower[c] = static_cast<unsigned char>(c);
    auto pair = [this](int big, int small) {
      upper[small] = static_cast<unsigned char>(big);
      lower[big] = static_cast<unsigned char>(small);
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    // А..Я and а..я.
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
    pair(0x80, 0x90);  // Ђ ђ
    pair(0x81, 0x83);  // Ѓ ѓ
    pair(0x8A, 0x9A);  // Љ љ
    pair(0x8C, 0x9C);  // Њ њ
    pair(0x8D, 0x9D);  // Ќ ќ
    pair(0x8E, 0x9E);  // Ћ ћ
    pair(0x8F, 0x9F);  // Џ џ
    pair(0xA1, 0xA2);  // Ў ў
    pair(0xA3, 0xBC);  // Ј ј
    pair(0xA5, 0xB4);  // Ґ ґ
    pair(0xA8, 0xB8);  // Ё ё
    pair(0xAA, 0xBA);  // Є є
    pair(0xAF, 0xBF);  // Ї ї
    pair(0xB2, 0xB3);  // І і
    pair(0xBD, 0xBE);  // Ѕ ѕ
  }
};

const CaseTables& Tables() {
  static const CaseTables tables;
  return tables;
}

std::string NativePath(const TPath& path) {
  std::string result = path.Bytes();
  for (char& c : result)
    if (c == '\\') c = '/';
  return result;
}

bool ParentFolderExists(const std::string& nativePath) {
  auto slash = nativePath.find_last_of('/');
  if (slash == std::string::npos) return true;
  std::string folder = slash == 0 ? "/" : nativePath.substr(0, slash);
  struct stat info {};
  return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// errno as the Windows error code the same failure gives there.
int WindowsCode(int error, const std::string& nativePath) {
  switch (error) {
    case ENOENT:
      return ParentFolderExists(nativePath) ? kErrorFileNotFound : kErrorPathNotFound;
    case ENOTDIR:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kErrorAccessDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return kErrorDiskFull;
    case EMFILE:
    case ENFILE:
      return 4;  // too many open files
    case ENAMETOOLONG:
      return 206;  // file name too long
    case EEXIST:
      return 80;  // file exists
    case EBADF:
      return 6;  // invalid handle
    case EFBIG:
      return 223;  // file too large
    case EIO:
    default:
      return 1117;  // device I/O error
  }
}

[[noreturn]] void Fail(int error, const std::string& nativePath) {
  throw EInOutError(WindowsCode(error, nativePath));
}

class NativeFile final : public PlatformFile {
 public:
  NativeFile(int fd, std::string nativePath) : fd_(fd), path_(std::move(nativePath)) {}
  ~NativeFile() override { ::close(fd_); }
  NativeFile(const NativeFile&) = delete;
  NativeFile& operator=(const NativeFile&) = delete;

  size_t Read(void* buffer, size_t count) override {
    for (;;) {
      auto n = ::read(fd_, buffer, static_cast<unsigned>(std::min<size_t>(count, 1u << 30)));
      if (n >= 0) return static_cast<size_t>(n);
      if (errno != EINTR) Fail(errno, path_);
    }
  }

  void Write(const void* data, size_t count) override {
    auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
      auto n = ::write(fd_, bytes, static_cast<unsigned>(std::min<size_t>(count, 1u << 30)));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) Fail(errno, path_);
      if (n == 0) throw EInOutError(kErrorDiskFull);
      bytes += n;
      count -= static_cast<size_t>(n);
    }
  }

  uint64_t Size() override {
    struct stat info {};
    if (::fstat(fd_, &info) != 0) Fail(errno, path_);
    return static_cast<uint64_t>(info.st_size);
  }

  void Seek(uint64_t position) override {
#ifdef _WIN32
    if (_lseeki64(fd_, static_cast<__int64>(position), SEEK_SET) < 0) Fail(errno, path_);
#else
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) Fail(errno, path_);
#endif
  }

  void Truncate() override {
#ifdef _WIN32
    auto position = _telli64(fd_);
    if (position < 0 || _chsize_s(fd_, position) != 0) Fail(errno, path_);
#else
    auto position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(fd_, position) != 0) Fail(errno, path_);
#endif
  }

  void Flush() override {
#ifdef _WIN32
    if (_commit(fd_) != 0) Fail(errno, path_);
#else
    if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) Fail(errno, path_);
#endif
  }

 private:
  int fd_;
  std::string path_;
};

class MemoryBytes final : public PlatformFile {
 public:
  explicit MemoryBytes(std::string bytes) : bytes_(std::move(bytes)) {}

  size_t Read(void* buffer, size_t count) override {
    if (position_ >= bytes_.size()) return 0;
    count = std::min<size_t>(count, bytes_.size() - static_cast<size_t>(position_));
    std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
  }

  void Write(const void*, size_t) override { throw EInOutError(kErrorAccessDenied); }
  uint64_t Size() override { return bytes_.size(); }
  void Seek(uint64_t position) override { position_ = position; }
  void Truncate() override { throw EInOutError(kErrorAccessDenied); }
  void Flush() override {}

 private:
  std::string bytes_;
  uint64_t position_ = 0;
};

class NativeServices final : public PlatformServices {
 public:
  void UpperCaseBuffer(char* text, size_t length) const override {
    const auto& upper = Tables().upper;
    for (size_t i = 0; i < length; ++i)
      text[i] = static_cast<char>(upper[static_cast<unsigned char>(text[i])]);
  }

  void LowerCaseBuffer(char* text, size_t length) const override {
    const auto& lower = Tables().lower;
    for (size_t i = 0; i < length; ++i)
      text[i] = static_cast<char>(lower[static_cast<unsigned char>(text[i])]);
  }

  std::string ShortDate() const override {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[48];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900);
    return text;
  }

  TimeOfDay UtcTimeOfDay() const override {
    using namespace std::chrono;
    auto sinceEpoch = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    auto ms = static_cast<long long>(sinceEpoch % 86'400'000);
    if (ms < 0) ms += 86'400'000;
    TimeOfDay time;
    time.millisecond = static_cast<int>(ms % 1000);
    time.second = static_cast<int>(ms / 1000 % 60);
    time.minute = static_cast<int>(ms / 60'000 % 60);
    time.hour = static_cast<int>(ms / 3'600'000);
    return time;
  }

  std::unique_ptr<PlatformFile> OpenFile(const TPath& path, FileMode mode) const override {
    std::string nativePath = NativePath(path);
    int flags = O_BINARY | O_CLOEXEC;
    switch (mode) {
      case FileMode::Read:
        flags |= O_RDONLY;
        break;
      case FileMode::ReadWrite:
        flags |= O_RDWR;
        break;
      case FileMode::Create:
        flags |= O_WRONLY | O_CREAT | O_TRUNC;
        break;
    }
    int fd = ::open(nativePath.c_str(), flags, 0666);
    if (fd < 0) Fail(errno, nativePath);
    // Windows refuses to open a folder as a file.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
      ::close(fd);
      throw EInOutError(kErrorAccessDenied);
    }
    return std::make_unique<NativeFile>(fd, std::move(nativePath));
  }

  void MoveFileOver(const TPath& from, const TPath& to) const override {
    std::string source = NativePath(from), target = NativePath(to);
#ifdef _WIN32
    // rename() there never replaces: move the old file aside until the new one is in place.
    std::string aside = target + ".old";
    std::remove(aside.c_str());
    bool moved = std::rename(target.c_str(), aside.c_str()) == 0;
    if (std::rename(source.c_str(), target.c_str()) != 0) {
      int error = errno;
      if (moved) std::rename(aside.c_str(), target.c_str());
      Fail(error, target);
    }
    if (moved) std::remove(aside.c_str());
#else
    if (std::rename(source.c_str(), target.c_str()) != 0) Fail(errno, target);
#endif
  }

  void RemoveFile(const TPath& path) const noexcept override {
    std::remove(NativePath(path).c_str());
  }

  bool FileExists(const TPath& path) const override {
    struct stat info {};
    return ::stat(NativePath(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
  }
};

PlatformServices* current = nullptr;

}  // namespace

std::unique_ptr<PlatformFile> MemoryFile(std::string bytes) {
  return std::make_unique<MemoryBytes>(std::move(bytes));
}

PlatformServices& NativePlatform() {
  static NativeServices services;
  return services;
}

PlatformServices& Platform() {
  return current ? *current : NativePlatform();
}

void SetPlatform(PlatformServices& services) {
  current = &services;
}

std::string AnsiUpperCase(std::string text) {
  Platform().UpperCaseBuffer(text.data(), text.size());
  return text;
}

std::string AnsiLowerCase(std::string text) {
  Platform().LowerCaseBuffer(text.data(), text.size());
  return text;
}
