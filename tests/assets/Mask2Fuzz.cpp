// libFuzzer entry: the stored outline parser must never read past its input, and what it
// accepts must hold together.
#include <cstdlib>

#include "RegionData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Mask2Block block;
  if (ParseMask2({data, size}, &block) != Mask2Status::Ok) return 0;
  const std::vector<RegionRect> rects = RegionRects(block);
  if (rects.size() != block.header.count || block.regionData.size() + 4 > size) std::abort();
  return 0;
}
