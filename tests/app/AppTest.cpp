// The character program as a user meets it: started from a copy of the release folder with a
// knowledge base of known answers, seen through its windows and the screen's pixels.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "AppDriver.h"
#include "Version.h"

using namespace driver;

namespace {

const wchar_t kGreeting[] = L"Привет! Я тест.";

class AppTest : public TCharacterTest {};

TEST_F(AppTest, TheWindowIsShapedTopmostBorderlessWithoutTaskbarButtonGreetsAndRunsAlone) {
  Start();
  EXPECT_EQ(GetWindowLongPtrW(main, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  EXPECT_EQ(GetWindowLongPtrW(main, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_APPWINDOW),
            WS_EX_TOPMOST);
  // Centred, and clipped to the character's outline, not to the rectangle.
  const LONG left = (GetSystemMetrics(SM_CXSCREEN) - 162) / 2;
  const LONG top = (GetSystemMetrics(SM_CYSCREEN) - 251) / 2;
  RECT rect = WindowRect(main);
  EXPECT_EQ(std::tie(rect.left, rect.top, rect.right, rect.bottom),
            std::tuple(left, top, left + 162, top + 251));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(main, region), COMPLEXREGION);
  GetRgnBox(region, &rect);
  DeleteObject(region);
  EXPECT_EQ(std::tie(rect.left, rect.top, rect.right, rect.bottom), std::tuple(2L, 2L, 161L, 250L));
  // Owned by the application's window, which stays hidden: no taskbar button.
  HWND owner = GetWindow(main, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(owner); }, 3000));
  EXPECT_TRUE(Shows(kGreeting));
  PROCESS_INFORMATION second = Launch(folder);
  EXPECT_TRUE(Exited(second, 20000)) << "a second copy runs on";
  End(second);
  EXPECT_FALSE(Exited(process, 0)) << "the first copy ended";
  EXPECT_EQ(WaitForWindow(L"Quelvoran", L"QvWindow"), main);

  // The About window opens in the screen's corner, wherever it was left; always the same one.
  Click(ScreenPoint(main, 124, 10));
  HWND about = WaitForWindow(L"О программе...", nullptr, 5000);
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(InCorner(about));
  SetWindowPos(about, nullptr, 200, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  Dismiss(about, WM_CLOSE);
  Click(ScreenPoint(main, 124, 10));
  EXPECT_EQ(WaitForWindow(L"О программе...", nullptr, 5000), about);
  EXPECT_TRUE(InCorner(about));
}

TEST_F(AppTest, QuestionsAreAnsweredLineByLineAndTheCloseMarkerEndsTheProgram) {
  const std::vector<std::wstring> lines = DisplayLines(kLong);
  ASSERT_GE(lines.size(), 2u) << "the answer fits one line of 460 pixels";
  Start();
  Ask(L"Ну, как дела?");
  EXPECT_TRUE(Shows(L"Хорошо."));
  HWND input = InputField();
  EXPECT_EQ(TextOf(input), L"");
  EXPECT_EQ(FocusWindow(), input);
  // Enter with Shift or Ctrl answers like Enter alone; an empty field gets a dialogue line.
  FocusInput();
  TypeKey(VK_RETURN, {VK_SHIFT});
  EXPECT_TRUE(Shows(L"Не понимаю."));
  Type(L"как");
  TypeKey(VK_RETURN, {VK_CONTROL});
  EXPECT_TRUE(Shows(L"Хорошо."));

  // A long answer: its display lines in turn, each fully shown, then the first again.
  Ask(L"длинно");
  std::vector<TPixels> rendered;
  for (const std::wstring& line : lines) rendered.push_back(RenderedLine(line));
  std::vector<size_t> shown, expected(lines.size());
  std::iota(expected.begin(), expected.end(), size_t{0});
  expected.push_back(0);
  WaitFor(
      [&] {
        const TPixels now = SpeechArea(main);
        for (size_t i = 0; i < rendered.size(); ++i)
          if (now == rendered[i] && (shown.empty() || shown.back() != i)) shown.push_back(i);
        return shown.size() == expected.size();
      },
      4000 * static_cast<DWORD>(expected.size()));
  EXPECT_EQ(shown, expected);

  Ask(L"Пока!");
  DWORD code = 1;
  EXPECT_TRUE(Exited(process, 10000, &code));
  EXPECT_EQ(code, 0u);
}

// Whether the open menu's first two items are drawn enabled: each a band of rows (inside the
// frame, right of the side bar) whose text is as dark as the menu text, not the grey of a
// disabled item.
std::vector<bool> FirstItemsEnabled(HWND menu) {
  const TPixels shot = Capture(menu);
  auto darkness = [](uint32_t c) { return 765 - (c >> 16) - (c >> 8 & 0xFF) - (c & 0xFF); };
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  const uint32_t greyness = 765 - GetRValue(grey) - GetGValue(grey) - GetBValue(grey);
  std::vector<bool> enabled;
  for (int y = 3, inBand = false; y < shot.height - 3 && enabled.size() <= 2; ++y) {
    uint32_t darkest = 0;
    for (int x = 20; x < shot.width - 2; ++x) darkest = std::max(darkest, darkness(shot.At(x, y)));
    if (darkest * 2 < greyness) {
      inBand = false;
      continue;
    }
    if (!inBand) enabled.push_back(false);
    inBand = true;
    if (darkest * 2 > greyness + 765) enabled.back() = true;
  }
  enabled.resize(std::min<size_t>(enabled.size(), 2));
  return enabled;
}

TEST_F(AppTest, TheTrayMenuShowsAndHidesTheWindowAndEndsTheProgramWhileItIsHidden) {
  Start();
  Click(ScreenPoint(main, 136, 10));
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000)) << "not hidden";
  // "Развернуть" (first) and "Свернуть" (second) enabled as the window needs them.
  auto choose = [](const std::vector<bool>& enabled, const std::vector<WPARAM>& keys) {
    SetCursorPos(700, 120);
    HWND menu = TrayMenu({});
    ASSERT_NE(menu, nullptr) << "no tray icon or menu";
    std::vector<bool> items;
    WaitFor([&] { return (items = FirstItemsEnabled(menu)) == enabled; }, 3000);
    EXPECT_EQ(items, enabled);
    MenuKeys(menu, keys);
  };
  choose({true, false}, {VK_DOWN, VK_RETURN});
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 5000)) << "not restored";
  EXPECT_FALSE(IsWindowVisible(GetWindow(main, GW_OWNER))) << "a taskbar button";
  choose({false, true}, {VK_DOWN, VK_DOWN, VK_RETURN});
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
  // "Выход", the last item, with the window hidden.
  ASSERT_TRUE(TrayMenu({VK_UP, VK_RETURN}));
  EXPECT_TRUE(Exited(process, 10000));
  EXPECT_TRUE(WaitFor([] { return TrayIcons().empty(); }, 5000)) << "the icon stayed";
}

TEST_F(AppTest, AMissingGreetingFileIsReportedAndTheWindowStillWorks) {
  Remove(Brain(L"Greetings.brain"));
  Start(false);
  // The title is the executable's name until start-up is over.
  EXPECT_EQ(ErrorClosed(20000, L"Quelvoran"), L"File not found.");
  ASSERT_NE(main = MainWindow(), nullptr);
  EXPECT_TRUE(SpeechArea(main) == RenderedLine(L"")) << "no greeting, an empty speech area";
  Ask(L"как дела");
  EXPECT_TRUE(Shows(L"Хорошо."));
}

TEST_F(AppTest, AnEmptyGreetingFileIsAListErrorAndAFailedQuestionKeepsItsText) {
  WriteFile(Brain(L"Greetings.brain"), "");
  Remove(Brain(L"Dialog.brain"));
  Start(false);
  // No full stop after ")", which sorts before ".".
  EXPECT_EQ(ErrorClosed(20000, L"Quelvoran"), L"List index out of bounds (0)");
  ASSERT_NE(main = MainWindow(), nullptr);
  Ask(L"абракадабра");
  EXPECT_EQ(ErrorClosed(), L"File not found.");
  EXPECT_EQ(TextOf(InputField()), L"абракадабра");
  EXPECT_TRUE(SpeechArea(main) == RenderedLine(L""));
}

// The file's properties name the program and give the build's version; its manifest
// declares the DPI awareness (Wine reports every window per-monitor aware whatever a program
// declares, so the declaration itself is read) and keeps the classic common controls.
TEST(AppFile, CarriesTheBuildsVersionAndItsManifest) {
  const std::wstring exe = L"" QV_RELEASE_DIR L"/Quelvoran.exe";
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource";
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(QV_VERSION_MAJOR << 16 | QV_VERSION_MINOR));
  EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(QV_VERSION_PATCH << 16));
  auto text = [&](const std::wstring& name) {
    wchar_t* value = nullptr;
    UINT count = 0;
    const std::wstring path = L"\\StringFileInfo\\040904B0\\" + name;
    return VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value), &count)
               ? std::wstring(value)
               : std::wstring();
  };
  EXPECT_EQ(text(L"ProductName"), L"Quelvoran");
  EXPECT_EQ(text(L"ProductVersion"), L"" QV_VERSION_TEXT);
  EXPECT_EQ(text(L"FileVersion"), L"" QV_VERSION_TEXT);
  EXPECT_NE(text(L"FileDescription"), L"");
  EXPECT_NE(text(L"LegalCopyright"), L"");

  HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(found, nullptr) << "no manifest";
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(image, found))),
                             SizeofResource(image, found));
  FreeLibrary(image);
  EXPECT_NE(manifest.find(">PerMonitorV2, System</dpiAwareness>"), std::string::npos);
  EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
  EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);
}

bool Topmost(HWND window) {
  return (GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// Out of the topmost layer and below `front` in the order of top-level windows.
bool Behind(HWND window, HWND front) {
  if (Topmost(window)) return false;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == window) return false;
    if (w == front) return true;
  }
  return false;
}

// The test's helper program showing its window ("fullscreen" or "maximised") in front.
HWND ShowHelper(const wchar_t* kind, PROCESS_INFORMATION& process) {
  std::wstring command = L"\"" QV_WINDOW_HELPER L"\" " + std::wstring(kind);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return nullptr;
  HWND window = nullptr;
  WaitFor(
      [&] {
        window = FindWindowW(L"QvHelper", nullptr);
        return window && IsWindowVisible(window) && GetForegroundWindow() == window;
      },
      10000);
  return window;
}

TEST_F(AppTest, TheCharacterStepsBehindAFullScreenProgramUntilItGoes) {
  Start();
  HWND edu = OpenTeachingWindow();
  ASSERT_NE(edu, nullptr);
  ASSERT_TRUE(Topmost(main) && Topmost(edu));
  auto behind = [&](HWND front) {
    return WaitFor([&] { return Behind(main, front) && Behind(edu, front); }, 5000);
  };
  auto onTop = [&] { return WaitFor([&] { return Topmost(main) && Topmost(edu); }, 5000); };

  PROCESS_INFORMATION helper{};
  HWND full = ShowHelper(L"fullscreen", helper);
  ASSERT_NE(full, nullptr) << "the full-screen window did not come to the front";
  EXPECT_TRUE(behind(full));
  ::Sleep(1000);  // and it stays there
  EXPECT_TRUE(Behind(main, full) && Behind(edu, full));
  EXPECT_EQ(TrayIcons().size(), 1u) << "the tray icon stays";
  // Out of full screen and back, then closed.
  const RECT screen = WindowRect(full);
  SetWindowPos(full, nullptr, 100, 100, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(onTop());
  SetWindowPos(full, nullptr, screen.left, screen.top, screen.right - screen.left,
               screen.bottom - screen.top, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(behind(full));
  PostMessageW(full, WM_CLOSE, 0, 0);
  EXPECT_TRUE(onTop());
  End(helper);

  // A maximised window keeps its caption: the character stays on top of it.
  HWND maximised = ShowHelper(L"maximised", helper);
  ASSERT_NE(maximised, nullptr);
  EXPECT_TRUE(IsZoomed(maximised));
  ::Sleep(1500);  // several looks at the foreground
  EXPECT_TRUE(Topmost(main) && Topmost(edu));
  End(helper);
}

TEST_F(AppTest, TheCharacterComesBackWholeAfterADisplayChangeAndADrag) {
  Start();
  RECT work{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));
  auto at = [&](LONG x, LONG y) {
    return WaitFor([&] { return WindowRect(main).left == x && WindowRect(main).top == y; }, 5000);
  };
  auto place = [&](LONG x, LONG y) {
    SetWindowPos(main, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(at(x, y));
  };
  // Nearly off the bottom right corner, then a display change.
  place(work.right - 40, work.bottom - 30);
  SendMessageTimeoutW(HWND_BROADCAST, WM_DISPLAYCHANGE, 32,
                      MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_TRUE(at(work.right - 162, work.bottom - 251));
  // Off the top left corner, then a change of the work area.
  place(work.left - 100, work.top - 200);
  SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETWORKAREA, 0, SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  EXPECT_TRUE(at(work.left, work.top));

  // Dragged by the picture until the input field is below the screen's last row.
  place(300, 200);
  const POINT press = ScreenPoint(main, 80, 150);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  auto moveTo = [&](LONG x, LONG y) {
    INPUT input{INPUT_MOUSE, {}};
    input.mi.dx = x * 65535 / (width - 1);
    input.mi.dy = y * 65535 / (height - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    ::Sleep(50);
  };
  moveTo(press.x, press.y);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  for (int step = 1; step <= 10; ++step)
    moveTo(press.x + 10 * step, press.y + (height - 1 - press.y) * step / 10);
  ::Sleep(200);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(at(400, work.bottom - 251))
      << "at " << WindowRect(main).left << ", " << WindowRect(main).top;
}

// Run with QV_LANG=en_US.UTF-8: a Windows set to another language.
TEST_F(AppTest, WideEdgeRussianReadsRightOnAnEnglishSystem) {
  if (GetACP() == 1251) GTEST_SKIP() << "runs on code page 1252 only";
  Remove(Brain(L"Dialog.brain"));
  Start();
  EXPECT_TRUE(Shows(kGreeting));
  Ask(L"Хочу яблоко");
  EXPECT_TRUE(Shows(L"Червивое."));
  Ask(L"что-то незнакомое");
  EXPECT_EQ(ErrorClosed(), L"File not found.") << "no error box captioned Г.Г.Кормид";
}

// Run with QV_LANG=en_US.UTF-8: a plugin and a macro whose names hold letters Windows-1251
// has not keep them in the error boxes that name them.
TEST_F(AppTest, WideEdgeErrorBoxesNameFilesWithTheirOwnLetters) {
  if (GetACP() == 1251) GTEST_SKIP() << "runs on code page 1252 only";
  const std::wstring plugins = folder + L"Plugins\\", scripts = folder + L"Scripts\\";
  for (const std::wstring& made :
       {plugins, plugins + L"Café.plg", scripts, scripts + L"Señal.rec"}) {
    Remove(made);
    CreateDirectoryW(made.c_str(), nullptr);
  }
  WriteFile(plugins + L"Café.plg\\plugin.ini", "[PLUGIN]\r\nImgName=gone.bmp\r\n");
  // The program names its Russian folder as the narrow file calls take it, in short form.
  wchar_t named[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameW(folder.c_str(), named, MAX_PATH), 0u);
  Start();
  const std::pair<int, std::wstring> entries[] = {
      {kPluginsItem, L"Plugins\\Café.plg\\gone.bmp."},
      {kRunItem, L"Scripts\\Señal.rec."}};  // a folder, which cannot be opened as a file
  for (const auto& [item, file] : entries) {
    HWND menu = OpenMainMenu();
    ASSERT_NE(menu, nullptr);
    HWND submenu = OpenSubmenu(menu, item);
    ASSERT_NE(submenu, nullptr);
    MenuKeys(submenu, {VK_RETURN});
    EXPECT_EQ(ErrorClosed(), L"Cannot open file " + std::wstring(named) + file);
  }
}

}  // namespace
