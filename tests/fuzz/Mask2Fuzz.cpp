// libFuzzer entry: the stored outline parser must never read past its input, and what it
// accepts must hold together: banded rectangles inside the bounding box, written back
// byte for byte. The same bytes, read as a small mask picture, must band into rectangles
// that cover exactly its set pixels and that the parser accepts.
#include <algorithm>
#include <vector>

#include "FuzzCheck.h"
#include "RegionData.h"

namespace {

// Sorted by top then left; one top and bottom per band, bands apart, rectangles of a band
// apart, none empty.
bool Banded(const std::vector<RegionRect>& rects) {
  for (size_t i = 0; i < rects.size(); ++i) {
    const RegionRect& r = rects[i];
    if (r.left >= r.right || r.top >= r.bottom) return false;
    if (i == 0) continue;
    const RegionRect& p = rects[i - 1];
    const bool sameBand = r.top == p.top && r.bottom == p.bottom && r.left > p.right;
    if (!sameBand && r.top < p.bottom) return false;
  }
  return true;
}

int32_t Get(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

void CheckStored(const uint8_t* data, size_t size) {
  Mask2Block block;
  if (ParseMask2({data, size}, &block) != Mask2Status::Ok) return;
  const std::vector<RegionRect> rects = RegionRects(block);
  const uint32_t n = static_cast<uint32_t>(Get(data));
  FUZZ_CHECK(rects.size() == block.header.count && block.regionData.size() == n);
  FUZZ_CHECK(n >= 32 + rects.size() * 16 && n + 4 <= size);
  FUZZ_CHECK(Banded(rects));
  const RegionRect bound{Get(data + 20), Get(data + 24), Get(data + 28), Get(data + 32)};
  for (size_t i = 0; i < rects.size(); ++i) {
    const RegionRect& r = rects[i];
    FUZZ_CHECK(r == (RegionRect{Get(data + 36 + 16 * i), Get(data + 40 + 16 * i),
                                Get(data + 44 + 16 * i), Get(data + 48 + 16 * i)}));
    FUZZ_CHECK(r.left >= bound.left && r.top >= bound.top && r.right <= bound.right &&
               r.bottom <= bound.bottom);
  }
  // A block as the platform reports it is written back as it was read.
  if (n == 32 + rects.size() * 16 &&
      (rects.empty() ? bound == RegionRect{} : bound == RegionBound(rects)))
    FUZZ_CHECK(BuildMask2(rects) == std::vector<uint8_t>(data, data + 4 + n));
}

void CheckBanding(const uint8_t* data, size_t size) {
  if (size < 2) return;
  const int width = 1 + data[0] % 40;
  const int height = static_cast<int>(std::min<size_t>((size - 1) * 8 / width, 60));
  std::vector<uint8_t> inside(size_t(width) * height);
  for (size_t i = 0; i < inside.size(); ++i) inside[i] = data[1 + i / 8] >> (i % 8) & 1;
  const std::vector<RegionRect> rects = BandMask(width, height, inside);
  FUZZ_CHECK(Banded(rects));
  std::vector<uint8_t> covered(inside.size());
  for (const RegionRect& r : rects) {
    FUZZ_CHECK(r.left >= 0 && r.top >= 0 && r.right <= width && r.bottom <= height);
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) ++covered[size_t(y) * width + x];
  }
  FUZZ_CHECK(covered == inside);
  const std::vector<uint8_t> stored = BuildMask2(rects);
  Mask2Block block;
  FUZZ_CHECK(ParseMask2(stored, &block) == Mask2Status::Ok);
  FUZZ_CHECK(RegionRects(block) == rects);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckStored(data, size);
  CheckBanding(data, size);
  return 0;
}
