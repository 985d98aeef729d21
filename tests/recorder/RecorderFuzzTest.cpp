// Random bytes as a macro: both paths play every whole record once, in order, never before
// it is due, ignore a trailing fragment and come to an end.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "FakeRecorderPlatform.h"

namespace {

struct Case {
  std::vector<uint8_t> bytes;
  int32_t speed;
};

Case RandomCase(std::mt19937& random) {
  Case c;
  const size_t size = std::uniform_int_distribution<size_t>(0, 230)(random);
  c.bytes.resize(size);
  for (uint8_t& byte : c.bytes) byte = static_cast<uint8_t>(random());
  // Sometimes times that make sense, so that the schedule is not all overdue or far off.
  if (random() % 2) {
    uint32_t t = 0;
    for (size_t at = 12; at + 4 <= size; at += 20) {
      t += random() % 3000;
      for (int i = 0; i < 4; ++i) c.bytes[at + i] = static_cast<uint8_t>(t >> (8 * i));
    }
  }
  // Often real input messages, so that keys and buttons are pressed and released.
  const uint32_t messages[] = {kMsgKeyDown,   kMsgKeyUp,       kMsgSysKeyDown, kMsgSysKeyUp,
                               kMsgMouseMove, kMsgLButtonDown, kMsgLButtonUp,  kMsgRButtonDown,
                               kMsgRButtonUp, kMsgXButtonDown, kMsgXButtonUp,  kMsgMouseWheel};
  for (size_t at = 0; at + 4 <= size; at += 20) {
    if (random() % 4 == 0) continue;
    const uint32_t message = messages[random() % std::size(messages)];
    for (int i = 0; i < 4; ++i) c.bytes[at + i] = static_cast<uint8_t>(message >> (8 * i));
    if (at + 5 <= size) c.bytes[at + 4] = static_cast<uint8_t>(random() % 4);    // few keys
    if (at + 17 <= size) c.bytes[at + 16] = static_cast<uint8_t>(random() % 3);  // X buttons
  }
  const int32_t speeds[] = {100, 100, 50, 200, 1, 0, -100, 1000000};
  c.speed = speeds[random() % std::size(speeds)];
  return c;
}

// What each record is due at, played from `start`.
std::vector<uint32_t> DueTimes(const Case& c, uint32_t start) {
  std::vector<uint32_t> due;
  for (size_t at = 0; at + kEventMsgSize <= c.bytes.size(); at += kEventMsgSize) {
    const uint32_t t = ReadEventMsg(&c.bytes[at]).time;
    due.push_back(due.empty() ? start : t / 100 * static_cast<uint32_t>(c.speed) + start);
  }
  return due;
}

// Each record is played once, in order, unchanged but for its time; the journal gets it as
// soon as it is due or the one before it was used, the timer at its next tick after that.
// How many keys and buttons the records leave pressed: the low-level replay lets them go.
size_t LeftPressed(const Case& c) {
  std::set<std::pair<int, uint32_t>> pressed;
  for (size_t at = 0; at + kEventMsgSize <= c.bytes.size(); at += kEventMsgSize) {
    const TEventMsg e = ReadEventMsg(&c.bytes[at]);
    const uint32_t vk = e.paramL & 0xFF;
    switch (e.message) {
      case kMsgKeyDown:
      case kMsgSysKeyDown:
        pressed.insert({0, vk});
        break;
      case kMsgKeyUp:
      case kMsgSysKeyUp:
        pressed.erase({0, vk});
        break;
      case kMsgLButtonDown:
      case kMsgRButtonDown:
        pressed.insert({1, e.message});
        break;
      case kMsgLButtonUp:
      case kMsgRButtonUp:
        pressed.erase({1, e.message - 1});
        break;
      case kMsgXButtonDown:
        pressed.insert({2, e.hwnd & 0xFF});
        break;
      case kMsgXButtonUp:
        pressed.erase({2, e.hwnd & 0xFF});
        break;
    }
  }
  return pressed.size();
}

void Check(const Case& c, std::vector<SentEvent> played, uint32_t start, bool timer) {
  const std::vector<uint32_t> due = DueTimes(c, start);
  if (timer) {
    ASSERT_EQ(played.size(), due.size() + LeftPressed(c));
    for (size_t i = due.size(); i < played.size(); ++i) {
      const uint32_t m = played[i].event.message;
      EXPECT_TRUE(m == kMsgKeyUp || m == kMsgSysKeyUp || m == kMsgLButtonUp || m == kMsgRButtonUp ||
                  m == kMsgXButtonUp)
          << m;
    }
    played.resize(due.size());
  }
  ASSERT_EQ(played.size(), due.size());
  for (size_t i = 0; i < played.size(); ++i) {
    TEventMsg expected = ReadEventMsg(&c.bytes[i * kEventMsgSize]);
    if (i > 0) expected.time = due[i];
    EXPECT_EQ(played[i].event, expected) << i;
    uint32_t ready = due[i];
    if (i > 0 && static_cast<int32_t>(played[i - 1].at - ready) > 0) ready = played[i - 1].at;
    const auto late = static_cast<int32_t>(played[i].at - ready);
    if (timer) {
      EXPECT_GE(late, 0) << i;
      EXPECT_LE(late, static_cast<int32_t>(TRecorder::kReplayInterval)) << i;
    } else {
      EXPECT_EQ(late, 0) << i;
    }
  }
}

TEST(RecorderFuzzTest, RandomMacrosPlayOnBothPaths) {
  std::mt19937 random(20261208);
  for (int round = 0; round < 1500; ++round) {
    SCOPED_TRACE(round);
    const Case c = RandomCase(random);
    const uint32_t start = static_cast<uint32_t>(random());

    for (bool lowLevel : {false, true}) {
      TFakeRecorderPlatform platform;
      if (lowLevel) platform.refused = {THookKind::JournalPlayback};
      auto recorder = TRecorder::Create(platform);
      recorder->SetSpeed(c.speed);
      recorder->Stream().WriteBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
      platform.clock.Set(start);
      if (c.bytes.size() < kEventMsgSize) {
        EXPECT_THROW(recorder->Play(), Exception);
        EXPECT_TRUE(platform.calls.empty());
        continue;
      }
      recorder->Play();
      if (lowLevel) {
        RunTimer(*recorder, platform);
        Check(c, platform.sent, start, true);
      } else {
        Check(c, RunJournal(*recorder, platform), start, false);
      }
      EXPECT_EQ(recorder->State(), rsIdle);
      EXPECT_TRUE(platform.installed.empty());
      if (HasFailure()) return;
    }
  }
}

}  // namespace
