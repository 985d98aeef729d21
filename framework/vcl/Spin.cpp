#include "Spin.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

// The button's position stays put between the ends of this range: the edit takes every step
// and refuses the button's own change, so the button never stops at an end.
constexpr int kButtonRangeEnd = 100;
// Narrower than a scroll bar, so that a small box still shows three digits.
constexpr int kButtonWidth = 13;

}  // namespace

// TSpinButton

TSpinButton::TSpinButton(TSpinEdit* edit) : TWinControl(edit), edit_(edit) {
  SetTabStop(false);
}

void TSpinButton::CreateParams(TCreateParams& params) {
  RegisterCommonControls();
  TWinControl::CreateParams(params);
  params.SystemClass = UPDOWN_CLASSW;
  params.Style &= ~static_cast<DWORD>(WS_TABSTOP);
}

bool TSpinButton::Notify(NMHDR& header, LRESULT& result) {
  if (header.code != UDN_DELTAPOS) return false;
  const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
  if (!edit_->Focused() && edit_->CanFocus()) edit_->SetFocus();
  if (change.iDelta != 0) edit_->Step(change.iDelta > 0 ? 1 : -1);
  result = TRUE;
  return true;
}

// TSpinEdit

TSpinEdit::TSpinEdit(TComponent* AOwner) : TEdit(AOwner), button_(new TSpinButton(this)) {
  button_->SetParent(this);
  SetText("0");
  SetBounds(0, 0, 121, 22);
}

int TSpinEdit::Value() const {
  int value = 0;
  if (TryStrToInt(Text(), value)) lastValue_ = value;
  return lastValue_;
}

void TSpinEdit::SetValue(int value) {
  lastValue_ = value;
  const std::string text = std::to_string(value);
  if (Text() != text) SetText(text);
}

void TSpinEdit::Step(int steps) {
  const long long value =
      static_cast<long long>(Value()) + static_cast<long long>(steps) * increment_;
  SetValue(static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX)));
  if (HandleAllocated()) {
    // The caret after the number, as after typing it.
    const auto end = static_cast<LPARAM>(GetWindowTextLengthW(Handle()));
    SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(end), end);
  }
}

void TSpinEdit::CreateWnd() {
  TEdit::CreateWnd();
  HWND button = button_->Handle();
  SendMessageW(button, UDM_SETRANGE32, 0, kButtonRangeEnd);
  SendMessageW(button, UDM_SETPOS32, 0, kButtonRangeEnd / 2);
  // One step per report, however long an arrow is held.
  UDACCEL accel{0, 1};
  SendMessageW(button, UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&accel));
  PlaceButton();
}

void TSpinEdit::BoundsChanged() {
  TEdit::BoundsChanged();
  PlaceButton();
}

void TSpinEdit::PlaceButton() {
  if (!HandleAllocated()) return;
  RECT client{};
  GetClientRect(Handle(), &client);
  const int width = std::min<int>(kButtonWidth, client.right);
  button_->SetBounds(client.right - width, 0, width, client.bottom);
  // The text stops short of the button.
  SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, width));
}

bool TSpinEdit::Command(WORD code) {
  if (code == EN_KILLFOCUS) {
    int value = 0;
    if (!TryStrToInt(Text(), value)) SetValue(lastValue_);
    return false;
  }
  if (code == EN_CHANGE) Value();
  return TEdit::Command(code);
}

void TSpinEdit::KeyDown(WORD& key, TShiftState shift) {
  TEdit::KeyDown(key, shift);
  if (key == VK_UP || key == VK_DOWN) {
    Step(key == VK_UP ? 1 : -1);
    key = 0;
  }
}

void TSpinEdit::KeyPress(char& key) {
  TEdit::KeyPress(key);
  const auto c = static_cast<unsigned char>(key);
  // Control characters (Backspace, Ctrl+V and the like) still work.
  if (c >= 0x20 && !(c >= '0' && c <= '9') && c != '-' && c != '+') key = 0;
}

LRESULT TSpinEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // The button also scrolls its parent, which a one-line edit has no use for.
  if (message == WM_VSCROLL && button_->HandleAllocated() &&
      reinterpret_cast<HWND>(lParam) == button_->Handle())
    return 0;
  return TEdit::HandleMessage(message, wParam, lParam);
}
