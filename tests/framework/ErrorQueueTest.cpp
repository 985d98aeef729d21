// The error box's rules against a fake box whose modal loop runs a fake timer, as the real one
// goes on delivering ticks, paints and hook calls while it is open.
#include "ErrorQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FakeTiming.h"
#include "SysUtils.h"

namespace {

// A frame that cannot be made fails on every tick. While its box is open the timer is not run,
// a paint failing the same way joins that box, other errors wait behind it (a duplicate
// once), and no box opens inside another. Closed, the timer runs again.
TEST(ErrorQueueTest, OneBoxAtATimeAndTheFailingTimerWaitsForIt) {
  TFakeClock clock;
  TFakeTimer timer(clock);
  timer.SetInterval(30);
  const TErrorSource tick{&timer, 1}, paint{&clock, 15}, hook{&tick, 0};
  bool failing = true;
  int ticks = 0, open = 0, deepest = 0;
  std::vector<std::string> shown;
  std::vector<TErrorSource> released;
  TErrorQueue queue([&](const TErrorText& message) {
    shown.push_back(message.Text + (message.File ? message.File->Bytes() : "") + message.Tail);
    deepest = std::max(deepest, ++open);
    if (shown.size() == 1) {
      EXPECT_EQ(queue.Run(paint, [] { throw Exception("Out of system resources"); }),
                TCallResult::Failed);
      EXPECT_EQ(queue.Run(paint, [] {}), TCallResult::Skipped);
      queue.Run({}, [] { throw Exception("File not found"); });
      queue.Run(
          hook, [] { throw Exception("Recorder: Nothing to play"); }, true);
      queue.Run({}, [] { throw Exception("File not found"); });
      // The same text naming two files is two errors; naming the same one again, one.
      for (const char* file : {"a.bmp", "b.bmp", "a.bmp"})
        queue.Run({}, [file] { throw EFOpenError(file); });
      EXPECT_TRUE(queue.Blocked(tick) && queue.Blocked(hook));
    }
    clock.Advance(300);  // the modal loop: ten ticks fall due
    failing = false;
    --open;
  });
  queue.OnDeferred = [] { ADD_FAILURE() << "a box is open: it shows the hook's error next"; };
  queue.OnReleased = [&](const TErrorSource& source) { released.push_back(source); };
  timer.OnTick = [&] {
    queue.Run(tick, [&] {
      ++ticks;
      if (failing) throw Exception("Out of system resources");
    });
  };

  ASSERT_TRUE(clock.NextTick());
  EXPECT_EQ(shown, (std::vector<std::string>{"Out of system resources", "File not found",
                                             "Recorder: Nothing to play", "Cannot open file a.bmp",
                                             "Cannot open file b.bmp"}));
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(ticks, 1 + 10 + 10 + 10 + 10);  // none inside the first box, all inside the later ones
  EXPECT_EQ(released, (std::vector<TErrorSource>{tick, paint, hook}));
  EXPECT_FALSE(queue.Showing() || queue.Count() || queue.Blocked(tick));
}

}  // namespace
