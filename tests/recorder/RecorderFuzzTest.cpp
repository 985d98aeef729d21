// Random bytes as a macro: both paths play every whole record once, in order, never before
// it is due, ignore a trailing fragment and come to an end; the low-level replay then lets
// go of every key and button the records left pressed.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "FakeRecorderPlatform.h"

namespace {

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

// Keys and buttons the records leave pressed, as a model apart from the recorder's.
size_t LeftPressed(const std::vector<TEventMsg>& events) {
  std::set<uint32_t> pressed;
  for (const TEventMsg& e : events) {
    const uint32_t m = e.message;
    const uint32_t id = IsKeyMessage(m)                              ? e.paramL & 0xFF
                        : m == kMsgXButtonDown || m == kMsgXButtonUp ? 0x100 | (e.hwnd & 0xFF)
                        : m == kMsgLButtonDown || m == kMsgLButtonUp ? 0x200
                                                                     : 0x300;
    if (m == kMsgKeyDown || m == kMsgSysKeyDown || m == kMsgLButtonDown || m == kMsgRButtonDown ||
        m == kMsgXButtonDown)
      pressed.insert(id);
    if (m == kMsgKeyUp || m == kMsgSysKeyUp || m == kMsgLButtonUp || m == kMsgRButtonUp ||
        m == kMsgXButtonUp)
      pressed.erase(id);
  }
  return pressed.size();
}

// Each record is played once, in order, unchanged but for its time; the journal gets it as
// soon as it is due or the one before it was used, the timer at its next tick after that.
void Check(const std::vector<TEventMsg>& records, int32_t speed, std::vector<SentEvent> played,
           uint32_t start, bool timer) {
  if (timer) {
    ASSERT_EQ(played.size(), records.size() + LeftPressed(records));
    for (size_t i = records.size(); i < played.size(); ++i) {
      const uint32_t m = played[i].event.message;
      EXPECT_TRUE(m == kMsgKeyUp || m == kMsgSysKeyUp || m == kMsgLButtonUp || m == kMsgRButtonUp ||
                  m == kMsgXButtonUp)
          << m;
    }
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
