// TBarPopupMenu: an owner-drawn popup menu whose top-level items leave a band at their left
// edge for a side bar with a colour gradient, a text written upward and an optional picture.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "BarGeometry.h"
#include "Graphics.h"
#include "Menus.h"

class TBarPopupMenu : public TPopupMenu {
 public:
  explicit TBarPopupMenu(TComponent* AOwner);
  ~TBarPopupMenu() override;

  // Hooks the top-level items, then opens the menu; returns when it has closed.
  void Popup(int X, int Y) override;

  // Made on first use, with transparency on. Writing copies the picture.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* bitmap);
  // A picture object exists (it may hold nothing).
  bool HasBitmap() const { return bitmap_ != nullptr; }
  int BarWidth() const { return settings_.BarWidth; }
  void SetBarWidth(int width) { settings_.BarWidth = width; }
  int BitmapOffsetX() const { return settings_.BitmapOffsetX; }
  void SetBitmapOffsetX(int offset) { settings_.BitmapOffsetX = offset; }
  int BitmapOffsetY() const { return settings_.BitmapOffsetY; }
  void SetBitmapOffsetY(int offset) { settings_.BitmapOffsetY = offset; }
  TBitmapVertAlignment BitmapVertAlignment() const { return settings_.BitmapVertAlignment; }
  void SetBitmapVertAlignment(TBitmapVertAlignment alignment) {
    settings_.BitmapVertAlignment = alignment;
  }
  TBitmapHorzAlignment BitmapHorzAlignment() const { return settings_.BitmapHorzAlignment; }
  void SetBitmapHorzAlignment(TBitmapHorzAlignment alignment) {
    settings_.BitmapHorzAlignment = alignment;
  }
  bool BarVisible() const { return settings_.BarVisible; }
  void SetBarVisible(bool visible) { settings_.BarVisible = visible; }
  TColor GradientEnd() const { return settings_.GradientEnd; }
  void SetGradientEnd(TColor color) { settings_.GradientEnd = color; }
  TColor GradientStart() const { return settings_.GradientStart; }
  void SetGradientStart(TColor color) { settings_.GradientStart = color; }
  // The picture's transparency; false and not writable while there is no picture object.
  bool Transparent() const;
  void SetTransparent(bool transparent);
  // Owned; writing copies the font's attributes.
  TFont* VerticalFont() { return verticalFont_.get(); }
  void SetVerticalFont(TFont* font);
  const std::string& VerticalText() const { return verticalText_; }
  void SetVerticalText(std::string text) { verticalText_ = std::move(text); }
  int VerticalTextOffsetY() const { return settings_.VerticalTextOffsetY; }
  void SetVerticalTextOffsetY(int offset) { settings_.VerticalTextOffsetY = offset; }

  // The popup being shown (or the last one).
  int TotalHeight() const { return state_.TotalHeight(); }
  bool BarDrawn() const { return state_.BarDrawn(); }

  // Installed on every top-level item at each popup.
  void BarMeasureItem(TObject* Item, TCanvas* Canvas, int& Width, int& Height);
  void BarDrawItem(TObject* Item, TCanvas* Canvas, TRect Rect, TOwnerDrawState State);

  // The font's attributes turned by Angle degrees (escapement Angle x 10); the caller frees it.
  static HFONT CreateRotatedFont(TFont* Font, int Angle);

 protected:
  // After OnPopup: the items it added are watched for their rows.
  void DoPopup() override;

 private:
  struct BarMeasureHook;
  struct OtherMeasureHook;

  // The item's place among the items of the platform menu (the visible top-level ones);
  // -1 for an item that is not a top-level one.
  int ItemPosition(const TMenuItem* item) const;
  void WatchOtherItems();
  void UnwatchOtherItems();
  void PaintBarText(TCanvas* canvas, const BarItemPaint& paint);

  TBarSettings settings_;
  std::unique_ptr<TFont> verticalFont_;
  FontHandle rotatedFont_;  // the vertical font turned upward, for one opening
  std::unique_ptr<TBitmap> bitmap_;
  std::string verticalText_;
  TBarPopupState state_;
};
