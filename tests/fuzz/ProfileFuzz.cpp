// libFuzzer target: a value of plugin.ini read as the integer PTop or PLeft and as the file
// name ImgName or WavName, against a model of the integer forms and of how Windows resolves
// a name joined to the plugin's folder.
#include <charconv>
#include <cstdint>
#include <string_view>

#include "FuzzCheck.h"
#include "SysUtils.h"

namespace {

// A whole integer: blanks around it, a sign, then decimal digits or hexadecimal ones after
// "$", "0x" or "0X", in the signed 32-bit range.
bool ModelInteger(std::string_view text, int64_t& value) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return false;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  const bool negative = text[0] == '-';
  if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
  int base = 10;
  for (std::string_view prefix : {"$", "0x", "0X"})
    if (base == 10 && text.starts_with(prefix)) {
      base = 16;
      text.remove_prefix(prefix.size());
    }
  const std::string_view digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
  if (text.empty() || text.find_first_not_of(digits) != std::string_view::npos) return false;
  uint64_t magnitude = 0;
  if (std::from_chars(text.data(), text.data() + text.size(), magnitude, base).ec != std::errc() ||
      magnitude > (negative ? uint64_t{1} << 31 : INT32_MAX))
    return false;
  value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

bool EqualsUpper(std::string_view a, std::string_view upper) {
  if (a.size() != upper.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if ((a[i] >= 'a' && a[i] <= 'z' ? a[i] - 32 : a[i]) != upper[i]) return false;
  return true;
}

// Windows opens a device for these names in any folder, with any extension and blanks
// before it; the superscript digits of the Western code page count as digits here.
bool ModelDevice(std::string_view component) {
  std::string_view stem = component.substr(0, component.find('.'));
  stem = stem.substr(0, stem.find_last_not_of(' ') + 1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (EqualsUpper(stem, device)) return true;
  if (stem.size() != 4 ||
      !(EqualsUpper(stem.substr(0, 3), "COM") || EqualsUpper(stem.substr(0, 3), "LPT")))
    return false;
  const auto digit = static_cast<unsigned char>(stem[3]);
  return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

// Whether Windows keeps folder\name below the folder: false when the name reaches above it,
// names another drive, a stream or a device, or holds what a path may not.
bool ModelStaysInside(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  for (unsigned char c : name)
    if (c < 0x20 ||
        std::string_view(":*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos)
      return false;
  for (size_t start = 0; start <= name.size();) {
    const size_t end = std::min(name.find_first_of("\\/", start), name.size());
    std::string_view part = name.substr(start, end - start);
    start = end + 1;
    if (ModelDevice(part)) return false;
    if (part.empty() || part == ".") continue;
    // Trailing dots and blanks fall away, so "..." or ".. " may be read as "..".
    if (part.find_last_not_of(". ") == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  int value = 12345;
  int64_t expected = 0;
  const bool converts = ModelInteger(text, expected);
  FUZZ_CHECK(TryStrToInt(text, value) == converts);
  FUZZ_CHECK(value == (converts ? expected : 12345));
  FUZZ_CHECK(StrToIntDef(text, -1) == (converts ? expected : -1));

  // What is accepted never names a drive, a stream, a parent, a device or an absolute path;
  // of what stays inside, only names that are not plain may be refused.
  const bool inside = ModelStaysInside(text);
  if (IsNameWithinFolder(text))
    FUZZ_CHECK(inside);
  else if (inside)
    FUZZ_CHECK(text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                      "0123456789_-.\\/") != std::string_view::npos);
  return 0;
}
