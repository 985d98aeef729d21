// Exceptions of the system and the text rule of the standard error box.
#pragma once

#include <exception>
#include <string>

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
