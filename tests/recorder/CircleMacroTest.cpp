#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "CircleMacro.h"

namespace {

TEST(CircleMacroTest, TheCommittedFileIsWhatTheGeneratorMakes) {
  std::ifstream file(std::string(QV_SCRIPTS_DIR) + "/" + kCircleMacroName, std::ios::binary);
  const std::vector<uint8_t> committed{std::istreambuf_iterator<char>(file), {}};
  EXPECT_EQ(committed, MacroBytes(CircleMacroEvents()))
      << "write it anew with: cmake --build <build dir> --target macros";
}

// Once round the screen centre, from 612, 384 back to it, with no clicks or keys.
TEST(CircleMacroTest, OnceRoundTheScreenCentreWithoutClicksOrKeys) {
  const std::vector<TEventMsg> events = CircleMacroEvents();
  ASSERT_EQ(events.size(), 26u);
  double turned = 0, px = 100, py = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    const TEventMsg& e = events[i];
    EXPECT_EQ(e, (TEventMsg{kMsgMouseMove, e.paramL, e.paramH, static_cast<uint32_t>(i * 100)}));
    const double dx = static_cast<int32_t>(e.paramL) - 512.0;
    const double dy = static_cast<int32_t>(e.paramH) - 384.0;
    EXPECT_NEAR(std::hypot(dx, dy), 100, 1);
    const double step = std::atan2(px * dy - py * dx, px * dx + py * dy);
    EXPECT_TRUE(i == 0 ? step == 0 : step > 0.2) << i;
    turned += step;
    px = dx;
    py = dy;
  }
  EXPECT_NEAR(turned, 2 * 3.14159265, 0.01);
  EXPECT_EQ(events.back(), (TEventMsg{kMsgMouseMove, 612, 384, 2500}));
}

}  // namespace
