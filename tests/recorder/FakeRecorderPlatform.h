// A hook platform for the recorder's tests: it logs every call, hands out numbered hooks,
// refuses the kinds a test names, sends input into a list and keeps time with a fake clock.
// The thread-message watch is logged apart, in `watches`, and numbered from 101, so that the
// input hooks keep their numbers.
// lParam of a hook call is the address of the test's own TEventMsg, TLowLevelKey or
// TLowLevelMouse. Also the macro helpers the Win32 tests share.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "FakeTiming.h"
#include "RecorderCore.h"

inline TEventMsg Event(uint32_t message, uint32_t paramL, uint32_t paramH, uint32_t time,
                       uint32_t hwnd = 0) {
  return {message, paramL, paramH, time, hwnd};
}

inline void WriteMacro(TMemoryStream& stream, const std::vector<TEventMsg>& events) {
  for (const TEventMsg& event : events) {
    uint8_t bytes[kEventMsgSize];
    WriteEventMsg(event, bytes);
    stream.WriteBuffer(bytes, kEventMsgSize);
  }
}

inline std::vector<TEventMsg> ReadMacro(TMemoryStream& stream) {
  std::vector<TEventMsg> events;
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  for (int64_t at = 0; at + 20 <= stream.Size(); at += 20)
    events.push_back(ReadEventMsg(bytes + at));
  return events;
}

template <class T>
intptr_t Param(T& value) {
  return reinterpret_cast<intptr_t>(&value);
}

struct SentEvent {
  uint32_t at;
  TEventMsg event;
};

class TFakeRecorderPlatform : public IRecorderPlatform {
 public:
  static constexpr intptr_t kNextHookResult = 77;

  TFakeClock clock;
  std::set<THookKind> refused;
  bool timersFail = false;
  std::vector<std::string> calls;
  std::vector<std::string> watches;
  std::set<THookHandle> installed;
  std::vector<SentEvent> sent;
  TFakeTimer* timer = nullptr;
  // Runs inside SendEvent, as the system may call a low-level hook from SendInput.
  std::function<void(const TEventMsg&)> onSend;

  THookHandle SetHook(THookKind kind) override {
    static const char* const kNames[] = {"JournalRecord", "JournalPlayback", "KeyboardLowLevel",
                                         "MouseLowLevel", "ThreadMessages"};
    const bool watch = kind == THookKind::ThreadMessages;
    std::vector<std::string>& log = watch ? watches : calls;
    const std::string call = std::string("SetHook ") + kNames[static_cast<int>(kind)];
    if (refused.count(kind)) {
      log.push_back(call + " refused");
      return 0;
    }
    const THookHandle hook = watch ? ++lastWatch_ : ++lastHook_;
    installed.insert(hook);
    log.push_back(call + " " + std::to_string(hook));
    return hook;
  }
  void Unhook(THookHandle hook) override {
    installed.erase(hook);
    (hook > kFirstWatch ? watches : calls).push_back("Unhook " + std::to_string(hook));
  }
  intptr_t CallNextHook(THookHandle hook, int code, uintptr_t, intptr_t) override {
    calls.push_back("CallNext " + std::to_string(hook) + " " + std::to_string(code));
    return kNextHookResult;
  }
  TEventMsg LoadEvent(intptr_t lParam) override { return At<TEventMsg>(lParam); }
  void StoreEvent(intptr_t lParam, const TEventMsg& event) override {
    At<TEventMsg>(lParam) = event;
  }
  TLowLevelKey LoadKey(intptr_t lParam) override { return At<TLowLevelKey>(lParam); }
  TLowLevelMouse LoadMouse(intptr_t lParam) override { return At<TLowLevelMouse>(lParam); }
  void SendEvent(const TEventMsg& event) override {
    sent.push_back({clock.TickCount(), event});
    if (onSend) onSend(event);
  }
  const IClock& Clock() override { return clock; }
  std::unique_ptr<ITimer> CreateTimer() override {
    if (timersFail) throw Exception("Not enough timers available");
    auto made = std::make_unique<TFakeTimer>(clock);
    timer = made.get();
    return made;
  }

 private:
  template <class T>
  static T& At(intptr_t lParam) {
    return *reinterpret_cast<T*>(lParam);
  }
  static constexpr THookHandle kFirstWatch = 100;
  THookHandle lastHook_ = 0;
  THookHandle lastWatch_ = kFirstWatch;
};

// Plays the journal the way the system does: asks for the current event, waits as long as
// told (asking again when the wait is over), uses it and asks for the next, until the
// recorder is idle (or a runaway replay has used 100,000). Returns the events with their times.
inline std::vector<SentEvent> RunJournal(TRecorder& recorder, TFakeRecorderPlatform& platform) {
  std::vector<SentEvent> used;
  while (recorder.State() == rsPlaying && used.size() < 100000) {
    TEventMsg event;
    if (intptr_t wait = recorder.PlaybackHookProc(kHookGetNext, 0, Param(event)); wait > 0) {
      platform.clock.Advance(static_cast<uint32_t>(wait));
      EXPECT_EQ(recorder.PlaybackHookProc(kHookGetNext, 0, Param(event)), 0) << "after the wait";
    }
    used.push_back({platform.clock.TickCount(), event});
    recorder.PlaybackHookProc(kHookSkip, 0, 0);
  }
  return used;
}

// The replay timer's next tick, after a jump over the time in which nothing falls due (a
// tick every 10 ms over a long pause would take long).
inline void NextReplayTick(TRecorder& recorder, TFakeRecorderPlatform& platform) {
  const uint32_t due = recorder.DueTime(), interval = platform.timer->Interval();
  if (!platform.sent.empty() &&
      static_cast<int32_t>(due - platform.clock.TickCount()) > static_cast<int32_t>(interval)) {
    platform.timer->SetEnabled(false);
    platform.clock.Set(due - interval);
    platform.timer->SetEnabled(true);
  }
  platform.clock.NextTick();
}

// Runs the replay timer until the recorder is idle.
inline void RunTimer(TRecorder& recorder, TFakeRecorderPlatform& platform) {
  for (int ticks = 0; recorder.State() == rsPlaying && ticks < 100000; ++ticks) {
    ASSERT_TRUE(platform.timer && platform.timer->Running());
    NextReplayTick(recorder, platform);
  }
}
