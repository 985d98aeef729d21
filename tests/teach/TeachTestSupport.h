// Helpers for the teaching window's tests: a scratch folder, whole files, typing, and a
// timer that answers the save dialog as a user would.
#pragma once

#include <windows.h>

#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ExtCtrls.h"
#include "WideText.h"
#include "Win32TestSupport.h"

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = FromWide(temp) + name + "-" + std::to_string(GetCurrentProcessId()) + "\\";
    Remove(ToWide(path_));
    CreateDirectoryW(ToWide(path_).c_str(), nullptr);
  }
  ~ScratchFolder() { Remove(ToWide(path_)); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // With its trailing backslash.
  const std::string& Path() const { return path_; }

  static void Remove(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
          Remove(path + L"\\");
        else
          DeleteFileW(path.c_str());
      } while (FindNextFileW(find, &found));
      FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
  }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(ToWide(path).c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream file(ToWide(path).c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline bool Exists(const std::string& path) {
  return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Types Latin letters, digits, blanks, '-' and line breaks through the input queue.
inline void TypeText(const std::string& text) {
  for (char c : text) {
    if (c >= 'a' && c <= 'z')
      TypeKey(static_cast<WORD>(c - 'a' + 'A'));
    else if (c >= 'A' && c <= 'Z')
      TypeKey(static_cast<WORD>(c), {VK_SHIFT});
    else if (c >= '0' && c <= '9')
      TypeKey(static_cast<WORD>(c));
    else if (c == ' ')
      TypeKey(VK_SPACE);
    else if (c == '-')
      TypeKey(VK_OEM_MINUS);
    else if (c == '\n')
      TypeKey(VK_RETURN);
  }
}

// The centre of a non-windowed control (or any rectangle of a window) on the screen.
inline POINT ScreenCentre(HWND window, RECT rect) {
  POINT point{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(window, &point);
  return point;
}

// Answers the modal dialogs this thread opens, from a timer that ticks inside their loop:
// the first one gets `name` in its file-name box and Enter (an empty name: Escape); any
// later one (a question the dialog should not have asked) is answered No, then Cancel.
class DialogDriver {
 public:
  explicit DialogDriver(std::wstring name) : name_(std::move(name)) {
    timer_.SetInterval(100);
    timer_.OnTimer = [this](TObject*) { Tick(); };
  }

  int Seen() const { return static_cast<int>(seen_.size()); }
  // What the first dialog showed: its first filter's description and its folder.
  std::wstring filter, folder;

 private:
  static BOOL CALLBACK Collect(HWND window, LPARAM list) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window))
      reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
  }

  void Tick() {
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
      if (std::find(seen_.begin(), seen_.end(), dialog) != seen_.end()) {
        // Still open two seconds after its answer: close it, so that the test ends.
        if (GetTickCount() - answeredAt_ > 2000) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        continue;
      }
      seen_.push_back(dialog);
      answeredAt_ = GetTickCount();
      if (seen_.size() > 1) {
        PostMessageW(dialog, WM_COMMAND, IDNO, 0);
        continue;
      }
      if (HWND types = GetDlgItem(dialog, cmb1)) {
        const auto length = SendMessageW(types, CB_GETLBTEXTLEN, 0, 0);
        if (length > 0) {
          filter.assign(static_cast<size_t>(length) + 1, L'\0');
          SendMessageW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(filter.data()));
          filter.resize(static_cast<size_t>(length));
        }
      }
      wchar_t path[MAX_PATH] = {};
      if (SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(path)) > 0)
        folder = path;
      SetForegroundWindow(dialog);
      if (name_.empty()) {
        TypeKey(VK_ESCAPE);
        continue;
      }
      HWND box = GetDlgItem(dialog, cmb13);
      if (!box) box = GetDlgItem(dialog, edt1);
      SetWindowTextW(box, name_.c_str());
      SetFocus(box);
      TypeKey(VK_RETURN);
    }
  }

  std::wstring name_;
  std::vector<HWND> seen_;
  DWORD answeredAt_ = 0;
  TTimer timer_{nullptr};
};
