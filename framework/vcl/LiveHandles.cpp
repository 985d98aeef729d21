// The answer to the registered message "QvLiveHandles", sent by a test from outside to the
// application window: WPARAM names a THandleKind (what the framework holds) or a TSystemCount
// (what the system reports); the result is the count, -1 when it is not known.
#include <windows.h>

#include "Handles.h"
#include "WineQuirks.h"

namespace {

bool Ours(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  if (Ours(window)) {
    ++*reinterpret_cast<long*>(count);
    EnumChildWindows(window, CountChild, count);
  }
  return TRUE;
}

// This process's windows with all their descendants, the message-only ones included.
long ProcessWindows() {
  long count = 0;
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  for (HWND window = nullptr; (window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr));)
    CountTopLevel(window, reinterpret_cast<LPARAM>(&count));
  return count;
}

long GuiResources(DWORD which) {
  const DWORD count = GetGuiResources(GetCurrentProcess(), which);
  if (count) return static_cast<long>(count);
  return which == GR_GDIOBJECTS && RunningUnderWine() ? WineGdiObjectCount() : -1;
}

}  // namespace

bool AnswerLiveHandleQuery(UINT message, WPARAM what, LRESULT& answer) noexcept {
  static const UINT query = RegisterWindowMessageW(L"QvLiveHandles");
  if (message != query || !query) return false;
  if (what < static_cast<WPARAM>(THandleKind::Count))
    answer = LiveHandleCounts[what].load(std::memory_order_relaxed);
  else if (what == static_cast<WPARAM>(TSystemCount::GdiObjects))
    answer = GuiResources(GR_GDIOBJECTS);
  else if (what == static_cast<WPARAM>(TSystemCount::UserObjects))
    answer = GuiResources(GR_USEROBJECTS);
  else if (what == static_cast<WPARAM>(TSystemCount::Windows))
    answer = ProcessWindows();
  else
    answer = -1;
  return true;
}
