#include "Graphics.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

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

void TFont::SetName(const std::string& name) {
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
  std::wstring face = ToWide(name_);
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

// Bitmaps

namespace {

// Set from a test's own thread while the GUI thread paints.
std::atomic<bool> bitmapCreationFails{false};

int Stride(int width) {
  return (width * 3 + 3) & ~3;
}

BitmapHandle CreateDib(int width, int height, uint8_t*& bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* memory = nullptr;
  BitmapHandle bitmap(bitmapCreationFails
                          ? nullptr
                          : CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &memory, nullptr, 0));
  if (!bitmap || !memory) throw Exception("Out of system resources");
  bits = static_cast<uint8_t*>(memory);
  return bitmap;
}

}  // namespace

void SetBitmapCreationFailsForTesting(bool fails) {
  bitmapCreationFails = fails;
}

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.SetHandle(nullptr);
  if (dc_ && oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
}

void TBitmap::Replace(BitmapHandle bitmap, uint8_t* bits, int width, int height) {
  canvas_.SetHandle(nullptr);
  if (dc_ && oldBitmap_) SelectObject(dc_.get(), oldBitmap_);
  oldBitmap_ = nullptr;
  bitmap_ = std::move(bitmap);
  bits_ = bits;
  if (!bitmap_) monochrome_ = false;
  width_ = bitmap_ ? width : 0;
  height_ = bitmap_ ? height : 0;
  if (!bitmap_) return;
  if (!dc_) dc_.reset(CreateCompatibleDC(nullptr));
  oldBitmap_ = SelectObject(dc_.get(), bitmap_.get());
  canvas_.SetHandle(dc_.get());
}

void TBitmap::Changed() {
  if (OnChange) OnChange(this);
}

void TBitmap::SetSize(int width, int height) {
  width = std::clamp(width, 0, kBmpMaxSide);
  height = std::clamp(height, 0, kBmpMaxSide);
  if (width == width_ && height == height_) return;
  if (width == 0 || height == 0) {
    Replace(BitmapHandle(), nullptr, 0, 0);
  } else {
    uint8_t* bits = nullptr;
    BitmapHandle bitmap = CreateDib(width, height, bits);
    GdiFlush();
    int rows = std::min(height, height_), bytes = std::min(width, width_) * 3;
    for (int row = 0; row < rows; ++row)
      std::memcpy(bits + static_cast<size_t>(height - 1 - row) * Stride(width),
                  bits_ + static_cast<size_t>(height_ - 1 - row) * Stride(width_), bytes);
    Replace(std::move(bitmap), bits, width, height);
  }
  Changed();
}

uint8_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_) throw EInvalidGraphicOperation("Scan line index out of range");
  GdiFlush();
  return bits_ + static_cast<size_t>(height_ - 1 - row) * Stride(width_);
}

TCanvas* TBitmap::Canvas() {
  return &canvas_;
}

void TBitmap::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Changed();
}

TColor TBitmap::TransparentColor() {
  if (transparentMode_ == tmFixed) return transparentColor_;
  if (Empty()) return clDefault;
  if (monochrome_) return clWhite;
  const uint8_t* pixel = ScanLine(height_ - 1);
  return static_cast<TColor>(RGB(pixel[2], pixel[1], pixel[0]));
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparentColor_ && transparentMode_ == (color == clDefault ? tmAuto : tmFixed))
    return;
  transparentColor_ = color;
  transparentMode_ = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparentMode_) return;
  transparentMode_ = mode;
  if (mode == tmAuto) transparentColor_ = clDefault;
  Changed();
}

void TBitmap::Assign(TPersistent* source) {
  if (!source) {
    if (!Empty()) {
      Replace(BitmapHandle(), nullptr, 0, 0);
      Changed();
    }
    return;
  }
  if (auto* picture = dynamic_cast<TPicture*>(source)) return Assign(picture->Bitmap());
  auto* other = dynamic_cast<TBitmap*>(source);
  if (!other) return TPersistent::Assign(source);
  if (other == this) return;
  if (other->Empty()) {
    Replace(BitmapHandle(), nullptr, 0, 0);
  } else {
    uint8_t* bits = nullptr;
    BitmapHandle bitmap = CreateDib(other->width_, other->height_, bits);
    GdiFlush();
    std::memcpy(bits, other->bits_, static_cast<size_t>(Stride(other->width_)) * other->height_);
    Replace(std::move(bitmap), bits, other->width_, other->height_);
  }
  monochrome_ = other->monochrome_;
  transparent_ = other->transparent_;
  transparentMode_ = other->transparentMode_;
  transparentColor_ = other->transparentColor_;
  Changed();
}

void TBitmap::LoadFromDIB(const void* data, size_t size) {
  if (!data) throw EInvalidGraphic(kInvalidBitmapText);
  LoadDecoded(DecodePackedDib({static_cast<const uint8_t*>(data), size}));
}

void TBitmap::LoadDecoded(const DecodedBitmap& decoded) {
  uint8_t* bits = nullptr;
  BitmapHandle bitmap = CreateDib(decoded.width, decoded.height, bits);
  GdiFlush();
  const size_t rowBytes = static_cast<size_t>(decoded.width) * 3;
  for (int y = 0; y < decoded.height; ++y)
    std::memcpy(bits + static_cast<size_t>(decoded.height - 1 - y) * Stride(decoded.width),
                decoded.Row(y), rowBytes);
  Replace(std::move(bitmap), bits, decoded.width, decoded.height);
  monochrome_ = decoded.Monochrome();
  Changed();
}

void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t available = stream.Size() - stream.Position();
  if (available <= 0 || available > static_cast<int64_t>(kBmpMaxPixelBytes) * 2)
    throw EInvalidGraphic(kInvalidBitmapText);
  std::vector<uint8_t> file(static_cast<size_t>(available));
  stream.ReadBuffer(file.data(), available);
  LoadDecoded(DecodeBmpFile(file));
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  TMemoryStream stream;
  stream.LoadFromFile(fileName);
  LoadFromStream(stream);
}

static void LoadBitmapResource(TBitmap& bitmap, HINSTANCE instance, LPCSTR name,
                               const std::string& shownName) {
  HRSRC resource = FindResourceA(instance, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
  HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) throw Exception("Resource " + shownName + " not found");
  bitmap.LoadFromDIB(data, SizeofResource(instance, resource));
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  LoadBitmapResource(*this, instance, name.c_str(), name);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  LoadBitmapResource(*this, instance, MAKEINTRESOURCEA(id), std::to_string(id));
}

// Icons

void TIcon::Assign(TPersistent* source) {
  auto* icon = dynamic_cast<TIcon*>(source);
  if (!source || (icon && icon->Empty())) {
    Clear();
    return;
  }
  if (!icon) return TPersistent::Assign(source);
  if (icon == this) return;
  handle_.reset(CopyIcon(icon->handle_.get()));
  size_ = icon->size_;
  Changed();
}

void TIcon::LoadFromResourceID(HINSTANCE instance, int id, int size) {
  if (size <= 0) size = GetSystemMetrics(SM_CXSMICON);
  auto* loaded = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (!loaded) throw Exception("Resource " + std::to_string(id) + " not found");
  handle_.reset(loaded);
  size_ = size;
  Changed();
}

void TIcon::Clear() {
  if (!handle_) return;
  handle_.reset();
  size_ = 0;
  Changed();
}

void TIcon::Changed() {
  if (OnChange) OnChange(this);
}

// Pictures

TPicture::TPicture() {
  bitmap_.OnChange = [this](TObject*) {
    if (OnChange) OnChange(this);
  };
}

void TPicture::Assign(TPersistent* source) {
  if (!source) return bitmap_.Assign(nullptr);
  if (auto* picture = dynamic_cast<TPicture*>(source)) return bitmap_.Assign(picture->Bitmap());
  if (dynamic_cast<TBitmap*>(source)) return bitmap_.Assign(source);
  TPersistent::Assign(source);
}

void TPicture::LoadFromFile(const std::string& fileName) {
  bitmap_.LoadFromFile(fileName);
}
