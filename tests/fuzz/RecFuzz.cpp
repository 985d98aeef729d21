// libFuzzer target: a .rec file played by the recorder, through the journal hook or the
// low-level replay, against the fake hook platform and clock, at any speed and start tick,
// perhaps stopped by the user or by Stop, perhaps with a recording appended afterwards.
#include <cstdint>
#include <set>

#include "FakeRecorderPlatform.h"
#include "FuzzCheck.h"
#include "FuzzInputs.h"

namespace {

bool IsRelease(uint32_t m) {
  return m == kMsgKeyUp || m == kMsgSysKeyUp || m == kMsgLButtonUp || m == kMsgRButtonUp ||
         m == kMsgMButtonUp || m == kMsgXButtonUp;
}

bool IsPress(uint32_t m) {
  for (uint32_t up : {kMsgLButtonUp, kMsgRButtonUp, kMsgMButtonUp, kMsgXButtonUp})
    if (m == up - 1 || m == up + 1) return true;  // down and double click
  return m == kMsgKeyDown || m == kMsgSysKeyDown;
}

// Which key or button an event presses or releases, as the input system sees it.
uint32_t Pressable(const TEventMsg& e) {
  if (IsKeyMessage(e.message)) return e.paramL & 0xFF;
  if (e.message >= kMsgXButtonDown && e.message <= kMsgXButtonDown + 2)
    return 0x100 | (e.hwnd & 0xFF);
  return 0x200 + (e.message - kMsgLButtonDown) / 3;
}

// What the replayed input leaves pressed.
std::set<uint32_t> Held(const std::vector<SentEvent>& sent) {
  std::set<uint32_t> held;
  for (const SentEvent& s : sent) {
    if (IsPress(s.event.message)) held.insert(Pressable(s.event));
    if (IsRelease(s.event.message)) held.erase(Pressable(s.event));
  }
  return held;
}

// Plays the journal as the system does: asks for the current event, waits as told, uses it.
std::vector<SentEvent> RunJournal(TRecorder& recorder, TFakeRecorderPlatform& platform,
                                  size_t stopAt) {
  std::vector<SentEvent> used;
  while (recorder.State() == rsPlaying) {
    if (used.size() == stopAt) recorder.Stop();
    TEventMsg event;
    const intptr_t wait = recorder.PlaybackHookProc(kHookGetNext, 0, Param(event));
    if (recorder.State() != rsPlaying) break;
    FUZZ_CHECK(wait >= 0);
    if (wait > 0) {
      platform.clock.Advance(static_cast<uint32_t>(wait));
      FUZZ_CHECK(recorder.PlaybackHookProc(kHookGetNext, 0, Param(event)) == 0);
    }
    used.push_back({platform.clock.TickCount(), event});
    recorder.PlaybackHookProc(kHookSkip, 0, 0);
  }
  return used;
}

// Runs the replay timer to the end, stopping the replay after `stopAt` sent events.
void RunTimer(TRecorder& recorder, TFakeRecorderPlatform& platform, size_t records, size_t stopAt) {
  for (size_t ticks = 0; recorder.State() == rsPlaying; ++ticks) {
    FUZZ_CHECK(ticks <= 2 * records + 2 && platform.timer && platform.timer->Running());
    if (platform.sent.size() >= stopAt) recorder.Stop();
    NextReplayTick(recorder, platform);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace fuzz_input;
  if (size < kRecControlSize) return 0;
  const RecControl control = ReadRecControl(data);
  const uint8_t* rec = data + kRecControlSize;
  const size_t recSize = size - kRecControlSize;
  std::vector<TEventMsg> records;
  for (size_t at = 0; at + kEventMsgSize <= recSize; at += kEventMsgSize)
    records.push_back(ReadEventMsg(rec + at));
  const bool lowLevel = control.flags & kLowLevel;

  TFakeRecorderPlatform platform;
  if (lowLevel) platform.refused = {THookKind::JournalPlayback};
  auto recorder = TRecorder::Create(platform);
  FUZZ_CHECK(recorder && !TRecorder::Create(platform));
  recorder->SetSpeed(control.speed);
  recorder->Stream().WriteBuffer(rec, static_cast<int64_t>(recSize));
  platform.clock.Set(control.startTick);

  if (records.empty()) {
    bool refused = false;
    try {
      recorder->Play();
    } catch (const Exception& e) {
      refused = e.Message() == "Recorder: Nothing to play";
    }
    FUZZ_CHECK(refused && recorder->State() == rsIdle && platform.installed.empty());
  } else {
    // Where Stop or the user's Esc cuts the replay short.
    const size_t cutAt = records.size() / 2;
    const bool stops = control.flags & kStopMidway;
    const bool breaks = lowLevel && (control.flags & kUserBreaks) && cutAt > 0;
    size_t replayed = 0;  // records sent; the releases of held input come without a hook
    platform.onSend = [&](const TEventMsg&) {
      if (recorder->Hook() == 0) return;
      if (++replayed == cutAt && breaks) {
        TLowLevelKey escape{kVkEscape, 1, false, false, platform.clock.TickCount()};
        recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(escape));
      }
    };
    recorder->Play();
    FUZZ_CHECK(recorder->State() == rsPlaying &&
               recorder->Path() == (lowLevel ? TInputPath::LowLevel : TInputPath::Journal));
    bool again = false;
    try {
      recorder->Play();
    } catch (const Exception& e) {
      again = e.Message() == "Recorder: Not ready to play.";
    }
    FUZZ_CHECK(again && recorder->State() == rsPlaying);

    std::vector<SentEvent> played;
    if (lowLevel) {
      RunTimer(*recorder, platform, records.size(), stops ? cutAt : SIZE_MAX);
      played = platform.sent;
    } else {
      played = RunJournal(*recorder, platform, stops ? cutAt : SIZE_MAX);
      replayed = played.size();
    }
    FUZZ_CHECK(replayed <= records.size());
    if (breaks || (stops && !lowLevel))
      FUZZ_CHECK(replayed == cutAt);
    else if (!stops)
      FUZZ_CHECK(replayed == records.size());
    // Each record once, in order, with its time made absolute: the first due at once, the
    // others at their stored time cut to whole 100 ms and scaled; none before it is due, and
    // on the journal none later than the one before it allows.
    uint32_t ready = control.startTick;
    const auto slack = static_cast<int32_t>(lowLevel ? TRecorder::kReplayInterval : 0);
    for (size_t i = 0; i < replayed; ++i) {
      TEventMsg expected = records[i];
      if (i > 0) {
        expected.time =
            expected.time / 100 * static_cast<uint32_t>(control.speed) + control.startTick;
        if (static_cast<int32_t>(expected.time - ready) > 0) ready = expected.time;
      }
      FUZZ_CHECK(played[i].event == expected);
      const auto late = static_cast<int32_t>(played[i].at - ready);
      FUZZ_CHECK(late >= 0 && late <= slack);
      ready = played[i].at;
    }
    // The low-level replay lets go of whatever its records left pressed.
    for (size_t i = replayed; i < played.size(); ++i)
      FUZZ_CHECK(IsRelease(played[i].event.message));
    if (lowLevel) FUZZ_CHECK(Held(played).empty() && recorder->HeldReleases().empty());
  }
  FUZZ_CHECK(recorder->State() == rsIdle && platform.installed.empty());
  FUZZ_CHECK(!platform.timer || !platform.timer->Running());

  if (control.flags & kAppendAfter) {
    // New input continues the old timeline, after the last whole record.
    recorder->Record(true);
    FUZZ_CHECK(recorder->State() == rsRecording);
    TEventMsg move{kMsgMouseMove, 10, 20, platform.clock.TickCount() + 300, 0};
    recorder->RecordHookProc(kHookAction, 0, Param(move));
    recorder->Stop();
    TMemoryStream& stream = recorder->Stream();
    const size_t kept = records.size() * kEventMsgSize;
    FUZZ_CHECK(stream.Size() == static_cast<int64_t>(kept + kEventMsgSize));
    const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
    FUZZ_CHECK(std::equal(rec, rec + kept, bytes));
    const TEventMsg added = ReadEventMsg(bytes + kept);
    const uint32_t last = records.empty() ? 0 : records.back().time;
    FUZZ_CHECK(added.message == move.message && added.paramL == 10 && added.paramH == 20);
    if (last < 0x7FFFFFFFu - 300) FUZZ_CHECK(added.time == last + 300);
    FUZZ_CHECK(platform.installed.empty());
  }
  return 0;
}
