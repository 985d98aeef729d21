// The Run and Plugins submenus of the character's popup menu, driven from outside: entries
// chosen with the keyboard and told apart by what they do, since Wine lists a folder in no
// fixed order.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "AppDriver.h"
#include "AppFixture.h"

using namespace driver;

namespace {

constexpr uint32_t kKeyDown = 0x100, kKeyUp = 0x101, kMouseMove = 0x200;

void PutRecord(std::string& macro, uint32_t message, uint32_t paramL, uint32_t paramH,
               uint32_t time) {
  const uint32_t fields[5] = {message, paramL, paramH, time, 0};
  macro.append(reinterpret_cast<const char*>(fields), sizeof fields);
}

// Digits typed one after another, 50 ms apart: the virtual key in bits 0-7 of paramL, the PC
// keyboard's scan code in bits 8-15.
std::string TypedDigits(const std::string& digits) {
  std::string macro;
  uint32_t time = 0;
  for (char digit : digits) {
    const uint32_t scan = digit == '0' ? 0x0B : static_cast<uint32_t>(digit - '0' + 1);
    const uint32_t paramL = static_cast<uint32_t>(digit) | scan << 8;
    PutRecord(macro, kKeyDown, paramL, 1, time);
    PutRecord(macro, kKeyUp, paramL, 1, time + 50);
    time += 100;
  }
  return macro;
}

struct TCircle {
  double x = 0, y = 0, radius = 0;
};

// The circle a macro's pointer moves go round.
TCircle CircleOf(const std::string& macro) {
  std::vector<POINT> points;
  for (size_t at = 0; at + 20 <= macro.size(); at += 20) {
    uint32_t fields[5];
    memcpy(fields, macro.data() + at, sizeof fields);
    if (fields[0] == kMouseMove)
      points.push_back(POINT{static_cast<LONG>(fields[1]), static_cast<LONG>(fields[2])});
  }
  TCircle circle;
  if (points.empty()) return circle;
  LONG left = points[0].x, right = left, top = points[0].y, bottom = top;
  for (POINT p : points) {
    left = std::min(left, p.x), right = std::max(right, p.x);
    top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  }
  circle.x = (left + right) / 2.0;
  circle.y = (top + bottom) / 2.0;
  for (POINT p : points) circle.radius += std::hypot(p.x - circle.x, p.y - circle.y);
  circle.radius /= static_cast<double>(points.size());
  return circle;
}

// Pointer samples on the circle (within a few pixels) in at least six of its eight octants.
bool GoesRound(const std::vector<POINT>& samples, const TCircle& circle) {
  bool octants[8] = {};
  for (POINT p : samples) {
    const double dx = p.x - circle.x, dy = p.y - circle.y;
    if (std::abs(std::hypot(dx, dy) - circle.radius) > 4) continue;
    const double turn = std::atan2(dy, dx) / (2 * 3.14159265358979) + 1;
    octants[static_cast<int>(turn * 8) % 8] = true;
  }
  int covered = 0;
  for (bool octant : octants) covered += octant;
  return covered >= 6;
}

class AppMenusTest : public TCharacterTest {};

TEST_F(AppMenusTest, TheRunSubmenuIsReadAtEachOpeningAndItsEntriesReplayOrFail) {
  Start();
  const std::wstring scripts = folder + L"Scripts\\";
  const TCircle circle = CircleOf(ReadFile(scripts + L"Circle.rec"));
  ASSERT_GT(circle.radius, 20) << "the shipped Circle.rec has no circle";
  // Written after start-up, so only a menu read afresh knows them.
  WriteFile(scripts + L"typed.rec", TypedDigits("314"));
  WriteFile(scripts + L"empty.rec", "");
  ASSERT_TRUE(CreateDirectoryW((scripts + L"old.rec").c_str(), nullptr));
  const std::wstring cannotOpenOld = L"Cannot open file " + FullPath(scripts) + L"old.rec.";
  HWND input = app->InputField();

  std::map<std::wstring, int> outcomes;
  for (int entry = 0; entry < 4; ++entry) {
    FocusInput(*app);
    HWND menu = OpenMainMenu();
    ASSERT_NE(menu, nullptr) << "entry " << entry;
    HWND submenu = OpenSubmenu(menu, kRunItem);
    ASSERT_NE(submenu, nullptr) << "no Run submenu, entry " << entry;
    ChooseEntry(submenu, entry);
    // Watch the pointer, the input field and the error boxes while the entry plays.
    std::vector<POINT> pointer;
    std::wstring error;
    HWND box = nullptr;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 5000 && !box && TextOf(input) != L"314") {
      POINT at{};
      GetCursorPos(&at);
      pointer.push_back(at);
      box = Error(&error, 0);
      Pause(15);
    }
    std::wstring outcome = L"nothing";
    if (box) {
      outcome = error == cannotOpenOld                   ? L"old.rec"
                : error == L"Recorder: Nothing to play." ? L"empty.rec"
                                                         : L"error: " + error;
      DismissBox(box);
    } else if (TextOf(input) == L"314") {
      outcome = L"typed.rec";
    } else if (GoesRound(pointer, circle)) {
      outcome = L"Circle.rec";
    }
    ++outcomes[outcome];
  }
  const std::map<std::wstring, int> expected = {
      {L"Circle.rec", 1}, {L"empty.rec", 1}, {L"old.rec", 1}, {L"typed.rec", 1}};
  EXPECT_EQ(outcomes, expected);

  // No Scripts folder: nothing opens under "Выполнить", and the menu works as before.
  RemoveFolder(folder + L"Scripts");
  HWND menu = OpenMainMenu();
  ASSERT_NE(menu, nullptr) << "the menu no longer opens";
  EXPECT_EQ(OpenSubmenu(menu, kRunItem), nullptr) << "a Run submenu without scripts";
  PressInMenu(menu, VK_UP, 1);
  PostMessageW(menu, WM_KEYDOWN, VK_RIGHT, 0);
  EXPECT_TRUE(WaitFor([] { return OpenMenus().size() == 2; }, 1500)) << "no Plugins submenu";
  PressInMenu(menu, VK_ESCAPE, 2);
  EXPECT_TRUE(WaitFor([] { return OpenMenus().empty(); }, 3000));
}

// Pictures: 0xRRGGBB, top row first, as TPixels holds the screen.
constexpr uint32_t kMagenta = 0xFF00FF;

// A picture 20 pixels wide whose lowest 12 rows are a block: its top row of another colour
// (a picture drawn upside down shows it), a hole and the bottom-left corner in magenta, the
// transparent colour, as is everything above the block.
TPixels Block(uint32_t colour, int height = 12) {
  TPixels block;
  block.width = 20;
  block.height = height;
  block.data.assign(static_cast<size_t>(block.width) * height, kMagenta);
  for (int y = height - 12; y < height; ++y)
    for (int x = 0; x < block.width; ++x) {
      const int row = y - (height - 12);
      const bool hole = x >= 8 && x < 12 && row >= 4 && row < 8;
      const bool corner = x == 0 && y == height - 1;
      if (!hole && !corner)
        block.data[static_cast<size_t>(y) * block.width + x] = row == 0 ? 0xFFFF00 : colour;
    }
  return block;
}

// A 24-bit BMP file: rows bottom up, each padded to four bytes.
std::string Bmp(const TPixels& picture) {
  const int stride = (picture.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = picture.width;
  info.biHeight = picture.height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(stride * picture.height);
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  for (int y = picture.height - 1; y >= 0; --y) {
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < picture.width; ++x) {
      const uint32_t pixel = picture.At(x, y);
      row[x * 3] = static_cast<char>(pixel & 0xFF);
      row[x * 3 + 1] = static_cast<char>(pixel >> 8 & 0xFF);
      row[x * 3 + 2] = static_cast<char>(pixel >> 16 & 0xFF);
    }
    bytes += row;
  }
  return bytes;
}

// The pixels of an uncompressed 24-bit BMP file, as the shipped plugins hold them.
TPixels ReadBmp(const std::string& bytes) {
  TPixels picture;
  if (bytes.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) return picture;
  BITMAPFILEHEADER file;
  BITMAPINFOHEADER info;
  memcpy(&file, bytes.data(), sizeof file);
  memcpy(&info, bytes.data() + sizeof file, sizeof info);
  if (info.biBitCount != 24 || info.biCompression != BI_RGB) return picture;
  const bool bottomUp = info.biHeight > 0;
  picture.width = info.biWidth;
  picture.height = std::abs(info.biHeight);
  const int stride = (picture.width * 3 + 3) & ~3;
  if (bytes.size() < file.bfOffBits + static_cast<size_t>(stride) * picture.height) return {};
  picture.data.resize(static_cast<size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y) {
    const char* row = bytes.data() + file.bfOffBits +
                      static_cast<size_t>(stride) * (bottomUp ? picture.height - 1 - y : y);
    for (int x = 0; x < picture.width; ++x) {
      const auto* bgr = reinterpret_cast<const unsigned char*>(row + x * 3);
      picture.data[static_cast<size_t>(y) * picture.width + x] =
          bgr[2] << 16 | bgr[1] << 8 | bgr[0];
    }
  }
  return picture;
}

struct TPlugin {
  std::wstring name;
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
  TPixels last = ClientPixels(window);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 5000) {
    Pause(300);
    TPixels now = ClientPixels(window);
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
// `covered`. Empty when they agree; `drawn` counts the picture's pixels seen.
std::string Differences(const TPixels& before, const TPixels& after, const TPlugin& plugin,
                        HRGN outline, const RECT& covered, int* drawn) {
  std::ostringstream out;
  int wrong = 0;
  *drawn = 0;
  const uint32_t transparent =
      plugin.picture.data.empty() ? 0 : plugin.picture.At(0, plugin.picture.height - 1);
  for (int y = 0; y < after.height; ++y)
    for (int x = 0; x < after.width; ++x) {
      if (Moving(x, y) || PtInRect(&covered, POINT{x, y})) continue;
      uint32_t expected = before.At(x, y);
      const int px = x - plugin.left, py = y - plugin.top;
      if (!plugin.picture.data.empty() && px >= 0 && py >= 0 && px < plugin.picture.width &&
          py < plugin.picture.height && plugin.picture.At(px, py) != transparent &&
          PtInRegion(outline, x, y)) {
        expected = plugin.picture.At(px, py);
        ++*drawn;
      }
      if (after.At(x, y) != expected && wrong++ < 3)
        out << " (" << x << ", " << y << ") is " << std::hex << after.At(x, y) << " not "
            << expected << std::dec << ";";
    }
  if (wrong) out << " " << wrong << " pixels differ";
  return out.str();
}

TEST_F(AppMenusTest, PluginEntriesDrawTheirPicturesAtTheirPlacesOrSayWhyNot) {
  const std::wstring plugins = folder + L"Plugins\\";
  const std::wstring full = FullPath(plugins);
  auto make = [&](const wchar_t* name, const std::string& ini) {
    CreateDirectoryW((plugins + name).c_str(), nullptr);
    WriteFile(plugins + name + L"\\plugin.ini", ini);
  };
  std::vector<TPlugin> expected;
  // "0x10": 16 pixels down; the upper 124 rows are transparent, the block shows from 140.
  make(L"Down.plg", "[PLUGIN]\r\nImgName=tall.bmp\r\nPTop=0x10\r\nPLeft=60\r\n");
  WriteFile(plugins + L"Down.plg\\tall.bmp", Bmp(Block(0xC00000, 136)));
  expected.push_back({L"Down", Block(0xC00000, 136), 60, 16, L""});
  // Partly left of the window: the right part shows in the speech bubble's margin.
  make(L"Left.plg", "[PLUGIN]\r\nImgName=block.bmp\r\nPTop=24\r\nPLeft=-6\r\n");
  WriteFile(plugins + L"Left.plg\\block.bmp", Bmp(Block(0x0000C0)));
  expected.push_back({L"Left", Block(0x0000C0), -6, 24, L""});
  // "true" is not "True": no sound, so the missing wave file goes unnoticed.
  make(L"Quiet.plg",
       "[PLUGIN]\r\nImgName=block.bmp\r\nPTop=120\r\nPLeft=100\r\n[SOUND]\r\nWav=true\r\n"
       "WavName=none.wav\r\n");
  WriteFile(plugins + L"Quiet.plg\\block.bmp", Bmp(Block(0x008000)));
  expected.push_back({L"Quiet", Block(0x008000), 100, 120, L""});
  // The picture comes first, then the missing wave file fails (below the error box).
  make(L"Loud.plg",
       "[PLUGIN]\r\nImgName=block.bmp\r\nPTop=200\r\nPLeft=12\r\n[SOUND]\r\nWav=True\r\n"
       "WavName=none.wav\r\n");
  WriteFile(plugins + L"Loud.plg\\block.bmp", Bmp(Block(0x800080)));
  expected.push_back(
      {L"Loud", Block(0x800080), 12, 200, L"Cannot open file " + full + L"Loud.plg\\none.wav."});
  make(L"Missing.plg", "[PLUGIN]\r\nImgName=gone.bmp\r\n");
  expected.push_back(
      {L"Missing", {}, 0, 0, L"Cannot open file " + full + L"Missing.plg\\gone.bmp."});
  make(L"Fake.plg", "[PLUGIN]\r\nImgName=fake.bmp\r\n");
  WriteFile(plugins + L"Fake.plg\\fake.bmp", "BM but not a picture at all");
  expected.push_back({L"Fake", {}, 0, 0, L"Bitmap image is not valid."});
  // A file, not a folder: no plugin.ini in it, so the picture's path is the entry itself.
  WriteFile(plugins + L"x.plg", "");
  expected.push_back({L"x", {}, 0, 0, L"Cannot open file " + full + L"x.plg\\."});
  for (const wchar_t* shipped : {L"Hat.plg", L"Sign.plg"}) {
    const std::wstring ini = plugins + shipped + L"\\plugin.ini";
    wchar_t image[MAX_PATH] = {};
    GetPrivateProfileStringW(L"PLUGIN", L"ImgName", L"", image, MAX_PATH, ini.c_str());
    TPlugin plugin{shipped, ReadBmp(ReadFile(plugins + shipped + L"\\" + image)),
                   static_cast<int>(GetPrivateProfileIntW(L"PLUGIN", L"PLeft", 0, ini.c_str())),
                   static_cast<int>(GetPrivateProfileIntW(L"PLUGIN", L"PTop", 0, ini.c_str())),
                   L""};
    ASSERT_FALSE(plugin.picture.data.empty()) << "cannot read the picture of " << shipped;
    expected.push_back(plugin);
  }

  Start();
  HRGN outline = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(main, outline), ERROR);
  ASSERT_FALSE(TrayIcons().empty());
  std::vector<std::string> found(expected.size());
  for (size_t entry = 0; entry < expected.size(); ++entry) {
    const TPixels before = SettledPixels(main);
    // The menu opens from the tray icon, away from the window, so that closing it repaints
    // nothing of the character.
    SetCursorPos(700, 120);
    RightClickTray(TrayIcons()[0]);
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr) << "entry " << entry;
    HWND submenu = OpenSubmenu(menu, kPluginsItem);
    ASSERT_NE(submenu, nullptr) << "no Plugins submenu, entry " << entry;
    ChooseEntry(submenu, static_cast<int>(entry));
    std::wstring error;
    HWND box = Error(&error, 2000);
    RECT covered{};
    if (box) {
      covered = WindowRect(box);
      const POINT origin = ScreenPoint(main, 0, 0);
      OffsetRect(&covered, -origin.x, -origin.y);
    }
    // Which plugin was it: the one whose error and picture agree with what came. A busy
    // machine may show the drawing a little after the box.
    std::string report;
    bool known = false;
    const DWORD start = GetTickCount();
    while (!known && (report.empty() || GetTickCount() - start < 3000)) {
      if (!report.empty()) Pause(200);
      const TPixels after = ClientPixels(main);
      report = "entry " + std::to_string(entry) + ":";
      for (size_t i = 0; i < expected.size() && !known; ++i) {
        if (!found[i].empty() || expected[i].error != error) continue;
        int drawn = 0;
        const std::string differences =
            Differences(before, after, expected[i], outline, covered, &drawn);
        known = differences.empty() && (expected[i].picture.data.empty() || drawn > 0);
        if (known) found[i] = report;
        report += " not " + std::string(expected[i].name.begin(), expected[i].name.end()) + ":" +
                  differences + ";";
      }
    }
    EXPECT_TRUE(known) << report << " error box: " << (box ? "yes" : "none");
    if (box) DismissBox(box);
  }
  DeleteObject(outline);
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_FALSE(found[i].empty()) << "no entry did what " << expected[i].name.c_str() << " does";
}

}  // namespace
