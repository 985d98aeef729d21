// The Plugins and Run submenus, their entries told by what they do, and the teaching window
// seen through its effect on the program.
#include <windows.h>

#include <dlgs.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "BmpBuilder.h"

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

// A 24-bit BMP file, rows bottom up.
std::string Bmp(const TPixels& picture) {
  const BmpFormat format;
  const std::vector<uint8_t> file = WithFileHeader(
      BuildDib(format, picture.width, picture.height, picture.data), BitsOffset(format));
  return std::string(file.begin(), file.end());
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

// Where `after` is not `before` with the plugin's picture drawn (its bottom-left colour left
// out, clipped to the outline), outside `covered` and the moving parts; empty: nowhere.
std::string Differences(const TPixels& before, const TPixels& after, const TPlugin& plugin = {},
                        HRGN outline = nullptr, const RECT& covered = {}) {
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

// The client area once it holds still outside the moving parts (a fresh window may still be
// painting; a closed box's place is repainted late).
TPixels SettledPixels(HWND window) {
  TPixels last = Capture(window);
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
    Sleep(300);
    TPixels now = Capture(window);
    if (Differences(last, now).empty()) return now;
    last = std::move(now);
  }
  return last;
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
    ASSERT_FALSE(expected[shipped].picture.data.empty()) << "cannot read the shipped picture";
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
    // From the tray icon, away from the window: closing the menu repaints nothing of it.
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
        MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&covered), 2);
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
  struct TPage {
    std::vector<HWND> lines;
    HWND memo = nullptr, save = nullptr;
  };
  // Ctrl+Tab once a click on the caption (right of Wine's tray, in the same corner) brought
  // the window forward; the page once it shows `lines` one-line boxes.
  static TPage NextPage(HWND edu, size_t lines) {
    const RECT rect = WindowRect(edu);
    Click(POINT{rect.right - 50, rect.top + 8});
    WaitFor([&] { return GetForegroundWindow() == edu; }, 3000);
    TypeKey(VK_TAB, {VK_CONTROL});
    TPage page;
    WaitFor(
        [&] {
          page = {};
          for (HWND edit : ChildWindows(edu, L"Edit"))
            (GetWindowLongPtrW(edit, GWL_STYLE) & ES_MULTILINE ? page.memo
                                                               : page.lines.emplace_back()) = edit;
          for (HWND button : ChildWindows(edu, L"Button"))
            if (TextOf(button) == L"Save") page.save = button;
          return page.lines.size() == lines && page.memo && page.save;
        },
        3000);
    return page;
  }

  // The box may change the text's case.
  static void Fill(HWND box, const std::wstring& text) {
    Click(CentreOf(box));
    Sleep(100);
    Type(text);
    WaitFor([&] { return TextOf(box).size() == text.size(); }, 3000);
  }

  bool Saves(const TPage& page, const wchar_t* file, const std::wstring& text) {
    Click(CentreOf(page.save));
    return WaitFor([&] { return ReadFile(Brain(file)) == FromWide(text); }, 5000);
  }
};

TEST_F(AppTeachTest, AnAppendedBlockAnswersTheNextQuestionAndAnEmptiedGreetingBoxIsSaved) {
  Start();
  HWND edu = OpenTeachingWindow();
  ASSERT_NE(edu, nullptr) << "no teaching window";
  TPage page = NextPage(edu, 4);
  ASSERT_EQ(page.lines.size(), 4u) << "no answers page";
  Fill(page.lines[0], L"зебра");
  Fill(page.memo, L"Полосатая лошадь.");
  EXPECT_TRUE(Saves(page, L"Answers.brain", kAnswers + L"ЗЕБРА\r\n!\r\nПолосатая лошадь.\r\n.\r\n"))
      << ReadFile(Brain(L"Answers.brain"));
  EXPECT_TRUE(
      WaitFor([&] { return TextOf(page.lines[0]).empty() && TextOf(page.memo).empty(); }, 3000))
      << "the boxes were not emptied";
  Ask(L"Кто такая зебра!");
  EXPECT_TRUE(Shows(L"Полосатая лошадь.")) << "the new block did not answer";

  // Saved emptied: an empty file, not a missing one.
  page = NextPage(edu, 0);
  ASSERT_EQ(TextOf(page.memo), kGreetings) << "no greetings page";
  Click(CentreOf(page.memo));
  TypeKey(VK_HOME, {VK_CONTROL});
  TypeKey(VK_END, {VK_CONTROL, VK_SHIFT});
  TypeKey(VK_DELETE);
  ASSERT_TRUE(WaitFor([&] { return TextOf(page.memo).empty(); }, 3000));
  EXPECT_TRUE(Saves(page, L"Greetings.brain", L""));
  EXPECT_NE(GetFileAttributesW(Brain(L"Greetings.brain").c_str()), INVALID_FILE_ATTRIBUTES);

  // Moved away and closed, the same window opens again in the screen's corner.
  SetWindowPos(edu, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Dismiss(edu, WM_CLOSE);
  EXPECT_EQ(OpenTeachingWindow(), edu);
  EXPECT_TRUE(InCorner(edu));
}

// A macro file's records: message, paramL, paramH, time, window (32 bits each).
std::vector<std::array<uint32_t, 5>> Records(const std::string& macro) {
  std::vector<std::array<uint32_t, 5>> records(macro.size() / 20);
  if (!records.empty()) memcpy(records.data(), macro.data(), records.size() * 20);
  return records;
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
  HWND list = lists[0], input = InputField();
  auto listed = [list] { return SendMessageW(list, LB_GETCOUNT, 0, 0); };
  EXPECT_EQ(listed(), 1) << "not the shipped Circle.rec alone";
  // The picture buttons of the actions page, at their places on it: record, stop, save.
  auto press = [actions = GetParent(list)](int x, int y) {
    Click(ScreenPoint(actions, x, y));
    Sleep(300);
  };
  // Two digits recorded, then taken back by keys no longer recorded.
  press(170, 18);
  FocusInput();
  TypeKey('2');
  TypeKey('7');
  EXPECT_TRUE(WaitFor([&] { return TextOf(input) == L"27"; }, 3000));
  press(258, 18);
  FocusInput();
  TypeKey(VK_BACK);
  TypeKey(VK_BACK);
  ASSERT_TRUE(WaitFor([&] { return TextOf(input).empty(); }, 3000));

  press(234, 46);
  HWND dialog = WaitForWindow(nullptr, L"#32770", 5000);
  ASSERT_NE(dialog, nullptr) << "no save dialog";
  HWND name = GetDlgItem(dialog, cmb13) ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
  ASSERT_NE(name, nullptr) << "no file-name box in the save dialog";
  SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"mine"));
  Click(CentreOf(name));
  Sleep(100);
  TypeKey(VK_RETURN);
  // Wine holds the program as the dialog goes; the file is written after that.
  ASSERT_TRUE(WaitFor([&] { return !ReadFile(scripts + L"mine.rec").empty(); }, 10000))
      << "nothing saved";
  std::vector<uint32_t> keys;
  for (const auto& record : Records(ReadFile(scripts + L"mine.rec")))
    if (record[0] == WM_KEYDOWN) keys.push_back(record[1] & 0xFF);
  EXPECT_EQ(keys, (std::vector<uint32_t>{'2', '7'}));
  EXPECT_TRUE(WaitFor([&] { return listed() == 2; }, 5000)) << "the list was not read again";

  // Made while the program runs, so only a menu read afresh knows them.
  WriteFile(scripts + L"empty.rec", "");
  ASSERT_TRUE(CreateDirectoryW((scripts + L"old.rec").c_str(), nullptr));
  const std::map<std::wstring, std::wstring> outcome = {
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
      GetCursorPos(&pointer.emplace_back());
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
  EXPECT_EQ(entries.size(), 4u);
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
