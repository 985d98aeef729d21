#include <windows.h>

#include "ExtCtrls.h"
#include "Win32TestSupport.h"

namespace {

// Milliseconds from `start` to the timer's first tick, or -1 when none came in `wait` ms.
long FirstTick(TTimer& timer, DWORD start, DWORD wait) {
  DWORD tick = 0;
  timer.OnTimer = [&](TObject*) {
    if (!tick) tick = GetTickCount();
  };
  PumpUntil([&] { return tick != 0; }, wait);
  timer.OnTimer = nullptr;
  return tick ? static_cast<long>(tick - start) : -1;
}

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
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 2000));
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
  EXPECT_TRUE(PumpUntil([&] { return ticks > 0; }, 1000));
}

TEST(TimerTest, TheSameIntervalKeepsTheCountdownGoing) {
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(600);
  DWORD start = GetTickCount();
  timer.SetEnabled(true);
  PumpFor(300);
  timer.SetInterval(600);
  long first = FirstTick(timer, start, 2000);
  EXPECT_GE(first, 550);
  // A restart would have put it at 900 or later.
  EXPECT_LT(first, 850);
}

TEST(TimerTest, ANewIntervalRestartsTheCountdown) {
  TTimer timer(nullptr);
  timer.SetEnabled(false);
  timer.SetInterval(600);
  timer.SetEnabled(true);
  PumpFor(300);
  DWORD change = GetTickCount();
  timer.SetInterval(601);
  long first = FirstTick(timer, change, 2000);
  EXPECT_GE(first, 550);
}

TEST(TimerTest, EnablingRestartsTheCountdown) {
  TTimer timer(nullptr);
  timer.SetInterval(500);
  PumpFor(300);
  timer.SetEnabled(false);
  DWORD enable = GetTickCount();
  timer.SetEnabled(true);
  long first = FirstTick(timer, enable, 2000);
  EXPECT_GE(first, 450);
}

TEST(TimerTest, AnErrorInOnTimerIsShownAndTheTimerGoesOn) {
  RecordingBoxes boxes;
  TTimer timer(nullptr);
  timer.SetInterval(20);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    if (++ticks == 1) throw Exception("Recorder: Nothing to play");
  };
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 2000));
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
  EXPECT_TRUE(PumpUntil([&] { return ticked; }, 2000));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "bad thing.");
}

}  // namespace
