// The side-bar popup menu as the platform shows it: properties, the rotated font, and the
// pixels of open menus captured from the screen while they are tracked.
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "BarPopupMenu.h"
#include "Captions.h"
#include "Forms.h"
#include "Handles.h"
#include "ScreenCapture.h"
#include "Win32TestSupport.h"

namespace {

// Blue to black, the defaults: row y of total.
COLORREF Bar(int y, int total) {
  return RGB(0, 0, 255 - 255 * y / total);
}

// What a timer saw while the menu was open.
struct Seen {
  std::vector<RECT> items;    // screen rectangles of the top-level items, by position
  std::vector<RECT> windows;  // the open menu windows (class #32768)
  ScreenCapture screen;
  int totalHeight = 0;
  // Menu rows and columns count from the first item's corner.
  int Left() const { return items.at(0).left; }
  int Top() const { return items.at(0).top; }
};

// Opens the menu; after 900 ms sends it `keys`, if any, and 900 ms later runs `during`,
// captures the items, the menu windows and the screen, and closes the menu.
Seen OpenAndCapture(TBarPopupMenu* menu, std::vector<WPARAM> keys = {},
                    std::function<void()> during = {}) {
  static std::function<void()> tick;  // a timer procedure takes no context
  Seen seen;
  tick = [&] {
    if (!keys.empty()) {
      for (WPARAM key : std::exchange(keys, {})) {
        PostMessageW(FindWindowW(L"#32768", nullptr), WM_KEYDOWN, key, 0);
        Sleep(50);
      }
      return;
    }
    if (!seen.items.empty()) return;
    if (during) std::exchange(during, nullptr)();  // once, should it open a menu again
    for (int i = 0; i < GetMenuItemCount(menu->Handle()); ++i)
      GetMenuItemRect(nullptr, menu->Handle(), static_cast<UINT>(i), &seen.items.emplace_back());
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr))
      if (IsWindowVisible(w)) GetWindowRect(w, &seen.windows.emplace_back());
    seen.screen =
        Capture(nullptr, {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    seen.totalHeight = menu->TotalHeight();
    EndMenu();
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 900, [](HWND, UINT, UINT_PTR, DWORD) {
    if (tick) tick();
  });
  menu->Popup(60, 50);
  KillTimer(nullptr, timer);
  tick = nullptr;
  PumpFor(100);
  return seen;
}

void SetTahoma(TFont* font, unsigned style) {
  font->SetName("Tahoma");
  font->SetHeight(-11);
  font->SetStyle(style);
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

  TComponent* owner = nullptr;
  TBarPopupMenu* menu = nullptr;
};

// First: nothing has made the application window yet, so a new menu takes no title.
TEST_F(BarPopupMenuTest, OwnedObjectsTheTitleAndTheRotatedFont) {
  EXPECT_EQ(menu->VerticalText(), "");
  // Transparent follows the picture object, which only reading or writing Bitmap makes.
  menu->SetTransparent(true);
  EXPECT_FALSE(menu->Transparent() || menu->HasBitmap());
  EXPECT_TRUE(menu->Bitmap()->Empty() && menu->Transparent());
  menu->SetTransparent(false);
  EXPECT_FALSE(menu->Bitmap()->Transparent());

  // Writing copies: the caller keeps its own objects.
  TBitmap picture;
  picture.SetSize(4, 6);
  menu->SetBitmap(&picture);
  EXPECT_TRUE(menu->Bitmap() != &picture && menu->Bitmap()->Height() == 6);
  TFont other;
  other.SetHeight(-20);
  menu->SetVerticalFont(&other);
  EXPECT_TRUE(menu->VerticalFont() != &other && menu->VerticalFont()->Height() == -20);

  Application->SetTitle(kDisplayName);
  Application->Handle();
  EXPECT_EQ(TBarPopupMenu(nullptr).VerticalText(), kDisplayName);

  // Every attribute of the font turned, the character set left to the system.
  TFont font;
  SetTahoma(&font, fsBold | fsItalic | fsUnderline | fsStrikeOut);
  font.SetCharset(ANSI_CHARSET);
  font.SetPitch(fpFixed);
  FontHandle rotated(TBarPopupMenu::CreateRotatedFont(&font, 90));
  LOGFONTW r{};
  ASSERT_EQ(GetObjectW(rotated.get(), sizeof r, &r), static_cast<int>(sizeof r));
  EXPECT_EQ(std::tuple(r.lfHeight, r.lfEscapement, r.lfOrientation, r.lfWeight,
                       r.lfItalic + r.lfUnderline + r.lfStrikeOut, r.lfCharSet, r.lfPitchAndFamily,
                       std::wstring(r.lfFaceName)),
            std::tuple(-11L, 900L, 0L, 700L, 3, BYTE{DEFAULT_CHARSET}, BYTE{FIXED_PITCH},
                       std::wstring(L"Tahoma")));
}

// The character's menu: its settings and its seven items.
TEST_F(BarPopupMenuTest, TheCharactersMenuShowsItsBar) {
  SKIP_WITHOUT_DISPLAY();
  menu->SetMenuAnimation(maTopToBottom);
  menu->SetBarWidth(15);
  SetTahoma(menu->VerticalFont(), fsBold | fsItalic);
  menu->VerticalFont()->SetColor(clWhite);
  menu->SetVerticalText("Kolvex");
  TMenuItem* root = menu->Items();
  for (const char* caption : {kRestore, kMinimize, kTeach, "Plugins...", kRun, "-", kExit})
    Add(root, caption);
  root->Items(0)->SetEnabled(false);
  for (const char* caption : {"Hat", "Sign"}) Add(root->Items(3), caption);
  Add(root->Items(4), "Circle");

  const Seen seen = OpenAndCapture(menu);
  ASSERT_EQ(seen.items.size(), 7u);
  const ScreenCapture& shot = seen.screen;
  const int left = seen.Left(), top = seen.Top(), total = seen.totalHeight;
  ASSERT_EQ(total, seen.items[6].bottom - top);
  ASSERT_GT(total, 100);
  const COLORREF background = GetSysColor(COLOR_MENU);

  // Column 12 is the bar's last and the text never reaches it; above the text every column of
  // the bar has the row's colour. Columns 13 and 14 are nobody's. The white text stands
  // upright in the bar, ending 6 rows above the bottom of the items.
  int minX = 99, maxX = -1, minY = total, maxY = -1, white = 0;
  for (int y = 0; y < total; ++y) {
    ASSERT_EQ(shot.At(left + 12, top + y), Bar(y, total)) << "row " << y;
    for (int x : {13, 14}) ASSERT_EQ(shot.At(left + x, top + y), background) << x << " " << y;
    for (int x = 0; x < 12; ++x) {
      const COLORREF p = shot.At(left + x, top + y);
      ASSERT_TRUE(y >= 46 || p == Bar(y, total)) << x << " " << y;
      if (p != RGB(255, 255, 255)) continue;
      ++white;
      minX = std::min(minX, x), maxX = std::max(maxX, x);
      minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
  }
  EXPECT_GT(white, 40);
  EXPECT_TRUE(maxY <= total - 6 && maxY > total - 12) << maxY;
  EXPECT_GT(maxY - minY, 2 * (maxX - minX));

  // Every item, the separator too, paints right of the band.
  for (const RECT& item : seen.items) {
    int first = -1;
    for (int x = left + 13; x < item.right && first < 0; ++x)
      for (int y = item.top; y < item.bottom && first < 0; ++y)
        if (shot.At(x, y) != background) first = x - left;
    EXPECT_GE(first, 15) << "item at " << item.top;
  }

  // A sub-menu's items are drawn in the menu's own way, without a band or bar (no pixel of the
  // bar's blues); the highlighted "Plugins..." item is repainted, and the bar beside it stays.
  const Seen sub = OpenAndCapture(menu, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RIGHT});
  ASSERT_EQ(sub.windows.size(), 2u);
  for (const RECT& w : sub.windows)
    for (int y = w.top; y < w.bottom && w.left > left; ++y)
      for (int x = w.left; x < w.right; ++x) {
        const COLORREF p = sub.screen.At(x, y);
        ASSERT_FALSE(GetRValue(p) == 0 && GetGValue(p) == 0 && GetBValue(p) > 0) << x << "," << y;
      }
  const RECT& selected = sub.items[3];
  for (int y = selected.top; y < selected.bottom; ++y)
    ASSERT_EQ(sub.screen.At(left + 12, y), Bar(y - top, total)) << y;
  EXPECT_EQ(sub.screen.At(left + 30, selected.top + 1), GetSysColor(COLOR_HIGHLIGHT));
}

// Items the OnPopup handler adds keep their own look and handler, but their rows count when
// the bar finds its top; "#" items and hidden items are not counted, and "#" paints nothing.
TEST_F(BarPopupMenuTest, AddedBlankAndHiddenItems) {
  SKIP_WITHOUT_DISPLAY();
  menu->SetBarWidth(15);
  menu->SetVerticalText("");
  TMenuItem* root = menu->Items();
  Add(root, kMinimize);
  Add(root, "#");
  Add(root, kTeach)->SetVisible(false);
  Add(root, kExit);
  TMenuItem* added = nullptr;
  menu->OnPopup = [&](TObject*) {
    if (added) return;
    added = new TMenuItem(owner);
    added->SetCaption("Added");
    added->OnMeasureItem = [](TObject*, TCanvas*, int&, int& height) { height = 30; };
    root->Insert(0, added);
  };
  const Seen seen = OpenAndCapture(menu);
  ASSERT_EQ(seen.items.size(), 4u);  // Added, first, "#", last
  const auto height = [&](int i) { return seen.items[i].bottom - seen.items[i].top; };
  EXPECT_EQ(height(0), 30);
  const int total = height(1) + height(3);
  EXPECT_EQ(seen.totalHeight, total);

  const ScreenCapture& shot = seen.screen;
  const int left = seen.Left(), top = seen.Top();
  const COLORREF background = GetSysColor(COLOR_MENU);
  // The added item: no band, no bar. The first hooked item: the bar at its menu row 30.
  for (int y = 0; y < 30; ++y) ASSERT_EQ(shot.At(left + 12, top + y), background) << y;
  EXPECT_EQ(shot.At(left + 12, top + 30), Bar(30, total));
  // Only the first row of "#" shows the bar row that the item above paints below its bottom.
  const RECT& blank = seen.items[2];
  EXPECT_EQ(shot.At(left + 12, blank.top), Bar(blank.top - top, total));
  for (int y = blank.top; y < blank.bottom; ++y)
    for (int x = y == blank.top ? left + 13 : blank.left; x < blank.right; ++x)
      ASSERT_EQ(shot.At(x, y), background) << x << " " << y;

  int w = 0, h = 0;
  added->OnMeasureItem(added, nullptr, w, h);
  EXPECT_EQ(h, 30);
}

// A popup asked for while the menu is open (a timer, a tray notification) is ignored: the
// platform menu being tracked stays alive.
TEST_F(BarPopupMenuTest, APopupFromInsideTheMenuLoopIsIgnored) {
  SKIP_WITHOUT_DISPLAY();
  Add(menu->Items(), kExit);
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  const Seen seen = OpenAndCapture(menu, {}, [this] { menu->Popup(100, 100); });
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(seen.items.size(), 1u);
}

// Owner-drawn items hide their underlined letters from the system; typing one still chooses.
TEST_F(BarPopupMenuTest, AnUnderlinedLetterChoosesItsItem) {
  SKIP_WITHOUT_DISPLAY();
  std::string chosen;
  for (const char* caption : {"&Hat", "Si&gn", "&&S", "&Sign"})
    Add(menu->Items(), caption)->OnClick = [&chosen, caption](TObject*) { chosen = caption; };
  OpenAndCapture(menu, {'S'});
  EXPECT_EQ(chosen, "&Sign");
}

// A picture at the foot of the bar, its transparent colour left out.
TEST_F(BarPopupMenuTest, PictureAtTheFootOfTheBar) {
  SKIP_WITHOUT_DISPLAY();
  for (const char* caption : {kMinimize, kTeach, kRun, kExit}) Add(menu->Items(), caption);
  menu->SetVerticalText("Kolvex");
  TBitmap* picture = menu->Bitmap();
  picture->SetSize(10, 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 10; ++x) {
      uint8_t* p = picture->ScanLine(y) + 3 * x;
      // Red, but white in the bottom-left pixel, which gives the transparent colour.
      p[0] = p[1] = (x == 0 && y == 11) ? 255 : 0, p[2] = 255;
    }
  menu->SetBitmapOffsetX(2);
  const Seen seen = OpenAndCapture(menu);
  ASSERT_EQ(seen.items.size(), 4u);
  const ScreenCapture& shot = seen.screen;
  const int left = seen.Left(), total = seen.totalHeight, bottom = seen.Top() + total - 1;
  ASSERT_EQ(total, seen.items[3].bottom - seen.Top());
  EXPECT_EQ(shot.At(left + 1, bottom), Bar(total - 1, total));
  EXPECT_EQ(shot.At(left + 2, bottom), Bar(total - 1, total));  // the transparent corner
  EXPECT_EQ(shot.At(left + 3, bottom), RGB(255, 0, 0));
  EXPECT_EQ(shot.At(left + 11, bottom - 11), RGB(255, 0, 0));
  EXPECT_EQ(shot.At(left + 12, bottom - 11), Bar(total - 12, total));
  EXPECT_EQ(shot.At(left + 11, bottom - 12), Bar(total - 13, total));
}

}  // namespace
