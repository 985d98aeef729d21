// The bitmap reader against files written by hand and files built byte by byte: every depth,
// header and orientation, the run-length forms, the files it must refuse, and fuzzing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <random>
#include <string>

#include "BmpBuilder.h"
#include "BmpReader.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Colors = std::vector<uint32_t>;

// The decoded picture as 0xRRGGBB values, top row first.
Colors ColorsOf(const DecodedBitmap& bitmap) {
  Colors colors;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x) colors.push_back(bitmap.PixelColor(x, y));
  for (uint32_t& c : colors) c = (c & 0xFF) << 16 | (c & 0xFF00) | c >> 16;
  return colors;
}

Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); ++i)
    if (hex[i] != ' ')
      bytes.push_back(
          static_cast<uint8_t>(std::stoi(std::string(hex.substr(i++, 2)), nullptr, 16)));
  return bytes;
}

// Decodes a copy of exactly the bytes, so that a read past them shows under the address
// sanitizer; a picture must be as large as it says, a refusal an EInvalidGraphic.
bool Decodes(const Bytes& data, bool file) {
  const Bytes input(data);
  try {
    const DecodedBitmap b = file ? DecodeBmpFile(input) : DecodePackedDib(input);
    EXPECT_TRUE(b.width > 0 && b.width <= kBmpMaxSide && b.height > 0 && b.height <= kBmpMaxSide &&
                b.pixels.size() == static_cast<size_t>(b.width) * b.height * 3);
    return true;
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), kInvalidBitmapText);
    return false;
  }
}

TEST(BmpReader, HandWrittenFilesDecodeBitForBit) {
  const std::pair<const char*, Colors> files[] = {
      // 3 x 2, 1 bit, bottom-up: palette red, blue; rows stored bottom first, padded to 4 bytes.
      {"424D 46000000 00000000 3E000000  28000000 03000000 02000000 0100 0100 00000000 08000000 "
       "00000000 00000000 02000000 00000000  0000FF00 FF000000  A0000000 60000000",
       {0xFF0000, 0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000, 0x0000FF}},
      // 3 x 1, 4 bits, high nibble first: indexes 1, 2, 0.
      {"424D 00000000 00000000 42000000  28000000 03000000 01000000 0100 0400 00000000 00000000 "
       "00000000 00000000 03000000 00000000  10203000 40506000 70809000  12000000",
       {0x605040, 0x908070, 0x302010}},
      // 2 x 1, 16 bits 5-5-5, top-down: pure red, then green and blue at 16 of 31.
      {"424D 00000000 00000000 36000000  28000000 02000000 FFFFFFFF 0100 1000 00000000 00000000 "
       "00000000 00000000 00000000 00000000  007C 1002",
       {0xFF0000, 0x008484}}};
  for (const auto& [hex, colors] : files) EXPECT_EQ(ColorsOf(DecodeBmpFile(FromHex(hex))), colors);
}

// What colour a raw value must come out as, worked out apart from the reader.
uint32_t ExpectedColor(const BmpFormat& f, uint32_t value) {
  if (f.bitsPerPixel <= 8) return value < f.palette.size() ? f.palette[value] : 0;
  const bool bitfields = f.compression == 3 || f.compression == 6;
  if (f.bitsPerPixel == 24 || (f.bitsPerPixel == 32 && !bitfields)) return value & 0xFFFFFF;
  uint32_t color = 0;
  for (int i = 0; i < 3; ++i) {
    const uint32_t mask = bitfields ? f.masks[i] : 0x7C00u >> (5 * i);
    const int bits = std::popcount(mask);
    const uint32_t v = (value & mask) >> std::countr_zero(mask);
    // Narrow channels repeat their bits, so that full scale stays full scale.
    color = color << 8 | (bits == 4   ? v * 17
                          : bits == 5 ? v << 3 | v >> 2
                          : bits == 6 ? v << 2 | v >> 4
                                      : v >> (bits - 8));
  }
  return color;
}

TEST(BmpReader, EveryPixelOfEveryFormatComesOutAsItsFormatSays) {
  std::mt19937 rng(42);
  const std::vector<BmpFormat> formats = EveryFormat();
  for (size_t i = 0; i < formats.size(); ++i) {
    const BmpFormat& f = formats[i];
    for (auto [width, height] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{32, 3}}) {
      SCOPED_TRACE(testing::Message() << "format " << i << ", " << width << " x " << height);
      const std::vector<uint32_t> values = RandomValues(f, width, height, rng);
      const Bytes dib = BuildDib(f, width, height, values);
      Colors expected;
      for (uint32_t v : values) expected.push_back(ExpectedColor(f, v));
      // Left out when drawn: white in a monochrome picture, else the bottom-left colour.
      const uint32_t corner = f.bitsPerPixel == 1 ? 0xFFFFFF : expected[(height - 1) * width];
      for (const DecodedBitmap& bitmap :
           {DecodePackedDib(dib), DecodeBmpFile(WithFileHeader(dib, BitsOffset(f)))}) {
        EXPECT_TRUE(bitmap.width == width && bitmap.height == height &&
                    bitmap.bitsPerPixel == f.bitsPerPixel);
        EXPECT_EQ(ColorsOf(bitmap), expected);
        EXPECT_EQ(bitmap.TransparentColor(),
                  (corner & 0xFF) << 16 | (corner & 0xFF00) | corner >> 16);
      }
    }
  }
}

Bytes RunsDib(int bpp, int width, int height, const Bytes& runs) {
  const BmpFormat f{.bitsPerPixel = bpp,
                    .compression = bpp == 8 ? 1u : 2u,
                    .colorsUsed = 4,
                    .palette = {0x111111, 0x222222, 0x333333, 0x444444}};
  Bytes dib = BuildDib(f, width, height, std::vector<uint32_t>(width * height, 0));
  dib.resize(BitsOffset(f));
  dib.insert(dib.end(), runs.begin(), runs.end());
  return dib;
}

TEST(BmpReader, RunsSkipClipAndEndAsTheyMay) {
  const uint32_t a = 0x222222, b = 0x333333, c = 0x444444, z = 0;
  // 4 x 3, bottom row first: a run of 6 clipped at the right edge, end of line; a literal
  // of 3 (padded); a move straight up leaves the rest of that row and the start of the top
  // row black; a run of 2 of which one pixel fits; the data ends without an end mark.
  const Bytes runs = {6, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 2, 0, 1, 2, 3};
  const Bytes dib = RunsDib(8, 4, 3, runs);
  EXPECT_EQ(ColorsOf(DecodeBmpFile(WithFileHeader(dib, dib.size() - runs.size()))),
            (Colors{z, z, z, c, b, c, a, z, a, a, a, a}));
  // The end mark stops before what follows; so does the row past the top.
  EXPECT_EQ(ColorsOf(DecodePackedDib(RunsDib(8, 2, 2, {2, 1, 0, 1, 9, 9, 9}))),
            (Colors{z, z, a, a}));
  EXPECT_EQ(ColorsOf(DecodePackedDib(RunsDib(8, 2, 2, {2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 9}))),
            (Colors{b, b, a, a}));
  // RLE4: a run alternates its two nibbles; a literal of 5 nibbles takes 3 bytes and a pad.
  EXPECT_EQ(ColorsOf(DecodePackedDib(RunsDib(4, 9, 1, {4, 0x12, 0, 5, 0x30, 0x21, 0x30, 0, 0, 1}))),
            (Colors{a, b, a, b, c, 0x111111, b, a, c}));
}

TEST(BmpReader, FileHeaderOffsetsAreTrustedOnlyWithinTheData) {
  const BmpFormat f = Format(40, 8, 0, false, {}, 4);
  const size_t bitsAt = 14 + BitsOffset(f);
  const Bytes file = WithFileHeader(BuildDib(f, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}), BitsOffset(f));
  Colors expected = ColorsOf(DecodeBmpFile(file));

  // The size field is not used; the bits may lie further on than the table ends.
  EXPECT_EQ(ColorsOf(DecodeBmpFile(With(file, 2, 0))), expected);
  Bytes gap = With(file, 10, static_cast<uint32_t>(bitsAt + 5));
  gap.insert(gap.begin() + bitsAt, 5, 0xEE);
  EXPECT_EQ(ColorsOf(DecodeBmpFile(gap)), expected);

  // A table that declares 256 entries (biClrUsed 0) but keeps 4: the bits offset says where
  // it ends, and indexes beyond it are black.
  const Bytes shortTable = With(With(file, 14 + 32, 0), bitsAt + 1, 200, 1);
  expected[4 + 1] = 0;  // the bottom row's second pixel
  EXPECT_EQ(ColorsOf(DecodeBmpFile(shortTable)), expected);
}

TEST(BmpReader, RefusesWhatItCannotReadSafely) {
  const Bytes good = WithFileHeader(BuildDib(Format(40, 24), 4, 4, std::vector<uint32_t>(16)), 40);
  const Bytes row3 = WithFileHeader(BuildDib(Format(40, 24), 3, 2, std::vector<uint32_t>(6)), 40);
  // Sizes that would need more than 256 MB of pixels are refused before any allocation, even
  // when run-length data could be short.
  const Bytes huge = With(RunsDib(8, 2, 2, {0, 1}), 4, 32768);
  // The last row may lack its padding, but not a byte of its pixels.
  EXPECT_TRUE(Decodes(Bytes(row3.begin(), row3.end() - 3), true));
  EXPECT_TRUE(Decodes(With(huge, 8, 2730), false)) << "32768 x 2730 fits";

  const Bytes fewColors = BuildDib(Format(40, 4, 0, false, {}, 16), 2, 2, {0, 1, 2, 3});
  const Bytes masks32 = BuildDib(Format(40, 32, 3, false, {0xFF0000, 0xFF00, 0xFF}), 1, 1, {0});
  // Files: empty, cut in the header, not "BM", 2 bits per pixel, the last row one byte short;
  // fields set to bits inside the file header, inside the info header, beyond the end; an
  // OS/2 2.x header, a header larger than the file; width 0, negative, beyond 32768; height
  // 0, -2^31, top-down beyond 32768; JPEG inside; RLE8 or bit fields with 24 bits.
  std::vector<Bytes> files = {Bytes(), Bytes(good.begin(), good.begin() + 20),
                              With(good, 0, 'B' | 'A' << 8, 2), With(good, 28, 2, 2),
                              Bytes(row3.begin(), row3.end() - 4)};
  const uint32_t end = static_cast<uint32_t>(good.size());
  const uint32_t badFields[][2] = {{10, 13},  {10, 40},         {10, end + 1},    {14, 64},
                                   {14, 124}, {18, 0},          {18, 0xFFFFFFFC}, {18, 32769},
                                   {22, 0},   {22, 0x80000000}, {22, 0xFFFF7FFF}, {30, 4},
                                   {30, 1},   {30, 3}};
  for (auto [at, value] : badFields) files.push_back(With(good, at, value));
  // Packed DIBs: 32768 x 2731 pixels of runs; runs top-down, a literal run cut short, half an
  // instruction, a move cut short; 17 colours for 4 bits, a table cut short; 32-bit masks cut
  // short; 16-bit masks that overlap, have a gap or reach beyond the pixel.
  std::vector<Bytes> dibs = {With(huge, 8, 2731),
                             With(RunsDib(8, 2, 2, {0, 1}), 8, static_cast<uint32_t>(-2)),
                             RunsDib(8, 8, 1, {0, 8, 0, 1, 2}),
                             RunsDib(8, 8, 1, {2, 1, 0}),
                             RunsDib(8, 8, 1, {0, 2, 1}),
                             With(fewColors, 32, 17),
                             Bytes(fewColors.begin(), fewColors.begin() + 40 + 30),
                             Bytes(masks32.begin(), masks32.begin() + 44)};
  for (auto [r, g, b] :
       {std::array{0xF800u, 0x0FE0u, 0x1Fu}, {0xF400, 0x03E0, 0x1F}, {0x1F0000, 0x03E0, 0x1F}})
    dibs.push_back(BuildDib(Format(40, 16, 3, false, {r, g, b}), 2, 1, {0, 0}));
  for (size_t i = 0; i < files.size(); ++i) EXPECT_FALSE(Decodes(files[i], true)) << "file " << i;
  for (size_t i = 0; i < dibs.size(); ++i) EXPECT_FALSE(Decodes(dibs[i], false)) << "DIB " << i;
}

// Random and damaged bitmaps: decoded or refused, never read past (under the asan preset).

// One valid file of every kind the reader knows, small so that each try is quick.
std::vector<Bytes> Samples() {
  std::mt19937 rng(11);
  std::vector<Bytes> samples;
  for (const BmpFormat& f : EveryFormat()) {
    const int width = 3 + static_cast<int>(rng() % 20), height = 1 + static_cast<int>(rng() % 9);
    const Bytes dib = BuildDib(f, width, height, RandomValues(f, width, height, rng));
    samples.push_back(WithFileHeader(dib, BitsOffset(f)));
  }
  return samples;
}

// As a file and, past the file header, as a packed DIB: how many decode.
int Check(const Bytes& data) {
  return Decodes(data, true) +
         (data.size() >= 14 && Decodes(Bytes(data.begin() + 14, data.end()), false));
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
  const unsigned kind = rng() % 7;
  const size_t at = rng() % b.size();
  if (kind == 0) {
    b[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
  } else if (kind == 1) {
    b[at] = static_cast<uint8_t>(rng());
  } else if (kind <= 3) {
    const size_t field = kFields[rng() % std::size(kFields)] + (rng() % 4 == 0 ? 2 : 0);
    if (field + 4 <= b.size())
      b = With(std::move(b), field, kEdgeValues[rng() % std::size(kEdgeValues)]);
  } else if (kind == 4) {
    b.resize(rng() % (b.size() + 1));
  } else if (kind == 5) {
    for (int n = static_cast<int>(rng() % 64); n > 0; --n) b.push_back(static_cast<uint8_t>(rng()));
  } else if (rng() % 2) {
    b.erase(b.begin() + at);
  } else {
    b.insert(b.begin() + rng() % (b.size() + 1), static_cast<uint8_t>(rng()));
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
  // A longer run: QV_BMP_FUZZ_SEED=n QV_BMP_FUZZ_COUNT=n bmp_reader_test
  const char* seedText = std::getenv("QV_BMP_FUZZ_SEED");
  const char* countText = std::getenv("QV_BMP_FUZZ_COUNT");
  const unsigned seed = seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : 1;
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
