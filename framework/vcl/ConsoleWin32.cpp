#include "Console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>

#include "AnsiText.h"
#include "Paths.h"

namespace {

constexpr UINT kAnsiCodePage = 1251;

std::u16string Decode(std::string_view text, UINT codePage) {
  const int length =
      MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(static_cast<size_t>(length), u'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                      reinterpret_cast<wchar_t*>(wide.data()), length);
  return wide;
}

std::string Encode(std::u16string_view wide, UINT codePage) {
  // UTF-7 and UTF-8 refuse a default character.
  const bool utf = codePage == CP_UTF8 || codePage == CP_UTF7;
  const char* fallback = utf ? nullptr : "?";
  const auto* data = reinterpret_cast<const wchar_t*>(wide.data());
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(codePage, 0, data, size, nullptr, 0, fallback, nullptr);
  if (length <= 0) return {};
  std::string result(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, data, size, result.data(), length, fallback, nullptr);
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

// Text the terminal's code page cannot take stays as it was.
std::string TConsoleText::ToAnsi(std::string_view terminalText) const {
  if (terminalText.empty() || impl_->input == kAnsiCodePage) return std::string(terminalText);
  const std::u16string wide = Decode(terminalText, impl_->input);
  return wide.empty() ? std::string(terminalText) : Utf16ToAnsi(wide);
}

std::string TConsoleText::FromAnsi(std::string_view ansiText) const {
  if (ansiText.empty() || impl_->output == kAnsiCodePage) return std::string(ansiText);
  const std::string text = Encode(AnsiToUtf16(ansiText), impl_->output);
  return text.empty() ? std::string(ansiText) : text;
}

std::string TConsoleText::FromPath(const TPath& path) const {
  const std::string& bytes = path.Bytes();
  if (bytes.empty() || impl_->output == GetACP()) return bytes;
  const std::string text = Encode(Decode(bytes, CP_ACP), impl_->output);
  return text.empty() ? bytes : text;
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
