#include "Graphics.h"

#include <algorithm>
#include <string>

#include "WideText.h"

COLORREF ColorToRGB(TColor color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color);
}

// Fonts

TFont::TFont() = default;

void TFont::Assign(TPersistent* source) {
  auto* font = dynamic_cast<TFont*>(source);
  if (!font) return TPersistent::Assign(source);
  if (name_ == font->name_ && height_ == font->height_ && color_ == font->color_ &&
      style_ == font->style_ && orientation_ == font->orientation_ && charset_ == font->charset_ &&
      pitch_ == font->pitch_)
    return;
  name_ = font->name_;
  height_ = font->height_;
  color_ = font->color_;
  style_ = font->style_;
  orientation_ = font->orientation_;
  charset_ = font->charset_;
  pitch_ = font->pitch_;
  Changed();
}

std::string TFont::Name() const {
  return FromWide(name_);
}

void TFont::SetName(const std::string& name) {
  SetFaceName(ToWide(name));
}

void TFont::SetFaceName(const std::wstring& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const {
  return -MulDiv(height_, 72, 96);
}

void TFont::SetSize(int points) {
  SetHeight(-MulDiv(points, 96, 72));
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetOrientation(int tenths) {
  if (tenths == orientation_) return;
  orientation_ = tenths;
  Changed();
}

void TFont::SetCharset(BYTE charset) {
  if (charset == charset_) return;
  charset_ = charset;
  Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
  if (pitch == pitch_) return;
  pitch_ = pitch;
  Changed();
}

namespace {

BYTE PitchBits(TFontPitch pitch) {
  return pitch == fpVariable ? VARIABLE_PITCH : pitch == fpFixed ? FIXED_PITCH : DEFAULT_PITCH;
}

}  // namespace

void TFont::Changed() {
  // The old handle lives until the listeners have let go of it: a canvas selects its DC's
  // own font back, a window is sent the new font.
  FontHandle old = std::move(handle_);
  if (OnChange) OnChange(this);
}

LOGFONTW TFont::LogFont() const {
  LOGFONTW font{};
  font.lfHeight = height_;
  font.lfEscapement = font.lfOrientation = orientation_;
  font.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
  font.lfItalic = (style_ & fsItalic) ? 1 : 0;
  font.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
  font.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
  font.lfCharSet = charset_;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = PitchBits(pitch_);
  std::wstring face = name_;
  face.resize(std::min<size_t>(face.size(), LF_FACESIZE - 1));
  std::copy(face.begin(), face.end(), font.lfFaceName);
  return font;
}

HFONT TFont::Handle() {
  if (!handle_) {
    const LOGFONTW font = LogFont();
    handle_.reset(CreateFontIndirectW(&font));
  }
  return handle_.get();
}

// Brushes and pens

void TBrush::Assign(TPersistent* source) {
  auto* brush = dynamic_cast<TBrush*>(source);
  if (!brush) return TPersistent::Assign(source);
  if (color_ == brush->color_ && style_ == brush->style_) return;
  color_ = brush->color_;
  style_ = brush->style_;
  Changed();
}

void TBrush::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TBrush::SetStyle(TBrushStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TBrush::Changed() {
  if (OnChange) OnChange(this);
  handle_.reset();
}

HBRUSH TBrush::Handle() {
  if (style_ == bsClear) return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));  // not owned
  if (!handle_) handle_.reset(CreateSolidBrush(ColorToRGB(color_)));
  return handle_.get();
}

void TPen::Assign(TPersistent* source) {
  auto* pen = dynamic_cast<TPen*>(source);
  if (!pen) return TPersistent::Assign(source);
  if (color_ == pen->color_ && width_ == pen->width_ && style_ == pen->style_) return;
  color_ = pen->color_;
  width_ = pen->width_;
  style_ = pen->style_;
  Changed();
}

void TPen::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TPen::SetWidth(int width) {
  if (width == width_) return;
  width_ = width;
  Changed();
}

void TPen::SetStyle(TPenStyle style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TPen::Changed() {
  if (OnChange) OnChange(this);
  handle_.reset();
}

HPEN TPen::Handle() {
  if (!handle_)
    handle_.reset(CreatePen(style_ == psClear ? PS_NULL : PS_SOLID, width_, ColorToRGB(color_)));
  return handle_.get();
}

// Canvas

TCanvas::TCanvas() {
  font_.OnChange = [this](TObject*) {
    if (dc_ && fontSelected_) SelectObject(dc_, oldFont_);
    fontSelected_ = false;
  };
  brush_.OnChange = [this](TObject*) {
    if (dc_ && brushSelected_) SelectObject(dc_, oldBrush_);
    brushSelected_ = false;
  };
  pen_.OnChange = [this](TObject*) {
    if (dc_ && penSelected_) SelectObject(dc_, oldPen_);
    penSelected_ = false;
  };
}

TCanvas::~TCanvas() {
  Deselect();
}

void TCanvas::Deselect() {
  if (!dc_) return;
  if (fontSelected_) SelectObject(dc_, oldFont_);
  if (brushSelected_) SelectObject(dc_, oldBrush_);
  if (penSelected_) SelectObject(dc_, oldPen_);
  fontSelected_ = brushSelected_ = penSelected_ = false;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  Deselect();
  dc_ = dc;
}

CanvasDC::CanvasDC(TCanvas& canvas, HDC dc) : canvas_(canvas) {
  canvas_.SetHandle(dc);
}

CanvasDC::~CanvasDC() {
  canvas_.SetHandle(nullptr);
}

HDC TCanvas::CopyHandle() {
  if (!dc_) throw Exception("Canvas does not allow drawing");
  return dc_;
}

HDC TCanvas::Handle() {
  if (!dc_) throw Exception("Canvas does not allow drawing");
  if (!fontSelected_) {
    oldFont_ = SelectObject(dc_, font_.Handle());
    SetTextColor(dc_, ColorToRGB(font_.Color()));
    fontSelected_ = true;
  }
  if (!brushSelected_) {
    oldBrush_ = SelectObject(dc_, brush_.Handle());
    SetBkColor(dc_, ColorToRGB(brush_.Color()));
    SetBkMode(dc_, brush_.Style() == bsSolid ? OPAQUE : TRANSPARENT);
    brushSelected_ = true;
  }
  if (!penSelected_) {
    oldPen_ = SelectObject(dc_, pen_.Handle());
    penSelected_ = true;
  }
  return dc_;
}

void TCanvas::FillRect(const TRect& rect) {
  HDC dc = Handle();
  if (brush_.Style() != bsClear) ::FillRect(dc, &rect, brush_.Handle());
}

void TCanvas::Draw(int x, int y, TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  StretchDraw(Rect(x, y, x + bitmap->Width(), y + bitmap->Height()), bitmap);
}

void TCanvas::StretchDraw(const TRect& rect, TBitmap* bitmap) {
  if (!bitmap || bitmap->Empty()) return;
  HDC dc = CopyHandle();
  int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (bitmap->Transparent()) {
    TransparentBlt(dc, rect.left, rect.top, w, h, bitmap->DC(), 0, 0, bitmap->Width(),
                   bitmap->Height(), ColorToRGB(bitmap->TransparentColor()));
  } else if (w == bitmap->Width() && h == bitmap->Height()) {
    BitBlt(dc, rect.left, rect.top, w, h, bitmap->DC(), 0, 0, SRCCOPY);
  } else {
    int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, rect.left, rect.top, w, h, bitmap->DC(), 0, 0, bitmap->Width(), bitmap->Height(),
               SRCCOPY);
    SetStretchBltMode(dc, oldMode);
  }
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect) {
  HDC dc = CopyHandle();
  int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
             source->CopyHandle(), sourceRect.left, sourceRect.top,
             sourceRect.right - sourceRect.left, sourceRect.bottom - sourceRect.top, SRCCOPY);
  SetStretchBltMode(dc, oldMode);
}

void TCanvas::TextOutAt(int x, int y, const std::string& text) {
  std::wstring wide = ToWide(text);
  TextOutW(Handle(), x, y, wide.data(), static_cast<int>(wide.size()));
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  UINT options = ETO_CLIPPED | (brush_.Style() == bsSolid ? ETO_OPAQUE : 0);
  std::wstring wide = ToWide(text);
  ExtTextOutW(Handle(), x, y, options, &rect, wide.data(), static_cast<UINT>(wide.size()), nullptr);
}

SIZE TCanvas::TextExtent(const std::string& text) {
  SIZE size{};
  std::wstring wide = ToWide(text);
  GetTextExtentPoint32W(Handle(), wide.data(), static_cast<int>(wide.size()), &size);
  return size;
}

int TCanvas::DrawTextRect(const std::string& text, TRect& rect, UINT flags) {
  std::wstring wide = ToWide(text);
  return ::DrawTextW(Handle(), wide.data(), static_cast<int>(wide.size()), &rect, flags);
}
