// Where the character goes on one or several monitors, when a full-screen window in front
// makes it step back, and the scale rules for pictures, text and standard windows.
#include "DesktopRules.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "Scaling.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

// The character window and its input field, at (x, y) on the screen.
DeskRect Character(int32_t x, int32_t y) {
  return {x, y, x + 162, y + 251};
}
DeskRect Field(int32_t x, int32_t y) {
  return {x + 8, y + 231, x + 153, y + 245};
}
DeskPoint Move(const std::vector<DeskMonitor>& monitors, int32_t x, int32_t y) {
  return MoveOnScreen(monitors, Character(x, y), Field(x, y));
}

// A monitor whose taskbar takes the bottom 40 rows.
DeskMonitor WithTaskbar(DeskRect bounds, bool primary = false) {
  return {bounds, {bounds.left, bounds.top, bounds.right, bounds.bottom - 40}, primary};
}

const DeskMonitor kOnly = WithTaskbar({0, 0, 1024, 768}, true);
// A second monitor to the left of the primary, higher up and with no taskbar; listed first.
const std::vector<DeskMonitor> kLeftAndPrimary{
    {{-1280, -200, 0, 824}, {-1280, -200, 0, 824}, false},
    WithTaskbar({0, 0, 1920, 1080}, true),
};

}  // namespace

TEST(StartPosition, OneMonitorKeepsTheScreenCentreSeveralTakeThePrimaryWorkArea) {
  // One monitor: the screen's centre, taskbar or not, as a single screen has always had it.
  EXPECT_EQ(StartPosition({&kOnly, 1}, 162, 251, 1024, 768), (DeskPoint{431, 258}));
  EXPECT_EQ(StartPosition({}, 162, 251, 1024, 768), (DeskPoint{431, 258}));
  // Several: the primary monitor's work area, wherever it is listed, whatever the desktop's
  // centre (which here falls on the seam at x = 0).
  EXPECT_EQ(StartPosition(kLeftAndPrimary, 162, 251, 1920, 1080), (DeskPoint{879, 394}));
  const std::vector<DeskMonitor> above{WithTaskbar({0, 0, 1600, 900}),
                                       {{-200, -1200, 1720, 0}, {-200, -1200, 1720, -30}, true}};
  EXPECT_EQ(StartPosition(above, 162, 251, 1600, 900), (DeskPoint{679, -741}));
}

TEST(MoveOnScreen, AWindowInsideAWorkAreaStaysWhereItIs) {
  EXPECT_EQ(Move({kOnly}, 431, 258), (DeskPoint{}));
  EXPECT_EQ(Move({kOnly}, 0, 728 - 251), (DeskPoint{}));
  EXPECT_EQ(Move(kLeftAndPrimary, -1280, -200), (DeskPoint{}));
  EXPECT_EQ(MoveOnScreen({}, Character(-5000, -5000)), (DeskPoint{}));
}

TEST(MoveOnScreen, AWindowPartlyOffScreenComesBackTheShortestWay) {
  // Below the work area (the field under the taskbar), right of the screen, or both.
  EXPECT_EQ(Move({kOnly}, 300, 600), (DeskPoint{0, -123}));
  EXPECT_EQ(Move({kOnly}, 1000, 100), (DeskPoint{-138, 0}));
  EXPECT_EQ(Move({kOnly}, -150, -240), (DeskPoint{150, 240}));
  EXPECT_EQ(Move({kOnly}, 5000, 9000), (DeskPoint{-4138, -8523}));
  // Above the primary, where the taller left monitor is too far.
  EXPECT_EQ(Move(kLeftAndPrimary, 500, -100), (DeskPoint{0, 100}));
}

TEST(MoveOnScreen, AWindowOnTheSeamGoesWhollyToTheNearerMonitor) {
  // Mostly on the left monitor (negative coordinates), mostly on the primary.
  EXPECT_EQ(Move(kLeftAndPrimary, -100, 300), (DeskPoint{-62, 0}));
  EXPECT_EQ(Move(kLeftAndPrimary, -60, 300), (DeskPoint{60, 0}));
  // Across the seam and low: a diagonal either way, the primary's the shorter.
  EXPECT_EQ(Move(kLeftAndPrimary, -50, 850), (DeskPoint{50, -61}));
  // Two monitors one above the other, the window across their seam at y = 0.
  const std::vector<DeskMonitor> stacked{WithTaskbar({0, 0, 1024, 768}, true),
                                         {{0, -768, 1024, 0}, {0, -768, 1024, 0}, false}};
  EXPECT_EQ(Move(stacked, 400, -100), (DeskPoint{0, 100}));
  EXPECT_EQ(Move(stacked, 400, -200), (DeskPoint{0, -51}));
}

TEST(MoveOnScreen, AfterAMonitorIsRemovedTheWindowComesToOneThatIsLeft) {
  // It was on a monitor right of the primary, then on one left of it; both are gone.
  EXPECT_EQ(Move({kOnly}, 1500, 300), (DeskPoint{-638, 0}));
  EXPECT_EQ(Move({kLeftAndPrimary[1]}, -900, -150), (DeskPoint{900, 150}));
  // The left monitor alone is left: the window at the primary's old place goes left.
  EXPECT_EQ(Move({kLeftAndPrimary[0]}, 100, 400), (DeskPoint{-262, 0}));
}

TEST(MoveOnScreen, AWorkAreaSmallerThanTheWindowStillHoldsTheField) {
  // 200 rows high: the window cannot fit, its field must. Centred as far as the field allows.
  const std::vector<DeskMonitor> flat{{{0, 0, 1024, 200}, {0, 0, 1024, 200}, true}};
  const DeskPoint move = Move(flat, 100, 500);
  const DeskRect field = Field(100, 500).Moved(move);
  EXPECT_TRUE(flat[0].work.Contains(field));
  EXPECT_EQ(move, (DeskPoint{0, -545}));
  // Even narrower than the field: its left edge on the work area's.
  const std::vector<DeskMonitor> tiny{{{0, 0, 100, 100}, {0, 0, 100, 100}, true}};
  EXPECT_EQ(Move(tiny, 50, 50), (DeskPoint{-58, -195}));
}

TEST(FullScreen, AWindowWithoutCaptionCoveringOurMonitorIsFullScreen) {
  const DeskRect monitor{0, 0, 1920, 1080};
  const uint32_t popup = 0x80000000, overlapped = 0x00CF0000, maximised = 0x01000000;
  auto test = [&](DeskRect rect, uint32_t style, int shell = 5) {
    return IsFullScreenForeground({rect, style, true, false, false}, monitor, shell);
  };
  EXPECT_TRUE(test({0, 0, 1920, 1080}, popup));
  EXPECT_TRUE(test({-8, -8, 1928, 1088}, popup));
  // One caption flag alone is no caption bar.
  EXPECT_TRUE(test({0, 0, 1920, 1080}, popup | 0x00400000));
  EXPECT_TRUE(test({0, 0, 1920, 1080}, popup | 0x00800000));
  // A pixel short, or covering another monitor, is not ours.
  EXPECT_FALSE(test({0, 0, 1920, 1079}, popup));
  EXPECT_FALSE(test({1, 0, 1920, 1080}, popup));
  EXPECT_FALSE(test({1920, 0, 3840, 1080}, popup));
  // A maximised captioned window covers the monitor when the taskbar hides, yet does not
  // count; neither does a captioned window stretched over it.
  EXPECT_FALSE(test({-8, -8, 1928, 1088}, overlapped | maximised));
  EXPECT_FALSE(test({-100, -100, 2100, 1200}, popup | kCaptionStyle));

  const ForegroundWindow covering{{0, 0, 1920, 1080}, popup, true, false, false};
  ForegroundWindow other = covering;
  other.ownProcess = true;
  EXPECT_FALSE(IsFullScreenForeground(other, monitor, 5)) << "our own window";
  other = covering;
  other.desktop = true;
  EXPECT_FALSE(IsFullScreenForeground(other, monitor, 5)) << "the shell's desktop";
  other = covering;
  other.visible = false;
  EXPECT_FALSE(IsFullScreenForeground(other, monitor, 5)) << "a hidden window";
}

TEST(FullScreen, TheShellsFullScreenStatesCountForAnotherProgramsWindow) {
  const DeskRect monitor{0, 0, 1920, 1080};
  // A small captioned window in front, as a presentation's console may be.
  ForegroundWindow window{{100, 100, 600, 500}, kCaptionStyle, true, false, false};
  for (int state = -1; state <= 8; ++state) {
    const bool fullScreen = state == 2 || state == 3 || state == 4;
    EXPECT_EQ(ShellReportsFullScreen(state), fullScreen) << state;
    EXPECT_EQ(IsFullScreenForeground(window, monitor, state), fullScreen) << state;
  }
  window.ownProcess = true;
  EXPECT_FALSE(IsFullScreenForeground(window, monitor, 3));
}

TEST(Scaling, TheWholeFactorRoundsHalvesUp) {
  const std::vector<std::pair<int, int>> cases{{0, 1},   {47, 1},  {96, 1},  {119, 1},
                                               {120, 1}, {143, 1}, {144, 2}, {192, 2},
                                               {239, 2}, {240, 3}, {288, 3}, {336, 4}};
  for (auto [dpi, k] : cases) EXPECT_EQ(ScaleFactor(dpi), k) << dpi;
  EXPECT_EQ(ScaleFactor(-96), 1);
}

TEST(Scaling, ExactScalingRoundsAsTheSystemsMulDiv) {
  EXPECT_EQ(ScaleExact(-11, 96), -11);
  EXPECT_EQ(ScaleExact(-11, 120), -14);  // -13.75
  EXPECT_EQ(ScaleExact(-11, 144), -17);  // -16.5: halves away from zero
  EXPECT_EQ(ScaleExact(11, 144), 17);
  EXPECT_EQ(ScaleExact(281, 168), 492);  // 491.75
  EXPECT_EQ(MulDivRounded(5, 1, -2), -3);
  EXPECT_EQ(MulDivRounded(-5, -1, -2), -3);
  EXPECT_EQ(MulDivRounded(7, 1, 0), -1);
  EXPECT_EQ(MulDivRounded(0x7FFFFFFF, 2, 2), 0x7FFFFFFF);
  EXPECT_EQ(MulDivRounded(0x7FFFFFFF, 2, 1), -1);
#ifdef _WIN32
  // Against the system's own, where there is one.
  std::mt19937 rng(17);
  for (int i = 0; i < 100000; ++i) {
    const auto value = static_cast<int32_t>(rng()) >> (rng() % 32);
    const int32_t dpi = static_cast<int32_t>(rng() % 800) - 100, divisor = 1 + rng() % 200;
    ASSERT_EQ(MulDivRounded(value, dpi, divisor), MulDiv(value, dpi, divisor))
        << value << " " << dpi << " " << divisor;
  }
#endif
}
