#include "TrayIconCore.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TrayEventLog.h"

namespace {

using Log = std::vector<std::string>;

// Records every platform call and every event, in order, in one log.
class FakePlatform : public ITrayIconPlatform {
 public:
  Log log;
  TTrayPoint cursor{100, 200};
  std::set<int> keysDown;
  bool iconFails = false;
  bool shellFails = false;
  std::function<void()> duringPopup;

  void ShellNotifyIcon(uint32_t message, const TNotifyIconData& data) override {
    if (shellFails) throw Exception("shell");
    static const char* const names[] = {"add", "modify", "delete"};
    log.push_back(std::string(names[message]) + " id" + std::to_string(data.ID) + " flags" +
                  std::to_string(data.Flags));
  }
  uint64_t WindowHandle() override { return 0x1122334455667788; }
  uint64_t IconHandle() override {
    if (iconFails) throw Exception("Out of system resources");
    return 0xABCDEF;
  }
  void AssignIcon(const TObject*) override { log.push_back("assign"); }
  void ClearIcon() override { log.push_back("clear"); }
  void CopyIconFromImageList(TComponent*, int index) override {
    log.push_back("copy " + std::to_string(index));
  }
  TTrayPoint CursorPos() override { return cursor; }
  bool KeyDown(int key) override { return keysDown.count(key) != 0; }
  void SetForegroundIconWindow() override { log.push_back("foreground icon"); }
  void SetForegroundApplication() override { log.push_back("foreground app"); }
  void PostNullMessage() override { log.push_back("post null"); }
  intptr_t DefaultHandler(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    log.push_back("default " + std::to_string(message) + " " + std::to_string(wParam) + " " +
                  std::to_string(lParam));
    return 77;
  }
  void Popup(TComponent*, int x, int y) override {
    log.push_back("popup " + std::to_string(x) + "," + std::to_string(y));
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

  Log Take() { return std::exchange(platform.log, {}); }
  void Mouse(uint32_t message) { EXPECT_EQ(tray->HandleIconMessage(0x401, 0, message), 0); }
};

TEST(NotifyIconData, WideRecordOfTheEarliestVersion) {
  // "Г.Г.Кормид" in Windows-1251.
  const TNotifyIconData data = BuildNotifyIconData(0x1122334455667788, -2, 7, 0x0102030405060708,
                                                   "\xC3.\xC3.\xCA\xEE\xF0\xEC\xE8\xE4");
  const auto bytes = data.Bytes();
  auto at = [&](size_t offset, size_t size) {
    uint64_t value = 0;
    for (size_t i = 0; i < size; ++i) value |= uint64_t{bytes[offset + i]} << (8 * i);
    return value;
  };
  // Size, padding, window, identifier, flags, callback message, padding, icon.
  const std::vector<std::vector<uint64_t>> fields = {
      {0, 4, 168},    {4, 4, 0},  {8, 8, 0x1122334455667788}, {16, 4, 0xFFFFFFFE}, {20, 4, 7},
      {24, 4, 0x401}, {28, 4, 0}, {32, 8, 0x0102030405060708}};
  for (const auto& f : fields) EXPECT_EQ(at(f[0], f[1]), f[2]) << "offset " << f[0];
  const std::u16string tip = u"\u0413.\u0413.\u041A\u043E\u0440\u043C\u0438\u0434";
  for (size_t i = 0; i < 64; ++i) EXPECT_EQ(at(40 + 2 * i, 2), i < 10 ? tip[i] : 0u) << i;

  const std::string hint63(63, '\xFF'), hint64 = hint63 + "Z";
  for (const std::string& hint : {hint63, hint64}) {
    const TNotifyIconData cut = BuildNotifyIconData(0, 0, 0, 0, hint);
    EXPECT_EQ(cut.Tip[62], u'\u044F');
    EXPECT_EQ(cut.Tip[63], 0);
  }
}

// Each call, then what it made of the platform and the events, in order.
TEST_F(TrayFixture, ShowingHidingAndTheIdentifier) {
  EXPECT_TRUE(Take().empty());  // nothing shown when made
  EXPECT_EQ((tray->SetVisible(true), Take()), (Log{"add id0 flags7", "show"}));
  EXPECT_TRUE(tray->IconData().Icon == 0xABCDEF && tray->IconData().Window == 0x1122334455667788);
  EXPECT_EQ((tray->SetVisible(true), tray->SetIconID(0), Take()), Log{});
  EXPECT_EQ((tray->SetIconID(5), Take()),
            (Log{"delete id0 flags5", "hide", "add id5 flags7", "show"}));
  EXPECT_EQ((tray->SetHint(std::string(64, 'a')), Take()), (Log{"modify id5 flags7"}));
  EXPECT_EQ(tray->Hint(), std::string(63, 'a'));
  EXPECT_EQ((tray->SetVisible(false), Take()), (Log{"delete id5 flags5", "hide"}));
  // Hidden: a new identifier is only stored, a new hint still tried (the shell refuses it).
  EXPECT_EQ((tray->SetIconID(9), tray->SetHint("x"), Take()), (Log{"modify id9 flags5"}));
  tray->SetVisible(true);
  Take();
  EXPECT_EQ((delete tray, Take()), (Log{"delete id9 flags5", "hide"}));
}

TEST_F(TrayFixture, PicturesFromIconAndImageList) {
  tray->SetImageIndex(3);  // no image list: stored only
  EXPECT_EQ((tray->SetImageList(images), Take()), (Log{"clear", "copy 3", "modify id0 flags5"}));
  EXPECT_EQ((tray->SetImageIndex(1), Take()), (Log{"clear", "copy 1", "modify id0 flags5"}));
  TObject icon;
  EXPECT_EQ((tray->SetIcon(&icon), Take()), (Log{"assign", "modify id0 flags5"}));

  // Freeing the attached components clears the references: no picture copied, no menu.
  tray->SetPopupMenu(menu);
  delete images;
  delete menu;
  tray->SetImageIndex(2);
  Mouse(0x204);
  Mouse(0x205);
  EXPECT_EQ(Take(),
            (Log{"foreground icon", "down 1 16 100,200", "foreground app", "up 1 16 100,200"}));
}

TEST_F(TrayFixture, MouseNotificationsBecomeEvents) {
  tray->SetPopupMenu(menu);
  platform.duringPopup = [this] { platform.cursor = {1, 2}; };
  const struct {
    std::set<int> keys;
    std::vector<uint32_t> messages;
    Log log;
  } cases[] = {{{0x10, 0x12},
                {0x201, 0x202},
                {"down 0 11 100,200", "foreground app", "up 0 11 100,200", "click"}},
               // A double click: one OnClick only.
               {{0x11},
                {0x201, 0x202, 0x203, 0x202},
                {"down 0 12 100,200", "foreground app", "up 0 12 100,200", "click", "dblclick",
                 "foreground app", "up 0 12 100,200"}},
               // Right click: foreground on the press; the menu at the cursor, then WM_NULL, then
               // the events, still at the cursor of the press.
               {{},
                {0x204, 0x205},
                {"foreground icon", "down 1 16 100,200", "popup 100,200", "post null", "popupmenu",
                 "foreground app", "up 1 16 100,200"}},
               // Moves and the middle button do nothing.
               {{}, {0x200, 0x207}, {}}};
  for (const auto& c : cases) {
    platform.keysDown = c.keys;
    for (uint32_t message : c.messages) Mouse(message);
    EXPECT_EQ(Take(), c.log);
  }

  // Other messages, and every one while disabled, go to the default procedure.
  EXPECT_EQ(tray->HandleIconMessage(0x400, 3, 0x201), 77);
  tray->SetEnabled(false);
  EXPECT_EQ(tray->HandleIconMessage(0x401, 0, 0x201), 77);
  EXPECT_EQ(tray->HandleIconMessage(0x401, 0, 0x205), 77);
  EXPECT_EQ(Take(), (Log{"default 1024 3 513", "default 1025 0 513", "default 1025 0 517"}));
  tray->SetEnabled(true);
  Mouse(0x202);  // no press seen: no click
  EXPECT_EQ(Take(), (Log{"foreground app", "up 0 8 1,2"}));
}

TEST_F(TrayFixture, FailuresBecomeTrayIconErrors) {
  platform.iconFails = true;
  auto message = [](auto&& call) -> std::string {
    try {
      call();
    } catch (const ETrayIcon& e) {
      return e.Message();
    }
    return "no error";
  };
  EXPECT_EQ(message([&] { tray->SetHint("tip"); }), "TaskbarIcon.UpDate failed");
  EXPECT_EQ(tray->Hint(), "tip");

  // Nothing rolled back: the icon bit and Visible stay, OnShow does not fire.
  EXPECT_EQ(message([&] { tray->SetVisible(true); }), "TaskbarIcon.AddToTaskbar failed");
  EXPECT_TRUE(tray->Visible());
  EXPECT_EQ(tray->IconFlags(), 7u);
  platform.iconFails = false;
  platform.shellFails = true;
  EXPECT_EQ(message([&] { tray->SetVisible(false); }), "TaskbarIcon.DeleteFromTaskbar failed");
  EXPECT_EQ(tray->IconFlags(), 5u);
  EXPECT_TRUE(Take().empty());

  // The destructor raises nothing and still takes the icon away.
  platform.shellFails = false;
  tray->SetVisible(true);
  Take();
  platform.iconFails = true;
  delete tray;
  EXPECT_EQ(Take(), (Log{"delete id0 flags0"}));
}

TEST_F(TrayFixture, ShownOnceAfterLoadingAndAgainOnANewTaskbar) {
  delete tray;
  owner.BeginLoading();
  tray = new TTrayIconCore(&owner, platform);
  tray->OnShow = [this](TObject*) { platform.log.push_back("show"); };
  tray->SetVisible(true);
  tray->SetIconID(4);
  EXPECT_TRUE(Take().empty());
  tray->Loaded();
  EXPECT_EQ(Take(), (Log{"add id4 flags7", "show"}));

  // Explorer restarted: the registered message re-adds a visible icon, enabled or not.
  tray->SetTaskbarCreatedMessage(0xC0DE);
  tray->SetEnabled(false);
  EXPECT_EQ(tray->HandleIconMessage(0xC0DE, 0, 0), 0);
  EXPECT_EQ(Take(), (Log{"add id4 flags7"}));
  tray->SetVisible(false);
  Take();
  tray->HandleIconMessage(0xC0DE, 0, 0);
  EXPECT_TRUE(Take().empty());
}

}  // namespace
