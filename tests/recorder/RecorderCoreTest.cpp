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
constexpr intptr_t kNext = TFakeRecorderPlatform::kNextHookResult;

void ExpectFailure(const std::function<void()>& action, const std::string& text) {
  try {
    action();
    ADD_FAILURE() << "no error, expected \"" << text << "\"";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), text);
  }
}

std::vector<uint32_t> Times(const std::vector<SentEvent>& events, uint32_t start) {
  std::vector<uint32_t> times;
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

  TFakeRecorderPlatform platform;
  std::unique_ptr<TRecorder> recorder;
  States changes;
};

TEST(RecorderFormatTest, RecordsAndLowLevelEventsInTheJournalsLayout) {
  const TEventMsg event = Event(0x0100, 0x00002E41, 0x80000001, 0xFEDCBA98, 0x00010203);
  uint8_t bytes[kEventMsgSize + 1];
  std::memset(bytes, 0xEE, sizeof bytes);
  WriteEventMsg(event, bytes);
  const uint8_t expected[kEventMsgSize] = {0x00, 0x01, 0,    0,    0x41, 0x2E, 0,    0,    0x01, 0,
                                           0,    0x80, 0x98, 0xBA, 0xDC, 0xFE, 0x03, 0x02, 0x01, 0};
  EXPECT_EQ(std::memcmp(bytes, expected, kEventMsgSize), 0);
  EXPECT_EQ(bytes[kEventMsgSize], 0xEE);
  EXPECT_EQ(ReadEventMsg(expected), event);

  TLowLevelKey key{0x1A2, 0x53, true, false, 1234};  // only the key's low byte fits
  EXPECT_EQ(EventFromKey(kMsgKeyDown, key), Event(kMsgKeyDown, 0x53A2, 0x8001, 1234));
  key.extended = false;
  EXPECT_EQ(EventFromKey(kMsgSysKeyUp, key), Event(kMsgSysKeyUp, 0x53A2, 1, 1234));
  const TLowLevelMouse mouse{-5, 700, -120, true, 99};
  EXPECT_EQ(EventFromMouse(kMsgLButtonDown, mouse), Event(kMsgLButtonDown, 0xFFFFFFFB, 700, 99));
  EXPECT_EQ(EventFromMouse(kMsgMouseWheel, mouse),
            Event(kMsgMouseWheel, 0xFFFFFFFB, 700, 99, 0xFFFFFF88));
  EXPECT_EQ(EventFromMouse(kMsgXButtonUp, mouse).hwnd, 0xFFFFFF88);
}

// Against the ways a system may scale an absolute coordinate back to a pixel.
TEST(RecorderFormatTest, AbsoluteCoordinatesComeBackAsTheSamePixel) {
  for (int32_t extent : {1, 2, 3, 640, 768, 1023, 1024, 1080, 1366, 1920, 2560, 3840, 7680}) {
    for (int32_t origin : {0, -1920, 1280}) {
      for (int32_t offset = 0; offset < extent; ++offset) {
        const int64_t n = AbsoluteCoordinate(origin + offset, origin, extent);
        ASSERT_TRUE(n >= 0 && n <= 65535) << n;
        ASSERT_EQ(n * extent / 65536, offset) << extent << " " << offset;
        ASSERT_EQ((n * extent + 32768) / 65536, offset) << extent << " " << offset;
        ASSERT_EQ((n * extent + 32767) / 65535, offset) << extent << " " << offset;
      }
      EXPECT_EQ(AbsoluteCoordinate(origin - 10, origin, extent), 0);
      EXPECT_EQ(AbsoluteCoordinate(origin + extent + 10, origin, extent), 65535);
    }
  }
  EXPECT_EQ(AbsoluteCoordinate(5, 0, 0), 0);
}

TEST_F(RecorderTest, OneRecorderAtATimeStoppedWhenDestroyed) {
  EXPECT_EQ(TRecorder::Create(platform), nullptr);
  // Stop while idle with no hook changes nothing and tells no one.
  recorder->Stop();
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_TRUE(changes.empty());
  recorder->Record(false);
  recorder.reset();
  EXPECT_TRUE(platform.installed.empty());
  recorder = TRecorder::Create(platform);
  EXPECT_NE(recorder, nullptr);
}

TEST_F(RecorderTest, RecordingUntilCtrlBreakThenAppending) {
  recorder->Stream().WriteBuffer("old macro", 9);
  platform.clock.Set(10000);
  recorder->Record(false);
  EXPECT_EQ(recorder->Path(), TInputPath::Journal);
  EXPECT_EQ(platform.calls, Calls{"SetHook JournalRecord 1"});
  EXPECT_EQ(changes, States{rsRecording});

  // Codes below 0 go on down the chain; unknown codes are neither recorded nor passed on.
  EXPECT_EQ(recorder->RecordHookProc(-1, 5, 6), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 1 -1");
  TEventMsg ignored = Event(kMsgKeyDown, 0x41, 1, 10010);
  EXPECT_EQ(recorder->RecordHookProc(3, 0, Param(ignored)), 0);

  EXPECT_EQ(Journal(Event(kMsgMouseMove, 3, 200, 10050, 0x1234)), 0);  // x 3 is no Break
  Journal(Event(kMsgKeyLast + 1, 3, 1, 10050));                        // nor is this
  // An event still queued from before the start counts as at the start.
  Journal(Event(kMsgMouseMove, 301, 200, 9990));
  Journal(Event(kMsgKeyDown, 0x1D11, 1, 11000));                // Ctrl
  EXPECT_EQ(Journal(Event(kMsgKeyLast, 0x4603, 1, 15000)), 0);  // Break
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  EXPECT_EQ(changes, (States{rsRecording, rsIdle}));
  // A late call after the hook is gone records nothing.
  Journal(Event(kMsgKeyUp, 0x4603, 1, 15100));

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

  // Appending nothing drops the fragment all the same; an empty stream starts at 0.
  recorder->Stop();
  recorder->Stream().WriteBuffer("frag", 4);
  recorder->Record(true);
  recorder->Stop();
  EXPECT_EQ(recorder->Stream().Size(), 120);
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
  recorder->Stream().Clear();
  WriteMacro(recorder->Stream(), {Event(kMsgMouseMove, 1, 1, 0)});
  platform.refused = {THookKind::JournalPlayback};
  platform.timersFail = true;
  ExpectFailure([&] { recorder->Play(); }, "Playback hook cannot be created");
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  platform.refused.clear();
  platform.timersFail = false;

  recorder->Record(false);
  ExpectFailure([&] { recorder->Play(); }, "Recorder: Not ready to play.");
  ExpectFailure([&] { recorder->Record(false); }, "Recorder: NotReady to record.");
  EXPECT_EQ(recorder->State(), rsRecording);
  EXPECT_EQ(recorder->Hook(), 1u);
  recorder->Stop();
  WriteMacro(recorder->Stream(), {Event(kMsgMouseMove, 1, 1, 0)});
  recorder->Play();
  ExpectFailure([&] { recorder->Record(false); }, "Recorder: NotReady to record.");
  ExpectFailure([&] { recorder->Play(); }, "Recorder: Not ready to play.");
  EXPECT_EQ(recorder->State(), rsPlaying);
  recorder->Stop();

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
  WriteMacro(recorder->Stream(),
             {Event(kMsgMouseMove, 1, 1, 50), Event(kMsgMouseMove, 2, 2, 1250),
              Event(kMsgMouseMove, 3, 3, 1290), Event(kMsgKeyDown, 0x41, 1, 1234),
              Event(kMsgKeyUp, 0x41, 1, 1399)});
  ASSERT_EQ(recorder->Stream().Size(), 100);
  platform.clock.Set(0xFFFFFF00);  // the tick count wraps during the playback
  recorder->Play();
  EXPECT_EQ(recorder->Path(), TInputPath::Journal);
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
  EXPECT_EQ(Times(used, 0xFFFFFF00), (std::vector<uint32_t>{1200, 1200, 1200, 1300}));
  EXPECT_EQ(used[2].event, Event(kMsgKeyDown, 0x41, 1, 0xFFFFFF00 + 1200));
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_EQ(platform.calls.back(), "Unhook 1");
  EXPECT_EQ(changes, (States{rsPlaying, rsIdle}));
  // The watch for an unserved hook found it served.
  platform.clock.Advance(1000);
  EXPECT_EQ(recorder->Path(), TInputPath::Journal);
}

// Ctrl+Esc removes a journal hook behind the recorder's back.
TEST_F(RecorderTest, CancelledJournalKeepsTheStateUntilStop) {
  recorder->Record(false);
  recorder->JournalCancelled();
  EXPECT_EQ(recorder->State(), rsRecording);
  EXPECT_EQ(recorder->Hook(), 0u);
  recorder->Stop();
  EXPECT_EQ(platform.calls, Calls{"SetHook JournalRecord 1"});
  EXPECT_EQ(changes, (States{rsRecording, rsIdle}));

  // Nor does a cancelled playback switch to the low-level path.
  WriteMacro(recorder->Stream(), {Event(kMsgMouseMove, 1, 1, 0)});
  recorder->Play();
  recorder->JournalCancelled();
  platform.clock.Advance(2000);
  EXPECT_TRUE(platform.sent.empty());
  EXPECT_EQ(recorder->State(), rsPlaying);
}

TEST_F(RecorderTest, LowLevelRecording) {
  platform.refused = {THookKind::JournalRecord};
  platform.clock.Set(3000);
  recorder->Record(false);
  EXPECT_EQ(recorder->Path(), TInputPath::LowLevel);
  EXPECT_EQ(platform.calls, (Calls{"SetHook JournalRecord refused", "SetHook KeyboardLowLevel 1",
                                   "SetHook MouseLowLevel 2"}));

  // Input is recorded and passed on, injected or not.
  TLowLevelMouse click{640, 480, 0, false, 3100};
  EXPECT_EQ(recorder->MouseHookProc(kHookAction, kMsgLButtonDown, Param(click)), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 2 0");
  TLowLevelKey key{0x41, 0x1E, false, true, 3250};
  EXPECT_EQ(recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(key)), kNext);
  EXPECT_EQ(platform.calls.back(), "CallNext 1 0");
  EXPECT_EQ(recorder->MouseHookProc(-1, kMsgMouseMove, Param(click)), kNext);
  TLowLevelKey ctrl{0xA2, 0x1D, false, false, 3300}, brk{0x03, 0x46, true, false, 3400};
  recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(ctrl));
  recorder->KeyboardHookProc(kHookAction, kMsgKeyDown, Param(brk));
  EXPECT_EQ(recorder->State(), rsIdle);
  EXPECT_TRUE(platform.installed.empty());
  recorder->KeyboardHookProc(kHookAction, kMsgKeyUp, Param(brk));

  EXPECT_EQ(ReadMacro(recorder->Stream()),
            (Events{Event(kMsgLButtonDown, 640, 480, 100), Event(kMsgKeyDown, 0x1E41, 1, 250),
                    Event(kMsgKeyDown, 0x1DA2, 1, 300), Event(kMsgKeyDown, 0x4603, 0x8001, 400)}));
}

TEST_F(RecorderTest, UnservedJournalPlaybackSwitchesToTheLowLevelPath) {
  WriteMacro(recorder->Stream(),
             {Event(kMsgMouseMove, 1, 1, 700), Event(kMsgMouseMove, 2, 2, 1000)});
  platform.clock.Set(100);
  recorder->Play();
  EXPECT_EQ(recorder->Path(), TInputPath::Journal);
  platform.clock.Advance(TRecorder::kServeTimeout);
  EXPECT_EQ(recorder->Path(), TInputPath::LowLevel);
  EXPECT_EQ(platform.calls,
            (Calls{"SetHook JournalPlayback 1", "Unhook 1", "SetHook KeyboardLowLevel 2"}));
  platform.clock.Advance(2000);
  EXPECT_EQ(Times(platform.sent, 100 + TRecorder::kServeTimeout), (std::vector<uint32_t>{0, 1000}));
  EXPECT_EQ(recorder->State(), rsIdle);

  // Once found out, the journal is not tried again.
  platform.calls.clear();
  platform.sent.clear();
  recorder->Play();
  EXPECT_EQ(platform.calls, Calls{"SetHook KeyboardLowLevel 3"});
  platform.clock.Advance(10);
  EXPECT_EQ(platform.sent.size(), 1u);
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
  WriteMacro(recorder->Stream(), macro);
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

// Random bytes as a macro: both paths play every whole record once, in order, never before
// it is due, ignore a trailing fragment and come to an end; the low-level replay then lets
// go of every key and button the records left pressed.
std::vector<uint8_t> RandomMacro(std::mt19937& random) {
  std::vector<uint8_t> bytes(std::uniform_int_distribution<size_t>(0, 230)(random));
  for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
  auto put = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4 && at + i < bytes.size(); ++i)
      bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
  };
  const bool sensibleTimes = random() % 2;
  const uint32_t messages[] = {kMsgKeyDown,   kMsgKeyUp,       kMsgSysKeyDown, kMsgSysKeyUp,
                               kMsgMouseMove, kMsgLButtonDown, kMsgLButtonUp,  kMsgRButtonDown,
                               kMsgRButtonUp, kMsgXButtonDown, kMsgXButtonUp,  kMsgMouseWheel};
  uint32_t t = 0;
  for (size_t at = 0; at < bytes.size(); at += kEventMsgSize) {
    // Often real input on few keys and X buttons, so that they are pressed and released.
    if (random() % 4) {
      put(at, messages[random() % std::size(messages)]);
      put(at + 4, random() % 4);
      put(at + 16, random() % 3);
    }
    // Sometimes times that make sense, so that the schedule is not all overdue or far off.
    if (sensibleTimes) put(at + 12, t += random() % 3000);
  }
  return bytes;
}

bool IsRelease(uint32_t m) {
  return m == kMsgKeyUp || m == kMsgSysKeyUp || m == kMsgLButtonUp || m == kMsgRButtonUp ||
         m == kMsgXButtonUp;
}

// Keys and buttons the records leave pressed, as a model apart from the recorder's. Each
// press message is one below its release.
size_t LeftPressed(const std::vector<TEventMsg>& events) {
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
// soon as it is due or the one before it was used, the timer at its next tick after that.
void Check(const std::vector<TEventMsg>& records, int32_t speed, std::vector<SentEvent> played,
           uint32_t start, bool timer) {
  if (timer) {
    ASSERT_EQ(played.size(), records.size() + LeftPressed(records));
    for (size_t i = records.size(); i < played.size(); ++i)
      EXPECT_TRUE(IsRelease(played[i].event.message)) << played[i].event.message;
    played.resize(records.size());
  }
  ASSERT_EQ(played.size(), records.size());
  for (size_t i = 0; i < played.size(); ++i) {
    TEventMsg expected = records[i];
    if (i > 0) expected.time = expected.time / 100 * static_cast<uint32_t>(speed) + start;
    EXPECT_EQ(played[i].event, expected) << i;
    uint32_t ready = i > 0 ? expected.time : start;
    if (i > 0 && static_cast<int32_t>(played[i - 1].at - ready) > 0) ready = played[i - 1].at;
    const auto late = static_cast<int32_t>(played[i].at - ready);
    EXPECT_GE(late, 0) << i;
    EXPECT_LE(late, timer ? static_cast<int32_t>(TRecorder::kReplayInterval) : 0) << i;
  }
}

TEST(RecorderFuzzTest, RandomMacrosPlayOnBothPaths) {
  std::mt19937 random(20261208);
  const int32_t speeds[] = {100, 100, 50, 200, 1, 0, -100, 1000000};
  for (int round = 0; round < 1500 && !testing::Test::HasFailure(); ++round) {
    SCOPED_TRACE(round);
    const std::vector<uint8_t> bytes = RandomMacro(random);
    const int32_t speed = speeds[random() % std::size(speeds)];
    const uint32_t start = static_cast<uint32_t>(random());
    std::vector<TEventMsg> records;
    for (size_t at = 0; at + kEventMsgSize <= bytes.size(); at += kEventMsgSize)
      records.push_back(ReadEventMsg(&bytes[at]));

    for (bool lowLevel : {false, true}) {
      TFakeRecorderPlatform platform;
      if (lowLevel) platform.refused = {THookKind::JournalPlayback};
      auto recorder = TRecorder::Create(platform);
      recorder->SetSpeed(speed);
      recorder->Stream().WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
      platform.clock.Set(start);
      if (records.empty()) {
        EXPECT_THROW(recorder->Play(), Exception);
        EXPECT_TRUE(platform.calls.empty());
        continue;
      }
      recorder->Play();
      if (lowLevel) {
        RunTimer(*recorder, platform);
        Check(records, speed, platform.sent, start, true);
      } else {
        Check(records, speed, RunJournal(*recorder, platform), start, false);
      }
      EXPECT_EQ(recorder->State(), rsIdle);
      EXPECT_TRUE(platform.installed.empty());
    }
  }
}

}  // namespace
