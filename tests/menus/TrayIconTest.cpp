// The tray icon in Wine's notification area: the icon really added, re-added and removed,
// the shell's callback messages turned into events, the menu opened at the cursor.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <utility>
#include <vector>

#include "AssetIds.h"
#include "BarPopupMenu.h"
#include "Forms.h"
#include "TrayEventLog.h"
#include "TrayIcon.h"
#include "Win32TestSupport.h"

namespace {

const char kTitle[] = "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4";  // Г.Г.Кормид

// Without a desktop Wine shows its own tray window, one child per icon.
std::vector<HWND> IconsInTray() {
  std::vector<HWND> icons;
  HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
  for (HWND icon = tray ? FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr) : nullptr;
       icon; icon = FindWindowExW(tray, icon, L"__winex11_tray_icon", nullptr))
    icons.push_back(icon);
  return icons;
}

bool WaitForIcons(size_t count) {
  return PumpUntil([count] { return IconsInTray().size() == count; }, 5000);
}

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DisplayAvailable()) GTEST_SKIP() << "no display";
    owner = new TComponent(nullptr);
    icon = new TTrayIcon(owner);
    icon->Icon()->LoadFromResourceID(GetModuleHandleW(nullptr), IDI_TRAY, 16);
    icon->SetHint(kTitle);
    LogTrayEvents(*icon, log);
  }
  void TearDown() override { delete owner; }

  // A notification as the shell sends it.
  void Notify(LPARAM mouseMessage) { SendMessageW(icon->Handle(), 0x401, 0, mouseMessage); }

  TComponent* owner = nullptr;
  TTrayIcon* icon = nullptr;
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(TrayIconTest, TheIconLivesInTheTrayUntilTheComponentGoes) {
  ASSERT_TRUE(WaitForIcons(0));
  icon->SetVisible(true);
  ASSERT_TRUE(WaitForIcons(1));
  EXPECT_EQ(std::pair(icon->IconData().Window, icon->IconData().Icon),
            std::pair(reinterpret_cast<uint64_t>(icon->Handle()),
                      reinterpret_cast<uint64_t>(icon->Icon()->Handle())));

  // A click on Wine's icon reaches the component as its callback message.
  log.clear();
  SetCursorPos(40, 30);
  HWND shown = IconsInTray().at(0);
  PostMessageW(shown, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
  PostMessageW(shown, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
  PumpUntil([&] { return log.size() >= 3; }, 3000);
  EXPECT_EQ(log, (Log{"down 0 8 40,30", "up 0 8 40,30", "click"}));

  // A new task bar has lost the icon; its "TaskbarCreated" broadcast brings it back.
  NOTIFYICONDATAW gone{};  // identifier 0
  gone.cbSize = sizeof gone;
  gone.hWnd = icon->Handle();
  Shell_NotifyIconW(NIM_DELETE, &gone);
  ASSERT_TRUE(WaitForIcons(0));
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(WaitForIcons(1));

  // Under a new identifier, then gone with the component: no icon left behind.
  icon->SetIconID(5);
  EXPECT_TRUE(WaitForIcons(1));
  delete owner;
  owner = nullptr;
  EXPECT_TRUE(WaitForIcons(0));
}

TEST_F(TrayIconTest, ARightClickOpensTheMenuAtTheCursor) {
  static RECT opened;
  opened = RECT{};
  auto* menu = new TBarPopupMenu(owner);
  auto* item = new TMenuItem(owner);
  item->SetCaption(kTitle);
  menu->Items()->Add(item);
  menu->OnPopup = [this](TObject*) { log.push_back("popup"); };
  icon->SetPopupMenu(menu);

  SetCursorPos(300, 200);
  const UINT_PTR closer = SetTimer(nullptr, 0, 500, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    GetWindowRect(FindWindowW(L"#32768", nullptr), &opened);
    EndMenu();
  });
  Notify(WM_RBUTTONDOWN);
  Notify(WM_RBUTTONUP);
  KillTimer(nullptr, closer);
  EXPECT_EQ(log, (Log{"down 1 16 300,200", "popup", "popupmenu", "up 1 16 300,200"}));
  EXPECT_TRUE(opened.left == 300 && opened.top == 200);
}

TEST_F(TrayIconTest, PictureFromAnImageList) {
  auto* list = new TImageList(owner);
  list->AddIcon(icon->Icon());
  list->AddIcon(icon->Icon());
  icon->Icon()->Clear();
  icon->SetImageIndex(1);
  icon->SetImageList(list);
  EXPECT_FALSE(icon->Icon()->Empty());
  icon->SetImageIndex(2);  // past the list: no picture
  EXPECT_TRUE(icon->Icon()->Empty());
  icon->SetImageIndex(0);
  EXPECT_FALSE(icon->Icon()->Empty());
}

}  // namespace
