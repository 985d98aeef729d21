#include "StayOnTop.h"

#include "Forms.h"

namespace {

TForm* OwnerForm(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (!form) throw EInvalidCast();
  return form;
}

}  // namespace

TStayOnTop::TStayOnTop(TComponent* AOwner) : TComponent(AOwner), form_(OwnerForm(AOwner)) {
  form_->HandleNeeded();
  ApplyOnTop();
}

HWND TStayOnTop::FormHandle() const {
  return form_->HandleAllocated() ? form_->Handle() : nullptr;
}

void TStayOnTop::SetOnTop(bool onTop) {
  if (onTop == onTop_) return;
  onTop_ = onTop;
  ApplyOnTop();
}

void TStayOnTop::ApplyOnTop() {
  SetWindowTopmost(form_->Handle(), onTop_ && !IsDesigning(), SWP_NOMOVE | SWP_NOSIZE);
}
