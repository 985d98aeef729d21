// The platform services the portable core needs. The Win32 implementation calls the
// system; the native one (Windows-1251 tables, POSIX files) serves tests and the console tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FilePath.h"

struct TimeOfDay {
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// A file opened for one operation, closed when destroyed. Failures raise EInOutError
// with the platform's error code.
class PlatformFile {
 public:
  virtual ~PlatformFile() = default;
  // Reads up to count bytes; 0 at the end of the file.
  virtual size_t Read(void* buffer, size_t count) = 0;
  // Writes all bytes or raises (a full disk is an error, never a short write).
  virtual void Write(const void* data, size_t count) = 0;
  virtual uint64_t Size() = 0;
  virtual void Seek(uint64_t position) = 0;
  // Cuts the file at the current position.
  virtual void Truncate() = 0;
  virtual void Flush() = 0;
};

// A read-only file over a copy of `bytes`: lets the file readers work on text in memory.
// Writing raises EInOutError with the access-denied code, as for a file opened for reading.
std::unique_ptr<PlatformFile> MemoryFile(std::string bytes);

enum class FileMode {
  Read,       // existing file, read only
  ReadWrite,  // existing file, read and write, positioned at 0
  Create,     // created or truncated, write only
};

class PlatformServices {
 public:
  virtual ~PlatformServices() = default;
  // The system's ANSI case mapping, in place.
  virtual void UpperCaseBuffer(char* text, size_t length) const = 0;
  virtual void LowerCaseBuffer(char* text, size_t length) const = 0;
  // Today in the user's short date format.
  virtual std::string ShortDate() const = 0;
  // The time of day in UTC.
  virtual TimeOfDay UtcTimeOfDay() const = 0;
  // Paths use backslashes as on Windows; the native side maps them to '/'.
  virtual std::unique_ptr<PlatformFile> OpenFile(const TPath& path, FileMode mode) const = 0;
  // Moves `from` over `to`, replacing it in one step.
  virtual void MoveFileOver(const TPath& from, const TPath& to) const = 0;
  // Removes a file; failures are ignored (used to clean up after a failed write).
  virtual void RemoveFile(const TPath& path) const noexcept = 0;
  virtual bool FileExists(const TPath& path) const = 0;
};

// The services in use; the native ones until a program installs others.
PlatformServices& Platform();
// Installs services for the whole program (not owned; they must outlive their use).
void SetPlatform(PlatformServices& services);
PlatformServices& NativePlatform();

std::string AnsiUpperCase(std::string text);
std::string AnsiLowerCase(std::string text);
