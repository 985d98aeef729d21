#include "Scaling.h"

#include <algorithm>
#include <limits>

int ScaleFactor(int dpi) {
  return std::max(1, (dpi + kBaseDpi / 2) / kBaseDpi);
}

int32_t MulDivRounded(int32_t value, int32_t numerator, int32_t denominator) {
  if (denominator == 0) return -1;
  int64_t product = int64_t{value} * numerator;
  int64_t divisor = denominator;
  if (divisor < 0) {
    product = -product;
    divisor = -divisor;
  }
  const int64_t half = divisor / 2;
  const int64_t result = (product >= 0 ? product + half : product - half) / divisor;
  // The system answers -1 for results beyond +-(2^31 - 1).
  if (result > std::numeric_limits<int32_t>::max() || result < -std::numeric_limits<int32_t>::max())
    return -1;
  return static_cast<int32_t>(result);
}

std::vector<uint8_t> ScalePixels24(std::span<const uint8_t> rows, int width, int height,
                                   size_t stride, int k) {
  if (width <= 0 || height <= 0 || k < 1 || stride < static_cast<size_t>(width) * 3) return {};
  if (width > std::numeric_limits<int>::max() / 3 / k ||
      height > std::numeric_limits<int>::max() / k)
    return {};
  if (rows.size() < stride * (static_cast<size_t>(height) - 1) + static_cast<size_t>(width) * 3)
    return {};
  const size_t outStride = DibStride24(width * k);
  std::vector<uint8_t> out(outStride * static_cast<size_t>(height) * static_cast<size_t>(k));
  uint8_t* to = out.data();
  for (int y = 0; y < height; ++y) {
    const uint8_t* from = rows.data() + stride * static_cast<size_t>(y);
    uint8_t* first = to;
    for (int x = 0; x < width; ++x, from += 3)
      for (int i = 0; i < k; ++i, to += 3) std::copy(from, from + 3, to);
    to = first + outStride;
    for (int i = 1; i < k; ++i, to += outStride) std::copy(first, first + outStride, to);
  }
  return out;
}
