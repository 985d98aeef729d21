// A path as the narrow file calls take it: bytes in the system's code page (the ANSI code page
// on Windows, the locale's natively). It is not text, which is Windows-1251: it never turns
// into text by itself, and a message names a file only through TErrorText, whose edges
// convert the path their own way (on Windows through the wide calls, Paths.h).
#pragma once

#include <string>
#include <string_view>
#include <utility>

class TPath {
 public:
  TPath() = default;
  // Bytes already in the system's code page: a literal, a name found on disk or read by a
  // narrow call, a path a wide call gave back through Paths.h.
  TPath(std::string bytes) : bytes_(std::move(bytes)) {}
  TPath(const char* bytes) : bytes_(bytes) {}

  const std::string& Bytes() const { return bytes_; }
  const char* CStr() const { return bytes_.c_str(); }
  bool Empty() const { return bytes_.empty(); }

  // Appends a name in the same code page as it is; separators are the caller's.
  TPath& operator+=(std::string_view name) {
    bytes_ += name;
    return *this;
  }
  friend TPath operator+(TPath path, std::string_view name) { return path += name; }

  friend bool operator==(const TPath&, const TPath&) = default;

 private:
  std::string bytes_;
};
