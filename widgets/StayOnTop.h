// TStayOnTop: keeps the owning form in the topmost window layer, or takes it out.
#pragma once

#include <windows.h>

#include "Classes.h"

class TForm;

class TStayOnTop : public TComponent {
 public:
  // The owner must be a form (EInvalidCast otherwise); its window is made now if needed.
  explicit TStayOnTop(TComponent* AOwner);

  bool OnTop() const { return onTop_; }
  void SetOnTop(bool onTop);
  // The form's window now (null while it has none): a window made anew is followed.
  HWND FormHandle() const;

 private:
  void ApplyOnTop();

  bool onTop_ = true;
  TForm* form_;  // the owner
};
