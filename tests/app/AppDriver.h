// A small driver for the character program, run from a process of its own: it starts the
// program from a folder, finds its windows, types and clicks through the input queue,
// reads controls and the screen's pixels, and renders the texts it expects to see.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace driver {

// Polls `done` every few milliseconds; true as soon as it holds.
bool WaitFor(const std::function<bool()>& done, DWORD milliseconds);
void Pause(DWORD milliseconds);

// A fresh copy of the release folder (the program with Brain, Scripts and Plugins) under
// the test's own folder; returns its path with a trailing backslash.
std::wstring FreshAppFolder(const std::wstring& name);
// A file of `folder` written (Windows-1251 bytes) or removed.
void WriteFile(const std::wstring& path, const std::string& bytes);
std::string ReadFile(const std::wstring& path);
void RemoveFile(const std::wstring& path);

// One run of Quelvoran.exe.
class TApp {
 public:
  TApp() = default;
  explicit TApp(const std::wstring& folder);
  ~TApp();
  TApp(const TApp&) = delete;
  TApp& operator=(const TApp&) = delete;

  DWORD ProcessId() const { return processId_; }
  bool Running() const;
  // Waits for the process to end by itself; its exit code through `code`.
  bool WaitForExit(DWORD milliseconds, DWORD* code = nullptr) const;
  void Kill();

  // The character window (caption "Quelvoran"), once it is visible.
  HWND MainWindow(DWORD wait = 15000);
  // A visible top-level window of the program with this caption and class (null: any).
  HWND FindWindowOf(const wchar_t* caption, const wchar_t* className = nullptr) const;
  HWND WaitForWindow(const wchar_t* caption, const wchar_t* className, DWORD milliseconds) const;
  // The visible one-line input field.
  HWND InputField();
  // The window that has the keyboard focus in the program's GUI thread.
  HWND FocusWindow() const;

 private:
  HANDLE process_ = nullptr;
  HANDLE thread_ = nullptr;
  DWORD processId_ = 0;
  DWORD threadId_ = 0;
  HWND main_ = nullptr;
};

std::wstring TextOf(HWND window);
RECT WindowRect(HWND window);
// A point of a window's client area, in screen coordinates.
POINT ScreenPoint(HWND window, int x, int y);

// Input through the system's queue, as a user makes it.
void Click(POINT screen, bool right = false);
void Key(WORD key, std::initializer_list<WORD> modifiers = {});
// Types the text character by character (KEYEVENTF_UNICODE), whatever the keyboard layout.
void Type(const std::wstring& text);
// Brings the program's window to the foreground and clicks into the input field.
void FocusInput(TApp& app);
// Types a question into the input field and presses Enter.
void Ask(TApp& app, const std::wstring& question);

// Pixels of the screen, as 0x00RRGGBB, row by row.
struct TPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;
  uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
  bool operator==(const TPixels&) const = default;
  // The pixels that are not `color`.
  int CountOther(uint32_t color) const;
  // A 32-bit BMP file, to look at after a failure.
  void Save(const std::wstring& path) const;
};
TPixels Capture(const RECT& screen);
// The speech area (14, 16, 134 x 54) of the character window.
TPixels SpeechArea(HWND mainWindow);

// What the speech area shows when `line` is fully shown: the window's font ("MS Sans
// Serif", 11 pixels) in the window-text colour over the bubble's white, centred, broken
// between words, centred vertically.
TPixels RenderedLine(const std::wstring& line);
// The display lines an answer breaks into: a hidden word-wrapping box 460 pixels wide in the
// window's font, read back line by line, as the program does it.
std::vector<std::wstring> DisplayLines(const std::wstring& answer);
// Watches the speech area until it has seen `count` fully shown lines (each held unchanged
// for half a second), in the order they came; gives up after `milliseconds`. With `fresh`,
// what the area shows when the watch begins does not count.
std::vector<TPixels> HeldFrames(HWND mainWindow, size_t count, DWORD milliseconds,
                                bool fresh = false);

// The Wine tray's icon windows (class __winex11_tray_icon).
std::vector<HWND> TrayIcons();
// A right click on a tray icon as the shell reports it: the menu opens at the cursor.
void RightClickTray(HWND icon);
// The open popup menu (#32768), or null.
HWND OpenMenu(DWORD wait = 3000);
// Keys posted to the open menu: Down/Up move, Enter chooses, Escape closes.
void MenuKeys(HWND menu, std::initializer_list<WPARAM> keys);

// The program's error box (#32770) with this caption; its text through `text`.
HWND ErrorBox(const TApp& app, const wchar_t* caption, std::wstring* text, DWORD wait = 5000);

// The visible popup menus (#32768): one while a menu is open, two once a submenu is.
std::vector<HWND> OpenMenus();
// Presses OK on a box and waits out the pause Wine makes when the active window goes (about
// two seconds on a display without a window manager, in which input is lost).
void DismissBox(HWND box);

// Every descendant of `parent` of this class (null: any), visible or not.
std::vector<HWND> ChildWindows(HWND parent, const wchar_t* className = nullptr);
POINT Centre(HWND window);
// A list box's items, read from outside the program.
std::vector<std::wstring> ListBoxItems(HWND list);

// A folder and everything in it removed.
void RemoveFolder(const std::wstring& path);
// A path in the form the program reports it (backslashes, no "." or "..").
std::wstring FullPath(const std::wstring& path);

// The client area of a window as the screen shows it.
TPixels ClientPixels(HWND window);

}  // namespace driver
