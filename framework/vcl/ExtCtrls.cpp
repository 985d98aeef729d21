#include "ExtCtrls.h"

#include <algorithm>

#include "Dpi.h"
#include "Forms.h"

// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  picture_.OnChange = [this](TObject* sender) { PictureChanged(sender); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() = default;

void TImage::SetPixelScale(int k) {
  k = std::max(k, 1);
  if (k == pixelScale_) return;
  pixelScale_ = k;
  scaled_.reset();
  Invalidate();
}

void TImage::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TImage::PictureChanged(TObject*) {
  scaled_.reset();
  Invalidate();
}

void TImage::Paint() {
  TBitmap* bitmap = picture_.Bitmap();
  if (bitmap->Empty()) return;
  if (pixelScale_ > 1) {
    if (!scaled_) {
      scaled_ = std::make_unique<TBitmap>();
      ScaleBitmap(*scaled_, *bitmap, pixelScale_);
    }
    bitmap = scaled_.get();
  }
  HDC dc = Canvas()->CopyHandle();
  int width = bitmap->Width(), height = bitmap->Height();
  // The DC is clipped to the control, so the picture is cut at its edges.
  if (transparent_)
    TransparentBlt(dc, 0, 0, width, height, bitmap->DC(), 0, 0, width, height,
                   ColorToRGB(bitmap->TransparentColor()));
  else
    BitBlt(dc, 0, 0, width, height, bitmap->DC(), 0, 0, SRCCOPY);
}

// TTimer

namespace {

const wchar_t kTimerClass[] = L"QvTimer";
constexpr UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* AOwner)
    : TComponent(AOwner),
      window_(kTimerClass, [this](UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if (message != WM_TIMER || wParam != kTimerId) return false;
        GuardedCall({this, WM_TIMER}, [this] { Timer(); });
        return true;
      }) {
  UpdateTimer();
}

TTimer::~TTimer() {
  KillTimer(window_.Handle(), kTimerId);
}

void TTimer::SetInterval(unsigned milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  UpdateTimer();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(window_.Handle(), kTimerId);
  if (enabled_ && interval_ != 0 && !SetTimer(window_.Handle(), kTimerId, interval_, nullptr))
    throw Exception("Not enough timers available");
}

void TTimer::Timer() {
  TFreeWatch watch(this);
  if (OnTimer) OnTimer(this);
  if (!watch.Freed() && OnTick) OnTick();
}

namespace {

class TSystemClock final : public IClock {
 public:
  uint32_t TickCount() const override { return GetTickCount(); }
};

}  // namespace

IClock& SystemClock() {
  static TSystemClock clock;
  return clock;
}
