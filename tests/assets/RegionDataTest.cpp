#include "RegionData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string_view>

#include "Scaling.h"

namespace {

// A mask from rows of '#' (inside) and '.' (outside).
struct Mask {
  int width = 0, height = 0;
  std::vector<uint8_t> bits;
};

Mask FromRows(std::initializer_list<std::string_view> rows) {
  Mask m;
  m.height = static_cast<int>(rows.size());
  m.width = static_cast<int>(rows.begin()->size());
  for (std::string_view row : rows)
    for (char c : row) m.bits.push_back(c == '#');
  return m;
}

std::vector<RegionRect> Band(const Mask& m) {
  return BandMask(m.width, m.height, m.bits);
}

std::vector<uint8_t> Cover(const std::vector<RegionRect>& rects, int width, int height) {
  std::vector<uint8_t> bits(static_cast<size_t>(width) * height, 0);
  for (const RegionRect& r : rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) bits[static_cast<size_t>(y) * width + x] = 1;
  return bits;
}

// Neighbouring bands with identical x ranges would have been merged by the platform.
bool FullyCoalesced(const std::vector<RegionRect>& rects) {
  size_t start = 0;
  std::vector<RegionRect> previous;
  while (start < rects.size()) {
    size_t end = start;
    while (end < rects.size() && rects[end].top == rects[start].top) ++end;
    std::vector<RegionRect> band(rects.begin() + start, rects.begin() + end);
    if (!previous.empty() && previous.front().bottom == band.front().top &&
        previous.size() == band.size()) {
      bool same = true;
      for (size_t i = 0; i < band.size(); ++i)
        same = same && band[i].left == previous[i].left && band[i].right == previous[i].right;
      if (same) return false;
    }
    previous = band;
    start = end;
  }
  return true;
}

void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

TEST(BandMask, EmptyAndDegenerateMasks) {
  EXPECT_TRUE(Band(FromRows({"....", "...."})).empty());
  EXPECT_TRUE(BandMask(0, 0, {}).empty());
  // A buffer smaller than the size claimed is refused rather than read past.
  std::vector<uint8_t> small(3, 1);
  EXPECT_TRUE(BandMask(2, 2, small).empty());
}

TEST(BandMask, SolidBlockIsOneRectangle) {
  EXPECT_EQ(Band(FromRows({"......", ".####.", ".####.", ".####.", "......"})),
            (std::vector<RegionRect>{{1, 1, 5, 4}}));
  EXPECT_EQ(Band(FromRows({"#"})), (std::vector<RegionRect>{{0, 0, 1, 1}}));
}

TEST(BandMask, HoleSplitsTheMiddleBand) {
  const std::vector<RegionRect> expected{{0, 0, 5, 2}, {0, 2, 2, 3}, {3, 2, 5, 3}, {0, 3, 5, 5}};
  EXPECT_EQ(Band(FromRows({"#####", "#####", "##.##", "#####", "#####"})), expected);
}

TEST(BandMask, RowsMergeOnlyWhenAdjacentAndIdentical) {
  // Same runs with an empty row between them: two bands.
  EXPECT_EQ(Band(FromRows({"##..##", "......", "##..##"})),
            (std::vector<RegionRect>{{0, 0, 2, 1}, {4, 0, 6, 1}, {0, 2, 2, 3}, {4, 2, 6, 3}}));
  // Runs that touch diagonally or share a left edge stay separate bands.
  EXPECT_EQ(Band(FromRows({"##..", "..##"})),
            (std::vector<RegionRect>{{0, 0, 2, 1}, {2, 1, 4, 2}}));
  EXPECT_EQ(Band(FromRows({"##.", "###", "###"})),
            (std::vector<RegionRect>{{0, 0, 2, 1}, {0, 1, 3, 3}}));
  // One run that splits in two is a new band even though it covers the same span.
  EXPECT_EQ(Band(FromRows({"#####", "##.##"})),
            (std::vector<RegionRect>{{0, 0, 5, 1}, {0, 1, 2, 2}, {3, 1, 5, 2}}));
}

TEST(BandMask, RunsReachingTheEdges) {
  EXPECT_EQ(Band(FromRows({"#..#", "#..#"})),
            (std::vector<RegionRect>{{0, 0, 1, 2}, {3, 0, 4, 2}}));
}

TEST(BandMask, RandomMasksAreCoveredExactlyInBandedOrder) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    const int width = 1 + static_cast<int>(rng() % 40);
    const int height = 1 + static_cast<int>(rng() % 40);
    const unsigned density = rng() % 100;
    std::vector<uint8_t> bits(static_cast<size_t>(width) * height);
    // Copy rows now and then so that bands really do merge.
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const size_t at = static_cast<size_t>(y) * width + x;
        bits[at] = (y > 0 && rng() % 3 == 0) ? bits[at - width] : rng() % 100 < density;
      }
    const std::vector<RegionRect> rects = BandMask(width, height, bits);
    ASSERT_TRUE(IsBanded(rects)) << "round " << round;
    ASSERT_TRUE(FullyCoalesced(rects)) << "round " << round;
    ASSERT_EQ(Cover(rects, width, height), bits) << "round " << round;
  }
}

TEST(RegionLayout, BytesAreLittleEndianInTheRgndataLayout) {
  const std::vector<RegionRect> rects{{-1, 2, 3, 4}, {5, 2, 0x01020304, 4}};
  const std::vector<uint8_t> mask2 = BuildMask2(rects);
  const std::vector<uint8_t> expected{
      0x40, 0,    0,    0,                                                     // N = 32 + 2 * 16
      32,   0,    0,    0,                                                     // header size
      1,    0,    0,    0,                                                     // RDH_RECTANGLES
      2,    0,    0,    0,                                                     // count
      32,   0,    0,    0,                                                     // rectangle bytes
      0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 4, 0, 0, 0,  // bound
      0xFF, 0xFF, 0xFF, 0xFF, 2, 0, 0, 0, 3,    0,    0,    0,    4, 0, 0, 0,
      5,    0,    0,    0,    2, 0, 0, 0, 0x04, 0x03, 0x02, 0x01, 4, 0, 0, 0,
  };
  EXPECT_EQ(mask2, expected);
}

TEST(RegionLayout, NoRectanglesGiveAnEmptyHeader) {
  const std::vector<uint8_t> data = BuildRegionData({});
  EXPECT_EQ(data, std::vector<uint8_t>({32, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        0,  0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(WrapMask2(data).size(), 36u);
}

TEST(ParseMask2, AcceptsWhatIsBuiltAndGivesTheRectanglesBack) {
  const std::vector<RegionRect> rects{{0, 0, 5, 2}, {0, 2, 2, 3}, {3, 2, 5, 3}};
  const std::vector<uint8_t> value = BuildMask2(rects);
  Mask2Block block;
  ASSERT_EQ(ParseMask2(value, &block), Mask2Status::Ok);
  EXPECT_EQ(block.header.count, 3u);
  EXPECT_EQ(block.header.bound, (RegionRect{0, 0, 5, 3}));
  EXPECT_EQ(block.regionData.data(), value.data() + 4);
  EXPECT_EQ(block.regionData.size(), value.size() - 4);
  EXPECT_EQ(RegionRects(block), rects);
}

TEST(ParseMask2, RejectsEveryMalformedBlock) {
  const std::vector<uint8_t> good = BuildMask2(std::vector<RegionRect>{{1, 1, 4, 4}, {1, 4, 2, 6}});
  auto status = [](std::vector<uint8_t> v) { return ParseMask2(v, nullptr); };

  EXPECT_EQ(status({}), Mask2Status::TooShort);
  EXPECT_EQ(status({0, 0, 0}), Mask2Status::TooShort);
  EXPECT_EQ(status({0, 0, 0, 0}), Mask2Status::Empty);

  std::vector<uint8_t> v = good;
  PutU32(v, 0, 20);  // N shorter than a header
  EXPECT_EQ(status(v), Mask2Status::TooShort);
  v = good;
  PutU32(v, 0, static_cast<uint32_t>(good.size()));  // N counts the count itself
  EXPECT_EQ(status(v), Mask2Status::NBeyondData);
  v = good;
  PutU32(v, 0, 0xFFFFFFFF);
  EXPECT_EQ(status(v), Mask2Status::NBeyondData);
  v = good;
  v.pop_back();  // the value cut short
  EXPECT_EQ(status(v), Mask2Status::NBeyondData);
  v = good;
  PutU32(v, 4, 40);
  EXPECT_EQ(status(v), Mask2Status::BadHeaderSize);
  v = good;
  PutU32(v, 8, 2);
  EXPECT_EQ(status(v), Mask2Status::BadType);
  v = good;
  PutU32(v, 12, 3);
  EXPECT_EQ(status(v), Mask2Status::CountMismatch);
  v = good;
  PutU32(v, 16, 33);
  EXPECT_EQ(status(v), Mask2Status::CountMismatch);
  // A count whose byte size wraps to 0 in 32 bits must not pass as an empty list.
  v = good;
  PutU32(v, 12, 0x10000000);
  PutU32(v, 16, 0);
  EXPECT_EQ(status(v), Mask2Status::CountMismatch);
  // Count and size agree but claim more rectangles than the block holds.
  v = good;
  PutU32(v, 12, 3);
  PutU32(v, 16, 48);
  EXPECT_EQ(status(v), Mask2Status::SizeBeyondData);
  // Rectangles as the platform never reports them: swapped bands, empty, beyond the box.
  const std::vector<uint8_t> swapped =
      BuildMask2(std::vector<RegionRect>{{1, 4, 2, 6}, {1, 1, 4, 4}});
  EXPECT_EQ(status(swapped), Mask2Status::NotBanded);
  EXPECT_EQ(status(BuildMask2(std::vector<RegionRect>{{1, 1, 1, 4}})), Mask2Status::NotBanded);
  v = good;
  PutU32(v, 32, 5);  // the box's bottom above the last rectangle's
  EXPECT_EQ(status(v), Mask2Status::OutsideBound);
}

TEST(ParseMask2, BytesAfterTheBlockAreLeftAlone) {
  std::vector<uint8_t> v = BuildMask2(std::vector<RegionRect>{{1, 1, 4, 4}});
  v.insert(v.end(), {9, 9, 9});
  Mask2Block block;
  ASSERT_EQ(ParseMask2(v, &block), Mask2Status::Ok);
  EXPECT_EQ(block.regionData.size(), v.size() - 7);
}

// Random and mutated blocks: nothing is read outside the input (the sanitizer build
// checks that), and whatever is accepted holds together.
TEST(ParseMask2, RandomizedInputNeverYieldsAnInconsistentBlock) {
  std::mt19937 rng(99);
  const std::vector<uint8_t> seed =
      BuildMask2(std::vector<RegionRect>{{0, 0, 5, 2}, {0, 2, 2, 3}, {3, 2, 5, 3}, {0, 3, 5, 5}});
  int accepted = 0;
  for (int round = 0; round < 200000; ++round) {
    std::vector<uint8_t> v;
    switch (rng() % 4) {
      case 0:  // random bytes
        v.resize(rng() % 100);
        for (uint8_t& b : v) b = static_cast<uint8_t>(rng());
        break;
      case 1:  // a valid block, truncated or extended
        v = seed;
        v.resize(rng() % (seed.size() + 20), 0);
        break;
      default: {  // a valid block with a few bytes of its header changed
        v = seed;
        const int flips = 1 + static_cast<int>(rng() % 3);
        for (int i = 0; i < flips; ++i) {
          const size_t at = rng() % 36;
          v[at] = (rng() % 2) ? static_cast<uint8_t>(rng()) : static_cast<uint8_t>(v[at] ^ 1);
        }
      }
    }
    // Copy to an exact-size buffer so that any overread is caught.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[v.size() + 1]);
    std::copy(v.begin(), v.end(), exact.get());
    std::span<const uint8_t> input(exact.get(), v.size());
    Mask2Block block;
    if (ParseMask2(input, &block) != Mask2Status::Ok) continue;
    ++accepted;
    const uint64_t n = block.regionData.size();
    ASSERT_GE(input.size(), 4 + n);
    ASSERT_EQ(block.header.headerSize, 32u);
    ASSERT_EQ(block.header.type, 1u);
    ASSERT_EQ(uint64_t{block.header.count} * 16, block.header.rectBytes);
    ASSERT_LE(32 + uint64_t{block.header.rectBytes}, n);
    ASSERT_EQ(RegionRects(block).size(), block.header.count);
  }
  EXPECT_GT(accepted, 1000);
}

TEST(IsBanded, RejectsEachBrokenRule) {
  EXPECT_TRUE(IsBanded({}));
  EXPECT_TRUE(IsBanded(std::vector<RegionRect>{{0, 0, 2, 1}, {3, 0, 5, 1}, {0, 1, 5, 3}}));
  EXPECT_FALSE(IsBanded(std::vector<RegionRect>{{3, 0, 5, 1}, {0, 0, 2, 1}}));  // unsorted
  EXPECT_FALSE(IsBanded(std::vector<RegionRect>{{0, 0, 2, 1}, {2, 0, 5, 1}}));  // touching
  EXPECT_FALSE(IsBanded(std::vector<RegionRect>{{0, 0, 2, 1}, {3, 0, 5, 2}}));  // bottoms
  EXPECT_FALSE(IsBanded(std::vector<RegionRect>{{0, 0, 2, 2}, {0, 1, 2, 3}}));  // overlap
  EXPECT_FALSE(IsBanded(std::vector<RegionRect>{{0, 0, 0, 1}}));                // empty
}

// Scaling an outline by k is banding the picture scaled by k with nearest neighbour: the
// mask made a 24-bit picture, scaled, and banded again is the check.
TEST(ScaleRegion, IsTheBandedMaskOfThePictureScaledWithNearestNeighbour) {
  std::mt19937 rng(4321);
  for (int round = 0; round < 200; ++round) {
    const int width = 1 + static_cast<int>(rng() % 30), height = 1 + static_cast<int>(rng() % 30);
    const int k = 1 + static_cast<int>(rng() % 4);
    const size_t stride = width * 3 + rng() % 5;
    std::vector<uint8_t> pixels(stride * height, 0xEE);
    std::vector<uint8_t> bits(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const size_t at = static_cast<size_t>(y) * width + x;
        bits[at] = (y > 0 && rng() % 3 == 0) ? bits[at - width] : rng() % 2;
        // Only one of the three bytes tells inside from outside: a pixel split apart fails.
        uint8_t* pixel = &pixels[stride * y + 3 * x];
        pixel[0] = static_cast<uint8_t>(rng());
        pixel[1] = static_cast<uint8_t>(rng());
        pixel[2] = bits[at] ? 200 : 100;
      }
    const std::vector<uint8_t> scaled = ScalePixels24(pixels, width, height, stride, k);
    const size_t scaledStride = DibStride24(width * k);
    ASSERT_EQ(scaled.size(), scaledStride * height * k);
    std::vector<uint8_t> scaledBits(static_cast<size_t>(width) * k * height * k);
    for (int y = 0; y < height * k; ++y)
      for (int x = 0; x < width * k; ++x) {
        const uint8_t* pixel = &scaled[scaledStride * y + 3 * x];
        const uint8_t* source = &pixels[stride * (y / k) + 3 * (x / k)];
        ASSERT_TRUE(std::equal(pixel, pixel + 3, source)) << "round " << round;
        scaledBits[static_cast<size_t>(y) * width * k + x] = pixel[2] == 200;
      }
    const std::vector<RegionRect> rects = ScaleRegion(BandMask(width, height, bits), k);
    ASSERT_EQ(rects, BandMask(width * k, height * k, scaledBits)) << "round " << round;
    ASSERT_TRUE(IsBanded(rects));
  }
}

TEST(ScaleRegion, RefusesWhatCannotBeScaled) {
  const std::vector<RegionRect> rects{{0, 0, 5, 2}, {-3, 2, 0x20000000, 3}};
  EXPECT_EQ(ScaleRegion(rects, 3),
            (std::vector<RegionRect>{{0, 0, 15, 6}, {-9, 6, 0x60000000, 9}}));
  EXPECT_TRUE(ScaleRegion(rects, 4).empty()) << "an edge beyond 32 bits";
  EXPECT_TRUE(ScaleRegion(rects, 0).empty());
  EXPECT_TRUE(ScaleMask2(BuildMask2(rects), 4).empty());
  EXPECT_TRUE(ScaleMask2(std::vector<uint8_t>{0, 0, 0, 0}, 2).empty()) << "no outline";
  EXPECT_TRUE(ScalePixels24(std::vector<uint8_t>(5), 2, 1, 6, 2).empty()) << "data cut short";
  EXPECT_TRUE(ScalePixels24(std::vector<uint8_t>(6), 2, 1, 5, 2).empty()) << "stride too small";
}
