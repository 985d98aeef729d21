// A fake clock and timers for the state machines: time moves only when a test says so, and
// every tick falls due at an exact millisecond.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "Timing.h"

class TFakeClock : public IClock {
 public:
  uint32_t TickCount() const override { return now_; }
  void Set(uint32_t now) { now_ = now; }

  // Moves the time on by `milliseconds`, firing every tick that falls due meanwhile, each
  // at its own time, earliest first (timers due at once in the order they were made).
  void Advance(uint32_t milliseconds);
  // Moves to the next tick of any timer and fires it; false when no timer runs.
  bool NextTick(uint32_t limit = 600000);

 private:
  friend class TFakeTimer;
  uint32_t now_ = 0;
  std::vector<class TFakeTimer*> timers_;
};

class TFakeTimer : public ITimer {
 public:
  explicit TFakeTimer(TFakeClock& clock) : clock_(clock) { clock_.timers_.push_back(this); }
  ~TFakeTimer() override {
    auto& timers = clock_.timers_;
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
  }
  TFakeTimer(const TFakeTimer&) = delete;
  TFakeTimer& operator=(const TFakeTimer&) = delete;

  unsigned Interval() const override { return interval_; }
  void SetInterval(unsigned milliseconds) override {
    if (milliseconds == interval_) return;
    interval_ = milliseconds;
    Restart();
  }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Restart();
  }

  bool Running() const { return enabled_ && interval_ > 0; }
  // Time of the next tick; meaningful while Running().
  uint32_t Due() const { return due_; }
  int Ticks() const { return ticks_; }

 private:
  friend class TFakeClock;
  void Restart() { due_ = clock_.now_ + interval_; }
  void Fire() {
    ++ticks_;
    due_ = clock_.now_ + interval_;
    if (OnTick) OnTick();
  }

  TFakeClock& clock_;
  unsigned interval_ = 1000;
  bool enabled_ = true;
  uint32_t due_ = 0;
  int ticks_ = 0;
};

inline bool TFakeClock::NextTick(uint32_t limit) {
  TFakeTimer* next = nullptr;
  for (TFakeTimer* timer : timers_)
    if (timer->Running() && timer->due_ - now_ <= limit &&
        (!next || timer->due_ - now_ < next->due_ - now_))
      next = timer;
  if (!next) return false;
  now_ = next->due_;
  next->Fire();
  return true;
}

inline void TFakeClock::Advance(uint32_t milliseconds) {
  const uint32_t end = now_ + milliseconds;
  while (NextTick(end - now_)) {
  }
  now_ = end;
}
