// The character program as a user meets it, driven from outside: started from a copy of the
// release folder with a knowledge base of known answers, looked at through the screen's
// pixels and its windows, typed into and clicked through the input queue.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "AppDriver.h"

using namespace driver;

namespace {

// The knowledge base of these tests (Windows-1251, CR LF).
const char kGreetings[] =
    "\xCF\xF0\xE8\xE2\xE5\xF2! \xDF \xF2\xE5\xF1\xF2.\r\n";  // Привет! Я тест.
const wchar_t kGreeting[] = L"Привет! Я тест.";
const char kDialog[] = "\xCD\xE5 \xEF\xEE\xED\xE8\xEC\xE0\xFE.\r\n";  // Не понимаю.
const char kAnswers[] =
    "\xCA\xC0\xCA\r\n!\r\n\xD5\xEE\xF0\xEE\xF8\xEE.\r\n.\r\n"  // КАК ! Хорошо. .
    "\xC4\xCB\xC8\xCD\xCD\xCE\r\n!\r\n"                        // ДЛИННО !
    "\xCE\xE4\xE8\xED \xE4\xE2\xE0 \xF2\xF0\xE8 \xF7\xE5\xF2\xFB\xF0\xE5 \xEF\xFF\xF2\xFC "
    "\xF8\xE5\xF1\xF2\xFC \xF1\xE5\xEC\xFC \xE2\xEE\xF1\xE5\xEC\xFC \xE4\xE5\xE2\xFF\xF2\xFC "
    "\xE4\xE5\xF1\xFF\xF2\xFC \xEE\xE4\xE8\xED\xED\xE0\xE4\xF6\xE0\xF2\xFC "
    "\xE4\xE2\xE5\xED\xE0\xE4\xF6\xE0\xF2\xFC \xF2\xF0\xE8\xED\xE0\xE4\xF6\xE0\xF2\xFC "
    "\xF7\xE5\xF2\xFB\xF0\xED\xE0\xE4\xF6\xE0\xF2\xFC \xEF\xFF\xF2\xED\xE0\xE4\xF6\xE0\xF2\xFC "
    "\xF8\xE5\xF1\xF2\xED\xE0\xE4\xF6\xE0\xF2\xFC.\r\n.\r\n"
    "\xCF\xCE\xCA\xC0\r\n!\r\n\xC4\xEE \xF1\xE2\xE8\xE4\xE0\xED\xE8\xFF!^\r\n.\r\n";  // ПОКА !
const wchar_t kLong[] =
    L"Один два три четыре пять шесть семь восемь девять десять одиннадцать двенадцать "
    L"тринадцать четырнадцать пятнадцать шестнадцать.";
const wchar_t kTitle[] = L"Г.Г.Кормид";

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = FreshAppFolder(std::wstring(info->name(), info->name() + strlen(info->name())));
    WriteFile(folder + L"Brain\\Greetings.brain", kGreetings);
    WriteFile(folder + L"Brain\\Dialog.brain", kDialog);
    WriteFile(folder + L"Brain\\Answers.brain", kAnswers);
  }

  // Starts the program and waits for its window (not while start-up shows an error box).
  TApp& Start(bool waitForWindow = true) {
    app = std::make_unique<TApp>(folder);
    if (waitForWindow) {
      main = app->MainWindow();
      EXPECT_NE(main, nullptr) << "no character window";
    }
    return *app;
  }

  // The speech area comes to hold `line` fully shown (what it held before may come first).
  bool Shows(const std::wstring& line, DWORD wait = 10000) {
    const TPixels expected = RenderedLine(line);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < wait) {
      std::vector<TPixels> frames = HeldFrames(main, 1, wait - (GetTickCount() - start));
      if (!frames.empty() && frames[0] == expected) return true;
    }
    return false;
  }
  void ExpectShown(const std::wstring& line) {
    EXPECT_TRUE(Shows(line)) << "the speech area never showed the line";
  }

  void ClickGlyph(int x) { Click(ScreenPoint(main, x, 10)); }

  // Closing the active window holds Wine on a display without a window manager for about two
  // seconds; input sent meanwhile is lost.
  static void CloseBox(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 5000);
    Pause(2500);
  }

  std::wstring folder;
  std::unique_ptr<TApp> app;
  HWND main = nullptr;
};

TEST_F(AppTest, TheWindowIsShapedTopmostBorderlessWithoutTaskbarButtonAndGreets) {
  Start();
  ASSERT_NE(main, nullptr);
  const LONG_PTR style = GetWindowLongPtrW(main, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrW(main, GWL_EXSTYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  EXPECT_NE(exStyle & WS_EX_TOPMOST, 0);
  EXPECT_EQ(exStyle & WS_EX_APPWINDOW, 0);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 162);
  EXPECT_EQ(client.bottom, 251);
  RECT rect = WindowRect(main);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 162) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 251) / 2);
  // The outline: the character's shape, not the rectangle.
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(main, region), COMPLEXREGION);
  RECT box{};
  GetRgnBox(region, &box);
  DeleteObject(region);
  EXPECT_EQ(box.left, 2);
  EXPECT_EQ(box.top, 2);
  EXPECT_EQ(box.right, 161);
  EXPECT_EQ(box.bottom, 250);
  // Owned by the application's window, which stays hidden: no taskbar button.
  HWND owner = GetWindow(main, GW_OWNER);
  ASSERT_NE(owner, nullptr);
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(owner); }, 3000));
  ExpectShown(kGreeting);
}

TEST_F(AppTest, AQuestionIsAnsweredTheFieldClearedAndFocused) {
  Start();
  Ask(*app, L"Ну, как дела?");
  ExpectShown(L"Хорошо.");
  HWND input = app->InputField();
  EXPECT_EQ(TextOf(input), L"");
  EXPECT_EQ(app->FocusWindow(), input);
  // Enter with Shift or Ctrl answers like Enter alone; an empty field gets a dialogue line.
  FocusInput(*app);
  Key(VK_RETURN, {VK_SHIFT});
  ExpectShown(L"Не понимаю.");
  Type(L"как");
  Key(VK_RETURN, {VK_CONTROL});
  ExpectShown(L"Хорошо.");
  EXPECT_EQ(TextOf(input), L"");
}

TEST_F(AppTest, ALongAnswerReachesTheFaderAsDisplayLinesInOrder) {
  const std::vector<std::wstring> lines = DisplayLines(kLong);
  ASSERT_GE(lines.size(), 2u) << "the answer fits one line of 460 pixels";
  Start();
  Ask(*app, L"длинно");
  // The first line, then every other in turn, then the first again.
  ASSERT_TRUE(Shows(lines[0]));
  std::vector<TPixels> frames = HeldFrames(main, lines.size(), 4000 * (lines.size() + 1), true);
  ASSERT_EQ(frames.size(), lines.size());
  for (size_t i = 1; i < lines.size(); ++i)
    EXPECT_TRUE(frames[i - 1] == RenderedLine(lines[i])) << "line " << i;
  EXPECT_TRUE(frames.back() == RenderedLine(lines[0]));
}

TEST_F(AppTest, AnAnswerWithTheCloseMarkerEndsTheProgram) {
  Start();
  Ask(*app, L"Пока!");
  DWORD code = 1;
  EXPECT_TRUE(app->WaitForExit(10000, &code));
  EXPECT_EQ(code, 0u);
}

TEST_F(AppTest, ASecondCopyEndsByItselfWhileTheFirstRunsOn) {
  Start();
  TApp second(folder);
  EXPECT_TRUE(second.WaitForExit(20000));
  EXPECT_TRUE(app->Running());
  EXPECT_EQ(app->FindWindowOf(L"Quelvoran", L"QvWindow"), main);
}

TEST_F(AppTest, MinimisingHidesToTheTrayAndTheTrayMenuRestores) {
  Start();
  ClickGlyph(136);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000)) << "not hidden";
  ASSERT_EQ(TrayIcons().size(), 1u);
  // Hidden: "Свернуть" (second) does nothing, "Развернуть" (first) brings the window back.
  RightClickTray(TrayIcons()[0]);
  HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  MenuKeys(menu, {VK_DOWN, VK_DOWN, VK_RETURN, VK_ESCAPE});
  Pause(700);
  EXPECT_FALSE(IsWindowVisible(main));
  RightClickTray(TrayIcons()[0]);
  menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  MenuKeys(menu, {VK_DOWN, VK_RETURN});
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(main) != FALSE; }, 5000)) << "not restored";
  // Shown: "Развернуть" does nothing, "Свернуть" hides it again; never a taskbar button.
  RightClickTray(TrayIcons()[0]);
  menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  MenuKeys(menu, {VK_DOWN, VK_RETURN, VK_ESCAPE});
  Pause(700);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_FALSE(IsWindowVisible(GetWindow(main, GW_OWNER)));
  RightClickTray(TrayIcons()[0]);
  menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  MenuKeys(menu, {VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
}

TEST_F(AppTest, ExitFromTheTrayMenuEndsTheProgramWhileHidden) {
  Start();
  ClickGlyph(136);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(main); }, 5000));
  ASSERT_FALSE(TrayIcons().empty());
  RightClickTray(TrayIcons()[0]);
  HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  MenuKeys(menu, {VK_UP, VK_RETURN});
  EXPECT_TRUE(app->WaitForExit(10000));
  EXPECT_TRUE(WaitFor([] { return TrayIcons().empty(); }, 5000)) << "the icon stayed";
}

TEST_F(AppTest, TheAboutWindowOpensAtTheTopLeftCornerAndIsTheSameWindowTwice) {
  Start();
  ClickGlyph(124);
  HWND about = app->WaitForWindow(L"О программе...", nullptr, 5000);
  ASSERT_NE(about, nullptr);
  RECT rect = WindowRect(about);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_NE(GetWindowLongPtrW(about, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
  RECT client{};
  GetClientRect(about, &client);
  EXPECT_EQ(client.right, 153);
  EXPECT_EQ(client.bottom, 103);
  SetWindowPos(about, nullptr, 200, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  PostMessageW(about, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(about); }, 5000));
  Pause(2500);  // see CloseBox
  ClickGlyph(124);
  EXPECT_EQ(app->WaitForWindow(L"О программе...", nullptr, 5000), about);
  rect = WindowRect(about);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
}

TEST_F(AppTest, AMissingGreetingFileIsReportedAndTheWindowStillWorks) {
  RemoveFile(folder + L"Brain\\Greetings.brain");
  Start(false);
  std::wstring text;
  // The title is the executable's name until start-up is over.
  HWND box = ErrorBox(*app, L"Quelvoran", &text, 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text, L"File not found.");
  CloseBox(box);
  main = app->MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(SpeechArea(main).CountOther(0xFFFFFF), 0) << "no greeting, an empty speech area";
  Ask(*app, L"как дела");
  ExpectShown(L"Хорошо.");
}

TEST_F(AppTest, AnEmptyGreetingFileIsAListErrorAndAFailedQuestionKeepsItsText) {
  WriteFile(folder + L"Brain\\Greetings.brain", "");
  RemoveFile(folder + L"Brain\\Dialog.brain");
  Start(false);
  std::wstring text;
  HWND box = ErrorBox(*app, L"Quelvoran", &text, 20000);
  ASSERT_NE(box, nullptr);
  // No full stop after ")", which sorts before ".".
  EXPECT_EQ(text, L"List index out of bounds (0)");
  CloseBox(box);
  main = app->MainWindow();
  Ask(*app, L"абракадабра");
  box = ErrorBox(*app, kTitle, &text);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(text, L"File not found.");
  CloseBox(box);
  EXPECT_EQ(TextOf(app->InputField()), L"абракадабра");
  EXPECT_EQ(SpeechArea(main).CountOther(0xFFFFFF), 0);
}

// Run with QV_LANG=en_US.UTF-8: a Windows set to another language.
TEST_F(AppTest, WideEdgeRussianReadsRightOnAnEnglishSystem) {
  if (GetACP() == 1251) GTEST_SKIP() << "runs on code page 1252 only";
  RemoveFile(folder + L"Brain\\Dialog.brain");
  Start();
  ExpectShown(kGreeting);
  Ask(*app, L"А как дела?");
  ExpectShown(L"Хорошо.");
  Ask(*app, L"что-то незнакомое");
  std::wstring text;
  HWND box = ErrorBox(*app, kTitle, &text);
  ASSERT_NE(box, nullptr) << "no error box captioned Г.Г.Кормид";
  EXPECT_EQ(text, L"File not found.");
  PostMessageW(box, WM_COMMAND, IDOK, 0);
}

}  // namespace
