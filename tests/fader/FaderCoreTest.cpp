#include "FaderCore.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "FakeTiming.h"

namespace {

using Events = std::vector<std::string>;

// A fader on a fake clock that logs "<ms> show <text>" for the first frame of each item and
// "<ms> complete <text>" for OnComplete.
struct Fader {
  TFakeClock clock;
  TFakeTimer timer{clock};
  TFaderCore core{timer};
  Events events;
  std::vector<int> progress;  // of every frame of the latest item
  int invalidates = 0;

  Fader() {
    core.OnRedraw = [this] {
      if (!progress.empty() && core.Progress() <= progress.back()) progress.clear();
      if (progress.empty()) Log("show " + core.CurrentText());
      progress.push_back(core.Progress());
    };
    core.OnComplete = [this](TObject* sender) {
      EXPECT_EQ(sender, &core);
      Log("complete " + core.CurrentText());
    };
    core.OnInvalidate = [this] { ++invalidates; };
  }
  void Log(const std::string& event) {
    events.push_back(std::to_string(clock.TickCount()) + " " + event);
  }
  // As the main window hands over a new text.
  void Show(std::initializer_list<const char*> lines) {
    core.SetActive(true);
    core.Reset();
    core.Lines().Clear();
    for (const char* line : lines) core.Lines().Add(line);
  }
  Events Run(uint32_t milliseconds) {
    events.clear();
    clock.Advance(milliseconds);
    return events;
  }
};

TEST(FaderCore, TimelineWithTheMainWindowSettings) {
  Fader f;
  f.Show({"A", "B", "C"});
  EXPECT_EQ(f.Run(9000),
            (Events{"5 show A", "725 complete A", "2725 show B", "3445 complete B", "5445 show C",
                    "6165 complete C", "8165 show A", "8885 complete A"}));
  EXPECT_EQ(f.core.PassCount(), 1);

  // A new text while an item is held, and another in the middle of a fade: each starts
  // 5 ms after Reset, faded in from an empty box.
  f.Run(1000);
  f.Show({"X", "Y"});
  EXPECT_EQ(f.Run(800), (Events{"10005 show X", "10725 complete X"}));
  f.Run(2000);  // Y fading since 12725
  f.Show({"P"});
  EXPECT_EQ(f.Run(800), (Events{"12805 show P", "13525 complete P"}));
  EXPECT_EQ(f.core.PreviousText(), "");
}

TEST(FaderCore, PassesOverEmptyAndSingleItemLists) {
  // Every take at the end of an empty list counts a pass and fades "" over "".
  Fader empty;
  empty.core.SetRepeatCount(3);
  empty.Show({});
  EXPECT_EQ(empty.Run(20000), (Events{"5 show ", "725 complete ", "2725 show ", "3445 complete ",
                                      "5445 show ", "5445 complete "}));
  EXPECT_FALSE(empty.core.Active() || empty.timer.Enabled());
  EXPECT_EQ(empty.core.PassCount(), 3);

  // Switching off after the last pass leaves the last item shown, with one more OnComplete;
  // switched on again it counts its passes afresh.
  Fader two;
  two.core.SetRepeatCount(2);
  two.Show({"A", "B"});
  const Events events = two.Run(20000);
  ASSERT_EQ(events.size(), 10u);
  EXPECT_EQ(Events(events.begin() + 8, events.end()), (Events{"10885 show B", "10885 complete B"}));
  EXPECT_EQ(two.progress, std::vector<int>{100});
  two.core.SetActive(true);
  EXPECT_EQ(two.Run(1000), (Events{"20005 show A", "20725 complete A"}));

  // A single item fades into itself, counting a pass each time.
  Fader one;
  one.Show({"A"});
  EXPECT_EQ(one.Run(6000), (Events{"5 show A", "725 complete A", "2725 show A", "3445 complete A",
                                   "5445 show A"}));
  EXPECT_EQ(one.core.PreviousText(), "A");
  EXPECT_EQ(one.core.PassCount(), 2);
}

TEST(FaderCore, FadeStepsAndHaltingDelays) {
  Fader f;
  f.core.SetFadeStep(3);
  f.Show({"A", "B"});
  f.Run(2000);
  std::vector<int> expected;
  for (int p = 3; p < 103; p += 3) expected.push_back(std::min(p, 100));
  EXPECT_EQ(f.progress, expected);
  // Used from the next step on; 100 shows the item in one frame.
  f.core.SetFadeStep(100);
  EXPECT_EQ(f.Run(2000), (Events{"2995 show B", "2995 complete B"}));
  EXPECT_EQ(f.progress, std::vector<int>{100});

  // LineDelay 0 halts once an item is shown, until it is nonzero again.
  Fader g;
  g.core.SetLineDelay(0);
  g.Show({"A", "B"});
  EXPECT_EQ(g.Run(60000), (Events{"5 show A", "725 complete A"}));
  EXPECT_FALSE(g.clock.NextTick());
  g.core.SetLineDelay(100);
  EXPECT_EQ(g.Run(200), (Events{"60100 show B"}));

  // FadeDelay 0 halts a fade after its first step, until it is nonzero again or Reset.
  g.core.SetLineDelay(2000);
  g.Run(700);  // 60900: B shown since 60820, A due at 62820
  g.core.SetFadeDelay(0);
  g.Run(4000);
  EXPECT_TRUE(g.core.CurrentText() == "A" && g.core.Progress() == 4);
  EXPECT_FALSE(g.clock.NextTick());
  g.core.SetFadeDelay(10);
  EXPECT_EQ(g.Run(300), (Events{"65140 complete A"}));
  g.core.SetFadeDelay(0);
  g.Run(2000);  // B taken at 67140 and halted
  EXPECT_FALSE(g.clock.NextTick());
  g.core.Reset();
  EXPECT_EQ(g.Run(100), (Events{"67205 show A"}));
}

TEST(FaderCore, SwitchingOffAndChangingLines) {
  Fader f;
  f.Show({"A", "B", "C"});
  f.Run(2800);  // B fading in
  const int before = f.invalidates;
  f.core.SetActive(false);  // B shown fully
  EXPECT_TRUE(f.core.Progress() == 100 && f.core.CurrentText() == "B");
  EXPECT_EQ(f.invalidates, before + 1);
  EXPECT_TRUE(f.Run(10000).empty());
  // On again: the item after the one cut short, not the first.
  f.Run(1000);
  f.core.SetActive(true);
  EXPECT_EQ(f.Run(100), Events{"13805 show C"});
  EXPECT_EQ(f.core.PassCount(), 0);

  // Shortened below the shown item: the index follows, the texts stay until the next take.
  f.Run(1000);
  f.core.Lines().Delete(2);
  EXPECT_EQ(f.core.LineIndex(), 1);
  f.core.Lines().Clear();
  EXPECT_TRUE(f.core.LineIndex() == -1 && f.core.CurrentText() == "C");
  f.core.Lines().Add("D");
  EXPECT_EQ(f.Run(2000), Events{"16525 show D"});
  EXPECT_EQ(f.core.PreviousText(), "C");

  // While off, changes and Reset move nothing; the look and Reset ask for a repaint, only
  // when something changes. Lines are stored only when they are not the default.
  Fader off;
  EXPECT_FALSE(off.core.LinesStored());
  off.core.Lines().Clear();
  off.core.Lines().Add("A");
  EXPECT_TRUE(off.core.LinesStored());
  for (int round = 0; round < 2; ++round) {
    off.core.SetAlignment(taLeftJustify);
    off.core.SetWordWrap(false);
    off.core.SetTransparent(true);
    off.core.SetBackgroundMode(bmCentered);
  }
  off.core.Reset();
  EXPECT_EQ(off.invalidates, 5);
  EXPECT_TRUE(off.Run(60000).empty());
  EXPECT_TRUE(off.core.CurrentText().empty() && off.core.LineIndex() == -1);
  // Moving the line while an item is held starts a LineDelay wait.
  off.core.Lines().Add("B");
  off.core.SetActive(true);
  off.core.SetLineIndex(1);
  EXPECT_EQ(off.Run(2100), Events{"62000 show A"});

  // A core going away leaves its timer stopped and unbound.
  TFakeTimer timer(off.clock);
  std::make_unique<TFaderCore>(timer)->SetActive(true);
  EXPECT_FALSE(timer.Enabled() || timer.OnTick);
}

// Random operations against the invariants that tie the state to the timer.
TEST(FaderCore, RandomOperationsKeepTheInvariants) {
  std::mt19937 random(7);
  Fader f;
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  TFaderCore& c = f.core;
  TStringList& lines = c.Lines();
  const std::function<void()> operations[] = {
      [&] { c.SetActive(pick(3) != 0); },
      [&] { c.Reset(); },
      [&] { lines.Add(std::string(1, static_cast<char>('a' + pick(26)))); },
      [&] { lines.Count() > 0 ? lines.Delete(pick(lines.Count())) : void(); },
      [&] { pick(4) == 0 ? lines.Clear() : void(); },
      [&] { c.SetLineDelay(static_cast<uint16_t>(pick(4) * 100)); },
      [&] { c.SetFadeDelay(static_cast<uint16_t>(pick(3) * 20)); },
      [&] { c.SetFadeStep(static_cast<TProgressStep>(pick(256))); },
      [&] { c.SetRepeatCount(pick(8) - 3); },
      [&] { c.SetLineIndex(pick(8) - 2); },
      [&] { f.clock.Advance(static_cast<uint32_t>(pick(300))); },
      [&] { f.clock.Advance(static_cast<uint32_t>(pick(3000))); },
  };
  for (int step = 0; step < 20000; ++step) {
    operations[pick(std::size(operations))]();
    // A step of 0 would never end a fade, a negative count would end it at once.
    ASSERT_TRUE(c.LineIndex() >= -1 && c.LineIndex() < lines.Count() && c.Progress() <= 100 &&
                c.FadeStep() >= 1 && c.FadeStep() <= 100 && c.RepeatCount() >= 0)
        << step;
    ASSERT_EQ(f.timer.Enabled(), c.Active());
    const unsigned period = f.timer.Interval();
    if (!c.Active())
      ASSERT_TRUE(c.Progress() == 100 || c.Progress() == 0);
    else if (c.Progress() < 100)
      ASSERT_EQ(period, c.FadeDelay());
    else
      ASSERT_TRUE(period == c.LineDelay() || period == TFaderCore::kStartDelay) << period;
  }
}

TEST(FaderPainting, Geometry) {
  // 65 pixels of text in a 54 pixel box: 5 cut above, 6 below.
  EXPECT_EQ(TextRect(134, 54, 65), (FaderRect{0, -5, 134, 60}));
  EXPECT_TRUE(TilePositions({0, 0, 134, 54}, 0, 20).empty());
  // Alignment mirrored for right-to-left; never a prefix.
  EXPECT_EQ(DrawTextFlags(taCenter, true, false, false), 0x811u);
  EXPECT_EQ(DrawTextFlags(taLeftJustify, false, false, false), 0x800u);
  EXPECT_EQ(DrawTextFlags(taRightJustify, true, false, false), 0x812u);
  EXPECT_EQ(DrawTextFlags(taLeftJustify, false, true, true), 0x20802u);
  EXPECT_EQ(DrawTextFlags(taRightJustify, false, true, false), 0x800u);
  EXPECT_EQ(DrawTextFlags(taCenter, false, true, true), 0x20801u);
}

}  // namespace
