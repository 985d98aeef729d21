#include "WideText.h"

#include <vector>

#include "AnsiText.h"
#include "Paths.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring ToWide(std::string_view ansi) {
  std::u16string text = AnsiToUtf16(ansi);
  return std::wstring(text.begin(), text.end());
}

std::string FromWide(std::wstring_view wide) {
  return Utf16ToAnsi(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::wstring ErrorToWide(const TErrorText& error) {
  std::wstring text = ToWide(error.Text);
  if (error.File) text += PathToWide(*error.File);
  return text + ToWide(error.Tail);
}

std::string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  int copied = GetWindowTextW(window, buffer.data(), length + 1);
  return FromWide(std::wstring_view(buffer.data(), static_cast<size_t>(copied > 0 ? copied : 0)));
}

void SetWindowTextAnsi(HWND window, const std::string& text) {
  SetWindowTextW(window, ToWide(text).c_str());
}
