#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>

#include "CircleMacro.h"

namespace {

std::vector<uint8_t> CommittedMacro() {
  std::ifstream file(std::string(QV_SCRIPTS_DIR) + "/" + kCircleMacroName, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(CircleMacroTest, TheCommittedFileIsWhatTheGeneratorMakes) {
  EXPECT_EQ(CommittedMacro(), MacroBytes(CircleMacroEvents()))
      << "write it anew with: cmake --build <build dir> --target macros";
}

TEST(CircleMacroTest, OnceRoundTheScreenCentreWithoutClicksOrKeys) {
  const std::vector<TEventMsg> events = CircleMacroEvents();
  ASSERT_EQ(events.size(), 26u);
  EXPECT_EQ(events.front().paramL, 612u);
  EXPECT_EQ(events.front().paramH, 384u);
  EXPECT_EQ(events.back().paramL, 612u);
  EXPECT_EQ(events.back().paramH, 384u);
  double turned = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    const TEventMsg& e = events[i];
    EXPECT_EQ(e.message, kMsgMouseMove);
    EXPECT_EQ(e.hwnd, 0u);
    EXPECT_EQ(e.time, i * 100);
    const double dx = static_cast<int32_t>(e.paramL) - 512.0;
    const double dy = static_cast<int32_t>(e.paramH) - 384.0;
    EXPECT_NEAR(std::hypot(dx, dy), 100, 1);
    if (i > 0) {
      const double px = static_cast<int32_t>(events[i - 1].paramL) - 512.0;
      const double py = static_cast<int32_t>(events[i - 1].paramH) - 384.0;
      const double step = std::atan2(px * dy - py * dx, px * dx + py * dy);
      EXPECT_GT(step, 0.2);
      turned += step;
    }
  }
  EXPECT_NEAR(turned, 2 * 3.14159265, 0.01);
}

}  // namespace
