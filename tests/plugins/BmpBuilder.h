// Bitmaps built byte by byte for the reader's tests, from a description of the format and
// the raw pixel values (palette indexes or packed words), top row first.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <vector>

struct BmpFormat {
  uint32_t headerSize = 40;  // 12, 40, 52, 56, 108 or 124
  int bitsPerPixel = 24;
  uint32_t compression = 0;  // BI_RGB 0, RLE8 1, RLE4 2, BITFIELDS 3, ALPHABITFIELDS 6
  bool topDown = false;
  uint32_t masks[4] = {};              // red, green, blue, alpha for the bit-field formats
  uint32_t colorsUsed = 0;             // biClrUsed
  std::vector<uint32_t> palette = {};  // 0x00RRGGBB, written as the table

  bool Runs() const { return compression == 1 || compression == 2; }
  // Masks behind a plain info header.
  int ExtraMasks() const {
    return headerSize != 40 ? 0 : compression == 3 ? 3 : compression == 6 ? 4 : 0;
  }
};

// Little-endian, `bytes` long.
inline void Put(std::vector<uint8_t>& out, uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A copy with `bytes` bytes at `at` replaced by the value, little-endian.
inline std::vector<uint8_t> With(std::vector<uint8_t> b, size_t at, uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

// Run-length data: an encoded run for repeats, a literal run for three or more differing
// values, end of line after every row and end of bitmap at the end.
inline std::vector<uint8_t> EncodeRuns(int width, int height, const std::vector<uint32_t>& values,
                                       bool rle4) {
  std::vector<uint8_t> out;
  for (int row = height - 1; row >= 0; --row) {
    const uint32_t* v = values.data() + static_cast<size_t>(row) * width;
    for (int x = 0; x < width;) {
      int same = 1, differing = 1;
      while (x + same < width && same < 255 && v[x + same] == v[x]) ++same;
      while (x + differing < width && differing < 254 && v[x + differing] != v[x + differing - 1])
        ++differing;
      if (same >= 2 || differing < 3) {
        out.insert(out.end(), {uint8_t(same), uint8_t(rle4 ? v[x] << 4 | v[x] : v[x])});
        x += same;
        continue;
      }
      out.insert(out.end(), {0, uint8_t(differing)});
      for (int i = 0; i < differing; i += rle4 ? 2 : 1)
        out.push_back(
            uint8_t(!rle4 ? v[x + i] : v[x + i] << 4 | (i + 1 < differing ? v[x + i + 1] : 0)));
      if ((rle4 ? (differing + 1) / 2 : differing) % 2) out.push_back(0);
      x += differing;
    }
    out.insert(out.end(), {0, uint8_t(row == 0 ? 1 : 0)});
  }
  return out;
}

// Info header, masks, colour table and bits, without a file header.
inline std::vector<uint8_t> BuildDib(const BmpFormat& f, int width, int height,
                                     const std::vector<uint32_t>& values) {
  const bool core = f.headerSize == 12;
  const int bpp = f.bitsPerPixel;
  std::vector<uint8_t> bits, out;
  if (f.Runs()) bits = EncodeRuns(width, height, values, f.compression == 2);
  const size_t rowBytes = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
  for (int i = 0; i < height && !f.Runs(); ++i) {
    const int row = f.topDown ? i : height - 1 - i;
    std::vector<uint8_t> line(rowBytes, 0);
    for (int x = 0; x < width; ++x) {
      const uint32_t v = values[static_cast<size_t>(row) * width + x];
      const size_t bit = static_cast<size_t>(x) * bpp;
      if (bpp < 8) line[bit / 8] |= static_cast<uint8_t>(v << (8 - bpp - bit % 8));
      for (int b = 0; b < bpp / 8; ++b) line[bit / 8 + b] = static_cast<uint8_t>(v >> (8 * b));
    }
    bits.insert(bits.end(), line.begin(), line.end());
  }
  Put(out, f.headerSize);
  Put(out, uint32_t(width), core ? 2 : 4);
  Put(out, uint32_t(f.topDown ? -height : height), core ? 2 : 4);
  Put(out, 1, 2);
  Put(out, uint32_t(bpp), 2);
  if (!core) {
    for (uint32_t v : {f.compression, uint32_t(bits.size()), 2835u, 2835u, f.colorsUsed, 0u})
      Put(out, v);
    // The longer headers: masks, then colour space fields left zero.
    for (int i = 0; out.size() < f.headerSize; ++i) Put(out, i < 4 ? f.masks[i] : 0);
    for (int i = 0; i < f.ExtraMasks(); ++i) Put(out, f.masks[i]);
  }
  for (uint32_t c : f.palette) Put(out, c, core ? 3 : 4);
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

// The DIB behind a file header whose bits offset is where the DIB's bits start.
inline std::vector<uint8_t> WithFileHeader(const std::vector<uint8_t>& dib, size_t bitsAt) {
  std::vector<uint8_t> out = {'B', 'M'};
  for (size_t v : {14 + dib.size(), size_t{0}, 14 + bitsAt}) Put(out, static_cast<uint32_t>(v));
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

// Where BuildDib puts the bits.
inline size_t BitsOffset(const BmpFormat& f) {
  return f.headerSize + 4 * f.ExtraMasks() + f.palette.size() * (f.headerSize == 12 ? 3 : 4);
}

// A format with a random palette: full for its depth, or `colors` entries given in biClrUsed.
inline BmpFormat Format(uint32_t header, int bpp, uint32_t compression = 0, bool topDown = false,
                        std::initializer_list<uint32_t> masks = {}, int colors = -1) {
  static std::mt19937 rng(7);
  BmpFormat f{header, bpp, compression, topDown};
  int i = 0;
  for (uint32_t m : masks) f.masks[i++] = m;
  if (bpp <= 8) {
    for (int n = colors < 0 ? 1 << bpp : colors; n > 0; --n) f.palette.push_back(rng() & 0xFFFFFF);
    if (header != 12 && colors >= 0) f.colorsUsed = static_cast<uint32_t>(colors);
  }
  return f;
}

// Every kind of bitmap the reader knows: each header, depth, compression and orientation.
inline std::vector<BmpFormat> EveryFormat() {
  constexpr uint32_t kRle8 = 1, kRle4 = 2, kFields = 3, kAlphaFields = 6;
  const auto k565 = {0xF800u, 0x07E0u, 0x001Fu};
  return {Format(12, 1), Format(12, 4), Format(12, 8), Format(12, 24), Format(40, 1),
          Format(40, 1, 0, true), Format(40, 4), Format(40, 4, 0, true), Format(40, 8),
          Format(40, 8, 0, true), Format(40, 16), Format(40, 24), Format(40, 24, 0, true),
          Format(40, 32), Format(40, 32, 0, true),
          // Tables shorter than the depth allows: indexes beyond them are black.
          Format(40, 8, 0, false, {}, 5), Format(40, 4, 0, true, {}, 15),
          Format(40, 16, kFields, false, k565), Format(40, 16, kFields, true, {0xF00, 0xF0, 0xF}),
          Format(40, 32, kFields, false, {0x3FF00000, 0xFFC00, 0x3FF}),
          Format(40, 32, kFields, true, {0xFF, 0xFF00, 0xFF0000}),
          Format(40, 32, kAlphaFields, false, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
          Format(52, 16, kFields, false, k565),
          Format(56, 32, kFields, true, {0xFF00, 0xFF0000, 0xFF000000}),
          Format(108, 16, 0, false, k565),  // BI_RGB ignores the masks a longer header carries
          Format(124, 24, 0, true), Format(124, 32, kFields, false, {0xFF0000, 0xFF00, 0xFF}),
          Format(40, 8, kRle8), Format(40, 8, kRle8, false, {}, 20), Format(40, 4, kRle4),
          Format(124, 4, kRle4), Format(108, 8, kRle8, false, {}, 7)};
}

// Raw values for a picture of the format, with repeats for the run-length forms.
inline std::vector<uint32_t> RandomValues(const BmpFormat& f, int width, int height,
                                          std::mt19937& rng) {
  const size_t count = static_cast<size_t>(width) * height;
  std::vector<uint32_t> values;
  while (values.size() < count) {
    const uint32_t v = rng() & (f.bitsPerPixel >= 32 ? ~0u : (1u << f.bitsPerPixel) - 1);
    for (int n = f.Runs() && rng() % 3 == 0 ? 1 + rng() % 9 : 1; n > 0 && values.size() < count;
         --n)
      values.push_back(v);
  }
  return values;
}
