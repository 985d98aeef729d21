// Helpers for the tests that need Win32: a recording error box, message pumping, display check.
#pragma once

#include <gtest/gtest.h>

#include <functional>
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
