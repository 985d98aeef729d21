#include "Console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "Paths.h"

namespace {

constexpr UINT kAnsiCodePage = 1251;

std::string Recode(std::string_view text, UINT from, UINT to) {
  if (text.empty() || from == to) return std::string(text);
  int wideLength =
      MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (wideLength <= 0) return std::string(text);
  std::wstring wide(wideLength, L'\0');
  MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(), wideLength);
  // UTF-7 and UTF-8 refuse a default character.
  const bool utf = to == CP_UTF8 || to == CP_UTF7;
  const char* fallback = utf ? nullptr : "?";
  int length = WideCharToMultiByte(to, 0, wide.data(), wideLength, nullptr, 0, fallback, nullptr);
  if (length <= 0) return std::string(text);
  std::string result(length, '\0');
  WideCharToMultiByte(to, 0, wide.data(), wideLength, result.data(), length, fallback, nullptr);
  return result;
}

// Without a console (output to a pipe from a detached process) the OEM code page is what a
// console would have used.
UINT OrOem(UINT codePage) {
  return codePage != 0 ? codePage : GetOEMCP();
}

}  // namespace

struct TConsoleText::Impl {
  UINT input;
  UINT output;
};

TConsoleText::TConsoleText()
    : impl_(std::make_unique<Impl>(Impl{OrOem(GetConsoleCP()), OrOem(GetConsoleOutputCP())})) {}

TConsoleText::TConsoleText(const std::string& encoding) {
  UINT codePage = static_cast<UINT>(std::strtoul(encoding.c_str(), nullptr, 10));
  impl_ = std::make_unique<Impl>(Impl{OrOem(codePage), OrOem(codePage)});
}

TConsoleText::~TConsoleText() = default;

std::string TConsoleText::ToAnsi(std::string_view terminalText) const {
  return Recode(terminalText, impl_->input, kAnsiCodePage);
}

std::string TConsoleText::FromAnsi(std::string_view ansiText) const {
  return Recode(ansiText, kAnsiCodePage, impl_->output);
}

std::string TConsoleText::FromPath(const TPath& path) const {
  return Recode(path.Bytes(), CP_ACP, impl_->output);
}

std::string TConsoleText::ArgumentToAnsi(std::string_view argument) const {
  return std::string(argument);
}

void SetBinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

std::string ExecutableFolder() {
  return ExecutableFolderPath().Bytes();
}
