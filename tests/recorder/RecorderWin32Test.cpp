#include <windows.h>

#include <cstddef>
#include <cstring>
#include <tuple>

#include "ExtCtrls.h"
#include "FakeRecorderPlatform.h"
#include "Recorder.h"
#include "Win32TestSupport.h"

namespace {

using Keys = std::vector<std::pair<uint32_t, uint32_t>>;

std::string Text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

// Key and button records of the recorder's stream, the pointer's moves left out.
Keys KeysAndButtons() {
  Keys result;
  for (const TEventMsg& e : ReadMacro(GlobalRecorder->Stream()))
    if (e.message != kMsgMouseMove)
      result.push_back({e.message, IsKeyMessage(e.message) ? e.paramL & 0xFF : 0});
  return result;
}

// Field by field to and from EVENTMSG, and into SendInput's records.
TEST(RecorderConversionTest, SystemRecords) {
  static_assert(sizeof(void*) == 4 || sizeof(EVENTMSG) == 24);
  // The window 0x...FFFF1234.
  const EVENTMSG system{WM_KEYDOWN, 0x1E41, 0x8001, 0xFEDCBA98,
                        reinterpret_cast<HWND>(static_cast<intptr_t>(-0xEDCC))};
  const TEventMsg event = EventFromEventMsg(system);
  EXPECT_EQ(event, Event(0x100, 0x1E41, 0x8001, 0xFEDCBA98, 0xFFFF1234));
  EVENTMSG back;
  std::memset(&back, 0xAB, sizeof back);
  EventToEventMsg(event, back);
  EXPECT_EQ(std::memcmp(&back, &system, offsetof(EVENTMSG, hwnd) + sizeof(HWND)), 0);

  const RECT screen{-1024, 0, 1024, 768};
  INPUT in;
  ASSERT_TRUE(InputFromEvent(Event(kMsgKeyUp, 0x5321, 0x8001, 0), screen, in));
  EXPECT_EQ(std::tuple(in.type, in.ki.wVk, in.ki.wScan, in.ki.dwFlags),
            std::tuple(DWORD{INPUT_KEYBOARD}, WORD{0x21}, WORD{0x53},
                       DWORD{KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY}));
  ASSERT_TRUE(InputFromEvent(Event(kMsgSysKeyDown, 0x3812, 1, 0), screen, in));
  EXPECT_EQ(in.ki.dwFlags, 0u);
  ASSERT_TRUE(InputFromEvent(Event(kMsgRButtonDown, 0, 767, 0), screen, in));
  EXPECT_EQ(std::tuple(in.type, in.mi.dx, in.mi.dy, in.mi.dwFlags),
            std::tuple(DWORD{INPUT_MOUSE}, AbsoluteCoordinate(0, -1024, 2048),
                       AbsoluteCoordinate(767, 0, 768),
                       DWORD{MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK |
                             MOUSEEVENTF_RIGHTDOWN}));
  ASSERT_TRUE(
      InputFromEvent(Event(kMsgMouseWheel, 5, 5, 0, static_cast<uint32_t>(-240)), screen, in));
  EXPECT_EQ(static_cast<int32_t>(in.mi.mouseData), -240);
  ASSERT_TRUE(InputFromEvent(Event(kMsgMouseWheel, 5, 5, 0), screen, in));  // one notch
  EXPECT_EQ(in.mi.mouseData, DWORD{WHEEL_DELTA});
  EXPECT_FALSE(InputFromEvent(Event(WM_CHAR, 'a', 1, 0), screen, in) ||
               InputFromEvent(Event(WM_CANCELJOURNAL, 0, 0, 0), screen, in));
}

class RecorderWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    InitRecorderModule();
    TRecorder* first = GlobalRecorder;
    InitRecorderModule();  // while one lives, no second one
    ASSERT_TRUE(first && GlobalRecorder == first);
    edit_ = CreateWindowExA(WS_EX_TOPMOST, "EDIT", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 200,
                            300, 30, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit_, nullptr);
    SetForegroundWindow(edit_);
    SetFocus(edit_);
    PumpFor(200);
  }
  void TearDown() override {
    DoneRecorderModule();
    EXPECT_EQ(GlobalRecorder, nullptr);
    if (edit_) DestroyWindow(edit_);
    // Keys a failed test left down would spoil the next one.
    for (int vk : {VK_CONTROL, VK_CANCEL, int('A'), int('B'), int('H'), int('I')})
      if (GetAsyncKeyState(vk) < 0) SendKey(static_cast<WORD>(vk), true);
    PumpFor(50);
    EXPECT_TRUE(boxes_.boxes.empty()) << boxes_.boxes.front().text;
  }

  HWND edit_ = nullptr;
  RecordingBoxes boxes_;
};

TEST_F(RecorderWin32Test, LowLevelRecordingEndsAtCtrlBreakAndReplays) {
  GlobalRecorder->SetUseJournalHooks(false);
  const DWORD start = GetTickCount();
  GlobalRecorder->Record(false);
  ASSERT_EQ(GlobalRecorder->Path(), TInputPath::LowLevel);
  const POINT at = CentreOf(edit_);
  SetCursorPos(at.x, at.y);
  PumpFor(50);
  ClickAt(at);
  PumpFor(100);
  TypeKey('A');
  PumpFor(100);
  TypeKey('B');
  EXPECT_TRUE(PumpUntil([&] { return Text(edit_) == "ab"; }, 3000)) << Text(edit_);
  SendKey(VK_CONTROL, false);
  SendKey(VK_CANCEL, false);
  EXPECT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 3000));
  const DWORD end = GetTickCount();
  SendKey(VK_CANCEL, true);
  SendKey(VK_CONTROL, true);
  PumpFor(100);

  Keys keys = KeysAndButtons();
  ASSERT_EQ(keys.size(), 8u);
  const uint32_t ctrl = keys[6].second;
  EXPECT_TRUE(ctrl == VK_CONTROL || ctrl == VK_LCONTROL) << ctrl;
  const Keys expected{{kMsgLButtonDown, 0}, {kMsgLButtonUp, 0},      {kMsgKeyDown, 'A'},
                      {kMsgKeyUp, 'A'},     {kMsgKeyDown, 'B'},      {kMsgKeyUp, 'B'},
                      {kMsgKeyDown, ctrl},  {kMsgKeyDown, kVkCancel}};
  EXPECT_EQ(keys, expected);
  uint32_t previous = 0;
  for (const TEventMsg& e : ReadMacro(GlobalRecorder->Stream())) {
    EXPECT_TRUE(e.time >= previous && e.time <= end - start) << e.time;
    previous = e.time;
    if (e.message == kMsgLButtonDown || e.message == kMsgLButtonUp) {
      EXPECT_EQ(Event(e.message, at.x, at.y, e.time), e);
    }
  }

  // Replayed, it types again and lets Ctrl and Break go at the end.
  SetWindowTextA(edit_, "");
  GlobalRecorder->Play();
  EXPECT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 10000));
  PumpFor(100);
  EXPECT_EQ(Text(edit_), "ab");
  EXPECT_TRUE(GetAsyncKeyState(VK_CONTROL) >= 0 && GetAsyncKeyState(VK_CANCEL) >= 0);
}

// Wine 8 takes a journal-record hook and calls it; other systems refuse it.
TEST_F(RecorderWin32Test, JournalRecordingWhereTheSystemCallsIt) {
  GlobalRecorder->Record(false);
  if (GlobalRecorder->Path() != TInputPath::Journal) GTEST_SKIP() << "journal hooks refused";
  TypeKey('H');
  EXPECT_TRUE(PumpUntil([&] { return Text(edit_) == "h"; }, 3000));
  PumpFor(100);
  EXPECT_EQ(KeysAndButtons(), (Keys{{kMsgKeyDown, 'H'}, {kMsgKeyUp, 'H'}}));

  // Ctrl+Esc: the system removes the hook and posts WM_CANCELJOURNAL without a window, here
  // while a message box runs its own loop, which drops the message: the recorder hears of it.
  UnhookWindowsHookEx(reinterpret_cast<HHOOK>(GlobalRecorder->Hook()));
  const wchar_t kCaption[] = L"qv-cancel-journal";
  const DWORD start = GetTickCount();
  bool posted = false;
  TTimer timer(nullptr);
  timer.SetInterval(100);
  timer.OnTimer = [&](TObject*) {
    if (!posted) {
      posted = PostThreadMessageW(GetCurrentThreadId(), WM_CANCELJOURNAL, 0, 0);
      return;
    }
    if (GlobalRecorder->State() != rsIdle && GetTickCount() - start < 5000) return;
    if (HWND box = FindWindowW(L"#32770", kCaption)) PostMessageW(box, WM_COMMAND, IDOK, 0);
  };
  MessageBoxW(edit_, L"waiting", kCaption, MB_OK);
  EXPECT_TRUE(posted);
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
  EXPECT_EQ(GlobalRecorder->Hook(), 0u);
}

// The journal first where the system takes it (Wine 8 takes the hook but never calls it).
TEST_F(RecorderWin32Test, AMacroTypesIntoTheEditWithItsTiming) {
  const POINT at = CentreOf(edit_);
  GlobalRecorder->Stream().Clear();
  WriteMacro(GlobalRecorder->Stream(),
             {Event(kMsgMouseMove, at.x, at.y, 0), Event(kMsgLButtonDown, at.x, at.y, 100),
              Event(kMsgLButtonUp, at.x, at.y, 200), Event(kMsgKeyDown, 'H', 1, 1000),
              Event(kMsgKeyUp, 'H', 1, 1100), Event(kMsgKeyDown, 'I', 1, 2000),
              Event(kMsgKeyUp, 'I', 1, 2100)});
  SetFocus(nullptr);
  SetCursorPos(10, 10);
  PumpFor(50);
  GlobalRecorder->Play();
  ASSERT_EQ(GlobalRecorder->State(), rsPlaying);
  DWORD typedH = 0, typedI = 0;
  EXPECT_TRUE(PumpUntil(
      [&] {
        const std::string text = Text(edit_);
        if (!typedH && text.size() >= 1) typedH = GetTickCount();
        if (!typedI && text.size() >= 2) typedI = GetTickCount();
        return GlobalRecorder->State() == rsIdle;
      },
      10000));
  PumpFor(100);
  EXPECT_EQ(Text(edit_), "hi");
  EXPECT_EQ(GetFocus(), edit_);
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_TRUE(cursor.x == at.x && cursor.y == at.y) << cursor.x << "," << cursor.y;
  // Wine timers run late; the machines are shared.
  const auto fromStart = static_cast<int32_t>(typedH - GlobalRecorder->StartTime());
  const auto between = static_cast<int32_t>(typedI - typedH);
  EXPECT_TRUE(fromStart >= 980 && fromStart <= 1600) << fromStart;
  EXPECT_TRUE(between >= 800 && between <= 1600) << between;
}

}  // namespace
