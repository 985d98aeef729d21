#include "Controls.h"

#include <algorithm>

#include "Forms.h"
#include "Menus.h"

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
