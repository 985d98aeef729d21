// Random and damaged bitmaps: the reader either decodes them into a picture of the size it
// reports or refuses them with EInvalidGraphic. Each input lies in a buffer of exactly its
// size, so a read past the data shows under the address sanitizer (the asan preset).
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "BmpBuilder.h"
#include "BmpReader.h"

namespace {

using Bytes = std::vector<uint8_t>;

// One valid file of every kind the reader knows, small so that each try is quick.
std::vector<Bytes> Samples() {
  std::mt19937 rng(11);
  struct Kind {
    uint32_t header;
    int bpp;
    uint32_t compression;
    bool topDown;
    uint32_t masks[4];
    int colors;
  };
  const Kind kinds[] = {
      {12, 1, 0, false, {}, 2},
      {12, 8, 0, false, {}, 256},
      {12, 24, 0, false, {}, 0},
      {40, 1, 0, true, {}, 2},
      {40, 4, 0, false, {}, 16},
      {40, 8, 0, true, {}, 100},
      {40, 16, 0, false, {}, 0},
      {40, 24, 0, false, {}, 0},
      {40, 32, 0, true, {}, 0},
      {40, 16, 3, false, {0xF800, 0x7E0, 0x1F}, 0},
      {40, 32, 6, false, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, 0},
      {108, 16, 3, true, {0xF00, 0xF0, 0xF}, 0},
      {124, 32, 3, false, {0x3FF00000, 0xFFC00, 0x3FF}, 0},
      {124, 8, 0, false, {}, 3},
      {40, 8, 1, false, {}, 256},
      {40, 4, 2, false, {}, 16},
      {108, 8, 1, false, {}, 7},
  };
  std::vector<Bytes> samples;
  for (const Kind& k : kinds) {
    BmpFormat f;
    f.headerSize = k.header;
    f.bitsPerPixel = k.bpp;
    f.compression = k.compression;
    f.topDown = k.topDown;
    for (int i = 0; i < 4; ++i) f.masks[i] = k.masks[i];
    for (int i = 0; i < k.colors; ++i) f.palette.push_back(rng() & 0xFFFFFF);
    if (k.header != 12 && k.bpp <= 8 && k.colors != (1 << k.bpp))
      f.colorsUsed = static_cast<uint32_t>(k.colors);
    const int width = 3 + static_cast<int>(rng() % 20), height = 1 + static_cast<int>(rng() % 9);
    std::vector<uint32_t> values;
    for (int i = 0; i < width * height; ++i) {
      uint32_t v = rng();
      if (k.bpp <= 8) v %= k.compression ? 3 : (1u << k.bpp);  // runs need repeats
      if (k.bpp == 16) v &= 0xFFFF;
      values.push_back(v);
    }
    samples.push_back(WithFileHeader(BuildDib(f, width, height, values), BitsOffset(f)));
  }
  return samples;
}

// Decodes a copy of exactly the given bytes, as a file and, past the file header, as a
// packed DIB; fails the test on anything but a consistent picture or EInvalidGraphic.
int Check(const Bytes& data) {
  int decoded = 0;
  for (bool asFile : {true, false}) {
    if (!asFile && data.size() < 14) continue;
    const Bytes input = asFile ? data : Bytes(data.begin() + 14, data.end());
    try {
      const DecodedBitmap b = asFile ? DecodeBmpFile(input) : DecodePackedDib(input);
      EXPECT_TRUE(b.width > 0 && b.width <= kBmpMaxSide && b.height > 0 && b.height <= kBmpMaxSide);
      EXPECT_EQ(b.pixels.size(), static_cast<size_t>(b.width) * b.height * 3);
      EXPECT_TRUE(b.bitsPerPixel == 1 || b.bitsPerPixel == 4 || b.bitsPerPixel == 8 ||
                  b.bitsPerPixel == 16 || b.bitsPerPixel == 24 || b.bitsPerPixel == 32);
      ++decoded;
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    } catch (const std::exception& e) {
      ADD_FAILURE() << "unexpected exception: " << e.what();
    }
  }
  return decoded;
}

// Header fields worth hitting with edge values: sizes, offsets, dimensions, depth,
// compression, image size, colour count, and the masks of the longer headers.
constexpr size_t kFields[] = {2, 10, 14, 18, 22, 26, 28, 30, 34, 46, 54, 58, 62, 66};
constexpr uint32_t kEdgeValues[] = {
    0,          1,          2,          3,          4,          8,       12,    16,    24,
    32,         40,         54,         124,        255,        256,     32767, 32768, 32769,
    0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFF8000, 0x10000, 2730};

void Mutate(Bytes& b, std::mt19937& rng) {
  if (b.empty()) b.push_back(0);
  switch (rng() % 7) {
    case 0:
      b[rng() % b.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
      break;
    case 1:
      b[rng() % b.size()] = static_cast<uint8_t>(rng());
      break;
    case 2:
    case 3: {
      const size_t at = kFields[rng() % std::size(kFields)] + (rng() % 4 == 0 ? 2 : 0);
      if (at + 4 <= b.size()) Set32(b, at, kEdgeValues[rng() % std::size(kEdgeValues)]);
      break;
    }
    case 4:
      b.resize(rng() % (b.size() + 1));
      break;
    case 5:
      for (int n = static_cast<int>(rng() % 64); n > 0; --n)
        b.push_back(static_cast<uint8_t>(rng()));
      break;
    case 6:
      if (rng() % 2)
        b.erase(b.begin() + rng() % b.size());
      else
        b.insert(b.begin() + rng() % (b.size() + 1), static_cast<uint8_t>(rng()));
      break;
  }
}

TEST(BmpFuzz, EveryCutOfAValidFileIsSafe) {
  for (const Bytes& sample : Samples()) {
    ASSERT_EQ(Check(sample), 2) << "the sample itself must decode";
    for (size_t length = 0; length < sample.size(); ++length)
      Check(Bytes(sample.begin(), sample.begin() + length));
  }
}

TEST(BmpFuzz, DamagedFilesAreDecodedOrRefused) {
  const char* seedText = std::getenv("QV_BMP_FUZZ_SEED");
  const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 1;
  const char* countText = std::getenv("QV_BMP_FUZZ_COUNT");
  const long count = countText ? std::strtol(countText, nullptr, 10) : 40000;
  std::mt19937 rng(seed);
  const std::vector<Bytes> samples = Samples();
  long decoded = 0;
  for (long i = 0; i < count && !HasFailure(); ++i) {
    Bytes b = samples[rng() % samples.size()];
    for (int n = 1 + static_cast<int>(rng() % 4); n > 0; --n) Mutate(b, rng);
    decoded += Check(b);
    if (HasFailure()) ADD_FAILURE() << "seed " << seed << ", try " << i;
  }
  // Damage that leaves a file readable must also come up, or the fuzz tests little.
  EXPECT_GT(decoded, count / 10);
}

}  // namespace
