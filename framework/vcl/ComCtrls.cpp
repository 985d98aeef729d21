#include "ComCtrls.h"

#include <commctrl.h>

#include <algorithm>

#include "StdCtrls.h"
#include "WideText.h"

namespace {

// The system's default space on either side of a tab's text.
constexpr int kTabPadding = 6;
constexpr int kTabVerticalPadding = 3;

bool HoldsFocus(TWinControl* control) {
  if (!control || !control->HandleAllocated()) return false;
  HWND focus = GetFocus();
  return focus && (focus == control->Handle() || IsChild(control->Handle(), focus));
}

}  // namespace

// TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (pageControl_) pageControl_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
  if (pageControl == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  if (pageControl) pageControl->InsertPage(this);
}

void TTabSheet::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  // A longer caption may need less padding.
  if (pageControl_) pageControl_->LayoutPages();
}

int TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  const auto& pages = pageControl_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

// TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
  SetTabStop(true);
  SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() {
  for (TTabSheet* page : pages_) page->pageControl_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount()) throw EListError(index);
  return pages_[static_cast<size_t>(index)];
}

int TPageControl::ActivePageIndex() const {
  return activePage_ ? activePage_->PageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
  SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (page == activePage_ || !page || page->pageControl_ != this) return;
  ChangeActivePage(page);
}

void TPageControl::SelectNextPage(bool forward) {
  if (pages_.empty()) return;
  const int count = PageCount();
  int index = ActivePageIndex();
  ChoosePage(index < 0 ? 0 : (index + (forward ? 1 : count - 1)) % count);
}

void TPageControl::ChoosePage(int index) {
  if (index < 0 || index >= PageCount() || pages_[static_cast<size_t>(index)] == activePage_)
    return;
  ChangeActivePage(pages_[static_cast<size_t>(index)]);
  if (OnChange) OnChange(this);
}

void TPageControl::ChangeActivePage(TTabSheet* page) {
  TTabSheet* old = activePage_;
  const bool focusWasOnOld = HoldsFocus(old);
  activePage_ = page;
  if (HandleAllocated() && page)
    SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(page->PageIndex()), 0);
  // The new page first, so that nothing behind the pages shows in between.
  if (page) page->SetVisible(true);
  if (old && old != page) old->SetVisible(false);
  if (focusWasOnOld) {
    TWinControl* next = page ? page->FirstTabStop() : nullptr;
    if (!next && CanFocus()) next = this;
    if (next) next->SetFocus();
  }
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->pageControl_ = this;
  page->SetParent(this);
  LayoutPages();
  if (!activePage_)
    ChangeActivePage(page);
  else
    page->SetVisible(false);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  const auto index = static_cast<int>(it - pages_.begin());
  pages_.erase(it);
  page->pageControl_ = nullptr;
  if (HandleAllocated() && !IsDestroying()) LayoutPages();
  if (page == activePage_) {
    activePage_ = nullptr;
    if (!pages_.empty() && !IsDestroying())
      ChangeActivePage(pages_[static_cast<size_t>(std::min(index, PageCount() - 1))]);
  }
  page->SetVisible(false);
  if (page->Parent() == this) page->SetParent(nullptr);
}

void TPageControl::InsertTab(int index) {
  std::wstring text = ToWide(pages_[static_cast<size_t>(index)]->caption_);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(Handle(), TCM_INSERTITEMW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
}

void TPageControl::CreateParams(TCreateParams& params) {
  RegisterCommonControls();
  TWinControl::CreateParams(params);
  params.SystemClass = WC_TABCONTROLW;
  params.Style |= TCS_BUTTONS | TCS_FLATBUTTONS | (TabStop() ? WS_TABSTOP : 0);
}

void TPageControl::CreateWnd() {
  TWinControl::CreateWnd();
  LayoutPages();
}

TRect TPageControl::DisplayRect() {
  RECT rect = ClientRect();
  if (HandleAllocated())
    SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rect));
  rect.right = std::max(rect.right, rect.left);
  rect.bottom = std::max(rect.bottom, rect.top);
  return rect;
}

void TPageControl::MakeTabs() {
  HWND window = Handle();
  if (pages_.empty()) {
    SendMessageW(window, TCM_DELETEALLITEMS, 0, 0);
    return;
  }
  // The platform's padding first; less where a wider substitute font would push the last
  // tabs out of sight. The control takes a new padding for the tabs inserted after it.
  for (int padding = kTabPadding; padding >= 1; --padding) {
    SendMessageW(window, TCM_SETPADDING, 0, MAKELPARAM(padding, kTabVerticalPadding));
    SendMessageW(window, TCM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < PageCount(); ++i) InsertTab(i);
    // The control shows its scroll arrows, an up-down child, when the tabs do not fit.
    HWND arrows = FindWindowExW(window, nullptr, UPDOWN_CLASSW, nullptr);
    if (!arrows || !(GetWindowLongPtrW(arrows, GWL_STYLE) & WS_VISIBLE)) break;
  }
  if (activePage_)
    SendMessageW(window, TCM_SETCURSEL, static_cast<WPARAM>(activePage_->PageIndex()), 0);
}

void TPageControl::LayoutPages() {
  if (!HandleAllocated()) return;
  MakeTabs();
  const TRect area = DisplayRect();
  for (TTabSheet* page : pages_)
    page->SetBounds(area.left, area.top, area.right - area.left, area.bottom - area.top);
}

void TPageControl::FontChanged() {
  TWinControl::FontChanged();
  LayoutPages();
}

bool TPageControl::Notify(NMHDR& header, LRESULT& result) {
  switch (header.code) {
    case TCN_SELCHANGING:
      result = FALSE;
      return true;
    case TCN_SELCHANGE: {
      ChoosePage(static_cast<int>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0)));
      result = 0;
      return true;
    }
  }
  return false;
}

void TPageControl::KeyDown(WORD& key, TShiftState shift) {
  TWinControl::KeyDown(key, shift);
  // Flat-button tabs would only move a focus mark between the buttons; the ends do not wrap.
  if ((key == VK_LEFT || key == VK_RIGHT) && !(shift & (ssCtrl | ssAlt))) {
    ChoosePage(ActivePageIndex() + (key == VK_RIGHT ? 1 : -1));
    key = 0;
  }
}

LRESULT TPageControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = TWinControl::HandleMessage(message, wParam, lParam);
  if (message == WM_SIZE) LayoutPages();
  return result;
}
