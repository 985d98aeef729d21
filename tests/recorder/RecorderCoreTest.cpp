// The recorder against a fake hook platform and a fake tick count.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

#include "FakeRecorderPlatform.h"

namespace {

using Calls = std::vector<std::string>;
using Events = std::vector<TEventMsg>;
using States = std::vector<TRecorderState>;
using Times = std::vector<uint32_t>;
constexpr intptr_t kNext = TFakeRecorderPlatform::kNextHookResult;

void ExpectFailure(const std::function<void()>& action, const std::string& text) {
  try {
    action();
    ADD_FAILURE() << "no error, expected \"" << text << "\"";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), text);
  }
}

Times TimesFrom(const std::vector<SentEvent>& events, uint32_t start) {
  Times times;
  for (const SentEvent& sent : events) times.push_back(sent.at - start);
  return times;
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recorder = TRecorder::Create(platform);
    ASSERT_NE(recorder, nullptr);
    recorder->OnStateChange = [this](TRecorderState state) { changes.push_back(state); };
  }
  // Feeds one event to the journal-record hook at the event's own time.
  intptr_t Journal(TEventMsg event) {
    platform.clock.Set(event.time);
    return recorder->RecordHookProc(kHookAction, 0, Param(event));
  }
  void Macro(const Events& events) {
    recorder->Stream().Clear();
    WriteMacro(recorder->Stream(), events);
  }

  TFakeRecorderPlatform platform;
  std::unique_ptr<TRecorder> recorder;
  States changes;
};

TEST(RecorderFormatTest, RecordsInTheJournalsLayout) {
  const TEventMsg event = Event(0x0100, 0x00002E41, 0x80000001, 0xFEDCBA98, 0x00010203);
  const uint8_t expected[kEventMsgSize] = {0x00, 0x01, 0,    0,    0x41, 0x2E, 0,    0,    0x01, 0,
                                           0,    0x80, 0x98, 0xBA, 0xDC, 0xFE, 0x03, 0x02, 0x01, 0};
  uint8_t bytes[kEventMsgSize + 4];
  std::memset(bytes, 0xEE, sizeof bytes);
  WriteEventMsg(event, bytes);
  EXPECT_EQ(std::memcmp(bytes, expected, kEventMsgSize), 0);
  EXPECT_EQ(bytes[kEventMsgSize], 0xEE);  // not the 24 bytes of a 64-bit EVENTMSG
  EXPECT_EQ(ReadEventMsg(expected), event);
}

// Against the ways a system may scale an absolute coordinate back to a pixel.
TEST(RecorderFormatTest, AbsoluteCoordinatesComeBackAsTheSamePixel) {
  for (int32_t extent : {1, 2, 3, 640, 768, 1023, 1024, 1080, 1366, 1920, 2560, 3840, 7680}) {
    for (int32_t origin : {0, -1920, 1280}) {
      for (int32_t offset = 0; offset < extent; ++offset) {
        const int64_t n = AbsoluteCoordinate(origin + offset, origin, extent);
        ASSERT_TRUE(n >= 0 && n <= 65535 && n * extent / 65536 == offset &&
                    (n * extent + 32768) / 65536 == offset &&
                    (n * extent + 32767) / 65535 == offset)
            << extent << " " << offset << " " << n;
      }
      EXPECT_EQ(AbsoluteCoordinate(origin - 10, origin, extent), 0);
      EXPECT_EQ(AbsoluteCoordinate(origin + extent + 10, origin, extent), 65535);
    }
  }
  EXPECT_EQ(AbsoluteCoordinate(5, 0, 0), 0);
}

TEST_F(RecorderTest, OneRecorderAtATimeStoppedWhenDestroyed) {
  EXPECT_EQ(TRecorder::Create(platform), nullptr);
  recorder->Stop();  // idle, no hook: nothing to do, no one to tell
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_TRUE(changes.empty());
  recorder->Record(false);
  recorder.reset();
  EXPECT_TRUE(platform.installed.empty());
  EXPECT_NE(recorder = TRecorder::Create(platform), nullptr);
}

TEST_F(RecorderTest, RecordingUntilCtrlBreakThenAppending) {
  recorder->Stream().WriteBuffer("old macro", 9);
  platform.clock.Set(10000);
  recorder->Record(false);
  EXPECT_EQ(platform.calls, Calls{"SetHook JournalRecord 1"});

  // Codes below 0 go on down the chain; unknown codes are neither recorded nor passed on.
  EXPECT_EQ(recorder->RecordHookProc(-1, 5, 6), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 1 -1");
  TEventMsg ignored = Event(kMsgKeyDown, 0x41, 1, 10010);
  EXPECT_EQ(recorder->RecordHookProc(3, 0, Param(ignored)), 0);

  EXPECT_EQ(Journal(Event(kMsgMouseMove, 3, 200, 10050, 0x1234)), 0);  // x 3 is no Break
  Journal(Event(kMsgKeyLast + 1, 3, 1, 10050));                        // nor is this
  Journal(Event(kMsgMouseMove, 301, 200, 9990));  // queued before the start: counts as at it
  Journal(Event(kMsgKeyDown, 0x1D11, 1, 11000));  // Ctrl
  EXPECT_EQ(Journal(Event(kMsgKeyLast, 0x4603, 1, 15000)), 0);  // Break
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  EXPECT_EQ(changes, (States{rsRecording, rsIdle}));
  Journal(Event(kMsgKeyUp, 0x4603, 1, 15100));  // late, after the hook is gone

  // Appending goes after the last whole record wherever the position was left (a load
  // leaves it at 0), drops a trailing fragment and continues the old timeline.
  recorder->Stream().WriteBuffer("frag", 4);
  recorder->Stream().SetPosition(0);
  platform.clock.Set(70000);
  recorder->Record(true);
  EXPECT_EQ(recorder->StartTime(), 65000u);
  Journal(Event(kMsgKeyUp, 0x4603, 1, 70300));
  EXPECT_EQ(recorder->Stream().Size(), 120);
  EXPECT_EQ(ReadMacro(recorder->Stream()),
            (Events{Event(kMsgMouseMove, 3, 200, 50, 0x1234), Event(kMsgKeyLast + 1, 3, 1, 50),
                    Event(kMsgMouseMove, 301, 200, 0), Event(kMsgKeyDown, 0x1D11, 1, 1000),
                    Event(kMsgKeyLast, 0x4603, 1, 5000), Event(kMsgKeyUp, 0x4603, 1, 5300)}));

  // Appending to an empty stream starts at 0, whatever the last recording ended with.
  recorder->Stop();
  recorder->Stream().Clear();
  platform.clock.Set(90000);
  recorder->Record(true);
  EXPECT_EQ(recorder->StartTime(), 90000u);
}

TEST_F(RecorderTest, FailuresLeaveTheStateAsItWas) {
  ExpectFailure([&] { recorder->Play(); }, "Recorder: Nothing to play");
  recorder->Stream().WriteBuffer("19 bytes is no move", 19);
  ExpectFailure([&] { recorder->Play(); }, "Recorder: Nothing to play");
  EXPECT_TRUE(platform.calls.empty());

  // No journal and no timer for the low-level replay.
  Macro({Event(kMsgMouseMove, 1, 1, 0)});
  platform.refused = {THookKind::JournalPlayback};
  platform.timersFail = true;
  ExpectFailure([&] { recorder->Play(); }, "Playback hook cannot be created");
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  platform.refused.clear();
  platform.timersFail = false;

  // Busy either way: refused before anything is touched, the stream included.
  for (bool playing : {false, true}) {
    playing ? recorder->Play() : recorder->Record(true);
    ExpectFailure([&] { recorder->Play(); }, "Recorder: Not ready to play.");
    ExpectFailure([&] { recorder->Record(false); }, "Recorder: NotReady to record.");
    EXPECT_EQ(recorder->State(), playing ? rsPlaying : rsRecording);
    EXPECT_EQ(recorder->Stream().Size(), 20);
    recorder->Stop();
  }

  // Neither path: the emptied stream stays empty.
  platform.refused = {THookKind::JournalRecord, THookKind::KeyboardLowLevel};
  changes.clear();
  ExpectFailure([&] { recorder->Record(false); }, "JournalHook cannot be created");
  EXPECT_EQ(recorder->Stream().Size(), 0);
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(changes.empty());
  // The mouse hook alone is refused: the keyboard hook does not stay behind.
  platform.refused = {THookKind::JournalRecord, THookKind::MouseLowLevel};
  platform.calls.clear();
  ExpectFailure([&] { recorder->Record(false); }, "JournalHook cannot be created");
  EXPECT_EQ(platform.calls, (Calls{"SetHook JournalRecord refused", "SetHook KeyboardLowLevel 3",
                                   "SetHook MouseLowLevel refused", "Unhook 3"}));
  EXPECT_TRUE(platform.installed.empty());
}

TEST_F(RecorderTest, JournalPlaybackTiming) {
  // 50, 1,250 and 1,290 ms: the first at once, the other two at 1,200; so is 1,234. The
  // five records are 100 bytes; the hook goes once the fifth is used.
  Macro({Event(kMsgMouseMove, 1, 1, 50), Event(kMsgMouseMove, 2, 2, 1250),
         Event(kMsgMouseMove, 3, 3, 1290), Event(kMsgKeyDown, 0x41, 1, 1234),
         Event(kMsgKeyUp, 0x41, 1, 1399)});
  ASSERT_EQ(recorder->Stream().Size(), 100);
  platform.clock.Set(0xFFFFFF00);  // the tick count wraps during the playback
  recorder->Play();
  EXPECT_EQ(platform.calls, Calls{"SetHook JournalPlayback 1"});

  // Asked again, the hook answers with the time still remaining.
  TEventMsg event;
  EXPECT_EQ(recorder->PlaybackHookProc(kHookGetNext, 0, Param(event)), 0);
  EXPECT_EQ(event, Event(kMsgMouseMove, 1, 1, 50));
  recorder->PlaybackHookProc(kHookSkip, 0, 0);
  EXPECT_EQ(recorder->PlaybackHookProc(kHookGetNext, 0, Param(event)), 1200);
  platform.clock.Set(0xFFFFFF00 + 700);
  EXPECT_EQ(recorder->PlaybackHookProc(kHookGetNext, 0, Param(event)), 500);
  // Other codes get the current event and go on down the chain.
  EXPECT_EQ(recorder->PlaybackHookProc(3, 0, Param(event)), kNext);
  EXPECT_EQ(event.paramL, 2u);
  EXPECT_EQ(recorder->PlaybackHookProc(-1, 0, 0), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 1 -1");

  const std::vector<SentEvent> used = RunJournal(*recorder, platform);
  EXPECT_EQ(TimesFrom(used, 0xFFFFFF00), (Times{1200, 1200, 1200, 1300}));
  EXPECT_EQ(used[2].event, Event(kMsgKeyDown, 0x41, 1, 0xFFFFFF00 + 1200));
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_EQ(platform.calls.back(), "Unhook 1");
  EXPECT_EQ(changes, (States{rsPlaying, rsIdle}));
  platform.clock.Advance(1000);  // the watch for an unserved hook found it served
  EXPECT_EQ(recorder->Path(), TInputPath::Journal);
}

// Ctrl+Esc removes a journal hook behind the recorder's back; the watch on the thread's
// messages, there exactly while a journal hook is, tells it.
TEST_F(RecorderTest, ACancelledJournalEndsTheStateAndForgetsTheDeadHook) {
  recorder->Record(false);
  EXPECT_EQ(platform.installed, (std::set<THookHandle>{1, 101}));
  recorder->JournalCancelled();
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_EQ(recorder->Hook(), 0u);
  EXPECT_EQ(changes, (States{rsRecording, rsIdle}));
  recorder->Stop();
  EXPECT_EQ(platform.calls, Calls{"SetHook JournalRecord 1"});
  EXPECT_EQ(platform.watches, (Calls{"SetHook ThreadMessages 101", "Unhook 101"}));

  // Nor does a cancelled playback switch to the low-level path.
  Macro({Event(kMsgMouseMove, 1, 1, 0)});
  recorder->Play();
  recorder->JournalCancelled();
  platform.clock.Advance(2000);
  EXPECT_TRUE(platform.sent.empty());
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_EQ(platform.installed, (std::set<THookHandle>{1, 2}));  // as the system left them
}

// Input is recorded and passed on, injected or not; only the key's low byte fits, and only
// the wheel and X buttons carry data.
TEST_F(RecorderTest, LowLevelRecording) {
  platform.refused = {THookKind::JournalRecord};
  platform.clock.Set(3000);
  recorder->Record(false);
  EXPECT_EQ(platform.calls, (Calls{"SetHook JournalRecord refused", "SetHook KeyboardLowLevel 1",
                                   "SetHook MouseLowLevel 2"}));

  TLowLevelMouse mouse{-5, 480, -120, false, 3100};
  EXPECT_EQ(recorder->MouseHookProc(kHookAction, kMsgLButtonDown, Param(mouse)), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 2 0");
  recorder->MouseHookProc(kHookAction, kMsgMouseWheel, Param(mouse));
  recorder->MouseHookProc(kHookAction, kMsgXButtonUp, Param(mouse));
  TLowLevelKey key{0x141, 0x1E, false, true, 3250};
  EXPECT_EQ(recorder->KeyboardHookProc(kHookAction, kMsgSysKeyDown, Param(key)), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 1 0");
  EXPECT_EQ(recorder->MouseHookProc(-1, kMsgMouseMove, Param(mouse)), kNext);
  TLowLevelKey ctrl{0xA2, 0x1D, false, false, 3300}, brk{0x03, 0x46, true, false, 3400};
  recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(ctrl));
  recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(brk));
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  recorder->KeyboardHookProc(kHookAction, kMsgKeyUp, Param(brk));

  EXPECT_EQ(ReadMacro(recorder->Stream()),
            (Events{Event(kMsgLButtonDown, 0xFFFFFFFB, 480, 100),
                    Event(kMsgMouseWheel, 0xFFFFFFFB, 480, 100, 0xFFFFFF88),
                    Event(kMsgXButtonUp, 0xFFFFFFFB, 480, 100, 0xFFFFFF88),
                    Event(kMsgSysKeyDown, 0x1E41, 1, 250), Event(kMsgKeyDown, 0x1DA2, 1, 300),
                    Event(kMsgKeyDown, 0x4603, 0x8001, 400)}));
}

TEST_F(RecorderTest, UnservedJournalPlaybackSwitchesToTheLowLevelPath) {
  Macro({Event(kMsgMouseMove, 1, 1, 700), Event(kMsgMouseMove, 2, 2, 1000)});
  platform.clock.Set(100);
  recorder->Play();
  platform.clock.Advance(TRecorder::kServeTimeout);
  EXPECT_EQ(platform.calls,
            (Calls{"SetHook JournalPlayback 1", "Unhook 1", "SetHook KeyboardLowLevel 2"}));
  EXPECT_EQ(platform.watches, (Calls{"SetHook ThreadMessages 101", "Unhook 101"}));
  platform.clock.Advance(2000);
  EXPECT_EQ(TimesFrom(platform.sent, 100 + TRecorder::kServeTimeout), (Times{0, 1000}));
  EXPECT_EQ(recorder->State(), rsIdle);

  // Once found out, the journal is not tried again.
  platform.calls.clear();
  recorder->Play();
  EXPECT_EQ(platform.calls, Calls{"SetHook KeyboardLowLevel 3"});
  platform.clock.Advance(10);
  EXPECT_EQ(platform.sent.size(), 3u);
  recorder->Stop();

  // The journal can be left out from the start, for recording as well.
  recorder->SetUseJournalHooks(false);
  platform.calls.clear();
  recorder->Record(false);
  EXPECT_EQ(platform.calls, (Calls{"SetHook KeyboardLowLevel 4", "SetHook MouseLowLevel 5"}));
}

TEST_F(RecorderTest, TheUsersKeyEndsALowLevelReplayThatLetsGoOfWhatItPressed) {
  platform.refused = {THookKind::JournalPlayback};
  // As a recording ended by Ctrl+Break: no key-ups for Ctrl and Break.
  const Events macro = {
      Event(kMsgKeyDown, 0x1E41, 1, 0),       Event(kMsgKeyUp, 0x1E41, 1, 0),
      Event(kMsgKeyDown, 0x1D11, 1, 100),     Event(kMsgSysKeyDown, 0x3812, 1, 100),
      Event(kMsgMouseMove, 10, 10, 100),      Event(kMsgLButtonDown, 10, 10, 100),
      Event(kMsgXButtonDown, 10, 10, 100, 2), Event(kMsgMouseMove, 50, 60, 200),
      Event(kMsgXButtonUp, 50, 60, 200, 2),   Event(kMsgKeyDown, 0x4603, 0x8001, 200),
      Event(kMsgLButtonUp, 90, 90, 5000)};
  Macro(macro);
  recorder->Play();
  // The replayed keys come back injected and are not taken for the user's.
  platform.onSend = [&](const TEventMsg& event) {
    TLowLevelKey key{event.paramL & 0xFF, 1, false, true, 0};
    if (IsKeyMessage(event.message))
      recorder->KeyboardHookProc(kHookAction, event.message, Param(key));
  };
  platform.clock.Advance(300);
  TLowLevelKey escape{kVkEscape, 1, false, false, 0};
  recorder->KeyboardHookProc(kHookAction, kMsgKeyUp, Param(escape));
  platform.clock.Advance(TRecorder::kReplayInterval);
  EXPECT_EQ(recorder->State(), rsPlaying);
  // The hook only takes note of a key press; the next tick ends the replay.
  EXPECT_EQ(recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(escape)), kNext);
  EXPECT_EQ(recorder->State(), rsPlaying);
  platform.clock.Advance(TRecorder::kReplayInterval);
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  // What is still pressed comes up last first, a button where the pointer is.
  Events expected(macro.begin(), macro.end() - 1), sent;
  expected.insert(expected.end(),
                  {Event(kMsgKeyUp, 0x4603, 0x8001, 200), Event(kMsgLButtonUp, 50, 60, 100),
                   Event(kMsgSysKeyUp, 0x3812, 1, 100), Event(kMsgKeyUp, 0x1D11, 1, 100)});
  for (const SentEvent& s : platform.sent) sent.push_back(s.event);
  EXPECT_EQ(sent, expected);
  EXPECT_TRUE(recorder->HeldReleases().empty());

  // Ctrl+Break of the user's while a record is being sent.
  platform.sent.clear();
  platform.onSend = [&](const TEventMsg&) {
    TLowLevelKey brk{kVkCancel, 0x46, true, false, 0};
    recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(brk));
  };
  recorder->Play();
  platform.clock.Advance(6000);
  EXPECT_EQ(platform.sent.size(), 2u);  // the first key and its release
}

// Random records: often real input on few keys and X buttons, so that they are pressed and
// released, and in half the macros times that rise, so that the schedule is not all overdue
// or far off.
Events RandomRecords(std::mt19937& random) {
  const uint32_t messages[] = {kMsgKeyDown,   kMsgKeyUp,       kMsgSysKeyDown, kMsgSysKeyUp,
                               kMsgMouseMove, kMsgLButtonDown, kMsgLButtonUp,  kMsgRButtonDown,
                               kMsgRButtonUp, kMsgXButtonDown, kMsgXButtonUp,  kMsgMouseWheel};
  auto next = [&] { return static_cast<uint32_t>(random()); };
  const bool rising = next() % 2;
  uint32_t t = 0;
  Events records(next() % 12);
  for (TEventMsg& e : records) {
    const bool input = next() % 4;
    e = {input ? messages[next() % std::size(messages)] : next(), input ? next() % 4 : next(),
         next(), rising ? t += next() % 3000 : next(), input ? next() % 3 : next()};
  }
  return records;
}

bool IsRelease(uint32_t m) {
  return m == kMsgKeyUp || m == kMsgSysKeyUp || m == kMsgLButtonUp || m == kMsgRButtonUp ||
         m == kMsgXButtonUp;
}

// Keys and buttons the records leave pressed, as a model apart from the recorder's. Each
// press message is one below its release.
size_t LeftPressed(const Events& events) {
  std::set<uint32_t> pressed;
  for (const TEventMsg& e : events) {
    const uint32_t m = e.message;
    const uint32_t id = IsKeyMessage(m) ? e.paramL & 0xFF
                        : m == kMsgXButtonDown || m == kMsgXButtonUp
                            ? 0x100 | (e.hwnd & 0xFF)
                            : 0x200 + (m - kMsgLButtonDown) / 3;
    if (IsRelease(m + 1)) pressed.insert(id);
    if (IsRelease(m)) pressed.erase(id);
  }
  return pressed.size();
}

// Each record is played once, in order, unchanged but for its time; the journal gets it as
// soon as it is due or the one before it was used, the timer at its next tick after that;
// the timer's replay then lets go of what the records left pressed.
void Check(const Events& records, int32_t speed, std::vector<SentEvent> played, uint32_t start,
           bool timer) {
  ASSERT_EQ(played.size(), records.size() + (timer ? LeftPressed(records) : 0));
  for (size_t i = records.size(); i < played.size(); ++i)
    EXPECT_TRUE(IsRelease(played[i].event.message)) << played[i].event.message;
  for (size_t i = 0; i < records.size(); ++i) {
    TEventMsg expected = records[i];
    if (i > 0) expected.time = expected.time / 100 * static_cast<uint32_t>(speed) + start;
    EXPECT_EQ(played[i].event, expected) << i;
    uint32_t ready = i > 0 ? expected.time : start;
    if (i > 0 && static_cast<int32_t>(played[i - 1].at - ready) > 0) ready = played[i - 1].at;
    const auto late = static_cast<int32_t>(played[i].at - ready);
    EXPECT_TRUE(late >= 0 && late <= (timer ? int32_t{TRecorder::kReplayInterval} : 0))
        << i << " late " << late;
  }
}

// Both paths play every whole record, ignore a trailing fragment and come to an end, at any
// speed and wherever the tick count starts.
TEST(RecorderFuzzTest, RandomMacrosPlayOnBothPaths) {
  std::mt19937 random(20261208);
  const int32_t speeds[] = {100, 100, 50, 200, 1, 0, -100, 1000000};
  for (int round = 0; round < 1500 && !testing::Test::HasFailure(); ++round) {
    SCOPED_TRACE(round);
    const Events records = RandomRecords(random);
    const int32_t speed = speeds[random() % std::size(speeds)];
    const uint32_t start = static_cast<uint32_t>(random());
    const size_t fragment = random() % kEventMsgSize;

    for (bool lowLevel : {false, true}) {
      TFakeRecorderPlatform platform;
      if (lowLevel) platform.refused = {THookKind::JournalPlayback};
      auto recorder = TRecorder::Create(platform);
      recorder->SetSpeed(speed);
      WriteMacro(recorder->Stream(), records);
      recorder->Stream().WriteBuffer("fragment of a record", static_cast<int64_t>(fragment));
      platform.clock.Set(start);
      if (records.empty()) {
        EXPECT_THROW(recorder->Play(), Exception);
        continue;
      }
      recorder->Play();
      if (lowLevel) RunTimer(*recorder, platform);
      Check(records, speed, lowLevel ? platform.sent : RunJournal(*recorder, platform), start,
            lowLevel);
      EXPECT_EQ(recorder->State(), rsIdle);
      EXPECT_TRUE(platform.installed.empty());
    }
  }
}

}  // namespace
