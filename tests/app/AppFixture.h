// What the tests of the character program share: a fresh copy of the release folder per test
// with a knowledge base of known answers, the program started from it, its menus opened and
// its speech area and error boxes watched as a user sees them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AppDriver.h"

namespace driver {

// The application title, the caption of the program's error boxes.
inline const wchar_t kTitle[] = L"Г.Г.Кормид";

// Positions of the popup menu's items: Down from the opening selects the first.
constexpr int kPluginsItem = 4;
constexpr int kRunItem = 5;

inline const std::wstring kGreetings = L"Привет! Я тест.\r\n";
inline const std::wstring kLong =
    L"Один два три четыре пять шесть семь восемь девять десять одиннадцать двенадцать "
    L"тринадцать четырнадцать пятнадцать шестнадцать.";
inline const std::wstring kAnswers = L"КАК\r\n!\r\nХорошо.\r\n.\r\nДЛИННО\r\n!\r\n" + kLong +
                                     L"\r\n.\r\nПОКА\r\n!\r\nДо свидания!^\r\n.\r\n";

// Text in the program's code page, as its files hold it.
inline std::string Cp1251(const std::wstring& text) {
  std::string bytes(text.size(), '\0');
  bytes.resize(static_cast<size_t>(
      WideCharToMultiByte(1251, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

// A macro file's records: message, paramL, paramH, time, window (32 bits each).
inline std::vector<std::array<uint32_t, 5>> Records(const std::string& macro) {
  std::vector<std::array<uint32_t, 5>> records(macro.size() / 20);
  if (!records.empty()) memcpy(records.data(), macro.data(), records.size() * 20);
  return records;
}

class TCharacterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder = FreshAppFolder(std::wstring(name, name + strlen(name)));
    WriteFile(Brain(L"Greetings.brain"), Cp1251(kGreetings));
    WriteFile(Brain(L"Dialog.brain"), Cp1251(L"Не понимаю.\r\n"));
    WriteFile(Brain(L"Answers.brain"), Cp1251(kAnswers));
  }

  std::wstring Brain(const wchar_t* file) const { return folder + L"Brain\\" + file; }

  // Without `waitForWindow`, start-up is expected to show an error box first.
  void Start(bool waitForWindow = true) {
    app = std::make_unique<TApp>(folder);
    if (!waitForWindow) return;
    main = app->MainWindow();
    ASSERT_NE(main, nullptr) << "no character window";
  }

  // A right click on the character (away from its controls) opens its popup menu there.
  HWND OpenMainMenu() {
    Click(ScreenPoint(main, 80, 150), true);
    return OpenMenu();
  }

  // The tray icon's menu opened and these keys pressed in it; null when it does not open.
  static HWND TrayMenu(const std::vector<WPARAM>& keys) {
    const std::vector<HWND> icons = TrayIcons();
    if (icons.size() != 1) return nullptr;
    RightClickTray(icons[0]);
    HWND menu = OpenMenu();
    if (menu && !keys.empty()) MenuKeys(menu, keys);
    return menu;
  }

  // Down to the item, Right: the item's submenu, or null when none opens.
  static HWND OpenSubmenu(HWND menu, int item) {
    std::vector<WPARAM> keys(static_cast<size_t>(item), VK_DOWN);
    keys.push_back(VK_RIGHT);
    MenuKeys(menu, keys);
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
    std::vector<WPARAM> keys(static_cast<size_t>(index), VK_DOWN);
    keys.push_back(VK_RETURN);
    MenuKeys(submenu, keys);
  }

  // The speech area comes to show `line` fully (what it held before may come first).
  bool Shows(const std::wstring& line, DWORD wait = 10000) const {
    const TPixels expected = RenderedLine(line);
    return WaitFor([&] { return SpeechArea(main) == expected; }, wait);
  }

  // The program's error box, if one comes within `wait`; its text through `text`.
  HWND Error(std::wstring* text, DWORD wait = 10000, const wchar_t* caption = kTitle) const {
    HWND box = app->WaitForWindow(caption, L"#32770", wait);
    text->clear();
    for (HWND label : box ? ChildWindows(box, L"Static") : std::vector<HWND>{})
      if (std::wstring found = TextOf(label); !found.empty()) *text = found;
    return box;
  }

  std::wstring folder;
  std::unique_ptr<TApp> app;
  HWND main = nullptr;
};

}  // namespace driver
