#include "Menus.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "AnsiText.h"
#include "Forms.h"
#include "MessageWindow.h"
#include "Modules.h"
#include "Platform.h"
#include "WideText.h"

namespace {

std::map<UINT, TMenuItem*>& LiveItems() {
  static std::map<UINT, TMenuItem*> items;
  return items;
}

// Commands travel in WM_COMMAND's low word: 1 .. 0xFFFF, the lowest free one.
UINT NewCommand(TMenuItem* item) {
  auto& items = LiveItems();
  UINT command = 1;
  for (const auto& [used, _] : items) {
    if (used != command) break;
    ++command;
  }
  if (command > 0xFFFF) throw Exception("Out of menu commands");
  items.emplace(command, item);
  return command;
}

// The drawing objects of owner-drawn items, made once for a whole opening of a menu rather
// than for every item measured or drawn: one canvas (its font, brush and pen are made the
// first time it selects them and kept while unchanged) and a memory DC to measure on.
class TMenuPaintKit {
 public:
  TMenuPaintKit() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
      const LOGFONTW& menu = metrics.lfMenuFont;
      fontName_ = menu.lfFaceName;
      fontHeight_ = menu.lfHeight;
      fontStyle_ = (menu.lfWeight >= FW_BOLD ? fsBold : 0u) | (menu.lfItalic ? fsItalic : 0u);
      haveFont_ = true;
    }
  }
  TMenuPaintKit(const TMenuPaintKit&) = delete;
  TMenuPaintKit& operator=(const TMenuPaintKit&) = delete;
  ~TMenuPaintKit() { canvas_.SetHandle(nullptr); }

  // The canvas on `dc` (null: the measuring DC) with the system's menu font, made with the
  // default character set and its face name whole; an item's handler may have changed it for the
  // item before.
  TCanvas& On(HDC dc) {
    if (!dc) {
      if (!measureDC_) measureDC_.reset(CreateCompatibleDC(nullptr));
      dc = measureDC_.get();
    }
    canvas_.SetHandle(dc);
    if (haveFont_) {
      TFont& font = *canvas_.Font();
      font.SetFaceName(fontName_);
      font.SetHeight(fontHeight_);
      font.SetStyle(fontStyle_);
    }
    return canvas_;
  }
  // Puts the DC's own objects back.
  void Release() { canvas_.SetHandle(nullptr); }

 private:
  MemoryDC measureDC_;
  TCanvas canvas_;
  bool haveFont_ = false;
  std::wstring fontName_;
  int fontHeight_ = 0;
  TFontStyles fontStyle_ = 0;
};

// The kit of the menu being tracked; outside a popup each message makes its own.
TMenuPaintKit* trackedKit = nullptr;

int CheckAreaWidth() {
  return GetSystemMetrics(SM_CXMENUCHECK) + 6;
}

std::string WithoutAccelerators(const std::string& caption) {
  std::string text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

// "Text\tShortCut": the short-cut text stands at the item's right edge.
std::pair<std::string, std::string> SplitShortCut(const std::string& caption) {
  const size_t tab = caption.find('\t');
  if (tab == std::string::npos) return {caption, {}};
  return {caption.substr(0, tab), caption.substr(tab + 1)};
}

// Room the system keeps at the right of an item with a sub-menu for its arrow.
constexpr int kArrowWidth = 12;

const wchar_t kPopupListClass[] = L"QvPopupList";

}  // namespace

// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner), command_(NewCommand(this)) {}

TMenuItem::~TMenuItem() {
  Clear();
  if (parent_) parent_->Remove(this);
  LiveItems().erase(command_);
}

TMenuItem* TMenuItem::FromCommand(UINT command) {
  auto& items = LiveItems();
  auto it = items.find(command);
  return it == items.end() ? nullptr : it->second;
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* item) {
  Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (!item || item == this) return;
  if (index < 0 || index > Count()) throw EListError(index);
  if (item->parent_) item->parent_->Remove(item);
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return;
  items_.erase(it);
  item->parent_ = nullptr;
}

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

void TMenuItem::Click() {
  if (enabled_ && OnClick) OnClick(this);
}

void TMenuItem::MeasureItem(TCanvas* canvas, int& width, int& height) {
  if (IsLine()) {
    width = 10;
    height = GetSystemMetrics(SM_CYMENU) / 2;
  } else {
    const auto [caption, shortCut] = SplitShortCut(caption_);
    const SIZE text = canvas->TextExtent(WithoutAccelerators(caption));
    width = CheckAreaWidth() + text.cx + 16 + (items_.empty() ? 0 : kArrowWidth);
    if (!shortCut.empty()) width += canvas->TextWidth(shortCut) + 16;
    height = std::max<int>(text.cy + 6, GetSystemMetrics(SM_CYMENUCHECK) + 4);
  }
  if (OnMeasureItem) OnMeasureItem(this, canvas, width, height);
}

void TMenuItem::AdvancedDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state) {
  if (OnAdvancedDrawItem)
    OnAdvancedDrawItem(this, canvas, rect, state);
  else
    DefaultDrawItem(canvas, rect, state);
}

void TMenuItem::DefaultDrawItem(TCanvas* canvas, const TRect& rect, TOwnerDrawState state) {
  const bool selected = (state & ODS_SELECTED) != 0 && !IsLine();
  const bool inactive = (state & (ODS_GRAYED | ODS_DISABLED | ODS_INACTIVE)) != 0;
  // Stock DC brush and pen: the colours change from item to item, the objects need not.
  HDC dc = canvas->Handle();
  SetDCBrushColor(dc, ColorToRGB(selected ? clHighlight : clMenu));
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  if (IsLine()) {
    const int y = (rect.top + rect.bottom) / 2 - 1;
    RECT shadow{rect.left + 1, y, rect.right - 1, y + 1};
    RECT light{rect.left + 1, y + 1, rect.right - 1, y + 2};
    FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));  // system brushes: not owned
    FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    return;
  }
  const COLORREF text = ColorToRGB(inactive ? clGrayText : selected ? clHighlightText : clMenuText);
  if (checked_) {
    // A tick in the check area, in the text's colour.
    const int cx = rect.left + CheckAreaWidth() / 2, cy = (rect.top + rect.bottom) / 2;
    SelectGuard select(dc, GetStockObject(DC_PEN));
    SetDCPenColor(dc, text);
    for (int i = 0; i < 2; ++i) {
      POINT tick[3] = {{cx - 4, cy - 1 + i}, {cx - 2, cy + 1 + i}, {cx + 3, cy - 4 + i}};
      Polyline(dc, tick, 3);
    }
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text);
  const auto [caption, shortCut] = SplitShortCut(caption_);
  const int right = rect.right - 4 - (items_.empty() ? 0 : kArrowWidth);
  TRect area{rect.left + CheckAreaWidth(), rect.top, right, rect.bottom};
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_LEFT;
  if (state & ODS_NOACCEL) flags |= DT_HIDEPREFIX;
  canvas->DrawTextRect(caption, area, flags);
  if (!shortCut.empty()) {
    TRect keys{rect.left + CheckAreaWidth(), rect.top, right, rect.bottom};
    canvas->DrawTextRect(shortCut, keys, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
}

// TMenu

TMenu::TMenu(TComponent* AOwner)
    : TComponent(AOwner), items_(std::make_unique<TMenuItem>(nullptr)) {}

TMenu::~TMenu() = default;

HMENU TMenu::BuildMenu(const TMenuItem& item) const {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) throw Exception("Out of system resources");
  UINT position = 0;
  for (TMenuItem* sub : item.items_) {
    if (!sub->Visible()) continue;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_DATA;
    info.wID = sub->Command();
    info.dwItemData = sub->Command();
    info.fState = (sub->Enabled() ? 0 : MFS_GRAYED) | (sub->Checked() ? MFS_CHECKED : 0);
    std::wstring caption = ToWide(sub->Caption());
    if (ownerDraw_) {
      info.fType = MFT_OWNERDRAW | (sub->IsLine() ? MFT_SEPARATOR : 0);
    } else if (sub->IsLine()) {
      info.fType = MFT_SEPARATOR;
    } else {
      info.fType = MFT_STRING;
      info.fMask |= MIIM_STRING;
      info.dwTypeData = caption.data();
    }
    MenuHandle subMenu;
    if (sub->Count() > 0) {
      subMenu.reset(BuildMenu(*sub));
      info.fMask |= MIIM_SUBMENU;
      info.hSubMenu = subMenu.get();
    }
    // Once inserted, the sub-menu is destroyed with its parent.
    if (InsertMenuItemW(menu.get(), position, TRUE, &info)) {
      ++position;
      (void)subMenu.release();
    }
  }
  return menu.release();
}

// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

UINT TPopupMenu::TrackFlags() const {
  static constexpr UINT kAlignments[] = {TPM_LEFTALIGN, TPM_RIGHTALIGN, TPM_CENTERALIGN};
  return kAlignments[alignment_] | (trackButton_ == tbRightButton ? TPM_RIGHTBUTTON : 0) |
         (animation_ << 10);
}

void TPopupMenu::DoPopup() {
  if (OnPopup) OnPopup(this);
}

void TPopupMenu::Popup(int X, int Y) {
  // A popup asked for from inside the menu loop (a timer, a tray notification) would
  // destroy the platform menu being tracked.
  if (tracking_) return;
  DoPopup();
  handle_.reset(BuildMenu(*Items()));
  TMenuPaintKit kit;
  struct Tracked {  // another menu's popup inside this one's loop leaves this kit in place
    TMenuPaintKit* outer;
    bool& tracking;
    ~Tracked() {
      trackedKit = outer;
      tracking = false;
    }
  } tracked{std::exchange(trackedKit, &kit), tracking_};
  tracking_ = true;
  TrackPopupMenu(handle_.get(), TrackFlags(), X, Y, 0, PopupListWindow(), nullptr);
}

// Routing

namespace {

// The letter after a single '&', upper-cased; 0 when there is none.
char AcceleratorKey(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&') return AnsiUpperCase(caption.substr(i + 1, 1))[0];
    ++i;
  }
  return 0;
}

// The system cannot see the underlined letters of owner-drawn items: the typed letter
// chooses the item at once, as it would a plain one's.
bool OnMenuChar(wchar_t typed, HMENU menu, LRESULT& result) {
  const char key = AnsiUpperCase(std::string(1, Utf16CharToAnsi(static_cast<char16_t>(typed))))[0];
  if (key == 0 || key == '?') return false;
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STATE;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info) ||
        !(info.fType & MFT_OWNERDRAW) || (info.fState & MFS_GRAYED))
      continue;
    const TMenuItem* item = TMenuItem::FromCommand(static_cast<UINT>(info.dwItemData));
    if (item && AcceleratorKey(item->Caption()) == key) {
      result = MAKELRESULT(i, MNC_EXECUTE);
      return true;
    }
  }
  return false;
}

}  // namespace

bool HandleMenuMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_MENUCHAR:
      if (HIWORD(wParam) & MF_SYSMENU) return false;
      return OnMenuChar(static_cast<wchar_t>(LOWORD(wParam)), reinterpret_cast<HMENU>(lParam),
                        result);
    case WM_COMMAND: {
      if (HIWORD(wParam) != 0 || lParam != 0) return false;
      TMenuItem* item = TMenuItem::FromCommand(LOWORD(wParam));
      if (!item) return false;
      item->Click();
      result = 0;
      return true;
    }
    case WM_MEASUREITEM: {
      auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (measure.CtlType != ODT_MENU) return false;
      TMenuItem* item = TMenuItem::FromCommand(static_cast<UINT>(measure.itemData));
      if (!item) return false;
      std::optional<TMenuPaintKit> own;
      TMenuPaintKit& kit = trackedKit ? *trackedKit : own.emplace();
      int width = 0, height = 0;
      try {
        item->MeasureItem(&kit.On(nullptr), width, height);
      } catch (...) {
        kit.Release();
        throw;
      }
      kit.Release();
      measure.itemWidth = static_cast<UINT>(std::max(width, 0));
      measure.itemHeight = static_cast<UINT>(std::max(height, 0));
      result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      auto& draw = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (draw.CtlType != ODT_MENU) return false;
      TMenuItem* item = TMenuItem::FromCommand(static_cast<UINT>(draw.itemData));
      if (!item) return false;
      SavedDC saved(draw.hDC);
      std::optional<TMenuPaintKit> own;
      TMenuPaintKit& kit = trackedKit ? *trackedKit : own.emplace();
      try {
        item->AdvancedDrawItem(&kit.On(draw.hDC), draw.rcItem, draw.itemState);
      } catch (...) {
        kit.Release();
        throw;
      }
      kit.Release();
      result = TRUE;
      return true;
    }
  }
  return false;
}

HWND PopupListWindow() {
  static std::unique_ptr<TMessageWindow> window;
  if (!window) {
    window = std::make_unique<TMessageWindow>(kPopupListClass, HandleMenuMessage,
                                              TMessageWindow::TopLevel(WS_POPUP));
    AddFinalization([] { window.reset(); });
  }
  return window->Handle();
}
