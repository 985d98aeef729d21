// The bitmap reader against files built byte by byte: every depth, header and orientation,
// the run-length forms, and the files it must refuse.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "BmpBuilder.h"
#include "BmpReader.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The decoded picture as 0xRRGGBB values, top row first.
std::vector<uint32_t> Colors(const DecodedBitmap& bitmap) {
  std::vector<uint32_t> colors;
  for (int y = 0; y < bitmap.height; ++y)
    for (int x = 0; x < bitmap.width; ++x) {
      const uint8_t* p = bitmap.Row(y) + x * 3;
      colors.push_back(static_cast<uint32_t>(p[2]) << 16 | p[1] << 8 | p[0]);
    }
  return colors;
}

void ExpectInvalid(const Bytes& file, const std::string& what) {
  try {
    DecodeBmpFile(file);
    ADD_FAILURE() << what << ": accepted";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Bitmap image is not valid") << what;
  }
}

TEST(BmpReader, HandWrittenFilesDecodeBitForBit) {
  // 3 x 2, 1 bit, bottom-up: palette red, blue; rows stored bottom first, padded to 4 bytes.
  const Bytes mono = {'B',  'M', 70,   0,    0,    0, 0,    0, 0, 0, 62,   0, 0,    0,
                      40,   0,   0,    0,    3,    0, 0,    0, 2, 0, 0,    0, 1,    0,
                      1,    0,   0,    0,    0,    0, 8,    0, 0, 0, 0,    0, 0,    0,
                      0,    0,   0,    0,    2,    0, 0,    0, 0, 0, 0,    0, 0x00, 0x00,
                      0xFF, 0,   0xFF, 0x00, 0x00, 0, 0xA0, 0, 0, 0, 0x60, 0, 0,    0};
  const DecodedBitmap a = DecodeBmpFile(mono);
  EXPECT_EQ(a.width, 3);
  EXPECT_EQ(a.height, 2);
  EXPECT_TRUE(a.Monochrome());
  EXPECT_EQ(Colors(a), (std::vector<uint32_t>{0xFF0000, 0x0000FF, 0x0000FF,  //
                                              0x0000FF, 0xFF0000, 0x0000FF}));

  // 3 x 1, 4 bits, high nibble first: indexes 1, 2, 0.
  const Bytes nibbles = {
      'B',  'M',  0,    0, 0,    0,    0,    0, 0,    0,    66,   0, 0,    0,    40, 0, 0, 0,
      3,    0,    0,    0, 1,    0,    0,    0, 1,    0,    4,    0, 0,    0,    0,  0, 0, 0,
      0,    0,    0,    0, 0,    0,    0,    0, 0,    0,    3,    0, 0,    0,    0,  0, 0, 0,
      0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0, 0x70, 0x80, 0x90, 0, 0x12, 0x00, 0,  0};
  EXPECT_EQ(Colors(DecodeBmpFile(nibbles)), (std::vector<uint32_t>{0x605040, 0x908070, 0x302010}));

  // 2 x 1, 16 bits 5-5-5, top-down: pure red, then green and blue at 16 of 31.
  const Bytes words = {'B', 'M', 0, 0, 0, 0, 0, 0,    0,    0,    54,   0,    0,   0,  40,
                       0,   0,   0, 2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1,    0,   16, 0,
                       0,   0,   0, 0, 0, 0, 0, 0,    0,    0,    0,    0,    0,   0,  0,
                       0,   0,   0, 0, 0, 0, 0, 0,    0,    0x00, 0x7C, 0x10, 0x02};
  const DecodedBitmap c = DecodeBmpFile(words);
  EXPECT_EQ(c.bitsPerPixel, 16);
  EXPECT_FALSE(c.Monochrome());
  EXPECT_EQ(Colors(c), (std::vector<uint32_t>{0xFF0000, 0x008484}));
}

// One format of the round trip: the builder writes random raw values, and the test says
// independently what colour each value must come out as.
struct FormatCase {
  const char* name;
  BmpFormat format;
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << c.name;
}

uint32_t Replicate(uint32_t v, int bits) {
  switch (bits) {
    case 4:
      return v << 4 | v;
    case 5:
      return v << 3 | v >> 2;
    case 6:
      return v << 2 | v >> 4;
    default:
      return v >> (bits - 8);
  }
}

uint32_t ExpectedColor(const BmpFormat& f, uint32_t value) {
  if (f.bitsPerPixel <= 8) return value < f.palette.size() ? f.palette[value] : 0;
  if (f.bitsPerPixel == 24) return value & 0xFFFFFF;
  uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
  const bool bitfields = f.compression == 3 || f.compression == 6;
  if (bitfields) {
    for (int i = 0; i < 3; ++i) masks[i] = f.masks[i];
  } else if (f.bitsPerPixel == 32) {
    return value & 0xFFFFFF;
  }
  uint32_t color = 0;
  for (uint32_t mask : masks) {
    int shift = 0, bits = 0;
    while (!((mask >> shift) & 1)) ++shift;
    while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) ++bits;
    color = color << 8 | Replicate((value & mask) >> shift, bits);
  }
  return color;
}

std::vector<uint32_t> RandomValues(const BmpFormat& f, int width, int height, std::mt19937& rng) {
  std::vector<uint32_t> values;
  const bool runs = f.compression == 1 || f.compression == 2;
  // Palettes one short of what the depth allows also test indexes beyond the table.
  const uint32_t limit = f.bitsPerPixel <= 8 ? 1u << f.bitsPerPixel : 0;
  auto draw = [&] {
    uint32_t v = rng();
    if (limit) v %= limit;
    if (f.bitsPerPixel == 16) v &= 0xFFFF;
    return v;
  };
  while (values.size() < static_cast<size_t>(width) * height) {
    const uint32_t v = draw();
    const int repeat = runs && rng() % 3 == 0 ? 1 + rng() % 9 : 1;
    for (int i = 0; i < repeat && values.size() < static_cast<size_t>(width) * height; ++i)
      values.push_back(v);
  }
  return values;
}

std::vector<uint32_t> Palette(int count, std::mt19937& rng) {
  std::vector<uint32_t> palette;
  for (int i = 0; i < count; ++i) palette.push_back(rng() & 0xFFFFFF);
  return palette;
}

BmpFormat Format(uint32_t header, int bpp, uint32_t compression = 0, bool topDown = false,
                 std::initializer_list<uint32_t> masks = {}, int paletteSize = -1) {
  static std::mt19937 rng(7);
  BmpFormat f;
  f.headerSize = header;
  f.bitsPerPixel = bpp;
  f.compression = compression;
  f.topDown = topDown;
  int i = 0;
  for (uint32_t m : masks) f.masks[i++] = m;
  if (bpp <= 8) {
    const int full = 1 << bpp;
    f.palette = Palette(paletteSize < 0 ? full : paletteSize, rng);
    if (header != 12 && paletteSize >= 0) f.colorsUsed = static_cast<uint32_t>(paletteSize);
  }
  return f;
}

class RoundTrip : public testing::TestWithParam<FormatCase> {};

TEST_P(RoundTrip, EveryPixelComesOutAsItsFormatSays) {
  const BmpFormat& f = GetParam().format;
  std::mt19937 rng(42);
  for (auto [width, height] : {std::pair{13, 7}, std::pair{1, 1}, std::pair{32, 3}}) {
    const std::vector<uint32_t> values = RandomValues(f, width, height, rng);
    const Bytes dib = BuildDib(f, width, height, values);
    std::vector<uint32_t> expected;
    for (uint32_t v : values) expected.push_back(ExpectedColor(f, v));
    for (bool asFile : {false, true}) {
      SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height) +
                   (asFile ? " file" : " packed"));
      const DecodedBitmap bitmap =
          asFile ? DecodeBmpFile(WithFileHeader(dib, BitsOffset(f))) : DecodePackedDib(dib);
      EXPECT_EQ(bitmap.width, width);
      EXPECT_EQ(bitmap.height, height);
      EXPECT_EQ(bitmap.bitsPerPixel, f.bitsPerPixel);
      EXPECT_EQ(Colors(bitmap), expected);
    }
  }
}

constexpr uint32_t kRle8 = 1, kRle4 = 2, kFields = 3, kAlphaFields = 6;

INSTANTIATE_TEST_SUITE_P(
    Formats, RoundTrip,
    testing::Values(
        FormatCase{"Core1", Format(12, 1)}, FormatCase{"Core4", Format(12, 4)},
        FormatCase{"Core8", Format(12, 8)}, FormatCase{"Core24", Format(12, 24)},
        FormatCase{"Info1", Format(40, 1)}, FormatCase{"Info1TopDown", Format(40, 1, 0, true)},
        FormatCase{"Info4", Format(40, 4)}, FormatCase{"Info4TopDown", Format(40, 4, 0, true)},
        FormatCase{"Info8", Format(40, 8)}, FormatCase{"Info8TopDown", Format(40, 8, 0, true)},
        FormatCase{"Info8ShortPalette", Format(40, 8, 0, false, {}, 5)},
        FormatCase{"Info4ShortPalette", Format(40, 4, 0, true, {}, 15)},
        FormatCase{"Info16", Format(40, 16)}, FormatCase{"Info16TopDown", Format(40, 16, 0, true)},
        FormatCase{"Info24", Format(40, 24)}, FormatCase{"Info24TopDown", Format(40, 24, 0, true)},
        FormatCase{"Info32", Format(40, 32)}, FormatCase{"Info32TopDown", Format(40, 32, 0, true)},
        FormatCase{"Fields565", Format(40, 16, kFields, false, {0xF800, 0x07E0, 0x001F})},
        FormatCase{"Fields444TopDown", Format(40, 16, kFields, true, {0x0F00, 0x00F0, 0x000F})},
        FormatCase{"Fields32Ten", Format(40, 32, kFields, false, {0x3FF00000, 0xFFC00, 0x3FF})},
        FormatCase{"Fields32Bgr", Format(40, 32, kFields, true, {0xFF, 0xFF00, 0xFF0000})},
        FormatCase{"AlphaFields32",
                   Format(40, 32, kAlphaFields, false, {0xFF0000, 0xFF00, 0xFF, 0xFF000000})},
        FormatCase{"V2Fields565", Format(52, 16, kFields, false, {0xF800, 0x07E0, 0x001F})},
        FormatCase{"V3Fields32", Format(56, 32, kFields, true, {0xFF00, 0xFF0000, 0xFF000000})},
        FormatCase{"V4Fields565", Format(108, 16, kFields, false, {0xF800, 0x07E0, 0x001F})},
        // BI_RGB ignores the masks a longer header carries.
        FormatCase{"V4Rgb16", Format(108, 16, 0, false, {0xF800, 0x07E0, 0x001F})},
        FormatCase{"V5Rgb24TopDown", Format(124, 24, 0, true)},
        FormatCase{"V5Fields32", Format(124, 32, kFields, false, {0xFF0000, 0xFF00, 0xFF})},
        FormatCase{"V5Info8", Format(124, 8)}, FormatCase{"Rle8", Format(40, 8, kRle8)},
        FormatCase{"Rle8ShortPalette", Format(40, 8, kRle8, false, {}, 20)},
        FormatCase{"Rle4", Format(40, 4, kRle4)}, FormatCase{"V5Rle4", Format(124, 4, kRle4)}),
    [](const testing::TestParamInfo<FormatCase>& param) { return std::string(param.param.name); });

Bytes Rle8File(int width, int height, const Bytes& runs, const std::vector<uint32_t>& palette) {
  BmpFormat f;
  f.bitsPerPixel = 8;
  f.compression = kRle8;
  f.palette = palette;
  f.colorsUsed = static_cast<uint32_t>(palette.size());
  Bytes dib = BuildDib(f, width, height, std::vector<uint32_t>(width * height, 0));
  dib.resize(BitsOffset(f));
  dib.insert(dib.end(), runs.begin(), runs.end());
  return WithFileHeader(dib, BitsOffset(f));
}

TEST(BmpReader, RunsSkipClipAndEndAsTheyMay) {
  const std::vector<uint32_t> palette = {0x111111, 0x222222, 0x333333, 0x444444};
  const uint32_t a = 0x222222, b = 0x333333, c = 0x444444, z = 0;
  // 4 x 3, bottom row first: a run of 6 clipped at the right edge, end of line; a literal
  // of 3 (padded); a move straight up leaves the rest of that row and the start of the top
  // row black; a run of 2 of which one pixel fits; the data ends without an end mark.
  const Bytes runs = {6, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 2, 0, 1, 2, 3};
  EXPECT_EQ(Colors(DecodeBmpFile(Rle8File(4, 3, runs, palette))),
            (std::vector<uint32_t>{z, z, z, c, b, c, a, z, a, a, a, a}));

  // The end mark stops before what follows; so does the row past the top.
  const Bytes ended = {2, 1, 0, 1, 9, 9, 9};
  EXPECT_EQ(Colors(DecodeBmpFile(Rle8File(2, 2, ended, palette))),
            (std::vector<uint32_t>{z, z, a, a}));
  const Bytes tall = {2, 1, 0, 0, 2, 2, 0, 0, 2, 3, 9};
  EXPECT_EQ(Colors(DecodeBmpFile(Rle8File(2, 2, tall, palette))),
            (std::vector<uint32_t>{b, b, a, a}));

  // RLE4: a run alternates its two nibbles; a literal of 5 nibbles takes 3 bytes and a pad.
  BmpFormat f;
  f.bitsPerPixel = 4;
  f.compression = kRle4;
  f.palette = palette;
  f.colorsUsed = 4;
  Bytes dib = BuildDib(f, 9, 1, std::vector<uint32_t>(9, 0));
  dib.resize(BitsOffset(f));
  for (uint8_t byte : {4, 0x12, 0, 5, 0x30, 0x21, 0x30, 0, 0, 1}) dib.push_back(byte);
  EXPECT_EQ(Colors(DecodePackedDib(dib)),
            (std::vector<uint32_t>{a, b, a, b, c, 0x111111, b, a, c}));
}

TEST(BmpReader, MonochromePicturesAreTransparentWhereWhite) {
  std::mt19937 rng(3);
  BmpFormat mono = Format(40, 1);
  mono.palette = {0xFF0000, 0x000000};
  const DecodedBitmap m = DecodePackedDib(BuildDib(mono, 5, 4, RandomValues(mono, 5, 4, rng)));
  EXPECT_TRUE(m.Monochrome());
  EXPECT_EQ(m.TransparentColor(), 0xFFFFFFu);

  // Otherwise the bottom-left pixel's colour, red in the low byte, whichever way rows lie.
  for (bool topDown : {false, true}) {
    BmpFormat f = Format(40, 24, 0, topDown);
    std::vector<uint32_t> values(6 * 3, 0x102030);
    values[2 * 6] = 0xFF00AA;  // the bottom-left pixel, 0xRRGGBB
    const DecodedBitmap d = DecodePackedDib(BuildDib(f, 6, 3, values));
    EXPECT_FALSE(d.Monochrome());
    EXPECT_EQ(d.TransparentColor(), 0xAA00FFu);
    EXPECT_EQ(d.PixelColor(1, 0), 0x302010u);
  }
}

TEST(BmpReader, FileHeaderOffsetsAreTrustedOnlyWithinTheData) {
  std::mt19937 rng(5);
  BmpFormat f = Format(40, 8, 0, false, {}, 4);
  const std::vector<uint32_t> values = {0, 1, 2, 3, 3, 2, 1, 0};
  const Bytes dib = BuildDib(f, 4, 2, values);
  const Bytes file = WithFileHeader(dib, BitsOffset(f));
  std::vector<uint32_t> expected;
  for (uint32_t v : values) expected.push_back(f.palette[v]);

  // The size field is not used; the bits may lie further on than the table ends.
  Bytes sizeless = file;
  Set32(sizeless, 2, 0);
  EXPECT_EQ(Colors(DecodeBmpFile(sizeless)), expected);
  Bytes gap = file;
  gap.insert(gap.begin() + 14 + BitsOffset(f), {0xEE, 0xEE, 0xEE, 0xEE, 0xEE});
  Set32(gap, 10, static_cast<uint32_t>(14 + BitsOffset(f) + 5));
  EXPECT_EQ(Colors(DecodeBmpFile(gap)), expected);

  // A table that declares 256 entries (biClrUsed 0) but keeps 4: the bits offset says where
  // it ends, and indexes beyond it are black.
  Bytes shortTable = file;
  Set32(shortTable, 14 + 32, 0);
  shortTable[14 + BitsOffset(f) + 1] = 200;  // the bottom row's second pixel
  expected[4 + 1] = 0;
  EXPECT_EQ(Colors(DecodeBmpFile(shortTable)), expected);

  // The last row may lack its padding, but not a byte of its pixels.
  const Bytes rgb =
      WithFileHeader(BuildDib(Format(40, 24), 3, 2, RandomValues(Format(40, 24), 3, 2, rng)), 40);
  EXPECT_NO_THROW(DecodeBmpFile(Bytes(rgb.begin(), rgb.end() - 3)));
  ExpectInvalid(Bytes(rgb.begin(), rgb.end() - 4), "last row one byte short");
}

TEST(BmpReader, RefusesWhatItCannotReadSafely) {
  std::mt19937 rng(9);
  const BmpFormat rgb = Format(40, 24);
  const Bytes good = WithFileHeader(BuildDib(rgb, 4, 4, RandomValues(rgb, 4, 4, rng)), 40);
  ASSERT_NO_THROW(DecodeBmpFile(good));
  auto with = [&](size_t at, uint32_t value, int bytes = 4) {
    Bytes b = good;
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return b;
  };
  ExpectInvalid({}, "empty");
  ExpectInvalid(Bytes(good.begin(), good.begin() + 20), "cut in the header");
  ExpectInvalid(with(0, 'B' | 'A' << 8, 2), "not BM");
  ExpectInvalid(with(10, 13), "bits inside the file header");
  ExpectInvalid(with(10, 40), "bits inside the info header");
  ExpectInvalid(with(10, static_cast<uint32_t>(good.size()) + 1), "bits beyond the end");
  ExpectInvalid(with(14, 64), "OS/2 2.x header");
  ExpectInvalid(with(14, 41), "unknown header size");
  ExpectInvalid(with(14, 124), "header larger than the file");
  ExpectInvalid(with(18, 0), "width 0");
  ExpectInvalid(with(18, 0xFFFFFFFC), "negative width");
  ExpectInvalid(with(18, 32769), "width beyond 32768");
  ExpectInvalid(with(22, 0), "height 0");
  ExpectInvalid(with(22, 0x80000000), "height -2^31");
  ExpectInvalid(with(22, static_cast<uint32_t>(-32769)), "top-down height beyond 32768");
  ExpectInvalid(with(28, 2, 2), "2 bits per pixel");
  ExpectInvalid(with(28, 0, 2), "0 bits per pixel");
  ExpectInvalid(with(30, 4), "JPEG inside");
  ExpectInvalid(with(30, 5), "PNG inside");
  ExpectInvalid(with(30, kRle8), "RLE8 with 24 bits");
  ExpectInvalid(with(30, kFields), "bit fields with 24 bits");

  // Sizes that would need more than 256 MB of pixels are refused before any allocation,
  // even when run-length data could be short.
  BmpFormat runs = Format(40, 8, kRle8);
  Bytes huge = BuildDib(runs, 2, 2, {0, 0, 0, 0});
  Set32(huge, 4, 32768);
  Set32(huge, 8, 2731);
  ExpectInvalid(WithFileHeader(huge, BitsOffset(runs)), "32768 x 2731 run-length picture");
  Set32(huge, 8, 2730);
  EXPECT_NO_THROW(DecodePackedDib(huge)) << "32768 x 2730 fits";

  // Run-length pictures are bottom-up; their instructions must be whole.
  Bytes topDownRuns = BuildDib(runs, 2, 2, {0, 0, 0, 0});
  Set32(topDownRuns, 8, static_cast<uint32_t>(-2));
  EXPECT_THROW(DecodePackedDib(topDownRuns), EInvalidGraphic);
  Bytes literal = BuildDib(runs, 8, 1, {0, 1, 2, 3, 4, 5, 6, 7});
  literal.resize(literal.size() - 5);
  EXPECT_THROW(DecodePackedDib(literal), EInvalidGraphic) << "literal run cut short";
  Bytes oddEnd = BuildDib(runs, 2, 1, {1, 1});
  oddEnd.resize(oddEnd.size() - 1);
  EXPECT_THROW(DecodePackedDib(oddEnd), EInvalidGraphic) << "half an instruction";
  Bytes move = BuildDib(runs, 2, 1, {1, 1});
  move.resize(BitsOffset(runs));
  for (uint8_t byte : {0, 2, 1}) move.push_back(byte);
  EXPECT_THROW(DecodePackedDib(move), EInvalidGraphic) << "move cut short";

  // Colour tables and masks.
  BmpFormat pal = Format(40, 4, 0, false, {}, 16);
  Bytes tooMany = BuildDib(pal, 2, 2, {0, 1, 2, 3});
  Set32(tooMany, 32, 17);
  EXPECT_THROW(DecodePackedDib(tooMany), EInvalidGraphic) << "17 colours for 4 bits";
  Bytes noTable = BuildDib(pal, 2, 2, {0, 1, 2, 3});
  noTable.resize(40 + 30);
  EXPECT_THROW(DecodePackedDib(noTable), EInvalidGraphic) << "table cut short";
  const struct {
    uint32_t red, green, blue;
    bool valid;
    const char* why;
  } maskCases[] = {
      {0xF800, 0x07E0, 0x001E, true, "a narrower blue"},
      {0xF800, 0x0FE0, 0x001F, false, "overlapping masks"},
      {0xF400, 0x03E0, 0x001F, false, "a mask with a gap"},
      {0x1F0000, 0x03E0, 0x001F, false, "a mask beyond 16 bits"},
  };
  for (const auto& m : maskCases) {
    const BmpFormat fields = Format(40, 16, kFields, false, {m.red, m.green, m.blue});
    const Bytes dib = BuildDib(fields, 2, 1, {0, 0});
    if (m.valid)
      EXPECT_NO_THROW(DecodePackedDib(dib)) << m.why;
    else
      EXPECT_THROW(DecodePackedDib(dib), EInvalidGraphic) << m.why;
  }
  BmpFormat fields = Format(40, 32, kFields, false, {0xFF0000, 0xFF00, 0xFF});
  Bytes noMasks = BuildDib(fields, 1, 1, {0});
  noMasks.resize(44);
  EXPECT_THROW(DecodePackedDib(noMasks), EInvalidGraphic) << "masks cut short";
}

}  // namespace
