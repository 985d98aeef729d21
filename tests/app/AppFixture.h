// What the tests of the menus and of the teaching window share: a fresh copy of the release
// folder per test, the program started from it, its popup menu opened as a user opens it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "AppDriver.h"

namespace driver {

// The application title, the caption of the program's error boxes.
inline const wchar_t kTitle[] = L"Г.Г.Кормид";

// Positions of the popup menu's items: Down from the opening selects the first.
constexpr int kTeachItem = 3;
constexpr int kPluginsItem = 4;
constexpr int kRunItem = 5;

// Text in the program's code page, as its files hold it.
inline std::string Cp1251(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(1251, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                       0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(1251, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

class TCharacterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder = FreshAppFolder(std::wstring(name, name + std::strlen(name)));
  }

  void Start() {
    app = std::make_unique<TApp>(folder);
    main = app->MainWindow();
    ASSERT_NE(main, nullptr) << "no character window";
  }

  // A right click on the character (away from its controls) opens its popup menu there.
  HWND OpenMainMenu() {
    Click(ScreenPoint(main, 80, 150), true);
    return OpenMenu();
  }

  // Keys posted to a menu that has just opened (see MenuKeys).
  static void PressInMenu(HWND menu, WPARAM key, int times) {
    Pause(400);
    for (int i = 0; i < times; ++i) {
      PostMessageW(menu, WM_KEYDOWN, key, 0);
      Pause(80);
    }
  }

  // Down to the item, Right: the item's submenu, or null when none opens.
  static HWND OpenSubmenu(HWND menu, int item) {
    PressInMenu(menu, VK_DOWN, item);
    PostMessageW(menu, WM_KEYDOWN, VK_RIGHT, 0);
    HWND submenu = nullptr;
    WaitFor(
        [&] {
          for (HWND open : OpenMenus())
            if (open != menu) submenu = open;
          return submenu != nullptr;
        },
        3000);
    return submenu;
  }

  // The submenu's entry at `index` (0 the first, which opening selects) chosen.
  static void ChooseEntry(HWND submenu, int index) {
    PressInMenu(submenu, VK_DOWN, index);
    PostMessageW(submenu, WM_KEYDOWN, VK_RETURN, 0);
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

  // The program's error box, if one comes within `wait`; its text through `text`.
  HWND Error(std::wstring* text, DWORD wait = 10000) const {
    return ErrorBox(*app, kTitle, text, wait);
  }

  std::wstring folder;
  std::unique_ptr<TApp> app;
  HWND main = nullptr;
};

}  // namespace driver
