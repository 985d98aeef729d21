// Time for the state machines (text fader, recorder): a tick count and periodic timers,
// behind interfaces so that tests drive them with a fake clock.
#pragma once

#include <cstdint>
#include <functional>

// Milliseconds, 32 bits, wrapping (GetTickCount).
class IClock {
 public:
  virtual ~IClock() = default;
  virtual uint32_t TickCount() const = 0;
};

// A periodic tick source with the framework timer's rules: setting the interval it already
// has changes nothing and a running countdown goes on; a different interval restarts the
// countdown; enabling restarts it with the current interval; ticks come only while enabled
// and with an interval above 0.
class ITimer {
 public:
  virtual ~ITimer() = default;
  virtual unsigned Interval() const = 0;
  virtual void SetInterval(unsigned milliseconds) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;

  std::function<void()> OnTick;
};
