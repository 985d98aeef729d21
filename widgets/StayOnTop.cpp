#include "StayOnTop.h"

#include "Forms.h"

namespace {

TForm* OwnerForm(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  if (!form) throw EInvalidCast();
  return form;
}

}  // namespace

TStayOnTop::TStayOnTop(TComponent* AOwner)
    : TComponent(AOwner), formHandle_(OwnerForm(AOwner)->Handle()) {
  ApplyOnTop();
}

void TStayOnTop::SetOnTop(bool onTop) {
  if (onTop == onTop_) return;
  onTop_ = onTop;
  ApplyOnTop();
}

void TStayOnTop::ApplyOnTop() {
  SetWindowTopmost(formHandle_, onTop_ && !IsDesigning(), SWP_NOMOVE | SWP_NOSIZE);
}
