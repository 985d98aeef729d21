#include "Blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

namespace {

// A 24-bit picture with DIB strides (rows padded to 4 bytes) and 4 spare bytes per row that
// a blend must never touch.
struct Picture {
  int width, height;
  ptrdiff_t stride;
  std::vector<uint8_t> bytes;
  Picture(int w, int h)
      : width(w), height(h), stride((3 * w + 3) / 4 * 4 + 4), bytes(stride * h, 0xA5) {}
  uint8_t* Row(int y) { return bytes.data() + y * stride; }
};

// What every blend must give: two terms, each truncated on its own, the weight held to 0..100.
Picture Blended(Picture frame, const Picture& old, int a) {
  a = std::clamp(a, 0, 100);
  for (int y = 0; y < frame.height; ++y)
    for (int i = 0; i < 3 * frame.width; ++i) {
      uint8_t& f = frame.Row(y)[i];
      f = static_cast<uint8_t>(f * (100 - a) / 100 + old.bytes[y * old.stride + i] * a / 100);
    }
  return frame;
}

// The dispatcher, each variant this processor runs, and the slow reference.
std::vector<BlendVariant> AllBlends() {
  std::vector<BlendVariant> all(AvailableBlends().begin(), AvailableBlends().end());
  all.push_back({"BlendBitmaps", BlendBitmaps});
  all.push_back({"reference", BlendBitmapsReference});
  return all;
}

}  // namespace

// Every frame byte, old byte and weight (256 x 256 x 101 inputs over 3 padded rows), and
// narrow random pictures for the tails of the vector loops; rows stepped down and up (DIBs are
// bottom-up), weights past both ends, and an empty size that changes nothing.
TEST(BlendBitmaps, TwoTruncatedTermsForEveryInput) {
  std::vector<std::pair<Picture, Picture>> cases;
  cases.emplace_back(Picture(7282, 3), Picture(7282, 3));  // 3 rows of 21846 bytes
  for (int y = 0, k = 0; y < 3; ++y)
    for (int i = 0; i < 3 * 7282; ++i, ++k) {
      cases[0].first.Row(y)[i] = static_cast<uint8_t>(k);
      cases[0].second.Row(y)[i] = static_cast<uint8_t>(k >> 8);
    }
  std::mt19937 random(3);
  for (int width : {1, 2, 3, 5, 7, 11, 17}) {
    auto& [frame, old] = cases.emplace_back(Picture(width, 4), Picture(width, 4));
    for (auto* p : {&frame, &old})
      for (auto& b : p->bytes) b = static_cast<uint8_t>(random());
  }
  for (auto& [frame, old] : cases)
    for (int a = -2; a <= 102; ++a) {
      const Picture want = Blended(frame, old, a);
      for (const BlendVariant& blend : AllBlends())
        for (const int step : {1, -1}) {
          const int first = step > 0 ? 0 : frame.height - 1;
          Picture out = frame;
          blend.blend(out.Row(first), step * out.stride, old.Row(first), step * old.stride,
                      frame.width, frame.height, a);
          blend.blend(out.Row(0), out.stride, old.Row(0), old.stride, 0, frame.height, a);
          blend.blend(out.Row(0), out.stride, old.Row(0), old.stride, frame.width, 0, a);
          ASSERT_EQ(out.bytes, want.bytes)
              << blend.name << ", width " << frame.width << ", a " << a << ", step " << step;
        }
    }
  uint8_t white[3] = {255, 255, 255}, alsoWhite[3] = {255, 255, 255};
  BlendBitmaps(white, 3, alsoWhite, 3, 1, 1, 50);
  EXPECT_EQ(white[0], 254);
}
