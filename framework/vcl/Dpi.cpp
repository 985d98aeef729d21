#include "Dpi.h"

#include <algorithm>
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
      if (TWinControl* parent = control->Parent()) {
        left = std::max(0, std::min(left, parent->ClientWidth() - wholeWidth));
        top = std::max(0, std::min(top, parent->ClientHeight() - wholeHeight));
      }
      width = wholeWidth;
      height = wholeHeight;
    }
    control->SetBounds(left, top, width, height);
  }
}
