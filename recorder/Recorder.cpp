#include "Recorder.h"

#include <memory>

#include "ExtCtrls.h"
#include "Forms.h"
#include "Handles.h"

TRecorder* GlobalRecorder = nullptr;

TEventMsg EventFromEventMsg(const EVENTMSG& event) {
  TEventMsg result;
  result.message = event.message;
  result.paramL = event.paramL;
  result.paramH = event.paramH;
  result.time = event.time;
  result.hwnd = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event.hwnd));
  return result;
}

void EventToEventMsg(const TEventMsg& event, EVENTMSG& out) {
  out.message = event.message;
  out.paramL = event.paramL;
  out.paramH = event.paramH;
  out.time = event.time;
  out.hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(event.hwnd)));
}

bool InputFromEvent(const TEventMsg& event, const RECT& screen, INPUT& input) {
  input = {};
  const uint32_t message = event.message;
  if (message == kMsgKeyDown || message == kMsgKeyUp || message == kMsgSysKeyDown ||
      message == kMsgSysKeyUp) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = static_cast<WORD>(event.paramL & 0xFF);
    input.ki.wScan = static_cast<WORD>(event.paramL >> 8 & 0xFF);
    if (message == kMsgKeyUp || message == kMsgSysKeyUp) input.ki.dwFlags |= KEYEVENTF_KEYUP;
    if (event.paramH & kExtendedKeyFlag) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return true;
  }

  DWORD buttons = 0;
  DWORD data = 0;
  const auto extra = static_cast<DWORD>(event.hwnd);
  switch (message) {
    case kMsgMouseMove:
      break;
    case kMsgLButtonDown:
    case WM_LBUTTONDBLCLK:
      buttons = MOUSEEVENTF_LEFTDOWN;
      break;
    case kMsgLButtonUp:
      buttons = MOUSEEVENTF_LEFTUP;
      break;
    case kMsgRButtonDown:
    case WM_RBUTTONDBLCLK:
      buttons = MOUSEEVENTF_RIGHTDOWN;
      break;
    case kMsgRButtonUp:
      buttons = MOUSEEVENTF_RIGHTUP;
      break;
    case kMsgMButtonDown:
    case WM_MBUTTONDBLCLK:
      buttons = MOUSEEVENTF_MIDDLEDOWN;
      break;
    case kMsgMButtonUp:
      buttons = MOUSEEVENTF_MIDDLEUP;
      break;
    case kMsgMouseWheel:
      buttons = MOUSEEVENTF_WHEEL;
      data = extra ? extra : static_cast<DWORD>(WHEEL_DELTA);
      break;
    case kMsgMouseHWheel:
      buttons = MOUSEEVENTF_HWHEEL;
      data = extra ? extra : static_cast<DWORD>(WHEEL_DELTA);
      break;
    case kMsgXButtonDown:
    case WM_XBUTTONDBLCLK:
      buttons = MOUSEEVENTF_XDOWN;
      data = extra ? extra : XBUTTON1;
      break;
    case kMsgXButtonUp:
      buttons = MOUSEEVENTF_XUP;
      data = extra ? extra : XBUTTON1;
      break;
    default:
      return false;
  }
  input.type = INPUT_MOUSE;
  input.mi.dx = AbsoluteCoordinate(static_cast<int32_t>(event.paramL), screen.left,
                                   screen.right - screen.left);
  input.mi.dy = AbsoluteCoordinate(static_cast<int32_t>(event.paramH), screen.top,
                                   screen.bottom - screen.top);
  input.mi.mouseData = data;
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons;
  return true;
}

namespace {

using TRecorderHookProc = intptr_t (TRecorder::*)(int, uintptr_t, intptr_t);

// Hook procedures stay short: the low-level ones are removed by the system when they are slow.
LRESULT CallRecorder(TRecorderHookProc proc, int code, WPARAM wParam, LPARAM lParam) noexcept {
  LRESULT result = 0;
  bool answered = false;
  // While its error waits for its box, the hook passes the call on instead.
  GuardedHookCall({&GlobalRecorder}, [&] {
    if (GlobalRecorder) {
      result = (GlobalRecorder->*proc)(code, wParam, lParam);
      answered = true;
    }
  });
  return answered ? result : CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK JournalRecordProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallRecorder(&TRecorder::RecordHookProc, code, wParam, lParam);
}

LRESULT CALLBACK JournalPlaybackProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallRecorder(&TRecorder::PlaybackHookProc, code, wParam, lParam);
}

LRESULT CALLBACK KeyboardProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallRecorder(&TRecorder::KeyboardHookProc, code, wParam, lParam);
}

LRESULT CALLBACK MouseProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  return CallRecorder(&TRecorder::MouseHookProc, code, wParam, lParam);
}

// The system posts WM_CANCELJOURNAL without a window when it removes a journal hook. A
// modal loop (a menu, a message box, a dialog, a window drag) would drop it unseen, but
// every loop's messages pass here, peeked or removed.
LRESULT CALLBACK ThreadMessageProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
  // The chain first: the recorder removes this very hook when it hears of the cancel.
  const LRESULT result = CallNextHookEx(nullptr, code, wParam, lParam);
  if (code == HC_ACTION) {
    const MSG& message = *reinterpret_cast<const MSG*>(lParam);
    if (message.message == WM_CANCELJOURNAL && message.hwnd == nullptr) {
      GuardedHookCall([] {
        if (GlobalRecorder) GlobalRecorder->JournalCancelled();
      });
    }
  }
  return result;
}

class TWin32RecorderPlatform : public IRecorderPlatform {
 public:
  THookHandle SetHook(THookKind kind) override {
    int id = WH_JOURNALRECORD;
    HOOKPROC proc = JournalRecordProc;
    switch (kind) {
      case THookKind::JournalRecord:
        break;
      case THookKind::JournalPlayback:
        id = WH_JOURNALPLAYBACK;
        proc = JournalPlaybackProc;
        break;
      case THookKind::KeyboardLowLevel:
        id = WH_KEYBOARD_LL;
        proc = KeyboardProc;
        break;
      case THookKind::MouseLowLevel:
        id = WH_MOUSE_LL;
        proc = MouseProc;
        break;
      case THookKind::ThreadMessages:
        return reinterpret_cast<THookHandle>(
            SetWindowsHookExA(WH_GETMESSAGE, ThreadMessageProc, nullptr, GetCurrentThreadId()));
    }
    HHOOK hook = SetWindowsHookExA(id, proc, GetModuleHandleA(nullptr), 0);
    if (hook) CountHandle(THandleKind::Hook, 1);
    return reinterpret_cast<THookHandle>(hook);
  }

  void Unhook(THookHandle hook) override {
    // Fails for a journal hook the system removed itself; nothing is left to do then.
    UnhookWindowsHookEx(reinterpret_cast<HHOOK>(hook));
    CountHandle(THandleKind::Hook, -1);
  }

  intptr_t CallNextHook(THookHandle hook, int code, uintptr_t wParam, intptr_t lParam) override {
    return CallNextHookEx(reinterpret_cast<HHOOK>(hook), code, wParam, lParam);
  }

  TEventMsg LoadEvent(intptr_t lParam) override {
    return EventFromEventMsg(*reinterpret_cast<const EVENTMSG*>(lParam));
  }

  void StoreEvent(intptr_t lParam, const TEventMsg& event) override {
    EventToEventMsg(event, *reinterpret_cast<EVENTMSG*>(lParam));
  }

  TLowLevelKey LoadKey(intptr_t lParam) override {
    const auto& info = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
    TLowLevelKey key;
    key.vkCode = info.vkCode;
    key.scanCode = info.scanCode;
    key.extended = (info.flags & LLKHF_EXTENDED) != 0;
    key.injected = (info.flags & LLKHF_INJECTED) != 0;
    key.time = info.time;
    return key;
  }

  TLowLevelMouse LoadMouse(intptr_t lParam) override {
    const auto& info = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
    TLowLevelMouse mouse;
    mouse.x = info.pt.x;
    mouse.y = info.pt.y;
    mouse.data = static_cast<int16_t>(HIWORD(info.mouseData));
    mouse.injected = (info.flags & LLMHF_INJECTED) != 0;
    mouse.time = info.time;
    return mouse;
  }

  void SendEvent(const TEventMsg& event) override {
    RECT screen;
    screen.left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    screen.top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    screen.right = screen.left + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    screen.bottom = screen.top + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    INPUT input;
    // Input the system refuses (a window of higher integrity has the focus) is lost, as
    // it would be with the journal.
    if (InputFromEvent(event, screen, input)) SendInput(1, &input, sizeof input);
  }

  const IClock& Clock() override { return SystemClock(); }

  std::unique_ptr<ITimer> CreateTimer() override { return std::make_unique<TTimer>(nullptr); }
};

TWin32RecorderPlatform recorderPlatform;
std::unique_ptr<TRecorder> theRecorder;

}  // namespace

void InitRecorderModule() {
  if (std::unique_ptr<TRecorder> recorder = TRecorder::Create(recorderPlatform)) {
    theRecorder = std::move(recorder);
    GlobalRecorder = theRecorder.get();
  }
}

void DoneRecorderModule() {
  GlobalRecorder = nullptr;
  theRecorder.reset();
}
