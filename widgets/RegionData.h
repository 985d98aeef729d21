// The stored window outline (Mask2): a 4-byte count followed by a platform region-data
// block (RGNDATAHEADER and RECTs, little-endian), plus banding a picture into rectangles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct RegionRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive

  bool operator==(const RegionRect&) const = default;
};

constexpr uint32_t kRegionHeaderSize = 32;
constexpr uint32_t kRegionTypeRectangles = 1;
constexpr uint32_t kRegionRectSize = 16;
constexpr size_t kMask2CountSize = 4;

struct RegionHeader {
  uint32_t headerSize = kRegionHeaderSize;
  uint32_t type = kRegionTypeRectangles;
  uint32_t count = 0;
  uint32_t rectBytes = 0;
  RegionRect bound;
};

// Rectangles in the platform's banded order for the set pixels of a width x height mask
// (row-major, nonzero = inside): runs of each row, rows with identical runs that follow
// each other merged into one band.
std::vector<RegionRect> BandMask(int width, int height, std::span<const uint8_t> inside);

// The bounding box of the rectangles; all zero when there are none.
RegionRect RegionBound(std::span<const RegionRect> rects);

// The region-data block (header and rectangles), as GetRegionData reports it.
std::vector<uint8_t> BuildRegionData(std::span<const RegionRect> rects);
// The stored Mask2 value: the block's byte count, then the block.
std::vector<uint8_t> BuildMask2(std::span<const RegionRect> rects);
// Puts the byte count in front of a block the platform produced.
std::vector<uint8_t> WrapMask2(std::span<const uint8_t> regionData);

enum class Mask2Status {
  Ok,
  Empty,           // N = 0: no outline
  TooShort,        // fewer than 4 bytes, or a block shorter than its header
  BadHeaderSize,   // header size not 32
  BadType,         // not a list of rectangles
  CountMismatch,   // rectangle count does not match the size field
  SizeBeyondData,  // the size field claims more rectangles than the block holds
  NBeyondData,     // N larger than what follows it
  NotBanded,       // rectangles empty, overlapping or out of the platform's banded order
  OutsideBound,    // a rectangle reaches beyond the bounding box
};

struct Mask2Block {
  RegionHeader header;
  // The N bytes after the count: what ExtCreateRegion takes. Points into the parsed input.
  std::span<const uint8_t> regionData;
};

// Checks a region-data block (without the count) before it is handed to the platform.
Mask2Status ParseRegionData(std::span<const uint8_t> data, Mask2Block* block);
// Checks a whole Mask2 value; only Ok yields a block worth building a region from.
Mask2Status ParseMask2(std::span<const uint8_t> value, Mask2Block* block);

// The rectangles of a block that ParseRegionData accepted.
std::vector<RegionRect> RegionRects(const Mask2Block& block);

// The outline k times as large: every edge times k, so banded order is kept and the
// platform takes the block back. Empty when k < 1 or an edge would not fit in 32 bits.
std::vector<RegionRect> ScaleRegion(std::span<const RegionRect> rects, int k);
// A Mask2 value whose outline is k times as large; empty when the value is not a valid one
// with an outline or its outline cannot be scaled.
std::vector<uint8_t> ScaleMask2(std::span<const uint8_t> value, int k);

// True when the rectangles are in banded order: sorted by top then left, one top and
// bottom per band, bands apart, rectangles of a band neither touching nor overlapping.
bool IsBanded(std::span<const RegionRect> rects);
