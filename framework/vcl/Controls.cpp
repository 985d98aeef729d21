#include "Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "Forms.h"
#include "Handles.h"

namespace {

const char kWindowClass[] = "QvWindow";

TShiftState ShiftFromKeys(WPARAM keys) {
  TShiftState shift = 0;
  if (keys & MK_SHIFT) shift |= ssShift;
  if (keys & MK_CONTROL) shift |= ssCtrl;
  if (keys & MK_LBUTTON) shift |= ssLeft;
  if (keys & MK_RBUTTON) shift |= ssRight;
  if (keys & MK_MBUTTON) shift |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

}  // namespace

void RegisterWindowClass(const char* name, WNDPROC procedure, UINT style, HCURSOR cursor) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExA(instance, name, &wc)) return;
  wc.style = style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
}

HCURSOR CursorHandle(TCursor cursor) {
  int id = 0;
  switch (cursor) {
    case crArrow:
      id = 32512;
      break;
    case crIBeam:
      id = 32513;
      break;
    case crHourGlass:
      id = 32514;
      break;
    case crCross:
      id = 32515;
      break;
    case crHandPoint:
      id = 32649;
      break;
    default:
      return nullptr;
  }
  return LoadCursorA(nullptr, MAKEINTRESOURCEA(id));  // shared, not owned
}

// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  font_.OnChange = [this](TObject*) {
    if (!followingParent_) parentFont_ = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_ || parent == this) return;
  if (parent_) parent_->RemoveControl(this);
  if (!parent) return;
  parent->InsertControl(this);
  ParentColorChanged();
  ParentFontChanged();
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  Invalidate();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged();
  Invalidate();
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Invalidate();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Invalidate();
}

void TControl::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (!followingParent_) parentColor_ = false;
  ColorChanged();
}

void TControl::SetParentColor(bool parentColor) {
  if (parentColor == parentColor_) return;
  parentColor_ = parentColor;
  ParentColorChanged();
}

void TControl::SetParentFont(bool parentFont) {
  if (parentFont == parentFont_) return;
  parentFont_ = parentFont;
  ParentFontChanged();
}

void TControl::ParentColorChanged() {
  if (!parentColor_ || !parent_) return;
  followingParent_ = true;
  SetColor(parent_->Color());
  followingParent_ = false;
}

void TControl::ParentFontChanged() {
  if (!parentFont_ || !parent_) return;
  followingParent_ = true;
  font_.Assign(parent_->Font());
  followingParent_ = false;
}

void TControl::Invalidate() {
  if (!parent_ || !parent_->HandleAllocated()) return;
  RECT rect = BoundsRect();
  InvalidateRect(parent_->handle_, &rect, (controlStyle_ & csOpaque) ? FALSE : TRUE);
}

void TControl::Repaint() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  if (!(controlStyle_ & csOpaque)) {
    Invalidate();
    parent_->Update();
    return;
  }
  WindowDC dc(parent_->handle_);
  SavedDC saved(dc.dc());
  IntersectClipRect(dc.dc(), left_, top_, left_ + width_, top_ + height_);
  parent_->PaintControls(dc.dc(), this);
}

void TControl::Update() {
  if (auto* window = dynamic_cast<TWinControl*>(this)) {
    if (window->HandleAllocated()) UpdateWindow(window->handle_);
  } else if (parent_) {
    parent_->Update();
  }
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState, int, int) {}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

void TGraphicControl::PaintTo(HDC dc) {
  canvas_.SetHandle(dc);
  try {
    canvas_.Font()->Assign(Font());
    canvas_.Brush()->SetColor(Color());
    Paint();
  } catch (...) {
    canvas_.SetHandle(nullptr);
    throw;
  }
  canvas_.SetHandle(nullptr);
}

// TWinControl

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
      SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
    SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
    handle_ = nullptr;
  }
}

HWND TWinControl::Handle() {
  if (!handle_) {
    if (parent_) parent_->HandleNeeded();
    if (!handle_) CreateWnd();
  }
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& params) {
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
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (params.SystemClass.empty()) {
    RegisterWindowClass(kWindowClass, WindowProc, CS_DBLCLKS,
                        LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));  // IDC_ARROW
    CreateWindowExA(params.ExStyle, kWindowClass, params.Caption.c_str(), params.Style, params.X,
                    params.Y, params.Width, params.Height, params.WndParent, nullptr, instance,
                    this);
  } else {
    HWND window = CreateWindowExA(
        params.ExStyle, params.SystemClass.c_str(), params.Caption.c_str(), params.Style, params.X,
        params.Y, params.Width, params.Height, params.WndParent, nullptr, instance, nullptr);
    if (window) {
      handle_ = window;
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      defaultProc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
      SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    }
  }
  if (!handle_) throw Exception("Error creating window");
  for (TControl* control : controls_)
    if (auto* window = dynamic_cast<TWinControl*>(control)) window->HandleNeeded();
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  DestroyWindow(handle_);
  handle_ = nullptr;
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
  if (handle_) {
    RECT rect{};
    GetClientRect(handle_, &rect);
    return rect.right;
  }
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  RECT frame{};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return std::max(0, width_ - static_cast<int>(frame.right - frame.left));
}

int TWinControl::ClientHeight() const {
  if (handle_) {
    RECT rect{};
    GetClientRect(handle_, &rect);
    return rect.bottom;
  }
  TCreateParams params;
  const_cast<TWinControl*>(this)->CreateParams(params);
  RECT frame{};
  AdjustWindowRectEx(&frame, params.Style, FALSE, params.ExStyle);
  return std::max(0, height_ - static_cast<int>(frame.bottom - frame.top));
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
  if (handle_) ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
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
  if (handle_ && defaultProc_)
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), TRUE);
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
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  control->Invalidate();
  controls_.erase(it);
  if (captureControl_ == control) captureControl_ = nullptr;
  control->parent_ = nullptr;
}

// Painting

void TWinControl::PaintContent(HDC dc, const TRect& rect) {
  SavedDC saved(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  PaintWindow(dc);
  PaintControls(dc, nullptr);
}

void TWinControl::PaintBackground(HDC dc) {
  SavedDC saved(dc);
  // Opaque children paint every pixel of their own.
  for (TControl* control : controls_) {
    if (!dynamic_cast<TWinControl*>(control) && control->Visible() &&
        (control->ControlStyle() & csOpaque)) {
      RECT r = control->BoundsRect();
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
  RECT client = ClientRect();
  BrushHandle brush(CreateSolidBrush(ColorToRGB(Color())));
  FillRect(dc, &client, brush.get());
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto start = controls_.begin();
  if (first) start = std::find(controls_.begin(), controls_.end(), first);
  // A copy: painting may add or remove controls.
  std::vector<TControl*> controls(start, controls_.end());
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  for (TControl* control : controls) {
    auto* graphic = dynamic_cast<TGraphicControl*>(control);
    if (!graphic || !graphic->Visible()) continue;
    RECT rect = graphic->BoundsRect();
    if (!RectVisible(dc, &rect)) continue;
    SavedDC saved(dc);
    SetViewportOrgEx(dc, origin.x + rect.left, origin.y + rect.top, nullptr);
    IntersectClipRect(dc, 0, 0, graphic->Width(), graphic->Height());
    graphic->PaintTo(dc);
  }
}

// Messages

LRESULT CALLBACK TWinControl::WindowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) noexcept {
  TWinControl* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    if (self) {
      self->handle_ = window;
      SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<TWinControl*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(window, message, wParam, lParam);
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    Application->HandleException();
  }
  // Creation goes on after a failed handler, as the window must still be made.
  return message == WM_NCCREATE ? TRUE : 0;
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (defaultProc_) return CallWindowProcA(defaultProc_, handle_, message, wParam, lParam);
  return DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT TWinControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_PAINT:
      return OnPaint();
    case WM_PRINTCLIENT:
      return OnPrintClient(reinterpret_cast<HDC>(wParam));
    case WM_ERASEBKGND:
      return OnEraseBackground(reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
      return OnMouseButton(message, wParam, x, y);
    case WM_MOUSEMOVE:
      return OnMouseMove(wParam, x, y);
    case WM_CAPTURECHANGED:
      captureControl_ = nullptr;
      break;
    case WM_SETCURSOR:
      return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_WINDOWPOSCHANGED:
      return OnWindowPosChanged(*reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_NCDESTROY:
      return OnNcDestroy();
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::OnPaint() {
  if (defaultProc_) return DefaultHandler(WM_PAINT, 0, 0);
  PaintGuard paint(handle_);
  PaintContent(paint.dc(), paint.rect());
  return 0;
}

LRESULT TWinControl::OnPrintClient(HDC dc) {
  if (defaultProc_) return DefaultHandler(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), 0);
  PaintContent(dc, ClientRect());
  return 0;
}

LRESULT TWinControl::OnEraseBackground(HDC dc) {
  if (defaultProc_) return DefaultHandler(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  PaintBackground(dc);
  return 1;
}

LRESULT TWinControl::OnMouseButton(UINT message, WPARAM wParam, int x, int y) {
  TMouseButton button = mbLeft;
  bool down = true, twice = false;
  switch (message) {
    case WM_LBUTTONDBLCLK:
      twice = true;
      break;
    case WM_LBUTTONUP:
      down = false;
      break;
    case WM_RBUTTONDOWN:
      button = mbRight;
      break;
    case WM_RBUTTONDBLCLK:
      button = mbRight;
      twice = true;
      break;
    case WM_RBUTTONUP:
      button = mbRight;
      down = false;
      break;
    case WM_MBUTTONDOWN:
      button = mbMiddle;
      break;
    case WM_MBUTTONDBLCLK:
      button = mbMiddle;
      twice = true;
      break;
    case WM_MBUTTONUP:
      button = mbMiddle;
      down = false;
      break;
  }
  TShiftState shift = ShiftFromKeys(wParam) | (twice ? TShiftState{ssDouble} : 0u);
  if (down) {
    TControl* target = ControlAtPos(x, y);
    if (!target) target = this;
    if (button == mbLeft) {
      SetCapture(handle_);
      captureControl_ = target;
      // The second press of a double click makes no second click.
      clickPending_ = !twice;
    }
    // A handler may start a modal loop (a window drag) that ends the capture meanwhile.
    target->MouseDown(button, shift, x - (target == this ? 0 : target->Left()),
                      y - (target == this ? 0 : target->Top()));
  } else {
    TControl* target = button == mbLeft ? captureControl_ : nullptr;
    bool pressedHere = target != nullptr;
    bool clicked = pressedHere && clickPending_;
    clickPending_ = false;
    if (!target) target = ControlAtPos(x, y);
    if (!target) target = this;
    if (button == mbLeft) {
      captureControl_ = nullptr;
      if (pressedHere) ReleaseCapture();
    }
    int localX = x - (target == this ? 0 : target->Left());
    int localY = y - (target == this ? 0 : target->Top());
    target->MouseUp(button, shift, localX, localY);
    bool inside =
        localX >= 0 && localY >= 0 && localX < target->Width() && localY < target->Height();
    if (clicked && (target == this || inside)) target->Click();
  }
  return DefaultHandler(message, wParam, MAKELPARAM(x, y));
}

LRESULT TWinControl::OnMouseMove(WPARAM wParam, int x, int y) {
  TControl* target = captureControl_ ? captureControl_ : ControlAtPos(x, y);
  if (!target) target = this;
  target->MouseMove(ShiftFromKeys(wParam), x - (target == this ? 0 : target->Left()),
                    y - (target == this ? 0 : target->Top()));
  return DefaultHandler(WM_MOUSEMOVE, wParam, MAKELPARAM(x, y));
}

LRESULT TWinControl::OnSetCursor(HWND window, int hitTest, UINT mouseMessage) {
  if (window == handle_ && hitTest == HTCLIENT) {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(handle_, &point);
    TControl* control = ControlAtPos(point.x, point.y);
    TCursor cursor = control && control->Cursor() != crDefault ? control->Cursor() : Cursor();
    if (cursor != crDefault) {
      ::SetCursor(CursorHandle(cursor));
      return TRUE;
    }
  }
  return DefaultHandler(WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                        MAKELPARAM(hitTest, mouseMessage));
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
  LRESULT result = DefaultHandler(WM_NCDESTROY, 0, 0);
  SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
  if (defaultProc_)
    SetWindowLongPtrA(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
  defaultProc_ = nullptr;
  handle_ = nullptr;
  captureControl_ = nullptr;
  return result;
}
