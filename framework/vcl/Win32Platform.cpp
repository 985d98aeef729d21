// The Win32 platform services: the system's ANSI case mapping, short date, clock and files.
#include "Handles.h"

#include <algorithm>
#include <climits>

#include "Win32Platform.h"

#include "WideText.h"
#include "SysUtils.h"

namespace {

[[noreturn]] void FailWithLastError() {
  throw EInOutError(static_cast<int>(GetLastError()));
}

class Win32File final : public PlatformFile {
 public:
  explicit Win32File(FileHandle handle) : handle_(std::move(handle)) {}

  size_t Read(void* buffer, size_t count) override {
    DWORD done = 0;
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
    if (!ReadFile(handle_.get(), buffer, chunk, &done, nullptr)) FailWithLastError();
    return done;
  }

  void Write(const void* data, size_t count) override {
    auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
      DWORD chunk = static_cast<DWORD>(std::min<size_t>(count, 1u << 30));
      DWORD done = 0;
      if (!WriteFile(handle_.get(), bytes, chunk, &done, nullptr)) FailWithLastError();
      // A short write means the disk is full.
      if (done == 0) throw EInOutError(kErrorDiskFull);
      bytes += done;
      count -= done;
    }
  }

  uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_.get(), &size)) FailWithLastError();
    return static_cast<uint64_t>(size.QuadPart);
  }

  void Seek(uint64_t position) override {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(position);
    if (!SetFilePointerEx(handle_.get(), to, nullptr, FILE_BEGIN)) FailWithLastError();
  }

  void Truncate() override {
    if (!SetEndOfFile(handle_.get())) FailWithLastError();
  }

  void Flush() override {
    if (!FlushFileBuffers(handle_.get())) FailWithLastError();
  }

 private:
  FileHandle handle_;
};

// The case mapping calls take a DWORD count.
void InChunks(DWORD(WINAPI* map)(LPSTR, DWORD), char* text, size_t length) {
  while (length > 0) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(length, INT_MAX));
    map(text, chunk);
    text += chunk;
    length -= chunk;
  }
}

// The texts are Windows-1251: the system's ANSI mapping is theirs only where that is the
// system's code page; elsewhere the fixed Windows-1251 tables map them.
bool SystemCodePageIs1251() {
  static const bool is1251 = GetACP() == 1251;
  return is1251;
}

class Win32Services final : public PlatformServices {
 public:
  void UpperCaseBuffer(char* text, size_t length) const override {
    if (SystemCodePageIs1251())
      InChunks(CharUpperBuffA, text, length);
    else
      NativePlatform().UpperCaseBuffer(text, length);
  }
  void LowerCaseBuffer(char* text, size_t length) const override {
    if (SystemCodePageIs1251())
      InChunks(CharLowerBuffA, text, length);
    else
      NativePlatform().LowerCaseBuffer(text, length);
  }

  std::string ShortDate() const override {
    wchar_t text[128];
    int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, text, 128);
    return n > 0 ? FromWide(std::wstring_view(text, static_cast<size_t>(n - 1))) : std::string();
  }

  TimeOfDay UtcTimeOfDay() const override {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return TimeOfDay{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
  }

  std::unique_ptr<PlatformFile> OpenFile(const TPath& path, FileMode mode) const override {
    DWORD access = 0, disposition = 0;
    switch (mode) {
      case FileMode::Read:
        access = GENERIC_READ;
        disposition = OPEN_EXISTING;
        break;
      case FileMode::ReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = OPEN_EXISTING;
        break;
      case FileMode::Create:
        access = GENERIC_WRITE;
        disposition = CREATE_ALWAYS;
        break;
    }
    FileHandle handle(CreateFileA(path.CStr(), access, FILE_SHARE_READ, nullptr, disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) FailWithLastError();
    return std::make_unique<Win32File>(std::move(handle));
  }

  void MoveFileOver(const TPath& from, const TPath& to) const override {
    if (!MoveFileExA(from.CStr(), to.CStr(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      FailWithLastError();
  }

  void RemoveFile(const TPath& path) const noexcept override {
    // Only cleans up after a failed write: a failure here changes nothing for the caller.
    DeleteFileA(path.CStr());
  }

  bool FileExists(const TPath& path) const override {
    DWORD attributes = GetFileAttributesA(path.CStr());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
};

}  // namespace

PlatformServices& Win32Platform() {
  static Win32Services services;
  return services;
}
