// Windows bitmaps (BMP files and packed DIBs) decoded into 24-bit pixels, every field
// checked against the data before it is used, so a damaged file is refused and never read
// past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "SysUtils.h"

// Raised for anything that is not a bitmap this reader can decode.
class EInvalidGraphic : public Exception {
 public:
  EInvalidGraphic();
  using Exception::Exception;
};

inline constexpr char kInvalidBitmapText[] = "Bitmap image is not valid";

// Larger pictures are refused before anything is allocated.
inline constexpr int kBmpMaxSide = 32768;
inline constexpr size_t kBmpMaxPixelBytes = size_t{256} << 20;  // of the 24-bit result

struct DecodedBitmap {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;  // of the source: 1, 4, 8, 16, 24 or 32
  // height rows of width × 3 bytes (blue, green, red), the top row first, unpadded.
  std::vector<uint8_t> pixels;

  bool Monochrome() const { return bitsPerPixel == 1; }
  const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * 3; }
  // A colour reference (red in the low byte).
  uint32_t PixelColor(int x, int y) const;
  // The colour transparent drawing leaves out: white for a monochrome picture, else the
  // bottom-left pixel's.
  uint32_t TransparentColor() const;
};

// A .bmp file: file header, info header, colour table, bits. The bits start where the file
// header says; its size field is ignored in favour of the data's real length.
// Headers: BITMAPCOREHEADER (12 bytes), BITMAPINFOHEADER (40) and its longer forms (52, 56,
// V4 108, V5 124). Depths 1, 4, 8, 16, 24, 32; BI_RGB, BI_BITFIELDS (16 and 32 bits),
// BI_ALPHABITFIELDS (alpha ignored), BI_RLE8 and BI_RLE4; bottom-up and top-down.
// Raises EInvalidGraphic for anything else.
DecodedBitmap DecodeBmpFile(std::span<const uint8_t> file);

// A packed DIB (an RT_BITMAP resource): info header, colour table, bits right after it.
DecodedBitmap DecodePackedDib(std::span<const uint8_t> dib);
