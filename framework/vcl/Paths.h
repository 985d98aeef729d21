// Paths at the wide file calls. The program names files in the system's code page, as every
// narrow file call (and GetModuleFileNameA) does, so a wide call converts through it. A name
// that code page cannot hold (a Russian user folder on a Western Windows) is given in its
// short 8.3 form, which it can; where the volume keeps no short names it reads '?' and
// cannot be opened. Header-only: the console library shares it. Every path goes to and from
// the wide calls through these functions, never through Windows-1251 (WideText.h).
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "FilePath.h"

namespace paths_detail {

// False when a character had no place in the code page (no best-fit stand-ins). A system
// set to UTF-8 holds every character, and its conversion takes neither flag nor report.
inline bool Narrow(std::wstring_view wide, std::string& narrow) {
  narrow.clear();
  if (wide.empty()) return true;
  const int size = static_cast<int>(wide.size());
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL lost = FALSE;
  BOOL* report = utf8 ? nullptr : &lost;
  const int length =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), size, nullptr, 0, nullptr, report);
  if (length <= 0) return false;
  narrow.assign(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), size, narrow.data(), length, nullptr, report);
  return !lost;
}

}  // namespace paths_detail

inline std::wstring PathToWide(const TPath& path) {
  const std::string& bytes = path.Bytes();
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), length);
  return wide;
}

// A whole path; for a file that does not exist yet, its folder takes the short form.
inline TPath PathFromWide(std::wstring_view path) {
  std::string narrow;
  if (paths_detail::Narrow(path, narrow)) return narrow;
  const std::wstring full(path);
  std::wstring shortPath(MAX_PATH, L'\0');
  DWORD length = GetShortPathNameW(full.c_str(), shortPath.data(), MAX_PATH);
  if (length > MAX_PATH) {
    shortPath.resize(length);
    length = GetShortPathNameW(full.c_str(), shortPath.data(), length);
  }
  std::string result;
  if (length > 0 && length <= shortPath.size()) {
    shortPath.resize(length);
    if (paths_detail::Narrow(shortPath, result)) return result;
  }
  const size_t slash = full.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash == 0) return narrow;
  paths_detail::Narrow(std::wstring_view(full).substr(slash), result);
  return PathFromWide(std::wstring_view(full).substr(0, slash)) + result;
}

// An entry's name, in the system's code page, as the narrow calls find it beside its folder's
// narrow path.
inline std::string NameFromWide(const WIN32_FIND_DATAW& found) {
  std::string narrow;
  if (paths_detail::Narrow(found.cFileName, narrow) || !found.cAlternateFileName[0]) return narrow;
  paths_detail::Narrow(found.cAlternateFileName, narrow);
  return narrow;
}

// The folder of the running executable, without a trailing backslash.
inline TPath ExecutableFolderPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t separator = path.find_last_of(L"\\/");
  return separator == std::wstring::npos
             ? TPath()
             : PathFromWide(std::wstring_view(path).substr(0, separator));
}
