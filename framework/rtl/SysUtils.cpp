#include "SysUtils.h"

#include <cstdint>
#include <cstdio>

std::string EInOutError::TextFor(int code) {
  switch (code) {
    case kErrorFileNotFound:
      return "File not found";
    case kErrorAccessDenied:
      return "File access denied";
    default: {
      char text[32];
      std::snprintf(text, sizeof text, "I/O error %d", code);
      return text;
    }
  }
}

EInOutError::EInOutError(int code) : Exception(TextFor(code)), code_(code) {}

Exception::Exception(std::string message, TPath file)
    : error_{std::move(message), std::move(file), {}} {
  what_ = error_.Text + error_.File->Bytes();
}

EListError::EListError(int index)
    : Exception("List index out of bounds (" + std::to_string(index) + ")") {}

EFOpenError::EFOpenError(const TPath& fileName) : EStreamError("Cannot open file ", fileName) {}

EFCreateError::EFCreateError(const TPath& fileName)
    : EStreamError("Cannot create file ", fileName) {}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

TErrorText ErrorBoxText(TErrorText error) {
  if (!error.File) {
    error.Text = ErrorBoxText(error.Text);
    return error;
  }
  // The last character is the path's when nothing follows it.
  const std::string& last = !error.Tail.empty()    ? error.Tail
                            : !error.File->Empty() ? error.File->Bytes()
                                                   : error.Text;
  if (!last.empty() && static_cast<unsigned char>(last.back()) > '.') error.Tail += ".";
  return error;
}

std::string ExceptionMessage(const std::exception& e) {
  if (auto* own = dynamic_cast<const Exception*>(&e)) return own->Message();
  return e.what();
}

TErrorText ExceptionErrorText(const std::exception& e) {
  if (auto* own = dynamic_cast<const Exception*>(&e)) return own->ErrorText();
  return {e.what(), {}, {}};
}

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

int DigitValue(char c, int base) {
  int digit = 36;
  if (c >= '0' && c <= '9')
    digit = c - '0';
  else if (c >= 'a' && c <= 'f')
    digit = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F')
    digit = c - 'A' + 10;
  return digit < base ? digit : -1;
}

}  // namespace

bool TryStrToInt(std::string_view text, int& value) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.starts_with('$')) {
    base = 16;
    text.remove_prefix(1);
  } else if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
  uint64_t magnitude = 0;
  for (char c : text) {
    const int digit = DigitValue(c, base);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return false;
  }
  value =
      negative ? static_cast<int>(-static_cast<int64_t>(magnitude)) : static_cast<int>(magnitude);
  return true;
}

int StrToIntDef(std::string_view text, int defaultValue) {
  int value;
  return TryStrToInt(text, value) ? value : defaultValue;
}

namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

// Windows opens these devices in any folder, whatever extension follows.
bool IsDeviceName(std::string_view component) {
  std::string_view stem = component.substr(0, component.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (EqualsNoCase(stem, device)) return true;
  if (stem.size() != 4 ||
      !(EqualsNoCase(stem.substr(0, 3), "COM") || EqualsNoCase(stem.substr(0, 3), "LPT")))
    return false;
  // The superscript digits of the Western code page (1, 2, 3) name these devices too.
  const auto digit = static_cast<unsigned char>(stem[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

}  // namespace

bool IsNameWithinFolder(std::string_view name) {
  if (name.empty() || name.front() == '\\' || name.front() == '/') return false;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
        c == '|')
      return false;
  }
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = name.size();
    const std::string_view component = name.substr(start, end - start);
    // Windows drops trailing dots and blanks, so ". ." or "..." may mean "..".
    if (component != "." && !component.empty() &&
        component.find_first_not_of(". ") == std::string_view::npos)
      return false;
    if (IsDeviceName(component)) return false;
    start = end + 1;
  }
  return true;
}
