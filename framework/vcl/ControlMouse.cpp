// The mouse: routing to non-windowed children, capture while pressed, clicks, cursors
// and the context menu.
#include "Controls.h"

#include <windowsx.h>

namespace {

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
    TFreeWatch watch(this);
    // A handler may start a modal loop (a window drag) that ends the capture meanwhile.
    target->MouseDown(button, shift, x - (target == this ? 0 : target->Left()),
                      y - (target == this ? 0 : target->Top()));
    if (watch.Freed()) return 0;
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
    const int localX = x - (target == this ? 0 : target->Left());
    const int localY = y - (target == this ? 0 : target->Top());
    // Read before the handlers run: they may free the target or this window.
    const bool inside = target == this || (localX >= 0 && localY >= 0 && localX < target->Width() &&
                                           localY < target->Height());
    TFreeWatch watchSelf(this), watchTarget(target);
    target->MouseUp(button, shift, localX, localY);
    if (clicked && inside && !watchTarget.Freed()) target->Click();
    if (watchSelf.Freed()) return 0;
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
