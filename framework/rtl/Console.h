// Console programs: text between the terminal's encoding and Windows-1251, binary
// standard streams, the folder of the executable.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "SysUtils.h"

// Converts between the terminal's encoding and Windows-1251. Natively the encoding is the
// locale's codeset (an iconv name); on Windows it is the console's input and output code
// pages. Characters with no counterpart become '?'.
class TConsoleText {
 public:
  // The terminal's own encoding.
  TConsoleText();
  // A fixed encoding for both directions: an iconv name natively, a code page number
  // ("65001") on Windows.
  explicit TConsoleText(const std::string& encoding);
  ~TConsoleText();
  TConsoleText(const TConsoleText&) = delete;
  TConsoleText& operator=(const TConsoleText&) = delete;

  std::string ToAnsi(std::string_view terminalText) const;
  std::string FromAnsi(std::string_view ansiText) const;
  // A path in the system's code page (the locale's natively, where it is the terminal's).
  std::string FromPath(const TPath& path) const;
  // An error's text and the path it names, each from its own encoding.
  std::string FromError(const TErrorText& error) const;
  // Command-line arguments: already in the ANSI code page on Windows.
  std::string ArgumentToAnsi(std::string_view argument) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// No CR LF translation on standard input, output and error (Windows; nothing natively).
void SetBinaryStdio();

// The folder holding the running executable, without a trailing separator; empty when
// it cannot be found.
std::string ExecutableFolder();

inline std::string TConsoleText::FromError(const TErrorText& error) const {
  return FromAnsi(error.Text) + (error.File ? FromPath(*error.File) : std::string()) +
         FromAnsi(error.Tail);
}
