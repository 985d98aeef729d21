// Exceptions of the system and the text rule of the standard error box.
#pragma once

#include <exception>
#include <string>
#include <string_view>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
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
  explicit EFOpenError(const std::string& fileName);
};

class EFCreateError : public EStreamError {
 public:
  explicit EFCreateError(const std::string& fileName);
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

// The message of any exception that reaches a handler boundary.
std::string ExceptionMessage(const std::exception& e);

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
