// Sizes are kept as 96-DPI numbers and scaled where they are used: pixel art by a whole
// factor with nearest neighbour, text and standard windows by the exact DPI.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

constexpr int kBaseDpi = 96;

// The whole factor for pixel art: dpi / 96 rounded to the nearest whole number, halves up
// (96 and 120 give 1, 144 to 239 give 2, 240 gives 3); at least 1.
int ScaleFactor(int dpi);

// value x numerator / denominator rounded to the nearest whole number, halves away from
// zero, as the system's MulDiv: -1 when the denominator is 0 or the result does not fit.
int32_t MulDivRounded(int32_t value, int32_t numerator, int32_t denominator);

// A 96-DPI size at `dpi`, exactly.
inline int32_t ScaleExact(int32_t value, int dpi) {
  return MulDivRounded(value, dpi, kBaseDpi);
}

// A 24-bit picture's rows (3 bytes a pixel, `stride` bytes a row, in the order given) with
// every pixel made k x k: rows of width x k pixels padded to 4 bytes, as a DIB holds them,
// each source row k times in turn. Empty when the sizes do not fit the data or k < 1.
std::vector<uint8_t> ScalePixels24(std::span<const uint8_t> rows, int width, int height,
                                   size_t stride, int k);

// The stride of a 24-bit DIB row of `width` pixels.
inline size_t DibStride24(int width) {
  return (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
}
