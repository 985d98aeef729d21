#include <windows.h>

#include <functional>
#include <optional>

#include "ExtCtrls.h"
#include "Win32TestSupport.h"

namespace {

// The countdown tests change the timer halfway through a long interval: a kept countdown
// then ticks 500 ms after the change, a restarted one 1000 ms after it. A tick more than
// 900 ms after the change comes from a restart, so a kept tick may be 400 ms late.
constexpr DWORD kInterval = 1000;
constexpr DWORD kBeforeChange = 500;
constexpr long kRestarted = 900;
// How long to wait for what must come, however busy the machine.
constexpr DWORD kPatience = 10000;

struct TTickTimes {
  long sinceStart = -1, sinceChange = -1;  // -1: no tick
};

// Starts a countdown of kInterval, calls `change` kBeforeChange later and times the first
// tick. Nothing when the machine was too slow to make the change well before the tick was
// due, three times over.
std::optional<TTickTimes> TimeFirstTick(TTimer& timer, const std::function<void()>& change) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    timer.SetEnabled(false);
    timer.SetInterval(kInterval);
    DWORD tick = 0;
    timer.OnTimer = [&](TObject*) {
      if (!tick) tick = GetTickCount();
    };
    const DWORD start = GetTickCount();
    timer.SetEnabled(true);
    PumpFor(kBeforeChange);
    const DWORD changed = GetTickCount();
    if (tick || changed - start > kInterval - 200) continue;
    change();
    PumpUntil([&] { return tick != 0; }, kPatience);
    timer.OnTimer = nullptr;
    if (!tick) return TTickTimes{};
    return TTickTimes{static_cast<long>(tick - start), static_cast<long>(tick - changed)};
  }
  timer.OnTimer = nullptr;
  return std::nullopt;
}

constexpr char kTooSlow[] = "the machine is too busy to time the countdown";

TEST(TimerTest, DefaultsAndTicks) {
  TTimer timer(nullptr);
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_TRUE(timer.Enabled());
  timer.SetInterval(30);
  int ticks = 0;
  timer.OnTimer = [&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, kPatience));
}

TEST(TimerTest, ATimerFreedInItsOwnTickGoesNoFurther) {
  auto* timer = new TTimer(nullptr);
  timer->SetInterval(10);
  bool freed = false, ticked = false;
  timer->OnTimer = [&](TObject*) {
    delete timer;
    freed = true;
  };
  timer->OnTick = [&] { ticked = true; };
  EXPECT_TRUE(PumpUntil([&] { return freed; }, kPatience));
  PumpFor(50);
  EXPECT_FALSE(ticked);
}

TEST(TimerTest, NoTicksWhileDisabledOrWithIntervalZero) {
  TTimer timer(nullptr);
  timer.SetInterval(20);
  timer.SetEnabled(false);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  PumpFor(150);
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  timer.SetInterval(0);
  PumpFor(150);
  EXPECT_EQ(ticks, 0);
  timer.SetInterval(20);
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }, kPatience));
}

TEST(TimerTest, TheSameIntervalKeepsTheCountdownGoing) {
  TTimer timer(nullptr);
  const auto times = TimeFirstTick(timer, [&] { timer.SetInterval(kInterval); });
  if (!times) GTEST_SKIP() << kTooSlow;
  // Neither cut short nor restarted.
  EXPECT_GE(times->sinceStart, static_cast<long>(kInterval) - 100);
  EXPECT_GE(times->sinceChange, 0);
  EXPECT_LT(times->sinceChange, kRestarted);
}

TEST(TimerTest, ANewIntervalRestartsTheCountdown) {
  TTimer timer(nullptr);
  const auto times = TimeFirstTick(timer, [&] { timer.SetInterval(kInterval + 1); });
  if (!times) GTEST_SKIP() << kTooSlow;
  EXPECT_GE(times->sinceChange, kRestarted);
}

TEST(TimerTest, EnablingRestartsTheCountdown) {
  TTimer timer(nullptr);
  const auto times = TimeFirstTick(timer, [&] {
    timer.SetEnabled(false);
    timer.SetEnabled(true);
  });
  if (!times) GTEST_SKIP() << kTooSlow;
  EXPECT_GE(times->sinceChange, kRestarted);
}

TEST(TimerTest, AnErrorInOnTimerIsShownAndTheTimerGoesOn) {
  RecordingBoxes boxes;
  TTimer timer(nullptr);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 1) throw Exception("Recorder: Nothing to play");
  };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, kPatience));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "Recorder: Nothing to play.");
  EXPECT_EQ(boxes.boxes[0].caption, Application->Title());
  EXPECT_EQ(boxes.boxes[0].flags, static_cast<unsigned>(MB_ICONERROR | MB_OK));
}

TEST(TimerTest, AForeignExceptionIsShownWithItsText) {
  RecordingBoxes boxes;
  TTimer timer(nullptr);
  timer.SetInterval(20);
  bool ticked = false;
  timer.OnTimer = [&](TObject*) {
    ticked = true;
    timer.SetEnabled(false);
    throw std::runtime_error("bad thing");
  };
  EXPECT_TRUE(PumpUntil([&] { return ticked; }, kPatience));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "bad thing.");
}

}  // namespace
