#include "Dpi.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <cstring>

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Handles.h"
#include "LateBound.h"
#include "Scaling.h"

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND window) {
  // Windows 10 1607 and later; GetDpiForMonitor from 8.1 on.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto forWindow = LateBound<DpiForWindow>(L"user32.dll", "GetDpiForWindow");
  static const auto forMonitor = LateBound<DpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
  if (window && forWindow)
    if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  if (window && forMonitor) {
    UINT x = 0, y = 0;
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (forMonitor(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &x, &y) ==
            S_OK &&
        x > 0)
      return static_cast<int>(x);
  }
  return ScreenDpi();
}

void ScaleBitmap(TBitmap& to, TBitmap& from, int k) {
  to.Assign(&from);
  if (k <= 1 || from.Empty()) return;
  const int width = from.Width(), height = from.Height();
  const size_t stride = DibStride24(width);
  // The DIB's rows lie bottom-up from the last scan line on; scaled they keep that order.
  const std::vector<uint8_t> scaled = ScalePixels24(
      {from.ScanLine(height - 1), stride * static_cast<size_t>(height)}, width, height, stride, k);
  if (scaled.empty()) return;
  to.SetSize(width * k, height * k);
  if (to.Width() != width * k || to.Height() != height * k) return;
  std::memcpy(to.ScanLine(height * k - 1), scaled.data(), scaled.size());
}

namespace {

int TextWidthAt(HDC dc, LOGFONTW font, int height) {
  // Russian and Latin letters, digits, blanks and marks, as answers hold them.
  static const wchar_t kSample[] =
      L"\u0430\u0431\u0432\u0433\u0434\u0435\u0451\u0436\u0437\u0438\u0439\u043A\u043B"
      L"\u043C\u043D\u043E\u043F\u0440\u0441\u0442\u0443\u0444\u0445\u0446\u0447\u0448"
      L"\u0449\u044A\u044B\u044C\u044D\u044E\u044F \u0410\u0411\u0412\u0413\u0414\u041A"
      L"\u041F\u0421\u042F abcdefghijklmnopqrstuvwxyz ABCXYZ 0123456789 ,.!?-";
  font.lfHeight = height;
  FontHandle handle(CreateFontIndirectW(&font));
  SelectGuard select(dc, handle.get());
  SIZE size{};
  GetTextExtentPoint32W(dc, kSample, static_cast<int>(std::size(kSample) - 1), &size);
  return size.cx;
}

}  // namespace

int FittedFontHeight(const TFont& font, int baseHeight, int k) {
  if (k <= 1) return baseHeight;
  MemoryDC dc(CreateCompatibleDC(nullptr));
  if (!dc) return baseHeight * k;
  const LOGFONTW logFont = font.LogFont();
  const int limit = TextWidthAt(dc.get(), logFont, baseHeight) * k;
  const int sign = baseHeight < 0 ? -1 : 1;
  int height = baseHeight * k;
  while (std::abs(height) > std::abs(baseHeight) && TextWidthAt(dc.get(), logFont, height) > limit)
    height -= sign;
  return height;
}

void TDpiLayout::Capture(TWinControl* form) {
  form_ = form;
  clientWidth_ = form->ClientWidth();
  clientHeight_ = form->ClientHeight();
  formFont_ = form->Font()->Height();
  entries_.clear();
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* control = dynamic_cast<TControl*>(form->Components(i))) Add(control);
}

void TDpiLayout::Add(TControl* control) {
  entries_.push_back({control, control->BoundsRect(), control->Font()->Height()});
}

int TDpiLayout::Scaled(int value, TDpiRule rule) const {
  return rule == TDpiRule::Whole ? value * ScaleFactor(dpi_) : ScaleExact(value, dpi_);
}

void TDpiLayout::Apply(int dpi, TDpiRule rule) {
  if (!form_ || dpi <= 0 || (dpi == dpi_ && dpi == kBaseDpi)) return;
  dpi_ = dpi;
  const int k = ScaleFactor(dpi);
  form_->Font()->SetHeight(Scaled(formFont_, rule));
  form_->SetClientWidth(Scaled(clientWidth_, rule));
  form_->SetClientHeight(Scaled(clientHeight_, rule));
  for (const Entry& entry : entries_) {
    TControl* control = entry.control;
    if (!control->ParentFont()) control->Font()->SetHeight(Scaled(entry.fontHeight, rule));
    auto* image = dynamic_cast<TImage*>(control);
    if (image) image->SetPixelScale(k);
    // Aligned controls and tab pages are placed by their parents.
    if (control->Align() != alNone || dynamic_cast<TTabSheet*>(control)) continue;
    const TRect& b = entry.bounds;
    int left = Scaled(b.left, rule), top = Scaled(b.top, rule);
    int width = Scaled(b.right, rule) - left, height = Scaled(b.bottom, rule) - top;
    if (image && !image->Picture()->Bitmap()->Empty()) {
      // Pixel art comes only in whole sizes: centred on its place, kept inside the parent.
      const int wholeWidth = (b.right - b.left) * k, wholeHeight = (b.bottom - b.top) * k;
      left += (width - wholeWidth) / 2;
      top += (height - wholeHeight) / 2;
      // Only the form's size is known here: pages and boxes get theirs when laid out.
      if (control->Parent() == form_) {
        left = std::max(0, std::min(left, form_->ClientWidth() - wholeWidth));
        top = std::max(0, std::min(top, form_->ClientHeight() - wholeHeight));
      }
      width = wholeWidth;
      height = wholeHeight;
    }
    control->SetBounds(left, top, width, height);
  }
}
