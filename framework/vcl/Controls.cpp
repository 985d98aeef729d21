#include "Controls.h"

#include <windowsx.h>

#include <algorithm>

#include "AnsiText.h"

#include "Forms.h"
#include "Handles.h"
#include "Menus.h"
#include "WideText.h"

namespace {

const wchar_t kWindowClass[] = L"QvWindow";

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

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
}

void RegisterWindowClass(const wchar_t* name, WNDPROC procedure, UINT style, HCURSOR cursor) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (GetClassInfoExW(instance, name, &wc)) return;
  wc.style = style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = cursor;
  wc.lpszClassName = name;
  RegisterClassExW(&wc);
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
  return LoadCursorW(nullptr, MAKEINTRESOURCEW(id));  // shared, not owned
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
  if (Application) Application->CancelRelease(this);
}

void TControl::Release() {
  Application->ReleaseLater(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
  TComponent::Notification(AComponent, Operation);
}

bool TControl::DoContextPopup(POINT screen) {
  if (!popupMenu_) return false;
  popupMenu_->Popup(screen.x, screen.y);
  return true;
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

namespace {

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
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
    HoldWindow(handle_, nullptr);
  }
}

TWinControl* TWinControl::FromHandle(HWND window) {
  if (!window || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)) != WindowProc)
    return nullptr;
  return reinterpret_cast<TWinControl*>(GetWindowLongPtrW(window, GWLP_USERDATA));
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
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      defaultProc_ = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));
      SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), FALSE);
    }
  }
  if (!handle_) throw Exception("Error creating window");
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

// Focus and tab order

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  int order = 0;
  for (TControl* control : parent_->controls_) {
    if (control == this) return order;
    if (dynamic_cast<TWinControl*>(control)) ++order;
  }
  return -1;
}

void TWinControl::SetTabOrder(int order) {
  if (!parent_) return;
  auto& siblings = parent_->controls_;
  siblings.erase(std::find(siblings.begin(), siblings.end(), this));
  // Before the windowed sibling that now holds `order`; non-windowed ones keep their places.
  auto at = siblings.end();
  int seen = 0;
  for (auto it = siblings.begin(); it != siblings.end(); ++it) {
    if (!dynamic_cast<TWinControl*>(*it)) continue;
    if (seen++ == order) {
      at = it;
      break;
    }
  }
  siblings.insert(at, this);
}

bool TWinControl::Showing() const {
  for (const TWinControl* control = this; control; control = control->parent_)
    if (!control->Visible()) return false;
  return true;
}

bool TWinControl::CanFocus() const {
  for (const TWinControl* control = this; control; control = control->parent_)
    if (!control->Visible() || !control->Enabled()) return false;
  return true;
}

bool TWinControl::Focused() const {
  return handle_ && GetFocus() == handle_;
}

TWinControl* TWinControl::TopParent() {
  TWinControl* top = this;
  while (top->parent_) top = top->parent_;
  return top;
}

void TWinControl::SetFocus() {
  TopParent()->FocusChanged(this);
  HWND window = Handle();
  if (CanFocus()) ::SetFocus(window);
}

void TWinControl::FocusChanged(TWinControl*) {}

bool TWinControl::DialogKey(WORD, TShiftState) {
  return false;
}

bool TWinControl::WantsKey(WORD key) {
  if (!defaultProc_) return false;
  const LRESULT code = DefaultHandler(WM_GETDLGCODE, key, 0);
  if (key == VK_TAB) return (code & DLGC_WANTTAB) != 0;
  return (code & DLGC_WANTALLKEYS) != 0;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

// Child notifications

bool TWinControl::Command(WORD) {
  return false;
}

bool TWinControl::Notify(NMHDR&, LRESULT&) {
  return false;
}

HBRUSH TWinControl::ColorBrush() {
  const COLORREF color = ColorToRGB(Color());
  if (!colorBrush_ || colorBrushColor_ != color) {
    colorBrush_.reset(CreateSolidBrush(color));
    colorBrushColor_ = color;
  }
  return colorBrush_.get();
}

HBRUSH TWinControl::CtlColor(HDC dc) {
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  SetBkColor(dc, ColorToRGB(Color()));
  return ColorBrush();
}

void TWinControl::DrawItem(const DRAWITEMSTRUCT&) {}

void TWinControl::MeasureItem(MEASUREITEMSTRUCT&) {}

// Painting

void TWinControl::PaintContent(HDC dc, const TRect& rect) {
  SavedDC saved(dc);
  IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
  PaintWindow(dc);
  PaintControls(dc, nullptr);
}

void TWinControl::PaintBackground(HDC dc) {
  SavedDC saved(dc);
  // Opaque children paint every pixel of their own; a copy for a transparent child's
  // background needs what lies beneath them too.
  const bool copy = (ControlState() & csPaintCopy) != 0;
  for (TControl* control : controls_) {
    if (!copy && !dynamic_cast<TWinControl*>(control) && control->Visible() &&
        (control->ControlStyle() & csOpaque)) {
      RECT r = control->BoundsRect();
      ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
    }
  }
  RECT client = ClientRect();
  FillRect(dc, &client, ColorBrush());
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
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) {
      HoldWindow(self->handle_, window);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
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

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
  if (defaultProc_) return CallWindowProcW(defaultProc_, handle_, message, wParam, lParam);
  return DefWindowProcW(handle_, message, wParam, lParam);
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
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return OnKey(message, wParam, lParam);
    case WM_CHAR:
      return OnChar(message, wParam, lParam);
    case WM_SETFOCUS:
      TopParent()->FocusChanged(this);
      break;
    case WM_CONTEXTMENU:
      return OnContextMenu(reinterpret_cast<HWND>(wParam), x, y);
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORDLG: {
      bool handled = false;
      LRESULT result = OnChildMessage(message, wParam, lParam, handled);
      if (handled) return result;
      break;
    }
  }
  return DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::OnChildMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
  LRESULT result = 0;
  handled = true;
  switch (message) {
    case WM_COMMAND:
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam))) {
        handled = child->Command(HIWORD(wParam));
        return 0;
      }
      // A menu's choice (HIWORD 0, no window) goes to the item of that command.
      if (lParam == 0 && HIWORD(wParam) == 0 && HandleMenuMessage(message, wParam, lParam, result))
        return result;
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (TWinControl* child = FromHandle(header->hwndFrom)) {
        handled = child->Notify(*header, result);
        return result;
      }
      break;
    }
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) {
        if (HandleMenuMessage(message, wParam, lParam, result)) return result;
      } else if (TWinControl* child = FromHandle(item->hwndItem)) {
        child->DrawItem(*item);
        return TRUE;
      }
      break;
    }
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item->CtlType == ODT_MENU) {
        if (HandleMenuMessage(message, wParam, lParam, result)) return result;
      } else {
        HWND window = GetDlgItem(handle_, static_cast<int>(item->CtlID));
        if (TWinControl* child = FromHandle(window)) {
          child->MeasureItem(*item);
          return TRUE;
        }
      }
      break;
    }
    default:  // WM_CTLCOLOR...
      if (TWinControl* child = FromHandle(reinterpret_cast<HWND>(lParam)))
        if (HBRUSH brush = child->CtlColor(reinterpret_cast<HDC>(wParam)))
          return reinterpret_cast<LRESULT>(brush);
      break;
  }
  handled = false;
  return 0;
}

LRESULT TWinControl::OnContextMenu(HWND window, int x, int y) {
  POINT screen{x, y};
  TControl* target = this;
  if (x == -1 && y == -1) {
    // From the keyboard: at the control's top-left corner.
    screen = POINT{0, 0};
    ClientToScreen(handle_, &screen);
  } else if (window == handle_) {
    POINT client = screen;
    ScreenToClient(handle_, &client);
    if (TControl* control = ControlAtPos(client.x, client.y)) target = control;
  }
  if (target != this && target->DoContextPopup(screen)) return 0;
  if (DoContextPopup(screen)) return 0;
  // The parent window gets its chance.
  return DefaultHandler(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), MAKELPARAM(x, y));
}

LRESULT TWinControl::OnKey(UINT message, WPARAM wParam, LPARAM lParam) {
  WORD key = static_cast<WORD>(wParam);
  const TShiftState shift = KeyboardShiftState();
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  if (down)
    KeyDown(key, shift);
  else
    KeyUp(key, shift);
  if (key == 0) return 0;
  if (down && (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE) && !WantsKey(key) &&
      TopParent()->DialogKey(key, shift)) {
    // TranslateMessage has already queued the key's character: it is not typed.
    MSG pending{};
    PeekMessageW(&pending, handle_, WM_CHAR, WM_CHAR, PM_REMOVE);
    return 0;
  }
  return DefaultHandler(message, key, lParam);
}

LRESULT TWinControl::OnChar(UINT message, WPARAM wParam, LPARAM lParam) {
  const auto wide = static_cast<wchar_t>(wParam);
  char key = Utf16CharToAnsi(static_cast<char16_t>(wide));
  const char typed = key;
  KeyPress(key);
  if (key == 0) return 0;
  const WPARAM passed =
      key == typed ? wParam : static_cast<WPARAM>(AnsiCharToUtf16(static_cast<unsigned char>(key)));
  return DefaultHandler(message, passed, lParam);
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
  if (defaultProc_) {
    // A system control presses, captures and clicks by itself (a button's BN_CLICKED needs
    // its own capture): only the events are told.
    if (down)
      MouseDown(button, shift, x, y);
    else
      MouseUp(button, shift, x, y);
    return DefaultHandler(message, wParam, MAKELPARAM(x, y));
  }
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
  if (defaultProc_) return DefaultHandler(WM_MOUSEMOVE, wParam, MAKELPARAM(x, y));
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
  SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
  if (defaultProc_)
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(defaultProc_));
  defaultProc_ = nullptr;
  HoldWindow(handle_, nullptr);
  captureControl_ = nullptr;
  return result;
}
