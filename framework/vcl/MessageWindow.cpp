#include "MessageWindow.h"

#include "Controls.h"
#include "Forms.h"

TMessageWindow::TMessageWindow(const wchar_t* className, THandler handler, const TOptions& options)
    : handler_(std::move(handler)) {
  RegisterWindowClass(className, WindowProc);
  window_.reset(CreateWindowExW(0, className, options.Caption.c_str(), options.Style, options.X,
                                options.Y, 0, 0, options.MessageOnly ? HWND_MESSAGE : nullptr,
                                nullptr, GetModuleHandleW(nullptr), this));
  if (!window_) throw Exception("Error creating window");
}

TMessageWindow::~TMessageWindow() {
  // What the handler uses may be gone already: destruction's own messages go to the system.
  handler_ = nullptr;
}

LRESULT CALLBACK TMessageWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) noexcept {
  if (message == WM_NCCREATE)
    SetWindowLongPtrW(
        window, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  auto* self = reinterpret_cast<TMessageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (!self || !self->handler_) return DefWindowProcW(window, message, wParam, lParam);
  // A copy: the handler may free this object (a timer freed in its own tick).
  const THandler handler = self->handler_;
  LRESULT result = 0;
  bool taken = false;
  // A failed handler's message counts as handled.
  if (GuardedCall(TErrorSource{}, [&] { taken = handler(message, wParam, lParam, result); }) !=
      TCallResult::Done)
    return 0;
  return taken ? result : DefWindowProcW(window, message, wParam, lParam);
}
