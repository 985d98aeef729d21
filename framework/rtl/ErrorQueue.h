// ErrorQueue: the rules of the standard error box. One box is open at a time; an error raised
// while it is open waits for it, and one whose text is already open or waiting joins that
// entry instead of queueing a second box. Every callback edge (a window's message, a timer, a
// hook) names its source; while an error of that source is open or waiting its callback is
// skipped, so a handler that fails on every tick does not run again inside the modal loop of
// its own box, where timers still fire, paints still come and hooks still run.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "SysUtils.h"

// Where a callback comes from. An empty source (no object) is never skipped.
struct TErrorSource {
  const void* Object = nullptr;
  uintptr_t Detail = 0;

  bool Named() const { return Object != nullptr; }
  friend bool operator==(const TErrorSource&, const TErrorSource&) = default;
};

enum class TCallResult { Done, Failed, Skipped };

class TErrorQueue {
 public:
  // Shows one box with the message and returns once the user has closed it.
  using TShowBox = std::function<void(const TErrorText& message)>;

  explicit TErrorQueue(TShowBox show);

  // Runs f for `source` unless an error of it is open or waiting. An exception ends f and is
  // reported: shown now (or after the open box), or, with `deferred` (inside a hook, where no
  // box may be shown), only queued for the next ShowPending.
  template <class F>
  TCallResult Run(const TErrorSource& source, F&& f, bool deferred = false) noexcept {
    if (Blocked(source)) return TCallResult::Skipped;
    try {
      f();
      return TCallResult::Done;
    } catch (...) {
      Failed(source, deferred);
      return TCallResult::Failed;
    }
  }

  // For catch blocks: reports the current exception as Run does.
  void Failed(const TErrorSource& source, bool deferred) noexcept;
  // Queues the message unless it is open or waiting already; the source joins its entry.
  void Add(const TErrorText& message, const TErrorSource& source = {});
  // Shows the waiting errors one after another, each once the one before is closed. Called
  // while a box is open (from its modal loop) it returns at once: the open box's caller goes
  // on with the rest.
  void ShowPending() noexcept;

  bool Blocked(const TErrorSource& source) const;
  bool Showing() const { return showing_; }
  // Errors open or waiting.
  size_t Count() const { return entries_.size(); }

  // A deferred error was queued while no box is open: ShowPending is due soon.
  std::function<void()> OnDeferred;
  // A box has closed: its sources run again.
  std::function<void(const TErrorSource&)> OnReleased;

 private:
  struct TEntry {
    TErrorText message;
    std::vector<TErrorSource> sources;
  };

  TShowBox show_;
  std::deque<TEntry> entries_;  // the first one is open while showing_
  bool showing_ = false;
};
