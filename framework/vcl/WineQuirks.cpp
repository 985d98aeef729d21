#include "WineQuirks.h"

bool RunningUnderWine() {
  static const bool wine = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  }();
  return wine;
}

void SetWindowNotTopmost(HWND window, UINT flags) {
  HWND owner = RunningUnderWine() ? GetWindow(window, GW_OWNER) : nullptr;
  if (owner) SetWindowLongPtrW(window, GWLP_HWNDPARENT, 0);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
  if (owner) SetWindowLongPtrW(window, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

unsigned ForegroundPollInterval() {
  return RunningUnderWine() ? 250 : 0;
}
