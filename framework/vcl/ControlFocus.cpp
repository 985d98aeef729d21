// Keyboard focus, tab order and keys.
#include "Controls.h"

#include <algorithm>

#include "AnsiText.h"

TShiftState KeyboardShiftState() {
  TShiftState shift = 0;
  if (GetKeyState(VK_SHIFT) < 0) shift |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) shift |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) shift |= ssAlt;
  return shift;
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

std::vector<TWinControl*> TWinControl::TabOrderList() {
  std::vector<TWinControl*> list;
  const auto collect = [&list](TWinControl* parent, const auto& self) -> void {
    for (TControl* control : parent->controls_)
      if (auto* child = dynamic_cast<TWinControl*>(control)) {
        list.push_back(child);
        self(child, self);
      }
  };
  collect(this, collect);
  return list;
}

TWinControl* TWinControl::FirstTabStop() {
  for (TWinControl* control : TabOrderList())
    if (control->TabStop() && control->CanFocus()) return control;
  return nullptr;
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

LRESULT TWinControl::OnKey(UINT message, WPARAM wParam, LPARAM lParam) {
  WORD key = static_cast<WORD>(wParam);
  const TShiftState shift = KeyboardShiftState();
  const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  const HWND window = handle_;
  TFreeWatch watch(this);
  if (down)
    KeyDown(key, shift);
  else
    KeyUp(key, shift);
  if (key == 0 || watch.Freed()) return 0;
  if (down && (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE) && !WantsKey(key) &&
      TopParent()->DialogKey(key, shift)) {
    // TranslateMessage has already queued the key's character: it is not typed.
    MSG pending{};
    PeekMessageW(&pending, window, WM_CHAR, WM_CHAR, PM_REMOVE);
    return 0;
  }
  if (watch.Freed()) return 0;
  return DefaultHandler(message, key, lParam);
}

LRESULT TWinControl::OnChar(UINT message, WPARAM wParam, LPARAM lParam) {
  const auto wide = static_cast<wchar_t>(wParam);
  char key = Utf16CharToAnsi(static_cast<char16_t>(wide));
  const char typed = key;
  TFreeWatch watch(this);
  KeyPress(key);
  if (key == 0 || watch.Freed()) return 0;
  const WPARAM passed =
      key == typed ? wParam : static_cast<WPARAM>(AnsiCharToUtf16(static_cast<unsigned char>(key)));
  return DefaultHandler(message, passed, lParam);
}
