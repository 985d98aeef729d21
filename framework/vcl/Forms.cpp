#include "Forms.h"

#include <algorithm>
#include <vector>

#include "AppTitle.h"
#include "Handles.h"
#include "Modules.h"
#include "Paths.h"
#include "StdCtrls.h"
#include "WideText.h"
#include "Win32Platform.h"
#include "WineQuirks.h"

void SetWindowTopmost(HWND window, bool topmost, UINT flags) {
  if (topmost)
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, flags);
  else
    SetWindowNotTopmost(window, flags);
}

std::vector<DeskMonitor> DisplayMonitors() {
  std::vector<DeskMonitor> monitors;
  const MONITORENUMPROC add = [](HMONITOR monitor, HDC, RECT*, LPARAM list) -> BOOL {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
      reinterpret_cast<std::vector<DeskMonitor>*>(list)->push_back(
          {ToDeskRect(info.rcMonitor), ToDeskRect(info.rcWork),
           (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
  };
  EnumDisplayMonitors(nullptr, nullptr, add, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

// TForm

namespace {

void SendIcon(HWND window, HICON icon) {
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

}  // namespace

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  TWinControl::SetVisible(false);
  SetBounds(0, 0, 320, 240);
  icon_.OnChange = [this](TObject*) {
    if (HandleAllocated()) SendIcon(Handle(), icon_.Handle());
  };
}

TForm::~TForm() {
  if (Application && Application->mainForm_ == this) Application->mainForm_ = nullptr;
}

namespace {

// Components in creation order, then what each of them owns.
void RunLoaded(TComponent* owner) {
  std::vector<TComponent*> components;
  for (int i = 0; i < owner->ComponentCount(); ++i) components.push_back(owner->Components(i));
  auto stillOwned = [owner](TComponent* c) {
    for (int i = 0; i < owner->ComponentCount(); ++i)
      if (owner->Components(i) == c) return true;
    return false;
  };
  for (TComponent* c : components)
    if (stillOwned(c) && c->IsLoading()) GuardedCall([c] { c->Loaded(); });
  for (TComponent* c : components)
    if (stillOwned(c)) RunLoaded(c);
}

}  // namespace

void TForm::Load() {
  BeginLoading();
  GuardedCall([this] { CreateComponents(); });
  GuardedCall([this] { ReadProperties(); });
  RunLoaded(this);
  GuardedCall([this] { Loaded(); });
  GuardedCall([this] { DoCreate(); });
  GuardedCall([this] { HandleNeeded(); });
}

void TForm::DoCreate() {
  if (OnCreate) OnCreate(this);
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  int clientWidth = ClientWidth(), clientHeight = ClientHeight();
  bool hadHandle = HandleAllocated();
  DestroyHandle();
  borderStyle_ = style;
  SetClientWidth(clientWidth);
  SetClientHeight(clientHeight);
  if (hadHandle) HandleNeeded();
}

void TForm::SetFormStyle(TFormStyle style) {
  if (style == formStyle_) return;
  formStyle_ = style;
  if (HandleAllocated()) SetWindowTopmost(Handle(), style == fsStayOnTop);
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  if (Parent()) return;
  params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.ExStyle = 0;
  switch (borderStyle_) {
    case bsNone:
      params.Style |= WS_POPUP;
      break;
    case bsSingle:
      params.Style |= WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_BORDER;
      break;
    case bsSizeable:
      params.Style |= WS_OVERLAPPEDWINDOW;
      break;
    case bsDialog:
      params.Style |= WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
      params.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
    case bsToolWindow:
      params.Style |= WS_CAPTION | WS_SYSMENU;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
    case bsSizeToolWin:
      params.Style |= WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
      params.ExStyle |= WS_EX_TOOLWINDOW;
      break;
  }
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (formStyle_ == fsStayOnTop) params.ExStyle |= WS_EX_TOPMOST;
  // Owned by the application window, so the form has no taskbar button of its own.
  params.WndParent = Application->handle_.get();
}

void TForm::CreateWnd() {
  if (!Parent()) Application->Handle();
  TWinControl::CreateWnd();
  if (!icon_.Empty()) SendIcon(Handle(), icon_.Handle());
}

void TForm::Centre() {
  const DeskPoint at = StartPosition(DisplayMonitors(), Width(), Height(),
                                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  SetBounds(at.x, at.y, Width(), Height());
}

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  if (visible) {
    if (!shownOnce_ && position_ == poDesktopCenter) Centre();
    shownOnce_ = true;
    // An error in OnShow is shown and ends OnShow; the window is shown all the same.
    GuardedCall([this] { DoShow(); });
    TWinControl::SetVisible(true);
    HandleNeeded();
  } else {
    TWinControl::SetVisible(false);
  }
}

void TForm::Show() {
  SetVisible(true);
  BringWindowToTop(Handle());
}

void TForm::Close() {
  if (Application->MainForm() == this) Application->Terminate();
  Hide();
}

void TForm::PaintWindow(HDC dc) {
  canvas_.SetHandle(dc);
  try {
    canvas_.Font()->Assign(Font());
    canvas_.Brush()->SetColor(Color());
    if (OnPaint) OnPaint(this);
  } catch (...) {
    canvas_.SetHandle(nullptr);
    throw;
  }
  canvas_.SetHandle(nullptr);
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      return OnActivate(wParam, lParam);
    case WM_DPICHANGED:
      if (!followDpi_) break;
      dpiLayout_.Apply(LOWORD(wParam), dpiRule_);
      DpiChanged();
      if (const auto* suggested = reinterpret_cast<const RECT*>(lParam))
        SetBounds(suggested->left, suggested->top, Width(), Height());
      return 0;
  }
  return TWinControl::HandleMessage(message, wParam, lParam);
}

void TForm::FollowDpi(TDpiRule rule) {
  dpiRule_ = rule;
  if (!followDpi_) dpiLayout_.Capture(this);
  followDpi_ = true;
  dpiLayout_.Apply(WindowDpi(Handle()), rule);
}

LRESULT TForm::OnActivate(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE || HIWORD(wParam) != 0)
    return DefaultHandler(WM_ACTIVATE, wParam, lParam);
  // The focus goes back to the control that had it, or to the first in tab order.
  TWinControl* control = activeControl_;
  if (!control || !control->CanFocus()) control = FindNextControl(nullptr, true);
  if (!control) return DefaultHandler(WM_ACTIVATE, wParam, lParam);
  control->SetFocus();
  return 0;
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == this) control = nullptr;
  activeControl_ = control;
  if (control && HandleAllocated() && Visible() && control->CanFocus() &&
      GetActiveWindow() == Handle())
    ::SetFocus(control->Handle());
}

void TForm::FocusChanged(TWinControl* control) {
  if (control != this) activeControl_ = control;
}

void TForm::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == activeControl_) activeControl_ = nullptr;
  TWinControl::Notification(AComponent, Operation);
}

namespace {

// Windowed descendants in tab order, each before its own children.
void CollectTabOrder(TWinControl* parent, std::vector<TWinControl*>& list) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    if (auto* child = dynamic_cast<TWinControl*>(parent->Controls(i))) {
      list.push_back(child);
      CollectTabOrder(child, list);
    }
  }
}

template <class Predicate>
TButton* FindButton(TWinControl* parent, Predicate wanted) {
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* child = dynamic_cast<TWinControl*>(parent->Controls(i));
    if (!child) continue;
    if (auto* button = dynamic_cast<TButton*>(child);
        button && wanted(*button) && button->CanFocus())
      return button;
    if (TButton* inner = FindButton(child, wanted)) return inner;
  }
  return nullptr;
}

}  // namespace

TWinControl* TForm::FindNextControl(TWinControl* current, bool forward) {
  std::vector<TWinControl*> list;
  CollectTabOrder(this, list);
  if (list.empty()) return nullptr;
  if (!forward) std::reverse(list.begin(), list.end());
  auto at = std::find(list.begin(), list.end(), current);
  const size_t start = at == list.end() ? 0 : static_cast<size_t>(at - list.begin()) + 1;
  for (size_t n = 0; n < list.size(); ++n) {
    TWinControl* candidate = list[(start + n) % list.size()];
    if (candidate != current && candidate->TabStop() && candidate->CanFocus()) return candidate;
  }
  return nullptr;
}

void TForm::SelectNext(TWinControl* current, bool forward) {
  if (TWinControl* next = FindNextControl(current, forward)) next->SetFocus();
}

bool TForm::DialogKey(WORD key, TShiftState shift) {
  switch (key) {
    case VK_TAB:
      if (shift & (ssCtrl | ssAlt)) return false;
      SelectNext(activeControl_, (shift & ssShift) == 0);
      return true;
    case VK_RETURN:
      if (TButton* button = FindButton(this, [](TButton& b) { return b.Default(); })) {
        button->Click();
        return true;
      }
      return false;
    case VK_ESCAPE:
      if (TButton* button = FindButton(this, [](TButton& b) { return b.Cancel(); })) {
        button->Click();
        return true;
      }
      return false;
  }
  return false;
}

// TApplication

namespace {

const wchar_t kApplicationClass[] = L"QvApplication";
// Shows the errors raised inside hooks once the hook has returned.
constexpr UINT kShowWaitingErrors = WM_APP + 0x3F0;
constexpr UINT kReleaseControls = WM_APP + 0x3F1;

}  // namespace

LRESULT CALLBACK ApplicationWindowProc(HWND window, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
  if (LRESULT answer = 0; AnswerLiveHandleQuery(message, wParam, answer)) return answer;
  switch (message) {
    case kShowWaitingErrors:
      Application->errors_.ShowPending();
      return 0;
    case kReleaseControls:
      GuardedCall([] { Application->ReleasePending(); });
      return 0;
    case WM_CLOSE:
      GuardedCall([] {
        if (Application->MainForm()) Application->MainForm()->Close();
      });
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
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
  Application->handle_.reset();
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
  if (!handle_) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(kApplicationClass, ApplicationWindowProc);
    handle_.reset(
        CreateWindowExW(0, kApplicationClass, ToWide(title_).c_str(),
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                        GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                        nullptr, nullptr, instance, nullptr));
    if (!handle_) throw Exception("Error creating window");
  }
  return handle_.get();
}

std::string TApplication::Title() {
  if (!handle_) return title_;
  wchar_t text[256] = {};
  int n = GetWindowTextW(handle_.get(), text, 256);
  return FromWide(std::wstring_view(text, static_cast<size_t>(n > 0 ? n : 0)));
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  if (handle_) SetWindowTextAnsi(handle_.get(), title_);
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
