// Pictures on a form and timers.
#pragma once

#include <windows.h>

#include <memory>

#include "Controls.h"
#include "Graphics.h"
#include "MessageWindow.h"
#include "Timing.h"

// Shows Picture at its top-left corner, clipped to the control: unscaled, or with every
// pixel PixelScale x PixelScale.
class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  int PixelScale() const { return pixelScale_; }
  // Values below 1 count as 1.
  virtual void SetPixelScale(int k);

  TPicture* Picture() { return &picture_; }
  // Draws the bitmap with its transparent colour left out.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

 protected:
  void Paint() override;
  // Bound to Picture's OnChange at creation; repaints. Overrides call this one too.
  virtual void PictureChanged(TObject* Sender);

 private:
  TPicture picture_;
  bool transparent_ = false;
  int pixelScale_ = 1;
  std::unique_ptr<TBitmap> scaled_;  // the picture at PixelScale, made when first drawn
};

// Ticks on the GUI thread through a hidden message-only window. Setting the interval it
// already has changes nothing; a new interval or enabling restarts the countdown; no ticks
// while disabled or with interval 0.
class TTimer : public TComponent, public ITimer {
 public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;

  unsigned Interval() const override { return interval_; }
  void SetInterval(unsigned milliseconds) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;

  // An exception thrown here (or in OnTick) is shown in the error box; the timer goes on.
  TNotifyEvent OnTimer;

 protected:
  virtual void Timer();

 private:
  void UpdateTimer();

  unsigned interval_ = 1000;
  bool enabled_ = true;
  TMessageWindow window_;
};

// GetTickCount.
IClock& SystemClock();
