#include "Blend.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

// A 24-bit picture with DIB strides (rows padded to 4 bytes) and 4 spare bytes per row that
// a blend must never touch.
struct Picture {
  int width, height;
  ptrdiff_t stride;
  std::vector<uint8_t> bytes;
  Picture(int w, int h, uint8_t fill = 0)
      : width(w), height(h), stride((3 * w + 3) / 4 * 4 + 4), bytes(stride * h, fill) {}
  uint8_t* Row(int y) { return bytes.data() + y * stride; }
};

int Blend1(uint8_t frame, uint8_t old, int a) {
  Picture f(1, 1, frame), o(1, 1, old);
  BlendBitmapsReference(f.Row(0), f.stride, o.Row(0), o.stride, 1, 1, a);
  return f.bytes[0];
}

}  // namespace

TEST(BlendBitmaps, ReferenceTruncatesEachTerm) {
  EXPECT_EQ(Blend1(255, 255, 50), 254);
  EXPECT_EQ(Blend1(200, 100, 25), 175);  // 200 * 75 div 100 + 100 * 25 div 100
  EXPECT_EQ(Blend1(99, 199, 0), 99);
  EXPECT_EQ(Blend1(99, 199, 100), 199);
  EXPECT_EQ(Blend1(1, 1, 50), 0);
}

// Every frame byte, old byte and weight: 256 x 256 x 101 inputs, laid out over padded rows.
TEST(BlendBitmaps, EqualsTheReferenceForEveryInput) {
  const int width = 7282, height = 3;  // 3 rows of 21846 bytes hold all 65536 pairs
  Picture frame(width, height), old(width, height);
  for (int y = 0, k = 0; y < height; ++y)
    for (int i = 0; i < 3 * width; ++i, ++k) {
      frame.Row(y)[i] = static_cast<uint8_t>(k);
      old.Row(y)[i] = static_cast<uint8_t>(k >> 8);
    }
  for (int y = 0; y < height; ++y)
    for (ptrdiff_t i = 3 * width; i < frame.stride; ++i) frame.Row(y)[i] = 0xA5;

  for (int a = 0; a <= 100; ++a) {
    Picture slow = frame;
    BlendBitmapsReference(slow.Row(0), slow.stride, old.Row(0), old.stride, width, height, a);
    for (const BlendVariant& variant : AvailableBlends()) {
      Picture fast = frame;
      variant.blend(fast.Row(0), fast.stride, old.Row(0), old.stride, width, height, a);
      ASSERT_EQ(fast.bytes, slow.bytes) << variant.name << ", a = " << a;
    }
  }
}

TEST(BlendBitmaps, SmallPicturesBottomUpAndOutOfRangeWeights) {
  std::mt19937 random(3);
  for (int width : {1, 2, 3, 5, 17, 134}) {
    Picture frame(width, 7), old(width, 7);
    for (auto& b : frame.bytes) b = static_cast<uint8_t>(random());
    for (auto& b : old.bytes) b = static_cast<uint8_t>(random());
    for (int a : {-20, 0, 37, 96, 100, 180}) {  // taken as 0 below and 100 above
      Picture slow = frame;
      BlendBitmapsReference(slow.Row(0), slow.stride, old.Row(0), old.stride, width, 7, a);
      for (const BlendVariant& variant : AvailableBlends()) {
        // Bottom-up: start at the last row and step back.
        Picture fast = frame;
        variant.blend(fast.Row(6), -fast.stride, old.Row(6), -old.stride, width, 7, a);
        ASSERT_EQ(fast.bytes, slow.bytes) << variant.name << ", width " << width << ", a " << a;
      }
    }
  }
  EXPECT_EQ(Blend1(10, 250, -20), 10);
  EXPECT_EQ(Blend1(10, 250, 180), 250);
  Picture frame(4, 4, 9), old(4, 4, 200);
  BlendBitmaps(frame.Row(0), frame.stride, old.Row(0), old.stride, 0, 4, 50);
  BlendBitmaps(frame.Row(0), frame.stride, old.Row(0), old.stride, 4, 0, 50);
  EXPECT_EQ(frame.bytes, Picture(4, 4, 9).bytes);
}
