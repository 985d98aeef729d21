#include "BarPopupMenu.h"

#include <algorithm>

#include "Forms.h"
#include "WideText.h"

namespace {

BarRect ToBarRect(const TRect& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

struct TBarPopupMenu::BarMeasureHook {
  TBarPopupMenu* menu;
  void operator()(TObject* sender, TCanvas* canvas, int& width, int& height) const {
    menu->BarMeasureItem(sender, canvas, width, height);
  }
};

// On the top-level items the OnPopup handler added, for one popup: they keep their own
// size, but their rows lie above the items below them.
struct TBarPopupMenu::OtherMeasureHook {
  TBarPopupMenu* menu;
  TMenuMeasureItemEvent own;
  void operator()(TObject* sender, TCanvas* canvas, int& width, int& height) const {
    if (own) own(sender, canvas, width, height);
    if (auto* item = dynamic_cast<TMenuItem*>(sender))
      menu->state_.MeasureOtherItem(menu->ItemPosition(item), height);
  }
};

TBarPopupMenu::TBarPopupMenu(TComponent* AOwner)
    : TPopupMenu(AOwner), verticalFont_(std::make_unique<TFont>()) {
  SetOwnerDraw(true);
  verticalFont_->SetName("Tahoma");
  verticalFont_->SetSize(14);
  verticalFont_->SetColor(clWhite);
  verticalFont_->SetStyle(fsBold | fsItalic);
  // Application->Handle() would make the window; only an existing one gives the title.
  if (Application && Application->HandleAllocated()) verticalText_ = Application->Title();
}

TBarPopupMenu::~TBarPopupMenu() = default;

TBitmap* TBarPopupMenu::Bitmap() {
  if (!bitmap_) {
    bitmap_ = std::make_unique<TBitmap>();
    bitmap_->SetTransparent(true);
  }
  return bitmap_.get();
}

void TBarPopupMenu::SetBitmap(TBitmap* bitmap) {
  Bitmap()->Assign(bitmap);
}

bool TBarPopupMenu::Transparent() const {
  return bitmap_ && bitmap_->Transparent();
}

void TBarPopupMenu::SetTransparent(bool transparent) {
  if (bitmap_ && bitmap_->Transparent() != transparent) bitmap_->SetTransparent(transparent);
}

void TBarPopupMenu::SetVerticalFont(TFont* font) {
  verticalFont_->Assign(font);
}

int TBarPopupMenu::ItemPosition(const TMenuItem* item) const {
  const TMenuItem* root = Items();
  if (item->Parent() != root) return -1;
  int position = 0;
  for (int i = 0; i < root->Count(); ++i) {
    const TMenuItem* sub = root->Items(i);
    if (sub == item) return position;
    if (sub->Visible()) ++position;
  }
  return -1;
}

void TBarPopupMenu::Popup(int X, int Y) {
  state_.Reset();
  TMenuItem* root = Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    item->OnMeasureItem = BarMeasureHook{this};
    item->OnAdvancedDrawItem = [this](TObject* sender, TCanvas* canvas, TRect rect,
                                      TOwnerDrawState state) {
      BarDrawItem(sender, canvas, rect, state);
    };
  }
  rotatedFont_.reset();  // made at the first bar item drawn, kept until the menu closes
  try {
    TPopupMenu::Popup(X, Y);
  } catch (...) {
    UnwatchOtherItems();
    rotatedFont_.reset();
    throw;
  }
  UnwatchOtherItems();
  rotatedFont_.reset();
}

void TBarPopupMenu::DoPopup() {
  TPopupMenu::DoPopup();
  WatchOtherItems();
}

void TBarPopupMenu::WatchOtherItems() {
  TMenuItem* root = Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    const auto* hook = item->OnMeasureItem.target<BarMeasureHook>();
    if (hook && hook->menu == this) continue;
    item->OnMeasureItem = OtherMeasureHook{this, item->OnMeasureItem};
  }
}

void TBarPopupMenu::UnwatchOtherItems() {
  TMenuItem* root = Items();
  for (int i = 0; i < root->Count(); ++i) {
    TMenuItem* item = root->Items(i);
    const auto* hook = item->OnMeasureItem.target<OtherMeasureHook>();
    if (!hook || hook->menu != this) continue;
    TMenuMeasureItemEvent own = hook->own;
    item->OnMeasureItem = std::move(own);
  }
}

void TBarPopupMenu::BarMeasureItem(TObject* Item, TCanvas*, int& Width, int& Height) {
  auto* item = dynamic_cast<TMenuItem*>(Item);
  if (!item) return;
  state_.MeasureBarItem(settings_, ItemPosition(item), item->Visible(), item->Caption(), Width,
                        Height);
}

void TBarPopupMenu::BarDrawItem(TObject* Item, TCanvas* Canvas, TRect Rect, TOwnerDrawState State) {
  auto* item = dynamic_cast<TMenuItem*>(Item);
  if (!item || !Canvas) return;
  BarBitmapSize size;
  if (bitmap_) size = {bitmap_->Width(), bitmap_->Height()};
  const BarItemPaint paint = state_.PaintItem(
      settings_, ColorToRGB(settings_.GradientStart), ColorToRGB(settings_.GradientEnd),
      ItemPosition(item), item->Caption(), ToBarRect(Rect), bitmap_ ? &size : nullptr);
  if (!paint.Body) return;

  // The default painting directly: through the item's event it would come back here.
  const BarRect& body = paint.BodyRect;
  item->DefaultDrawItem(Canvas, TRect{body.Left, body.Top, body.Right, body.Bottom}, State);

  if (!paint.Fills.empty()) {
    HDC dc = Canvas->Handle();
    auto* brush = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));  // not owned
    for (const BarFill& fill : paint.Fills) {
      const RECT row{fill.Rect.Left, fill.Rect.Top, fill.Rect.Right, fill.Rect.Bottom};
      SetDCBrushColor(dc, fill.Color);
      FillRect(dc, &row, brush);
    }
  }
  if (paint.Text) PaintBarText(Canvas, paint);
  if (paint.Bitmap) Canvas->Draw(paint.BitmapAt.X, paint.BitmapAt.Y, bitmap_.get());
}

void TBarPopupMenu::PaintBarText(TCanvas* canvas, const BarItemPaint& paint) {
  // Straight onto the DC: through the canvas's font the menu font would be made again for
  // the next item.
  HDC dc = canvas->Handle();
  if (!rotatedFont_) rotatedFont_.reset(CreateRotatedFont(verticalFont_.get(), 90));
  SelectGuard select(dc, rotatedFont_.get());
  SetTextColor(dc, ColorToRGB(verticalFont_->Color()));
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  SIZE x{};
  GetTextExtentPoint32W(dc, L"X", 1, &x);
  const BarPoint at = paint.TextPoint(x.cy);
  const RECT clip{paint.TextClip.Left, paint.TextClip.Top, paint.TextClip.Right,
                  paint.TextClip.Bottom};
  const std::wstring text = ToWide(verticalText_);
  ExtTextOutW(dc, at.X, at.Y, ETO_CLIPPED, &clip, text.data(), static_cast<UINT>(text.size()),
              nullptr);
}

HFONT TBarPopupMenu::CreateRotatedFont(TFont* Font, int Angle) {
  LOGFONTW font = Font->LogFont();
  font.lfEscapement = Angle * 10;
  font.lfOrientation = 0;  // escapement alone turns the glyphs, under Wine too
  // Whatever the font's own: Wine draws Russian as Latin-1 through ANSI_CHARSET fonts.
  font.lfCharSet = DEFAULT_CHARSET;
  return CreateFontIndirectW(&font);
}
