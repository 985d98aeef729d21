// Menu items and popup menus: the platform menu is built from the items at every popup,
// owner-drawn items are measured and painted by the items that own them, and a choice
// reaches the item's OnClick.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Classes.h"
#include "Graphics.h"
#include "Handles.h"

// The platform's owner-draw state bits (ODS_SELECTED, ODS_GRAYED, ...).
using TOwnerDrawState = UINT;

using TMenuMeasureItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, TOwnerDrawState State)>;

class TMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* AOwner);
  // Leaves its parent item and frees its own sub-items.
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  bool Checked() const { return checked_; }
  void SetChecked(bool checked) { checked_ = checked; }
  // A caption of "-" makes a separator line.
  bool IsLine() const { return caption_ == "-"; }

  int Count() const { return static_cast<int>(items_.size()); }
  // Out-of-range indexes raise "List index out of bounds (%d)".
  TMenuItem* Items(int index) const;
  TMenuItem* Parent() const { return parent_; }
  int IndexOf(const TMenuItem* item) const;
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  // Takes the item out without freeing it.
  void Remove(TMenuItem* item);
  // Frees every sub-item.
  void Clear();

  // The platform command of the item, unique while the item lives.
  UINT Command() const { return command_; }
  static TMenuItem* FromCommand(UINT command);

  // OnClick, when enabled.
  virtual void Click();
  // The default size, then OnMeasureItem.
  void MeasureItem(TCanvas* canvas, int& width, int& height);
  // OnAdvancedDrawItem when assigned, the default painting otherwise.
  void AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state);
  // The framework's own look of an item: state colours, check mark, caption with its
  // accelerator, the short-cut text after a tab in the caption at the right, separator
  // line. The system adds the sub-menu arrow (Wine too).
  void DefaultDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state);

  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

 private:
  friend class TMenu;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  TMenuItem* parent_ = nullptr;  // not owned
  std::vector<TMenuItem*> items_;
  UINT command_ = 0;
};

enum TMenuAnimationFlag : unsigned {
  maLeftToRight = 1,
  maRightToLeft = 2,
  maTopToBottom = 4,
  maBottomToTop = 8,
  maNone = 16,
};
using TMenuAnimation = unsigned;

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;

  // The root; its sub-items are the menu's top-level items.
  TMenuItem* Items() const { return items_.get(); }
  bool OwnerDraw() const { return ownerDraw_; }
  void SetOwnerDraw(bool ownerDraw) { ownerDraw_ = ownerDraw; }

 protected:
  // A platform popup menu of the visible sub-items of `item`, owner-drawn or not.
  HMENU BuildMenu(const TMenuItem& item) const;

 private:
  std::unique_ptr<TMenuItem> items_;
  bool ownerDraw_ = false;
};

enum TPopupAlignment { paLeft, paRight, paCenter };
enum TTrackButton { tbRightButton, tbLeftButton };

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* AOwner);

  // Fires OnPopup, builds the platform menu and tracks it at the screen point; returns
  // when the menu has closed (the chosen item's OnClick follows from the message loop).
  virtual void Popup(int X, int Y);

  TMenuAnimation MenuAnimation() const { return animation_; }
  void SetMenuAnimation(TMenuAnimation animation) { animation_ = animation; }
  TPopupAlignment Alignment() const { return alignment_; }
  void SetAlignment(TPopupAlignment alignment) { alignment_ = alignment; }
  TTrackButton TrackButton() const { return trackButton_; }
  void SetTrackButton(TTrackButton button) { trackButton_ = button; }
  // The TrackPopupMenu flags the settings make.
  UINT TrackFlags() const;
  // The platform menu of the last popup, while it lives.
  HMENU Handle() const { return handle_.get(); }

  TNotifyEvent OnPopup;

 protected:
  // Fires OnPopup; the platform menu is built right after it.
  virtual void DoPopup();

 private:
  TMenuAnimation animation_ = 0;
  TPopupAlignment alignment_ = paLeft;
  TTrackButton trackButton_ = tbRightButton;
  MenuHandle handle_;
  bool tracking_ = false;
};

// WM_MEASUREITEM and WM_DRAWITEM of owner-drawn menu items and WM_COMMAND of menu choices,
// for the items that own them; false when the message is not for a live item.
bool HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
// The window that owns tracked popup menus and receives their messages.
HWND PopupListWindow();
