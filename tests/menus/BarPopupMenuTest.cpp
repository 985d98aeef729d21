// The side-bar popup menu as the platform shows it: properties, the rotated font, and the
// pixels of open menus captured from the screen while they are tracked.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "BarPopupMenu.h"
#include "Forms.h"
#include "Handles.h"
#include "Win32TestSupport.h"

namespace {

const char kRestore[] = "\xD0\xE0\xE7\xE2\xE5\xF0\xED\xF3\xF2\xFC";  // Развернуть
const char kMinimize[] = "\xD1\xE2\xE5\xF0\xED\xF3\xF2\xFC";         // Свернуть
const char kTeach[] = "\xCE\xE1\xF3\xF7\xE8\xF2\xFC...";             // Обучить...
const char kRun[] = "\xC2\xFB\xEF\xEE\xEB\xED\xE8\xF2\xFC   ";       // Выполнить
const char kExit[] = "\xC2\xFB\xF5\xEE\xE4";                         // Выход
const char kTitle[] = "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4";          // Г.Г.Кормид

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A piece of the screen, grabbed with BitBlt from the screen DC.
struct Capture {
  RECT area{};
  std::vector<COLORREF> pixels;

  // Screen coordinates; outside the area: CLR_INVALID.
  COLORREF At(int x, int y) const {
    if (x < area.left || x >= area.right || y < area.top || y >= area.bottom) return CLR_INVALID;
    return pixels[static_cast<size_t>((y - area.top) * (area.right - area.left) + x - area.left)];
  }
};

Capture CaptureScreen(const RECT& area) {
  Capture capture;
  capture.area = area;
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return capture;
  WindowDC screen(nullptr);
  MemoryDC memory(CreateCompatibleDC(screen.dc()));
  BitmapHandle bitmap(CreateCompatibleBitmap(screen.dc(), w, h));
  {
    SelectGuard select(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, w, h, screen.dc(), area.left, area.top, SRCCOPY);
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> bgra(static_cast<size_t>(w) * h);
  GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(h), bgra.data(), &info,
            DIB_RGB_COLORS);
  for (uint32_t p : bgra)
    capture.pixels.push_back(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF));
  return capture;
}

// The visible menu windows (class #32768), left to right.
std::vector<HWND> MenuWindows() {
  std::vector<HWND> windows;
  for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
       w = FindWindowExW(nullptr, w, L"#32768", nullptr))
    if (IsWindowVisible(w)) windows.push_back(w);
  std::sort(windows.begin(), windows.end(), [](HWND a, HWND b) {
    RECT ra{}, rb{};
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return windows;
}

// What a timer saw while the menu was open.
struct Seen {
  std::vector<RECT> items;  // screen rectangles of the top-level items, by position
  std::vector<Capture> menus;
  int totalHeight = 0;
};

// Opens the menu at (x, y); `keys` go to it after 400 ms; after `captureAfter` ms the item
// rectangles and every open menu window are captured and the menu is closed.
Seen OpenAndCapture(TBarPopupMenu* menu, int x, int y, std::vector<WPARAM> keys = {},
                    DWORD captureAfter = 900) {
  static Seen seen;
  static TBarPopupMenu* open;
  static std::vector<WPARAM> pending;
  seen = Seen{};
  open = menu;
  pending = std::move(keys);
  UINT_PTR sender = 0;
  if (!pending.empty())
    sender = SetTimer(nullptr, 0, 400, [](HWND, UINT, UINT_PTR id, DWORD) {
      KillTimer(nullptr, id);
      for (WPARAM key : pending) {
        PostMessageW(FindWindowW(L"#32768", nullptr), WM_KEYDOWN, key, 0);
        Sleep(50);
      }
    });
  const UINT_PTR capturer = SetTimer(nullptr, 0, captureAfter, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    const int count = GetMenuItemCount(open->Handle());
    for (int i = 0; i < count; ++i) {
      RECT r{};
      GetMenuItemRect(nullptr, open->Handle(), static_cast<UINT>(i), &r);
      seen.items.push_back(r);
    }
    for (HWND window : MenuWindows()) {
      RECT r{};
      GetWindowRect(window, &r);
      seen.menus.push_back(CaptureScreen(r));
    }
    seen.totalHeight = open->TotalHeight();
    EndMenu();
  });
  menu->Popup(x, y);
  KillTimer(nullptr, capturer);
  if (sender) KillTimer(nullptr, sender);
  PumpFor(100);
  return seen;
}

// Pixels of the bar's colours: no red or green, some blue.
int BluePixels(const Capture& capture) {
  return static_cast<int>(std::count_if(
      capture.pixels.begin(), capture.pixels.end(),
      [](COLORREF p) { return GetRValue(p) == 0 && GetGValue(p) == 0 && GetBValue(p) > 0; }));
}

class BarPopupMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = new TComponent(nullptr);
    menu = new TBarPopupMenu(owner);
  }
  void TearDown() override { delete owner; }

  TMenuItem* Add(TMenuItem* parent, const std::string& caption) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    parent->Add(item);
    return item;
  }

  // The character's menu: its settings and its seven items.
  void BuildMainMenu() {
    menu->SetMenuAnimation(maTopToBottom);
    menu->SetOwnerDraw(true);
    menu->SetBarWidth(15);
    TFont* font = menu->VerticalFont();
    font->SetName("Tahoma");
    font->SetHeight(-11);
    font->SetColor(clWhite);
    font->SetStyle(fsBold | fsItalic);
    menu->SetVerticalText("Kolvex");
    TMenuItem* root = menu->Items();
    Add(root, kRestore)->SetEnabled(false);
    Add(root, kMinimize);
    Add(root, kTeach);
    TMenuItem* plugins = Add(root, "Plugins...");
    Add(plugins, "Hat");
    Add(plugins, "Sign");
    TMenuItem* run = Add(root, kRun);
    Add(run, "Circle");
    Add(root, "-");
    Add(root, kExit);
  }

  TComponent* owner = nullptr;
  TBarPopupMenu* menu = nullptr;
};

// First: nothing has made the application window yet.
TEST_F(BarPopupMenuTest, OwnedObjectsAndTheTitle) {
  EXPECT_TRUE(menu->OwnerDraw());
  EXPECT_EQ(menu->VerticalText(), "");
  EXPECT_EQ(menu->VerticalFont()->Size(), 14);

  // Transparent follows the picture object, which only reading or writing Bitmap makes.
  menu->SetTransparent(true);
  EXPECT_FALSE(menu->Transparent());
  EXPECT_FALSE(menu->HasBitmap());
  EXPECT_TRUE(menu->Bitmap()->Empty());
  EXPECT_TRUE(menu->Transparent());
  menu->SetTransparent(false);
  EXPECT_FALSE(menu->Bitmap()->Transparent());

  // Writing copies: the caller keeps its own objects.
  TBitmap picture;
  picture.SetSize(4, 6);
  menu->SetBitmap(&picture);
  EXPECT_NE(menu->Bitmap(), &picture);
  EXPECT_EQ(menu->Bitmap()->Height(), 6);
  TFont other;
  other.SetHeight(-20);
  menu->SetVerticalFont(&other);
  EXPECT_NE(menu->VerticalFont(), &other);
  EXPECT_EQ(menu->VerticalFont()->Height(), -20);

  // With the application window in place a new menu takes the application's title.
  Application->SetTitle(kTitle);
  Application->Handle();
  TBarPopupMenu titled(nullptr);
  EXPECT_EQ(titled.VerticalText(), kTitle);
}

TEST_F(BarPopupMenuTest, RotatedFontRecord) {
  TFont font;
  font.SetName("Tahoma");
  font.SetHeight(-11);
  font.SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
  font.SetCharset(ANSI_CHARSET);
  font.SetPitch(fpFixed);
  FontHandle rotated(TBarPopupMenu::CreateRotatedFont(&font, 90));
  LOGFONTW record{};
  ASSERT_EQ(GetObjectW(rotated.get(), sizeof record, &record), static_cast<int>(sizeof record));
  EXPECT_EQ(record.lfHeight, -11);
  EXPECT_EQ(record.lfEscapement, 900);
  EXPECT_EQ(record.lfOrientation, 0);
  EXPECT_EQ(record.lfWeight, 700);
  EXPECT_EQ(record.lfItalic + record.lfUnderline + record.lfStrikeOut, 3);
  EXPECT_EQ(record.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(record.lfPitchAndFamily, FIXED_PITCH);
  EXPECT_STREQ(record.lfFaceName, L"Tahoma");
}

TEST_F(BarPopupMenuTest, TheCharactersMenuShowsItsBar) {
  SKIP_WITHOUT_DISPLAY();
  BuildMainMenu();
  const Seen seen = OpenAndCapture(menu, 60, 50);
  ASSERT_EQ(seen.items.size(), 7u);
  ASSERT_EQ(seen.menus.size(), 1u);
  const Capture& shot = seen.menus[0];
  // Menu rows and columns count from the first item's corner.
  const int left = seen.items[0].left, top = seen.items[0].top;
  const int total = seen.totalHeight;
  EXPECT_EQ(total, seen.items[6].bottom - top);
  ASSERT_GT(total, 100);
  const COLORREF background = GetSysColor(COLOR_MENU);

  // Column 12 is the bar's last; the text never reaches it. Row y is blue 255 - 255 y / total.
  for (int y = 0; y < total; ++y)
    ASSERT_EQ(shot.At(left + 12, top + y), RGB(0, 0, 255 - 255 * y / total)) << "row " << y;
  // Above the text every column of the bar has the row's colour.
  for (int y : {0, 1, 20, 45})
    for (int x = 0; x <= 12; ++x)
      EXPECT_EQ(shot.At(left + x, top + y), RGB(0, 0, 255 - 255 * y / total)) << x << " " << y;
  // Columns 13 and 14 are nobody's.
  for (int y = 0; y < total; ++y)
    for (int x : {13, 14}) ASSERT_EQ(shot.At(left + x, top + y), background) << x << " " << y;

  // The white text stands upright in the bar, ending 6 rows above the bottom of the items.
  int minX = 1000, maxX = -1, minY = 1000, maxY = -1, white = 0;
  for (int y = 0; y < total; ++y)
    for (int x = 0; x <= 12; ++x)
      if (shot.At(left + x, top + y) == kWhite) {
        ++white;
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  EXPECT_GT(white, 40);
  EXPECT_GE(minX, 0);
  EXPECT_LE(maxX, 11);
  EXPECT_LE(maxY, total - 6);
  EXPECT_GT(maxY, total - 12);
  EXPECT_GT(maxY - minY, 2 * (maxX - minX));

  // Every item paints right of the band: captions, and the separator's line.
  for (size_t i = 0; i < seen.items.size(); ++i) {
    const RECT& item = seen.items[i];
    int first = -1;
    for (int x = left + 13; x < item.right && first < 0; ++x)
      for (int y = item.top; y < item.bottom; ++y)
        if (shot.At(x, y) != background) {
          first = x - left;
          break;
        }
    EXPECT_GE(first, 15) << "item " << i;
  }
  // The separator's line runs across its item; the disabled caption is grey.
  const RECT& line = seen.items[5];
  bool lineFound = false;
  for (int y = line.top; y < line.bottom; ++y)
    lineFound = lineFound || shot.At((left + 15 + line.right) / 2, y) != background;
  EXPECT_TRUE(lineFound);
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  bool greyFound = false;
  for (int y = seen.items[0].top; y < seen.items[0].bottom; ++y)
    for (int x = left + 15; x < seen.items[0].right; ++x)
      greyFound = greyFound || shot.At(x, y) == grey;
  EXPECT_TRUE(greyFound);

  // The band is kept free however the platform's own drawing of the sub-menu is: its items
  // are drawn without a band or bar.
  const Seen sub =
      OpenAndCapture(menu, 60, 50, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT}, 1300);
  ASSERT_EQ(sub.menus.size(), 2u);
  EXPECT_EQ(BluePixels(sub.menus[1]), 0);
  // The highlighted "Plugins..." item is repainted, and the bar beside it stays.
  const Capture& main = sub.menus[0];
  const RECT& selected = sub.items[3];
  for (int y = selected.top; y < selected.bottom; ++y)
    ASSERT_EQ(main.At(left + 12, y), RGB(0, 0, 255 - 255 * (y - top) / total)) << y;
  EXPECT_EQ(main.At(left + 30, selected.top + 1), GetSysColor(COLOR_HIGHLIGHT));

  // Without the bar the items are neither widened nor shifted, and nothing is counted.
  menu->SetBarVisible(false);
  const Seen plain = OpenAndCapture(menu, 60, 50);
  ASSERT_EQ(plain.items.size(), 7u);
  EXPECT_EQ(plain.totalHeight, 0);
  EXPECT_EQ(
      (seen.items[0].right - seen.items[0].left) - (plain.items[0].right - plain.items[0].left),
      15);
  ASSERT_EQ(plain.menus.size(), 1u);
  EXPECT_EQ(BluePixels(plain.menus[0]), 0);
}

// Items the OnPopup handler adds keep their own look, but their rows count when the bar
// finds its top; "#" items and hidden items are not counted.
TEST_F(BarPopupMenuTest, AddedBlankAndHiddenItems) {
  SKIP_WITHOUT_DISPLAY();
  menu->SetBarWidth(15);
  menu->SetVerticalText("");
  TMenuItem* root = menu->Items();
  TMenuItem* first = Add(root, kMinimize);
  Add(root, "#");
  Add(root, kTeach)->SetVisible(false);
  TMenuItem* last = Add(root, kExit);
  int ownMeasures = 0;
  TMenuItem* added = nullptr;
  menu->OnPopup = [&](TObject*) {
    if (added) return;
    added = new TMenuItem(owner);
    added->SetCaption("Added");
    added->OnMeasureItem = [&ownMeasures](TObject*, TCanvas*, int&, int& height) {
      ++ownMeasures;
      height = 30;
    };
    root->Insert(0, added);
  };
  const Seen seen = OpenAndCapture(menu, 60, 50);
  ASSERT_EQ(seen.items.size(), 4u);  // Added, first, "#", last
  ASSERT_EQ(seen.menus.size(), 1u);
  const Capture& shot = seen.menus[0];
  EXPECT_GE(ownMeasures, 1);
  EXPECT_EQ(seen.items[0].bottom - seen.items[0].top, 30);
  const int h1 = seen.items[1].bottom - seen.items[1].top;
  const int h3 = seen.items[3].bottom - seen.items[3].top;
  const int total = h1 + h3;
  EXPECT_EQ(seen.totalHeight, total);

  const int left = seen.items[0].left, top = seen.items[0].top;
  const COLORREF background = GetSysColor(COLOR_MENU);
  // The added item: no band, no bar. The first hooked item: the bar at its menu row 30.
  for (int y = 0; y < 30; ++y) ASSERT_EQ(shot.At(left + 12, top + y), background) << y;
  EXPECT_EQ(shot.At(left + 12, top + 30), RGB(0, 0, 255 - 255 * 30 / total));
  // The "#" item paints nothing; only its first row shows the bar row that the item above
  // paints below its own bottom.
  const RECT& blank = seen.items[2];
  EXPECT_EQ(shot.At(left + 12, blank.top), RGB(0, 0, 255 - 255 * (blank.top - top) / total));
  for (int y = blank.top; y < blank.bottom; ++y)
    for (int x = y == blank.top ? left + 13 : blank.left; x < blank.right; ++x)
      ASSERT_EQ(shot.At(x, y), background) << x << " " << y;

  // The added item's own handler is back on it after the popup; the hooks stay on the others.
  ownMeasures = 0;
  int w = 0, h = 0;
  added->OnMeasureItem(added, nullptr, w, h);
  EXPECT_EQ(ownMeasures, 1);
  EXPECT_TRUE(first->OnMeasureItem && first->OnAdvancedDrawItem);
  EXPECT_TRUE(last->OnMeasureItem && last->OnAdvancedDrawItem);
}

// A popup asked for while the menu is open (a timer, a tray notification) is ignored: the
// platform menu being tracked stays alive.
TEST_F(BarPopupMenuTest, APopupFromInsideTheMenuLoopIsIgnored) {
  SKIP_WITHOUT_DISPLAY();
  Add(menu->Items(), kExit);
  static TBarPopupMenu* open;
  static int popups, items;
  open = menu;
  popups = items = 0;
  menu->OnPopup = [](TObject*) { ++popups; };
  SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    open->Popup(100, 100);
    items = GetMenuItemCount(open->Handle());
    EndMenu();
  });
  menu->Popup(60, 50);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(items, 1);
}

// A picture at the foot of the bar, its transparent colour left out, lifts the text.
TEST_F(BarPopupMenuTest, PictureAtTheFootOfTheBar) {
  SKIP_WITHOUT_DISPLAY();
  for (const char* caption : {kMinimize, kTeach, kRun, kExit}) Add(menu->Items(), caption);
  menu->SetVerticalText("Kolvex");
  TBitmap* picture = menu->Bitmap();
  picture->SetSize(10, 12);
  for (int y = 0; y < 12; ++y) {
    uint8_t* row = picture->ScanLine(y);
    for (int x = 0; x < 10; ++x) row[3 * x] = 0, row[3 * x + 1] = 0, row[3 * x + 2] = 255;
  }
  // The bottom-left pixel gives the transparent colour.
  uint8_t* corner = picture->ScanLine(11);
  corner[0] = corner[1] = corner[2] = 255;
  menu->SetBitmapOffsetX(2);
  const Seen seen = OpenAndCapture(menu, 60, 50);
  ASSERT_EQ(seen.items.size(), 4u);
  ASSERT_EQ(seen.menus.size(), 1u);
  const Capture& shot = seen.menus[0];
  const int left = seen.items[0].left, top = seen.items[0].top, total = seen.totalHeight;
  ASSERT_EQ(total, seen.items[3].bottom - top);
  const auto bar = [total](int y) { return RGB(0, 0, 255 - 255 * y / total); };
  EXPECT_EQ(shot.At(left + 1, top + total - 1), bar(total - 1));
  EXPECT_EQ(shot.At(left + 2, top + total - 1), bar(total - 1));  // the transparent corner
  EXPECT_EQ(shot.At(left + 3, top + total - 1), RGB(255, 0, 0));
  EXPECT_EQ(shot.At(left + 11, top + total - 12), RGB(255, 0, 0));
  EXPECT_EQ(shot.At(left + 12, top + total - 12), bar(total - 12));
  EXPECT_EQ(shot.At(left + 11, top + total - 13), bar(total - 13));
  int lowestWhite = -1;
  for (int y = 0; y < total; ++y)
    for (int x = 0; x < 29; ++x)
      if (shot.At(left + x, top + y) == kWhite) lowestWhite = y;
  EXPECT_GT(lowestWhite, total - 6 - 12 - 6);
  EXPECT_LE(lowestWhite, total - 6 - 12);
}

}  // namespace
