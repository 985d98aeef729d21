// The window-owning control: its window's life, its bounds and its children.
#include "Controls.h"

#include <algorithm>
#include <utility>

#include "Forms.h"
#include "Handles.h"
#include "WideText.h"

// TWinControl

namespace {

const wchar_t kWindowClass[] = L"QvWindow";
// The object of a framework window: found by property, so that another module's subclass
// (which replaces the window procedure) does not hide it.
const wchar_t kControlProperty[] = L"QvControl";

void Bind(HWND window, TWinControl* control) noexcept {
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
  if (control)
    SetPropW(window, kControlProperty, control);
  else
    RemovePropW(window, kControlProperty);
}

// A control's window, counted with the framework's live handles while the control holds it.
void HoldWindow(HWND& held, HWND window) noexcept {
  if (!held != !window) CountHandle(THandleKind::Window, window ? 1 : -1);
  held = window;
}

}  // namespace

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  Destroying();
  // Components are freed while this is still a window, so their destructors may use it.
  DestroyComponents();
  for (TControl* control : controls_) control->parent_ = nullptr;
  controls_.clear();
  if (handle_) {
    // No more messages for a half-destroyed object.
    if (defaultProc_)
      SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
    Bind(handle_, nullptr);
    DestroyWindow(handle_);
    HoldWindow(handle_, nullptr);
  }
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (!window) return nullptr;
  return static_cast<TWinControl*>(GetPropW(window, kControlProperty));
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (parent_) parent_->HandleNeeded();
    if (!handle_) CreateWnd();
  }
  return handle_;
}

std::string TWinControl::GetText() const {
  return handle_ ? WindowText(handle_) : text_;
}

void TWinControl::SetText(const std::string& text) {
  text_ = text;
  if (handle_) SetWindowTextAnsi(handle_, text);
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = text_;
  params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  params.X = left_;
  params.Y = top_;
  params.Width = width_;
  params.Height = height_;
  params.WndParent = parent_ ? parent_->handle_ : nullptr;
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // A child's id is its menu parameter; it is what WM_COMMAND and WM_DRAWITEM name.
  HMENU id = nullptr;
  if (params.Style & WS_CHILD) {
    if (childId_ == 0 && parent_) childId_ = parent_->nextChildId_++;
    id = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(childId_));
  }
  std::wstring caption = ToWide(params.Caption);
  // A child may send its parent WM_MEASUREITEM before CreateWindowEx returns.
  TWinControl* const parent = parent_;
  if (parent) parent->creatingChild_ = this;
  if (params.SystemClass.empty()) {
    RegisterWindowClass(kWindowClass, WindowProc, CS_DBLCLKS,
                        LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)));  // IDC_ARROW
    CreateWindowExW(params.ExStyle, kWindowClass, caption.c_str(), params.Style, params.X, params.Y,
                    params.Width, params.Height, params.WndParent, id, instance, this);
  } else {
    HWND window = CreateWindowExW(params.ExStyle, params.SystemClass.c_str(), caption.c_str(),
                                  params.Style, params.X, params.Y, params.Width, params.Height,
                                  params.WndParent, id, instance, nullptr);
    if (window) {
      HoldWindow(handle_, window);
      Bind(window, this);
      defaultProc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    }
  }
  if (parent) parent->creatingChild_ = nullptr;
  if (!handle_) throw Exception("Error creating window");
  // What the window had before it was made anew.
  if (keptRegion_ && SetWindowRgn(handle_, keptRegion_.get(), TRUE))
    (void)keptRegion_.release();  // the system owns it now
  keptRegion_.reset();
  if (std::exchange(keptTopmost_, false))
    SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (Showing()) CreateChildHandles();
}

void TWinControl::CreateChildHandles() {
  // A copy: making a window may run handlers that add or remove controls.
  std::vector<TControl*> controls = controls_;
  for (TControl* control : controls)
    if (auto* window = dynamic_cast<TWinControl*>(control); window && window->Visible())
      window->HandleNeeded();
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  RegionHandle region(CreateRectRgn(0, 0, 0, 0));
  if (GetWindowRgn(handle_, region.get()) != ERROR) keptRegion_ = std::move(region);
  keptTopmost_ = !parent_ && (GetWindowLongPtrW(handle_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  text_ = WindowText(handle_);
  DestroyWindow(handle_);
  HoldWindow(handle_, nullptr);
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  DestroyHandle();
  HandleNeeded();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) throw EListError(index);
  return controls_[static_cast<size_t>(index)];
}

TControl* TWinControl::ControlAtPos(int x, int y) const {
  POINT point{x, y};
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* control = *it;
    if (dynamic_cast<TWinControl*>(control) || !control->Visible() || !control->Enabled()) continue;
    RECT rect = control->BoundsRect();
    if (PtInRect(&rect, point)) return control;
  }
  return nullptr;
}

int TWinControl::ClientWidth() const {
  return CurrentClientRect().right;
}

int TWinControl::ClientHeight() const {
  return CurrentClientRect().bottom;
}

// The window's client area, or without a window what its frame would leave of the bounds.
RECT TWinControl::CurrentClientRect() const {
  RECT rect{};
  if (handle_) {
    GetClientRect(handle_, &rect);
    return rect;
  }
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  RECT frame{};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  rect.right = std::max(0, width_ - static_cast<int>(frame.right - frame.left));
  rect.bottom = std::max(0, height_ - static_cast<int>(frame.bottom - frame.top));
  return rect;
}

void TWinControl::SetClientWidth(int width) {
  SetWidth(width + (width_ - ClientWidth()));
}

void TWinControl::SetClientHeight(int height) {
  SetHeight(height + (height_ - ClientHeight()));
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  // The window may have been moved by the user or another program meanwhile.
  if (handle_ && !settingBounds_) UpdateBoundsFromWindow();
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  if (handle_ && !settingBounds_) {
    settingBounds_ = true;
    SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    settingBounds_ = false;
  }
  BoundsChanged();
}

void TWinControl::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  if (!handle_) {
    // A child that was hidden while its parent showed has no window yet.
    if (visible && parent_ && parent_->handle_ && parent_->Showing()) HandleNeeded();
    return;
  }
  if (visible && Showing()) CreateChildHandles();
  ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
  if (enabled == Enabled()) return;
  TControl::SetEnabled(enabled);
  if (handle_) EnableWindow(handle_, enabled);
}

void TWinControl::Invalidate() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void TWinControl::Repaint() {
  if (!handle_) return;
  Invalidate();
  UpdateWindow(handle_);
}

void TWinControl::BoundsChanged() {
  AlignControls();
}

void TWinControl::ColorChanged() {
  Invalidate();
  for (TControl* control : controls_) control->ParentColorChanged();
}

void TWinControl::FontChanged() {
  // The font object keeps the old handle alive until this returns.
  if (handle_ && defaultProc_)
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
  Invalidate();
  for (TControl* control : controls_) control->ParentFontChanged();
}

void TWinControl::AlignControls() {
  int width = ClientWidth(), height = ClientHeight();
  for (TControl* control : controls_)
    if (control->Align() == alClient) control->SetBounds(0, 0, width, height);
}

void TWinControl::InsertControl(TControl* control) {
  controls_.push_back(control);
  control->parent_ = this;
  if (control->Align() == alClient) AlignControls();
  control->Invalidate();
  if (auto* window = dynamic_cast<TWinControl*>(control);
      window && handle_ && Showing() && window->Visible())
    window->HandleNeeded();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  control->Invalidate();
  controls_.erase(it);
  if (captureControl_ == control) captureControl_ = nullptr;
  control->parent_ = nullptr;
}

// Messages

LRESULT CALLBACK TWinControl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
  TWinControl* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      HoldWindow(self->handle_, window);
      Bind(window, self);
    }
  } else {
    self = reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  // The last message unties the object, so it always runs.
  const TErrorSource source{message == WM_NCDESTROY ? nullptr : window, message};
  LRESULT result = 0;
  switch (GuardedCall(source, [&] { result = self->HandleMessage(message, wParam, lParam); })) {
    case TCallResult::Done:
      return result;
    case TCallResult::Skipped:  // its error box is open: the system's handling (a paint validated)
      return self->DefaultHandler(message, wParam, lParam);
    case TCallResult::Failed:
      break;
  }
  // Creation goes on after a failed handler, as the window must still be made.
  return message == WM_NCCREATE ? TRUE : 0;
}

LRESULT TWinControl::OnWindowPosChanged(const WINDOWPOS& pos) {
  if (!settingBounds_) UpdateBoundsFromWindow();
  AlignControls();
  return DefaultHandler(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
}

void TWinControl::UpdateBoundsFromWindow() {
  if (IsIconic(handle_)) return;
  RECT rect{};
  GetWindowRect(handle_, &rect);
  if (parent_ && parent_->handle_)
    MapWindowPoints(nullptr, parent_->handle_, reinterpret_cast<POINT*>(&rect), 2);
  left_ = rect.left;
  top_ = rect.top;
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
}

LRESULT TWinControl::OnNcDestroy() {
  // A child destroyed with its parent's window keeps its text for the window made anew.
  text_ = WindowText(handle_);
  LRESULT result = DefaultHandler(WM_NCDESTROY, 0, 0);
  Bind(handle_, nullptr);
  if (defaultProc_)
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
  defaultProc_ = nullptr;
  HoldWindow(handle_, nullptr);
  captureControl_ = nullptr;
  return result;
}
