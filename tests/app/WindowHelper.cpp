// A window of another program for the character to meet, brought to the front until it is
// closed: "fullscreen" covers the whole screen without a caption, as a video or a game does;
// "maximised" is a captioned window maximised.
#include <windows.h>

#include <cstring>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command, int) {
  const bool maximised = std::strstr(command, "maximised") != nullptr;
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = L"QvHelper";
  RegisterClassW(&windowClass);
  HWND window =
      CreateWindowExW(0, L"QvHelper", L"QvHelper", maximised ? WS_OVERLAPPEDWINDOW : WS_POPUP, 0, 0,
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                      nullptr, instance, nullptr);
  ShowWindow(window, maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
  SetForegroundWindow(window);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
