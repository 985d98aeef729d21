// Exceptions of the system and the text rule of the standard error box.
#pragma once

#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include "FilePath.h"

// An error's text: Windows-1251 text and, where it names a file, the file's path between it
// and Tail, kept apart in the system's code page. Each edge turns the path into its own
// encoding (the error box through the wide calls), never through Windows-1251.
struct TErrorText {
  std::string Text;
  std::optional<TPath> File;
  std::string Tail;

  friend bool operator==(const TErrorText&, const TErrorText&) = default;
};

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : error_{std::move(message), {}, {}} {
    what_ = error_.Text;
  }
  // A message that ends in the path of `file`.
  Exception(std::string message, TPath file);
  // The Windows-1251 text; of a message naming a file, the text before the path.
  const std::string& Message() const noexcept { return error_.Text; }
  const TErrorText& ErrorText() const noexcept { return error_; }
  // The path's bytes as they are: for diagnostics only.
  const char* what() const noexcept override { return what_.c_str(); }

 private:
  TErrorText error_;
  std::string what_;
};

// An I/O error carries the platform's error code; its text follows from the code.
class EInOutError : public Exception {
 public:
  explicit EInOutError(int code);
  int ErrorCode() const noexcept { return code_; }
  static std::string TextFor(int code);

 private:
  int code_;
};

class EListError : public Exception {
 public:
  explicit EListError(int index);
};

class EStreamError : public Exception {
 public:
  using Exception::Exception;
};

class EFOpenError : public EStreamError {
 public:
  explicit EFOpenError(const TPath& fileName);
};

class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const TPath& fileName);
};

class EInvalidCast : public Exception {
 public:
  EInvalidCast() : Exception("Invalid class typecast") {}
};

// The platform's error codes the texts distinguish.
inline constexpr int kErrorFileNotFound = 2;
inline constexpr int kErrorPathNotFound = 3;
inline constexpr int kErrorAccessDenied = 5;
inline constexpr int kErrorDiskFull = 112;

// The standard error box shows the message with a full stop added when its last
// character sorts after '.' (compared as unsigned bytes).
std::string ErrorBoxText(const std::string& message);
// The same rule on a text that may end in a path: the full stop then follows the path.
TErrorText ErrorBoxText(TErrorText error);

// The message of any exception that reaches a handler boundary.
std::string ExceptionMessage(const std::exception& e);
// The same with a file it names kept apart.
TErrorText ExceptionErrorText(const std::exception& e);

// A whole integer: an optional sign, then decimal digits, or hexadecimal digits after "$",
// "0x" or "0X"; blanks (spaces, tabs) around it are allowed, nothing else. The value must
// lie in the signed 32-bit range ("$FFFFFFFF" is 4294967295 and does not). Leading zeros
// are plain decimal, not octal.
bool TryStrToInt(std::string_view text, int& value);
// The default for anything TryStrToInt refuses, the empty text included.
int StrToIntDef(std::string_view text, int defaultValue);

// Whether a name read from a data file, joined to its folder with a backslash, stays inside
// that folder: not empty, relative (no drive, no leading slash or backslash, no colon), no
// ".." or other all-dot component, no device name such as CON or COM1, no wildcard or
// control character. Subfolders (img\pic.bmp) are allowed.
bool IsNameWithinFolder(std::string_view name);
