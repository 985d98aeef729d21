// The application: its hidden window, the message loop, deferred frees and the error box.
#include "Forms.h"

#include <algorithm>

#include "AppTitle.h"
#include "Handles.h"
#include "MessageWindow.h"
#include "Modules.h"
#include "Paths.h"
#include "WideText.h"
#include "Win32Platform.h"
#include "WineQuirks.h"

namespace {

const wchar_t kApplicationClass[] = L"QvApplication";
// Shows the errors raised inside hooks once the hook has returned.
constexpr UINT kShowWaitingErrors = WM_APP + 0x3F0;
constexpr UINT kReleaseControls = WM_APP + 0x3F1;

}  // namespace

bool TApplication::HandleWindowMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  if (AnswerLiveHandleQuery(message, wParam, result)) return true;
  switch (message) {
    case kShowWaitingErrors:
      errors_.ShowPending();
      return true;
    case kReleaseControls:
      // Not from a loop nested inside a handler (a message box): the handler may still use
      // the object. LeaveCallback asks again once the outermost handler has returned.
      if (callbackDepth_ == 1) ReleasePending();
      return true;
    case WM_CLOSE:
      if (mainForm_) mainForm_->Close();
      return true;
  }
  return false;
}

TApplication* Application = new TApplication(nullptr);

void ShutdownApplication() noexcept {
  if (!Application) return;
  try {
    Application->Destroying();
    Application->DestroyComponents();
  } catch (...) {
    // The program is ending: there is nothing left to report to.
  }
  Application->pendingRelease_.clear();
  RunFinalization();
  Application->window_.reset();
  delete Application;
  Application = nullptr;
}

TPath ExeName() {
  std::string path(MAX_PATH, '\0');
  for (;;) {
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

TPath ApplicationFolder() {
  return ExecutableFolderPath() + "\\";
}

TApplication::TApplication(TComponent* AOwner)
    : TComponent(AOwner), errors_([this](const TErrorText& message) {
        ShowMessageBox(ErrorToWide(ErrorBoxText(message)), Title(), MB_ICONERROR | MB_OK);
      }) {
  std::string path = ExeName().Bytes();
  OemToCharA(path.data(), path.data());
  // The file's name becomes text: through the wide calls, as the title is shown.
  title_ = DefaultTitle(FromWide(PathToWide(path)), Win32Platform());
  errors_.OnDeferred = [this] { PostMessageW(Handle(), kShowWaitingErrors, 0, 0); };
  // A window's paint skipped while its box was open is still owed.
  errors_.OnReleased = [](const TErrorSource& source) {
    HWND window = static_cast<HWND>(const_cast<void*>(source.Object));
    if (source.Detail == WM_PAINT && IsWindow(window)) InvalidateRect(window, nullptr, TRUE);
  };
}

TApplication::~TApplication() {
  Destroying();
  DestroyComponents();
}

void TApplication::Initialize() {
  SetPlatform(Win32Platform());
  Handle();
}

HWND TApplication::Handle() {
  if (!window_) {
    auto options = TMessageWindow::TopLevel(WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU |
                                            WS_MINIMIZEBOX);
    options.Caption = ToWide(title_);
    options.X = GetSystemMetrics(SM_CXSCREEN) / 2;
    options.Y = GetSystemMetrics(SM_CYSCREEN) / 2;
    window_ = std::make_unique<TMessageWindow>(
        kApplicationClass,
        [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
          return HandleWindowMessage(message, wParam, lParam, result);
        },
        options);
  }
  return window_->Handle();
}

std::string TApplication::Title() {
  if (!window_) return title_;
  wchar_t text[256] = {};
  int n = GetWindowTextW(window_->Handle(), text, 256);
  return FromWide(std::wstring_view(text, static_cast<size_t>(n > 0 ? n : 0)));
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (window_) SetWindowTextAnsi(window_->Handle(), title_);
}

void TApplication::ReleaseLater(TControl* control) {
  if (!control) return;
  if (std::find(pendingRelease_.begin(), pendingRelease_.end(), control) == pendingRelease_.end())
    pendingRelease_.push_back(control);
  PostMessageW(Handle(), kReleaseControls, 0, 0);
}

void TApplication::CancelRelease(TControl* control) {
  pendingRelease_.erase(std::remove(pendingRelease_.begin(), pendingRelease_.end(), control),
                        pendingRelease_.end());
}

void TApplication::LeaveCallback() noexcept {
  if (--callbackDepth_ == 0 && !pendingRelease_.empty() && window_)
    PostMessageW(window_->Handle(), kReleaseControls, 0, 0);
}

void TApplication::ReleasePending() {
  while (!pendingRelease_.empty()) {
    TControl* control = pendingRelease_.front();
    pendingRelease_.erase(pendingRelease_.begin());
    delete control;
  }
}

void TApplication::Run() {
  // The application's own window stays hidden: the forms it owns have no taskbar buttons,
  // and showing it only to hide it again holds Wine on a display without a window manager
  // for two seconds.
  GuardedCall([this] {
    if (mainForm_) mainForm_->Show();
  });
  MSG message{};
  while (!terminated_) {
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
      terminated_ = true;
      break;
    }
    ProcessMessage(message);
  }
}

bool TApplication::ProcessMessage(MSG& message) {
  bool handled = false;
  if (OnMessage) GuardedCall({&OnMessage}, [&] { OnMessage(message, handled); });
  if (!handled) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return handled;
}

void TApplication::ProcessMessages() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      terminated_ = true;
      break;
    }
    ProcessMessage(message);
  }
}

void TApplication::Terminate() {
  PostQuitMessage(0);
}

void TApplication::HandleException() noexcept {
  errors_.Failed({}, false);
}

void TApplication::QueueException() noexcept {
  errors_.Failed({}, true);
}

void TApplication::ShowException(const std::string& message) noexcept {
  try {
    errors_.Add({message, {}, {}});
  } catch (...) {
    return;  // nothing is left to report to
  }
  errors_.ShowPending();
}

int TApplication::ShowMessageBox(const std::string& text, const std::string& caption,
                                 unsigned flags) {
  return ShowMessageBox(ToWide(text), caption, flags);
}

int TApplication::ShowMessageBox(const std::wstring& text, const std::string& caption,
                                 unsigned flags) {
  if (messageBoxHook_) return messageBoxHook_(FromWide(text), caption, flags);
  // An owned window stays above its owner; a topmost one above the stay-on-top character
  // too, which it might otherwise be hidden behind.
  HWND owner = GetActiveWindow();
  if (!owner || !(GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_TOPMOST)) flags |= TopmostBoxFlag();
  return MessageBoxW(owner, text.c_str(), ToWide(caption).c_str(), flags);
}
