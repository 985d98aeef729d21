// TMessageWindow: a hidden window that hands its messages to one function, for the parts of
// the framework that need a window only to be told things (timers, the tray icon, menu
// tracking, the application).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "Handles.h"

class TMessageWindow {
 public:
  // True with `result` set when the message was taken; the others go to DefWindowProc.
  using THandler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

  struct TOptions {
    // A message-only window misses broadcasts ("TaskbarCreated"); a hidden top-level one
    // (WS_POPUP and the like) hears them.
    bool MessageOnly = true;
    DWORD Style = 0;
    std::wstring Caption;
    int X = 0, Y = 0;
  };
  static TOptions TopLevel(DWORD style) {
    TOptions options;
    options.MessageOnly = false;
    options.Style = style;
    return options;
  }

  TMessageWindow(const wchar_t* className, THandler handler, const TOptions& options);
  TMessageWindow(const wchar_t* className, THandler handler)
      : TMessageWindow(className, std::move(handler), TOptions{}) {}
  ~TMessageWindow();
  TMessageWindow(const TMessageWindow&) = delete;
  TMessageWindow& operator=(const TMessageWindow&) = delete;

  HWND Handle() const { return window_.get(); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

  THandler handler_;
  WindowHandle window_;
};
