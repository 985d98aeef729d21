// What the tests of the character program share: a driver, run as a process of its own, that
// starts the program from a fresh copy of the release folder and works it from outside.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "Handles.h"
#include "WideText.h"
#include "Win32TestSupport.h"

namespace driver {

namespace fs = std::filesystem;

inline bool WaitFor(const std::function<bool()>& done, DWORD milliseconds) {
  for (const DWORD start = GetTickCount(); !done(); ::Sleep(20))
    if (GetTickCount() - start > milliseconds) return done();
  return true;
}

// A fresh copy of the release folder (QV_APP_RELEASE_DIR, a Windows path, names another)
// under the test's own folder, with a trailing backslash as the program reports paths.
inline std::wstring FreshAppFolder(const std::wstring& name) {
  const fs::path folder = (fs::path(L"" QV_APP_TEST_ROOT) / name).make_preferred();
  const wchar_t* release = _wgetenv(L"QV_APP_RELEASE_DIR");
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder.parent_path());
  fs::copy(release ? release : L"" QV_RELEASE_DIR, folder, fs::copy_options::recursive);
  return folder.wstring() + L"\\";
}

inline void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::ofstream file(fs::path(path), std::ios::binary);
  file << bytes;
  ASSERT_TRUE(file.good()) << "cannot write " << fs::path(path).string();
}

inline std::string ReadFile(const std::wstring& path) {
  std::ifstream file(fs::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

inline void Remove(const std::wstring& path) {
  std::error_code error;
  fs::remove_all(path, error);
}

// The names matching `pattern` (e.g. "...\*.plg") in the order the system lists them.
inline std::vector<std::wstring> Listed(const std::wstring& pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const FindHandle search(FindFirstFileW(pattern.c_str(), &found));
  for (bool more = static_cast<bool>(search); more; more = FindNextFileW(search.get(), &found))
    names.push_back(found.cFileName);
  return names;
}

inline std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

inline RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

// The window's top-left corner is the screen's.
inline bool InCorner(HWND window) {
  const RECT rect = WindowRect(window);
  return rect.left == 0 && rect.top == 0;
}

inline POINT ScreenPoint(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return point;
}

// The top-level windows (a null parent) or the descendants of `parent` that `take` wants.
inline std::vector<HWND> Windows(HWND parent, const std::function<bool(HWND)>& take) {
  std::pair<const std::function<bool(HWND)>&, std::vector<HWND>> search{take, {}};
  const WNDENUMPROC collect = [](HWND window, LPARAM lParam) -> BOOL {
    auto& [want, found] = *reinterpret_cast<decltype(search)*>(lParam);
    if (want(window)) found.push_back(window);
    return TRUE;
  };
  parent ? EnumChildWindows(parent, collect, reinterpret_cast<LPARAM>(&search))
         : EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

inline std::vector<HWND> ChildWindows(HWND parent, const wchar_t* className, bool visible = true) {
  return Windows(parent, [&](HWND window) {
    return (!visible || IsWindowVisible(window)) &&
           _wcsicmp(ClassOf(window).c_str(), className) == 0;
  });
}

// Quelvoran.exe started with another current folder: it finds its data beside itself.
inline PROCESS_INFORMATION Launch(const std::wstring& folder) {
  std::wstring exe = folder + L"Quelvoran.exe", command = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      L"" QV_APP_TEST_ROOT, &startup, &process))
    ADD_FAILURE() << "cannot start the program: error " << GetLastError();
  return process;
}

inline bool Exited(const PROCESS_INFORMATION& process, DWORD wait, DWORD* code = nullptr) {
  if (!process.hProcess || WaitForSingleObject(process.hProcess, wait) != WAIT_OBJECT_0)
    return false;
  if (code) GetExitCodeProcess(process.hProcess, code);
  return true;
}

inline void End(PROCESS_INFORMATION& process) {
  if (!Exited(process, 0)) TerminateProcess(process.hProcess, 1);
  Exited(process, 5000);
  for (HANDLE handle : {process.hThread, process.hProcess})
    if (handle) CloseHandle(handle);
  process = {};
}

// Input through the system's queue, as a user makes it.
inline void Click(POINT screen, bool right = false) {
  ClickAt(screen, right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, 30);
}

// Types the text character by character (KEYEVENTF_UNICODE), whatever the keyboard layout.
inline void Type(const std::wstring& text) {
  for (wchar_t c : text)
    for (DWORD up : {0, KEYEVENTF_KEYUP}) {
      INPUT input{INPUT_KEYBOARD, {}};
      input.ki = {0, c, KEYEVENTF_UNICODE | up, 0, 0};
      SendInput(1, &input, sizeof input);
    }
}

// Pixels of the screen or of a picture, as 0x00RRGGBB, row by row.
struct TPixels {
  int width = 0, height = 0;
  std::vector<uint32_t> data;
  uint32_t At(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
  bool operator==(const TPixels&) const = default;
};

// A 32-bit top-down DIB section with its own DC.
struct TSurface {
  TSurface(int width, int height) : pixels{width, height, {}} {
    BITMAPINFO info{{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    bitmap =
        CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bitmap);
  }
  ~TSurface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  // What `source` shows at (x, y), or what was drawn into the surface.
  TPixels Read(HDC source = nullptr, int x = 0, int y = 0) {
    if (source) BitBlt(dc, 0, 0, pixels.width, pixels.height, source, x, y, SRCCOPY);
    GdiFlush();
    pixels.data.assign(bits, bits + static_cast<size_t>(pixels.width) * pixels.height);
    for (uint32_t& pixel : pixels.data) pixel &= 0xFFFFFF;
    return pixels;
  }
  TPixels pixels;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  uint32_t* bits = nullptr;
};

// The screen's pixels over a part of a window's client area (null: all of it).
inline TPixels Capture(HWND window, const RECT* part = nullptr) {
  RECT client{};
  GetClientRect(window, &client);
  const RECT r = part ? *part : client;
  const POINT origin = ScreenPoint(window, r.left, r.top);
  HDC screen = GetDC(nullptr);
  TPixels pixels = TSurface(r.right - r.left, r.bottom - r.top).Read(screen, origin.x, origin.y);
  ReleaseDC(nullptr, screen);
  return pixels;
}

// k: the character's whole scale factor.
inline TPixels SpeechArea(HWND mainWindow, int k = 1) {
  const RECT area{14 * k, 16 * k, 148 * k, 70 * k};
  return Capture(mainWindow, &area);
}

// A BMP file read by the system's own loader; empty when it cannot.
inline TPixels PictureFile(const std::wstring& path) {
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info)) return {};
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap);
  TPixels pixels = TSurface(info.bmWidth, info.bmHeight).Read(source);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
  return pixels;
}

// "MS Sans Serif", 11 x k pixels.
inline HFONT WindowFont(int k = 1) {
  LOGFONTW font{};
  font.lfHeight = -11 * k;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy(font.lfFaceName, L"MS Sans Serif");
  return CreateFontIndirectW(&font);
}

// The speech area showing `line` fully: the window's font and text colour on the bubble's
// white, centred both ways, broken between words.
inline TPixels RenderedLine(const std::wstring& line, int k = 1) {
  const int width = 134 * k, height = 54 * k;
  TSurface surface(width, height);
  RECT box{0, 0, width, height};
  FillRect(surface.dc, &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HFONT font = WindowFont(k);
  HGDIOBJ old = SelectObject(surface.dc, font);
  SetBkMode(surface.dc, TRANSPARENT);
  SetTextColor(surface.dc, GetSysColor(COLOR_WINDOWTEXT));
  const UINT flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  RECT measure{0, 0, width, 0};
  DrawTextW(surface.dc, line.c_str(), -1, &measure, flags | DT_CALCRECT);
  box.top = (height - measure.bottom) / 2;
  box.bottom = box.top + measure.bottom;
  DrawTextW(surface.dc, line.c_str(), -1, &box, flags);
  SelectObject(surface.dc, old);
  DeleteObject(font);
  return surface.Read();
}

// The display lines an answer breaks into, as the program breaks them: in a hidden
// word-wrapping box 460 pixels wide in the window's font (both k times as large).
inline std::vector<std::wstring> DisplayLines(const std::wstring& answer, int k = 1) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600 * k, 100 * k, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  HWND box =
      CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_CENTER, 0, 0,
                      460 * k, 36 * k, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  HFONT font = WindowFont(k);
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetWindowTextW(box, (answer + L"\r\n").c_str());
  std::vector<std::wstring> lines;
  for (int i = 0; i < SendMessageW(box, EM_GETLINECOUNT, 0, 0); ++i) {
    wchar_t buffer[1024] = {1023};
    const LRESULT length = SendMessageW(box, EM_GETLINE, i, reinterpret_cast<LPARAM>(buffer));
    lines.emplace_back(buffer, static_cast<size_t>(length));
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  DestroyWindow(parent);
  DeleteObject(font);
  return lines;
}

inline std::vector<HWND> TrayIcons() {
  return ChildWindows(FindWindowW(L"__winex11_standalone_tray", nullptr), L"__winex11_tray_icon",
                      false);
}

// The visible popup menus: one while a menu is open, two once a submenu is.
inline std::vector<HWND> OpenMenus() {
  return Windows(
      nullptr, [](HWND window) { return IsWindowVisible(window) && ClassOf(window) == L"#32768"; });
}

inline HWND OpenMenu() {
  std::vector<HWND> menus;
  WaitFor([&] { return !(menus = OpenMenus()).empty(); }, 3000);
  return menus.empty() ? nullptr : menus[0];
}

inline std::vector<WPARAM> Downs(int times, WPARAM key) {
  std::vector<WPARAM> keys(static_cast<size_t>(times), VK_DOWN);
  keys.push_back(key);
  return keys;
}

inline void MenuKeys(HWND menu, const std::vector<WPARAM>& keys) {
  ::Sleep(400);  // a menu that has just opened may not take keys yet
  for (WPARAM key : keys) {
    PostMessageW(menu, WM_KEYDOWN, key, 0);
    ::Sleep(80);
  }
}

// OK pressed on a box (or WM_CLOSE), then the pause Wine makes when the active window goes
// (about two seconds without a window manager; input in it is lost).
inline void Dismiss(HWND window, UINT message = WM_COMMAND) {
  PostMessageW(window, message, IDOK, 0);
  WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 5000);
  ::Sleep(2500);
}

// The application title, the caption of the program's error boxes.
inline const wchar_t kTitle[] = L"Г.Г.Кормид";

inline const std::wstring kGreetings = L"Привет! Я тест.\r\n";
inline const std::wstring kLong =
    L"Один два три четыре пять шесть семь восемь девять десять одиннадцать двенадцать "
    L"тринадцать четырнадцать пятнадцать шестнадцать.";
// Windows-1252 upper-cases the byte of "я" otherwise than Windows-1251: ЯБЛОКО is matched
// only where the program keeps to Windows-1251.
inline const std::wstring kAnswers =
    L"КАК\r\n!\r\nХорошо.\r\n.\r\nЯБЛОКО\r\n!\r\nЧервивое.\r\n.\r\nДЛИННО\r\n!\r\n" + kLong +
    L"\r\n.\r\nПОКА\r\n!\r\nДо свидания!^\r\n.\r\n";

// Positions of the popup menu's items: Down from the opening selects the first.
constexpr int kPluginsItem = 4, kRunItem = 5;

class TCharacterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    // A Russian folder name, as a Russian user's own folders have: the program must find its
    // files there whatever the system's code page.
    folder = FreshAppFolder(std::wstring(name, name + strlen(name)) + L"-Кормид");
    WriteFile(Brain(L"Greetings.brain"), FromWide(kGreetings));
    WriteFile(Brain(L"Dialog.brain"), FromWide(L"Не понимаю.\r\n"));
    WriteFile(Brain(L"Answers.brain"), FromWide(kAnswers));
  }

  void TearDown() override { End(process); }

  std::wstring Brain(const wchar_t* file) const { return folder + L"Brain\\" + file; }

  // Without `waitForWindow`, start-up is expected to show an error box first.
  void Start(bool waitForWindow = true) {
    process = Launch(folder);
    if (waitForWindow) {
      ASSERT_NE(main = MainWindow(), nullptr) << "no character window";
    }
  }

  // A visible top-level window of the program with this caption and class (null: any).
  HWND WaitForWindow(const wchar_t* caption, const wchar_t* className, DWORD wait = 0) const {
    auto wanted = [&](HWND window) {
      DWORD processId = 0;
      GetWindowThreadProcessId(window, &processId);
      return processId == process.dwProcessId && IsWindowVisible(window) &&
             (!caption || TextOf(window) == caption) &&
             (!className || ClassOf(window) == className);
    };
    std::vector<HWND> found;
    WaitFor([&] { return !(found = Windows(nullptr, wanted)).empty(); }, wait);
    return found.empty() ? nullptr : found[0];
  }
  HWND MainWindow(DWORD wait = 15000) const {
    return WaitForWindow(L"Quelvoran", L"QvWindow", wait);
  }
  HWND InputField() const {
    const std::vector<HWND> edits = ChildWindows(MainWindow(), L"Edit");
    return edits.empty() ? nullptr : edits[0];
  }
  HWND FocusWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(process.dwThreadId, &info) ? info.hwndFocus : nullptr;
  }

  // A click into the input field, which brings the program's window to the foreground.
  void FocusInput() const {
    HWND input = InputField();
    ASSERT_NE(input, nullptr);
    Click(CentreOf(input));
    EXPECT_TRUE(WaitFor([&] { return FocusWindow() == input; }, 3000))
        << "the input field did not take the focus";
  }
  void Ask(const std::wstring& question) const {
    FocusInput();
    Type(question);
    EXPECT_TRUE(WaitFor([&] { return TextOf(InputField()) == question; }, 3000))
        << "typing was lost";
    TypeKey(VK_RETURN);
  }

  // A right click on the character (away from its controls) opens its popup menu there.
  HWND OpenMainMenu() {
    Click(ScreenPoint(main, 80, 150), true);
    return OpenMenu();
  }

  HWND OpenTeachingWindow() {
    HWND menu = OpenMainMenu();
    if (menu) MenuKeys(menu, Downs(3, VK_RETURN));
    return menu ? WaitForWindow(L"Обучение", nullptr, 5000) : nullptr;
  }

  // A right click on the tray icon as the shell reports it, and these keys in its menu.
  static HWND TrayMenu(const std::vector<WPARAM>& keys) {
    const std::vector<HWND> icons = TrayIcons();
    if (icons.size() != 1) return nullptr;
    PostMessageW(icons[0], WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(8, 8));
    PostMessageW(icons[0], WM_RBUTTONUP, 0, MAKELPARAM(8, 8));
    HWND menu = OpenMenu();
    if (menu && !keys.empty()) MenuKeys(menu, keys);
    return menu;
  }

  static HWND OpenSubmenu(HWND menu, int item) {
    MenuKeys(menu, Downs(item, VK_RIGHT));
    WaitFor([] { return OpenMenus().size() > 1; }, 3000);
    for (HWND open : OpenMenus())
      if (open != menu) return open;
    return nullptr;
  }

  // The speech area comes to show `line` fully (what it held before may come first).
  bool Shows(const std::wstring& line, DWORD wait = 10000, int k = 1) const {
    const TPixels expected = RenderedLine(line, k);
    return WaitFor([&] { return SpeechArea(main, k) == expected; }, wait);
  }

  // The program's error box, if one comes within `wait`; its text through `text`.
  HWND Error(std::wstring* text, DWORD wait = 10000, const wchar_t* caption = kTitle) const {
    HWND box = WaitForWindow(caption, L"#32770", wait);
    text->clear();
    for (HWND label : box ? ChildWindows(box, L"Static") : std::vector<HWND>{})
      if (std::wstring found = TextOf(label); !found.empty()) *text = found;
    return box;
  }
  // The error box's text once it comes, the box closed.
  std::wstring ErrorClosed(DWORD wait = 10000, const wchar_t* caption = kTitle) const {
    std::wstring text;
    if (HWND box = Error(&text, wait, caption)) Dismiss(box);
    return text;
  }

  std::wstring folder;
  PROCESS_INFORMATION process{};
  HWND main = nullptr;
};

}  // namespace driver
