#include "ExtCtrls.h"

#include "Forms.h"

// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner) {
  picture_.OnChange = [this](TObject* sender) { PictureChanged(sender); };
  SetBounds(0, 0, 105, 105);
}

void TImage::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  Invalidate();
}

void TImage::PictureChanged(TObject*) {
  Invalidate();
}

void TImage::Paint() {
  TBitmap* bitmap = picture_.Bitmap();
  if (bitmap->Empty()) return;
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

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterWindowClass(kTimerClass, WindowProc);
  window_.reset(CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                                nullptr));
  if (!window_) throw Exception("Error creating window");
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  UpdateTimer();
}

TTimer::~TTimer() {
  KillTimer(window_.get(), kTimerId);
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
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
  KillTimer(window_.get(), kTimerId);
  if (enabled_ && interval_ != 0 && !SetTimer(window_.get(), kTimerId, interval_, nullptr))
    throw Exception("Not enough timers available");
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
  if (OnTick) OnTick();
}

LRESULT CALLBACK TTimer::WindowProc(HWND window, UINT message, WPARAM wParam,
                                    LPARAM lParam) noexcept {
  if (message == WM_TIMER && wParam == kTimerId) {
    if (auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
      GuardedCall({self, WM_TIMER}, [self] { self->Timer(); });
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
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
