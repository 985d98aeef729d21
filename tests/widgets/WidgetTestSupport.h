// Shared by the window tests under Wine.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

// Wine makes no top-level window without a display.
inline bool HasDisplay() {
  HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (!probe) return false;
  DestroyWindow(probe);
  return true;
}

#define REQUIRE_DISPLAY() \
  if (!HasDisplay()) GTEST_SKIP() << "no display"

// Takes a quit message the application's terminate request left in the queue.
inline bool TakeQuitMessage() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}
