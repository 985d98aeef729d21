// The teaching window inside the running program, as a user reaches it: opened from the
// character's menu, typed into and clicked through the input queue, its files read from disk
// and its effect seen in the character's answers and the Run submenu.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "AppFixture.h"

using namespace driver;

namespace {

class AppTeachTest : public TCharacterTest {
 protected:
  // "Обучить..." from the character's menu; the teaching window once it shows.
  HWND OpenTeachingWindow() {
    HWND menu = OpenMainMenu();
    if (menu) MenuKeys(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN});  // the third item
    return menu ? app->WaitForWindow(L"Обучение", nullptr, 5000) : nullptr;
  }

  // Ctrl+Tab turns to the next page: the window is first brought forward by a click on its
  // caption (right of Wine's tray, which shares the screen's corner with it).
  static void TurnPage(HWND edu, int times) {
    const RECT rect = WindowRect(edu);
    Click(POINT{rect.right - 50, rect.top + 8});
    WaitFor([&] { return GetForegroundWindow() == edu; }, 3000);
    for (int i = 0; i < times; ++i) {
      Key(VK_TAB, {VK_CONTROL});
      Pause(200);
    }
  }

  // The shown page's edits: one-line boxes top to bottom, left to right; the multi-line box
  // apart; and its Save button.
  struct TPage {
    std::vector<HWND> lines;
    HWND memo = nullptr;
    HWND save = nullptr;
  };
  // The page with `lines` one-line boxes, a multi-line box and Save, once it shows.
  static TPage WaitForPage(HWND edu, size_t lines) {
    TPage page;
    WaitFor(
        [&] {
          page = {};
          for (HWND edit : ChildWindows(edu, L"Edit")) {
            if (GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE)
              page.memo = edit;
            else
              page.lines.push_back(edit);
          }
          for (HWND button : ChildWindows(edu, L"Button"))
            if (TextOf(button) == L"Save") page.save = button;
          return page.lines.size() == lines && page.memo && page.save;
        },
        3000);
    std::sort(page.lines.begin(), page.lines.end(), [](HWND a, HWND b) {
      const RECT ra = WindowRect(a), rb = WindowRect(b);
      return ra.top != rb.top ? ra.top < rb.top : ra.left < rb.left;
    });
    return page;
  }

  // A click into the box and the text typed; the box may change its case.
  static void Fill(HWND box, const std::wstring& text) {
    Click(Centre(box));
    Pause(100);
    Type(text);
    WaitFor([&] { return TextOf(box).size() == text.size(); }, 3000);
  }

  // Save pressed on the page; true once the file holds `text` (in Windows-1251).
  bool Saves(const TPage& page, const wchar_t* file, const std::wstring& text) {
    Click(Centre(page.save));
    return WaitFor([&] { return ReadFile(Brain(file)) == Cp1251(text); }, 5000);
  }
};

TEST_F(AppTeachTest, ThePagesWriteTheirFilesWhichTheCharacterAndTheReopenedWindowRead) {
  Start();
  HWND edu = OpenTeachingWindow();
  ASSERT_NE(edu, nullptr) << "no teaching window";
  TurnPage(edu, 1);
  TPage page = WaitForPage(edu, 4);
  ASSERT_EQ(page.lines.size(), 4u) << "no answers page";

  // A block appended answers the next question.
  Fill(page.lines[0], L"зебра");
  Fill(page.memo, L"Полосатая лошадь.");
  EXPECT_EQ(TextOf(page.lines[0]), L"ЗЕБРА");
  std::wstring answers = kAnswers + L"ЗЕБРА\r\n!\r\nПолосатая лошадь.\r\n.\r\n";
  EXPECT_TRUE(Saves(page, L"Answers.brain", answers)) << ReadFile(Brain(L"Answers.brain"));
  EXPECT_TRUE(
      WaitFor([&] { return TextOf(page.lines[0]).empty() && TextOf(page.memo).empty(); }, 3000))
      << "the boxes were not emptied";
  Ask(*app, L"Кто такая зебра!");
  EXPECT_TRUE(Shows(L"Полосатая лошадь.")) << "the new block did not answer";

  // Boxes 1 and 3 filled: their keywords in that order, nothing for 2 and 4.
  Fill(page.lines[0], L"кот");
  Fill(page.lines[2], L"кошка");
  Fill(page.memo, L"Мяу!");
  answers += L"КОТ\r\nКОШКА\r\n!\r\nМяу!\r\n.\r\n";
  EXPECT_TRUE(Saves(page, L"Answers.brain", answers)) << ReadFile(Brain(L"Answers.brain"));

  // No Answers.brain: nothing written, the boxes keep what was typed.
  Remove(Brain(L"Answers.brain"));
  Fill(page.lines[1], L"пес");
  Fill(page.memo, L"Гав.");
  Click(Centre(page.save));
  std::wstring text;
  HWND box = Error(&text);
  ASSERT_NE(box, nullptr) << "no error for a missing Answers.brain";
  EXPECT_EQ(text, L"File not found.");
  DismissBox(box);
  EXPECT_EQ(TextOf(page.lines[1]), L"ПЕС");
  EXPECT_EQ(TextOf(page.memo), L"Гав.");
  EXPECT_EQ(GetFileAttributesW(Brain(L"Answers.brain").c_str()), INVALID_FILE_ATTRIBUTES);

  // The greetings page emptied and saved: an empty file, not a missing one.
  TurnPage(edu, 1);
  page = WaitForPage(edu, 0);
  ASSERT_EQ(TextOf(page.memo), kGreetings) << "no greetings page";
  Click(Centre(page.memo));
  Key(VK_HOME, {VK_CONTROL});
  Key(VK_END, {VK_CONTROL, VK_SHIFT});
  Key(VK_DELETE);
  ASSERT_TRUE(WaitFor([&] { return TextOf(page.memo).empty(); }, 3000));
  EXPECT_TRUE(Saves(page, L"Greetings.brain", L""));
  EXPECT_NE(GetFileAttributesW(Brain(L"Greetings.brain").c_str()), INVALID_FILE_ATTRIBUTES);

  // Changed on disk, the window moved away and closed: showing it again reads both files and
  // puts it back in the corner.
  WriteFile(Brain(L"Greetings.brain"), Cp1251(L"Здравствуй!\r\nДобрый день!\r\n"));
  WriteFile(Brain(L"Dialog.brain"), Cp1251(L"Что?\nГде?"));
  SetWindowPos(edu, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  PostMessageW(edu, WM_CLOSE, 0, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(edu); }, 5000));
  Pause(2500);  // see DismissBox
  EXPECT_EQ(OpenTeachingWindow(), edu);
  EXPECT_EQ(WindowRect(edu).left, 0);
  EXPECT_EQ(WindowRect(edu).top, 0);
  EXPECT_EQ(TextOf(page.memo), L"Здравствуй!\r\nДобрый день!\r\n");
  TurnPage(edu, 1);
  page = WaitForPage(edu, 0);
  ASSERT_EQ(TextOf(page.memo), L"Что?\r\nГде?") << "no dialogue page";
  // Saved unchanged: the same lines, their ends made CR LF.
  EXPECT_TRUE(Saves(page, L"Dialog.brain", L"Что?\r\nГде?"));
}

TEST_F(AppTeachTest, ARecordingSavedUnderANewNameIsListedAndPlaysFromTheRunMenu) {
  Remove(folder + L"Scripts\\Circle.rec");
  Start();
  HWND edu = OpenTeachingWindow();
  ASSERT_NE(edu, nullptr) << "no teaching window";
  const std::vector<HWND> lists = ChildWindows(edu, L"ListBox");
  ASSERT_EQ(lists.size(), 1u) << "no file list";
  HWND list = lists[0];
  EXPECT_TRUE(ListBoxItems(list).empty());
  // The picture buttons of the actions page, at their places on it.
  auto press = [actions = GetParent(list)](int x, int y) { Click(ScreenPoint(actions, x, y)); };
  const int kRecord = 170, kPlay = 215, kStop = 258;

  press(kRecord, 18);
  Pause(300);
  FocusInput(*app);
  Key('2');
  Key('7');
  HWND input = app->InputField();
  EXPECT_TRUE(WaitFor([&] { return TextOf(input) == L"27"; }, 3000));
  press(kStop, 18);
  Pause(300);
  // Emptied by keys no longer recorded.
  FocusInput(*app);
  Key(VK_BACK);
  Key(VK_BACK);
  ASSERT_TRUE(WaitFor([&] { return TextOf(input).empty(); }, 3000));

  press(234, 46);  // the second floppy disk: save
  HWND dialog = app->WaitForWindow(nullptr, L"#32770", 5000);
  ASSERT_NE(dialog, nullptr) << "no save dialog";
  HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
  ASSERT_NE(name, nullptr) << "no file-name box in the save dialog";
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"mine"));
  Click(Centre(name));
  Pause(100);
  Key(VK_RETURN);
  // Wine holds the program as the dialog goes; the file is written after that.
  const std::wstring saved = folder + L"Scripts\\mine.rec";
  ASSERT_TRUE(WaitFor([&] { return !ReadFile(saved).empty(); }, 10000)) << "nothing saved";
  const std::string macro = ReadFile(saved);
  EXPECT_EQ(macro.size() % 20, 0u);
  std::vector<uint32_t> keys;
  for (const auto& record : Records(macro))
    if (record[0] == WM_KEYDOWN) keys.push_back(record[1] & 0xFF);
  EXPECT_EQ(keys, (std::vector<uint32_t>{'2', '7'}));
  EXPECT_TRUE(
      WaitFor([&] { return ListBoxItems(list) == std::vector<std::wstring>{L"mine.rec"}; }, 5000))
      << "the list was not read again";

  // The list read again has nothing selected: Play opens the empty name.
  press(kPlay, 18);
  std::wstring text;
  HWND box = Error(&text);
  ASSERT_NE(box, nullptr) << "Play with nothing selected reported nothing";
  EXPECT_EQ(text, L"Cannot open file ");
  DismissBox(box);

  // The one entry of the Run submenu now: it clicks into the field and types again.
  FocusInput(*app);
  HWND menu = OpenMainMenu();
  ASSERT_NE(menu, nullptr);
  HWND submenu = OpenSubmenu(menu, kRunItem);
  ASSERT_NE(submenu, nullptr) << "the saved macro is not in the Run submenu";
  ChooseEntry(submenu, 0);
  EXPECT_TRUE(WaitFor([&] { return TextOf(input) == L"27"; }, 8000))
      << "the field holds " << TextOf(input);
}

}  // namespace
