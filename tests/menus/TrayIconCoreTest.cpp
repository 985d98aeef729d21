#include "TrayIconCore.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TrayEventLog.h"

namespace {

// Records every platform call and every event, in order, in one log.
class FakePlatform : public ITrayIconPlatform {
 public:
  std::vector<std::string> log;
  TTrayPoint cursor{100, 200};
  std::set<int> keysDown;
  bool iconFails = false, shellFails = false;
  std::function<void()> duringPopup;

  static std::string Str(auto n) { return std::to_string(n); }

  void ShellNotifyIcon(uint32_t message, const TNotifyIconData& data) override {
    if (shellFails) throw Exception("shell");
    const char* names[] = {"add", "modify", "delete"};
    log.push_back(names[message] + (" id" + Str(data.ID)) + " flags" + Str(data.Flags));
  }
  uint64_t WindowHandle() override { return 0x1122334455667788; }
  uint64_t IconHandle() override { return iconFails ? throw Exception("no icon") : 0xABCDEF; }
  void AssignIcon(const TObject*) override { log.push_back("assign"); }
  void ClearIcon() override { log.push_back("clear"); }
  void CopyIconFromImageList(TComponent*, int index) override {
    log.push_back("copy " + Str(index));
  }
  TTrayPoint CursorPos() override { return cursor; }
  bool KeyDown(int key) override { return keysDown.count(key) != 0; }
  void SetForegroundIconWindow() override { log.push_back("foreground icon"); }
  void SetForegroundApplication() override { log.push_back("foreground app"); }
  void PostNullMessage() override { log.push_back("post null"); }
  intptr_t DefaultHandler(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    log.push_back("default " + Str(message) + " " + Str(wParam) + " " + Str(lParam));
    return 77;
  }
  void Popup(TComponent*, int x, int y) override {
    log.push_back("popup " + Str(x) + "," + Str(y));
    if (duringPopup) duringPopup();
  }
};

struct TrayFixture : ::testing::Test {
  FakePlatform platform;
  TComponent owner{nullptr};
  TComponent* menu = new TComponent(&owner);
  TComponent* images = new TComponent(&owner);
  TTrayIconCore* tray = new TTrayIconCore(&owner, platform);

  TrayFixture() {
    tray->SetName("TaskbarIcon");
    LogTrayEvents(*tray, platform.log);
  }

  // What happened since the last look, "; " between the entries.
  std::string Take() {
    std::string all;
    for (const std::string& entry : std::exchange(platform.log, {}))
      all += (all.empty() ? "" : "; ") + entry;
    return all;
  }
  // Runs the call, then takes the log with the tray icon error it raised, if any.
  std::string Do(const std::function<void()>& call) {
    try {
      call();
    } catch (const ETrayIcon& e) {
      platform.log.push_back("error " + e.Message());
    }
    return Take();
  }
  std::string Mouse(std::vector<uint32_t> messages) {
    for (uint32_t m : messages) EXPECT_EQ(tray->HandleIconMessage(0x401, 0, m), 0);
    return Take();
  }
};

TEST(NotifyIconData, WideRecordOfTheEarliestVersion) {
  std::string hex;
  // "Г.Г.Кормид" in Windows-1251.
  for (uint8_t b : BuildNotifyIconData(0x1122334455667788, -2, 7, 0x0102030405060708,
                                       "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4")
                       .Bytes())
    hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
  // Size, padding, window, identifier, flags, callback message, padding, icon, UTF-16 tip.
  std::string want =
      "A8000000 00000000 8877665544332211 FEFFFFFF 07000000 01040000 00000000 "
      "0807060504030201 13042E00 13042E00 1A043E04 40043C04 38043404" +
      std::string(216, '0');
  std::erase(want, ' ');
  EXPECT_EQ(hex, want);

  const TNotifyIconData cut = BuildNotifyIconData(0, 0, 0, 0, std::string(64, '\xFF'));
  EXPECT_TRUE(cut.Tip[62] == u'\u044F' && cut.Tip[63] == 0);
}

// Each call, then what it made of the platform and the events, in order.
TEST_F(TrayFixture, ShowingHidingAndTheIdentifier) {
  EXPECT_EQ(Take(), "");  // nothing shown when made
  EXPECT_EQ((tray->SetVisible(true), Take()), "add id0 flags7; show");
  EXPECT_TRUE(tray->IconData().Icon == 0xABCDEF && tray->IconData().Window == 0x1122334455667788);
  EXPECT_EQ((tray->SetVisible(true), tray->SetIconID(0), Take()), "");
  EXPECT_EQ((tray->SetIconID(5), Take()), "delete id0 flags5; hide; add id5 flags7; show");
  EXPECT_EQ((tray->SetHint(std::string(64, 'a')), Take()), "modify id5 flags7");
  EXPECT_EQ(tray->Hint(), std::string(63, 'a'));
  EXPECT_EQ((tray->SetVisible(false), Take()), "delete id5 flags5; hide");
  // Hidden: a new identifier is only stored, a new hint still tried (the shell refuses it).
  EXPECT_EQ((tray->SetIconID(9), tray->SetHint("x"), Take()), "modify id9 flags5");

  // Failures name the call; nothing is rolled back: the icon bit and Visible stay, OnShow
  // does not fire.
  platform.iconFails = true;
  EXPECT_EQ(Do([&] { tray->SetHint("tip"); }), "error TaskbarIcon.UpDate failed");
  EXPECT_EQ(tray->Hint(), "tip");
  EXPECT_EQ(Do([&] { tray->SetVisible(true); }), "error TaskbarIcon.AddToTaskbar failed");
  EXPECT_TRUE(tray->Visible() && tray->IconFlags() == 7);
  platform.iconFails = false;
  platform.shellFails = true;
  EXPECT_EQ(Do([&] { tray->SetVisible(false); }), "error TaskbarIcon.DeleteFromTaskbar failed");
  EXPECT_EQ(tray->IconFlags(), 5u);

  // The destructor raises nothing and still takes the icon away.
  platform.shellFails = false;
  tray->SetVisible(true);
  platform.iconFails = true;
  EXPECT_EQ((Take(), delete tray, Take()), "delete id9 flags0");
}

TEST_F(TrayFixture, MouseEventsPicturesAndAttachedComponents) {
  tray->SetPopupMenu(menu);
  platform.duringPopup = [this] { platform.cursor = {1, 2}; };
  platform.keysDown = {0x10, 0x12};
  EXPECT_EQ(Mouse({0x201, 0x202}), "down 0 11 100,200; foreground app; up 0 11 100,200; click");
  // A double click: one OnClick only.
  platform.keysDown = {0x11};
  EXPECT_EQ(Mouse({0x201, 0x202, 0x203, 0x202}),
            "down 0 12 100,200; foreground app; up 0 12 100,200; click; dblclick; "
            "foreground app; up 0 12 100,200");
  // Right click: foreground on the press; the menu at the cursor, then WM_NULL, then the
  // events, still at the cursor of the press. Moves and the middle button do nothing.
  platform.keysDown = {};
  EXPECT_EQ(Mouse({0x204, 0x205, 0x200, 0x207}),
            "foreground icon; down 1 16 100,200; popup 100,200; post null; popupmenu; "
            "foreground app; up 1 16 100,200");

  // Other messages, and every one while disabled, go to the default procedure.
  const intptr_t other = tray->HandleIconMessage(0x400, 3, 0x201);
  tray->SetEnabled(false);
  EXPECT_EQ(other + tray->HandleIconMessage(0x401, 0, 0x205), 154);
  EXPECT_EQ(Take(), "default 1024 3 513; default 1025 0 517");
  tray->SetEnabled(true);
  EXPECT_EQ(Mouse({0x202}), "foreground app; up 0 8 1,2");  // no press seen: no click

  tray->SetImageIndex(3);  // no image list: stored only
  EXPECT_EQ((tray->SetImageList(images), Take()), "clear; copy 3; modify id0 flags5");
  EXPECT_EQ((tray->SetImageIndex(1), Take()), "clear; copy 1; modify id0 flags5");
  TObject icon;
  EXPECT_EQ((tray->SetIcon(&icon), Take()), "assign; modify id0 flags5");

  // Freeing the attached components clears the references: no picture copied, no menu.
  delete images;
  delete menu;
  tray->SetImageIndex(2);
  EXPECT_EQ(Mouse({0x204, 0x205}), "foreground icon; down 1 16 1,2; foreground app; up 1 16 1,2");
}

TEST_F(TrayFixture, ShownOnceAfterLoadingAndAgainOnANewTaskbar) {
  delete tray;
  owner.BeginLoading();
  tray = new TTrayIconCore(&owner, platform);
  LogTrayEvents(*tray, platform.log);
  tray->SetTaskbarCreatedMessage(0xC0DE);
  tray->SetVisible(true);
  tray->SetIconID(4);
  EXPECT_EQ((tray->HandleIconMessage(0xC0DE, 0, 0), Take()), "");
  EXPECT_EQ((tray->Loaded(), Take()), "add id4 flags7; show");

  // Explorer restarted: the registered message re-adds a visible icon, enabled or not.
  tray->SetEnabled(false);
  EXPECT_EQ(tray->HandleIconMessage(0xC0DE, 0, 0), 0);
  EXPECT_EQ(Take(), "add id4 flags7");
  EXPECT_EQ((tray->SetVisible(false), Take(), tray->HandleIconMessage(0xC0DE, 0, 0), Take()), "");
  // Destroyed while shown: taken out of the notification area.
  EXPECT_EQ((tray->SetVisible(true), Take(), delete tray, Take()), "delete id4 flags5; hide");
}

}  // namespace
