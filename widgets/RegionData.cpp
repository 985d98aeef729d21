#include "RegionData.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace {

using Runs = std::vector<std::pair<int32_t, int32_t>>;

void PutU32(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value >> 16));
  out.push_back(static_cast<uint8_t>(value >> 24));
}

void PutI32(std::vector<uint8_t>& out, int32_t value) {
  PutU32(out, static_cast<uint32_t>(value));
}

uint32_t GetU32(std::span<const uint8_t> data, size_t at) {
  return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
         static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

int32_t GetI32(std::span<const uint8_t> data, size_t at) {
  return static_cast<int32_t>(GetU32(data, at));
}

RegionRect GetRect(std::span<const uint8_t> data, size_t at) {
  return {GetI32(data, at), GetI32(data, at + 4), GetI32(data, at + 8), GetI32(data, at + 12)};
}

void PutRect(std::vector<uint8_t>& out, const RegionRect& r) {
  PutI32(out, r.left);
  PutI32(out, r.top);
  PutI32(out, r.right);
  PutI32(out, r.bottom);
}

Runs RowRuns(int width, std::span<const uint8_t> row) {
  Runs runs;
  int x = 0;
  while (x < width) {
    if (!row[x]) {
      ++x;
      continue;
    }
    int start = x;
    while (x < width && row[x]) ++x;
    runs.emplace_back(start, x);
  }
  return runs;
}

}  // namespace

std::vector<RegionRect> BandMask(int width, int height, std::span<const uint8_t> inside) {
  std::vector<RegionRect> rects;
  if (width <= 0 || height <= 0) return rects;
  if (inside.size() < static_cast<size_t>(width) * static_cast<size_t>(height)) return rects;

  Runs band;
  int32_t bandTop = 0;
  auto flush = [&](int32_t bandBottom) {
    for (const auto& [left, right] : band) rects.push_back({left, bandTop, right, bandBottom});
  };
  for (int y = 0; y < height; ++y) {
    Runs runs = RowRuns(width, inside.subspan(static_cast<size_t>(y) * width, width));
    // A row continues the open band only if it lies right under it with the same runs.
    if (!band.empty() && runs == band) continue;
    flush(y);
    band = std::move(runs);
    bandTop = y;
  }
  flush(height);
  return rects;
}

RegionRect RegionBound(std::span<const RegionRect> rects) {
  if (rects.empty()) return {};
  RegionRect box = rects.front();
  for (const RegionRect& r : rects) {
    box.left = std::min(box.left, r.left);
    box.top = std::min(box.top, r.top);
    box.right = std::max(box.right, r.right);
    box.bottom = std::max(box.bottom, r.bottom);
  }
  return box;
}

std::vector<uint8_t> BuildRegionData(std::span<const RegionRect> rects) {
  std::vector<uint8_t> out;
  out.reserve(kRegionHeaderSize + rects.size() * kRegionRectSize);
  PutU32(out, kRegionHeaderSize);
  PutU32(out, kRegionTypeRectangles);
  PutU32(out, static_cast<uint32_t>(rects.size()));
  PutU32(out, static_cast<uint32_t>(rects.size() * kRegionRectSize));
  PutRect(out, RegionBound(rects));
  for (const RegionRect& r : rects) PutRect(out, r);
  return out;
}

std::vector<uint8_t> WrapMask2(std::span<const uint8_t> regionData) {
  std::vector<uint8_t> out;
  out.reserve(kMask2CountSize + regionData.size());
  PutU32(out, static_cast<uint32_t>(regionData.size()));
  out.insert(out.end(), regionData.begin(), regionData.end());
  return out;
}

std::vector<uint8_t> BuildMask2(std::span<const RegionRect> rects) {
  return WrapMask2(BuildRegionData(rects));
}

Mask2Status ParseRegionData(std::span<const uint8_t> data, Mask2Block* block) {
  if (data.size() < kRegionHeaderSize) return Mask2Status::TooShort;
  RegionHeader header;
  header.headerSize = GetU32(data, 0);
  header.type = GetU32(data, 4);
  header.count = GetU32(data, 8);
  header.rectBytes = GetU32(data, 12);
  header.bound = GetRect(data, 16);
  if (header.headerSize != kRegionHeaderSize) return Mask2Status::BadHeaderSize;
  if (header.type != kRegionTypeRectangles) return Mask2Status::BadType;
  // 64-bit arithmetic: a hostile count must not wrap around to a small size.
  if (static_cast<uint64_t>(header.count) * kRegionRectSize != header.rectBytes)
    return Mask2Status::CountMismatch;
  if (header.rectBytes > data.size() - kRegionHeaderSize) return Mask2Status::SizeBeyondData;
  // The platform reports a region banded and inside its box, and the skin checks the block
  // here only: anything else is a damaged outline, whatever another system might build from it.
  const Mask2Block parsed{header, data};
  const std::vector<RegionRect> rects = RegionRects(parsed);
  if (!IsBanded(rects)) return Mask2Status::NotBanded;
  const RegionRect& box = header.bound;
  for (const RegionRect& r : rects)
    if (r.left < box.left || r.top < box.top || r.right > box.right || r.bottom > box.bottom)
      return Mask2Status::OutsideBound;
  if (block) *block = parsed;
  return Mask2Status::Ok;
}

Mask2Status ParseMask2(std::span<const uint8_t> value, Mask2Block* block) {
  if (value.size() < kMask2CountSize) return Mask2Status::TooShort;
  uint32_t n = GetU32(value, 0);
  if (n == 0) return Mask2Status::Empty;
  if (n > value.size() - kMask2CountSize) return Mask2Status::NBeyondData;
  return ParseRegionData(value.subspan(kMask2CountSize, n), block);
}

std::vector<RegionRect> RegionRects(const Mask2Block& block) {
  std::vector<RegionRect> rects;
  rects.reserve(block.header.count);
  for (uint32_t i = 0; i < block.header.count; ++i)
    rects.push_back(GetRect(block.regionData, kRegionHeaderSize + size_t{i} * kRegionRectSize));
  return rects;
}

std::vector<RegionRect> ScaleRegion(std::span<const RegionRect> rects, int k) {
  if (k < 1) return {};
  auto fits = [k](int32_t edge) {
    const int64_t scaled = int64_t{edge} * k;
    return scaled >= std::numeric_limits<int32_t>::min() &&
           scaled <= std::numeric_limits<int32_t>::max();
  };
  std::vector<RegionRect> scaled;
  scaled.reserve(rects.size());
  for (const RegionRect& r : rects) {
    if (!fits(r.left) || !fits(r.top) || !fits(r.right) || !fits(r.bottom)) return {};
    scaled.push_back({r.left * k, r.top * k, r.right * k, r.bottom * k});
  }
  return scaled;
}

std::vector<uint8_t> ScaleMask2(std::span<const uint8_t> value, int k) {
  Mask2Block block;
  if (ParseMask2(value, &block) != Mask2Status::Ok) return {};
  const std::vector<RegionRect> rects = RegionRects(block);
  std::vector<RegionRect> scaled = ScaleRegion(rects, k);
  if (scaled.size() != rects.size()) return {};
  return BuildMask2(scaled);
}

bool IsBanded(std::span<const RegionRect> rects) {
  for (size_t i = 0; i < rects.size(); ++i) {
    const RegionRect& r = rects[i];
    if (r.left >= r.right || r.top >= r.bottom) return false;
    if (i == 0) continue;
    const RegionRect& prev = rects[i - 1];
    if (r.top == prev.top) {
      if (r.bottom != prev.bottom || r.left <= prev.right) return false;
    } else if (r.top < prev.bottom) {
      return false;
    }
  }
  return true;
}
