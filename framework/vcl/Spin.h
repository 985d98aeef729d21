// A whole-number edit with up and down arrows and no bounds.
#pragma once

#include <windows.h>

#include "StdCtrls.h"

class TSpinEdit;

// The platform's up-down control inside the spin edit, at its right edge.
class TSpinButton : public TWinControl {
 public:
  explicit TSpinButton(TSpinEdit* edit);

 protected:
  void CreateParams(TCreateParams& params) override;
  bool Notify(NMHDR& header, LRESULT& result) override;

 private:
  TSpinEdit* edit_;  // not owned: the edit owns this button
};

// EDIT with an up-down buddy. Only a sign and digits can be typed; the arrows (and the Up
// and Down keys) change Value by Increment without a lower or upper bound, stopping at the
// ends of the 32-bit range.
class TSpinEdit : public TEdit {
 public:
  explicit TSpinEdit(TComponent* AOwner);

  // The number typed; while the text is not a whole number, the last value it held. When
  // the box loses the focus, such a text is put back to that value.
  int Value() const;
  void SetValue(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int increment) { increment_ = increment; }
  // Value + steps × Increment, kept within the 32-bit range.
  void Step(int steps);

  TSpinButton* Button() const { return button_; }

 protected:
  void CreateWnd() override;
  void BoundsChanged() override;
  bool Command(WORD code) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  void KeyPress(char& key) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void PlaceButton();

  TSpinButton* button_;  // owned as a component
  int increment_ = 1;
  mutable int lastValue_ = 0;
};
