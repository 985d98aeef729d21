// The character's popup menu driven from outside: the Plugins and Run submenus, whose entries
// are chosen with the keyboard and told by what they do, and the teaching window, typed into
// and clicked through the input queue, its files read from disk and its effect seen in the
// character's answers and the Run submenu.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "AppDriver.h"

using namespace driver;

namespace {

class AppMenusTest : public TCharacterTest {};

constexpr uint32_t kMagenta = 0xFF00FF;

// A picture 20 pixels wide whose lowest 12 rows are a block: its top row of another colour
// (a picture drawn upside down shows it), a hole and the bottom-left corner in magenta, the
// transparent colour, as is everything above the block.
TPixels Block(uint32_t colour, int height = 12) {
  TPixels block{20, height, std::vector<uint32_t>(20 * static_cast<size_t>(height), kMagenta)};
  for (int row = 0; row < 12; ++row)
    for (int x = 0; x < 20; ++x) {
      const bool hole = x >= 8 && x < 12 && row >= 4 && row < 8;
      if (!hole && !(x == 0 && row == 11))
        block.data[static_cast<size_t>(height - 12 + row) * 20 + x] = row == 0 ? 0xFFFF00 : colour;
    }
  return block;
}

// A 24-bit BMP file: rows bottom up, each padded to four bytes.
std::string Bmp(const TPixels& picture) {
  const int stride = (picture.width * 3 + 3) & ~3;
  const BITMAPINFOHEADER info{
      sizeof info, picture.width, picture.height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  const BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(54 + stride * picture.height), 0, 0, 54};
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  for (int y = picture.height - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < picture.width; ++x)
      for (int channel = 0; channel < 3; ++channel)
        row[x * 3 + channel] = static_cast<char>(picture.At(x, y) >> (8 * channel) & 0xFF);
    bytes += row;
  }
  return bytes;
}

struct TPlugin {
  TPixels picture;  // empty: nothing drawn
  int left = 0, top = 0;
  std::wstring error;  // the error box's text; empty: none
};

// Where the character's own drawing moves: the speech area's fading text and the caret.
bool Moving(int x, int y) {
  return (x >= 14 && x < 148 && y >= 16 && y < 70) || (x >= 8 && x < 153 && y >= 231 && y < 245);
}

// The client area once it holds still outside the moving parts (a fresh window may still be
// painting; a closed box's place is repainted late).
TPixels SettledPixels(HWND window) {
  TPixels last = Capture(window);
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
    Sleep(300);
    TPixels now = Capture(window);
    bool same = now.width == last.width && now.height == last.height;
    for (int y = 0; same && y < now.height; ++y)
      for (int x = 0; same && x < now.width; ++x)
        same = Moving(x, y) || now.At(x, y) == last.At(x, y);
    if (same) return now;
    last = std::move(now);
  }
  return last;
}

// Compares the window before and after a choice with the plugin's picture drawn at its place
// (pixels of its bottom-left colour left out, the window's outline clipping), outside
// `covered`. Empty when they agree.
std::string Differences(const TPixels& before, const TPixels& after, const TPlugin& plugin,
                        HRGN outline, const RECT& covered) {
  std::ostringstream out;
  int wrong = 0;
  const TPixels& picture = plugin.picture;
  const uint32_t transparent = picture.data.empty() ? 0 : picture.At(0, picture.height - 1);
  for (int y = 0; y < after.height; ++y)
    for (int x = 0; x < after.width; ++x) {
      if (Moving(x, y) || PtInRect(&covered, POINT{x, y})) continue;
      uint32_t expected = before.At(x, y);
      const int px = x - plugin.left, py = y - plugin.top;
      if (px >= 0 && py >= 0 && px < picture.width && py < picture.height &&
          picture.At(px, py) != transparent && PtInRegion(outline, x, y))
        expected = picture.At(px, py);
      if (after.At(x, y) != expected && wrong++ < 3)
        out << " (" << x << ", " << y << ") is " << std::hex << after.At(x, y) << " not "
            << expected << std::dec << ";";
    }
  if (wrong) out << " " << wrong << " pixels differ";
  return out.str();
}

TEST_F(AppMenusTest, PluginEntriesDrawTheirPicturesAtTheirPlacesOrSayWhyNot) {
  const std::wstring plugins = folder + L"Plugins\\";
  std::map<std::wstring, TPlugin> expected;
  auto make = [&](const std::wstring& name, const std::string& ini, const TPixels& picture,
                  int left, int top, const std::wstring& error = L"") {
    CreateDirectoryW((plugins + name).c_str(), nullptr);
    WriteFile(plugins + name + L"\\plugin.ini", "[PLUGIN]\r\n" + ini);
    if (!picture.data.empty()) WriteFile(plugins + name + L"\\pic.bmp", Bmp(picture));
    expected[name] = {picture, left, top, error};
  };
  const std::wstring cannotOpen = L"Cannot open file " + plugins;
  // "0x10": 16 pixels down; the upper 124 rows are transparent, the block shows from 140.
  make(L"Down.plg", "ImgName=pic.bmp\r\nPTop=0x10\r\nPLeft=60\r\n", Block(0xC00000, 136), 60, 16);
  // Partly left of the window: the right part shows in the speech bubble's margin.
  make(L"Left.plg", "ImgName=pic.bmp\r\nPTop=24\r\nPLeft=-6\r\n", Block(0x0000C0), -6, 24);
  // "true" is not "True": no sound, so the missing wave file goes unnoticed.
  const std::string noWave = "\r\n[SOUND]\r\nWavName=no.wav\r\nWav=";
  make(L"Quiet.plg", "ImgName=pic.bmp\r\nPTop=120\r\nPLeft=100" + noWave + "true\r\n",
       Block(0x008000), 100, 120);
  // The picture comes first, then the missing wave file fails (below the error box).
  make(L"Loud.plg", "ImgName=pic.bmp\r\nPTop=200\r\nPLeft=12" + noWave + "True\r\n",
       Block(0x800080), 12, 200, cannotOpen + L"Loud.plg\\no.wav.");
  make(L"Missing.plg", "ImgName=gone.bmp\r\n", {}, 0, 0, cannotOpen + L"Missing.plg\\gone.bmp.");
  make(L"Fake.plg", "ImgName=fake.bmp\r\n", {}, 0, 0, L"Bitmap image is not valid.");
  WriteFile(plugins + L"Fake.plg\\fake.bmp", "BM but not a picture at all");
  // A file, not a folder: no plugin.ini in it, so the picture's path is the entry itself.
  WriteFile(plugins + L"x.plg", "");
  expected[L"x.plg"] = {{}, 0, 0, cannotOpen + L"x.plg\\."};
  for (const wchar_t* shipped : {L"Hat.plg", L"Sign.plg"}) {
    const std::wstring ini = plugins + shipped + L"\\plugin.ini";
    wchar_t image[MAX_PATH] = {};
    GetPrivateProfileStringW(L"PLUGIN", L"ImgName", L"", image, MAX_PATH, ini.c_str());
    expected[shipped] = {
        PictureFile(plugins + shipped + L"\\" + image),
        static_cast<int>(GetPrivateProfileIntW(L"PLUGIN", L"PLeft", 0, ini.c_str())),
        static_cast<int>(GetPrivateProfileIntW(L"PLUGIN", L"PTop", 0, ini.c_str())), L""};
    ASSERT_FALSE(expected[shipped].picture.data.empty())
        << "cannot read the picture of " << shipped;
  }

  Start();
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(main, outline), ERROR);
  const std::vector<std::wstring> entries = Listed(plugins + L"*.plg");
  ASSERT_EQ(entries.size(), expected.size());
  for (size_t entry = 0; entry < entries.size(); ++entry) {
    SCOPED_TRACE(fs::path(entries[entry]).string());
    const TPlugin& plugin = expected.at(entries[entry]);
    const TPixels before = SettledPixels(main);
    // The menu opens from the tray icon, away from the window, so that closing it repaints
    // nothing of the character.
    SetCursorPos(700, 120);
    HWND menu = TrayMenu({});
    ASSERT_NE(menu, nullptr) << "no tray menu";
    HWND submenu = OpenSubmenu(menu, kPluginsItem);
    ASSERT_NE(submenu, nullptr) << "no Plugins submenu";
    MenuKeys(submenu, Downs(static_cast<int>(entry), VK_RETURN));
    // The box may come a little before or after the drawing; a drawing without a box is given
    // a second for a box that must not come.
    std::wstring error;
    HWND box = nullptr;
    RECT covered{};
    std::string differences;
    bool done = false;
    for (const DWORD start = GetTickCount(); !done && GetTickCount() - start < 6000;) {
      Sleep(200);
      if (!box && (box = Error(&error, 0))) {
        covered = WindowRect(box);
        const POINT origin = ScreenPoint(main, 0, 0);
        OffsetRect(&covered, -origin.x, -origin.y);
      }
      differences = Differences(before, Capture(main), plugin, outline, covered);
      done = differences.empty() && (box || plugin.error.empty());
    }
    if (done && !box) box = Error(&error, 1000);
    EXPECT_EQ(error, plugin.error);
    EXPECT_EQ(differences, "");
    if (box) Dismiss(box);
  }
  DeleteObject(outline);
}

class AppTeachTest : public TCharacterTest {
 protected:
  // "Обучить..." from the character's menu; the teaching window once it shows.
  HWND OpenTeachingWindow() {
    HWND menu = OpenMainMenu();
    if (menu) MenuKeys(menu, Downs(3, VK_RETURN));
    return menu ? WaitForWindow(L"Обучение", nullptr, 5000) : nullptr;
  }

  // Ctrl+Tab turns to the next page: the window is first brought forward by a click on its
  // caption (right of Wine's tray, which shares the screen's corner with it).
  static void TurnPage(HWND edu, int times) {
    const RECT rect = WindowRect(edu);
    Click(POINT{rect.right - 50, rect.top + 8});
    WaitFor([&] { return GetForegroundWindow() == edu; }, 3000);
    for (int i = 0; i < times; ++i) {
      Key(VK_TAB, {VK_CONTROL});
      Sleep(200);
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
    Sleep(100);
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
  Ask(L"Кто такая зебра!");
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
  EXPECT_EQ(ErrorClosed(), L"File not found.");
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
  Dismiss(edu, WM_CLOSE);
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

// Digits typed one after another, 50 ms apart: the virtual key in bits 0-7 of paramL, the PC
// keyboard's scan code in bits 8-15.
std::string TypedDigits(const std::string& digits) {
  std::string macro;
  uint32_t time = 0;
  for (char digit : digits) {
    const uint32_t scan = digit == '0' ? 0x0B : static_cast<uint32_t>(digit - '0' + 1);
    for (uint32_t message : {WM_KEYDOWN, WM_KEYUP}) {
      const uint32_t record[5] = {message, static_cast<uint32_t>(digit) | scan << 8, 1, time, 0};
      macro.append(reinterpret_cast<const char*>(record), sizeof record);
      time += 50;
    }
  }
  return macro;
}

// The pointer samples went through (within two pixels) three quarters of the places the
// macro moves the pointer to.
bool Replays(const std::vector<POINT>& samples, const std::string& macro) {
  size_t moves = 0, seen = 0;
  for (const auto& record : Records(macro)) {
    if (record[0] != WM_MOUSEMOVE) continue;
    ++moves;
    seen += std::any_of(samples.begin(), samples.end(), [&](POINT p) {
      return std::abs(p.x - static_cast<LONG>(record[1])) <= 2 &&
             std::abs(p.y - static_cast<LONG>(record[2])) <= 2;
    });
  }
  return moves > 10 && seen * 4 >= moves * 3;
}

TEST_F(AppTeachTest, RecordingsSavedOrPutInScriptsAreListedAndReplayOrFailFromTheRunSubmenu) {
  Start();
  const std::wstring scripts = folder + L"Scripts\\";
  HWND edu = OpenTeachingWindow();
  ASSERT_NE(edu, nullptr) << "no teaching window";
  const std::vector<HWND> lists = ChildWindows(edu, L"ListBox");
  ASSERT_EQ(lists.size(), 1u) << "no file list";
  HWND list = lists[0];
  EXPECT_EQ(ListBoxItems(list), std::vector<std::wstring>{L"Circle.rec"});
  // The picture buttons of the actions page, at their places on it.
  auto press = [actions = GetParent(list)](int x, int y) { Click(ScreenPoint(actions, x, y)); };
  const int kRecord = 170, kPlay = 215, kStop = 258;

  // Two digits recorded, then taken back by keys no longer recorded.
  press(kRecord, 18);
  Sleep(300);
  FocusInput();
  Key('2');
  Key('7');
  HWND input = InputField();
  EXPECT_TRUE(WaitFor([&] { return TextOf(input) == L"27"; }, 3000));
  press(kStop, 18);
  Sleep(300);
  FocusInput();
  Key(VK_BACK);
  Key(VK_BACK);
  ASSERT_TRUE(WaitFor([&] { return TextOf(input).empty(); }, 3000));

  press(234, 46);  // the second floppy disk: save
  HWND dialog = WaitForWindow(nullptr, L"#32770", 5000);
  ASSERT_NE(dialog, nullptr) << "no save dialog";
  HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
  ASSERT_NE(name, nullptr) << "no file-name box in the save dialog";
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"mine"));
  Click(Centre(name));
  Sleep(100);
  Key(VK_RETURN);
  // Wine holds the program as the dialog goes; the file is written after that.
  ASSERT_TRUE(WaitFor([&] { return !ReadFile(scripts + L"mine.rec").empty(); }, 10000))
      << "nothing saved";
  const std::string macro = ReadFile(scripts + L"mine.rec");
  EXPECT_EQ(macro.size() % 20, 0u);
  std::vector<uint32_t> keys;
  for (const auto& record : Records(macro))
    if (record[0] == WM_KEYDOWN) keys.push_back(record[1] & 0xFF);
  EXPECT_EQ(keys, (std::vector<uint32_t>{'2', '7'}));
  EXPECT_TRUE(WaitFor([&] { return ListBoxItems(list) == Listed(scripts + L"*.rec"); }, 5000))
      << "the list was not read again";
  // The list read again has nothing selected: Play opens the empty name.
  press(kPlay, 18);
  EXPECT_EQ(ErrorClosed(), L"Cannot open file ");

  // Written while the program runs, so only a menu read afresh knows them.
  WriteFile(scripts + L"typed.rec", TypedDigits("314"));
  WriteFile(scripts + L"empty.rec", "");
  ASSERT_TRUE(CreateDirectoryW((scripts + L"old.rec").c_str(), nullptr));
  const std::map<std::wstring, std::wstring> outcome = {
      {L"314", L"typed.rec"},
      {L"27", L"mine.rec"},
      {L"Cannot open file " + scripts + L"old.rec.", L"old.rec"},
      {L"Recorder: Nothing to play.", L"empty.rec"}};
  std::vector<std::wstring> outcomes;
  const std::vector<std::wstring> entries = Listed(scripts + L"*.rec");
  for (size_t entry = 0; entry < entries.size(); ++entry) {
    SCOPED_TRACE(fs::path(entries[entry]).string());
    SendMessageW(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    FocusInput();
    HWND menu = OpenMainMenu();
    ASSERT_NE(menu, nullptr);
    HWND submenu = OpenSubmenu(menu, kRunItem);
    ASSERT_NE(submenu, nullptr) << "no Run submenu";
    MenuKeys(submenu, Downs(static_cast<int>(entry), VK_RETURN));
    // Watch the pointer, the input field and the error boxes while the entry plays.
    std::vector<POINT> pointer;
    std::wstring seen;
    HWND box = nullptr;
    for (const DWORD start = GetTickCount();
         GetTickCount() - start < 5000 && !box && !outcome.count(seen); Sleep(15)) {
      pointer.emplace_back();
      GetCursorPos(&pointer.back());
      if (!(box = Error(&seen, 0))) seen = TextOf(input);
    }
    if (box)
      Dismiss(box);
    else
      Sleep(1000);  // the rest of the macro plays
    outcomes.push_back(outcome.count(seen)                                   ? outcome.at(seen)
                       : Replays(pointer, ReadFile(scripts + L"Circle.rec")) ? L"Circle.rec"
                                                                             : L"not " + seen);
  }
  // Each entry did what its file holds, in the order the folder lists them.
  EXPECT_EQ(entries.size(), 5u);
  EXPECT_EQ(outcomes, entries);

  // No Scripts folder: nothing opens under "Выполнить", and the menu works as before.
  Remove(folder + L"Scripts");
  HWND menu = OpenMainMenu();
  ASSERT_NE(menu, nullptr) << "the menu no longer opens";
  EXPECT_EQ(OpenSubmenu(menu, kRunItem), nullptr) << "a Run submenu without scripts";
  MenuKeys(menu, {VK_UP, VK_RIGHT});
  EXPECT_TRUE(WaitFor([] { return OpenMenus().size() == 2; }, 1500)) << "no Plugins submenu";
  MenuKeys(menu, {VK_ESCAPE, VK_ESCAPE});
  EXPECT_TRUE(WaitFor([] { return OpenMenus().empty(); }, 3000));
}

}  // namespace
