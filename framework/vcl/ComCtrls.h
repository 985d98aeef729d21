// The platform's tab control as a page control: one tab per page, each page a child window
// over the display area holding its own controls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Controls.h"

class TPageControl;

// One page. It belongs to a page control through SetPageControl; only the active page is
// visible.
class TTabSheet : public TWinControl {
 public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return pageControl_; }
  // Adds the page as the last tab of pageControl (null takes it off its page control).
  void SetPageControl(TPageControl* pageControl);
  // The tab's text.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // The tab's position, -1 without a page control.
  int PageIndex() const;

 private:
  friend class TPageControl;
  TPageControl* pageControl_ = nullptr;  // not owned
  std::string caption_;
};

// WC_TABCONTROL with flat-button tabs. Selecting a tab by mouse, Left and Right on the tabs,
// SelectNextPage (the form's Ctrl+Tab) or SetActivePage shows that page and hides the others. When
// the focus was on the page that goes, it moves to the first control of the new page that takes it,
// or else to the tabs.
class TPageControl : public TWinControl {
 public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  // Out-of-range indexes raise "List index out of bounds (%d)".
  TTabSheet* Pages(int index) const;
  // The first page added becomes the active one.
  TTabSheet* ActivePage() const { return activePage_; }
  // A page of another page control, or null, is refused without a change.
  void SetActivePage(TTabSheet* page);
  int ActivePageIndex() const;
  void SetActivePageIndex(int index);
  // The next (or previous) page, going round; fires OnChange as a user's choice does.
  void SelectNextPage(bool forward);

  // Where the pages go, in client coordinates.
  TRect DisplayRect();

  // Fired after the user has chosen another tab (mouse, keyboard or SelectNextPage).
  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  bool Notify(NMHDR& header, LRESULT& result) override;
  void KeyDown(WORD& key, TShiftState shift) override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void FontChanged() override;

 private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void InsertTab(int index);
  // The tabs made anew, with padding that lets them all show where it can; then the pages
  // placed over the display area.
  void LayoutPages();
  void MakeTabs();
  void ChangeActivePage(TTabSheet* page);
  // A user's choice: the page at index, when it is another one, then OnChange.
  void ChoosePage(int index);

  std::vector<TTabSheet*> pages_;  // not owned: the pages' owner frees them
  TTabSheet* activePage_ = nullptr;
};
