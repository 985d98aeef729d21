#include "AppDriver.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace driver {

namespace {

std::wstring Widen(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  return wide;
}

void DeleteTree(const std::wstring& folder) {
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTree(path);
      else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((from + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    else
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

struct TFound {
  DWORD processId;
  const wchar_t* caption;
  const wchar_t* className;
  HWND window;
};

BOOL CALLBACK FindOwnWindow(HWND window, LPARAM lParam) {
  auto& wanted = *reinterpret_cast<TFound*>(lParam);
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  if (processId != wanted.processId || !IsWindowVisible(window)) return TRUE;
  if (wanted.caption && TextOf(window) != wanted.caption) return TRUE;
  if (wanted.className) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) != wanted.className) return TRUE;
  }
  wanted.window = window;
  return FALSE;
}

HFONT WindowFont() {
  LOGFONTW font{};
  font.lfHeight = -11;
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  wcscpy(font.lfFaceName, L"MS Sans Serif");
  return CreateFontIndirectW(&font);
}

}  // namespace

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return done();
    ::Sleep(20);
  }
  return true;
}

void Pause(DWORD milliseconds) {
  ::Sleep(milliseconds);
}

std::wstring FreshAppFolder(const std::wstring& name) {
  const std::wstring root = Widen(QV_APP_TEST_ROOT);
  CreateDirectoryW(root.c_str(), nullptr);
  const std::wstring folder = root + L"\\" + name;
  DeleteTree(folder);
  CopyTree(Widen(QV_RELEASE_DIR), folder);
  return folder + L"\\";
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

std::string ReadFile(const std::wstring& path) {
  std::string bytes;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    bytes.append(buffer, read);
  CloseHandle(file);
  return bytes;
}

void RemoveFile(const std::wstring& path) {
  DeleteFileW(path.c_str());
}

// TApp

TApp::TApp(const std::wstring& folder) {
  std::wstring exe = folder + L"Quelvoran.exe";
  std::wstring command = L"\"" + exe + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // Started from another folder: the program finds its data beside itself.
  const std::wstring elsewhere = Widen(QV_APP_TEST_ROOT);
  if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      elsewhere.c_str(), &startup, &info)) {
    ADD_FAILURE() << "cannot start the program: error " << GetLastError();
    return;
  }
  process_ = info.hProcess;
  thread_ = info.hThread;
  processId_ = info.dwProcessId;
  threadId_ = info.dwThreadId;
}

TApp::~TApp() {
  Kill();
  if (thread_) CloseHandle(thread_);
  if (process_) CloseHandle(process_);
}

bool TApp::Running() const {
  return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool TApp::WaitForExit(DWORD milliseconds, DWORD* code) const {
  if (!process_ || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(process_, code);
  return true;
}

void TApp::Kill() {
  if (Running()) {
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
  }
}

HWND TApp::FindWindowOf(const wchar_t* caption, const wchar_t* className) const {
  TFound wanted{processId_, caption, className, nullptr};
  EnumWindows(FindOwnWindow, reinterpret_cast<LPARAM>(&wanted));
  return wanted.window;
}

HWND TApp::WaitForWindow(const wchar_t* caption, const wchar_t* className,
                         DWORD milliseconds) const {
  HWND window = nullptr;
  WaitFor([&] { return (window = FindWindowOf(caption, className)) != nullptr; }, milliseconds);
  return window;
}

HWND TApp::MainWindow(DWORD wait) {
  if (!main_ || !IsWindow(main_)) main_ = WaitForWindow(L"Quelvoran", L"QvWindow", wait);
  return main_;
}

HWND TApp::InputField() {
  HWND main = MainWindow();
  for (HWND child = FindWindowExW(main, nullptr, L"Edit", nullptr); child;
       child = FindWindowExW(main, child, L"Edit", nullptr))
    if (IsWindowVisible(child)) return child;
  return nullptr;
}

HWND TApp::FocusWindow() const {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId_, &info)) return nullptr;
  return info.hwndFocus;
}

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      5000, nullptr);
  return text;
}

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

POINT ScreenPoint(HWND window, int x, int y) {
  POINT point{x, y};
  ClientToScreen(window, &point);
  return point;
}

// Input

namespace {

void SendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

void SendKey(WORD key, DWORD flags, wchar_t unicode = 0) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.wScan = unicode;
  input.ki.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

}  // namespace

void Click(POINT screen, bool right) {
  SetCursorPos(screen.x, screen.y);
  ::Sleep(30);
  SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN);
  ::Sleep(30);
  SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP);
}

void Key(WORD key, std::initializer_list<WORD> modifiers) {
  for (WORD modifier : modifiers) SendKey(modifier, 0);
  SendKey(key, 0);
  SendKey(key, KEYEVENTF_KEYUP);
  for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it)
    SendKey(*it, KEYEVENTF_KEYUP);
}

void Type(const std::wstring& text) {
  for (wchar_t c : text) {
    SendKey(0, KEYEVENTF_UNICODE, c);
    SendKey(0, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, c);
  }
}

void FocusInput(TApp& app) {
  HWND input = app.InputField();
  ASSERT_NE(input, nullptr);
  RECT rect = WindowRect(input);
  Click(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  EXPECT_TRUE(WaitFor([&] { return app.FocusWindow() == input; }, 3000))
      << "the input field did not take the focus";
}

void Ask(TApp& app, const std::wstring& question) {
  FocusInput(app);
  Type(question);
  HWND input = app.InputField();
  EXPECT_TRUE(WaitFor([&] { return TextOf(input) == question; }, 3000)) << "typing was lost";
  Key(VK_RETURN);
}

// Pixels

void TPixels::Save(const std::wstring& path) const {
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = -height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  const DWORD bytes = static_cast<DWORD>(data.size() * 4);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + bytes;
  std::string image(reinterpret_cast<const char*>(&file), sizeof file);
  image.append(reinterpret_cast<const char*>(&info), sizeof info);
  image.append(reinterpret_cast<const char*>(data.data()), bytes);
  WriteFile(path, image);
}

int TPixels::CountOther(uint32_t color) const {
  return static_cast<int>(
      std::count_if(data.begin(), data.end(), [color](uint32_t pixel) { return pixel != color; }));
}

namespace {

// A 32-bit top-down DIB section with its own DC.
struct TSurface {
  TSurface(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    dc = CreateCompatibleDC(nullptr);
    bitmap =
        CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    old = SelectObject(dc, bitmap);
    pixels.width = width;
    pixels.height = height;
  }
  ~TSurface() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  TPixels Read() {
    GdiFlush();
    pixels.data.assign(bits, bits + static_cast<size_t>(pixels.width) * pixels.height);
    for (uint32_t& pixel : pixels.data) pixel &= 0xFFFFFF;
    return pixels;
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  uint32_t* bits = nullptr;
  TPixels pixels;
};

}  // namespace

TPixels Capture(const RECT& screen) {
  const int width = screen.right - screen.left, height = screen.bottom - screen.top;
  TSurface surface(width, height);
  HDC desktop = GetDC(nullptr);
  BitBlt(surface.dc, 0, 0, width, height, desktop, screen.left, screen.top, SRCCOPY);
  ReleaseDC(nullptr, desktop);
  return surface.Read();
}

TPixels SpeechArea(HWND mainWindow) {
  POINT origin = ScreenPoint(mainWindow, 14, 16);
  return Capture(RECT{origin.x, origin.y, origin.x + 134, origin.y + 54});
}

TPixels RenderedLine(const std::wstring& line) {
  TSurface surface(134, 54);
  RECT all{0, 0, 134, 54};
  FillRect(surface.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  HFONT font = WindowFont();
  HGDIOBJ old = SelectObject(surface.dc, font);
  SetBkMode(surface.dc, TRANSPARENT);
  SetTextColor(surface.dc, GetSysColor(COLOR_WINDOWTEXT));
  const UINT flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
  RECT measure{0, 0, 134, 0};
  DrawTextW(surface.dc, line.c_str(), static_cast<int>(line.size()), &measure, flags | DT_CALCRECT);
  const int height = measure.bottom - measure.top;
  const int top = (54 - height) / 2;
  RECT box{0, top, 134, top + height};
  DrawTextW(surface.dc, line.c_str(), static_cast<int>(line.size()), &box, flags);
  SelectObject(surface.dc, old);
  DeleteObject(font);
  return surface.Read();
}

std::vector<std::wstring> DisplayLines(const std::wstring& answer) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 600, 100, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  HWND box = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_CENTER,
                             0, 0, 460, 36, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  HFONT font = WindowFont();
  SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  const std::wstring text = answer + L"\r\n";
  SetWindowTextW(box, text.c_str());
  std::vector<std::wstring> lines;
  const auto count = static_cast<int>(SendMessageW(box, EM_GETLINECOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[1024] = {};
    buffer[0] = 1023;
    const auto length =
        static_cast<int>(SendMessageW(box, EM_GETLINE, i, reinterpret_cast<LPARAM>(buffer)));
    lines.emplace_back(buffer, static_cast<size_t>(length));
  }
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  DestroyWindow(box);
  DestroyWindow(parent);
  DeleteObject(font);
  return lines;
}

std::vector<TPixels> HeldFrames(HWND mainWindow, size_t count, DWORD milliseconds, bool fresh) {
  std::vector<TPixels> held;
  TPixels last;
  DWORD since = GetTickCount();
  bool recorded = false;
  if (fresh) {
    last = SpeechArea(mainWindow);
    recorded = true;
  }
  const DWORD start = GetTickCount();
  while (held.size() < count && GetTickCount() - start < milliseconds) {
    TPixels now = SpeechArea(mainWindow);
    if (!(now == last)) {
      last = std::move(now);
      since = GetTickCount();
      recorded = false;
    } else if (!recorded && GetTickCount() - since >= 500) {
      held.push_back(last);
      recorded = true;
    }
    ::Sleep(40);
  }
  return held;
}

// Tray and menus

std::vector<HWND> TrayIcons() {
  std::vector<HWND> icons;
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  for (HWND child = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr); child;
       child = FindWindowExW(tray, child, L"__winex11_tray_icon", nullptr))
    icons.push_back(child);
  return icons;
}

void RightClickTray(HWND icon) {
  PostMessageW(icon, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(8, 8));
  PostMessageW(icon, WM_RBUTTONUP, 0, MAKELPARAM(8, 8));
}

HWND OpenMenu(DWORD wait) {
  HWND menu = nullptr;
  WaitFor(
      [&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
      },
      wait);
  return menu && IsWindowVisible(menu) ? menu : nullptr;
}

void MenuKeys(HWND menu, std::initializer_list<WPARAM> keys) {
  // A menu that has just opened may not take keys yet.
  ::Sleep(400);
  for (WPARAM key : keys) {
    PostMessageW(menu, WM_KEYDOWN, key, 0);
    ::Sleep(80);
  }
}

HWND ErrorBox(const TApp& app, const wchar_t* caption, std::wstring* text, DWORD wait) {
  HWND box = app.WaitForWindow(caption, L"#32770", wait);
  if (box && text) {
    text->clear();
    for (HWND child = FindWindowExW(box, nullptr, L"Static", nullptr); child;
         child = FindWindowExW(box, child, L"Static", nullptr))
      if (std::wstring found = TextOf(child); !found.empty()) *text = found;
  }
  return box;
}

std::vector<HWND> OpenMenus() {
  std::vector<HWND> menus;
  for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
       menu = FindWindowExW(nullptr, menu, L"#32768", nullptr))
    if (IsWindowVisible(menu)) menus.push_back(menu);
  return menus;
}

void DismissBox(HWND box) {
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
  ::Sleep(2500);
}

namespace {

struct TChildSearch {
  const wchar_t* className;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM lParam) {
  auto& search = *reinterpret_cast<TChildSearch*>(lParam);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (!search.className || _wcsicmp(name, search.className) == 0) search.found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> ChildWindows(HWND parent, const wchar_t* className) {
  TChildSearch search{className, {}};
  EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

POINT Centre(HWND window) {
  const RECT rect = WindowRect(window);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

std::vector<std::wstring> ListBoxItems(HWND list) {
  std::vector<std::wstring> items;
  const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const auto length = static_cast<int>(SendMessageW(list, LB_GETTEXTLEN, i, 0));
    if (length < 0) break;
    std::wstring item(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<size_t>(length));
    items.push_back(item);
  }
  return items;
}

void RemoveFolder(const std::wstring& path) {
  DeleteTree(path);
}

std::wstring FullPath(const std::wstring& path) {
  wchar_t full[MAX_PATH] = {};
  const DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
  return std::wstring(full, length < MAX_PATH ? length : 0);
}

TPixels ClientPixels(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  const POINT origin = ScreenPoint(window, 0, 0);
  return Capture(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
}

}  // namespace driver
