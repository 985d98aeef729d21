// Colours, fonts, brushes, pens, canvases over a DC, 24-bit bitmaps and pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "BmpReader.h"
#include "Classes.h"
#include "Handles.h"

// A colour reference (red in the low byte), or a system colour: clSystemColor | COLOR_xxx.
using TColor = int32_t;

inline constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
inline constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
inline constexpr TColor clMenu = clSystemColor | COLOR_MENU;
inline constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
inline constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
inline constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
inline constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
inline constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
inline constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
inline constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
inline constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
inline constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
inline constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
inline constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
inline constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
inline constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
inline constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
inline constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;

// The RGB value now: system colours through GetSysColor.
COLORREF ColorToRGB(TColor color);

using TRect = RECT;
using TPoint = POINT;
inline TRect Rect(int left, int top, int right, int bottom) {
  return TRect{left, top, right, bottom};
}
inline TPoint Point(int x, int y) {
  return TPoint{x, y};
}

class EInvalidGraphicOperation : public Exception {
 public:
  using Exception::Exception;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Fonts are always made with DEFAULT_CHARSET: Wine's ANSI_CHARSET fonts draw Russian as Latin-1.
class TFont : public TPersistent {
 public:
  TFont();
  void Assign(TPersistent* source) override;

  // The face name as Windows-1251 text.
  std::string Name() const;
  void SetName(const std::string& name);
  // The face name whole, for a face the system names with letters beyond Windows-1251.
  const std::wstring& FaceName() const { return name_; }
  void SetFaceName(const std::wstring& name);
  // Character height in pixels, negative as in LOGFONT.
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points at 96 pixels per inch.
  int Size() const;
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  // Escapement in tenths of a degree, for rotated text.
  int Orientation() const { return orientation_; }
  void SetOrientation(int tenths);
  BYTE Charset() const { return charset_; }
  void SetCharset(BYTE charset);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch pitch);

  // The record the handle is made from.
  LOGFONTW LogFont() const;
  // Made on demand and kept until a property changes.
  HFONT Handle();

  TNotifyEvent OnChange;

 private:
  void Changed();

  std::wstring name_ = L"MS Sans Serif";
  int height_ = -11;
  TColor color_ = clWindowText;
  TFontStyles style_ = 0;
  int orientation_ = 0;
  BYTE charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  FontHandle handle_;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TPersistent {
 public:
  void Assign(TPersistent* source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle style);
  HBRUSH Handle();

  TNotifyEvent OnChange;

 private:
  void Changed();

  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  BrushHandle handle_;
};

enum TPenStyle { psSolid, psClear };

class TPen : public TPersistent {
 public:
  void Assign(TPersistent* source) override;
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int Width() const { return width_; }
  void SetWidth(int width);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle style);
  HPEN Handle();

  TNotifyEvent OnChange;

 private:
  void Changed();

  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  PenHandle handle_;
};

class TBitmap;
class TCanvas;

// Gives a canvas a DC it does not own for the guard's lifetime, an exception's included.
class CanvasDC {
 public:
  CanvasDC(TCanvas& canvas, HDC dc);
  CanvasDC(const CanvasDC&) = delete;
  CanvasDC& operator=(const CanvasDC&) = delete;
  ~CanvasDC();

 private:
  TCanvas& canvas_;
};

// Drawing on a DC it does not own. Handle() selects the current font, brush and pen;
// the DC's own objects are put back when the DC is let go.
class TCanvas : public TPersistent {
 public:
  TCanvas();
  ~TCanvas() override;

  // Raises "Canvas does not allow drawing" when there is no DC.
  HDC Handle();
  // The same without selecting the font, brush and pen, for copying pictures, which draw
  // with none of them (under Wine, selecting a font into a window's DC is not cheap).
  HDC CopyHandle();
  void SetHandle(HDC dc);  // not owned
  bool HandleAllocated() const { return dc_ != nullptr; }

  TFont* Font() { return &font_; }
  TBrush* Brush() { return &brush_; }
  TPen* Pen() { return &pen_; }

  void FillRect(const TRect& rect);
  // Unscaled at (x, y); a transparent bitmap leaves its transparent colour's pixels alone.
  void Draw(int x, int y, TBitmap* bitmap);
  void StretchDraw(const TRect& rect, TBitmap* bitmap);
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& sourceRect);
  void TextOutAt(int x, int y, const std::string& text);
  // Text at (x, y) clipped to rect, over the brush unless the brush is clear.
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  SIZE TextExtent(const std::string& text);
  // DrawTextW: the height of the text drawn (or measured, with DT_CALCRECT).
  int DrawTextRect(const std::string& text, TRect& rect, UINT flags);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

 private:
  void Deselect();

  HDC dc_ = nullptr;
  TFont font_;
  TBrush brush_;
  TPen pen_;
  bool fontSelected_ = false, brushSelected_ = false, penSelected_ = false;
  HGDIOBJ oldFont_ = nullptr, oldBrush_ = nullptr, oldPen_ = nullptr;
};

enum TPixelFormat { pf24bit };
enum TTransparentMode { tmAuto, tmFixed };

// A 24-bit bottom-up DIB section with its own memory DC for the canvas.
class TBitmap : public TPersistent {
 public:
  TBitmap();
  ~TBitmap() override;

  void Assign(TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }
  // Keeps the pixels that still fit; new ones are black.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  TPixelFormat PixelFormat() const { return pf24bit; }
  void SetPixelFormat(TPixelFormat) {}

  // Row 0 is the top row: width × 3 bytes, blue, green, red. Raises for a row outside.
  uint8_t* ScanLine(int row);

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);
  // tmAuto: the bottom-left pixel (white for a picture loaded from a 1-bit image); tmFixed:
  // the colour set.
  TColor TransparentColor();
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparentMode_; }
  void SetTransparentMode(TTransparentMode mode);

  // A .bmp file or stream (file header, info header, colour table, bits), of any kind the
  // portable reader decodes, converted to 24 bits. A malformed image raises "Bitmap image
  // is not valid" and leaves the picture as it was.
  void LoadFromFile(const TPath& fileName);
  void LoadFromStream(TStream& stream);
  // An RT_BITMAP resource of the module.
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);
  void LoadFromResourceID(HINSTANCE instance, int id);
  // A packed DIB: info header, colour table, bits.
  void LoadFromDIB(const void* data, size_t size);

  TCanvas* Canvas();
  HBITMAP Handle() const { return bitmap_.get(); }
  // The memory DC holding the bitmap, null while empty.
  HDC DC() const { return dc_.get(); }

  // Fired when the size, pixels as loaded or the transparency change.
  TNotifyEvent OnChange;

 private:
  void Changed();
  void Replace(BitmapHandle bitmap, uint8_t* bits, int width, int height);
  void LoadDecoded(const DecodedBitmap& decoded);

  int width_ = 0, height_ = 0;
  uint8_t* bits_ = nullptr;  // owned by the DIB section
  BitmapHandle bitmap_;
  MemoryDC dc_;
  HGDIOBJ oldBitmap_ = nullptr;
  TCanvas canvas_;
  bool transparent_ = false;
  bool monochrome_ = false;
  TTransparentMode transparentMode_ = tmAuto;
  TColor transparentColor_ = clDefault;
};

// Tests only: while set, every bitmap made fails as when the system has no memory left for it.
void SetBitmapCreationFailsForTesting(bool fails);

// An icon picture: one platform icon of a chosen size, owned.
class TIcon : public TPersistent {
 public:
  void Assign(TPersistent* source) override;
  // An RT_GROUP_ICON resource of the module, in the size given (0: the system's small
  // icon size). Raises "Resource %d not found" when there is none.
  void LoadFromResourceID(HINSTANCE instance, int id, int size = 0);
  bool Empty() const { return !handle_; }
  void Clear();
  // Null while empty.
  HICON Handle() const { return handle_.get(); }
  int Size() const { return size_; }

  TNotifyEvent OnChange;

 private:
  void Changed();

  IconHandle handle_;
  int size_ = 0;
};

// Holds one bitmap; OnChange is fired whenever the bitmap changes.
class TPicture : public TPersistent {
 public:
  TPicture();
  void Assign(TPersistent* source) override;

  TBitmap* Bitmap() { return &bitmap_; }
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  bool Empty() const { return bitmap_.Empty(); }
  void LoadFromFile(const TPath& fileName);

  TNotifyEvent OnChange;

 private:
  TBitmap bitmap_;
};
