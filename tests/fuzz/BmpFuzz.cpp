// libFuzzer target for the bitmap reader: every input is tried as a file and as a packed DIB
// (after the file header, if it has one). Whatever is accepted is a whole picture, and a plain
// uncompressed one holds exactly the pixels a direct reading of its rows gives.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "BmpReader.h"
#include "FuzzCheck.h"

namespace {

using Bytes = std::span<const uint8_t>;

uint32_t Le(Bytes b, uint64_t at, int size) {
  FUZZ_CHECK(at + size <= b.size());
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

// A BI_RGB picture of 1, 4, 8 or 24 bits behind a 40-byte or longer header, read directly:
// rows bottom-up unless the height is negative, palette indexes beyond the table black.
void CheckPlainPixels(Bytes dib, std::optional<uint64_t> bitsAt, const DecodedBitmap& out) {
  const uint32_t header = Le(dib, 0, 4);
  const int bpp = static_cast<int>(Le(dib, 14, 2));
  if (header == 12 || Le(dib, 16, 4) != 0 || bpp == 16 || bpp == 32) return;
  const bool topDown = static_cast<int32_t>(Le(dib, 8, 4)) < 0;
  // A packed DIB keeps biClrUsed entries before its bits, whatever its depth.
  const uint64_t used = Le(dib, 32, 4);
  uint64_t colours = bpp > 8 ? 0 : used ? used : uint64_t{1} << bpp;
  const uint64_t bits = bitsAt.value_or(header + (bpp > 8 ? used : colours) * 4);
  if (bits < header + colours * 4) colours = (bits - header) / 4;
  const uint64_t rowBytes = (uint64_t{static_cast<uint32_t>(out.width)} * bpp + 31) / 32 * 4;
  for (int y = 0; y < out.height; ++y) {
    const uint64_t row = bits + rowBytes * static_cast<uint64_t>(topDown ? y : out.height - 1 - y);
    for (int x = 0; x < out.width; ++x) {
      uint32_t colour;  // blue, green, red from the low byte
      if (bpp == 24) {
        colour = Le(dib, row + 3 * uint64_t(x), 3);
      } else {
        const uint64_t bit = uint64_t(x) * bpp;
        const uint32_t index = Le(dib, row + bit / 8, 1) >> (8 - bpp - bit % 8) & ((1u << bpp) - 1);
        colour = index < colours ? Le(dib, header + 4 * uint64_t(index), 3) : 0;
      }
      const uint8_t* p = out.Row(y) + 3 * size_t(x);
      FUZZ_CHECK((p[0] | p[1] << 8 | p[2] << 16) == static_cast<int>(colour));
    }
  }
}

void Decode(Bytes bytes, bool file) {
  std::optional<DecodedBitmap> out;
  try {
    out = file ? DecodeBmpFile(bytes) : DecodePackedDib(bytes);
  } catch (const EInvalidGraphic&) {
    return;
  }
  FUZZ_CHECK(out->width >= 1 && out->width <= kBmpMaxSide);
  FUZZ_CHECK(out->height >= 1 && out->height <= kBmpMaxSide);
  FUZZ_CHECK(out->pixels.size() == size_t(out->width) * size_t(out->height) * 3);
  const int bpp = out->bitsPerPixel;
  FUZZ_CHECK(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32);
  if (file)
    CheckPlainPixels(bytes.subspan(14), Le(bytes, 10, 4) - uint64_t{14}, *out);
  else
    CheckPlainPixels(bytes, std::nullopt, *out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Bytes bytes(data, size);
  Decode(bytes, true);
  const bool hasFileHeader = size >= 14 && data[0] == 'B' && data[1] == 'M';
  Decode(hasFileHeader ? bytes.subspan(14) : bytes, false);
  return 0;
}
