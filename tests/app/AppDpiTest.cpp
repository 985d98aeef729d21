// The character program in a Wine prefix set to 192 DPI: the character twice as large pixel
// for pixel, its answers in the same display lines, the menu and teaching window scaled.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <utility>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "AssetIds.h"
#include "Dpi.h"
#include "RegionData.h"

using namespace driver;

namespace {

constexpr int k = 2;

class AppDpiTest : public TCharacterTest {
 protected:
  void SetUp() override {
    TCharacterTest::SetUp();
    exe = LoadLibraryExW((folder + L"Quelvoran.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
  }
  void TearDown() override {
    if (exe) FreeLibrary(exe);
    TCharacterTest::TearDown();
  }
  HMODULE exe = nullptr;
};

// The rectangles of a region as the system reports them.
std::vector<RegionRect> RectsOf(HRGN region) {
  std::vector<uint8_t> data(GetRegionData(region, 0, nullptr));
  GetRegionData(region, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data()));
  Mask2Block block;
  if (ParseRegionData(data, &block) != Mask2Status::Ok) return {};
  return RegionRects(block);
}

// Every greeting, free line and answer of the shipped knowledge base, in Windows-1251.
std::vector<std::string> ShippedTexts() {
  std::vector<std::string> texts;
  const std::string brain = QV_RELEASE_DIR "\\Brain\\";
  for (const char* name : {"Greetings.brain", "Dialog.brain", "Answers.brain"}) {
    std::ifstream file(brain + name, std::ios::binary);
    bool answers = std::string(name) != "Answers.brain";
    for (std::string line; std::getline(file, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == "!" || line == ".") {
        answers = line == "!";
        continue;
      }
      if (answers && !line.empty()) texts.push_back(line);
    }
  }
  return texts;
}

// The rows a display line takes in the speech area k times as large.
int Rows(const std::wstring& line, int factor) {
  HDC dc = CreateCompatibleDC(nullptr);
  // The program's font for the speech area at this factor.
  TFont base;
  base.SetHeight(FittedFontHeight(base, -11, factor));
  const LOGFONTW logFont = base.LogFont();
  HFONT font = CreateFontIndirectW(&logFont);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  RECT box{0, 0, 134 * factor, 0};
  const int height =
      DrawTextW(dc, line.c_str(), -1, &box, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return height / std::max<int>(metrics.tmHeight, 1);
}

TEST_F(AppDpiTest, TheCharacterIsTwiceAsLargePixelForPixelAndTalksInTheSameLines) {
  Start();
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 162 * k);
  EXPECT_EQ(client.bottom, 251 * k);

  // The outline: the stored one with every edge doubled.
  HRSRC info = FindResourceW(exe, MAKEINTRESOURCEW(IDR_CHARACTER_MASK2), MAKEINTRESOURCEW(10));
  ASSERT_NE(info, nullptr);
  const auto* stored = static_cast<const uint8_t*>(LockResource(LoadResource(exe, info)));
  Mask2Block block;
  ASSERT_EQ(ParseMask2({stored, SizeofResource(exe, info)}, &block), Mask2Status::Ok);
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetWindowRgn(main, outline), COMPLEXREGION);
  EXPECT_EQ(RectsOf(outline), ScaleRegion(RegionRects(block), k));

  EXPECT_TRUE(Shows(L"Привет! Я тест.", 10000, k));
  // Below the bubble and above the field, every pixel inside the outline is the picture's
  // pixel under it: 2 x 2 blocks, no blur.
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageW(exe, MAKEINTRESOURCEW(IDB_CHARACTER), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(bitmap, nullptr);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, bitmap);
  const TPixels picture = TSurface(163, 251).Read(source);
  SelectObject(source, old);
  DeleteDC(source);
  DeleteObject(bitmap);
  const TPixels shown = Capture(main);
  int compared = 0, wrong = 0;
  for (int y = 150 * k; y < 225 * k; ++y)
    for (int x = 0; x < shown.width; ++x) {
      if (!PtInRegion(outline, x, y)) continue;
      ++compared;
      if (shown.At(x, y) != picture.At(x / k, y / k)) ++wrong;
    }
  DeleteObject(outline);
  EXPECT_GT(compared, 10000);
  EXPECT_EQ(wrong, 0) << "of " << compared << " pixels";

  Ask(L"как дела?");
  EXPECT_TRUE(Shows(L"Хорошо.", 10000, k));
  Ask(L"длинно");
  const std::vector<std::wstring> lines = DisplayLines(kLong);
  ASSERT_GT(lines.size(), 1u);
  EXPECT_TRUE(Shows(lines[0], 10000, k));

  // No display line of the shipped texts takes more rows in the speech area at 2 and 3 times
  // the size than at 96 DPI: nothing is cut off that shows there.
  int wrapped = 0, total = 0;
  for (const std::string& text : ShippedTexts())
    for (const std::wstring& line : DisplayLines(ToWide(text))) {
      ++total;
      for (int factor : {2, 3})
        if (Rows(line, factor) > Rows(line, 1)) {
          ++wrapped;
          ADD_FAILURE() << "x" << factor << ": " << Rows(line, factor) << " rows, not "
                        << Rows(line, 1);
        }
    }
  EXPECT_GT(total, 50);
  EXPECT_EQ(wrapped, 0);
}

TEST_F(AppDpiTest, TheMenuAndTheTeachingWindowAreScaledByTheDpi) {
  Start();
  Click(ScreenPoint(main, 80 * k, 150 * k), true);
  HWND menu = OpenMenu();
  ASSERT_NE(menu, nullptr);
  // Seven items, a separator among them, in the system's menu font at 192 DPI.
  const RECT shown = WindowRect(menu);
  EXPECT_GE(shown.bottom - shown.top, 180);
  // The side bar is 30 pixels wide (Wine shows it from column 3 on), then the menu's white.
  // The menu may be on screen a moment before its items are painted.
  TPixels bar = Capture(menu);
  for (int tries = 0; tries < 30 && bar.At(34, 20) != 0xFFFFFFu; ++tries) {
    Sleep(100);
    bar = Capture(menu);
  }
  EXPECT_NE(bar.At(28, 20), 0xFFFFFFu);
  EXPECT_EQ(bar.At(34, 20), 0xFFFFFFu);
  MenuKeys(menu, Downs(3, VK_RETURN));
  HWND teach = WaitForWindow(L"Обучение", nullptr, 5000);
  ASSERT_NE(teach, nullptr);
  RECT client{};
  GetClientRect(teach, &client);
  EXPECT_EQ(client.right, 562);
  EXPECT_EQ(client.bottom, 312);
  // The macro list and the speed box, 146 x 108 and 41 x 22 at 96 DPI.
  auto sizes = [&](const wchar_t* className) {
    std::vector<std::pair<LONG, LONG>> found;
    for (HWND control : ChildWindows(teach, className)) {
      const RECT r = WindowRect(control);
      found.emplace_back(r.right - r.left, r.bottom - r.top);
    }
    return found;
  };
  EXPECT_EQ(sizes(L"ListBox"), (std::vector<std::pair<LONG, LONG>>{{292, 216}}));
  EXPECT_EQ(sizes(L"Edit"), (std::vector<std::pair<LONG, LONG>>{{82, 44}}));
}

}  // namespace
