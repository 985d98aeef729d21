// TStayOnTop: keeps the owning form in the topmost window layer, or takes it out.
#pragma once

#include <windows.h>

#include "Classes.h"

class TStayOnTop : public TComponent {
 public:
  // The owner must be a form (EInvalidCast otherwise); its window is made now if needed.
  explicit TStayOnTop(TComponent* AOwner);

  bool OnTop() const { return onTop_; }
  void SetOnTop(bool onTop);
  HWND FormHandle() const { return formHandle_; }

 private:
  void ApplyOnTop();

  bool onTop_ = true;
  HWND formHandle_ = nullptr;  // not owned; taken once, a re-created window is not followed
};
