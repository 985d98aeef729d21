// Helpers for the tests that need Win32: a recording error box, message pumping, display check.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "Forms.h"

struct RecordedBox {
  std::string text, caption;
  unsigned flags;
};

// Records every message box instead of showing it (a modal box would hang the test).
class RecordingBoxes {
 public:
  RecordingBoxes() {
    Application->SetMessageBoxHook(
        [this](const std::string& text, const std::string& caption, unsigned flags) {
          boxes.push_back({text, caption, flags});
          return IDOK;
        });
  }
  ~RecordingBoxes() { Application->SetMessageBoxHook(nullptr); }

  std::vector<RecordedBox> boxes;
};

// Windows need a display (Xvfb); without one the GUI tests skip themselves.
inline bool DisplayAvailable() {
  static const bool available = [] {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window) DestroyWindow(window);
    return window != nullptr;
  }();
  return available;
}

#define SKIP_WITHOUT_DISPLAY() \
  if (!DisplayAvailable()) GTEST_SKIP() << "no display"

// Dispatches messages until done() or the time is up; returns done().
inline bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > milliseconds) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    Application->ProcessMessages();
  }
  return true;
}

inline void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

// Input as the user makes it: through the system's input queue (SendInput).
inline void SendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

// Presses and releases `key` while the modifiers are held.
inline void TypeKey(WORD key, std::initializer_list<WORD> modifiers = {}) {
  for (WORD modifier : modifiers) SendKey(modifier, false);
  SendKey(key, false);
  SendKey(key, true);
  for (auto it = std::rbegin(modifiers); it != std::rend(modifiers); ++it) SendKey(*it, true);
}

inline void SendMouseButton(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

// A click of `button` (MOUSEEVENTF_LEFTDOWN or MOUSEEVENTF_RIGHTDOWN) at a screen point,
// each button event after `pause` milliseconds (time for another process to see the move).
inline void ClickAt(POINT screen, DWORD button = MOUSEEVENTF_LEFTDOWN, DWORD pause = 0) {
  SetCursorPos(screen.x, screen.y);
  for (DWORD flags : {button, button << 1}) {  // down, then the matching ...UP flag
    if (pause) ::Sleep(pause);
    SendMouseButton(flags);
  }
}

// The centre of a window in screen coordinates.
inline POINT CentreOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}
