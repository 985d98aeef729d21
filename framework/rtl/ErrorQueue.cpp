#include "ErrorQueue.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "SysUtils.h"

TErrorQueue::TErrorQueue(TShowBox show) : show_(std::move(show)) {}

void TErrorQueue::Failed(const TErrorSource& source, bool deferred) noexcept {
  try {
    TErrorText message{"Unknown exception", {}, {}};
    try {
      if (std::exception_ptr current = std::current_exception()) std::rethrow_exception(current);
      return;
    } catch (const std::exception& e) {
      message = ExceptionErrorText(e);
    } catch (...) {
    }
    Add(message, source);
  } catch (...) {
    return;  // no memory even for the message: nothing is left to report to
  }
  if (!deferred) {
    ShowPending();
  } else if (!showing_ && OnDeferred) {
    try {
      OnDeferred();
    } catch (...) {
      // The next error shown on the spot shows this one too.
    }
  }
}

void TErrorQueue::Add(const TErrorText& message, const TErrorSource& source) {
  auto same = std::find_if(entries_.begin(), entries_.end(),
                           [&](const TEntry& entry) { return entry.message == message; });
  if (same == entries_.end()) {
    entries_.push_back({message, {}});
    same = std::prev(entries_.end());
  }
  if (source.Named() &&
      std::find(same->sources.begin(), same->sources.end(), source) == same->sources.end())
    same->sources.push_back(source);
}

void TErrorQueue::ShowPending() noexcept {
  if (showing_) return;
  showing_ = true;
  while (!entries_.empty()) {
    try {
      // A copy: errors raised while the box is open are added behind it.
      const TErrorText message = entries_.front().message;
      show_(message);
    } catch (...) {
      // A box that cannot be shown is dropped, so the rest are not held up by it.
    }
    const std::vector<TErrorSource> released = std::move(entries_.front().sources);
    entries_.pop_front();
    for (const TErrorSource& source : released) {
      try {
        if (OnReleased) OnReleased(source);
      } catch (...) {
        // Nothing to undo: the source runs again in any case.
      }
    }
  }
  showing_ = false;
}

bool TErrorQueue::Blocked(const TErrorSource& source) const {
  if (!source.Named()) return false;
  return std::any_of(entries_.begin(), entries_.end(), [&](const TEntry& entry) {
    return std::find(entry.sources.begin(), entry.sources.end(), source) != entry.sources.end();
  });
}
