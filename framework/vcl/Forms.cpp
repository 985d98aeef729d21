#include "Forms.h"

#include <algorithm>
#include <vector>

#include "Handles.h"
#include "StdCtrls.h"
#include "WideText.h"
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
  params.WndParent = Application->window_ ? Application->window_->Handle() : nullptr;
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
  CanvasDC painting(canvas_, dc);
  canvas_.Font()->Assign(Font());
  canvas_.Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}

LRESULT TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      return OnActivate(wParam, lParam);
    case WM_ACTIVATEAPP:
      if (Application->OnActivateApp) Application->OnActivateApp(wParam != 0);
      break;
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

template <class Predicate>
TButton* FindButton(TWinControl* parent, Predicate wanted) {
  for (TWinControl* control : parent->TabOrderList())
    if (auto* button = dynamic_cast<TButton*>(control);
        button && wanted(*button) && button->CanFocus())
      return button;
  return nullptr;
}

}  // namespace

TWinControl* TForm::FindNextControl(TWinControl* current, bool forward) {
  std::vector<TWinControl*> list = TabOrderList();
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
