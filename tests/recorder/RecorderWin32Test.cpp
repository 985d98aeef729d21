#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

#include "Recorder.h"
#include "Win32TestSupport.h"

namespace {

void SendKey(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void TypeKey(WORD vk) {
  SendKey(vk, false);
  SendKey(vk, true);
}

void Click() {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, input, sizeof input[0]);
}

std::string Text(HWND window) {
  char text[256] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<TEventMsg> Records() {
  std::vector<TEventMsg> events;
  TMemoryStream& stream = GlobalRecorder->Stream();
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  for (int64_t at = 0; at + 20 <= stream.Size(); at += 20)
    events.push_back(ReadEventMsg(bytes + at));
  return events;
}

// Key and button records, the pointer's moves left out.
std::vector<std::pair<uint32_t, uint32_t>> KeysAndButtons(const std::vector<TEventMsg>& events) {
  std::vector<std::pair<uint32_t, uint32_t>> result;
  for (const TEventMsg& e : events)
    if (e.message != kMsgMouseMove)
      result.push_back({e.message, IsKeyMessage(e.message) ? e.paramL & 0xFF : 0});
  return result;
}

void LoadMacro(const std::vector<TEventMsg>& events) {
  TMemoryStream& stream = GlobalRecorder->Stream();
  stream.Clear();
  for (const TEventMsg& event : events) {
    uint8_t bytes[kEventMsgSize];
    WriteEventMsg(event, bytes);
    stream.WriteBuffer(bytes, kEventMsgSize);
  }
}

TEventMsg Record(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time) {
  TEventMsg event;
  event.message = message;
  event.paramL = paramL;
  event.paramH = paramH;
  event.time = time;
  return event;
}

TEST(RecorderConversionTest, EventMsgFieldByField) {
  static_assert(sizeof(void*) == 4 || sizeof(EVENTMSG) == 24);
  EVENTMSG system{};
  system.message = WM_KEYDOWN;
  system.paramL = 0x1E41;
  system.paramH = 0x8001;
  system.time = 0xFEDCBA98;
  system.hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(-0xEDCC));  // 0x...FFFF1234
  const TEventMsg event = EventFromEventMsg(system);
  EXPECT_EQ(event.message, 0x100u);
  EXPECT_EQ(event.paramL, 0x1E41u);
  EXPECT_EQ(event.paramH, 0x8001u);
  EXPECT_EQ(event.time, 0xFEDCBA98u);
  EXPECT_EQ(event.hwnd, 0xFFFF1234u);
  EVENTMSG back;
  std::memset(&back, 0xAB, sizeof back);
  EventToEventMsg(event, back);
  EXPECT_EQ(std::memcmp(&back, &system, offsetof(EVENTMSG, hwnd) + sizeof(HWND)), 0);
}

TEST(RecorderConversionTest, RecordsBecomeSendInput) {
  const RECT screen{-1024, 0, 1024, 768};
  INPUT input;
  ASSERT_TRUE(InputFromEvent(Record(kMsgKeyUp, 0x5321, 0x8001, 0), screen, input));
  EXPECT_EQ(input.type, static_cast<DWORD>(INPUT_KEYBOARD));
  EXPECT_EQ(input.ki.wVk, 0x21);
  EXPECT_EQ(input.ki.wScan, 0x53);
  EXPECT_EQ(input.ki.dwFlags, static_cast<DWORD>(KEYEVENTF_KEYUP | KEYEVENTF_EXTENDEDKEY));
  ASSERT_TRUE(InputFromEvent(Record(kMsgSysKeyDown, 0x3812, 1, 0), screen, input));
  EXPECT_EQ(input.ki.dwFlags, 0u);
  ASSERT_TRUE(InputFromEvent(Record(kMsgSysKeyUp, 0x3812, 1, 0), screen, input));
  EXPECT_EQ(input.ki.dwFlags, static_cast<DWORD>(KEYEVENTF_KEYUP));

  ASSERT_TRUE(InputFromEvent(Record(kMsgRButtonDown, 0, 767, 0), screen, input));
  EXPECT_EQ(input.type, static_cast<DWORD>(INPUT_MOUSE));
  EXPECT_EQ(input.mi.dx, AbsoluteCoordinate(0, -1024, 2048));
  EXPECT_EQ(input.mi.dy, AbsoluteCoordinate(767, 0, 768));
  EXPECT_EQ(input.mi.dwFlags, static_cast<DWORD>(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE |
                                                 MOUSEEVENTF_VIRTUALDESK | MOUSEEVENTF_RIGHTDOWN));
  TEventMsg wheel = Record(kMsgMouseWheel, 5, 5, 0);
  wheel.hwnd = static_cast<uint32_t>(-240);
  ASSERT_TRUE(InputFromEvent(wheel, screen, input));
  EXPECT_EQ(static_cast<int32_t>(input.mi.mouseData), -240);
  wheel.hwnd = 0;
  ASSERT_TRUE(InputFromEvent(wheel, screen, input));
  EXPECT_EQ(input.mi.mouseData, static_cast<DWORD>(WHEEL_DELTA));
  EXPECT_FALSE(InputFromEvent(Record(WM_CHAR, 'a', 1, 0), screen, input));
  EXPECT_FALSE(InputFromEvent(Record(WM_CANCELJOURNAL, 0, 0, 0), screen, input));
}

TEST(RecorderModuleTest, OneRecorderFromInitToDone) {
  InitRecorderModule();
  TRecorder* first = GlobalRecorder;
  ASSERT_NE(first, nullptr);
  InitRecorderModule();
  EXPECT_EQ(GlobalRecorder, first);
  DoneRecorderModule();
  EXPECT_EQ(GlobalRecorder, nullptr);
}

class RecorderWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_DISPLAY();
    InitRecorderModule();
    ASSERT_NE(GlobalRecorder, nullptr);
    edit_ = CreateWindowExA(WS_EX_TOPMOST, "EDIT", "", WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 200,
                            300, 30, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(edit_, nullptr);
    SetForegroundWindow(edit_);
    SetFocus(edit_);
    PumpFor(200);
  }
  void TearDown() override {
    DoneRecorderModule();
    if (edit_) DestroyWindow(edit_);
    // Keys a failed test left down would spoil the next one.
    for (int vk : {VK_CONTROL, VK_CANCEL, int('H'), int('I')})
      if (GetAsyncKeyState(vk) < 0) SendKey(static_cast<WORD>(vk), true);
    PumpFor(50);
    EXPECT_TRUE(boxes_.boxes.empty()) << boxes_.boxes.front().text;
  }

  POINT EditCentre() const {
    RECT rect;
    GetWindowRect(edit_, &rect);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  }

  HWND edit_ = nullptr;
  RecordingBoxes boxes_;
};

TEST_F(RecorderWin32Test, LowLevelRecordingCapturesKeysAndClicks) {
  GlobalRecorder->SetUseJournalHooks(false);
  const DWORD start = GetTickCount();
  GlobalRecorder->Record(false);
  ASSERT_EQ(GlobalRecorder->Path(), TInputPath::LowLevel);
  const POINT at = EditCentre();
  SetCursorPos(at.x, at.y);
  PumpFor(50);
  Click();
  PumpFor(100);
  TypeKey('A');
  PumpFor(100);
  TypeKey('B');
  EXPECT_TRUE(PumpUntil([&] { return Text(edit_) == "ab"; }, 3000)) << Text(edit_);
  const DWORD end = GetTickCount();
  GlobalRecorder->Stop();

  const std::vector<TEventMsg> events = Records();
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {
      {kMsgLButtonDown, 0}, {kMsgLButtonUp, 0}, {kMsgKeyDown, 'A'},
      {kMsgKeyUp, 'A'},     {kMsgKeyDown, 'B'}, {kMsgKeyUp, 'B'}};
  EXPECT_EQ(KeysAndButtons(events), expected);
  uint32_t previous = 0;
  for (const TEventMsg& e : events) {
    EXPECT_GE(e.time, previous);
    EXPECT_LE(e.time, end - start);
    previous = e.time;
    if (e.message == kMsgLButtonDown || e.message == kMsgLButtonUp) {
      EXPECT_EQ(static_cast<int32_t>(e.paramL), at.x);
      EXPECT_EQ(static_cast<int32_t>(e.paramH), at.y);
    }
  }
}

TEST_F(RecorderWin32Test, CtrlBreakEndsALowLevelRecording) {
  GlobalRecorder->SetUseJournalHooks(false);
  GlobalRecorder->Record(false);
  TypeKey('H');
  SendKey(VK_CONTROL, false);
  SendKey(VK_CANCEL, false);
  EXPECT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 3000));
  SendKey(VK_CANCEL, true);
  SendKey(VK_CONTROL, true);
  PumpFor(100);
  const std::vector<std::pair<uint32_t, uint32_t>> keys = KeysAndButtons(Records());
  ASSERT_GE(keys.size(), 4u);
  EXPECT_EQ(keys.back(), std::make_pair(kMsgKeyDown, kVkCancel));
  const uint32_t ctrl = keys[keys.size() - 2].second;
  EXPECT_TRUE(ctrl == VK_CONTROL || ctrl == VK_LCONTROL) << ctrl;
  EXPECT_EQ(keys[0], std::make_pair(kMsgKeyDown, uint32_t('H')));
  EXPECT_EQ(Text(edit_), "h");

  // Replayed, it types again and lets Ctrl and Break go at the end.
  GlobalRecorder->Play();
  EXPECT_TRUE(PumpUntil([] { return GlobalRecorder->State() == rsIdle; }, 5000));
  PumpFor(100);
  EXPECT_EQ(Text(edit_), "hh");
  EXPECT_GE(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_GE(GetAsyncKeyState(VK_CANCEL), 0);
}

// Wine 8 takes a journal-record hook and calls it; other systems refuse it.
TEST_F(RecorderWin32Test, JournalRecordingWhereTheSystemCallsIt) {
  GlobalRecorder->Record(false);
  if (GlobalRecorder->Path() != TInputPath::Journal) {
    GlobalRecorder->Stop();
    GTEST_SKIP() << "journal hooks refused";
  }
  TypeKey('H');
  EXPECT_TRUE(PumpUntil([&] { return Text(edit_) == "h"; }, 3000));
  PumpFor(100);
  EXPECT_EQ(KeysAndButtons(Records()),
            (std::vector<std::pair<uint32_t, uint32_t>>{{kMsgKeyDown, 'H'}, {kMsgKeyUp, 'H'}}));

  // Ctrl+Esc: the system removes the hook and posts WM_CANCELJOURNAL without a window.
  const auto hook = reinterpret_cast<HHOOK>(GlobalRecorder->Hook());
  UnhookWindowsHookEx(hook);
  Application->OnMessage = RecorderMessageFilter;
  PostThreadMessageA(GetCurrentThreadId(), WM_CANCELJOURNAL, 0, 0);
  PumpFor(50);
  Application->OnMessage = nullptr;
  EXPECT_EQ(GlobalRecorder->Hook(), 0u);
  EXPECT_EQ(GlobalRecorder->State(), rsRecording);
  GlobalRecorder->Stop();
  EXPECT_EQ(GlobalRecorder->State(), rsIdle);
}

// The journal first where the system takes it (Wine 8 takes the hook but never calls it).
TEST_F(RecorderWin32Test, AMacroTypesIntoTheEditWithItsTiming) {
  const POINT at = EditCentre();
  LoadMacro({Record(kMsgMouseMove, at.x, at.y, 0), Record(kMsgLButtonDown, at.x, at.y, 100),
             Record(kMsgLButtonUp, at.x, at.y, 200), Record(kMsgKeyDown, 'H', 1, 1000),
             Record(kMsgKeyUp, 'H', 1, 1100), Record(kMsgKeyDown, 'I', 1, 2000),
             Record(kMsgKeyUp, 'I', 1, 2100)});
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
  EXPECT_EQ(cursor.x, at.x);
  EXPECT_EQ(cursor.y, at.y);
  // Wine timers run late; the machines are shared.
  const auto fromStart = static_cast<int32_t>(typedH - GlobalRecorder->StartTime());
  EXPECT_GE(fromStart, 980);
  EXPECT_LE(fromStart, 1600);
  const auto between = static_cast<int32_t>(typedI - typedH);
  EXPECT_GE(between, 800);
  EXPECT_LE(between, 1600);
}

TEST_F(RecorderWin32Test, TheSampleMacroGoesOnceRoundTheScreenCentre) {
  std::ifstream file(QV_CIRCLE_MACRO, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(file),
                                std::istreambuf_iterator<char>()};
  ASSERT_EQ(bytes.size(), 26u * 20);
  GlobalRecorder->Stream().Clear();
  GlobalRecorder->Stream().WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  GlobalRecorder->Stop();
  GlobalRecorder->Play();
  LONG left = 10000, right = -10000, top = 10000, bottom = -10000;
  bool started = false;
  EXPECT_TRUE(PumpUntil(
      [&] {
        POINT p;
        GetCursorPos(&p);
        started = started || (p.x == 612 && p.y == 384);
        if (!started) return false;
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
        return GlobalRecorder->State() == rsIdle;
      },
      10000));
  const auto took = static_cast<int32_t>(GetTickCount() - GlobalRecorder->StartTime());
  EXPECT_GE(took, 2500);
  EXPECT_LE(took, 4000);
  POINT end;
  GetCursorPos(&end);
  EXPECT_EQ(end.x, 612);
  EXPECT_EQ(end.y, 384);
  EXPECT_NEAR(left, 412, 2);
  EXPECT_EQ(right, 612);
  EXPECT_NEAR(top, 284, 2);
  EXPECT_NEAR(bottom, 484, 2);
}

}  // namespace
