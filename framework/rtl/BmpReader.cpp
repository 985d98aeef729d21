#include "BmpReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <optional>

EInvalidGraphic::EInvalidGraphic() : Exception(kInvalidBitmapText) {}

uint32_t DecodedBitmap::PixelColor(int x, int y) const {
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * 3;
  return p[2] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[0]) << 16;
}

uint32_t DecodedBitmap::TransparentColor() const {
  if (Monochrome()) return 0xFFFFFF;
  if (width == 0 || height == 0) return 0;
  return PixelColor(0, height - 1);
}

namespace {

[[noreturn]] void Invalid() {
  throw EInvalidGraphic();
}

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr size_t kFileHeaderSize = 14;

// Little-endian reads that refuse to run past the data.
uint32_t U16(std::span<const uint8_t> data, uint64_t at) {
  if (at > data.size() || data.size() - at < 2) Invalid();
  return data[at] | static_cast<uint32_t>(data[at + 1]) << 8;
}

uint32_t U32(std::span<const uint8_t> data, uint64_t at) {
  return U16(data, at) | U16(data, at + 2) << 16;
}

struct Bgr {
  uint8_t b = 0, g = 0, r = 0;
};

// One colour channel of a bit-field pixel: where it lies and how wide it is.
struct Channel {
  int shift = 0;
  int bits = 0;

  uint8_t Extract(uint32_t pixel) const {
    if (bits == 0) return 0;
    const uint32_t value = (pixel >> shift) & ((bits >= 32 ? 0 : (uint32_t{1} << bits)) - 1);
    if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
    // Narrow channels repeat their bits, so that full scale stays full scale.
    uint32_t wide = 0;
    int filled = 0;
    while (filled < 8) {
      wide = wide << bits | value;
      filled += bits;
    }
    return static_cast<uint8_t>(wide >> (filled - 8));
  }
};

// A mask must be one run of bits within the pixel; masks may not overlap.
std::array<Channel, 3> ChannelsFor(const std::array<uint32_t, 3>& masks, int bitsPerPixel) {
  std::array<Channel, 3> channels;
  uint32_t seen = 0;
  for (size_t i = 0; i < 3; ++i) {
    const uint32_t mask = masks[i];
    if (mask == 0) continue;
    if (bitsPerPixel < 32 && (mask >> bitsPerPixel) != 0) Invalid();
    if (mask & seen) Invalid();
    seen |= mask;
    const int shift = std::countr_zero(mask);
    const uint32_t run = mask >> shift;
    if ((run & (run + 1)) != 0) Invalid();
    channels[i] = Channel{shift, std::popcount(run)};
  }
  return channels;
}

struct Layout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bitsPerPixel = 0;
  uint32_t compression = kBiRgb;
  std::array<Channel, 3> channels;  // red, green, blue for 16 and 32 bits
  std::vector<Bgr> palette;
  uint64_t bitsOffset = 0;  // from the start of the DIB
};

// fileBitsOffset: where a file header puts the bits, from the start of the DIB.
Layout ReadLayout(std::span<const uint8_t> dib, std::optional<uint64_t> fileBitsOffset) {
  Layout layout;
  const uint32_t headerSize = U32(dib, 0);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 &&
      headerSize != 124)
    Invalid();
  if (dib.size() < headerSize) Invalid();

  int64_t width, height;
  uint32_t colorsUsed = 0;
  if (core) {
    width = U16(dib, 4);
    height = U16(dib, 6);
    layout.bitsPerPixel = static_cast<int>(U16(dib, 10));
  } else {
    width = static_cast<int32_t>(U32(dib, 4));
    height = static_cast<int32_t>(U32(dib, 8));
    layout.bitsPerPixel = static_cast<int>(U16(dib, 14));
    layout.compression = U32(dib, 16);
    colorsUsed = U32(dib, 32);
  }
  layout.topDown = height < 0;
  if (layout.topDown) height = -height;
  if (width <= 0 || width > kBmpMaxSide || height == 0 || height > kBmpMaxSide) Invalid();
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3 > kBmpMaxPixelBytes)
    Invalid();
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);

  const int bpp = layout.bitsPerPixel;
  const bool bitfields =
      layout.compression == kBiBitfields || layout.compression == kBiAlphaBitfields;
  switch (layout.compression) {
    case kBiRgb:
      if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && (core || (bpp != 16 && bpp != 32)))
        Invalid();
      break;
    // Run-length pictures are bottom-up only.
    case kBiRle8:
      if (bpp != 8 || layout.topDown) Invalid();
      break;
    case kBiRle4:
      if (bpp != 4 || layout.topDown) Invalid();
      break;
    case kBiBitfields:
    case kBiAlphaBitfields:
      if (bpp != 16 && bpp != 32) Invalid();
      break;
    default:
      Invalid();
  }

  // Bit-field masks follow a plain info header; the longer headers hold them at offset 40.
  uint64_t tableStart = headerSize;
  if (bitfields && headerSize == kInfoHeaderSize)
    tableStart += layout.compression == kBiAlphaBitfields ? 16 : 12;
  if (bpp == 16 || bpp == 32) {
    std::array<uint32_t, 3> masks;
    if (bitfields)
      masks = {U32(dib, 40), U32(dib, 44), U32(dib, 48)};
    else if (bpp == 16)
      masks = {0x7C00, 0x03E0, 0x001F};
    else
      masks = {0xFF0000, 0x00FF00, 0x0000FF};
    layout.channels = ChannelsFor(masks, bpp);
  }

  // Core headers have three-byte entries and always a full table.
  const uint64_t entrySize = core ? 3 : 4;
  uint64_t tableEntries = colorsUsed;
  if (bpp <= 8) {
    const uint32_t full = uint32_t{1} << bpp;
    if (core || colorsUsed == 0) tableEntries = full;
    if (tableEntries > full) Invalid();
  }
  const uint64_t tableEnd = tableStart + tableEntries * entrySize;
  uint64_t paletteEntries = bpp <= 8 ? tableEntries : 0;
  if (fileBitsOffset) {
    layout.bitsOffset = *fileBitsOffset;
    if (layout.bitsOffset < tableStart) Invalid();
    // A file may keep a shorter table than it declares; its bits say where the table ends.
    if (layout.bitsOffset < tableEnd)
      paletteEntries = std::min(paletteEntries, (layout.bitsOffset - tableStart) / entrySize);
  } else {
    layout.bitsOffset = tableEnd;
  }
  if (tableStart + paletteEntries * entrySize > dib.size() || layout.bitsOffset > dib.size())
    Invalid();
  layout.palette.resize(static_cast<size_t>(paletteEntries));
  for (size_t i = 0; i < layout.palette.size(); ++i) {
    const size_t at = static_cast<size_t>(tableStart + i * entrySize);
    layout.palette[i] = Bgr{dib[at], dib[at + 1], dib[at + 2]};
  }
  return layout;
}

class PixelSink {
 public:
  PixelSink(const Layout& layout, DecodedBitmap& out) : layout_(layout), out_(out) {}

  // y counts rows as stored: from the bottom unless the picture is top-down.
  uint8_t* At(int x, int storedRow) {
    const int y = layout_.topDown ? storedRow : layout_.height - 1 - storedRow;
    return out_.pixels.data() + (static_cast<size_t>(y) * layout_.width + x) * 3;
  }
  void Put(int x, int storedRow, Bgr c) {
    uint8_t* p = At(x, storedRow);
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
  }
  // Indexes beyond the table are black.
  void PutIndex(int x, int storedRow, uint32_t index) {
    Put(x, storedRow, index < layout_.palette.size() ? layout_.palette[index] : Bgr{});
  }

 private:
  const Layout& layout_;
  DecodedBitmap& out_;
};

uint64_t RowBytes(const Layout& layout) {
  return (static_cast<uint64_t>(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
}

// The last row's padding may be missing.
bool RowsFit(std::span<const uint8_t> bits, const Layout& layout) {
  const uint64_t usedBytes = (static_cast<uint64_t>(layout.width) * layout.bitsPerPixel + 7) / 8;
  return RowBytes(layout) * (layout.height - 1) + usedBytes <= bits.size();
}

void DecodeRows(std::span<const uint8_t> bits, const Layout& layout, PixelSink& sink) {
  const int bpp = layout.bitsPerPixel;
  const uint64_t rowBytes = RowBytes(layout);
  for (int row = 0; row < layout.height; ++row) {
    const uint8_t* src = bits.data() + rowBytes * row;
    for (int x = 0; x < layout.width; ++x) {
      switch (bpp) {
        case 1:
          sink.PutIndex(x, row, (src[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          sink.PutIndex(x, row, (x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4);
          break;
        case 8:
          sink.PutIndex(x, row, src[x]);
          break;
        case 24: {
          const uint8_t* p = src + static_cast<size_t>(x) * 3;
          sink.Put(x, row, Bgr{p[0], p[1], p[2]});
          break;
        }
        case 16:
        case 32: {
          const uint8_t* p = src + static_cast<size_t>(x) * (bpp / 8);
          uint32_t v = p[0] | static_cast<uint32_t>(p[1]) << 8;
          if (bpp == 32) v |= static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
          const auto& ch = layout.channels;
          sink.Put(x, row, Bgr{ch[2].Extract(v), ch[1].Extract(v), ch[0].Extract(v)});
          break;
        }
      }
    }
  }
}

// Runs of BI_RLE8 / BI_RLE4, from the bottom row up. Pixels the runs skip stay black,
// pixels beyond the right edge are dropped, and the picture ends at the end-of-bitmap
// escape, at the top row or where the data ends between two instructions.
void DecodeRuns(std::span<const uint8_t> data, const Layout& layout, PixelSink& sink) {
  const bool rle4 = layout.compression == kBiRle4;
  const int width = layout.width, height = layout.height;
  int x = 0, row = 0;
  size_t pos = 0;
  auto index = [&](uint8_t byte, int i) -> uint32_t {
    if (!rle4) return byte;
    return (i & 1) ? byte & 0x0F : byte >> 4;
  };
  while (row < height && pos < data.size()) {
    if (data.size() - pos < 2) Invalid();
    const uint8_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i, ++x) sink.PutIndex(x, row, index(value, i));
      continue;
    }
    switch (value) {
      case 0:  // end of line
        x = 0;
        ++row;
        break;
      case 1:  // end of bitmap
        return;
      case 2:  // move right and up
        if (data.size() - pos < 2) Invalid();
        x = std::min(x + data[pos], width);
        row += data[pos + 1];
        pos += 2;
        break;
      default: {  // a literal run, padded to a 16-bit boundary
        const size_t bytes = rle4 ? (value + 1u) / 2 : value;
        if (data.size() - pos < bytes) Invalid();
        for (int i = 0; i < value && x < width; ++i, ++x)
          sink.PutIndex(x, row, index(data[pos + (rle4 ? i / 2 : i)], i));
        pos += std::min(bytes + (bytes & 1), data.size() - pos);
        break;
      }
    }
  }
}

DecodedBitmap Decode(std::span<const uint8_t> dib, std::optional<uint64_t> fileBitsOffset) {
  const Layout layout = ReadLayout(dib, fileBitsOffset);
  const auto bits = dib.subspan(static_cast<size_t>(layout.bitsOffset));
  const bool runs = layout.compression == kBiRle8 || layout.compression == kBiRle4;
  // Checked before the pixels are allocated, so a short file cannot claim a huge picture.
  if (!runs && !RowsFit(bits, layout)) Invalid();
  DecodedBitmap out;
  out.width = layout.width;
  out.height = layout.height;
  out.bitsPerPixel = layout.bitsPerPixel;
  out.pixels.assign(static_cast<size_t>(layout.width) * layout.height * 3, 0);
  PixelSink sink(layout, out);
  if (runs)
    DecodeRuns(bits, layout, sink);
  else
    DecodeRows(bits, layout, sink);
  return out;
}

}  // namespace

DecodedBitmap DecodeBmpFile(std::span<const uint8_t> file) {
  if (file.size() < kFileHeaderSize || file[0] != 'B' || file[1] != 'M') Invalid();
  const uint32_t bitsOffset = U32(file, 10);
  if (bitsOffset < kFileHeaderSize) Invalid();
  return Decode(file.subspan(kFileHeaderSize), bitsOffset - kFileHeaderSize);
}

DecodedBitmap DecodePackedDib(std::span<const uint8_t> dib) {
  return Decode(dib, std::nullopt);
}
